// The method of Kwee and van Woerden: the shiftgram sums against a plain
// double loop, the parabola through the shiftgram minimum worked by hand,
// and the command with its checks, files, log lines and messages.
#include "extrema/kwee_van_woerden.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/extrema/synthetic_curves.h"
#include "extrema/extrema_fixture.h"

namespace teril {
namespace {

class KweeShiftgramSums : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(KweeShiftgramSums, AgreeWithThePlainDoubleLoop) {
  const auto [L, threads] = GetParam();
  synthetic::NoiseGenerator gen(77 + L);
  std::vector<double> y(L + 1), S1(L + 1), S2(L + 1);
  for (int o = 1; o <= L; ++o) y[o] = 10 + 0.001 * o + 0.1 * gen.Normal();
  ShiftgramOptions options;
  options.threads = threads;
  ASSERT_TRUE(ShiftgramSums(y.data(), L, S1.data(), S2.data(), options));
  for (int i = 2; i <= L - 1; ++i) {
    const int K = std::min(i - 1, L - i);
    double s1 = 0, s2 = 0;
    for (int j = 1; j <= K; ++j) {
      s1 += y[i + j] - y[i - j];
      s2 += (y[i + j] - y[i - j]) * (y[i + j] - y[i - j]);
    }
    ASSERT_NEAR(S1[i], s1, 1e-12 * (1 + std::fabs(s1)) * K) << i;
    ASSERT_NEAR(S2[i], s2, 1e-12 * s2) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, KweeShiftgramSums,
                         ::testing::Combine(::testing::Values(3, 4, 9, 18, 63, 1001, 6001),
                                            ::testing::Values(1, 2)));

// S_i = 2 + (i - 5.3)^2/2 on L = 9: k = 5, A = 0.5, B = -0.3, v = 0.3;
// w = (4 A S_5 - B^2)/(2 A^2 (9/4 - 1)) = (4.09 - 0.09)/0.625 = 6.4;
// s_extr = sqrt(S_5 - A v^2) = sqrt(2).
TEST(KweeShiftgramMinimum, ParabolaThroughTheSmallestValueWorkedByHand) {
  std::vector<double> S(10, 0);
  for (int i = 2; i <= 8; ++i) S[i] = 2 + 0.5 * (i - 5.3) * (i - 5.3);
  const KweeMinimum m = ShiftgramMinimum(S.data(), 9, 100.0, 0.25);
  EXPECT_EQ(m.k, 5);
  EXPECT_NEAR(m.v, 0.3, 1e-12);
  EXPECT_NEAR(m.tExtr, 100.0 + 4.3 * 0.25, 1e-12);
  EXPECT_NEAR(m.sigmaT, 0.25 * std::sqrt(6.4), 1e-12);
  EXPECT_NEAR(m.sExtr, std::sqrt(2.0), 1e-12);
  // L = 5 (3 points) and 7 (4 points): both neighbours of k must lie in
  // 2..L-1, so 3..L-2 is searched.
  EXPECT_EQ(ShiftgramMinimum(std::vector<double>{0, 0, 0.5, 2, 0.25, 0}.data(), 5, 0, 1).k, 3);
  EXPECT_EQ(ShiftgramMinimum(std::vector<double>{0, 0, 0.1, 4, 3, 5, 0.1, 0}.data(), 7, 0, 1).k, 4);
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
  double LoggedNumber(const std::string& label) const {
    for (const std::string& line : host.log)
      if (line.rfind(label, 0) == 0) return ParseNumber(line.substr(label.size())).value_or(-1e300);
    return -1e300;
  }
};

TEST_F(KweeCommand, SymmetricCurveGivesItsMiddleWithoutErrorAndABadShiftgram) {
  // x = 10 + (t - 3)^2 at t = 1..5: L = 9, steps of 0.5, exactly symmetric
  // about i = 5. T0 = 1.5, f = 0.5: phase 0.75 -> -0.25, O-C = -0.25 P.
  engine->eph.epochT0 = 1.5;
  engine->eph.period = 2;
  engine->eph.frequency = 0.5;
  LoadFunction(
      5, [](double t) { return 10 + (t - 3) * (t - 3); }, 1);
  KweeVanWoerden(*engine);
  // clang-format off
  const std::vector<std::string> expected{
      "Kwee and van Woerden:", "k_k=5", "v=0", "t_extr=3", "   O-C=-0.5", " +-    0",
      "Phase=-0.25", " +-    0", "s_extr=0", "!!! Bad shiftgram !!!"};
  // clang-format on
  EXPECT_EQ(std::vector<std::string>(host.log.end() - expected.size(), host.log.end()), expected);
  EXPECT_EQ(host.messages.back(), "t_extr=3\n +-    0\ns_extr=0");
  auto data = ReadLines("ecl_KvW_data.dat");  // t in 8:4, x in 8:5
  ASSERT_EQ(data.size(), 9u);
  EXPECT_EQ(data[1], "  1.5000 12.50000");
  auto shift = ReadLines("ecl_KvW_shiftgramm.dat");
  ASSERT_EQ(shift.size(), 7u);  // i = 2..8
  // i = 2: K = 1, d = y_3 - y_1 = 11 - 14: sqrt(9/1), sqrt(9/9), -3/1, -3/9.
  EXPECT_EQ(shift[0], "  1.5000  3.00000  1.00000 -3.00000 -0.33333");
}

TEST_F(KweeCommand, FivePointsSearchOnlyIndicesThreeToSeven) {
  // A straight line: d_j = j/2, S = (K + 1)(2K + 1)/24, smallest at i = 2
  // and 8; within 3..7 the first smallest is i = 3. A = (1 + 14/3)/8 - 5/8,
  // B = (14/3 - 1)/8: v = -2.75, t_extr = 1 + (2 - 2.75)/2.
  LoadFunction(
      5, [](double t) { return t / 2; }, 1);
  KweeVanWoerden(*engine);
  EXPECT_TRUE(host.Logged("k_k=3"));
  EXPECT_NEAR(LoggedNumber("v="), -2.75, 1e-12);
  EXPECT_NEAR(LoggedNumber("t_extr="), 0.625, 1e-12);
}

TEST_F(KweeCommand, UnsortedRepeatedAndTooFewPointsAreRefusedWithoutFiles) {
  Load({1, 3, 2, 4, 4, 5}, {1, 2, 3, 4, 5, 6});
  KweeVanWoerden(*engine);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0], "i=5 4");
  EXPECT_EQ(host.messages[1],
            "method of Kwee and van Woerden:\n* needs _sorted_ arguments (Edit->Sort)\n"
            "  unsorted pairs: 1\n* needs 1 value at time:\n  multiple data per time: 1\n"
            "    to solve: (Edit->Average for same times)\n  then work with a resulting file");
  // Many repeats: each is logged, the first ten are shown.
  std::vector<double> t, x;
  for (int i = 0; i < 15; ++i) {
    t.insert(t.end(), {double(i), double(i)});
    x.insert(x.end(), {1, 2});
  }
  Load(t, x);
  KweeVanWoerden(*engine);
  EXPECT_EQ(host.messages.size(), 2u + 11);
  EXPECT_TRUE(host.Logged("i=30 14"));
  LoadFunction(2, [](double t) { return t; });
  KweeVanWoerden(*engine);
  EXPECT_EQ(host.messages.back(),
            "method of Kwee and van Woerden:\n* needs at least 3 visible points; visible: 2");
  EXPECT_FALSE(FileExists("ecl_KvW_data.dat"));
}

// A flat-bottomed eclipse with a known moment and fixed-seed noise, 50 draws.
TEST_F(KweeCommand, SyntheticEclipseMomentWithinThreeSigma) {
  synthetic::NoiseGenerator gen(424242);
  std::vector<double> moments;
  double mean = 0, sigma2 = 0, scatter = 0;
  int within = 0;
  for (int draw = 0; draw < 50; ++draw) {
    const auto curve = synthetic::Sample(120, 0.0, 0.6, 0.3137, 0.02, gen, [](double t) {
      return synthetic::FlatBottomEclipse(t, 0.3137, 0.06, 0.14);
    });
    Load(curve.t, curve.x);
    host.log.clear();
    KweeVanWoerden(*engine);
    const double t = LoggedNumber("t_extr="), s = LoggedNumber(" +-    ");
    within += std::fabs(t - curve.trueMoment) <= 3 * s;
    moments.push_back(t);
    mean += t / 50;
    sigma2 += s * s / 50;
  }
  for (double t : moments) scatter += (t - mean) * (t - mean) / 49;
  scatter = std::sqrt(scatter);
  std::printf("Kwee-van Woerden, 50 draws: scatter %.3g, rms sigma_t %.3g, %d within 3 sigma_t\n",
              scatter, std::sqrt(sigma2), within);
  EXPECT_GE(within, 45);
  EXPECT_LE(std::fabs(mean - 0.3137), 3 * scatter / std::sqrt(50.0));
  EXPECT_LE(std::sqrt(sigma2), 2 * scatter);
  EXPECT_GE(std::sqrt(sigma2), scatter / 2);
}

}  // namespace
}  // namespace teril
