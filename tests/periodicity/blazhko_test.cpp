// The two-frequency fit of the Blazhko effect and its command.
#include "periodicity/blazhko.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/named_command.h"
#include "extrema/approximate.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

constexpr double kPi = std::numbers::pi;

// A synthetic RR Lyrae star: f1 = 1.8 c/d modulated at f2 = 0.025 c/d,
// coefficients in the order of the basis, written out term by term.
constexpr double kF1 = 1.8, kF2 = 0.025;
constexpr double kC[16] = {0,     12.0, 0.02, -0.01, 0.30,   0.05, 0.03, 0.15,
                           -0.04, 0.06, 0.10, 0.02,  -0.015, 0.07, 0.01, 0.02};
double StarAtPhases(double P, double Q) {
  const double c = std::cos(Q), s = std::sin(Q);
  return kC[1] + kC[2] * c + kC[3] * s + (kC[4] + kC[5] * c + kC[6] * s) * std::cos(P) +
         (kC[7] + kC[8] * c + kC[9] * s) * std::sin(P) +
         (kC[10] + kC[11] * c + kC[12] * s) * std::cos(2 * P) +
         (kC[13] + kC[14] * c + kC[15] * s) * std::sin(2 * P);
}

class BlazhkoTest : public testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->console.writeLogFile = false;
    engine->run.inputFile = "star.v.dat";
  }
  // `count` random times over 160 d (and `extra`), x = the star at
  // u = t - tBar plus Gaussian noise; every point visible.
  void LoadStar(int count, double noise = 0, unsigned seed = 1, std::vector<double> extra = {}) {
    std::mt19937_64 rnd(seed);
    std::uniform_real_distribution<double> uniform(0.0, 160.0);
    std::normal_distribution<double> gauss(0.0, noise > 0 ? noise : 1.0);
    std::vector<double> t = extra;
    for (int i = 0; i < count; ++i) t.push_back(2455000.0 + uniform(rnd));
    std::sort(t.begin(), t.end());
    double tBar = 0;
    for (double v : t) tBar += v / static_cast<double>(t.size());
    auto& d = engine->data;
    d.n = static_cast<int>(t.size());
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = t[i - 1];
      const double w = 2 * kPi * (d.t[i] - tBar);
      d.x[i] = StarAtPhases(w * kF1, w * kF2) + (noise > 0 ? gauss(rnd) : 0.0);
    }
    engine->view.firstVisible = 1;
    engine->view.lastVisible = d.n;
  }
  void Fit(double f1, double from, double to) {
    engine->blazhko.mainFrequency = f1;
    engine->blazhko.fromFrequency = from;
    engine->blazhko.toFrequency = to;
    BlazhkoFit(*engine);
  }
  void Command(std::vector<std::string> answers) {
    dialogs.fieldAnswers.push_back(std::move(answers));
    ASSERT_TRUE(RunNamedCommand(*engine, "Blazhkoeffect1"));
  }
  bool NoFiles() {
    return !FileExists("star_blazhko_period.dat") && !FileExists("star_blazhko.dat");
  }
  // The numbers of a result line (23 characters each, one blank apart).
  static std::vector<double> Numbers(const std::string& line) {
    std::vector<double> v;
    for (std::size_t at = 0; at + 23 <= line.size(); at += 24)
      v.push_back(ParseNumber(line.substr(at, 23)).value_or(NAN));
    return v;
  }
  const BlazhkoState& B() const { return engine->blazhko; }
};

// f1 = 1/4, f2 = 1/8 at u = 1: a1 = 0, b1 = 1, a2 = -1, b2 = 0, cB = sB = 1/sqrt 2.
TEST(BlazhkoBasis, ValuesAtAQuarterAndAnEighthCycle) {
  const double h = std::sqrt(0.5);
  const double expected[16] = {0, 1, h, h, 0, 0, 0, 1, h, h, -1, -h, -h, 0, 0, 0};
  double f[16];
  BlazhkoBasis(0.25, 0.125, 1.0, f);
  for (int i = 1; i <= 15; ++i) EXPECT_NEAR(f[i], expected[i], 1e-15) << "f" << i;
}

