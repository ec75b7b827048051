#include "console/file_run.h"

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

struct NameCase {
  const char* input;
  const char* output;
  const char* marks;
};

class OutputNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputNames, DerivedFromTheDataFileName) {
  std::string out, marks;
  DeriveOutputNames(GetParam().input, out, marks);
  EXPECT_EQ(out, GetParam().output);
  EXPECT_EQ(marks, GetParam().marks);
}

INSTANTIATE_TEST_SUITE_P(Rules, OutputNames,
                         ::testing::Values(NameCase{"ab.dat", "ab$.dat", "ab!.dat"},
                                           NameCase{"a.b.txt", "a$.b.txt", "a!.b.txt"},
                                           NameCase{"abc.d", "abc.$", "abc.!"},
                                           NameCase{"data", "data.$", "data.!"},
                                           NameCase{"star.dat", "star.da$", "star.da!"}));

class FileRunTest : public testing::EngineTest {};

TEST_F(FileRunTest, StartLogsTheNamesAndEchoesThePoints) {
  std::string path = WriteText("ab.dat", "# title\n1.0 10.5 AA\n2.0 11.5 BB\n3.0 12.5\n");
  engine->run.args = {path, "1", "-"};
  engine->run.paramCount = 3;
  engine->run.echoPoints = true;
  RunDataFile(*engine, path);
  std::vector<std::string> expected{"  InputFile=", "ab.dat", "  OutFile=", "ab$.dat"};
  ASSERT_GE(host.log.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(host.log.begin(), host.log.begin() + 4), expected);
  EXPECT_EQ(host.stdoutLines, (std::vector<std::string>{"2 2 11.5", "3 3 12.5"}));
  EXPECT_EQ(engine->data.n, 3);
  EXPECT_EQ(engine->run.headerLines, 1);
  EXPECT_EQ(engine->run.marksFile, "ab!.dat");
  EXPECT_DOUBLE_EQ(engine->data.t0[3], 3.0);
  EXPECT_EQ(host.captions.front(), "ZR : " + path);
  EXPECT_EQ(host.captions.back(), "ZR : ...");
}

TEST_F(FileRunTest, ThirdParameterNamesTheOutputFile) {
  std::string path = WriteText("ab.dat", "1 2\n");
  engine->run.args = {path, "1", "result.txt"};
  engine->run.paramCount = 3;
  RunDataFile(*engine, path);
  EXPECT_EQ(engine->run.outputFile, "result.txt");
}

TEST_F(FileRunTest, FourthParameterGivesHeaderLines) {
  std::string path = WriteText("ab.dat", "1 2\n3 4\n5 6\n");
  engine->run.args = {path, "1", "=", "2"};
  engine->run.paramCount = 4;
  RunDataFile(*engine, path);
  EXPECT_EQ(engine->data.n, 1);
  EXPECT_DOUBLE_EQ(engine->data.t[1], 5);
}

TEST_F(FileRunTest, MissingFileRingsAndAsksForAnotherName) {
  WriteText("other.dat", "1 2\n2 3\n");
  host.Add({"other.dat"});
  RunDataFile(*engine, (dir / "missing.dat").string());
  EXPECT_TRUE(host.Logged(" !!!  File not found !!!\a"));
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(engine->run.inputFile, "other.dat");
  EXPECT_EQ(engine->data.n, 2);
}

TEST_F(FileRunTest, EmptyAnswerAfterMissingFileEndsTheRun) {
  host.Add({""});
  RunDataFile(*engine, (dir / "missing.dat").string());
  EXPECT_EQ(engine->data.n, 0);
  EXPECT_EQ(host.captions.back(), "ZR : ...");
}

TEST_F(FileRunTest, HeaderOnlyFileSaysItContainsNoData) {
  std::string path = WriteText("empty.dat", "title\nmore title\n");
  RunDataFile(*engine, path);
  ASSERT_GE(host.log.size(), 3u);
  std::vector<std::string> tail(host.log.end() - 3, host.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"The file  \"", "empty.dat", "\"  contains NO data"}));
}

TEST_F(FileRunTest, MalformedLineEndsTheRunNamingFileAndLine) {
  std::string path = WriteText("bad.dat", "1 2\n2 3\n3 4\n4 5\n5 6\n6 7\n7 oops\n8 9\n");
  RunDataFile(*engine, path);
  EXPECT_TRUE(host.LoggedPart("bad.dat, line 7"));
  EXPECT_TRUE(host.LoggedPart("7 oops"));
  EXPECT_EQ(engine->data.n, 6);
  EXPECT_EQ(host.captions.back(), "ZR : ...");
  // The data file itself is untouched.
  EXPECT_EQ(ReadText("bad.dat"), "1 2\n2 3\n3 4\n4 5\n5 6\n6 7\n7 oops\n8 9\n");
}

TEST_F(FileRunTest, UnsortedTimesAskAndSortOnY) {
  std::string path = WriteText("u.dat", "1 10 A\n3 30 C\n2 20 B\n");
  host.Add({"y"});
  RunDataFile(*engine, path);
  EXPECT_TRUE(host.Logged("Unsorted! ("));
  EXPECT_TRUE(host.Logged("3"));
  EXPECT_DOUBLE_EQ(engine->data.t[2], 2);
  EXPECT_DOUBLE_EQ(engine->data.x[2], 20);
  EXPECT_EQ(engine->data.observer[2].str(), "B");
  EXPECT_TRUE(engine->data.phased);
}

TEST_F(FileRunTest, FrequencyListIsReadFromTheBangFile) {
  std::string path = WriteText("f.dat", "1 2\n");
  WriteText("!", "1.25 first\n2.5\nnot a number\n");
  RunDataFile(*engine, path);
  EXPECT_EQ(engine->trial.frequencyList, (std::vector<double>{1.25, 2.5}));
  EXPECT_TRUE(host.Logged("jp="));
  EXPECT_TRUE(host.Logged("2"));
}

TEST_F(FileRunTest, SettingsCounterRisesWithEveryRun) {
  std::filesystem::create_directories(dir / "work");
  WriteText("work/c.z", std::string(1, static_cast<char>(255)) + " 0 0 1 0 8\n");
  std::string path = WriteText("f.dat", "1 2\n");
  RunDataFile(*engine, path);
  RunDataFile(*engine, path);
  EXPECT_EQ(ReadText("work/c.z").substr(1, 3), " 2 ");
}

}  // namespace
}  // namespace teril
