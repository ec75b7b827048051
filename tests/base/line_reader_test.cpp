#include "base/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace teril {
namespace {

std::vector<std::string> Lines(LineReader& reader) {
  std::vector<std::string> out;
  std::string_view line;
  while (reader.Next(line)) out.emplace_back(line);
  return out;
}

// A source that hands out `text` in blocks and counts what it handed out.
struct BlockSource {
  std::string text;
  std::size_t at = 0;
  std::size_t handed = 0;
  std::size_t operator()(char* buffer, std::size_t size) {
    std::size_t k = std::min(size, text.size() - at);
    std::memcpy(buffer, text.data() + at, k);
    at += k;
    handed += k;
    return k;
  }
};

struct LineCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};

class LineEnds : public ::testing::TestWithParam<LineCase> {};

// Every block size from 1 byte up gives the lines of the whole text, so a
// CR LF or a byte-order mark cut by a block end reads the same.
TEST_P(LineEnds, WholeTextAndEveryBlockSizeGiveTheSameLines) {
  const LineCase& c = GetParam();
  LineReader whole(c.text);
  EXPECT_EQ(Lines(whole), c.lines);
  EXPECT_EQ(whole.number(), static_cast<int>(c.lines.size()));
  for (std::size_t block = 1; block <= c.text.size() + 1; ++block) {
    BlockSource source{c.text};
    LineReader reader(std::ref(source), kMaxLineBytes, block);
    EXPECT_EQ(Lines(reader), c.lines) << "block " << block;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineEnds,
    ::testing::Values(LineCase{"Lf", "a b\ncd\n", {"a b", "cd"}},
                      LineCase{"NoFinalEnd", "a b\ncd", {"a b", "cd"}},
                      LineCase{"CrLf", "a b\r\ncd\r\n", {"a b", "cd"}},
                      LineCase{"LoneCr", "a b\rcd\r", {"a b", "cd"}},
                      // CR CR LF is a lone CR and then a CR LF: an empty line between.
                      LineCase{"Mixed", "1\n2\r\n3\r4\r\r\n5", {"1", "2", "3", "4", "", "5"}},
                      LineCase{"EmptyLines", "\n\n", {"", ""}},
                      LineCase{"Bom",
                               "\xEF\xBB\xBF"
                               "x\r\ny",
                               {"x", "y"}},
                      // Only a mark at the very start is skipped.
                      LineCase{"BomLater",
                               "x\n\xEF\xBB\xBF"
                               "y",
                               {"x", "\xEF\xBB\xBFy"}},
                      LineCase{"OnlyBom", "\xEF\xBB\xBF", {}}, LineCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineReader, LineLongerThanTheLimitIsRefusedWithItsNumber) {
  const std::string text = "0123456789\nshort\n0123456789A\nnever read\n";
  for (std::size_t block : {std::size_t{0}, std::size_t{1}, std::size_t{4}, std::size_t{64}}) {
    BlockSource source{text};
    LineReader blocks(std::ref(source), 10, block == 0 ? 1 : block);
    LineReader whole(text, 10);
    LineReader& reader = block == 0 ? whole : blocks;
    std::string_view line;
    ASSERT_TRUE(reader.Next(line));  // exactly 10 characters pass
    EXPECT_EQ(line, "0123456789");
    ASSERT_TRUE(reader.Next(line));
    try {
      reader.Next(line);
      FAIL() << "no error";
    } catch (const LineTooLong& e) {
      EXPECT_EQ(e.line(), 3);
    }
  }
}

// A file that is one huge line is refused after the limit and one block,
// not gathered whole.
TEST(LineReader, HugeLineIsNotReadWhole) {
  BlockSource source{std::string(8 * kMaxLineBytes, 'x')};
  LineReader reader(std::ref(source), kMaxLineBytes, 1 << 16);
  std::string_view line;
  EXPECT_THROW(reader.Next(line), LineTooLong);
  EXPECT_LE(source.handed, kMaxLineBytes + (1 << 16));
}

}  // namespace
}  // namespace teril
