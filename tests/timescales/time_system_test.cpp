// The fields of the time-system dialog: references, scales, places,
// targets, sky positions and the observatory, read and written back.
#include "timescales/time_system.h"

#include <gtest/gtest.h>

#include <cmath>

namespace teril {
namespace {

struct ReferenceCase {
  const char* text;
  bool ok;
  double offset;
  const char* formatted;
};

class TimeReferenceTest : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(TimeReferenceTest, ParsesAndFormatsBack) {
  const ReferenceCase& c = GetParam();
  std::optional<TimeReference> r = ParseTimeReference(c.text);
  ASSERT_EQ(r.has_value(), c.ok) << c.text;
  if (!c.ok) return;
  EXPECT_EQ(r->offset, c.offset);
  EXPECT_EQ(FormatTimeReference(*r), c.formatted);
  EXPECT_EQ(ParseTimeReference(FormatTimeReference(*r)), r);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TimeReferenceTest,
    ::testing::Values(ReferenceCase{"JD", true, 0.0, "JD"},
                      ReferenceCase{" mjd ", true, 2400000.5, "MJD"},
                      ReferenceCase{"RJD", true, 2400000.0, "RJD"},
                      ReferenceCase{"BTJD", true, 2457000.0, "BTJD"},
                      ReferenceCase{"bkjd", true, 2454833.0, "BKJD"},
                      ReferenceCase{"2450000", true, 2450000.0, "2450000"},
                      ReferenceCase{"2400000.5", true, 2400000.5, "2400000.5"},
                      ReferenceCase{"-1.25", true, -1.25, "-1.25"}, ReferenceCase{"", false, 0, ""},
                      ReferenceCase{"HJD", false, 0, ""}, ReferenceCase{"2450000,5", false, 0, ""},
                      ReferenceCase{"nan", false, 0, ""}, ReferenceCase{"inf", false, 0, ""}));

TEST(TimeReference, NamedOffsetsAreRecognised) {
  EXPECT_EQ(ReferenceForOffset(2457000.0).kind, TimeReference::Kind::BTJD);
  EXPECT_EQ(ReferenceForOffset(2400000.5).kind, TimeReference::Kind::MJD);
  EXPECT_EQ(ReferenceForOffset(2450000.0).kind, TimeReference::Kind::Offset);
}

TEST(TimeNames, ScalesPlacesAndTargetsReadBackTheirNames) {
  for (TimeScale s : {TimeScale::UTC, TimeScale::TT, TimeScale::TDB})
    EXPECT_EQ(ParseTimeScale(TimeScaleName(s)), s);
  for (TimePlace p : {TimePlace::GEO, TimePlace::HEL, TimePlace::BAR})
    EXPECT_EQ(ParseTimePlace(TimePlaceName(p)), p);
  for (TimeTarget t : {TimeTarget::BJD_TDB, TimeTarget::HJD_UTC, TimeTarget::JD_UTC})
    EXPECT_EQ(ParseTimeTarget(TimeTargetName(t)), t);
  EXPECT_EQ(ParseTimeScale(" tdb"), TimeScale::TDB);
  EXPECT_EQ(ParseTimeTarget("bjd tdb"), TimeTarget::BJD_TDB);
  EXPECT_EQ(ParseTimeTarget("HJD-UTC"), TimeTarget::HJD_UTC);
  EXPECT_FALSE(ParseTimeScale("UT1"));
  EXPECT_FALSE(ParseTimePlace("TOPO"));
  EXPECT_FALSE(ParseTimeTarget("BJD_UTC"));
  EXPECT_EQ(PlaceOf(TimeTarget::HJD_UTC), TimePlace::HEL);
  EXPECT_EQ(ScaleOf(TimeTarget::BJD_TDB), TimeScale::TDB);
}

struct AngleCase {
  const char* text;
  bool ok;
  double degrees;
};

class RightAscensionTest : public ::testing::TestWithParam<AngleCase> {};

TEST_P(RightAscensionTest, Parses) {
  const AngleCase& c = GetParam();
  Parsed<double> ra = ParseRightAscension(c.text);
  ASSERT_EQ(static_cast<bool>(ra), c.ok) << c.text << ": " << ra.error;
  if (c.ok) {
    EXPECT_NEAR(*ra.value, c.degrees, 1e-12) << c.text;
  } else {
    EXPECT_EQ(ra.error.rfind("Right ascension: ", 0), 0u) << ra.error;
  }
}

// 08:13:49.44 h = (8 + 13/60 + 49.44/3600) x 15 deg = 123.456 deg.
INSTANTIATE_TEST_SUITE_P(
    Table, RightAscensionTest,
    ::testing::Values(
        AngleCase{"123.456", true, 123.456}, AngleCase{"123.456 deg", true, 123.456},
        AngleCase{"123.456d", true, 123.456}, AngleCase{"123.456\xC2\xB0", true, 123.456},
        AngleCase{"08:13:49.44", true, 123.456}, AngleCase{"08 13 49.44", true, 123.456},
        AngleCase{"8.2304h", true, 123.456}, AngleCase{"0", true, 0.0},
        AngleCase{"360", true, 360.0}, AngleCase{"24:00:00", true, 360.0},
        AngleCase{"18:00", true, 270.0}, AngleCase{"360.1", false, 0}, AngleCase{"-1", false, 0},
        AngleCase{"24:00:01", false, 0}, AngleCase{"12:60:00", false, 0},
        AngleCase{"12:30:60", false, 0}, AngleCase{"12.5:30:00", false, 0},
        AngleCase{"12:-3:00", false, 0}, AngleCase{"1:2:3:4", false, 0}, AngleCase{"abc", false, 0},
        AngleCase{"", false, 0}, AngleCase{"nan", false, 0}, AngleCase{"12::30", false, 0}));

class DeclinationTest : public ::testing::TestWithParam<AngleCase> {};

TEST_P(DeclinationTest, Parses) {
  const AngleCase& c = GetParam();
  Parsed<double> dec = ParseDeclination(c.text);
  ASSERT_EQ(static_cast<bool>(dec), c.ok) << c.text << ": " << dec.error;
  if (c.ok) {
    EXPECT_NEAR(*dec.value, c.degrees, 1e-12) << c.text;
  } else {
    EXPECT_EQ(dec.error.rfind("Declination: ", 0), 0u) << dec.error;
  }
}

// -12:20:24 = -(12 + 20/60 + 24/3600) = -12.34 deg; the sign of "-00:30"
// belongs to the whole angle.
INSTANTIATE_TEST_SUITE_P(
    Table, DeclinationTest,
    ::testing::Values(AngleCase{"-12.34", true, -12.34}, AngleCase{"-12.34 deg", true, -12.34},
                      AngleCase{"-12:20:24", true, -12.34}, AngleCase{"+12 20 24", true, 12.34},
                      AngleCase{"-00:30:00", true, -0.5}, AngleCase{"- 00:30:00", true, -0.5},
                      AngleCase{"90", true, 90.0}, AngleCase{"-90:00:00", true, -90.0},
                      AngleCase{"90.0001", false, 0}, AngleCase{"-90:00:01", false, 0},
                      AngleCase{"10:75:00", false, 0}, AngleCase{"", false, 0},
                      AngleCase{"north", false, 0}));

TEST(Observatory, AllEmptyIsTheGeocentre) {
  Parsed<std::optional<Observatory>> site = ParseObservatory("", " ", "");
  ASSERT_TRUE(site);
  EXPECT_FALSE(site.value->has_value());
}

TEST(Observatory, ReadsAllThreeOrNamesTheFieldAtFault) {
  Parsed<std::optional<Observatory>> site = ParseObservatory("14.2", "-30:30:00", "2100 m");
  ASSERT_TRUE(site) << site.error;
  EXPECT_DOUBLE_EQ((*site.value)->longitudeDeg, 14.2);
  EXPECT_DOUBLE_EQ((*site.value)->latitudeDeg, -30.5);
  EXPECT_DOUBLE_EQ((*site.value)->heightM, 2100.0);
  EXPECT_EQ(ParseObservatory("14.2", "", "2100").error.rfind("Latitude: ", 0), 0u);
  EXPECT_EQ(ParseObservatory("14.2", "95", "2100").error.rfind("Latitude: ", 0), 0u);
  EXPECT_EQ(ParseObservatory("400", "45", "2100").error.rfind("Longitude: ", 0), 0u);
  EXPECT_EQ(ParseObservatory("10", "45", "99999").error.rfind("Height: ", 0), 0u);
  EXPECT_EQ(ParseObservatory("10", "45", "1:2").error.rfind("Height: ", 0), 0u);
}

TimeSystemFields GoodFields() {
  return {"BTJD", "TDB", "BAR", "JD_UTC", "JD", "08:13:49.44", "-12:20:24", "", "", ""};
}

TEST(TimeSystemFields, ReadTheConversionAndWriteItBack) {
  Parsed<TimeConversion> c = ParseTimeSystemFields(GoodFields());
  ASSERT_TRUE(c) << c.error;
  EXPECT_EQ(c.value->referenceNow.offset, 2457000.0);
  EXPECT_EQ(c.value->scaleNow, TimeScale::TDB);
  EXPECT_EQ(c.value->placeNow, TimePlace::BAR);
  EXPECT_EQ(c.value->target, TimeTarget::JD_UTC);
  EXPECT_EQ(c.value->referenceAfter.offset, 0.0);
  EXPECT_NEAR(c.value->star.raDeg, 123.456, 1e-12);
  EXPECT_NEAR(c.value->star.decDeg, -12.34, 1e-12);
  EXPECT_FALSE(c.value->observatory);
  // What FieldsOf writes reads back to the same conversion.
  TimeSystemFields written = FieldsOf(*c.value);
  Parsed<TimeConversion> again = ParseTimeSystemFields(written);
  ASSERT_TRUE(again) << again.error;
  EXPECT_EQ(FieldsOf(*again.value), written);
  EXPECT_EQ(again.value->star.raDeg, c.value->star.raDeg);
}

struct FieldFault {
  int field;  // index in dialog order
  const char* text;
  const char* named;
};

class TimeSystemFieldFaultTest : public ::testing::TestWithParam<FieldFault> {};

TEST_P(TimeSystemFieldFaultTest, MessageNamesTheField) {
  TimeSystemFields f = GoodFields();
  std::string* slots[] = {&f.referenceNow,   &f.scaleNow,       &f.placeNow,    &f.convertTo,
                          &f.referenceAfter, &f.rightAscension, &f.declination, &f.longitude,
                          &f.latitude,       &f.height};
  *slots[GetParam().field] = GetParam().text;
  Parsed<TimeConversion> c = ParseTimeSystemFields(f);
  ASSERT_FALSE(c);
  EXPECT_EQ(c.error.rfind(std::string(GetParam().named) + ": ", 0), 0u) << c.error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TimeSystemFieldFaultTest,
    ::testing::Values(FieldFault{0, "XJD", "Reference now"}, FieldFault{1, "UT", "Scale now"},
                      FieldFault{2, "TOPO", "Place now"}, FieldFault{3, "BJD", "Convert to"},
                      FieldFault{4, "", "Reference after"}, FieldFault{5, "400", "Right ascension"},
                      FieldFault{5, "25:00:00", "Right ascension"},
                      FieldFault{6, "-91", "Declination"}, FieldFault{7, "10", "Latitude"},
                      FieldFault{9, "5", "Longitude"}));

}  // namespace
}  // namespace teril
