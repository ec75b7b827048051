#include "data/save.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/io.h"
#include "engine/engine.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

using testing::EngineTest;

// Two points: t 2450001.5 / 2450002.25 (format 10:2), x 12.3 / 11.05
// (format 7:3), s 0.02 / 0.015, observer "ABC" / "Z".
class SaveTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    DataSet& d = engine->data;
    d.n = 2;
    d.t[1] = d.t0[1] = 2450001.5;
    d.t[2] = d.t0[2] = 2450002.25;
    d.x[1] = 12.3;
    d.x[2] = 11.05;
    d.s[1] = 0.02;
    d.s[2] = 0.015;
    d.observer[1] = ObserverCode("ABC");
    d.observer[2] = ObserverCode("Z");
    d.tWidth = 10;
    d.tDecimals = 2;
    d.xWidth = 7;
    d.xDecimals = 3;
    engine->run.outputFile = "star.da$";
    engine->view.firstVisible = 1;
    engine->view.lastVisible = 2;
    engine->view.tMin = 2450001;
    engine->view.tMax = 2450003;
  }
};

struct LayoutCase {
  std::string name;
  bool weights, phased;
  std::string line1, line2;
};

class SaveLayoutTest : public SaveTest, public ::testing::WithParamInterface<LayoutCase> {};

// Widths counted by hand: t 10:2 ("2450001.50" fills it), phased t 12:4,
// x and s 7:3, t0 10:2, t + 1 12:4.
TEST_P(SaveLayoutTest, LinesOfTheFourLayouts) {
  const LayoutCase& c = GetParam();
  DataSet& d = engine->data;
  d.weightsLoaded = c.weights;
  d.phased = c.phased;
  if (c.phased) {
    d.t[1] = 0.25;
    d.t[2] = -0.125;
  }
  engine->run.modified = true;
  SaveDataSet(*engine);
  EXPECT_EQ(ReadLines("star.da$"), (std::vector<std::string>{c.line1, c.line2}));
  EXPECT_FALSE(engine->run.modified);
  ASSERT_GE(host.log.size(), 2u);
  EXPECT_EQ(host.log[host.log.size() - 2], "LOG>>Saving file to star.da$");
  EXPECT_EQ(host.log.back(), "LOG>>Save complete!");
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SaveLayoutTest,
    ::testing::Values(LayoutCase{"NoWeightsNotPhased", false, false, "2450001.50 12.300 ABC",
                                 "2450002.25 11.050 Z"},
                      LayoutCase{"WeightsNotPhased", true, false, "2450001.50 12.300   0.020 ABC",
                                 "2450002.25 11.050   0.015 Z"},
                      LayoutCase{"NoWeightsPhased", false, true,
                                 "      0.2500 12.300 2450001.50      1.2500 ABC",
                                 "     -0.1250 11.050 2450002.25      0.8750 Z"},
                      LayoutCase{"WeightsPhased", true, true,
                                 "      0.2500 12.300   0.020 2450001.50      1.2500 ABC",
                                 "     -0.1250 11.050   0.015 2450002.25      0.8750 Z"}),
    [](const auto& info) { return info.param.name; });

TEST_F(SaveTest, NumbersThatFillTheirWidthStaySeparated) {
  engine->data.x[1] = -123.5;  // "-123.500" is wider than 7
  EXPECT_EQ(SavedLine(engine->data, 1), "2450001.50 -123.500 ABC");
}

TEST_F(SaveTest, SavedFileReplacesThePreviousOne) {
  WriteText("star.da$", "old content\nmore\n");
  SaveDataSet(*engine);
  EXPECT_EQ(ReadText("star.da$"), "2450001.50 12.300 ABC\n2450002.25 11.050 Z\n");
}

TEST_F(SaveTest, FailedSaveThrowsAndLeavesNoTemporaryFile) {
  engine->run.outputFile = "missing-folder/star.da$";
  engine->run.modified = true;
  EXPECT_THROW(SaveDataSet(*engine), IoError);
  EXPECT_TRUE(engine->run.modified);
  EXPECT_FALSE(host.Logged("LOG>>Save complete!"));
  // A target that is a folder cannot be replaced: the folder stays and no
  // temporary file is left behind.
  std::filesystem::create_directory(dir / "taken");
  engine->run.outputFile = "taken";
  EXPECT_THROW(SaveDataSet(*engine), IoError);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
  for (auto& entry : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find(".tmp~"), std::string::npos)
        << entry.path();
}

TEST(VisibleFileName, NamePartWithoutExtensionAndRange) {
  EXPECT_EQ(VisibleFileName("star.da$", 3, 17), "star_3_17.dat");
  EXPECT_EQ(VisibleFileName("ab$.dat", 1, 5), "ab$_1_5.dat");
  EXPECT_EQ(VisibleFileName("data.$", 10, 200), "data_10_200.dat");
  EXPECT_EQ(VisibleFileName("out/v.cyg.dat", 2, 4), "v.cyg_2_4.dat");
  EXPECT_EQ(VisibleFileName("plain", 1, 1), "plain_1_1.dat");
}

TEST_F(SaveTest, SaveVisibleWritesOnlyPointsInsideTheWindow) {
  engine->view.tMax = 2450002;  // the second point is outside
  engine->run.modified = true;
  EXPECT_EQ(SaveVisible(*engine), "star_1_2.dat");
  EXPECT_EQ(ReadLines("star_1_2.dat"), std::vector<std::string>{"2450001.50 12.300 ABC"});
  EXPECT_TRUE(host.Logged(">>Save of visible complete! File=star_1_2.dat"));
  EXPECT_FALSE(engine->run.modified);
}

TEST_F(SaveTest, SaveVisiblePhasedWithWeights) {
  DataSet& d = engine->data;
  d.phased = true;
  d.weightsLoaded = true;
  d.t[1] = 0.25;
  d.t[2] = -0.2;
  engine->view.tMin = -0.5;
  engine->view.tMax = 0.5;
  SaveVisible(*engine);
  // t x, blank, t0, blank, observer, then s, blank and the observer again.
  EXPECT_EQ(ReadLines("star_1_2.dat"),
            (std::vector<std::string>{"      0.25 12.300 2450001.50 ABC  0.020 ABC",
                                      "     -0.20 11.050 2450002.25 Z  0.015 Z"}));
}

}  // namespace
}  // namespace teril
