// The import: rows chosen, signals converted, header lines, the name of the
// data file, and the round trip through the program's data-file reader.
#include "formats/import.h"

#include <gtest/gtest.h>

#include <charconv>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <set>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/data_file.h"
#include "fits_fixture.h"
#include "formats/table_reader.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kPogson = 2.5 / std::log(10.0);

bool HasLine(const ImportedCurve& c, const std::string& line) {
  for (const auto& h : c.header)
    if (h == line) return true;
  return false;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

class ImportFits : public testing::TempFolderTest {
 protected:
  // Rows: good; NaN time; NaN flux; desaturation (32); negative flux;
  // stray light (2048).
  LightCurveTable Read(const std::string& name = "tess2019_lc.fits") {
    testing::FitsLayout s;
    s.rows = {{1500.0, 1000.0f, 10.0f, 0}, {kNaN, 50.0f, 1.0f, 0},   {1500.2, NAN, 1.0f, 0},
              {1500.3, 100.0f, 1.0f, 32},  {1500.4, -5.0f, 1.0f, 0}, {1500.5, 10.0f, 0.1f, 2048}};
    path = (dir / name).string();
    EXPECT_EQ(testing::WriteLightCurveFits(path, s), 0);
    return ReadLightCurve(FitsTable::Open(path), FluxColumn::Pdcsap);
  }
  std::string path;
};

TEST_F(ImportFits, DefaultMaskMagnitudesAndReasons) {
  auto lc = Read();
  auto o = DefaultImportOptions(lc);
  EXPECT_TRUE(o.bands.empty());
  EXPECT_EQ(o.mask, QualityMask::Default);
  auto c = BuildImport(lc, o, path);
  ASSERT_EQ(c.t.size(), 2u);
  EXPECT_DOUBLE_EQ(c.t[1], 1500.5);
  // m = 0 - 2.5 lg 1000 and 0 - 2.5 lg 10; sigma = 1.0857 * 10 / 1000 and 0.1 / 10.
  EXPECT_NEAR(c.x[0], -7.5, 1e-12);
  EXPECT_NEAR(c.x[1], -2.5, 1e-6);
  EXPECT_NEAR(c.s[0], 0.010857, 1e-6);
  EXPECT_NEAR(c.s[1], kPogson * 0.01, 1e-8);
  EXPECT_EQ(c.path, (dir / "tess2019_lc_pdcsap.dat").string());
  EXPECT_TRUE(HasLine(c, "# time = BJD_TDB - 2457000 (column TIME)")) << Joined(c.header);
  EXPECT_TRUE(HasLine(c, "# Dropped 2: time or flux is NaN"));
  EXPECT_TRUE(HasLine(c, "# Dropped 1: QUALITY & 16575 (default mask) not 0"));
  EXPECT_TRUE(HasLine(c, "# Dropped 1: flux not positive (no magnitude)"));
  EXPECT_TRUE(HasLine(c, "# Rows: 6 read, 2 kept"));
  EXPECT_TRUE(HasLine(c, "# RA = 123.5 deg"));
  EXPECT_TRUE(HasLine(c, "# Dec = -45.25 deg"));
  EXPECT_TRUE(HasLine(c, "# Flux column: PDCSAP_FLUX; quality mask: default (16575)"));
  EXPECT_TRUE(c.observer.empty());
}

struct MaskImport {
  QualityMask mask;
  std::vector<double> times;
};

class ImportMasks : public ImportFits, public ::testing::WithParamInterface<MaskImport> {};

TEST_P(ImportMasks, KeepsTheRowsTheMaskAllows) {
  auto lc = Read();
  ImportOptions o;
  o.mask = GetParam().mask;
  EXPECT_EQ(BuildImport(lc, o, path).t, GetParam().times);
}

INSTANTIATE_TEST_SUITE_P(Masks, ImportMasks,
                         ::testing::Values(MaskImport{QualityMask::Default, {1500.0, 1500.5}},
                                           MaskImport{QualityMask::Hard, {1500.0}},
                                           MaskImport{QualityMask::None,
                                                      {1500.0, 1500.3, 1500.5}}));

TEST_F(ImportFits, RelativeFluxDividesByTheMedian) {
  auto lc = Read();
  ImportOptions o;
  o.signal = SignalMode::RelativeFlux;
  auto c = BuildImport(lc, o, path);
  // Kept fluxes 1000, -5, 10: median 10.
  ASSERT_EQ(c.x.size(), 3u);
  EXPECT_NEAR(c.x[0], 100.0, 1e-9);
  EXPECT_NEAR(c.x[1], -0.5, 1e-9);
  EXPECT_NEAR(c.x[2], 1.0, 1e-9);
  EXPECT_NEAR(c.s[0], 1.0, 1e-9);
  EXPECT_NEAR(c.s[2], 0.01, 1e-8);
  EXPECT_TRUE(HasLine(c,
                      "# Signal: x = flux / median flux (column PDCSAP_FLUX); "
                      "s = error of x (column PDCSAP_FLUX_ERR)"));
}

TEST_F(ImportFits, WrittenFileReadsBackThroughTheDataFileReader) {
  auto lc = Read("tess2019_lc.fits.gz");
  auto c = BuildImport(lc, DefaultImportOptions(lc), path);
  EXPECT_EQ(c.path, (dir / "tess2019_lc_pdcsap.dat").string());
  WriteImport(c);
  const std::string text = *ReadFileIfExists(c.path);
  auto data = std::make_unique<DataSet>();
  ReadColumns columns;
  columns.columnX = ImportColumnX(c);
  ASSERT_EQ(columns.columnX, 2);
  ASSERT_EQ(ParseDataText(text, "tess2019_lc_pdcsap.dat", *data, columns), 2);
  EXPECT_EQ(columns.headerLines, static_cast<int>(c.header.size()));
  EXPECT_TRUE(columns.note.empty());
  EXPECT_DOUBLE_EQ(data->t[1], 1500.0);
  EXPECT_NEAR(data->x[1], -7.5, 1e-6);
  EXPECT_NEAR(data->x[2], -2.5, 1e-6);
  ASSERT_EQ(ParseSColumn(text, "x.dat", *data, ImportColumnS(c), columns.headerLines), 2);
  EXPECT_NEAR(data->s[1], 0.010857, 1e-6);
}

TEST(ImportTable, ZtfDefaultBandCatflagsAndName) {
  const std::string text =
      "oid,hjd,mag,magerr,catflags,filtercode\n"
      "1,2458300.1,15.100,0.020,0,zg\n"
      "1,2458300.2,15.200,0.021,32768,zg\n"
      "1,2458300.25,15.250,0.021,0,zg\n"
      "1,2458300.3,14.900,0.019,0,zr\n";
  auto t = ReadTable(text, "4099.csv");
  auto bands = ListBands(t);
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_EQ(bands[0].name, "zg");
  EXPECT_EQ(bands[0].count, 3);
  auto o = DefaultImportOptions(t);
  EXPECT_EQ(o.bands, std::vector<std::string>{"zg"});
  auto c = BuildImport(t, o, "/data/stars/4099.csv");
  EXPECT_EQ(c.path, "/data/stars/4099_zg.dat");
  EXPECT_EQ(c.x, (std::vector<double>{15.1, 15.25}));
  EXPECT_EQ(c.s, (std::vector<double>{0.020, 0.021}));
  EXPECT_TRUE(HasLine(c, "# Dropped 1: ZTF catflags not 0"));
  EXPECT_TRUE(HasLine(c, "# Rows: 4 read, 2 kept, 1 of other bands"));
  EXPECT_TRUE(HasLine(c, "# Bands: zg (in the file: zg (3), zr (1))"));
  EXPECT_TRUE(HasLine(c, "# time = HJD (column hjd)"));
  o.dropFlagged = false;
  EXPECT_EQ(BuildImport(t, o, "4099.csv").x.size(), 3u);
}

TEST(ImportTable, SeveralBandsGoToTheObserverColumn) {
  auto t = ReadTable("jd,mag,band\n1,10,V\n2,11,B\n3,12,V\n", "two.csv");
  ImportOptions o;
  o.bands = SplitBands("  V\tB ");
  auto c = BuildImport(t, o, "two.csv");
  EXPECT_EQ(c.path, "two_V_B.dat");
  EXPECT_EQ(c.codes, (std::vector<std::string>{"V", "B"}));
  EXPECT_EQ(c.observer, (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(ImportText(c).substr(Joined(c.header).size()),
            "1.000000 10.000000 V\n2.000000 11.000000 B\n3.000000 12.000000 V\n");
}

TEST(ImportTable, AavsoFainterThanDroppedAndLongCodesMapped) {
  const std::string text =
      "JD,Magnitude,Uncertainty,Band,Observer Code\n"
      "2459000.1,10.5,0.1,V,ABC\n"
      "2459000.2,<11.0,,V,XYZW\n"
      "2459000.3,10.7,,V,XYZW\n"
      "2459000.4,10.8,0.05,V,ABCDE\n";
  auto t = ReadTable(text, "aavso.txt");
  auto c = BuildImport(t, DefaultImportOptions(t), "aavso.txt");
  EXPECT_EQ(c.path, "aavso_V.dat");
  ASSERT_EQ(c.t.size(), 3u);
  EXPECT_TRUE(HasLine(c, "# Dropped 1: fainter-than estimates (<)"));
  EXPECT_TRUE(HasLine(c, "# s = 0 where the file gives no error: 1 rows"));
  EXPECT_TRUE(HasLine(c, "# Code XYZW = XYZ"));
  EXPECT_TRUE(HasLine(c, "# Code ABCDE = AB0"));
  EXPECT_TRUE(HasLine(c, "# Observer column: observer code"));
  EXPECT_EQ(c.codes, (std::vector<std::string>{"ABC", "XYZ", "AB0"}));
  EXPECT_EQ(c.s[1], 0.0);
}

TEST(ImportTable, FluxTableToMagnitudesWithItsError) {
  auto t = ReadTable("btjd,flux,flux_err\n1.0,100,1\n2.0,0,1\n3.0,10000,50\n", "f.csv");
  auto c = BuildImport(t, ImportOptions{}, "f.csv");
  EXPECT_EQ(c.x, (std::vector<double>{-5.0, -10.0}));
  EXPECT_NEAR(c.s[0], kPogson * 0.01, 1e-12);
  EXPECT_NEAR(c.s[1], kPogson * 0.005, 1e-12);
  EXPECT_TRUE(HasLine(c, "# time = BJD_TDB - 2457000 (column btjd)"));
  EXPECT_TRUE(HasLine(c, "# Dropped 1: flux not positive (no magnitude)"));
  EXPECT_EQ(c.path, "f.dat");
}

TEST(ImportTable, MagnitudesToRelativeFluxPerBand) {
  // Per band: V magnitudes 10, 11, 12 have median 11; B 5 alone.
  auto t = ReadTable("jd,mag,err,band\n1,10,0.1,V\n2,11,0.1,V\n3,12,0.1,V\n4,5,0.2,B\n", "m.csv");
  ImportOptions o;
  o.signal = SignalMode::RelativeFlux;
  o.bands = {"V", "B"};
  auto c = BuildImport(t, o, "m.csv");
  EXPECT_NEAR(c.x[0], std::pow(10.0, 0.4), 1e-12);
  EXPECT_NEAR(c.x[1], 1.0, 1e-12);
  EXPECT_NEAR(c.x[2], std::pow(10.0, -0.4), 1e-12);
  EXPECT_NEAR(c.x[3], 1.0, 1e-12);
  EXPECT_NEAR(c.s[0], std::pow(10.0, 0.4) * 0.1 / kPogson, 1e-12);
}

TEST(ImportTable, DataFileNameNeverTheSource) {
  auto t = ReadTable("jd,mag\n1,2\n", "star.dat");
  EXPECT_EQ(BuildImport(t, ImportOptions{}, "dir/star.dat").path, "dir/star_import.dat");
}

struct ImportRefusal {
  const char* label;
  std::string text;
  std::vector<std::string> bands;
  std::string message;
};

class ImportRefusals : public ::testing::TestWithParam<ImportRefusal> {};

TEST_P(ImportRefusals, NameTheFileAndWriteNothing) {
  const auto& c = GetParam();
  auto t = ReadTable(c.text, "z.csv");
  ImportOptions o;
  o.bands = c.bands;
  try {
    BuildImport(t, o, "z.csv");
    FAIL() << c.label;
  } catch (const FormatError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot read \"z.csv\": " + c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ImportRefusals,
    ::testing::Values(ImportRefusal{"band",
                                    "jd,mag,band\n1,2,zg\n2,3,zg\n3,4,zr\n",
                                    {"zi"},
                                    "band \"zi\" is not in the file; it has zg (2), zr (1)"},
                      ImportRefusal{"no bands",
                                    "jd,mag\n1,2\n",
                                    {"V"},
                                    "bands were asked for, but the file has no band column"},
                      ImportRefusal{"nothing left",
                                    "jd,mag\n1,\n2,99.99\n",
                                    {},
                                    "no rows left to import (2 dropped, 0 of other bands)"}));

TEST(ShortCodes, KeepShortOnesAndMapLongOnesUniquely) {
  std::vector<std::string> mapping;
  auto codes = ShortCodes({"ABCD", "ABCE", "ABC", "AB", "A B", "A\tB", "A_B"}, mapping);
  EXPECT_EQ(codes, (std::vector<std::string>{"AB0", "AB1", "ABC", "AB", "A_0", "A_1", "A_B"}));
  EXPECT_EQ(mapping,
            (std::vector<std::string>{"ABCD = AB0", "ABCE = AB1", "A B = A_0", "A\tB = A_1"}));
}

TEST(ShortCodes, ThousandsOfLongNamesStayUnique) {
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) names.push_back("OBS" + std::to_string(i));
  std::vector<std::string> mapping;
  auto codes = ShortCodes(names, mapping);
  std::set<std::string> seen(codes.begin(), codes.end());
  EXPECT_EQ(seen.size(), names.size());
  for (const auto& c : codes) EXPECT_LE(c.size(), 3u);
  EXPECT_EQ(mapping.size(), names.size());
}

// Times, magnitudes and errors as surveys give them, and values on and
// next to the halves of the sixth decimal, where a shortcut through the
// scaled integer would round the other way: every row as std::to_chars
// writes it with six decimals.
TEST(ImportText, SixDecimalsAgreeWithTheLibraryAtTiesAndEverywhereElse) {
  ImportedCurve c;
  std::mt19937_64 gen(11);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 100000; ++i) {
    c.t.push_back(2450000 + 10000 * unit(gen));
    c.s.push_back(unit(gen) * 0.1);
    c.x.push_back(i % 2 ? 15 + 5 * unit(gen) : -(1e-7 * unit(gen)));
  }
  for (long k : {0L, 1L, 7L, 123456L, 2459000123456L, 999999999999999L}) {
    for (double delta : {0.0, 1e-12, -1e-12}) {
      // k + 1/2 millionths, and its neighbours.
      const double tie = (static_cast<double>(k) + 0.5) / 1e6 + delta;
      c.t.push_back(tie);
      c.s.push_back(std::nextafter(tie, 0.0));
      c.x.push_back(-std::nextafter(tie, 1e300));
    }
  }
  for (double v : {0.0000005, 0.0000015, 0.0000025, 2.5e-7, 999999999.9999995, 1e9, -0.0}) {
    c.t.push_back(v);
    c.s.push_back(-v);
    c.x.push_back(v * 3);
  }
  std::string expected;
  auto add = [&expected](double v) {
    char buffer[400];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6);
    expected.append(buffer, r.ptr);
  };
  for (std::size_t i = 0; i < c.t.size(); ++i) {
    add(c.t[i]);
    expected += ' ';
    add(c.s[i]);
    expected += ' ';
    add(c.x[i]);
    expected += '\n';
  }
  const std::string written = ImportText(c);
  ASSERT_EQ(written.size(), expected.size());
  // The first line that differs, rather than two texts of megabytes.
  std::size_t line = 0, start = 0;
  for (std::size_t k = 0; k < written.size(); ++k) {
    if (written[k] != expected[k]) {
      const std::size_t stop = expected.find('\n', start);
      FAIL() << "row " << line + 1 << ": " << written.substr(start, stop - start) << " instead of "
             << expected.substr(start, stop - start);
    }
    if (expected[k] == '\n') ++line, start = k + 1;
  }
}

}  // namespace
}  // namespace teril

