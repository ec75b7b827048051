#include "data/settings.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "base/io.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class SettingsTest : public testing::EngineTest {
 protected:
  std::string Marker() { return std::string(1, static_cast<char>(255)); }
  void WriteSettingsText(const std::string& text) {
    std::filesystem::create_directories(dir / "work");
    WriteText("work/c.z", text);
  }
};

TEST_F(SettingsTest, OldFourFieldFileIsReadAndRewrittenWithSixFields) {
  WriteSettingsText(Marker() + " 5 100.5 0.5");
  ReadSettings(*engine);
  EXPECT_DOUBLE_EQ(engine->eph.epochT0, 100.5);
  EXPECT_DOUBLE_EQ(engine->eph.period, 0.5);
  EXPECT_DOUBLE_EQ(engine->eph.frequency, 2.0);
  EXPECT_DOUBLE_EQ(engine->eph.Q, 0);
  EXPECT_EQ(engine->eph.NNH, 8);
  std::string text = ReadText("work/c.z");
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text[0], static_cast<char>(255));
  EXPECT_EQ(text.substr(1), " 6 100.5 0.5 0 8\n");
}

TEST_F(SettingsTest, ZeroPeriodBecomesOneAndNnhIsClamped) {
  WriteSettingsText(Marker() + " 1 2 0 0.001 900\n");
  ReadSettings(*engine);
  EXPECT_DOUBLE_EQ(engine->eph.period, 1.0);
  EXPECT_DOUBLE_EQ(engine->eph.frequency, 1.0);
  EXPECT_DOUBLE_EQ(engine->eph.Q, 0.001);
  EXPECT_EQ(engine->eph.NNH, 500);
  WriteSettingsText(Marker() + " 1 2 3 0 -5\n");
  ReadSettings(*engine);
  EXPECT_EQ(engine->eph.NNH, 1);
}

TEST_F(SettingsTest, WrongMarkerEndsTheProgramWithCodeThree) {
  WriteSettingsText("X 5 100.5 0.5");
  try {
    ReadSettings(*engine);
    FAIL() << "no exit";
  } catch (const ProgramExit& e) {
    EXPECT_EQ(e.code, 3);
  }
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].rfind("Error of the INI file. Please contact the author\n", 0), 0u);
  EXPECT_THROW(WriteSettings(*engine), ProgramExit);
}

TEST_F(SettingsTest, MissingFileIsIgnoredForReadingAndWriting) {
  std::filesystem::create_directories(dir / "work");
  engine->eph.period = 0.25;
  ReadSettings(*engine);
  WriteSettings(*engine);
  EXPECT_DOUBLE_EQ(engine->eph.period, 0.25);
  EXPECT_FALSE(std::filesystem::exists(dir / "work" / "c.z"));
}

TEST_F(SettingsTest, WriteKeepsTheCounterAndRoundTripsTheEphemeris) {
  WriteSettingsText(Marker() + " 41 0 1 0 8\n");
  engine->eph.epochT0 = 2459876.123456789;
  engine->eph.period = 0.812345678901;
  engine->eph.Q = -1.25e-10;
  engine->eph.NNH = 77;
  WriteSettings(*engine);
  Ephemeris saved = engine->eph;
  engine->eph = Ephemeris();
  ReadSettings(*engine);
  EXPECT_EQ(engine->eph.epochT0, saved.epochT0);
  EXPECT_EQ(engine->eph.period, saved.period);
  EXPECT_EQ(engine->eph.Q, saved.Q);
  EXPECT_EQ(engine->eph.NNH, 77);
  EXPECT_EQ(ReadText("work/c.z").substr(0, 5), Marker() + " 42 ");
}

TEST_F(SettingsTest, NewWorkFolderGetsAValidSettingsFile) {
  std::string folder = (dir / "fresh" / "teril").string();
  EnsureWorkFolder(folder);
  auto text = ReadFileIfExists(folder + "/c.z");
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, Marker() + " 0 0 1 0 8\n");
  // An existing folder without c.z gets one too, or an ephemeris typed in
  // would be lost at exit.
  std::filesystem::create_directories(dir / "bare");
  EXPECT_EQ(EnsureWorkFolder((dir / "bare").string()), "");
  EXPECT_EQ(ReadText("bare/c.z"), Marker() + " 0 0 1 0 8\n");
  // An existing c.z is kept as it is.
  const std::string own = Marker() + " 5 2450000.5 0.75 0 12\n";
  WriteText("bare/c.z", own);
  EnsureWorkFolder((dir / "bare").string());
  EXPECT_EQ(ReadText("bare/c.z"), own);
}