// The derivative columns are those of the fitted model: central
// differences of the model in f1 and f2 at fixed coefficients.
TEST(BlazhkoDerivatives, MatchNumericalDerivativesOfTheModel) {
  const double h = 1e-7;
  for (double u : {-80.3, -3.3, 0.0, 0.7, 55.1}) {
    double d1 = 0, d2 = 0;
    BlazhkoDerivatives(kC, kF1, kF2, u, d1, d2);
    const double n1 =
        (BlazhkoModel(kC, kF1 + h, kF2, u) - BlazhkoModel(kC, kF1 - h, kF2, u)) / (2 * h);
    const double n2 =
        (BlazhkoModel(kC, kF1, kF2 + h, u) - BlazhkoModel(kC, kF1, kF2 - h, u)) / (2 * h);
    EXPECT_NEAR(d1, n1, 1e-5 * (1 + std::fabs(n1))) << "u = " << u;
    EXPECT_NEAR(d2, n2, 1e-5 * (1 + std::fabs(n2))) << "u = " << u;
  }
}

struct StopCase {
  double d16, d17;
  int passes;
  bool done;
};
class BlazhkoStopRule : public ::testing::TestWithParam<StopCase> {};
TEST_P(BlazhkoStopRule, EitherSmallCorrectionOrThePassLimitEndsTheIteration) {
  const StopCase c = GetParam();
  EXPECT_EQ(BlazhkoIterationDone(c.d16, c.d17, c.passes), c.done);
}
INSTANTIATE_TEST_SUITE_P(Cases, BlazhkoStopRule,
                         ::testing::Values(StopCase{1e-3, 1e-3, 1, false},
                                           StopCase{1e-14, 1e-3, 1, true},   // f1 alone
                                           StopCase{1e-3, -1e-14, 1, true},  // f2 alone
                                           StopCase{2e-14, 2e-14, 5, false},
                                           StopCase{1e-3, 1e-3, 100, false},
                                           StopCase{1e-3, 1e-3, 101, true}));

// Twenty noise draws (600 points, 0.02 mag): the fitted frequencies
// scatter about the true ones as their formal errors say.
TEST_F(BlazhkoTest, RecoversBothFrequenciesWithinTheirFormalErrors) {
  double sum1 = 0, sum2 = 0, max1 = 0, max2 = 0;
  int passes = 0;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    LoadStar(600, 0.02, seed);
    Fit(1.8003, 0.02, 0.03);
    ASSERT_TRUE(B().converged) << seed;
    const double z1 = (B().f1 - kF1) / B().f1Sigma, z2 = (B().f2 - kF2) / B().f2Sigma;
    sum1 += z1 * z1;
    sum2 += z2 * z2;
    max1 = std::max(max1, std::fabs(z1));
    max2 = std::max(max2, std::fabs(z2));
    passes = std::max(passes, B().passes);
    EXPECT_NEAR(B().sigma0, 0.02, 0.003) << seed;
  }
  const double rms1 = std::sqrt(sum1 / 20), rms2 = std::sqrt(sum2 / 20);
  std::printf("f1 rms %.2f max %.2f sigma, f2 rms %.2f max %.2f sigma, %d passes at most\n", rms1,
              max1, rms2, max2, passes);
  // The rms of 20 unit Gaussians lies within 0.69..1.31 at 95 %.
  EXPECT_GT(std::min(rms1, rms2), 0.5);
  EXPECT_LT(std::max(rms1, rms2), 1.6);
  EXPECT_LT(std::max(max1, max2), 4.0);
  EXPECT_LE(passes, 15);
}

