// The bootstrap samples: the generator, the two files and their round trip
// through the reader of intervals files.
#include "periodicity/bootstrap.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "base/io.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/intervals.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

TEST(BootstrapGenerator, FollowsTheRecurrenceFromZero) {
  // s <- (134775813 s + 1) mod 2^32 written out with 64-bit integers.
  std::uint64_t s = 0;
  std::uint32_t state = 0;
  for (int k = 0; k < 1000; ++k) {
    s = (134775813ULL * s + 1) % 4294967296ULL;
    EXPECT_EQ(NextUniform(state), static_cast<double>(s) / 4294967296.0);
  }
  // By hand: 1, then 134775813 + 1.
  std::uint32_t fresh = 0;
  EXPECT_EQ(NextUniform(fresh), 1.0 / 4294967296.0);
  EXPECT_EQ(NextUniform(fresh), 134775814.0 / 4294967296.0);
}

class BootstrapTest : public testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->console.writeLogFile = false;
    DataSet& d = engine->data;
    d.n = 5;
    for (int i = 1; i <= 5; ++i) {
      d.t[i] = 100 + i;
      d.x[i] = 10 + 0.1 * i;
    }
    d.tWidth = 6;
    d.tDecimals = 1;
    d.xWidth = 5;
    d.xDecimals = 2;
    engine->view.firstVisible = 2;  // the points 2, 3, 4 are visible
    engine->view.lastVisible = 4;
  }
  std::string Line(int i) {
    return i == 2 ? " 102.0 10.20" : i == 3 ? " 103.0 10.30" : " 104.0 10.40";
  }
};

TEST_F(BootstrapTest, ThreeVisiblePointsGive6000LinesAnd2000Intervals) {
  ASSERT_TRUE(RunNamedCommand(*engine, "GenerateBootstrap1"));
  auto data = ReadLines("BootStrap.dat");
  ASSERT_EQ(data.size(), 6000u);
  // The first block is the visible points unchanged.
  EXPECT_EQ(data[0], Line(2));
  EXPECT_EQ(data[1], Line(3));
  EXPECT_EQ(data[2], Line(4));
  // First resample, from s = 0: s1 = 1, s2 = 134775814, s3 = 3698175007;
  // k = trunc(3 s / 2^32) + 1 = 1, 1, 3: counts 2, 0, 1.
  EXPECT_EQ(data[3], Line(2));
  EXPECT_EQ(data[4], Line(2));
  EXPECT_EQ(data[5], Line(4));
  // Every block is in time order.
  for (std::size_t b = 0; b < 2000; ++b)
    for (std::size_t k = 1; k < 3; ++k) EXPECT_LE(data[3 * b + k - 1], data[3 * b + k]);
  auto intervals = ReadLines("BootStrap.dat!");
  ASSERT_EQ(intervals.size(), 2000u);
  EXPECT_EQ(intervals[0], "1  1.02000000000000E+0002 3  1.04000000000000E+0002");
  EXPECT_EQ(intervals[1999], "5998  1.02000000000000E+0002 6000  1.04000000000000E+0002");
  // Read back: 2000 intervals of three points each.
  IntervalReadResult r = ReadIntervals("BootStrap.dat!", ReadText("BootStrap.dat!"), 6000);
  ASSERT_EQ(r.entries.size(), 2000u);
  for (std::size_t k = 0; k < r.entries.size(); ++k) {
    EXPECT_EQ(r.entries[k].startIndex, static_cast<int>(3 * k + 1));
    EXPECT_EQ(r.entries[k].endIndex, static_cast<int>(3 * k + 3));
  }
  EXPECT_TRUE(host.LoggedPart("LOG>>Bootstrap: 2000 samples of 3 points in BootStrap.dat"));
}

TEST_F(BootstrapTest, TwoProgramStartsGiveTheSameFilesAndASecondRunContinues) {
  WriteBootstrap(*engine, "a.dat");
  WriteBootstrap(*engine, "b.dat");
  testing::ScriptedHost otherHost;
  testing::ScriptedDialogs otherDialogs;
  Engine other(otherHost, otherDialogs, EngineOptions{(dir / "work2").string()});
  other.console.writeLogFile = false;
  other.data.n = 5;
  for (int i = 1; i <= 5; ++i)
    other.data.t[i] = engine->data.t[i], other.data.x[i] = engine->data.x[i];
  other.data.tWidth = 6, other.data.tDecimals = 1, other.data.xWidth = 5, other.data.xDecimals = 2;
  other.view.firstVisible = 2;
  other.view.lastVisible = 4;
  WriteBootstrap(other, "c.dat");
  EXPECT_EQ(ReadText("a.dat"), ReadText("c.dat"));
  EXPECT_NE(ReadText("a.dat"), ReadText("b.dat"));
  EXPECT_EQ(ReadText("a.dat!"), ReadText("b.dat!"));
}

TEST_F(BootstrapTest, NoVisiblePointWritesNothing) {
  engine->view.firstVisible = engine->view.lastVisible = 0;
  WriteBootstrap(*engine, "BootStrap.dat");
  EXPECT_FALSE(FileExists("BootStrap.dat"));
  EXPECT_FALSE(FileExists("BootStrap.dat!"));
  EXPECT_TRUE(host.Logged("Generate Bootstrap: no point is visible; nothing is written"));
  EXPECT_EQ(engine->bootstrap.seed, 0u);
}

}  // namespace
}  // namespace teril
