// FITS tables and TESS/Kepler/K2 light curves, from files written through
// CFITSIO by the test itself.
#include "formats/fits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/io.h"
#include "fits_fixture.h"
#include "formats/detect.h"
#include "formats/lightcurve_fits.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

using testing::FitsLayout;
using testing::WriteImageFits;
using testing::WriteLightCurveFits;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

FitsLayout SixRows() {
  FitsLayout s;
  s.rows = {{1500.0, 1000.0f, 10.0f, 0}, {kNaN, 50.0f, 1.0f, 0},   {1500.2, NAN, 1.0f, 0},
            {1500.3, 100.0f, 1.0f, 32},  {1500.4, -5.0f, 1.0f, 0}, {1500.5, 10.0f, 0.1f, 2048}};
  return s;
}

class FitsFiles : public testing::TempFolderTest {
 protected:
  std::string Write(const std::string& name, const FitsLayout& layout) {
    std::string path = (dir / name).string();
    EXPECT_EQ(WriteLightCurveFits(path, layout), 0);
    return path;
  }
};

TEST_F(FitsFiles, ColumnsKeywordsAndNullsFromDisk) {
  auto fits = FitsTable::Open(Write("lc.fits", SixRows()));
  EXPECT_EQ(fits.rows(), 6);
  EXPECT_TRUE(fits.HasColumn("time"));
  EXPECT_FALSE(fits.HasColumn("MAG"));
  auto time = fits.ReadDoubles("TIME");
  EXPECT_DOUBLE_EQ(time[0], 1500.0);
  EXPECT_TRUE(std::isnan(time[1]));
  EXPECT_EQ(fits.ReadBits("QUALITY")[5], 2048u);
  EXPECT_EQ(fits.Keyword("TELESCOP"), "TESS");
  EXPECT_EQ(fits.Keyword("TIMESYS"), "TDB");
  EXPECT_DOUBLE_EQ(*fits.KeywordNumber("RA_OBJ"), 123.5);
  EXPECT_EQ(fits.KeywordNumber("BJDREFI"), 2457000.0);
  EXPECT_FALSE(fits.Keyword("NOSUCHKEY"));
}

TEST_F(FitsFiles, MemoryGivesWhatDiskGives) {
  std::string path = Write("lc.fits", SixRows());
  std::string bytes = *ReadFileIfExists(path);
  EXPECT_EQ(DetectFile(bytes, "lc.fits").kind, FileKind::Fits);
  auto disk = FitsTable::Open(path);
  auto memory = FitsTable::OpenMemory(bytes, "lc.fits");
  auto a = disk.ReadDoubles("PDCSAP_FLUX"), b = memory.ReadDoubles("PDCSAP_FLUX");
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_TRUE(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i])));
}

TEST_F(FitsFiles, GzipCompressedFile) {
  std::string path = Write("lc.fits.gz", SixRows());
  std::string bytes = *ReadFileIfExists(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x1F);
  EXPECT_EQ(DetectFile(bytes, "lc.fits.gz").kind, FileKind::Fits);
  auto lc = ReadLightCurve(FitsTable::Open(path), FluxColumn::Pdcsap);
  EXPECT_EQ(lc.rows(), 6u);
  EXPECT_DOUBLE_EQ(lc.time[5], 1500.5);
}

TEST_F(FitsFiles, LightCurveColumnsAndTimeReference) {
  auto lc = ReadLightCurve(FitsTable::Open(Write("lc.fits", SixRows())), FluxColumn::Pdcsap);
  EXPECT_EQ(lc.mission, "TESS");
  EXPECT_EQ(lc.fluxColumn, "PDCSAP_FLUX");
  EXPECT_EQ(lc.errorColumn, "PDCSAP_FLUX_ERR");
  EXPECT_EQ(lc.timeReference, "time = BJD_TDB - 2457000");
  EXPECT_EQ(lc.timeSystem, "TDB");
  EXPECT_DOUBLE_EQ(*lc.dec, -45.25);
  EXPECT_FLOAT_EQ(static_cast<float>(lc.value[3]), 100.0f);
  EXPECT_TRUE(std::isnan(lc.value[2]));
  EXPECT_EQ(lc.quality, (std::vector<std::uint32_t>{0, 0, 0, 32, 0, 2048}));
}

TEST_F(FitsFiles, SapWhenAskedOrWhenPdcsapMissing) {
  auto sap = ReadLightCurve(FitsTable::Open(Write("a.fits", SixRows())), FluxColumn::Sap);
  EXPECT_EQ(sap.fluxColumn, "SAP_FLUX");
  EXPECT_DOUBLE_EQ(sap.value[0], 2000.0);
  EXPECT_TRUE(sap.error.empty());
  FitsLayout layout = SixRows();
  layout.withPdcsap = false;
  auto fallback = ReadLightCurve(FitsTable::Open(Write("b.fits", layout)), FluxColumn::Pdcsap);
  EXPECT_EQ(fallback.fluxColumn, "SAP_FLUX");
  ASSERT_EQ(fallback.notes.size(), 1u);
  EXPECT_EQ(fallback.notes[0], "no PDCSAP_FLUX column: SAP_FLUX used");
}

TEST_F(FitsFiles, KeplerReferenceWithFraction) {
  FitsLayout layout = SixRows();
  layout.telescope = "Kepler";
  layout.mission = "K2";
  layout.bjdrefi = 2454833;
  layout.bjdreff = 0.25;
  auto lc = ReadLightCurve(FitsTable::Open(Write("k2.fits", layout)), FluxColumn::Pdcsap);
  EXPECT_EQ(lc.mission, "K2");
  EXPECT_EQ(lc.timeReference, "time = BJD_TDB - 2454833.25");
}

