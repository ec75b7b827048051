// The small pieces of the window's dialogs: filters for Qt's file dialogs
// and the live sample of the Print Precision form.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include "window/main_window.h"
#include "window/print_precision_dialog.h"

namespace teril {
namespace {

TEST(QtFilter, StoredPairsBecomeQtFiltersAndStarDotStarMeansEveryFile) {
  EXPECT_EQ(QtFilter("*.dat|*.dat|*.*$|*.*$|all files|*.*"),
            "*.dat (*.dat);;*.*$ (*.*$);;all files (*)");
  EXPECT_EQ(QtFilter("*.bmp|*.bmp"), "*.bmp (*.bmp)");
  EXPECT_EQ(QtFilter("pictures|*.bmp;*.png"), "pictures (*.bmp *.png)");
  // A description without a mask is dropped rather than shown broken.
  EXPECT_EQ(QtFilter("lonely"), "");
}

TEST(PrecisionSample, FormatsWithTheTypedWidthAndDecimals) {
  EXPECT_EQ(PrecisionSample(100.1, "14", "5"), "     100.10000");
  EXPECT_EQ(PrecisionSample(-2.5, "6", "2"), " -2.50");
  // Not an integer, or beyond what a value can sensibly take: no sample.
  EXPECT_EQ(PrecisionSample(1, "x", "2"), "?");
  EXPECT_EQ(PrecisionSample(1, "999999999", "2"), "?");
  EXPECT_EQ(PrecisionSample(1, "8", "-1"), "?");
}

TEST(PrintPrecisionDialog, SamplesFollowTheFieldsAndValuesComeBackInOrder) {
  PrintPrecisionDialog d({"11", "5", "8", "3"}, 9500.25, 11.176, true);
  EXPECT_EQ(d.TimeSample()->text(), "| 9500.25000|");
  EXPECT_EQ(d.SignalSample()->text(), "|  11.176|");
  d.Field(1)->setText("2");
  EXPECT_EQ(d.TimeSample()->text(), "|    9500.25|");
  d.Field(2)->setText("abc");
  EXPECT_EQ(d.SignalSample()->text(), "|?|");
  auto v = d.Values();
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0], "11");
  EXPECT_EQ(v[1], "2");
  EXPECT_EQ(v[2], "abc");
  EXPECT_EQ(v[3], "3");
}

}  // namespace
}  // namespace teril
