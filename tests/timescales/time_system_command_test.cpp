// "Time system..." (:TimeSystem1) driven through the key loop: the dialog
// filled from the header lines and from what was typed before, the
// conversion of t, its refusals, the way back and the reload.
#include "timescales/time_system_command.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "support/file_run_fixture.h"
#include "timescales/time_conversion.h"

namespace teril {
namespace {

constexpr double kRaDeg = 83.63308, kDecDeg = 22.0145;
constexpr int kPoints = 12;

// The times of the test file: JD(UTC) in June 2020, five decimals as
// printed.
double FileTime(int i) { return std::round((2459000.0 + 0.37 * i + 0.0123 * i * i) * 1e5) / 1e5; }

class TimeSystemCommandTest : public testing::FileRunTest {
 protected:
  void SetUp() override {
    FileRunTest::SetUp();
    engine->console.writeLogFile = false;
  }

  // A data file whose header names the time system and the star, as the
  // import writes them.
  std::string StarFile(const std::string& name = "star.dat",
                       const std::string& timeLine = "# time = JD_UTC") {
    std::string text = "# star: test\n" + timeLine + "\n# RA = " + General(kRaDeg) +
                       " deg\n# Dec = " + General(kDecDeg) + " deg\n";
    for (int i = 0; i < kPoints; ++i)
      text += Str(FileTime(i), 13, 5) + " " + Str(12.0 + 0.01 * i, 6, 3) + "\n";
    return WriteText(name, text);
  }

  std::vector<double> Times() const {
    const DataSet& d = engine->data;
    return std::vector<double>(d.t.begin() + 1, d.t.begin() + 1 + d.n);
  }
  static std::vector<double> FileTimes() {
    std::vector<double> t;
    for (int i = 0; i < kPoints; ++i) t.push_back(FileTime(i));
    return t;
  }

  // The same conversion computed directly.
  static std::vector<double> Expected(const std::vector<double>& t, TimeSystemFields f) {
    Parsed<TimeConversion> c = ParseTimeSystemFields(f);
    EXPECT_TRUE(c) << c.error;
    TimeConversionResult r = ConvertTimes(t, *c.value);
    EXPECT_TRUE(r.ok()) << r.error;
    return r.t;
  }
  static TimeSystemFields ToBjd() {
    return {"JD", "UTC", "GEO", "BJD_TDB", "JD", General(kRaDeg), General(kDecDeg), "", "", ""};
  }

  std::vector<std::string> Shown(std::size_t k) const {
    std::vector<std::string> v;
    for (const DialogField& f : dialogs.shownFields.at(k)) v.push_back(f.value);
    return v;
  }
  bool Drawn(const std::string& part) const {
    for (const auto& c : canvas.calls)
      if (c.op == "Text" && c.text.find(part) != std::string::npos) return true;
    return false;
  }
};

TEST_F(TimeSystemCommandTest, ConvertsToBjdWithTheFieldsOfTheHeader) {
  dialogs.fieldAnswers.push_back({"", "", "", "BJD_TDB"});
  Run(StarFile(), {":TimeSystem1"});

  ASSERT_EQ(dialogs.names, (std::vector<std::string>{"TimeSystem"}));
  EXPECT_EQ(dialogs.shown[0], "Time system");
  std::vector<std::string> labels;
  for (const DialogField& f : dialogs.shownFields[0]) labels.push_back(f.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"Reference now", "Scale now", "Place now",
                                              "Convert to", "Reference after", "Right ascension",
                                              "Declination", "Longitude", "Latitude", "Height"}));
  EXPECT_EQ(Shown(0), (std::vector<std::string>{"JD", "UTC", "GEO", "BJD_TDB", "JD", "83.63308",
                                                "22.0145", "", "", ""}));

