#include "base/io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <atomic>
#include <thread>
#include <vector>

#include "support/scripted_host.h"

namespace teril {
namespace {

class IoTest : public testing::TempFolderTest {};

// Two programs saving the same file at the same moment (the settings file
// of two windows) each write a temporary file of their own; neither save
// fails and the file ends up holding one of the two contents whole.
TEST_F(IoTest, ConcurrentAtomicWritesOfOneFileNeverCollide) {
  const std::string a(10000, 'a'), b(20000, 'b');
  std::vector<std::thread> writers;
  std::atomic<int> failures{0};
  for (const std::string* text : {&a, &b})
    writers.emplace_back([&, text] {
      for (int i = 0; i < 200; ++i) {
        try {
          WriteFileAtomic("c.z", *text);
        } catch (const IoError&) {
          ++failures;
        }
      }
    });
  for (auto& w : writers) w.join();
  EXPECT_EQ(failures.load(), 0);
  std::string content = ReadText("c.z");
  EXPECT_TRUE(content == a || content == b);
  int files = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);  // no temporary file is left behind
}

TEST_F(IoTest, AtomicWriteKeepsThePreviousFileWhenTheFolderIsMissing) {
  WriteFileAtomic("kept.dat", "old\n");
  EXPECT_THROW(WriteFileAtomic("no-such-folder/kept.dat", "new\n"), IoError);
  EXPECT_EQ(ReadText("kept.dat"), "old\n");
}

}  // namespace
}  // namespace teril
