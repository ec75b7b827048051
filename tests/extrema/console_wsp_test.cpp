// The approximation run from the console mode, as a script would run it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "base/numfmt.h"
#include "support/scripted_host.h"

namespace teril {
namespace {

class ConsoleWspTest : public testing::TempFolderTest {};

TEST_F(ConsoleWspTest, WindowAroundAMinimumAndWspWriteTheResultAndThePicture) {
  // An eclipse of 0.6 mag and half-width 0.03 d at t = 100.5, sampled every
  // 0.002 d from 100.2 to 100.8.
  std::string text = "# t V\n";
  for (int k = 0; k <= 300; ++k) {
    double t = 100.2 + 0.002 * k;
    double x = 11.0 + 0.6 * std::exp(-0.5 * std::pow((t - 100.5) / 0.03, 2));
    text += Str(t, 8, 3) + " " + Str(x, 7, 4) + " AB\n";
  }
  WriteText("dip.dat", text);
  // "L" sets the window t1 = 100.42, t2 = 100.58 (the other limits kept),
  // ":wsp1" runs WSP on it and "y" files the result. Point i lies at
  // t = 100.2 + 0.002 (i - 1), so the window holds the points 111..191.
  std::string cmd = "cd '" + dir.string() +
                    "' && printf 'L\\n100.42\\n100.58\\n\\n\\n\\n:wsp1\\ny\\n;\\n' | TERIL_HOME='" +
                    (dir / "home").string() +
                    "' QT_QPA_PLATFORM=offscreen " TERIL_BINARY " --console dip.dat > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadText("out.txt");
  auto extr = ReadLines("extr.dat");
  ASSERT_EQ(extr.size(), 2u) << ReadText("out.txt");
  double T = *ParseNumber(extr[1].substr(0, 23));
  double sT = *ParseNumber(extr[1].substr(24, 23));
  EXPECT_NEAR(T, 100.5, 1e-4);
  EXPECT_GT(sT, 0);
  EXPECT_NE(extr[1].find(" dip.dat 111 191 min "), std::string::npos) << extr[1];
  std::string method = extr[1].substr(extr[1].rfind(' ') + 1);
  EXPECT_TRUE(method == "wsp" || method == "wsl") << method;
  std::string picture =
      std::string("dip_n1_111_n2_191_") + (method == "wsp" ? "WSP" : "WSL") + ".bmp";
  EXPECT_TRUE(std::filesystem::exists(dir / picture)) << picture;
  EXPECT_EQ(ReadLines("dip_apr.dat").size(), 502u);
}

}  // namespace
}  // namespace teril
