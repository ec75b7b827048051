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

// Whole files of every size, read in one piece: empty, smaller and larger
// than one block, and with bytes a text reader would stop at.
TEST_F(IoTest, ReadFileGivesEveryByteOfFilesOfAnySize) {
  EXPECT_FALSE(ReadFileIfExists("missing.dat").has_value());
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536},
                           std::size_t{65537}, std::size_t{1000003}}) {
    std::string content(size, '\0');
    for (std::size_t k = 0; k < size; ++k) content[k] = static_cast<char>((k * 7919u) >> 3);
    WriteFileAtomic("sized.bin", content);
    auto read = ReadFileIfExists("sized.bin");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->size(), size);
    EXPECT_TRUE(*read == content) << "file of " << size << " bytes";
  }
  std::filesystem::create_directory("folder.dat");
  EXPECT_THROW(ReadFileIfExists("folder.dat"), IoError);
}

}  // namespace
}  // namespace teril