TEST_F(BlazhkoTest, SixteenPointsAreTooFewSeventeenAreAcceptedWithoutNaN) {
  LoadStar(16);
  Command({"1.8", "0.02", "0.03"});
  EXPECT_TRUE(host.Logged("Number of points too small."));
  EXPECT_TRUE(host.Logged("Number of coef = 17"));
  EXPECT_EQ(engine->approx.ExtremumTimeSigma, 1e32);
  EXPECT_TRUE(NoFiles());
  host.log.clear();
  LoadStar(17, 0.01);
  Command({"", "", ""});
  EXPECT_FALSE(host.Logged("Number of points too small."));
  // As many parameters as points: the unit sigma is the sentinel sqrt(1e32).
  auto scan = ReadLines("star_blazhko_period.dat");
  ASSERT_EQ(scan.size(), 21u);
  for (const auto& line : scan) EXPECT_EQ(Numbers(line).at(1), 1e16) << line;
  for (const char* name : {"star_blazhko_period.dat", "star_blazhko.dat"})
    if (FileExists(name)) {
      EXPECT_EQ(ReadText(name).find_first_of("NI"), std::string::npos) << name;  // no NaN, Inf
    }
}

// Scan from 0.01 to 0.03 in 21 steps; on exact data the line of the true
// 0.025 has zero sigma. The curve file: a header and 2,000 lines from 0 to
// 19.99, x_c the star at the phases 2 pi k/100 and 2 pi k/2000.
TEST_F(BlazhkoTest, ScanAndCurveFiles) {
  LoadStar(300);
  Command({"1.8", "0.01", "0.03"});
  auto scan = ReadLines("star_blazhko_period.dat");
  ASSERT_EQ(scan.size(), 21u);
  EXPECT_EQ(scan[0].substr(0, 23), " 1.00000000000000E-0002");
  for (int k = 0; k < 21; ++k) {
    auto v = Numbers(scan[k]);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_NEAR(v[0], 0.010 + 0.001 * k, 1e-15);
    if (k == 15)
      EXPECT_LT(v[1], 1e-9);
    else
      EXPECT_GT(v[1], 1e-4) << k;
  }
  auto curve = ReadLines("star_blazhko.dat");
  ASSERT_EQ(curve.size(), 2001u);
  EXPECT_EQ(curve[0], "t x_c x_c-sigmx_c x_c+sigmx_c");
  for (int k = 0; k < 2000; ++k) {
    auto v = Numbers(curve[k + 1]);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_NEAR(v[0], k / 100.0, 1e-13);
    EXPECT_NEAR(v[1], StarAtPhases(2 * kPi * k / 100, 2 * kPi * k / 2000), 1e-8) << k;
    EXPECT_NEAR(v[1] - v[2], v[3] - v[1], 1e-12);
    EXPECT_GE(v[3], v[2]);
  }
  EXPECT_EQ(Numbers(curve.back())[0], 19.99);
  // f1 exact and f2 a scan value: the first pass stops with both unmoved.
  EXPECT_EQ(host.log.at(host.log.size() - 2).rfind("iter =1 dtm c6 =", 0), 0u);
  EXPECT_EQ(host.log.back(), " after iter c5=1.8  c6=0.025");
}

// A result file that cannot be written ends the command with its message;
// the fit routine is back in its own mode all the same.
TEST_F(BlazhkoTest, FailedWriteIsReportedAndLeavesTheUsualMode) {
  LoadStar(100);
  std::filesystem::create_directory("star_blazhko.dat");
  const int m = engine->lsq.m, n = engine->lsq.n;
  Command({"1.8", "0.02", "0.03"});
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("star_blazhko.dat"), std::string::npos) << host.messages[0];
  EXPECT_FALSE(engine->lsq.blazhkoMode);
  EXPECT_EQ(engine->lsq.m, m);
  EXPECT_EQ(engine->lsq.n, n);
}

