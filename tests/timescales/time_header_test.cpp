// The header lines that say what the times are and where the star is.
#include "timescales/time_header.h"

#include <gtest/gtest.h>

namespace teril {
namespace {

struct TimeLineCase {
  const char* line;
  bool found;
  double offset;
  TimeScale scale;
  TimePlace place;
};

class TimeLineTest : public ::testing::TestWithParam<TimeLineCase> {};

TEST_P(TimeLineTest, Reads) {
  const TimeLineCase& c = GetParam();
  TimeHeader h = ReadTimeHeader(c.line);
  ASSERT_EQ(h.reference.has_value(), c.found) << c.line;
  if (!c.found) return;
  EXPECT_EQ(h.reference->offset, c.offset) << c.line;
  EXPECT_EQ(h.scale, c.scale) << c.line;
  EXPECT_EQ(h.place, c.place) << c.line;
}

using S = TimeScale;
using P = TimePlace;

INSTANTIATE_TEST_SUITE_P(
    Table, TimeLineTest,
    ::testing::Values(TimeLineCase{"time = BJD_TDB - 2457000", true, 2457000.0, S::TDB, P::BAR},
                      TimeLineCase{"time = JD", true, 0.0, S::UTC, P::GEO},
                      TimeLineCase{"# time: HJD_UTC - 2450000", true, 2450000.0, S::UTC, P::HEL},
                      TimeLineCase{"% Time System = MJD", true, 2400000.5, S::UTC, P::GEO},
                      TimeLineCase{"time = BTJD", true, 2457000.0, S::TDB, P::BAR},
                      TimeLineCase{"time = BKJD", true, 2454833.0, S::TDB, P::BAR},
                      TimeLineCase{"time = bjd tdb-2457000", true, 2457000.0, S::TDB, P::BAR},
                      TimeLineCase{"time = JD (TT) - 2450000", true, 2450000.0, S::TT, P::GEO},
                      TimeLineCase{"TIMESYS = JD_TDB", true, 0.0, S::TDB, P::GEO},
                      TimeLineCase{"time = HMJD", true, 2400000.5, S::UTC, P::HEL},
                      TimeLineCase{"time = BJD_UTC", true, 0.0, S::UTC, P::BAR},
                      TimeLineCase{"time = RJD", true, 2400000.0, S::UTC, P::GEO},
                      TimeLineCase{"time = MJD - 50000", true, 2450000.5, S::UTC, P::GEO},
                      TimeLineCase{"time = JDX", false, 0, S::UTC, P::GEO},
                      TimeLineCase{"time = JD (TT", false, 0, S::UTC, P::GEO},
                      TimeLineCase{"time = JD * 2", false, 0, S::UTC, P::GEO},
                      TimeLineCase{"time = seconds", false, 0, S::UTC, P::GEO},
                      TimeLineCase{"timer = JD", false, 0, S::UTC, P::GEO},
                      TimeLineCase{"2459000.1234 12.345", false, 0, S::UTC, P::GEO}));

TEST(TimeHeader, ReadsThePositionAndTheObservatory) {
  TimeHeader h = ReadTimeHeader(
      "V1234 Cyg, observer ABC\r\n"
      "# RA = 08:13:49.44\r\n"
      "# Dec: -12:20:24\r\n"
      "longitude = 14.2 deg\rlatitude = -30.5\nheight = 2100 m\n");
  ASSERT_TRUE(h.raDeg);
  EXPECT_NEAR(*h.raDeg, 123.456, 1e-12);
  ASSERT_TRUE(h.decDeg);
  EXPECT_NEAR(*h.decDeg, -12.34, 1e-12);
  ASSERT_TRUE(h.observatory);
  EXPECT_DOUBLE_EQ(h.observatory->longitudeDeg, 14.2);
  EXPECT_DOUBLE_EQ(h.observatory->latitudeDeg, -30.5);
  EXPECT_DOUBLE_EQ(h.observatory->heightM, 2100.0);
  EXPECT_FALSE(h.reference);
}

TEST(TimeHeader, OtherSpellingsAndBadValues) {
  TimeHeader h = ReadTimeHeader("RA_OBJ = 400\nRA_OBJ = 8.2304 h\nDEC_OBJ = 95\nDECJ2000 = 5\n");
  ASSERT_TRUE(h.raDeg);
  EXPECT_NEAR(*h.raDeg, 123.456, 1e-12);  // the out-of-range line is passed over
  ASSERT_TRUE(h.decDeg);
  EXPECT_DOUBLE_EQ(*h.decDeg, 5.0);
  // Only two of the observatory's three lines: no observatory.
  EXPECT_FALSE(ReadTimeHeader("lon = 10\nlat = 20\n").observatory);
}

TEST(TimeHeader, WrittenLinesReadBack) {
  for (TimeScale s : {TimeScale::UTC, TimeScale::TT, TimeScale::TDB}) {
    for (TimePlace p : {TimePlace::GEO, TimePlace::HEL, TimePlace::BAR}) {
      for (double offset : {0.0, 2400000.5, 2457000.0, 2450000.25, -10.0}) {
        std::string text = TimeHeaderLine(s, p, ReferenceForOffset(offset)) + "\n" +
                           RightAscensionHeaderLine(287.123456789) + "\n" +
                           DeclinationHeaderLine(-0.5) + "\n";
        TimeHeader h = ReadTimeHeader(text);
        ASSERT_TRUE(h.reference) << text;
        EXPECT_EQ(h.reference->offset, offset) << text;
        EXPECT_EQ(h.scale, s) << text;
        EXPECT_EQ(h.place, p) << text;
        EXPECT_EQ(h.raDeg, 287.123456789);
        EXPECT_EQ(h.decDeg, -0.5);
      }
    }
  }
  EXPECT_EQ(TimeHeaderLine(TimeScale::TDB, TimePlace::BAR,
                           TimeReference::Named(TimeReference::Kind::BTJD)),
            "time = BJD_TDB - 2457000");
  EXPECT_EQ(TimeHeaderLine(TimeScale::UTC, TimePlace::GEO, TimeReference{}), "time = JD_UTC");
}

TEST(TimeHeader, SuggestsTheDialogFields) {
  TimeSystemFields f =
      FieldsFromHeader(ReadTimeHeader("time = BJD_TDB - 2457000\nRA = 10.5\nDec = +20\n"));
  EXPECT_EQ(f.referenceNow, "BTJD");
  EXPECT_EQ(f.scaleNow, "TDB");
  EXPECT_EQ(f.placeNow, "BAR");
  EXPECT_EQ(f.convertTo, "JD_UTC");
  EXPECT_EQ(f.referenceAfter, "BTJD");
  EXPECT_EQ(f.rightAscension, "10.5");
  EXPECT_EQ(f.declination, "20");
  EXPECT_EQ(f.longitude, "");
  TimeSystemFields empty = FieldsFromHeader(ReadTimeHeader("no header here\n"));
  EXPECT_EQ(empty.referenceNow, "JD");
  EXPECT_EQ(empty.scaleNow, "UTC");
  EXPECT_EQ(empty.placeNow, "GEO");
  EXPECT_EQ(empty.convertTo, "BJD_TDB");
  EXPECT_EQ(empty.rightAscension, "");
}

}  // namespace
}  // namespace teril
