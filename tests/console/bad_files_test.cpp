// File runs on files that are not what they should be: a folder, a file
// that cannot be read, a decimal-comma file, a "!" or c.z that is a
// folder, a settings folder that cannot be written. Each gives a clear
// message and the program goes on.  // #17
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/io.h"
#include "console/commands.h"
#include "console/file_run.h"
#include "engine/engine.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class BadFilesTest : public testing::EngineTest {
 protected:
  std::string Marker() { return std::string(1, static_cast<char>(255)); }
};

TEST_F(BadFilesTest, DataFileThatIsAFolderIsNamedAndAnotherNameAsked) {
  std::filesystem::create_directory(dir / "star.dat");
  WriteText("other.dat", "1 2\n2 3\n");
  host.Add({"other.dat"});
  RunDataFile(*engine, (dir / "star.dat").string());
  EXPECT_TRUE(host.Logged(" !!!  Cannot read \"star.dat\": it is a folder, not a file !!!\a"));
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(engine->run.inputFile, "other.dat");
  EXPECT_EQ(engine->data.n, 2);
}

// A name longer than the system allows cannot even be looked up: it is not
// found, and another name is asked instead of the program ending.
TEST_F(BadFilesTest, NameTooLongToLookUpIsNotFoundAndAnotherNameAsked) {
  WriteText("other.dat", "1 2\n");
  host.Add({"other.dat"});
  RunDataFile(*engine, (dir / std::string(300, 'a')).string());
  EXPECT_TRUE(host.Logged(" !!!  File not found !!!\a"));
  EXPECT_EQ(engine->run.inputFile, "other.dat");
  EXPECT_EQ(engine->data.n, 1);
}

// /proc/self/mem opens but every read at its start fails (EIO): the file
// seen at the dialog cannot be read when the loading comes.
TEST_F(BadFilesTest, ReadErrorWhileLoadingIsNamedAndAnotherNameAsked) {
  std::filesystem::create_symlink("/proc/self/mem", dir / "mem.dat");
  WriteText("other.dat", "1 2\n");
  host.Add({"other.dat"});
  RunDataFile(*engine, (dir / "mem.dat").string());
  EXPECT_TRUE(host.Logged(" !!!  Cannot read \"mem.dat\": Input/output error !!!\a"));
  EXPECT_EQ(engine->run.inputFile, "other.dat");
  EXPECT_EQ(engine->data.n, 1);
}

TEST_F(BadFilesTest, UnreadableDataFileIsNamedAndTheRunEndsOnAnEmptyAnswer) {
  if (!ActAsAnotherUser()) GTEST_SKIP() << "cannot run as another user than root";
  std::string path = WriteText("star.dat", "1 2\n");
  std::filesystem::permissions(path, std::filesystem::perms::none);
  host.Add({""});
  RunDataFile(*engine, path);
  EXPECT_TRUE(host.Logged(" !!!  Cannot read \"star.dat\": Permission denied !!!\a"));
  EXPECT_EQ(engine->data.n, 0);
}

TEST_F(BadFilesTest, DecimalCommaFileSaysSoInsteadOfContainingNoData) {
  std::string path = WriteText("comma.dat", "JD mag\n2459000,1234 12,345\n2459000,2234 12,355\n");
  RunDataFile(*engine, path);
  EXPECT_FALSE(host.LoggedPart("contains NO data"));
  const std::string said =
      "Error in data file comma.dat, line 2: the numbers have a decimal comma "
      "(\"2459000,1234\"); a decimal point is expected: \"2459000,1234 12,345\"";
  EXPECT_TRUE(host.Logged(said));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], said);
  EXPECT_EQ(host.captions.back(), "ZR : ...");
}

TEST_F(BadFilesTest, FrequencyFileThatIsAFolderLeavesTheListEmpty) {
  std::filesystem::create_directory(dir / "!");
  std::string path = WriteText("f.dat", "1 2\n");
  RunDataFile(*engine, path);
  EXPECT_TRUE(host.Logged("Cannot read \"!\": it is a folder, not a file; no trial frequencies"));
  EXPECT_TRUE(engine->trial.frequencyList.empty());
  EXPECT_EQ(engine->data.n, 1);
}

TEST_F(BadFilesTest, FrequencyListWithLoneCrAndTinyFrequency) {
  // 1e-320 has no finite period: it is kept as 0, which the keys pass over.
  EXPECT_EQ(ParseFrequencyList("\xEF\xBB\xBF"
                               "0.5\r1e-320\r2.5 x\r"),
            (std::vector<double>{0.5, 0.0, 2.5}));
}

TEST_F(BadFilesTest, SettingsFileThatIsAFolderIsNamedAndTheRunGoesOn) {
  std::filesystem::create_directories(dir / "work" / "c.z");
  std::string path = WriteText("f.dat", "1 2\n");
  RunDataFile(*engine, path);
  EXPECT_TRUE(host.LoggedPart("Cannot read \"") && host.LoggedPart("c.z\": it is a folder"));
  EXPECT_EQ(engine->data.n, 1);
}

// A work folder on a read-only file system: the counter cannot be saved,
// the file run goes on with the values read.
TEST_F(BadFilesTest, ReadOnlySettingsFolderDoesNotStopTheRun) {
  std::filesystem::create_directories(dir / "work");
  if (::mount("tmpfs", (dir / "work").c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small file system here; run the tests as root";
  WriteText("work/c.z", Marker() + " 5 100.5 0.5 0 8\n");
  ASSERT_EQ(::mount("tmpfs", (dir / "work").c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
  std::string path = WriteText("f.dat", "1 2\n");
  RunDataFile(*engine, path);
  ::umount2((dir / "work").c_str(), MNT_DETACH);
  EXPECT_TRUE(host.LoggedPart("c.z\": Read-only file system; the run counter is not saved"));
  EXPECT_DOUBLE_EQ(engine->eph.period, 0.5);
  EXPECT_EQ(engine->data.n, 1);
}

// Key K with an s column that a line lacks named the line but ended the
// whole program: now it says so and the file run goes on without s.
TEST_F(BadFilesTest, MissingSFieldIsNamedAndTheRunGoesOn) {
  std::string path = WriteText("s.dat", "1 2 0.1\n2 3\n3 4 0.3\n");
  engine->run.columnS = 2;
  host.Add({"K", "3", ";"});
  RunDataFile(*engine, path);
  EXPECT_TRUE(
      host.Logged("Error in data file s.dat, line 2: no number where one was expected: \"2 3\""));
  EXPECT_FALSE(engine->data.weightsLoaded);
  EXPECT_DOUBLE_EQ(engine->data.s[1], 1.0);
  EXPECT_EQ(engine->view.j, 2);  // the key after K still ran
}

// The folder of the chosen file is gone by the time it is opened: no file
// run starts (not even on a file of that name in the current folder), and
// the caller shows why (the window in a message box, the console mode as
// its last line).
TEST_F(BadFilesTest, FolderGoneSinceTheDialogIsNamed) {
  WriteText("star.dat", "1 2\n");
  try {
    OpenDataFile(*engine, (dir / "gone" / "star.dat").string(), false);
    FAIL() << "no error";
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot open \"" + (dir / "gone").string() + "\": No such file or directory");
  }
  EXPECT_EQ(engine->data.n, 0);
  EXPECT_FALSE(engine->run.inFileRun);
}

}  // namespace
}  // namespace teril
