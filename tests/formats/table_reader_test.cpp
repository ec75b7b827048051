// Delimited light-curve tables: recognised by content, read into columns
// with their flags, and refused with the file, line and column named.
#include "formats/table_reader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "formats/detect.h"

namespace teril {
namespace {

struct KindCase {
  const char* label;
  std::string text;
  std::string name;
  FileKind kind;
  TableFlavour flavour;
};

class DetectKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(DetectKind, FromContentAndName) {
  const auto& c = GetParam();
  DetectedFile d = DetectFile(c.text, c.name);
  EXPECT_EQ(d.kind, c.kind) << c.label;
  if (d.kind != FileKind::Plain && d.kind != FileKind::Fits) {
    EXPECT_EQ(d.flavour, c.flavour);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DetectKind,
    ::testing::Values(
        KindCase{"fits", "SIMPLE  =                    T", "x.fits", FileKind::Fits,
                 TableFlavour::SpaceFits},
        KindCase{"fits.gz", std::string("\x1F\x8B\x08\x00", 4), "tess_lc.fits.gz", FileKind::Fits,
                 TableFlavour::SpaceFits},
        KindCase{"gzip not named fits", std::string("\x1F\x8B\x08\x00", 4), "x.gz", FileKind::Plain,
                 TableFlavour::Generic},
        KindCase{"aavso", "JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code\n1,2,3,,V,A\n",
                 "a.txt", FileKind::AavsoDownload, TableFlavour::AavsoDownload},
        KindCase{"aavso tab", "JD\tMagnitude\tUncertainty\tBand\n1\t2\t3\tV\n", "a.txt",
                 FileKind::AavsoDownload, TableFlavour::AavsoDownload},
        KindCase{"extended", "#TYPE=Extended\n#OBSCODE=X\nSS CYG,1,2,na,V\n", "e.txt",
                 FileKind::AavsoExtended, TableFlavour::AavsoExtended},
        KindCase{"ztf", "oid,hjd,mjd,mag,magerr,catflags,filtercode\n", "z.csv", FileKind::Table,
                 TableFlavour::Ztf},
        KindCase{"asassn old",
                 "HJD,UT Date,Camera,FWHM,Limit,mag,mag_err,flux(mJy),flux_err,Filter\n", "a.csv",
                 FileKind::Table, TableFlavour::AsasSnOld},
        KindCase{"asassn new", "JD,Flux,Flux Error,Mag,Mag Error,Limit,FWHM,Filter,Quality\n",
                 "a.csv", FileKind::Table, TableFlavour::AsasSnNew},
        KindCase{"gaia",
                 "source_id,band,time,mag,flux,flux_error,rejected_by_photometry,"
                 "rejected_by_variability\n",
                 "g.csv", FileKind::Table, TableFlavour::Gaia},
        KindCase{"generic", "BJD,Flux,Flux_Err\n1,2,3\n", "g.csv", FileKind::Table,
                 TableFlavour::Generic},
        KindCase{"blank header with aliases", "JD mag\n1 2\n", "g.dat", FileKind::Plain,
                 TableFlavour::Generic},
        KindCase{"blank ztf header", "mjd mag magerr catflags filtercode\n1 2 3 0 zg\n", "z.dat",
                 FileKind::Plain, TableFlavour::Generic},
        KindCase{"plain numbers", "2459000.1 12.3 ABC\n2459000.2 12.4 ABC\n", "p.dat",
                 FileKind::Plain, TableFlavour::Generic},
        KindCase{"plain with # title", "# HJD V observer\n2459000.1 12.3 ABC\n", "p.dat",
                 FileKind::Plain, TableFlavour::Generic},
        KindCase{"plain with title", "My star, V band\n2459000.1 12.3\n", "p.dat", FileKind::Plain,
                 TableFlavour::Generic},
        KindCase{"title naming one alias", "time series of V\n1 2\n", "p.dat", FileKind::Plain,
                 TableFlavour::Generic},
        KindCase{"csv without header", "2459000.1,12.3\n", "p.csv", FileKind::Plain,
                 TableFlavour::Generic}),
    [](const auto& info) {
      std::string s = info.param.label;
      for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return s;
    });

TEST(TableReader, ZtfTakesHjdFiltercodeAndCatflags) {
  const std::string text =
      "oid,expid,hjd,mjd,mag,magerr,catflags,filtercode,ra,dec\n"
      "1,1,2458300.1,58299.6,15.100,0.020,0,zg,10.0,20.0\n"
      "1,2,2458300.2,58299.7,15.200,0.021,32768,zg,10.0,20.0\n"
      "1,3,2458300.3,58299.8,14.900,0.019,0,zr,10.0,20.0\n";
  auto t = ReadTable(text, "ztf.csv");
  EXPECT_EQ(t.flavour, TableFlavour::Ztf);
  ASSERT_EQ(t.rows(), 3u);
  EXPECT_DOUBLE_EQ(t.time[1], 2458300.2);
  EXPECT_DOUBLE_EQ(t.value[2], 14.9);
  EXPECT_DOUBLE_EQ(t.error[0], 0.020);
  EXPECT_EQ(t.bandNames, (std::vector<std::string>{"zg", "zr"}));
  EXPECT_EQ(t.band, (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(t.flags, (std::vector<std::uint8_t>{0, kFlagCatalog, 0}));
  EXPECT_EQ(t.timeReference, "time = HJD");
}

TEST(TableReader, ZtfWithoutHjdUsesMjd) {
  auto t = ReadTable("mjd,mag,magerr,catflags,filtercode\n58299.6,15.1,0.02,0,zi\n", "z.csv");
  EXPECT_DOUBLE_EQ(t.time[0], 58299.6);
  EXPECT_EQ(t.timeReference, "time = MJD = JD - 2400000.5");
}

TEST(TableReader, AsasSnOldUpperLimits) {
  const std::string text =
      "HJD,UT Date,Camera,FWHM,Limit,mag,mag_err,flux(mJy),flux_err,Filter\n"
      "2457000.1,2014-12-09.6,bd,1.5,17.2,13.50,0.02,14.1,0.2,V\n"
      "2457001.1,2014-12-10.6,bd,1.5,16.9,>16.9,99.99,0.05,0.1,V\n"
      "2457002.1,2014-12-11.6,bd,1.5,16.9,16.95,99.99,0.05,0.1,V\n";
  auto t = ReadTable(text, "asassn.csv");
  ASSERT_EQ(t.rows(), 3u);
  EXPECT_DOUBLE_EQ(t.value[1], 16.9);
  EXPECT_EQ(t.flags, (std::vector<std::uint8_t>{0, kFlagUpperLimit, kFlagUpperLimit}));
  EXPECT_EQ(t.timeReference, "time = HJD");
}

TEST(TableReader, AsasSnNewQuality) {
  const std::string text =
      "JD,Flux,Flux Error,Mag,Mag Error,Limit,FWHM,Filter,Quality\n"
      "2458000.5,10.0,0.1,14.0,0.011,17.5,1.6,g,G\n"
      "2458001.5,10.0,0.1,14.1,0.012,17.5,1.6,g,B\n";
  auto t = ReadTable(text, "sky.csv");
  EXPECT_EQ(t.signal, SignalKind::Magnitude);
  EXPECT_DOUBLE_EQ(t.value[1], 14.1);
  EXPECT_DOUBLE_EQ(t.error[1], 0.012);
  EXPECT_EQ(t.flags, (std::vector<std::uint8_t>{0, kFlagBadQuality}));
  EXPECT_EQ(t.timeReference, "time = JD");
}

TEST(TableReader, GaiaLongFormErrorFromFlux) {
  const std::string text =
      "source_id,solution_id,band,time,mag,flux,flux_error,flux_over_error,"
      "rejected_by_photometry,rejected_by_variability,other_flags\n"
      "1,2,G,1700.5,15.0,1000.0,10.0,100.0,false,false,0\n"
      "1,2,BP,1700.6,15.4,500.0,5.0,100,true,false,0\n"
      "1,2,RP,1700.7,,,,,false,False,0\n"
      "1,2,G,1701.5,15.1,900.0,9.0,100.0,False,TRUE,0\n";
  auto t = ReadTable(text, "gaia.csv");
  EXPECT_EQ(t.flavour, TableFlavour::Gaia);
  // sigma_m = 2.5 / ln 10 * 10 / 1000.
  EXPECT_NEAR(t.error[0], 2.5 / std::log(10.0) * 0.01, 1e-15);
  EXPECT_TRUE(std::isnan(t.value[2]));
  EXPECT_TRUE(std::isnan(t.error[2]));
  EXPECT_EQ(t.flags, (std::vector<std::uint8_t>{0, kFlagRejected, 0, kFlagRejected}));
  EXPECT_EQ(t.band, (std::vector<int>{0, 1, 2, 0}));
  EXPECT_EQ(t.timeReference, "time = BJD_TCB - 2455197.5");
}

TEST(TableReader, GaiaWithoutFluxHasNoError) {
  auto t = ReadTable("band,time,mag,flux_error,rejected_by_photometry\nG,1700.5,15.0,10.0,false\n",
                     "gaia.csv");
  EXPECT_EQ(t.flavour, TableFlavour::Gaia);
  EXPECT_TRUE(t.error.empty());
  EXPECT_DOUBLE_EQ(t.value[0], 15.0);
}

TEST(TableReader, AavsoDownloadFainterThanAndObservers) {
  const std::string text =
      "JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code,Comment Code(s)\n"
      "2459000.1,10.5,0.1,,V,ABC,\n"
      "2459000.2,<11.0,,,Vis.,XYZW,\"B, Z\"\n"
      "2459000.3,10.7,0.05,,V,,\n";
  auto t = ReadTable(text, "aavso.txt");
  EXPECT_EQ(t.flavour, TableFlavour::AavsoDownload);
  EXPECT_DOUBLE_EQ(t.value[1], 11.0);
  EXPECT_TRUE(std::isnan(t.error[1]));
  EXPECT_EQ(t.flags, (std::vector<std::uint8_t>{0, kFlagFainterThan, 0}));
  EXPECT_EQ(t.bandNames, (std::vector<std::string>{"V", "Vis."}));
  EXPECT_EQ(t.observerNames, (std::vector<std::string>{"ABC", "XYZW"}));
  EXPECT_EQ(t.observer, (std::vector<int>{0, 1, -1}));
}

// Older AAVSO downloads come without their header row: the archive's own
// column order stands in for it. Differential magnitudes ("DIFF") form a
// band of their own next to the standard ones, so the two never mix.
TEST(TableReader, HeaderlessAavsoDownloadAndDifferentialMagnitudesApart) {
  const std::string rest = ",,,,No,,P,,,,WY Hya,,";
  const std::string text = "# saved from the archive\n"
                           "2454139.58267,-0.752,,,V,PRX,,195 1434" + rest + "DIFF,\n" +
                           "2454140.10000,<12.8,,,V,JA,,,,,,No,,G,,,,WY Hya,,STD,\n" +
                           "2454141.20000,11.25,0.01,,V,ABC,,,,,,No,,G,,,,WY Hya,,STD,\n" +
                           "2454142.30000,-0.701,,,V,PRX,,195 1434" + rest + "DIFF,\n" +
                           "2454143.40000,11.5,,,Vis.,MLF,,,,,,No,,G,,,,WY Hya\n";
  auto header = FindTableHeader(text);
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->flavour, TableFlavour::AavsoDownload);
  auto t = ReadTable(text, "wyhya.csv");
  ASSERT_EQ(t.rows(), 5u);
  EXPECT_DOUBLE_EQ(t.time[0], 2454139.58267);
  EXPECT_DOUBLE_EQ(t.value[1], 12.8);
  EXPECT_EQ(t.flags[1], kFlagFainterThan);
  EXPECT_DOUBLE_EQ(t.error[2], 0.01);
  EXPECT_EQ(t.bandNames, (std::vector<std::string>{"V(DIFF)", "V", "Vis."}));
  EXPECT_EQ(t.band, (std::vector<int>{0, 1, 1, 0, 2}));
  EXPECT_EQ(t.observerNames, (std::vector<std::string>{"PRX", "JA", "ABC", "MLF"}));
  EXPECT_EQ(t.timeReference, "time = JD");

  // Rows of numbers only, or too few fields, stay plain data files.
  EXPECT_FALSE(FindTableHeader("2454139.5,1,2,3,4,5,6,7,8,9,10,11,12,13\n").has_value());
  EXPECT_FALSE(FindTableHeader("2454139.5,10.1,,,V,ABC\n").has_value());
  EXPECT_FALSE(FindTableHeader("54139.5,10.1,,,V,ABC,,,,,,No,,G\n").has_value());
}

TEST(TableReader, TabSeparatedAavsoReadsAsComma) {
  auto t =
      ReadTable("JD\tMagnitude\tUncertainty\tBand\tObserver Code\n2459000.1\t10.5\t0.1\tV\tABC\n",
                "aavso.tsv");
  ASSERT_EQ(t.rows(), 1u);
  EXPECT_DOUBLE_EQ(t.value[0], 10.5);
  EXPECT_EQ(t.observerNames[0], "ABC");
}

TEST(TableReader, AavsoExtendedFixedFieldsAndObscode) {
  const std::string text =
      "#TYPE=EXTENDED\n#OBSCODE=TST01\n#SOFTWARE=by hand\n#DELIM=,\n#DATE=HJD\n#OBSTYPE=CCD\n"
      "#NAME,DATE,MAG,MERR,FILT,TRANS,MTYPE,CNAME,CMAG,KNAME,KMAG,AMASS,GROUP,CHART,NOTES\n"
      "SS CYG,2450702.1234,11.235,0.003,V,NO,STD,105,10.593,110,11.090,1.561,1,070613,na\n"
      "SS CYG,2450702.1254,<11.5,na,B,NO,STD,105,na,110,na,na,1,070613,na\n";
  auto t = ReadTable(text, "ext.txt");
  EXPECT_EQ(t.flavour, TableFlavour::AavsoExtended);
  ASSERT_EQ(t.rows(), 2u);
  EXPECT_DOUBLE_EQ(t.time[0], 2450702.1234);
  EXPECT_DOUBLE_EQ(t.error[0], 0.003);
  EXPECT_TRUE(std::isnan(t.error[1]));
  EXPECT_EQ(t.flags[1], kFlagFainterThan);
  EXPECT_EQ(t.bandNames, (std::vector<std::string>{"V", "B"}));
  EXPECT_EQ(t.observerNames, (std::vector<std::string>{"TST01"}));
  EXPECT_EQ(t.observer, (std::vector<int>{0, 0}));
  EXPECT_EQ(t.timeReference, "time = HJD");
}

TEST(TableReader, AavsoExtendedTabDelimiter) {
  auto t = ReadTable("#TYPE=EXTENDED\n#DELIM=tab\nX\t2450702.5\t11.2\t0.01\tV\n", "ext.txt");
  EXPECT_DOUBLE_EQ(t.value[0], 11.2);
  EXPECT_EQ(t.timeReference, "time = JD");
}

TEST(TableReader, GenericAliasesFluxWithItsError) {
  const std::string text =
      "Time,Flux,err,Flux_Err,Passband,Observer\n"
      "1.5,100.0,9,2.0,TESS,me\n"
      "2.5,+1.1e2,9,2.5,TESS,me\n";
  auto t = ReadTable(text, "g.csv");
  EXPECT_EQ(t.signal, SignalKind::Flux);
  EXPECT_EQ(t.errorColumn, "Flux_Err");
  EXPECT_DOUBLE_EQ(t.value[1], 110.0);
  EXPECT_DOUBLE_EQ(t.error[1], 2.5);
  EXPECT_EQ(t.bandNames[0], "TESS");
  EXPECT_EQ(t.observerNames[0], "me");
  EXPECT_EQ(t.timeReference, "time = column \"Time\" as given in the file");
}

TEST(TableReader, EcsvSkipsMetadataAndKeepsQuotedBlanks) {
  const std::string text =
      "# %ECSV 1.0\n# ---\n# datatype:\n# - {name: mjd, datatype: float64}\n"
      "# - {name: band, datatype: string}\n"
      "mjd mag magerr band\n"
      "58000.5 12.5 0.01 \"g b\"\n"
      "58001.5   12.6\t0.02 r\n";
  auto t = ReadTable(text, "t.ecsv");
  ASSERT_EQ(t.rows(), 2u);
  EXPECT_DOUBLE_EQ(t.value[1], 12.6);
  EXPECT_DOUBLE_EQ(t.error[1], 0.02);
  EXPECT_EQ(t.bandNames, (std::vector<std::string>{"g b", "r"}));
}

TEST(TableReader, EcsvCommaDelimiter) {
  auto t = ReadTable("# %ECSV 1.0\n# ---\n# delimiter: ','\njd,mag\n1.0,2.0\n", "t.ecsv");
  EXPECT_DOUBLE_EQ(t.value[0], 2.0);
}

// An ECSV table whose columns are not light-curve columns (one row per
// source with arrays, say) is refused naming the file and the header's line.
TEST(TableReader, EcsvWithoutKnownColumnsIsRefusedAtItsHeaderLine) {
  const std::string text =
      "# %ECSV 1.0\n# ---\n# delimiter: ','\nsource_id,g_transit_time,g_transit_mag\n"
      "12345,\"[1708.7,1710.2]\",\"[15.1,15.3]\"\n";
  try {
    ReadTable(text, "bulk.csv");
    FAIL() << "an ECSV table without a time column was read";
  } catch (const FormatError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("bulk.csv"), std::string::npos) << what;
    EXPECT_NE(what.find("line 4"), std::string::npos) << what;
    EXPECT_NE(what.find("no time column"), std::string::npos) << what;
  }
}

TEST(TableReader, BomCrLfBlankAndCommentLines) {
  auto t = ReadTable("\xEF\xBB\xBFJD,mag\r\n2459000.5,12.0\r\n\r\n# note\r\n2459000.6,12.1\r\n",
                     "w.csv");
  ASSERT_EQ(t.rows(), 2u);
  EXPECT_DOUBLE_EQ(t.value[1], 12.1);
}

TEST(TableReader, LoneCrLines) {
  auto t = ReadTable("JD,mag\r2459000.5,12.0\r2459000.6,12.1", "mac.csv");
  ASSERT_EQ(t.rows(), 2u);
  EXPECT_DOUBLE_EQ(t.time[1], 2459000.6);
}

TEST(TableReader, SentinelMagnitudesAreFlagged) {
  auto t = ReadTable("jd,mag,err\n1,99.99,0.1\n2,12.0,99.9\n3,12,0.1\n", "s.csv");
  EXPECT_EQ(t.flags, (std::vector<std::uint8_t>{kFlagBadMagnitude, kFlagBadMagnitude, 0}));
}

struct RefusalCase {
  const char* label;
  std::string text;
  int line, column;
  std::string message;  // part of what()
};

class TableRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TableRefusal, NamesFileLineAndColumn) {
  const auto& c = GetParam();
  try {
    ReadTable(c.text, "bad.csv");
    FAIL() << "no error for " << c.label;
  } catch (const FormatError& e) {
    EXPECT_EQ(e.file(), "bad.csv");
    EXPECT_EQ(e.line(), c.line);
    EXPECT_EQ(e.column(), c.column);
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, TableRefusal,
    ::testing::Values(
        RefusalCase{"no signal", "JD,foo\n1,2\n", 1, 0, "no signal column"},
        RefusalCase{"no time", "foo,mag\n1,2\n", 1, 0, "no time column"},
        RefusalCase{"text in a number", "JD,mag,err\n2459000.1,12.3,0.1\n2459000.2,1x2,0.1\n", 3, 2,
                    "\"1x2\" in column \"mag\" is not a number"},
        RefusalCase{"decimal comma", "JD;mag\n2459000,1;12,3\n", 2, 1,
                    "\"2459000,1\" in column \"JD\" is not a number"},
        RefusalCase{"cut row", "JD,mag,err\n2459000.1,12.3,0.1\n2459000.2", 3, 2,
                    "column \"mag\" is missing"},
        RefusalCase{"header only", "JD,mag\n", 1, 0, "no data rows"},
        RefusalCase{"plain data", "1 2\n3 4\n", 0, 0, "not a table"},
        RefusalCase{"bad truth",
                    "band,time,mag,flux,flux_error,rejected_by_photometry\nG,1,2,3,4,maybe\n", 2, 6,
                    "neither true nor false"}),
    [](const auto& info) {
      std::string s = info.param.label;
      for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return s;
    });

TEST(TableReader, MessageReadsWithPlace) {
  try {
    ReadTable("JD,mag\n1,x\n", "star.csv");
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot read \"star.csv\", line 2, column 2: \"x\" in column \"mag\" is not a "
                 "number");
  }
}

}  // namespace
}  // namespace teril
