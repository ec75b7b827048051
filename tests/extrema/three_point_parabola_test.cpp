// The three-point parabola: its vertex and errors against independent
// formulas and numerical derivatives, and the command with its file line,
// log lines, message and marks.
#include "extrema/three_point_parabola.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "extrema/extrema_fixture.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "support/recording_canvas.h"

namespace teril {
namespace {

using P3 = std::array<double, 4>;

// The vertex of the parabola through three points, from the coefficients of
// x = c0 + c1 t + c2 t^2 solved by Cramer's rule: t_e = -c1/(2 c2).
double VertexTime(const P3& t, const P3& x) {
  auto det = [](double a, double b, double c, double d, double e, double f, double g, double h,
                double i) {
    return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  };
  const double D = det(1, t[1], t[1] * t[1], 1, t[2], t[2] * t[2], 1, t[3], t[3] * t[3]);
  const double c1 = det(1, x[1], t[1] * t[1], 1, x[2], t[2] * t[2], 1, x[3], t[3] * t[3]) / D;
  const double c2 = det(1, t[1], x[1], 1, t[2], x[2], 1, t[3], x[3]) / D;
  return -c1 / (2 * c2);
}

double VertexValue(const P3& t, const P3& x) {
  const double te = VertexTime(t, x);
  double v = 0;  // Lagrange form at te, written out
  for (int k = 1; k <= 3; ++k) {
    double w = x[k];
    for (int m = 1; m <= 3; ++m)
      if (m != k) w *= (te - t[m]) / (t[k] - t[m]);
    v += w;
  }
  return v;
}

struct ParabolaCase {
  P3 t;
  double top, curvature, level;  // x = level + curvature (t - top)^2
};

class ThreePointVertex : public ::testing::TestWithParam<ParabolaCase> {};

TEST_P(ThreePointVertex, PointsOnAParabolaGiveItsTopAndCurvature) {
  const ParabolaCase& c = GetParam();
  P3 x{};
  for (int k = 1; k <= 3; ++k) x[k] = c.level + c.curvature * (c.t[k] - c.top) * (c.t[k] - c.top);
  const ThreePointFit f = FitThreePoints(c.t, x, 1.0);
  ASSERT_EQ(f.outcome, ThreePointFit::kVertex);
  EXPECT_NEAR(f.tE, c.top, 1e-9);
  EXPECT_NEAR(f.a, c.curvature, 1e-9);
  EXPECT_NEAR(f.xE, c.level, 1e-9);
  EXPECT_NEAR(f.tauE, c.top - c.t[2], 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThreePointVertex,
    ::testing::Values(ParabolaCase{{0, 1, 2, 3}, 2.0, 0.5, 10},        // symmetric minimum
                      ParabolaCase{{0, 0, 1, 3}, 1.7, 0.3, 12},        // uneven spacing
                      ParabolaCase{{0, 5, 5.2, 6.1}, 5.9, -2.0, 8.5},  // a maximum
                      ParabolaCase{{0, 2450000.1, 2450000.15, 2450000.3}, 2450000.18, 40, 11}));

// sigma(t_e) is sigma_0 times the length of the gradient of t_e with
// respect to the three signals; here the gradient comes from central
// differences of the independent vertex formula above (#11: the factor
// tau_e/a of the curvature weights).
class ThreePointErrors : public ::testing::TestWithParam<std::pair<P3, P3>> {};

TEST_P(ThreePointErrors, SigmaOfTheMomentFollowsTheNumericalDerivatives) {
  const auto [t, x] = GetParam();
  const double sigma0 = 0.03;
  const ThreePointFit f = FitThreePoints(t, x, sigma0);
  ASSERT_EQ(f.outcome, ThreePointFit::kVertex);
  ASSERT_NE(f.tauE, 0);
  double sumT = 0, sumX = 0;
  for (int k = 1; k <= 3; ++k) {
    const double h = 1e-6;
    P3 up = x, down = x;
    up[k] += h;
    down[k] -= h;
    const double dt = (VertexTime(t, up) - VertexTime(t, down)) / (2 * h);
    EXPECT_NEAR(-f.g[k], dt, 1e-6 * (1 + std::fabs(dt))) << k;
    sumT += dt * dt;
    // The vertex is a stationary point, so x_e moves with x_k by the
    // Lagrange weight alone.
    const double dx = (VertexValue(t, up) - VertexValue(t, down)) / (2 * h);
    EXPECT_NEAR(f.lagrange[k], dx, 1e-6) << k;
    sumX += dx * dx;
  }
  EXPECT_NEAR(f.sigmaT, sigma0 * std::sqrt(sumT), 1e-6 * f.sigmaT);
  EXPECT_NEAR(f.sigmaX, sigma0 * std::sqrt(sumX), 1e-6 * f.sigmaX);
  EXPECT_NEAR(f.tE, VertexTime(t, x), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreePointErrors,
                         ::testing::Values(std::pair{P3{0, 0, 1, 3}, P3{0, 10.4, 10.1, 10.9}},
                                           std::pair{P3{0, 1, 1.1, 1.5}, P3{0, 8.2, 8.0, 8.3}},
                                           std::pair{P3{0, 3, 4, 5}, P3{0, 12, 11, 11.5}},
                                           std::pair{P3{0, 3, 4, 4.2}, P3{0, 9, 9.6, 9.5}}));

// Equal spacing h, x_1 = x_3: tau_e = 0, x_e = x_2, sigma(x_e) = sigma_0 and
// sigma_l(t_e) = sigma_0 sqrt(2)/(4 h a), negative for a maximum.
TEST(ThreePointParabola, SymmetricPointsGiveTheMiddleAndErrorsWithTheSignOfTheCurvature) {
  const double h = 0.25, sigma0 = 0.02;
  for (double depth : {0.1, -0.1}) {
    const P3 t{0, 7 - h, 7, 7 + h};
    const P3 x{0, 10 + depth, 10, 10 + depth};
    const ThreePointFit f = FitThreePoints(t, x, sigma0);
    ASSERT_EQ(f.outcome, ThreePointFit::kVertex);
    const double a = depth / (h * h);
    EXPECT_NEAR(f.a, a, 1e-12);
    EXPECT_EQ(f.tauE, 0);
    EXPECT_EQ(f.tE, 7);
    EXPECT_DOUBLE_EQ(f.xE, 10);
    EXPECT_DOUBLE_EQ(f.sigmaX, sigma0);
    EXPECT_NEAR(f.sigmaSlope, sigma0 * std::sqrt(2.0) / (4 * h * a), 1e-12);
    EXPECT_EQ(f.sigmaSlope < 0, depth < 0);
    // With tau_e = 0 only the slope carries an error into t_e.
    EXPECT_NEAR(f.sigmaT, std::fabs(f.sigmaSlope), 1e-12);
  }
}

TEST(ThreePointParabola, EqualTimesAndCollinearPointsGiveNoVertex) {
  EXPECT_EQ(FitThreePoints({0, 1, 1, 2}, {0, 1, 2, 1}, 1).outcome, ThreePointFit::kSameTimes);
  EXPECT_EQ(FitThreePoints({0, 1, 2, 2}, {0, 1, 2, 1}, 1).outcome, ThreePointFit::kSameTimes);
  // Unsorted with t_1 = t_3: h1 + h2 = 0.
  EXPECT_EQ(FitThreePoints({0, 1, 2, 1}, {0, 1, 2, 3}, 1).outcome, ThreePointFit::kSameTimes);
  EXPECT_EQ(FitThreePoints({0, 1, 2, 4}, {0, 3, 5, 9}, 1).outcome, ThreePointFit::kStraightLine);
  EXPECT_EQ(FitThreePoints({0, 1, 2, 3}, {0, 5, 5, 5}, 1).outcome, ThreePointFit::kStraightLine);
}

class ThreePointCommand : public testing::ExtremaTest {
 protected:
  testing::RecordingCanvas canvas;

  void SetUp() override {
    ExtremaTest::SetUp();
    engine->run.inputFile = "star.v.dat";
    AttachCanvas(*engine, &canvas);
  }
  void Show(const std::vector<double>& t, const std::vector<double>& x, int j) {
    Load(t, x);
    ResetView(*engine);
    engine->view.j = j;
    // The print format as a data file of 11:5 and 8:5 gives it (the view
    // fits the widths to the range).
    DataSet& d = engine->data;
    d.tWidth = 11;
    d.tDecimals = 5;
    d.xWidth = 8;
    d.xDecimals = 5;
  }
  // The characters from..from + width of a file line as a number.
  static double Column(const std::string& line, std::size_t from, std::size_t width) {
    return *ParseNumber(line.substr(from, width));
  }
};

// Five points with three different parabolae for the triples 1-3, 2-4, 3-5.
const std::vector<double> kT{1, 2, 3.5, 4, 6};
const std::vector<double> kX{10.5, 10.1, 10.3, 10.2, 10.9};

TEST_F(ThreePointCommand, EdgePointsUseTheirInnerNeighbours) {
  Show(kT, kX, 1);
  ThreePointParabola(*engine);
  EXPECT_EQ(engine->view.j, 1);  // the current point is not moved
  engine->view.j = 5;
  ThreePointParabola(*engine);
  engine->view.j = 3;
  ThreePointParabola(*engine);
  auto lines = ReadLines("star_3p_par.dat");
  ASSERT_EQ(lines.size(), 3u);
  auto vertex = [](int from) {
    return VertexTime({0, kT[from - 1], kT[from], kT[from + 1]},
                      {0, kX[from - 1], kX[from], kX[from + 1]});
  };
  EXPECT_NEAR(Column(lines[0], 0, 10), vertex(1), 1e-4);  // points 1..3
  EXPECT_NEAR(Column(lines[1], 0, 10), vertex(3), 1e-4);  // points 3..5
  EXPECT_NEAR(Column(lines[2], 0, 10), vertex(2), 1e-4);  // points 2..4
}

TEST_F(ThreePointCommand, SigmaInListSwitchesBetweenThreeAndEightColumnsKeepingOldLines) {
  engine->eph.epochT0 = 0.5;
  engine->eph.period = engine->eph.frequency = 4;  // f need not be 1/P
  Show({1, 2, 3}, {10.2, 10.0, 10.1}, 2);
  dialogs.fieldAnswers = {{"0.05"}};
  ASSERT_TRUE(RunNamedCommand(*engine, "Sigma0for3point1"));
  EXPECT_EQ(dialogs.names.back(), "InsSig3");
  EXPECT_EQ(dialogs.shown.back(), "Insert Sigma_0 for 3-point");
  ThreePointParabola(*engine);
  RunNamedCommand(*engine, "Sigmainlist1");
  EXPECT_TRUE(engine->Checked("Sigmainlist1"));
  ThreePointParabola(*engine);
  RunNamedCommand(*engine, "Sigmainlist1");
  ThreePointParabola(*engine);
  auto lines = ReadLines("star_3p_par.dat");
  ASSERT_EQ(lines.size(), 3u);
  // x = 10 + 0.15 (t - t_e)^2 - ... : slopes -0.2 and 0.1 give a = 0.15,
  // l = -0.05 at t = 2, tau_e = 1/6.
  const double te = 2 + 1.0 / 6, xe = 10 - 0.05 * 0.05 / (4 * 0.15);
  const double phase = (te - 0.5) * 4 - std::floor((te - 0.5) * 4);
  EXPECT_EQ(lines[0].size(), 10u + 15 + 8);
  EXPECT_EQ(lines[0], lines[2]);
  EXPECT_NEAR(Column(lines[0], 0, 10), te, 1e-4);
  EXPECT_NEAR(Column(lines[0], 10, 15), xe, 1e-10);
  EXPECT_NEAR(Column(lines[0], 25, 8), phase, 1e-5);
  ASSERT_EQ(lines[1].size(), 10u + 4 * 15 + 3 * 8);
  EXPECT_NEAR(Column(lines[1], 0, 10), te, 1e-4);
  // h = 1: wl = (-1/2, 0, 1/2), wa = (1/2, -1, 1/2); g = wl/(2a) + (tau/a) wa.
  const double a = 0.15, tau = 1.0 / 6;
  const double g1 = -0.5 / (2 * a) + tau / a * 0.5, g2 = -tau / a,
               g3 = 0.5 / (2 * a) + tau / a * 0.5;
  const double sigmaT = 0.05 * std::sqrt(g1 * g1 + g2 * g2 + g3 * g3);
  EXPECT_NEAR(Column(lines[1], 10, 15), 0.05 * std::sqrt(0.5) / (2 * a), 1e-10);
  EXPECT_NEAR(Column(lines[1], 25, 15), sigmaT, 1e-10);
  EXPECT_NEAR(Column(lines[1], 40, 15), xe, 1e-10);
  const double L1 = tau * (tau - 1) / 2, L2 = -(tau + 1) * (tau - 1), L3 = tau * (tau + 1) / 2;
  EXPECT_NEAR(Column(lines[1], 55, 15), 0.05 * std::sqrt(L1 * L1 + L2 * L2 + L3 * L3), 1e-10);
  EXPECT_NEAR(Column(lines[1], 70, 8), phase, 1e-5);
  EXPECT_NEAR(Column(lines[1], 78, 8), sigmaT * 4, 1e-5);
  EXPECT_EQ(lines[1].substr(86), " 0.05000");
}

TEST_F(ThreePointCommand, LogMessageAndPeriodCandidateOfAMinimumAtTwo) {
  Show({1, 2, 3}, {11, 10, 11}, 2);  // tWidth 11:5, xWidth 8:5 as loaded
  ThreePointParabolaKey(*engine);
  const std::string M =
      "t_e=    2.0000000\n\r1/t_e=0.5\n\rx_e=10.0000000\n\rP_lam=   90.3832249\n\r"
      "R_lam= 1.9917908\n\r";
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.back(), M);
  const std::vector<std::string> expected{
      "3-point parabola", "    2.0000000",       "=1/ 0.5",
      "x_e=10.0000000",   "P_lam=   90.3832249", "R_lam= 1.9917908"};
  ASSERT_GE(host.log.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(host.log.end() - expected.size(), host.log.end()), expected);
  EXPECT_EQ(engine->run.lastParabolaPeriod, 0.5);
  // P_lam and R_lam in the cleared left margin.
  bool cleared = false, pDrawn = false, rDrawn = false;
  for (auto& c : canvas.calls) {
    if (c.op == "FillRect" && c.a == 0 && c.b == 130 && c.c == 118 && c.d == 287) cleared = true;
    if (c.op == "Text" && c.a == 0 && c.b == 195 && c.text == "P_lam=   90.3832249") pDrawn = true;
    if (c.op == "Text" && c.a == 0 && c.b == 280 && c.text == "R_lam= 1.9917908") rDrawn = true;
  }
  EXPECT_TRUE(cleared && pDrawn && rDrawn);
}

TEST_F(ThreePointCommand, WithSigmaInListTheErrorsJoinTheMessageAndPLamIsLeftOut) {
  Show({1, 2, 3}, {11, 10, 11}, 2);
  RunNamedCommand(*engine, "Sigmainlist1");
  ThreePointParabola(*engine);
  // sigma_0 = 1, h = 1, a = 1: sigma(t_e) = sqrt(2)/4, sigma(x_e) = 1.
  EXPECT_EQ(host.messages.back(),
            "t_e=    2.0000000 +-     0.3535534\n\r1/t_e=0.5\n\rx_e=10.0000000 +-  1.0000000");
  EXPECT_TRUE(host.Logged("    0.3535534"));
  EXPECT_FALSE(host.LoggedPart("P_lam"));
}

TEST_F(ThreePointCommand, LgTModeLogsTheTenPowerAndLeavesThePeriodCandidate) {
  Show({1, 2, 3}, {11, 10, 11}, 2);
  engine->run.flags.lgT = true;
  ThreePointParabola(*engine);
  EXPECT_TRUE(host.Logged("=lg 100"));
  EXPECT_EQ(engine->run.lastParabolaPeriod, 0);
}

TEST_F(ThreePointCommand, NegativeMomentRepeatsTheLineAndGivesNoReciprocal) {
  Show({-3, -2, -1}, {11, 10, 11}, 2);
  ThreePointParabola(*engine);
  EXPECT_EQ(host.messages.back().find("1/t_e"), std::string::npos);
  int count = 0;
  for (auto& l : host.log) count += l == "   -2.0000000";
  EXPECT_EQ(count, 2);
  EXPECT_EQ(engine->run.lastParabolaPeriod, 0);
}

TEST_F(ThreePointCommand, TheVertexIsMarkedByACircleAndACross) {
  Show({1, 2, 3}, {11, 10, 11}, 2);
  const std::size_t before = canvas.calls.size();
  ThreePointParabola(*engine);
  const int px = ToPixelX(*engine, 2.0), py = ToPixelY(*engine, 10.0);
  int circles = 0, horizontal = 0, vertical = 0;
  for (std::size_t i = before; i < canvas.calls.size(); ++i) {
    const auto& c = canvas.calls[i];
    if (c.op == "Ellipse" && c.a == px - 3 && c.b == py - 3 && c.c == px + 3 && c.d == py + 3)
      ++circles;
    if (c.op == "LineTo" && c.a == px - 5 && c.b == py && c.c == px + 5 && c.d == py) ++horizontal;
    if (c.op == "LineTo" && c.a == px && c.b == py - 5 && c.c == px && c.d == py + 5) ++vertical;
  }
  EXPECT_EQ(circles, 1);
  EXPECT_EQ(horizontal, 1);
  EXPECT_EQ(vertical, 1);
}

TEST_F(ThreePointCommand, EqualTimesStraightLinesAndTooFewPointsWriteNothing) {
  Show({1, 2, 2}, {11, 10, 11}, 2);
  ThreePointParabola(*engine);
  EXPECT_EQ(host.messages.back(), "Can't compute: several data at a same time!");
  Show({1, 2, 3}, {11, 10.5, 10}, 2);
  ThreePointParabola(*engine);
  EXPECT_EQ(host.messages.back(), "No extremum: the three points lie on a straight line");
  Show({1, 2}, {11, 10}, 2);
  ThreePointParabola(*engine);
  EXPECT_NE(host.messages.back().find("3 visible points"), std::string::npos);
  EXPECT_FALSE(FileExists("star_3p_par.dat"));
  EXPECT_EQ(host.messages.size(), 3u);
}

TEST_F(ThreePointCommand, WideNumbersStaySeparatedInTheFileLine) {
  // Phase 0.5 and sigma f = 1e3 fill their 8-character fields.
  engine->eph.frequency = 1e5;
  Show({1, 2, 3}, {-211, -210, -211}, 2);
  RunNamedCommand(*engine, "Sigmainlist1");
  ThreePointParabola(*engine);
  auto lines = ReadLines("star_3p_par.dat");
  ASSERT_EQ(lines.size(), 1u);
  std::vector<double> fields;
  std::size_t used = 0;
  std::string_view rest = lines[0];
  while (auto v = ParseLeadingNumber(rest, used)) {
    fields.push_back(*v);
    rest.remove_prefix(used);
  }
  ASSERT_EQ(fields.size(), 8u) << lines[0];
  EXPECT_DOUBLE_EQ(fields[3], -210);
  EXPECT_EQ(fields[5], 0);  // phase of t_e = 2 with f = 1e5
  EXPECT_NEAR(fields[6], std::sqrt(2.0) / 4 * 1e5, 1e-4);
  EXPECT_EQ(fields[7], 1);
}

TEST_F(ThreePointCommand, SigmaZeroDialogRefusesTextThatIsNotANumber) {
  dialogs.fieldAnswers = {{"abc"}, {"2.5e-2"}};
  RunNamedCommand(*engine, "Sigma0for3point1");
  EXPECT_EQ(engine->classical.sigma0Text, "1");
  EXPECT_TRUE(host.Logged("\"abc\" is not a number; Sigma_0 stays 1"));
  ASSERT_TRUE(dialogs.shownFields.back()[0].valid);
  EXPECT_FALSE(dialogs.shownFields.back()[0].valid("1,5"));
  EXPECT_TRUE(dialogs.shownFields.back()[0].valid(" 0.01 "));
  RunNamedCommand(*engine, "Sigma0for3point1");
  EXPECT_EQ(engine->classical.sigma0Text, "2.5e-2");
  EXPECT_EQ(dialogs.shownFields.back()[0].value, "1");  // offered: the text kept before
}

}  // namespace
}  // namespace teril
