// The running parabola commands from the console mode, as a script would
// run them: the action with its answer, the table with one line per
// prompt, the scalegram with its two integers and code 7 typed as "^G".
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "base/numfmt.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class ConsoleRunningParabolaTest : public testing::TempFolderTest {};

TEST_F(ConsoleRunningParabolaTest, ActionTableScalegramAndDerivative) {
  std::string text;
  for (int i = 0; i < 300; ++i) {
    const double t = 100 + 0.7 * i + 0.3 * std::sin(i);
    text += Str(t, 9, 4) + " " + Str(10 + 0.3 * std::sin(t / 17 * 6.283185307179586), 8, 4) + "\n";
  }
  WriteText("lc.dat", text);
  // ":parabola" and dt = 2; ":RP_Table" and ten empty answers (dt stays 2);
  // the scalegram for 20 lg dt = 10 .. 12; the scalegram mean; "^G"; save
  // to lc$.dat; quit.
  const std::string script =
      ":parabola\\n2\\n:RP_Table\\n\\n\\n\\n\\n\\n\\n\\n\\n\\n\\n"
      ":RunningParabolaScalegram1\\n10\\n12\\n:ScalegramMean1\\n^G\\n~2\\n;\\n";
  std::string cmd = "cd '" + dir.string() + "' && printf '" + script + "' | TERIL_HOME='" +
                    (dir / "home").string() +
                    "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY " --console lc.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  const std::string out = ReadText("out.txt");
  EXPECT_NE(out.find("RP computation\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Output file > rp1.dat\n"), std::string::npos);
  EXPECT_NE(out.find("RuPar table finished\n"), std::string::npos);
  EXPECT_NE(out.find("RP Scalegram 0   DT=3.98107170553497\n"), std::string::npos);
  // The table: whole times inside the data, in the default format.
  auto table = ReadLines("rp1.dat");
  ASSERT_GT(table.size(), 100u);
  EXPECT_EQ(table[0].size(), 21u);
  EXPECT_EQ(table[0].substr(0, 11), "  101.00000");
  // Three scales, each with centres that count.
  auto records = ReadLines("lc_r2.dat");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].substr(0, 13), "     3.162278");
  EXPECT_EQ(records[0].substr(19, 6), "   300");
  // 200 numbers of bins for 300 visible points, then the bin mean.
  EXPECT_EQ(ReadLines("_Scale.dat").size(), 200u);
  EXPECT_FALSE(ReadLines("_f4.dat").empty());
  // Code 7 took one point away before the save.
  EXPECT_EQ(ReadLines("lc$.dat").size(), 299u);
}

}  // namespace
}  // namespace teril
