// The three-point parabola and Kwee-van Woerden from the console mode, as a
// script would run them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "base/numfmt.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class ConsoleClassicalTest : public testing::TempFolderTest {};

TEST_F(ConsoleClassicalTest, SigmaZeroSigmaInListParabolaAndKweeByName) {
  // A dip symmetric about t = 50.5: x = 10 + (t - 50.5)^2 / 100 at t = 45 .. 56.
  std::string text;
  for (int t = 45; t <= 56; ++t)
    text += Str(static_cast<double>(t), 6, 2) + " " + Str(10 + (t - 50.5) * (t - 50.5) / 100, 8, 4) +
            "\n";
  WriteText("dip.dat", text);
  // Six steps to point 7 (t = 51); sigma_0 = 0.01; errors in the list; the
  // parabola through t = 50, 51, 52; then Kwee-van Woerden.
  std::string keys = "3\\n3\\n3\\n3\\n3\\n3\\n:Sigma0for3point1\\n0.01\\n:Sigmainlist1\\n"
                     ":tpParabola\\n:Kwee1\\n;\\n";
  std::string cmd = "cd '" + dir.string() + "' && printf '" + keys + "' | TERIL_HOME='" +
                    (dir / "home").string() +
                    "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY " --console dip.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  const std::string out = ReadText("out.txt");
  EXPECT_NE(out.find("3-point parabola"), std::string::npos) << out;
  EXPECT_NE(out.find("MSG: t_e="), std::string::npos) << out;
  EXPECT_NE(out.find("MSG: t_extr=50.5  +-    "), std::string::npos) << out;
  auto lines = ReadLines("dip_3p_par.dat");
  ASSERT_EQ(lines.size(), 1u) << out;
  ASSERT_EQ(lines[0].size(), 94u) << lines[0];
  EXPECT_NEAR(*ParseNumber(lines[0].substr(0, 10)), 50.5, 1e-4);
  EXPECT_EQ(lines[0].substr(86), " 0.01000");
  EXPECT_EQ(ReadLines("dip_KvW_data.dat").size(), 23u);  // L = 2 * 11 + 1
}

}  // namespace
}  // namespace teril
