// The method of Kwee and van Woerden: resampling, the shiftgram sums against
// a plain double loop, the parabola through the shiftgram minimum worked by
// hand, and the command with its checks, files, log lines and messages.
#include "extrema/kwee_van_woerden.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "data/extrema/synthetic_curves.h"
#include "extrema/extrema_fixture.h"

namespace teril {
namespace {

// y[1..L] of fixed-seed noise around a slope (index 0 unused).
std::vector<double> NoisySignal(int L, std::uint64_t seed) {
  synthetic::NoiseGenerator gen(seed);
  std::vector<double> y(L + 1);
  for (int o = 1; o <= L; ++o) y[o] = 10 + 0.001 * o + 0.1 * gen.Normal();
  return y;
}

TEST(KweeResample, PointsOnABrokenLineAreInterpolatedOnTheEvenGrid) {
  // t 0, 1, 3, 4 (1-based) with x 0, 2, 2, 5: L = 9 steps of 0.5.
  const std::vector<double> t{0, 0, 1, 3, 4}, x{0, 0, 2, 2, 5};
  std::vector<double> y(10);
  ResampleEvenly(t.data(), x.data(), 1, 4, 9, y.data());
  const double expected[] = {0, 0, 1, 2, 2, 2, 2, 2, 3.5, 5};
  for (int o = 1; o <= 9; ++o) EXPECT_DOUBLE_EQ(y[o], expected[o]) << o;
}

TEST(KweeShiftgram, PairCountIsTheSquareOfHalfTheGrid) {
  // L = 2m + 1: 1 + 2 + ... + m + ... + 2 + 1 = m^2.
  for (int m : {1, 2, 4, 50, 5000}) EXPECT_EQ(ShiftgramPairs(2 * m + 1), 1LL * m * m) << m;
  EXPECT_EQ(ShiftgramPairs(4), 2);  // K = 1, 1
  EXPECT_EQ(ShiftgramPairs(2), 0);
}

class KweeShiftgramSums : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(KweeShiftgramSums, AgreeWithThePlainDoubleLoop) {
  const auto [L, threads] = GetParam();
  const std::vector<double> y = NoisySignal(L, 77 + L);
  std::vector<double> S1(L + 1, -1), S2(L + 1, -1);
  ShiftgramOptions options;
  options.threads = threads;
  ASSERT_TRUE(ShiftgramSums(y.data(), L, S1.data(), S2.data(), options));
  for (int i = 2; i <= L - 1; ++i) {
    const int K = std::min(i - 1, L - i);
    double s1 = 0, s2 = 0;
    for (int j = 1; j <= K; ++j) {
      const double d = y[i + j] - y[i - j];
      s1 += d;
      s2 += d * d;
    }
    ASSERT_NEAR(S1[i], s1, 1e-12 * (1 + std::fabs(s1)) * K) << i;
    ASSERT_NEAR(S2[i], s2, 1e-12 * s2) << i;
  }
  EXPECT_EQ(S1[1], 0);
  EXPECT_EQ(S2[L], 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, KweeShiftgramSums,
                         ::testing::Combine(::testing::Values(3, 4, 5, 9, 18, 63, 100, 1001, 5001),
                                            ::testing::Values(1, 2)));

TEST(KweeShiftgram, SumsDoNotDependOnTheThreadsOrTheRounds) {
  const int L = 6001;  // enough pairs for two threads
  const std::vector<double> y = NoisySignal(L, 5);
  std::vector<double> a1(L + 1), a2(L + 1), b1(L + 1), b2(L + 1);
  ShiftgramOptions one;
  one.threads = 1;
  ASSERT_TRUE(ShiftgramSums(y.data(), L, a1.data(), a2.data(), one));
  ShiftgramOptions two;
  two.threads = 2;
  two.pairsPerRound = 100000;
  long long last = 0, calls = 0;
  two.progress = [&](long long done, long long total) {
    EXPECT_GT(done, last);
    EXPECT_EQ(total, ShiftgramPairs(L));
    last = done;
    ++calls;
    return true;
  };
  ASSERT_TRUE(ShiftgramSums(y.data(), L, b1.data(), b2.data(), two));
  EXPECT_EQ(last, ShiftgramPairs(L));
  EXPECT_GT(calls, 10);
  EXPECT_EQ(a1, b1);
  EXPECT_EQ(a2, b2);
}

TEST(KweeShiftgram, AStopEndsTheSumsAfterTheRound) {
  const int L = 2001;
  const std::vector<double> y = NoisySignal(L, 9);
  std::vector<double> S1(L + 1), S2(L + 1);
  ShiftgramOptions options;
  options.pairsPerRound = 1000;
  int calls = 0;
  options.progress = [&](long long, long long) { return ++calls < 3; };
  EXPECT_FALSE(ShiftgramSums(y.data(), L, S1.data(), S2.data(), options));
  EXPECT_EQ(calls, 3);
}

// S_i = 2 + (i - 5.3)^2 / 2 on L = 9: k = 5, A = 0.5, B = -0.3, v = 0.3;
// w = (4 A S_5 - B^2)/(2 A^2 (9/4 - 1)) = (4.09 - 0.09)/0.625 = 6.4;
// s_extr = sqrt(S_5 - A v^2) = sqrt(2).
TEST(KweeMinimumOfShiftgram, ParabolaThroughTheSmallestValueWorkedByHand) {
  std::vector<double> S(10, 0);
  for (int i = 2; i <= 8; ++i) S[i] = 2 + 0.5 * (i - 5.3) * (i - 5.3);
  const KweeMinimum m = ShiftgramMinimum(S.data(), 9, 100.0, 0.25);
  EXPECT_EQ(m.k, 5);
  EXPECT_NEAR(m.A, 0.5, 1e-12);
  EXPECT_NEAR(m.B, -0.3, 1e-12);
  EXPECT_NEAR(m.v, 0.3, 1e-12);
  EXPECT_NEAR(m.tExtr, 100.0 + 4.3 * 0.25, 1e-12);
  EXPECT_NEAR(m.sigmaT, 0.25 * std::sqrt(6.4), 1e-12);
  EXPECT_NEAR(m.sExtr, std::sqrt(2.0), 1e-12);
}

TEST(KweeMinimumOfShiftgram, FivePointsSearchTheCentralHalfOnly) {
  // L = 9, q = 2: i = 3..7. Smaller values at 2 and 8 are outside; the
  // first of two equal values wins.
  std::vector<double> S{0, 0, 0.1, 5, 4, 3, 3, 4, 0.1, 0};
  const KweeMinimum m = ShiftgramMinimum(S.data(), 9, 0, 1);
  EXPECT_EQ(m.k, 5);
  EXPECT_NEAR(m.A, 0.5, 1e-12);  // (4 + 3)/2 - 3
  EXPECT_NEAR(m.v, 0.5, 1e-12);  // B = -0.5
}

TEST(KweeMinimumOfShiftgram, ThreeAndFourPointsKeepBothNeighboursInTheShiftgram) {
  // L = 5 (3 points): q = 1 would search 2..4, whose ends have a neighbour
  // outside 2..L-1; only 3 is searched. L = 7 (4 points): 3..5.
  std::vector<double> S5{0, 0, 0.5, 2, 0.25, 0};
  EXPECT_EQ(ShiftgramMinimum(S5.data(), 5, 0, 1).k, 3);
  std::vector<double> S7{0, 0, 0.1, 4, 3, 5, 0.1, 0};
  const KweeMinimum m = ShiftgramMinimum(S7.data(), 7, 0, 1);
  EXPECT_EQ(m.k, 4);
  EXPECT_TRUE(std::isfinite(m.sigmaT) && std::isfinite(m.tExtr));
}

TEST(KweeMinimumOfShiftgram, FlatShiftgramGivesNoVertexShiftAndNoError) {
  std::vector<double> S(12, 1.5);
  const KweeMinimum m = ShiftgramMinimum(S.data(), 11, 0, 1);
  EXPECT_EQ(m.k, 3);  // q = 2: the first of the equal values 3..9
  EXPECT_EQ(m.A, 0);
  EXPECT_EQ(m.v, 0);
  EXPECT_EQ(m.sigmaT, 0);
  EXPECT_NEAR(m.sExtr, std::sqrt(1.5), 1e-15);
}

class KweeCommand : public testing::ExtremaTest {
 protected:
  void SetUp() override {
    ExtremaTest::SetUp();
    engine->run.inputFile = "ecl.b.dat";
    DataSet& d = engine->data;
    d.tWidth = 6;
    d.tDecimals = 2;
    d.xWidth = 6;
    d.xDecimals = 3;
  }
  // The number after the first log line that starts with `label`.
  double LoggedNumber(const std::string& label) const {
    for (const std::string& line : host.log)
      if (line.rfind(label, 0) == 0) return ParseNumber(line.substr(label.size())).value_or(-1e300);
    ADD_FAILURE() << "no log line " << label;
    return -1e300;
  }
  // The last `count` log lines.
  std::vector<std::string> LastLog(std::size_t count) const {
    if (host.log.size() < count) return host.log;
    return std::vector<std::string>(host.log.end() - count, host.log.end());
  }
};

TEST_F(KweeCommand, SymmetricCurveGivesItsMiddleWithoutErrorAndABadShiftgram) {
  // x = 10 + (t - 3)^2 at t = 1..5: L = 9, steps of 0.5; the resampled
  // curve is exactly symmetric about i = 5, so S_5 = 0.
  LoadFunction(
      5, [](double t) { return 10 + (t - 3) * (t - 3); }, 1);
  KweeVanWoerden(*engine);
  const std::vector<std::string> expected{"Kwee and van Woerden:",
                                          "k_k=5",
                                          "v=0",
                                          "t_extr=3",
                                          "   O-C=0",
                                          " +-    0",
                                          "Phase=0",
                                          " +-    0",
                                          "s_extr=0",
                                          "!!! Bad shiftgram !!!"};
  EXPECT_EQ(LastLog(expected.size()), expected);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.back(), "t_extr=3\n +-    0\ns_extr=0");

