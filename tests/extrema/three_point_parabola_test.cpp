// The three-point parabola: its vertex and errors against an independent
// vertex formula and its numerical derivatives, and the command with its
// file line, log lines and message.
#include "extrema/three_point_parabola.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/commands.h"
#include "engine/engine.h"
#include "extrema/extrema_fixture.h"

namespace teril {
namespace {

using P3 = std::array<double, 4>;

// The vertex -c1/(2 c2) of x = c0 + c1 t + c2 t^2 through the points, with
// c1 and c2 by Cramer's rule.
double VertexTime(const P3& t, const P3& x) {
  auto det = [](P3 a, P3 b, P3 c) {
    return a[1] * (b[2] * c[3] - b[3] * c[2]) - a[2] * (b[1] * c[3] - b[3] * c[1]) +
           a[3] * (b[1] * c[2] - b[2] * c[1]);
  };
  const P3 one{0, 1, 1, 1}, t2{0, t[1] * t[1], t[2] * t[2], t[3] * t[3]};
  return -det(one, x, t2) / (2 * det(one, t, x));
}

// sigma(t_e) is sigma_0 times the length of the gradient of t_e over the
// three signals, here by central differences of the formula above (#11).
class ThreePointErrors : public ::testing::TestWithParam<std::pair<P3, P3>> {};

TEST_P(ThreePointErrors, SigmaOfTheMomentFollowsTheNumericalDerivatives) {
  const auto [t, x] = GetParam();
  const ThreePointFit f = FitThreePoints(t, x, 0.03);
  ASSERT_EQ(f.outcome, ThreePointFit::kVertex);
  EXPECT_NEAR(f.tE, VertexTime(t, x), 1e-9);
  double sum = 0;
  for (int k = 1; k <= 3; ++k) {
    P3 up = x, down = x;
    up[k] += 1e-6;
    down[k] -= 1e-6;
    const double dt = (VertexTime(t, up) - VertexTime(t, down)) / 2e-6;
    sum += dt * dt;
  }
  EXPECT_NEAR(f.sigmaT, 0.03 * std::sqrt(sum), 1e-6 * f.sigmaT);
}

INSTANTIATE_TEST_SUITE_P(Uneven, ThreePointErrors,
                         ::testing::Values(std::pair{P3{0, 0, 1, 3}, P3{0, 10.4, 10.1, 10.9}},
                                           std::pair{P3{0, 1, 1.1, 1.5}, P3{0, 8.2, 8.0, 8.3}},
                                           std::pair{P3{0, 3, 4, 4.2}, P3{0, 9, 9.6, 9.5}}));

// Spacing h, x_1 = x_3: tau_e = 0, x_e = x_2, sigma(x_e) = sigma_0 and
// sigma_l(t_e) = sigma_0 sqrt(2)/(4 h a), negative for a maximum (a < 0).
TEST(ThreePointParabola, SymmetricPointsGiveTheMiddleWithErrorsOfTheSignOfA) {
  for (double depth : {0.1, -0.1}) {
    const ThreePointFit f =
        FitThreePoints({0, 6.75, 7, 7.25}, {0, 10 + depth, 10, 10 + depth}, 0.02);
    const double a = depth / (0.25 * 0.25);
    EXPECT_NEAR(f.a, a, 1e-12);
    EXPECT_EQ(f.tE, 7);
    EXPECT_DOUBLE_EQ(f.xE, 10);
    EXPECT_DOUBLE_EQ(f.sigmaX, 0.02);
    EXPECT_NEAR(f.sigmaSlope, 0.02 * std::sqrt(2.0) / (4 * 0.25 * a), 1e-12);
    EXPECT_NEAR(f.sigmaT, std::fabs(f.sigmaSlope), 1e-12);
  }
  // t_1 = t_3 (unsorted) has no parabola either; decimals on a straight
  // line have a curvature of rounding only.
  EXPECT_EQ(FitThreePoints({0, 1, 2, 1}, {0, 1, 2, 3}, 1).outcome, ThreePointFit::kSameTimes);
  EXPECT_EQ(FitThreePoints({0, 100.1, 100.2, 100.3}, {0, 10.1, 10.2, 10.3}, 1).outcome,
            ThreePointFit::kStraightLine);
  EXPECT_EQ(FitThreePoints({0, 100.1, 100.2, 100.3}, {0, 10.1, 10.2, 10.30001}, 1).outcome,
            ThreePointFit::kVertex);
}

class ThreePointCommand : public testing::ExtremaTest {
 protected:
  void SetUp() override {
    ExtremaTest::SetUp();
    engine->run.inputFile = "star.v.dat";
  }
  void Show(const std::vector<double>& t, const std::vector<double>& x, int j) {
    Load(t, x);  // the print format stays 11:5 and 8:5
    engine->view.j = j;
  }
  static double Column(const std::string& line, std::size_t from, std::size_t width) {
    return *ParseNumber(line.substr(from, width));
  }
};

TEST_F(ThreePointCommand, EdgePointsUseTheirInnerNeighbours) {
  const std::vector<double> t{1, 2, 3.5, 4, 6}, x{10.5, 10.1, 10.3, 10.2, 10.9};
  Show(t, x, 1);
  ThreePointParabola(*engine);
  EXPECT_EQ(engine->view.j, 1);  // the current point stays
  engine->view.j = 5;
  ThreePointParabola(*engine);
  auto lines = ReadLines("star_3p_par.dat");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NEAR(Column(lines[0], 0, 10), VertexTime({0, 1, 2, 3.5}, {0, 10.5, 10.1, 10.3}), 1e-4);
  EXPECT_NEAR(Column(lines[1], 0, 10), VertexTime({0, 3.5, 4, 6}, {0, 10.3, 10.2, 10.9}), 1e-4);
}

TEST_F(ThreePointCommand, SigmaInListSwitchesBetweenThreeAndEightColumnsKeepingOldLines) {
  engine->eph.frequency = 4;
  Show({1, 2, 3}, {10.2, 10.0, 10.1}, 2);
  dialogs.fieldAnswers = {{"0.05"}};
  RunNamedCommand(*engine, "Sigma0for3point1");
  EXPECT_EQ(dialogs.shown.back(), "Insert Sigma_0 for 3-point");
  EXPECT_FALSE(dialogs.shownFields.back()[0].valid("1,5"));  // OK stays disabled
  ThreePointParabola(*engine);
  RunNamedCommand(*engine, "Sigmainlist1");
  ThreePointParabola(*engine);
  RunNamedCommand(*engine, "Sigmainlist1");
  ThreePointParabola(*engine);
  auto lines = ReadLines("star_3p_par.dat");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 10u + 15 + 8);
  EXPECT_EQ(lines[0], lines[2]);
  ASSERT_EQ(lines[1].size(), 10u + 4 * 15 + 3 * 8);
  // Slopes -0.2 and 0.1 at h = 1: a = 0.15, l = -0.05, tau_e = 1/6,
  // x_e = x_2 - l^2/(4a); sigma(t_e) f in the seventh field.
  EXPECT_NEAR(Column(lines[1], 0, 10), 2 + 1.0 / 6, 1e-4);
  EXPECT_NEAR(Column(lines[1], 40, 15), 10 - 0.05 * 0.05 / 0.6, 1e-10);
  EXPECT_NEAR(Column(lines[1], 78, 8), Column(lines[1], 25, 15) * 4, 1e-5);
  EXPECT_EQ(lines[1].substr(86), " 0.05000");
}

TEST_F(ThreePointCommand, LogMessageAndPeriodCandidateOfAMinimumAtTwo) {
  Show({1, 2, 3}, {11, 10, 11}, 2);
  ThreePointParabolaKey(*engine);
  // P_lam = 10^2/1.1064, R_lam = sqrt(10/2.52065).
  EXPECT_EQ(host.messages.back(),
            "t_e=    2.0000000\n\r1/t_e=0.5\n\rx_e=10.0000000\n\rP_lam=   90.3832249\n\r"
            "R_lam= 1.9917908\n\r");
  EXPECT_TRUE(host.Logged("3-point parabola") && host.Logged("=1/ 0.5"));
  EXPECT_EQ(engine->classical.lastParabolaPeriod, 0.5);
  RunNamedCommand(*engine, "Sigmainlist1");
  ThreePointParabola(*engine);
  EXPECT_EQ(host.messages.back(),
            "t_e=    2.0000000 +-     0.3535534\n\r1/t_e=0.5\n\rx_e=10.0000000 +-  1.0000000");
}

TEST_F(ThreePointCommand, RefusalsWriteNothing) {
  Show({1, 2, 2}, {11, 10, 11}, 2);
  ThreePointParabola(*engine);
  EXPECT_EQ(host.messages.back(), "Can't compute: several data at a same time!");
  Show({1, 2, 3}, {11, 10.5, 10}, 2);
  ThreePointParabola(*engine);
  EXPECT_EQ(host.messages.back(), "No extremum: the three points lie on a straight line");
  Show({1, 2}, {11, 10}, 2);
  ThreePointParabola(*engine);
  EXPECT_EQ(host.messages.back(), "Can't compute: the 3-point parabola needs 3 visible points");
  EXPECT_FALSE(FileExists("star_3p_par.dat"));
}

TEST_F(ThreePointCommand, NumbersWiderThanTheirFieldsStaySeparated) {
  engine->eph.frequency = 1e5;  // sigma(t_e) f = 35355.3 for an 8-character field
  Show({1, 2, 3}, {-211, -210, -211}, 2);
  RunNamedCommand(*engine, "Sigmainlist1");
  ThreePointParabola(*engine);
  std::vector<double> fields;
  std::size_t used = 0;
  std::string line = ReadLines("star_3p_par.dat").at(0);
  for (std::string_view rest = line; auto v = ParseLeadingNumber(rest, used);) {
    fields.push_back(*v);
    rest.remove_prefix(used);
  }
  ASSERT_EQ(fields.size(), 8u) << line;
  EXPECT_EQ(fields[3], -210);
  EXPECT_NEAR(fields[6], std::sqrt(2.0) / 4 * 1e5, 1e-4);
}

}  // namespace
}  // namespace teril