  const std::vector<double> expected = Expected(FileTimes(), ToBjd());
  const std::vector<double> t = Times();
  ASSERT_EQ(t.size(), expected.size());
  for (std::size_t i = 0; i < t.size(); ++i) {
    EXPECT_EQ(t[i], expected[i]) << i;
    EXPECT_EQ(engine->data.t0[i + 1], expected[i]) << i;
    // BJD_TDB - JD_UTC: TDB - UTC = 69.184 s + under 2 ms in 2020, plus
    // the light time across the Earth's orbit, at most 1.017 au * 499 s.
    const double shift = (t[i] - FileTime(static_cast<int>(i))) * 86400;
    EXPECT_LT(std::fabs(shift - 69.184), 508) << i;
  }
  EXPECT_GE(engine->data.tDecimals, 6);
  EXPECT_GE(engine->data.tWidth, 14);  // "2459000.123456" keeps its 1e-6 d
  EXPECT_TRUE(host.LoggedPart("LOG>> time system: JD_UTC -> BJD_TDB, reference JD -> JD"));
  EXPECT_TRUE(host.LoggedPart("RA 83.63308 deg, Dec 22.0145 deg, geocentre; 12 points"));
  // The end of the run warns about the unsaved conversion.
  EXPECT_TRUE(Drawn("Write reduced data to file"));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TimeSystemCommandTest, SecondConversionRefusedAndTheWayBackReturnsTheTimes) {
  dialogs.fieldAnswers.push_back({"", "", "", "BJD_TDB", "BTJD"});
  dialogs.fieldAnswers.push_back({"", "", "", "BJD_TDB", "BTJD"});
  dialogs.fieldAnswers.push_back({"", "", "", "", "JD"});
  Run(StarFile(), {":TimeSystem1", ":TimeSystem1", ":TimeSystem1"});

  ASSERT_EQ(dialogs.shownFields.size(), 3u);
  // After the conversion the dialog starts from the system t is in, and
  // offers the way back.
  EXPECT_EQ(Shown(1)[0], "BTJD");
  EXPECT_EQ(Shown(1)[1], "TDB");
  EXPECT_EQ(Shown(1)[2], "BAR");
  EXPECT_EQ(Shown(1)[3], "JD_UTC");
  EXPECT_EQ(
      host.messages,
      (std::vector<std::string>{"Time system: the times are already BJD_TDB (reference BTJD)"}));
  EXPECT_TRUE(host.Logged(
      "!!! Time system refused: the times are already BJD_TDB (reference BTJD); data unchanged"));
  EXPECT_TRUE(host.LoggedPart("time system: JD_UTC -> BJD_TDB, reference JD -> BTJD"));
  EXPECT_TRUE(host.LoggedPart("time system: BJD_TDB -> JD_UTC, reference BTJD -> JD"));
  const std::vector<double> t = Times();
  for (int i = 0; i < kPoints; ++i) EXPECT_NEAR(t[i], FileTime(i), 1e-9) << i;
}

TEST_F(TimeSystemCommandTest, NowFieldsMustAgreeWithAnEarlierConversion) {
  dialogs.fieldAnswers.push_back({"", "", "", "BJD_TDB"});
  // Claims the times are still UTC at the observer.
  dialogs.fieldAnswers.push_back({"JD", "UTC", "GEO", "HJD_UTC"});
  Run(StarFile(), {":TimeSystem1", ":TimeSystem1"});
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "Time system: the times are BJD_TDB (reference JD) since the last conversion, not "
            "JD_UTC (reference JD)");
  EXPECT_EQ(Times(), Expected(FileTimes(), ToBjd()));
}

TEST_F(TimeSystemCommandTest, TransformedArgumentRefusedWithoutTheDialog) {
  Run(StarFile(), {"T", ":TimeSystem1"});  // t := lg t
  EXPECT_TRUE(dialogs.shownFields.empty());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("t does not hold the times (point 1"), std::string::npos)
      << host.messages[0];
  for (int i = 0; i < kPoints; ++i)
    EXPECT_DOUBLE_EQ(engine->data.t[i + 1], std::log10(FileTime(i)));
}

TEST_F(TimeSystemCommandTest, ReloadReturnsTheFileTimesAndItsSystem) {
  dialogs.fieldAnswers.push_back({"", "", "", "BJD_TDB"});
  dialogs.fieldAnswers.push_back({"<cancel>"});
  // The reload warns once about the unsaved conversion, then reloads.
  Run(StarFile(), {":TimeSystem1", "~3", "~3", ":TimeSystem1"});
  EXPECT_EQ(Times(), FileTimes());
  ASSERT_EQ(dialogs.shownFields.size(), 2u);
  // The file's own system again, nothing refused.
  EXPECT_EQ(Shown(1), Shown(0));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TimeSystemCommandTest, FieldsRememberedForTheFileOnASecondOpen) {
  const std::string star = StarFile();
  const std::string other = StarFile("other.dat", "# observed in 2020");
  dialogs.fieldAnswers.push_back(
      {"", "", "", "HJD_UTC", "MJD", "05:34:31.94", "+22:00:52.2", "14.4", "50.1", "300"});
  Run(star, {":TimeSystem1"});
  EXPECT_TRUE(host.LoggedPart("JD_UTC -> HJD_UTC, reference JD -> MJD"));
  EXPECT_TRUE(host.LoggedPart("observatory 14.4 deg E, 50.1 deg, 300 m"));

  dialogs.fieldAnswers.push_back({"<cancel>"});
  Run(star, {":TimeSystem1"});
  // The file's times are JD_UTC again; the rest as typed.
  EXPECT_EQ(Shown(1), (std::vector<std::string>{"JD", "UTC", "GEO", "HJD_UTC", "MJD", "05:34:31.94",
                                                "+22:00:52.2", "14.4", "50.1", "300"}));
  EXPECT_EQ(Times(), FileTimes());

  // Another file starts from its own header: the star, and the defaults
  // for the times it does not describe.
  dialogs.fieldAnswers.push_back({"<cancel>"});
  Run(other, {":TimeSystem1"});
  EXPECT_EQ(Shown(2), (std::vector<std::string>{"JD", "UTC", "GEO", "BJD_TDB", "JD", "83.63308",
                                                "22.0145", "", "", ""}));
}