  // Widths 6 + 2 = 8 with 4 decimals for t, 8 with 5 for x.
  auto data = ReadLines("ecl_KvW_data.dat");
  ASSERT_EQ(data.size(), 9u);
  EXPECT_EQ(data[0], "  1.0000 14.00000");
  EXPECT_EQ(data[1], "  1.5000 12.50000");
  EXPECT_EQ(data[8], "  5.0000 14.00000");
  auto shift = ReadLines("ecl_KvW_shiftgramm.dat");
  ASSERT_EQ(shift.size(), 7u);  // i = 2..8
  // i = 2: K = 1, d = y_3 - y_1 = 11 - 14; sqrt(9/1), sqrt(9/9), -3/1, -3/9.
  EXPECT_EQ(shift[0], "  1.5000  3.00000  1.00000 -3.00000 -0.33333");
  // i = 5: the mirror of the curve is the curve.
  EXPECT_EQ(shift[3], "  3.0000  0.00000  0.00000  0.00000  0.00000");
}

TEST_F(KweeCommand, FivePointsOfAStraightLineSearchOnlyIndicesThreeToSeven) {
  // y_o = 1 + (o - 1)/2: d_j = j, S = (K + 1)(2K + 1)/6, smallest at the
  // ends (S_2 = S_8 = 1); in 3..7 the first smallest is S_3 = 2.5.
  LoadFunction(
      5, [](double t) { return t; }, 1);
  KweeVanWoerden(*engine);
  EXPECT_TRUE(host.Logged("k_k=3"));
  // A = (1 + 14/3)/2 - 5/2 = 1/3, B = (14/3 - 1)/2 = 11/6: v = -2.75,
  // t_extr = 1 + (2 - 2.75)/2.
  EXPECT_NEAR(LoggedNumber("v="), -2.75, 1e-12);
  EXPECT_NEAR(LoggedNumber("t_extr="), 0.625, 1e-12);
}

TEST_F(KweeCommand, PhaseAndOMinusCOfTheMomentFromTheEphemeris) {
  // Symmetric about t = 4.6 (the points 3.6 .. 5.6); T0 = 1.5, P = 2 and
  // f = 0.5: (4.6 - 1.5) f = 1.55, phase 0.55 -> -0.45, O-C = -0.45 P.
  engine->eph.epochT0 = 1.5;
  engine->eph.period = 2;
  engine->eph.frequency = 0.5;
  LoadFunction(
      5, [](double t) { return 10 + std::fabs(t - 4.6); }, 3.6, 0.5);
  KweeVanWoerden(*engine);
  EXPECT_NEAR(LoggedNumber("t_extr="), 4.6, 1e-9);
  EXPECT_NEAR(LoggedNumber("   O-C="), -0.9, 1e-9);
  EXPECT_NEAR(LoggedNumber("Phase="), -0.45, 1e-9);
}

TEST_F(KweeCommand, UnsortedAndRepeatedTimesAreRefusedWithoutFiles) {
  Load({1, 3, 2, 4, 4, 5}, {1, 2, 3, 4, 5, 6});
  KweeVanWoerden(*engine);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0], "i=5 4");
  EXPECT_EQ(host.messages[1],
            "method of Kwee and van Woerden:\n* needs _sorted_ arguments (Edit->Sort)\n"
            "  unsorted pairs: 1\n* needs 1 value at time:\n  multiple data per time: 1\n"
            "    to solve: (Edit->Average for same times)\n  then work with a resulting file");
  Load({1, 3, 2, 4}, {1, 2, 3, 4});
  KweeVanWoerden(*engine);
  EXPECT_EQ(host.messages.back(),
            "method of Kwee and van Woerden:\n* needs _sorted_ arguments (Edit->Sort)\n"
            "  unsorted pairs: 1");
  EXPECT_FALSE(FileExists("ecl_KvW_data.dat"));
  EXPECT_FALSE(FileExists("ecl_KvW_shiftgramm.dat"));
  EXPECT_FALSE(host.Logged("Kwee and van Woerden:"));
}

