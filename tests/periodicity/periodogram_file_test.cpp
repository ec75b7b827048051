#include "periodicity/periodogram_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

std::string Fast(double v) {
  char buf[32];
  return std::string(buf, WriteSci23(buf, v));
}

TEST(PeriodogramFile, WritesTheSameCharactersAsSci23) {
  const double special[] = {0.0,
                            -0.0,
                            1.0,
                            -1.0,
                            0.5,
                            9.999999999999995,
                            9.9999999999999953,
                            1e-5,
                            123456.789,
                            -2.5e-300,
                            1e300,
                            std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::min(),
                            std::numeric_limits<double>::denorm_min(),
                            -std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
  for (double v : special) EXPECT_EQ(Fast(v), Sci23(v)) << v;
  // Random bit patterns cover every exponent; random values in the ranges
  // a periodogram writes cover the roundings of the 15th digit.
  std::mt19937_64 gen(1);
  std::uniform_real_distribution<double> u(-50, 50), e(-30, 30);
  for (int i = 0; i < 200000; ++i) {
    std::uint64_t bits = gen();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    ASSERT_EQ(Fast(v), Sci23(v)) << bits;
    const double w = u(gen) * std::pow(10.0, e(gen));
    ASSERT_EQ(Fast(w), Sci23(w)) << w;
  }
}

class PeriodogramFileTest : public teril::testing::TempFolderTest {};

// The file as the periodogram command has written it, line by line with
// Sci23, for comparison.
std::string Reference(const FrequencyGrid& g, const std::vector<double>& p,
                      const std::vector<double>& a) {
  std::string text = "frequency power semi-amplitude\n";
  for (long long k = 0; k < g.count; ++k)
    text += Sci23(g.At(k)) + " " + Sci23(p[k]) + " " + Sci23(a[k]) + "\n";
  return text;
}

TEST_F(PeriodogramFileTest, IsByteForByteTheFileOfTheLineByLineFormatting) {
  const FrequencyGrid g{0, 0.0123456789, 300001};  // more than one block of lines
  std::vector<double> p(g.count), a(g.count);
  std::mt19937 gen(3);
  std::normal_distribution<double> n(0, 1);
  for (long long k = 0; k < g.count; ++k) {
    p[k] = k % 97 == 0 ? 0.0 : std::fabs(n(gen)) * 1e-3;
    a[k] = k % 101 == 0 ? -0.0 : n(gen) * std::pow(10.0, static_cast<int>(k % 40) - 20);
  }
  const std::span<const double> columns[] = {p, a};
  const std::string path = (dir / "x_periodogram.dat").string();
  ASSERT_TRUE(WritePeriodogramFile(path, "frequency power semi-amplitude", g, columns));
  EXPECT_EQ(ReadText("x_periodogram.dat"), Reference(g, p, a));
  // One thread writes the same.
  ASSERT_TRUE(WritePeriodogramFile(path, "frequency power semi-amplitude", g, columns, {}, 1));
  EXPECT_EQ(ReadText("x_periodogram.dat"), Reference(g, p, a));
}

TEST_F(PeriodogramFileTest, AStopRemovesTheFile) {
  const FrequencyGrid g{1, 0.5, 600000};
  std::vector<double> p(g.count, 0.25);
  const std::span<const double> columns[] = {p};
  const std::string path = (dir / "y_periodogram.dat").string();
  long long asked = -1;
  EXPECT_FALSE(WritePeriodogramFile(path, "frequency power", g, columns,
                                    [&asked](long long done, long long) {
                                      asked = done;
                                      return false;
                                    }));
  EXPECT_GT(asked, 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  const std::vector<double> shortColumn(10);
  const std::span<const double> bad[] = {shortColumn};
  EXPECT_THROW(WritePeriodogramFile(path, "x", g, bad), std::invalid_argument);
}

TEST_F(PeriodogramFileTest, AnEmptyGridWritesTheHeaderOnly) {
  const std::string path = (dir / "z_periodogram.dat").string();
  ASSERT_TRUE(WritePeriodogramFile(path, "frequency power semi-amplitude", FrequencyGrid{}, {}));
  EXPECT_EQ(ReadText("z_periodogram.dat"), "frequency power semi-amplitude\n");
}

}  // namespace
}  // namespace teril