TEST_F(TimeSystemCommandTest, HeaderOfBtjdTimesOffersTheWayBack) {
  dialogs.fieldAnswers.push_back({"<cancel>"});
  Run(StarFile("tess.dat", "# time = BTJD"), {":TimeSystem1"});
  EXPECT_EQ(Shown(0), (std::vector<std::string>{"BTJD", "TDB", "BAR", "JD_UTC", "BTJD", "83.63308",
                                                "22.0145", "", "", ""}));
}

TEST_F(TimeSystemCommandTest, EpochInTheOldReferenceIsNamed) {
  // ^O: T0 := the time of the current point, the first.
  dialogs.fieldAnswers.push_back({"", "", "", "BJD_TDB", "BTJD"});
  Run(StarFile(), {"^O", ":TimeSystem1"});
  EXPECT_EQ(engine->eph.epochT0, FileTime(0));
  EXPECT_TRUE(
      host.LoggedPart("T0 = 2459000 of the ephemeris is left as it is; by its size it "
                      "counts as JD_UTC (reference JD), not as BJD_TDB (reference BTJD) "
                      "as the times now do; as BJD_TDB it would be " +
                      Str(engine->data.t[1], 1, 6)));
}

TEST_F(TimeSystemCommandTest, EpochOfTheSameReferenceMayStillBeAnotherScale) {
  dialogs.fieldAnswers.push_back({"", "", "", "BJD_TDB"});
  Run(StarFile(), {"^O", ":TimeSystem1"});
  EXPECT_TRUE(
      host.LoggedPart("; if it is JD_UTC, it is not BJD_TDB as the times now are; as "
                      "BJD_TDB it would be " +
                      Str(engine->data.t[1], 1, 6)));
}

TEST_F(TimeSystemCommandTest, NoEpochNoEpochLine) {
  dialogs.fieldAnswers.push_back({"", "", "", "BJD_TDB"});
  Run(StarFile(), {":TimeSystem1"});
  EXPECT_FALSE(host.LoggedPart("of the ephemeris"));
}

// Bad fields and points that cannot be converted: a message, nothing
// changed.
struct BadCase {
  const char* name;
  std::vector<std::string> answers;
  const char* message;  // the start of the message after "Time system: "
};

class TimeSystemBadInputTest : public TimeSystemCommandTest,
                               public ::testing::WithParamInterface<BadCase> {};

TEST_P(TimeSystemBadInputTest, RefusedWithNothingChanged) {
  dialogs.fieldAnswers.push_back(GetParam().answers);
  Run(StarFile(), {":TimeSystem1"});
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].rfind(std::string("Time system: ") + GetParam().message, 0), 0u)
      << host.messages[0];
  EXPECT_TRUE(host.LoggedPart("!!! Time system refused: "));
  EXPECT_EQ(Times(), FileTimes());
  EXPECT_EQ(engine->data.tDecimals, 5);
  EXPECT_FALSE(host.LoggedPart("LOG>> time system"));
  EXPECT_FALSE(Drawn("Write reduced data to file"));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TimeSystemBadInputTest,
    ::testing::Values(
        BadCase{"RaOver360", {"", "", "", "BJD_TDB", "", "400"}, "Right ascension"},
        BadCase{"RaOver24Hours", {"", "", "", "BJD_TDB", "", "25:00:00"}, "Right ascension"},
        BadCase{"DecBelowMinus90", {"", "", "", "BJD_TDB", "", "", "-91"}, "Declination"},
        BadCase{
            "DecSexagesimalOver90", {"", "", "", "BJD_TDB", "", "", "+95:00:00"}, "Declination"},
        BadCase{"NoScale", {"", "UT"}, "Scale now"},
        BadCase{
            "HalfAnObservatory", {"", "", "", "BJD_TDB", "", "", "", "14.4"}, "Latitude: empty"},
        // JD 2459000 - 30000 = 2429000 is in 1938, before UTC.
        BadCase{"Before1960", {"-30000"}, "Point 1: t = 2459000 lies before 1960"},
        BadCase{"Beyond2200", {"2420000"}, "Point 1: t = 2459000 is JD 4879000"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace teril