TEST_F(KweeCommand, ManyRepeatedTimesAreAllLoggedButOnlyTenShownOneByOne) {
  std::vector<double> t, x;
  for (int i = 0; i < 15; ++i) {
    t.insert(t.end(), {double(i), double(i)});
    x.insert(x.end(), {1, 2});
  }
  Load(t, x);
  KweeVanWoerden(*engine);
  ASSERT_EQ(host.messages.size(), 11u);
  EXPECT_EQ(host.messages[0], "i=2 0");
  EXPECT_EQ(host.messages[9], "i=20 9");
  EXPECT_NE(host.messages[10].find("  multiple data per time: 15\n"), std::string::npos);
  EXPECT_EQ(host.messages[10].find("unsorted"), std::string::npos);
  EXPECT_TRUE(host.Logged("i=30 14"));
}

TEST_F(KweeCommand, FewerThanThreeVisiblePointsAreRefused) {
  LoadFunction(2, [](double t) { return t; });
  KweeVanWoerden(*engine);
  EXPECT_EQ(host.messages.back(),
            "method of Kwee and van Woerden:\n* needs at least 3 visible points; visible: 2");
  engine->view.firstVisible = 0;  // nothing visible
  engine->view.lastVisible = 0;
  KweeVanWoerden(*engine);
  EXPECT_NE(host.messages.back().find("visible: 0"), std::string::npos);
  EXPECT_FALSE(FileExists("ecl_KvW_data.dat"));
}