namespace teril {
namespace {

TEST(ImportTable, OverflowingFluxIsDroppedNotWrittenAsInfinity) {
  // 10^(-0.4 * -1000) overflows; the other two have the median 10^-4.
  auto t = ReadTable("jd,mag\n1,-1000\n2,10\n3,10\n", "o.csv");
  ImportOptions o;
  o.signal = SignalMode::RelativeFlux;
  o.dropFlagged = false;  // -1000 is also a sentinel magnitude
  auto c = BuildImport(t, o, "o.csv");
  EXPECT_EQ(c.x, (std::vector<double>{1.0, 1.0}));
  EXPECT_EQ(c.t, (std::vector<double>{2.0, 3.0}));
  EXPECT_TRUE(HasLine(c, "# Dropped 1: signal out of range after conversion"));
}

TEST(ImportTable, NonPositiveMedianRefused) {
  auto t = ReadTable("jd,flux\n1,-1\n2,-2\n3,5\n", "n.csv");
  ImportOptions o;
  o.signal = SignalMode::RelativeFlux;
  EXPECT_THROW(BuildImport(t, o, "n.csv"), FormatError);
}

// The rows are written as the general number helper writes them (Str with
// six decimals, a blank between values), whatever the value.
TEST(ImportText, RowsAreWhatTheNumberHelperWrites) {
  ImportedCurve c;
  c.header = {"# test"};
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> mant(-10, 10);
  std::uniform_int_distribution<int> expo(-12, 12);
  for (int i = 0; i < 2000; ++i) {
    c.t.push_back(mant(gen) * std::pow(10.0, expo(gen)));
    c.s.push_back(std::fabs(mant(gen)) * 1e-3);
    c.x.push_back(i % 7 == 0 ? -0.0 : mant(gen) * std::pow(10.0, expo(gen)));
  }
  c.t.push_back(2459000.1234565);  // a rounding case of the sixth decimal
  c.s.push_back(0);
  c.x.push_back(1e300);
  std::string expected = "# test\n";
  for (std::size_t i = 0; i < c.t.size(); ++i)
    expected += Str(c.t[i], 0, 6) + " " + Str(c.s[i], 0, 6) + " " + Str(c.x[i], 0, 6) + "\n";
  EXPECT_EQ(ImportText(c), expected);
}

}  // namespace
}  // namespace teril
