#include "extrema/approximation_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/extrema_fixture.h"
#include "extrema/models.h"
#include "plot/draw.h"
#include "plot/view.h"
#include "support/recording_canvas.h"

namespace teril {
namespace {

class ApproximationCommandTest : public testing::ExtremaTest {
 protected:
  testing::RecordingCanvas canvas;

  void SetUp() override {
    ExtremaTest::SetUp();
    engine->run.inputFile = "a.b.txt";
    AttachCanvas(*engine, &canvas);
  }

  // A parabola x = 10 + (t - 12)^2 / 50 on t = 0..24: a minimum at t = 12.
  void LoadParabola() {
    LoadFunction(25, [](double t) { return 10 + (t - 12) * (t - 12) / 50; });
    ResetView(*engine);
  }

  std::vector<std::string> SavedPictures() const {
    std::vector<std::string> names;
    for (auto& c : canvas.calls)
      if (c.op == "SaveRect") names.push_back(c.text);
    return names;
  }
};

TEST_F(ApproximationCommandTest, TwoPointsAreTooFewForThePolynomial) {
  LoadFunction(2, [](double t) { return t; });
  RunPolynomialCommand(*engine, 1);
  EXPECT_TRUE(host.Logged("Polynomial approximation"));
  EXPECT_TRUE(host.Logged("Number of points too small2"));
  EXPECT_EQ(host.log.back(), " ");
  EXPECT_FALSE(FileExists("a_apr.dat"));
}

TEST_F(ApproximationCommandTest, PolynomialOnAParabolaFilesTheVertex) {
  LoadParabola();
  dialogs.yesNoAnswers = {true};
  RunPolynomialCommand(*engine, 1);
  EXPECT_TRUE(host.Logged("time of extremum 12"));
  EXPECT_TRUE(host.Logged("mag of extremum 10"));
  EXPECT_TRUE(host.Logged("degree 2"));
  auto extr = ReadLines("extr.dat");
  ASSERT_EQ(extr.size(), 2u);
  EXPECT_EQ(extr[0],
            "Extremum: time +-  mag +-  lin coef nonlin coef filename  point start  end "
            "max_or_min   method");
  // T, sigma T, M, sigma M in the 23-character form, then m, n - m, the
  // file, L, R, min/max and the method word.
  EXPECT_EQ(extr[1].substr(0, 23), Sci23(engine->approx.ExtremumTime));
  EXPECT_NEAR(engine->approx.ExtremumTime, 12.0, 1e-9);
  // The vertex is the smallest signal: with magnitudes that is a maximum of
  // brightness ("min" is filed when M is at least the mean signal).
  EXPECT_EQ(extr[1].substr(96), "3 0 a.b.txt 1 25 max polynomial");
}

TEST_F(ApproximationCommandTest, CurveFileHasOneHeaderAnd501LinesPerRun) {
  LoadParabola();
  dialogs.yesNoAnswers = {false, false};
  RunPolynomialCommand(*engine, 1);
  RunPolynomialCommand(*engine, 1);
  auto lines = ReadLines("a_apr.dat");
  ASSERT_EQ(lines.size(), 1u + 2 * 501);
  EXPECT_EQ(lines[0], "t x_c x_c-sigmx_c x_c+sigmx_c");
  EXPECT_EQ(lines[1].size(), 4 * 23 + 3u);
  // The first line is at the first point, the middle one at the vertex; the
  // points lie on the parabola, so the band is empty.
  auto field = [](const std::string& l, int k) { return *ParseNumber(l.substr(k * 24, 23)); };
  EXPECT_NEAR(field(lines[1], 0), 0.0, 1e-12);
  EXPECT_NEAR(field(lines[1], 1), 10 + 144.0 / 50, 1e-9);
  EXPECT_NEAR(field(lines[251], 0), 12.0, 1e-12);
  EXPECT_NEAR(field(lines[251], 1), 10.0, 1e-9);
  EXPECT_NEAR(field(lines[251], 2), field(lines[251], 3), 1e-6);
  EXPECT_NEAR(field(lines[501], 0), 24.0, 1e-12);
  // Declined twice: no extr.dat, but a picture each time.
  EXPECT_FALSE(FileExists("extr.dat"));
  EXPECT_EQ(SavedPictures(),
            (std::vector<std::string>{"a_n1_1_n2_25_Pol.bmp", "a_n1_1_n2_25_Pol.bmp"}));
}

TEST_F(ApproximationCommandTest, PictureIsNotSavedWhenSaveImageIsUnchecked) {
  LoadParabola();
  engine->checks.saveImage = false;
  RunPolynomialCommand(*engine, 1);
  EXPECT_TRUE(SavedPictures().empty());
  // The picture is the plot's rectangle scaled to 603 x 319.
  engine->checks.saveImage = true;
  RunPolynomialCommand(*engine, 1);
  ASSERT_EQ(SavedPictures().size(), 1u);
  for (auto& c : canvas.calls)
    if (c.op == "SaveRect") {
      EXPECT_EQ(c.a, 20);
      EXPECT_EQ(c.b, 0);
      EXPECT_EQ(c.c, 620);
      EXPECT_EQ(c.d, 318);
    }
}

TEST_F(ApproximationCommandTest, ErrorCrossAndCurveAreDrawnInTheirColours) {
  LoadParabola();
  RunPolynomialCommand(*engine, 1);
  int red = 0, curve = 0;
  for (auto& c : canvas.calls) {
    if (c.op != "LineTo") continue;
    if (c.pen == Palette[10]) ++red;
    if (c.pen == Palette[13] || c.pen == Palette[14]) ++curve;
  }
  EXPECT_EQ(red, 6);  // three vertical and three horizontal lines
  EXPECT_GT(curve, 400);
  EXPECT_EQ(canvas.pen, Palette[13]);  // green at the end
}

TEST_F(ApproximationCommandTest, WrongCurvatureFallsBackToWslAndIsFiledAsWsl) {
  // Steep walls around a central cap curved downward: the preliminary
  // parabola opens upward, the central part of WSP downward.
  LoadFunction(61, [](double t) {
    const double u = t / 30.0 - 1.0;
    const double a = std::fabs(u) - 0.4;
    if (a <= 0) return 10.0 + 0.3 * (1.0 - (u / 0.4) * (u / 0.4));
    return 10.0 + 4.0 * a * std::sqrt(a);
  });
  ResetView(*engine);
  dialogs.yesNoAnswers = {true};
  RunNonlinearCommand(*engine, 5);
  // The heading names WSP, the lines after it the WSL result.
  auto heading = std::find(host.log.begin(), host.log.end(), "WSP approximation");
  auto message = std::find(host.log.begin(), host.log.end(),
                           "The central part is curved in the wrong direction. WSL instead of "
                           "choosen method");
  ASSERT_NE(heading, host.log.end());
  ASSERT_NE(message, host.log.end());
  EXPECT_LT(heading, message);
  EXPECT_TRUE(host.LoggedPart("Duration of eclipse "));
  auto extr = ReadLines("extr.dat");
  ASSERT_EQ(extr.size(), 2u);
  EXPECT_EQ(extr[1].substr(extr[1].rfind(' ') + 1), "wsl");
  EXPECT_EQ(SavedPictures(), (std::vector<std::string>{"a_n1_1_n2_61_WSL.bmp"}));
}

TEST_F(ApproximationCommandTest, PictureNamesInABatchCarryTheIntervalNumber) {
  LoadParabola();
  engine->lsq.L = 3;
  engine->lsq.R = 17;
  EXPECT_EQ(PictureName(*engine, 5), "a_n1_3_n2_17_WSP.bmp");
  engine->approxOut.BatchMode = true;
  engine->approxOut.intervalCounter = 12;
  EXPECT_EQ(PictureName(*engine, 8), "a_int_000012_Pspline.bmp");
  engine->approxOut.intervalCounter = 1234567;
  EXPECT_EQ(PictureName(*engine, 1), "a_int_234567_Pol.bmp");
  EXPECT_EQ(ResultStem("star"), "star");
}

TEST_F(ApproximationCommandTest, BatchModeFilesWithoutAsking) {
  LoadParabola();
  engine->approxOut.BatchMode = true;
  RunPolynomialCommand(*engine, 1);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(ReadLines("extr.dat").size(), 2u);
}

TEST_F(ApproximationCommandTest, RegistryHasTheMenuItemsWithTheirShortcuts) {
  auto items = ApproximationCommands();
  ASSERT_EQ(items.size(), 12u);
  EXPECT_EQ(items[2].name, "wsp1");
  EXPECT_EQ(items[2].shortcut, "Ctrl+Alt+W");
  EXPECT_FALSE(items[9].visible);  // bsk
  EXPECT_EQ(items[11].name, "Savepicture1");
  EXPECT_TRUE(engine->checks.saveImage);
  items[11].handler(*engine);
  EXPECT_FALSE(engine->checks.saveImage);
}

}  // namespace
}  // namespace teril
