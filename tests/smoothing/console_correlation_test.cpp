// Correlation, smoothed value and autocorrelation from the console mode, as
// a script would run them.  #12
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/numfmt.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class ConsoleCorrelationTest : public testing::TempFolderTest {};

TEST_F(ConsoleCorrelationTest, CorrelationSmoothedValueAndAutocorrelation) {
  // x = 2t + 1 on t = 1..7: r = 1; the line at t = 10 gives 21.
  std::string text;
  for (int t = 1; t <= 7; ++t) text += Str(t, 5, 2) + " " + Str(2.0 * t + 1, 5, 1) + "\n";
  WriteText("line.dat", text);
  // "U", then ^U with the abscissa 10 and a key for the wait, then "A" and
  // the end of the run.
  std::string cmd =
      "cd '" + dir.string() + "' && printf 'U\\n^U\\n10\\nx\\nA\\n;\\n' | TERIL_HOME='" +
      (dir / "home").string() +
      "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY " --console line.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  const std::string out = ReadText("out.txt");
  EXPECT_NE(out.find("MSG: corr=1"), std::string::npos) << out;
  EXPECT_NE(out.find("x_c(t)=\n21\n"), std::string::npos) << out;
  EXPECT_EQ(ReadLines("line_corr").size(), 9u);
  EXPECT_EQ(ReadLines("line_regr.dat").size(), 4u);
}

}  // namespace
}  // namespace teril