TEST_F(BlazhkoTest, DialogOffersTheLastAnswersAndCancelRunsNothing) {
  engine->eph.frequency = 1.75;
  LoadStar(100);
  Command({"<cancel>"});
  EXPECT_TRUE(host.log.empty());
  EXPECT_TRUE(NoFiles());
  Command({"1.8", "0.02", "0.03"});
  ASSERT_EQ(dialogs.names, (std::vector<std::string>{"Blazhko", "Blazhko"}));
  EXPECT_EQ(dialogs.shown[0], "Blazhko effect");
  EXPECT_EQ(dialogs.shownFields[0][0].value, "1.75");  // the ephemeris frequency at first
  EXPECT_FALSE(dialogs.shownFields[0][1].valid("abc"));
  Command({"", "", ""});
  const auto& again = dialogs.shownFields[2];
  std::vector<std::string> labels, values;
  for (auto& f : again) labels.push_back(f.label), values.push_back(f.value);
  EXPECT_EQ(labels,
            (std::vector<std::string>{"Main frequency", "Modulation frequency from", "to"}));
  EXPECT_EQ(values, (std::vector<std::string>{"1.8", "0.02", "0.03"}));
}

struct BadInput {
  std::vector<std::string> fields;
  std::string message;
};
class BlazhkoBadInput : public BlazhkoTest, public ::testing::WithParamInterface<BadInput> {};
TEST_P(BlazhkoBadInput, IsRefusedWithAMessageNamingTheFieldAndWritesNothing) {
  LoadStar(100);
  Command(GetParam().fields);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Blazhko effect: " + GetParam().message});
  EXPECT_FALSE(host.LoggedPart("iter ="));
  EXPECT_TRUE(NoFiles());
}
INSTANTIATE_TEST_SUITE_P(
    Cases, BlazhkoBadInput,
    ::testing::Values(
        BadInput{{"1,8", "0.02", "0.03"}, "Main frequency \"1,8\" is not a number."},
        BadInput{{"-1.8", "0.02", "0.03"}, "Main frequency must be above 0."},
        BadInput{{"1.8", "0", "0.03"}, "Modulation frequency from must be above 0."},
        BadInput{{"1.8", "0.02", "0.03 d"}, "Modulation frequency to \"0.03 d\" is not a number."},
        BadInput{{"1.8", "0.04", "0.03"}, "Modulation frequency from 0.04 lies above to 0.03."}));

// An approximation of one night gives the same result, bit for bit, before
// and after the fit of every point, and the fit routine is back in its mode.
TEST_F(BlazhkoTest, ApproximationAfterTheFitIsTheSameAsBefore) {
  std::vector<double> night;
  for (int k = 0; k < 60; ++k) night.push_back(2455010.0 + 0.005 * k);
  LoadStar(200, 0.01, 3, night);
  engine->view.tMin = night.front();
  engine->view.tMax = night.back();
  auto approximate = [&](int method) {
    engine->lsq.m = 3;
    int prelim = 1;
    Approximate(*engine, prelim, 0);
    Approximate(*engine, method, 0);
    const auto& a = engine->approx;
    std::vector<double> r{double(method),       a.ExtremumTime,     a.ExtremumTimeSigma,
                          a.ExtremumMag,        a.ExtremumMagSigma, engine->lsq.ResidualSum,
                          double(engine->lsq.N)};
    for (int i = 1; i < kLsqDim; ++i) r.push_back(engine->lsq.Coef[i]);
    return r;
  };
  for (int method : {1, 5}) {
    const auto before = approximate(method);
    const int m = engine->lsq.m, n = engine->lsq.n;
    Command({"1.8", "0.02", "0.03"});
    EXPECT_TRUE(B().completed);
    EXPECT_FALSE(engine->lsq.blazhkoMode);
    EXPECT_EQ(engine->lsq.m, m);
    EXPECT_EQ(engine->lsq.n, n);
    EXPECT_EQ(approximate(method), before) << "method " << method;
    EXPECT_GE(before[6], 60);  // the night, and any random point in it
  }
}

}  // namespace
}  // namespace teril