TEST_F(KweeCommand, ThreePointsGiveAFiniteResult) {
  LoadFunction(3, [](double t) { return 10 + (t - 0.8) * (t - 0.8); });
  KweeVanWoerden(*engine);
  EXPECT_TRUE(host.Logged("k_k=3"));
  EXPECT_EQ(ReadLines("ecl_KvW_shiftgramm.dat").size(), 3u);
  for (const std::string& line : host.log) {
    EXPECT_EQ(line.find("NaN"), std::string::npos) << line;
    EXPECT_EQ(line.find("Inf"), std::string::npos) << line;
  }
}

TEST_F(KweeCommand, StopDuringTheShiftgramLeavesNoShiftgramFile) {
  // 10,000 points: 10^8 pairs, two rounds; the first progress call stops.
  LoadFunction(10000, [](double t) { return 10 + std::fabs(t - 4000.5) / 1000; });
  host.stopAtProgress = 0;
  KweeVanWoerden(*engine);
  EXPECT_TRUE(
      host.Logged("Kwee and van Woerden: stopped before the shiftgram was complete; no result"));
  EXPECT_FALSE(FileExists("ecl_KvW_shiftgramm.dat"));
  EXPECT_FALSE(host.Logged("Kwee and van Woerden:"));
  EXPECT_EQ(host.progressEnds, 1);
  ASSERT_FALSE(host.progress.empty());
  EXPECT_EQ(host.progress[0].total, 9999LL * 9999);  // L = 19999 = 2 * 9999 + 1
}