// The ephemeris typed into the dialog reaches the settings file of a work
// folder that existed without one.
TEST_F(SettingsTest, EphemerisIsKeptInAnExistingEmptyWorkFolder) {
  std::filesystem::create_directories(dir / "work");
  ResetEngine(*engine, true);
  engine->eph.period = 0.8125;
  WriteSettings(*engine);
  auto text = ReadFileIfExists((dir / "work" / "c.z").string());
  ASSERT_TRUE(text);
  EXPECT_NE(text->find(" 0.8125 "), std::string::npos) << *text;
}

TEST_F(SettingsTest, ResetTakesColumnAndEchoFromTheCommandLine) {
  engine->run.args = {"star.dat", "3", "-"};
  engine->checks.inverseX = true;
  engine->run.flags.lgX = true;
  ResetEngine(*engine, true);
  EXPECT_EQ(engine->run.columnX, 3);
  EXPECT_TRUE(engine->run.echoPoints);
  EXPECT_TRUE(engine->checks.inverseX);
  EXPECT_FALSE(engine->run.flags.lgX);
  EXPECT_EQ(engine->view.selectedObserver.str(), "   ");
  EXPECT_EQ(engine->view.savedTMin, 1e32);
}

// Re-open keeps the x axis as the check mark of "Inverse x" says, in both
// states; it used to switch the axis back while the menu stayed checked.
TEST_F(SettingsTest, ReopenKeepsTheInverseXCheckMark) {
  for (bool inverse : {true, false}) {
    engine->checks.inverseX = inverse;
    ResetEngine(*engine, false);
    EXPECT_EQ(engine->checks.inverseX, inverse);
    ResetEngine(*engine, true);
    EXPECT_EQ(engine->checks.inverseX, inverse);
  }
}

TEST_F(SettingsTest, ScratchExchangeWritesTAndReadsThemBack) {
  std::filesystem::create_directories(dir / "work");
  engine->data.n = 2;
  engine->data.t[1] = 1.5;
  engine->data.t[2] = 2.25;
  WriteText("work/tmp.qvx", "10.5\n20.5\n");
  EXPECT_TRUE(ExchangeScratchFiles(*engine));
  EXPECT_EQ(ReadText("work/qvx/tmp.qvx"), "    1.5000000\n    2.2500000\n");
  EXPECT_DOUBLE_EQ(engine->data.t[2], 20.5);
  WriteText("work/tmp.qvx", "1\n");
  EXPECT_FALSE(ExchangeScratchFiles(*engine));  // too few values: t unchanged
  EXPECT_DOUBLE_EQ(engine->data.t[2], 20.5);
  // Written by a tool that starts its text with a byte-order mark, CR LF.
  WriteText("work/tmp.qvx", "\xEF\xBB\xBF" "7.5\r\n8.5\r\n");
  EXPECT_TRUE(ExchangeScratchFiles(*engine));
  EXPECT_DOUBLE_EQ(engine->data.t[1], 7.5);
  EXPECT_DOUBLE_EQ(engine->data.t[2], 8.5);
}

// A counter of 1e300 would overflow the integer it becomes, and a period of
// 1e-320 has no finite frequency: the counter is held at its largest value
// and the period is taken as 1.0, as a period of 0 is.  // #17
TEST(SettingsText, HugeCounterIsHeldAndTinyPeriodBecomesOne) {
  SettingsValues v;
  ASSERT_TRUE(ParseSettingsText("\xFF 1e300 5 1e-320 0.5 12", v));
  EXPECT_EQ(v.counter, kMaxSettingsCounter);
  EXPECT_DOUBLE_EQ(v.period, 1.0);
  EXPECT_DOUBLE_EQ(v.epochT0, 5);
  EXPECT_EQ(v.NNH, 12);
  EXPECT_EQ(SettingsText(v), "\xFF 1000000000000000 5 1 0.5 12\n");
  EXPECT_FALSE(ParseSettingsText("", v));
  EXPECT_FALSE(ParseSettingsText("\xEF\xBB\xBF\xFF 1 2 3", v));
}

}  // namespace
}  // namespace teril
