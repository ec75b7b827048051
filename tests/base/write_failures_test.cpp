// Writes that fail keep the previous file and say which file and why:
// a folder in the way, permissions, a read-only file system, a full disk.
// The file-system cases mount a small tmpfs and need root; without it they
// are skipped with the reason.  // #17
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/io.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class WriteFailuresTest : public testing::TempFolderTest {
 protected:
  void TearDown() override {
    if (mounted_) ::umount2((dir / "fs").c_str(), MNT_DETACH);
    TempFolderTest::TearDown();
  }
  // Mounts a tmpfs of `kilobytes` at dir/fs; false (with the reason in
  // `why`) when this process may not mount.
  bool MountSmallFileSystem(int kilobytes) {
    std::filesystem::create_directory(dir / "fs");
    std::string options = "size=" + std::to_string(kilobytes) + "k";
    if (::mount("tmpfs", (dir / "fs").c_str(), "tmpfs", 0, options.c_str()) != 0) {
      why = std::string("cannot mount a small file system here (") + std::strerror(errno) +
            "); run the tests as root for the disk-full and read-only cases";
      return false;
    }
    mounted_ = true;
    return true;
  }
  bool RemountReadOnly() {
    return ::mount("tmpfs", (dir / "fs").c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }
  // The message of the IoError that `write` throws; empty when none.
  template <typename F>
  std::string ErrorOf(F write) {
    try {
      write();
    } catch (const IoError& e) {
      return e.what();
    }
    return "";
  }
  bool TemporaryFileLeft(const std::filesystem::path& folder) {
    for (auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().filename().string().find(".tmp~") != std::string::npos) return true;
    return false;
  }
  std::string why;

 private:
  bool mounted_ = false;
};

TEST_F(WriteFailuresTest, FolderInTheWayIsNamedForWritesAndAppends) {
  std::filesystem::create_directory(dir / "extr.dat");
  const std::string said = "Cannot write \"extr.dat\": a folder of that name is in the way";
  EXPECT_EQ(ErrorOf([] { WriteFile("extr.dat", "line\n"); }), said);
  EXPECT_EQ(ErrorOf([] { AppendToFile("extr.dat", "line\n"); }), said);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "extr.dat"));
  EXPECT_FALSE(TemporaryFileLeft(dir));
}

TEST_F(WriteFailuresTest, ReplacedFileKeepsItsPermissions) {
  WriteText("star.da$", "old\n");
  ::chmod((dir / "star.da$").c_str(), 0640);
  WriteFileAtomic("star.da$", "new\n");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "star.da$").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadText("star.da$"), "new\n");
}

TEST_F(WriteFailuresTest, WriteThroughALinkReplacesTheFileAndKeepsTheLink) {
  std::filesystem::create_directory(dir / "data");
  WriteText("data/star.dat", "old\n");
  std::filesystem::create_symlink("data/star.dat", dir / "star.dat");
  WriteFileAtomic("star.dat", "new\n");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "star.dat"));
  EXPECT_EQ(ReadText("data/star.dat"), "new\n");
  EXPECT_FALSE(TemporaryFileLeft(dir / "data"));
}

// As root, permission bits do not stop a write: these run as another user.
TEST_F(WriteFailuresTest, ReadOnlyFileAndFolderRefuseTheWriteAndKeepTheFile) {
  if (!ActAsAnotherUser()) GTEST_SKIP() << "cannot run as another user than root";
  WriteText("kept.dat", "old\n");
  ::chmod((dir / "kept.dat").c_str(), 0444);
  EXPECT_EQ(ErrorOf([] { WriteFileAtomic("kept.dat", "new\n"); }),
            "Cannot write \"kept.dat\": Permission denied");
  EXPECT_EQ(ReadText("kept.dat"), "old\n");
  std::filesystem::create_directory(dir / "ro");
  WriteText("ro/extr.dat", "old\n");
  ::chmod((dir / "ro").c_str(), 0555);
  EXPECT_EQ(ErrorOf([] { WriteFileAtomic("ro/extr.dat", "new\n"); }),
            "Cannot write \"ro/extr.dat\": Permission denied");
  EXPECT_EQ(ReadText("ro/extr.dat"), "old\n");
  ::chmod((dir / "ro").c_str(), 0755);
}

TEST_F(WriteFailuresTest, ReadOnlyFileSystemRefusesTheWriteAndKeepsTheFile) {
  if (!MountSmallFileSystem(256)) GTEST_SKIP() << why;
  WriteFileAtomic("fs/extr.dat", "old\n");
  ASSERT_TRUE(RemountReadOnly());
  EXPECT_EQ(ErrorOf([] { WriteFileAtomic("fs/extr.dat", "new\n"); }),
            "Cannot write \"fs/extr.dat\": Read-only file system");
  EXPECT_EQ(ErrorOf([] { AppendToFile("fs/extr.dat", "more\n"); }),
            "Cannot write \"fs/extr.dat\": Read-only file system");
  EXPECT_EQ(ReadText("fs/extr.dat"), "old\n");
}

TEST_F(WriteFailuresTest, FullDiskKeepsThePreviousFileWhole) {
  if (!MountSmallFileSystem(64)) GTEST_SKIP() << why;
  const std::string before = "2459000.12345 12.345 AB\n";
  WriteFileAtomic("fs/star.da$", before);
  AppendToFile("fs/extr.dat", before);
  const std::string big(200 * 1024, 'x');  // three times the file system
  const std::string full = "No space left on device";
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomic("fs/star.da$", big); }),
            "Cannot write \"fs/star.da$\": " + full);
  EXPECT_EQ(ReadText("fs/star.da$"), before);
  EXPECT_FALSE(TemporaryFileLeft(dir / "fs"));
  // A failed append is cut back to the previous end, so the table never
  // ends in half a line.
  EXPECT_EQ(ErrorOf([&] { AppendToFile("fs/extr.dat", big); }),
            "Cannot write \"fs/extr.dat\": " + full);
  EXPECT_EQ(ReadText("fs/extr.dat"), before);
  // The space is free again: the next write works.
  WriteFileAtomic("fs/star.da$", "after\n");
  EXPECT_EQ(ReadText("fs/star.da$"), "after\n");
}

}  // namespace
}  // namespace teril
