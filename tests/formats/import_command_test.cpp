// Opening a downloaded light curve in a file run: the "Import" dialog, the
// data file written beside the source, and the run on that file.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "support/file_run_fixture.h"

namespace teril::testing {
namespace {

// A ZTF-like table of two bands: g has three good rows and one flagged,
// r has two rows.
constexpr const char* kZtf =
    "oid,mjd,mag,magerr,catflags,filtercode\n"
    "1,58300.10,15.100,0.020,0,zg\n"
    "1,58300.20,15.300,0.025,0,zr\n"
    "1,58300.30,15.200,0.021,32768,zg\n"
    "1,58300.40,15.250,0.022,0,zg\n"
    "1,58300.50,15.350,0.030,0,zr\n"
    "1,58300.60,15.150,0.023,0,zg\n";

class ImportRunTest : public FileRunTest {};

TEST_F(ImportRunTest, SurveyTableOpensWithTheDefaultBandAndItsErrors) {
  const std::string path = WriteText("4099.csv", kZtf);
  dialogs.fieldAnswers.push_back({"", "", "", "", ""});  // every default
  Run(path, {";"});
  ASSERT_EQ(dialogs.names.size(), 1u);
  EXPECT_EQ(dialogs.names[0], "Import");
  const auto& f = dialogs.shownFields[0];
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0].label, "Bands");
  EXPECT_EQ(f[0].value, "zg");  // the band with most points
  EXPECT_EQ(f[4].label, "Drop flagged rows");
  // The data file of the run: the g band, the flagged row dropped, the
  // errors read as s.
  ASSERT_TRUE(std::filesystem::exists(dir / "4099_zg.dat"));
  EXPECT_EQ(engine->run.inputFile, "4099_zg.dat");
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, 3);
  EXPECT_NEAR(d.t[1], 58300.10, 1e-9);
  EXPECT_NEAR(d.x[2], 15.250, 1e-9);
  EXPECT_NEAR(d.t[3], 58300.60, 1e-9);
  EXPECT_TRUE(d.weightsLoaded);
  EXPECT_NEAR(d.s[1], 0.020, 1e-9);
  EXPECT_NEAR(d.s[3], 0.023, 1e-9);
  EXPECT_TRUE(host.LoggedPart("imported 3 points into \"4099_zg.dat\""));
}

TEST_F(ImportRunTest, TwoBandsCarryTheBandAsObserverCode) {
  const std::string path = WriteText("4099.csv", kZtf);
  dialogs.fieldAnswers.push_back({"zg zr", "", "", "", ""});
  Run(path, {";"});
  const DataSet& d = engine->data;
  ASSERT_EQ(d.n, 5);
  EXPECT_EQ(d.observer[1].str().substr(0, 2), "zg");
  EXPECT_EQ(d.observer[2].str().substr(0, 2), "zr");
  EXPECT_NEAR(d.x[2], 15.300, 1e-9);
  EXPECT_NEAR(d.s[2], 0.025, 1e-9);
}

TEST_F(ImportRunTest, ReloadReadsTheImportedFileWithoutAskingAgain) {
  const std::string path = WriteText("4099.csv", kZtf);
  dialogs.fieldAnswers.push_back({"", "", "", "", ""});
  // The reload key: the data file again, no dialog.
  Run(path, {"~3", ";"});
  EXPECT_EQ(dialogs.names.size(), 1u);
  EXPECT_EQ(engine->data.n, 3);
}

struct Refusal {
  const char* name;
  std::vector<std::string> answers;
  const char* message;  // part of the logged line
};

class ImportRefusalTest : public FileRunTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ImportRefusalTest, NothingIsWrittenAndTheRunEnds) {
  const std::string path = WriteText("4099.csv", kZtf);
  dialogs.fieldAnswers.push_back(GetParam().answers);
  Run(path, {";"});
  EXPECT_TRUE(host.LoggedPart(GetParam().message)) << GetParam().name;
  EXPECT_EQ(engine->data.n, 0);
  for (const auto& e : std::filesystem::directory_iterator(dir))
    EXPECT_NE(e.path().extension(), ".dat") << e.path();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ImportRefusalTest,
    ::testing::Values(Refusal{"missing band", {"zi", "", "", "", ""}, "zi"},
                      Refusal{"signal", {"", "", "", "3", ""}, "\"Signal\" must be 1"},
                      Refusal{"flux", {"", "KSP", "", "", ""}, "\"Flux column\" must be"},
                      Refusal{"mask", {"", "", "soft", "", ""}, "\"Quality mask\" must be"},
                      Refusal{"drop", {"", "", "", "", "yes"}, "\"Drop flagged rows\" must be"},
                      Refusal{"cancel", {"<cancel>"}, "Import cancelled"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n)
        if (c == ' ') c = '_';
      return n;
    });

TEST_F(ImportRunTest, TableWithoutSignalNamesFileAndLine) {
  const std::string path = WriteText("odd.csv", "time,colour\n1.0,red\n2.0,blue\n");
  Run(path, {";"});
  EXPECT_TRUE(host.LoggedPart("odd.csv"));
  EXPECT_TRUE(dialogs.names.empty());
  EXPECT_EQ(engine->data.n, 0);
}

TEST_F(ImportRunTest, ImportedDataFileOpenedDirectlyKeepsItsColumns) {
  const std::string source = WriteText("4099.csv", kZtf);
  dialogs.fieldAnswers.push_back({"", "", "", "", ""});
  Run(source, {";"});
  // A new program opens the written file itself: x and s where the
  // header lines say.
  engine = std::make_unique<Engine>(host, dialogs, EngineOptions{(dir / "work").string()});
  Run((dir / "4099_zg.dat").string(), {";"});
  ASSERT_EQ(engine->data.n, 3);
  EXPECT_NEAR(engine->data.x[1], 15.100, 1e-9);
  EXPECT_NEAR(engine->data.s[1], 0.020, 1e-9);
  EXPECT_TRUE(engine->data.weightsLoaded);
}

}  // namespace
}  // namespace teril::testing