TEST_F(FitsFiles, FileCutInsideItsLastBlock) {
  const std::string bytes = *ReadFileIfExists(Write("lc.fits", SixRows()));
  // The six rows of 24 bytes end at 5760 + 144: a cut after them loses only
  // padding, a cut before them loses data.
  auto lc =
      ReadLightCurve(FitsTable::OpenMemory(bytes.substr(0, 7000), "pad.fits"), FluxColumn::Pdcsap);
  EXPECT_DOUBLE_EQ(lc.time[5], 1500.5);
  EXPECT_THROW(FitsTable::OpenMemory(bytes.substr(0, 5800), "cut.fits"), FormatError);
}

struct MaskCase {
  const char* mission;
  QualityMask mask;
  std::uint32_t bit;
  bool dropped;
};

class QualityMasks : public ::testing::TestWithParam<MaskCase> {};

TEST_P(QualityMasks, BitsOfEachMission) {
  const auto& c = GetParam();
  EXPECT_EQ((QualityMaskBits(c.mission, c.mask) & c.bit) != 0, c.dropped)
      << c.mission << " " << QualityMaskName(c.mask) << " bit " << c.bit;
}

// The bit meanings are those of the mission documents named in
// lightcurve_fits.h.
INSTANTIATE_TEST_SUITE_P(
    Missions, QualityMasks,
    ::testing::Values(MaskCase{"TESS", QualityMask::Default, 1, true},        // attitude tweak
                      MaskCase{"TESS", QualityMask::Default, 32, true},       // desaturation
                      MaskCase{"TESS", QualityMask::Default, 128, true},      // manual exclude
                      MaskCase{"TESS", QualityMask::Default, 2048, false},    // stray light
                      MaskCase{"TESS", QualityMask::Default, 512, false},     // impulsive outlier
                      MaskCase{"Kepler", QualityMask::Default, 16, false},    // zero crossing
                      MaskCase{"Kepler", QualityMask::Default, 256, true},    // manual exclude
                      MaskCase{"Kepler", QualityMask::Default, 65536, true},  // no data
                      MaskCase{"Kepler", QualityMask::Default, 1048576, false},
                      MaskCase{"K2", QualityMask::Default, 1048576, true},  // thruster firing
                      MaskCase{"K2", QualityMask::Default, 524288, false},  // possibly
                      MaskCase{"TESS", QualityMask::Hard, 2048, true},
                      MaskCase{"Kepler", QualityMask::Hard, 16, true},
                      MaskCase{"K2", QualityMask::None, 1, false}));

TEST(QualityMasks, DefaultSums) {
  EXPECT_EQ(QualityMaskBits("TESS", QualityMask::Default), 16575u);
  EXPECT_EQ(QualityMaskBits("Kepler", QualityMask::Default), 116079u);
  EXPECT_EQ(QualityMaskBits("K2", QualityMask::Default), 1164655u);
}

TEST_F(FitsFiles, RefusesImagesTablesWithoutTimeAndCutFiles) {
  auto refused = [](auto open, const std::string& part) {
    try {
      open();
      ADD_FAILURE() << "no error, expected: " << part;
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
  };
  std::string image = (dir / "image.fits").string();
  ASSERT_EQ(WriteImageFits(image, false), 0);
  refused([&] { FitsTable::Open(image); }, "image.fits\": no table in HDU 1");
  std::string imageExt = (dir / "image2.fits").string();
  ASSERT_EQ(WriteImageFits(imageExt, true), 0);
  refused([&] { FitsTable::Open(imageExt); }, "HDU 1 is not a binary table");

  FitsLayout noTime = SixRows();
  noTime.withTime = false;
  std::string path = Write("notime.fits", noTime);
  refused([&] { ReadLightCurve(FitsTable::Open(path), FluxColumn::Pdcsap); },
          "notime.fits\": HDU 1 has no TIME column: not a light curve");

  const std::string bytes = *ReadFileIfExists(Write("lc.fits", SixRows()));
  ASSERT_EQ(bytes.size(), 3u * 2880u);
  refused([&] { FitsTable::OpenMemory(bytes.substr(0, 2 * 2880), "cut.fits"); },
          "cut.fits\": the table of HDU 1 claims 6 rows, more than the file holds");
  refused([&] { FitsTable::OpenMemory(bytes.substr(0, 4000), "cut2.fits"); }, "cut2.fits");
  refused([&] { FitsTable::OpenMemory("JD,mag\n1,2\n", "text.fits"); },
          "text.fits\": not a readable FITS file");
  refused([&] { FitsTable::Open((dir / "missing.fits").string()); }, "missing.fits");

  // A column name that lost its quotes: refused before CFITSIO reads it.
  std::string damaged = bytes;
  const auto at = damaged.find("'SAP_FLUX'");
  ASSERT_NE(at, std::string::npos);
  damaged[at] = damaged[at + 9] = ']';
  refused([&] { FitsTable::OpenMemory(damaged, "d.fits"); },
          "d.fits\": damaged header of HDU 1, card ");
  std::string binary = bytes;
  binary[100] = '\x01';
  refused([&] { FitsTable::OpenMemory(binary, "b.fits"); },
          "damaged primary header, card 2 holds a byte that is not printable text");
}

}  // namespace
}  // namespace teril