TEST_F(KweeCommand, MenuItemRunsTheCommandByName) {
  LoadFunction(
      5, [](double t) { return 10 + (t - 3) * (t - 3); }, 1);
  ASSERT_TRUE(RunNamedCommand(*engine, "Kwee1"));
  EXPECT_TRUE(host.Logged("t_extr=3"));
}

// A flat-bottomed eclipse with a known moment and fixed-seed noise, 50 draws:
// the moment within 3 sigma_t in most draws, and the mean of the moments
// near the truth.
TEST_F(KweeCommand, SyntheticEclipseMomentWithinThreeSigma) {
  synthetic::NoiseGenerator gen(424242);
  constexpr int kDraws = 50;
  int within = 0;
  double mean = 0, meanSigma2 = 0;
  std::vector<double> moments;
  for (int draw = 0; draw < kDraws; ++draw) {
    const auto curve = synthetic::Sample(120, 0.0, 0.6, 0.3137, 0.02, gen, [](double t) {
      return synthetic::FlatBottomEclipse(t, 0.3137, 0.06, 0.14);
    });
    Load(curve.t, curve.x);
    host.log.clear();
    KweeVanWoerden(*engine);
    double t = 0, s = 0;
    for (std::size_t i = 0; i + 2 < host.log.size(); ++i)
      if (host.log[i].rfind("t_extr=", 0) == 0) {
        t = *ParseNumber(host.log[i].substr(7));
        s = *ParseNumber(host.log[i + 2].substr(7));
      }
    ASSERT_GT(s, 0) << draw;
    if (std::fabs(t - curve.trueMoment) <= 3 * s) ++within;
    moments.push_back(t);
    mean += t / kDraws;
    meanSigma2 += s * s / kDraws;
  }
  double scatter = 0;
  for (double t : moments) scatter += (t - mean) * (t - mean) / (kDraws - 1);
  scatter = std::sqrt(scatter);
  const double sigma = std::sqrt(meanSigma2);
  RecordProperty("scatter", std::to_string(scatter));
  RecordProperty("sigma_t", std::to_string(sigma));
  std::printf(
      "Kwee-van Woerden on 50 draws: scatter of the moments %.3g, rms sigma_t %.3g, "
      "%d within 3 sigma_t\n",
      scatter, sigma, within);
  EXPECT_GE(within, 45);
  // sigma_t describes the scatter within a factor of 2.
  EXPECT_LE(sigma, 2 * scatter);
  EXPECT_GE(sigma, scatter / 2);
  EXPECT_LE(std::fabs(mean - 0.3137), 3 * scatter / std::sqrt(double(kDraws)));
}

}  // namespace
}  // namespace teril
