// The README's first command without a display: a script piped into
// ./run.sh reaches the console mode; a closed standard input ends the run at
// once.  // #17
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/scripted_host.h"

namespace teril {
namespace {

class RunScriptTest : public testing::TempFolderTest {
 protected:
  // run.sh on star.dat without a display, with `before` (a pipe into it)
  // and `after` (a redirection) around it; returns the exit status.
  int RunScript(const std::string& before, const std::string& after) {
    WriteText("star.dat", "1.0 10.5 A\n2.0 11.5 B\n3.0 12.5 A\n4.0 13.5 B\n");
    const std::string source = std::filesystem::path(TEST_DATA_DIR).parent_path().parent_path();
    std::string cmd = "cd '" + dir.string() + "' && " + before +
                      " env -u DISPLAY -u WAYLAND_DISPLAY TERIL_HOME='" + (dir / "home").string() +
                      "' QT_QPA_PLATFORM=offscreen bash '" + source + "/run.sh' '" +
                      (dir / "star.dat").string() + "' " + after + " > out.txt 2>&1";
    return std::system(cmd.c_str());
  }
};

TEST_F(RunScriptTest, PipedScriptReachesTheConsoleMode) {
  // Next, delete the current point, save, quit.
  ASSERT_EQ(RunScript("printf '3\\n5\\n~2\\n;\\n' |", ""), 0) << ReadText("out.txt");
  auto saved = ReadLines("star.da$");
  ASSERT_EQ(saved.size(), 3u) << ReadText("out.txt");
  EXPECT_EQ(saved[1].substr(0, 3), "3.0");  // point 2 was deleted
}

TEST_F(RunScriptTest, ClosedStandardInputEndsTheRunAtOnce) {
  ASSERT_EQ(RunScript("", "0<&-"), 0) << ReadText("out.txt");
  EXPECT_NE(ReadText("out.txt").find("  InputFile="), std::string::npos) << ReadText("out.txt");
  EXPECT_FALSE(std::filesystem::exists(dir / "star.da$"));
}

}  // namespace
}  // namespace teril
