// The plot control in the main window: it grows with the window, maps
// clicks back to the canvas's pixels, and the wheel, a drag and a
// Shift-drag hand the engine the keys the menu items hand it.
#include "window/plot_mouse.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "base/numfmt.h"
#include "plot/draw.h"
#include "support/scripted_host.h"
#include "window/plot_view.h"
#include "window_harness.h"

namespace teril {
namespace {

using testing::TestForm;

// A window that notes every key string handed to the engine (each one
// clears the command field).
class KeyForm : public TestForm {
 public:
  using TestForm::TestForm;
  std::vector<std::string> keys;
  void ClearCommandField() override {
    keys.push_back(engine().console.answer);
    TestForm::ClearCommandField();
  }
  // The keys noted since the last call.
  std::vector<std::string> Take() { return std::exchange(keys, {}); }
};

void Mouse(PlotView* view, QEvent::Type type, QPointF at, Qt::MouseButton button,
           Qt::KeyboardModifiers modifiers) {
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
  QMouseEvent event(type, at, view->mapToGlobal(at), button, held, modifiers);
  QApplication::sendEvent(view, &event);
}

// A drag from canvas pixel `from` to `to` (through their middle).
void Drag(PlotView* view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
  const QPointF a = view->ControlPoint(from.x(), from.y());
  const QPointF b = view->ControlPoint(to.x(), to.y());
  Mouse(view, QEvent::MouseButtonPress, a, Qt::LeftButton, modifiers);
  Mouse(view, QEvent::MouseMove, (a + b) / 2, Qt::NoButton, modifiers);
  Mouse(view, QEvent::MouseMove, b, Qt::NoButton, modifiers);
  Mouse(view, QEvent::MouseButtonRelease, b, Qt::LeftButton, modifiers);
}

void Wheel(PlotView* view, int angle) {
  const QPointF at(view->width() / 2.0, view->height() / 2.0);
  QWheelEvent event(at, view->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &event);
}

// Points at t = 100.1, 100.2, ... with a zigzag in x.
std::string Points(int n) {
  std::string s;
  for (int i = 1; i <= n; ++i)
    s += Str(100 + i / 10.0, 9, 5) + " " + Str(10 + (i % 4) / 10.0, 7, 3) + " A\n";
  return s;
}

class PlotMouseTest : public testing::TempFolderTest {};

TEST_F(PlotMouseTest, ThePlotGrowsWithTheWindowKeepingItsAspectAndClicksMapBack) {
  TestForm form;
  form.resize(1000, 520);
  form.ShowActive();
  PlotView* view = form.image();
  const QSize small = view->size();
  const double smallScale = view->Scale();
  form.resize(1600, 1000);
  QTest::qWait(50);
  QCoreApplication::processEvents();
  EXPECT_GT(view->width(), small.width() + 400);
  EXPECT_GT(view->height(), small.height() + 300);
  const double scale = view->Scale();
  EXPECT_GT(scale, smallScale * 1.3);
  // The drawing fills one side of the control and keeps 673 : 373.
  const QRectF shown = view->DrawingRect();
  EXPECT_TRUE(std::abs(shown.width() - view->width()) < 2 ||
              std::abs(shown.height() - view->height()) < 2);
  EXPECT_NEAR(shown.width() / shown.height(), 673.0 / 373.0, 0.01);
  // Every pixel's centre maps back to that pixel, at a scale that is not
  // a whole number; points beside the drawing map to nothing.
  for (QPoint p : {QPoint(0, 0), QPoint(130, 150), QPoint(672, 372), QPoint(333, 7)})
    EXPECT_EQ(view->CanvasPixel(view->ControlPoint(p.x(), p.y())), p);
  EXPECT_FALSE(view->CanvasPixel(shown.topLeft() - QPointF(1, 1)).has_value());
  // The control paints at its own size, not the bitmap's.
  view->repaint();
  EXPECT_EQ(view->Painted().width(),
            static_cast<int>(std::lround(shown.width() * view->devicePixelRatioF())));
  form.ExitProgram(0);
}

TEST_F(PlotMouseTest, WheelDragAndShiftDragHandOverTheKeysOfTheMenuItems) {
  std::string path = WriteText("m.dat", Points(40));
  KeyForm form({path});
  std::vector<std::string> menuIn, wheelIn, menuOut, wheelOut, menuLeft, dragRight, menuRight,
      dragLeft, menuEdges, shiftDrag;
  double tMin = 0, tMax = 0, halfBefore = 0, halfAfterWheel = 0;
  PlotView* view = form.image();
  auto trigger = [&](const char* name) { form.Action(name)->trigger(); };
  form.steps = {[&] {
                  form.Take();
                  halfBefore = form.engine().view.halfWidth;
                  trigger("ZoomIn");
                },
                [&] {
                  menuIn = form.Take();
                  Wheel(view, 120);
                },
                [&] {
                  wheelIn = form.Take();
                  halfAfterWheel = form.engine().view.halfWidth;
                  trigger("ZoomOut");
                },
                [&] {
                  menuOut = form.Take();
                  Wheel(view, -60);  // half a notch: nothing yet
                  Wheel(view, -60);
                },
                [&] {
                  wheelOut = form.Take();
                  trigger("ScrollLeft");
                },
                [&] {
                  menuLeft = form.Take();
                  Drag(view, QPoint(300, 150), QPoint(300 + kScrollColumns / 2 + 5, 150));
                },
                [&] {
                  dragRight = form.Take();
                  trigger("ScrollRight");
                },
                [&] {
                  menuRight = form.Take();
                  Drag(view, QPoint(400, 150), QPoint(400 - kScrollColumns / 2 - 5, 150));
                },
                [&] {
                  dragLeft = form.Take();
                  trigger("RestoreInterval1");  // the whole set again
                },
                [&] {
                  form.Take();
                  trigger("LeftEdge");
                },
                [&] {
                  menuEdges = form.Take();
                  trigger("RightEdge1");
                },
                [&] {
                  const auto right = form.Take();
                  menuEdges.insert(menuEdges.end(), right.begin(), right.end());
                  trigger("RestoreInterval1");
                },
                [&] {
                  form.Take();
                  // Over the columns of t = 101.05 .. 102.25: the points 101.1 to 102.2.
                  const Engine& e = form.engine();
                  Drag(view, QPoint(ToPixelX(e, 102.25), 100), QPoint(ToPixelX(e, 101.05), 200),
                       Qt::ShiftModifier);
                },
                [&] {
                  shiftDrag = form.Take();
                  tMin = form.engine().view.tMin;
                  tMax = form.engine().view.tMax;
                  form.Type(";");
                }};
  form.ShowActive();
  ASSERT_TRUE(form.RunEnded());
  EXPECT_EQ(menuIn, std::vector<std::string>{"+"});
  EXPECT_EQ(wheelIn, menuIn);
  EXPECT_NEAR(halfAfterWheel, halfBefore / 4, halfBefore * 1e-9);
  EXPECT_EQ(menuOut, std::vector<std::string>{"-"});
  EXPECT_EQ(wheelOut, menuOut);
  // A drag first clicks where it starts, as a press always did.
  EXPECT_EQ(menuLeft, std::vector<std::string>{"~6"});
  EXPECT_EQ(dragRight, (std::vector<std::string>{"#", "~6"}));
  EXPECT_EQ(menuRight, std::vector<std::string>{"~9"});
  EXPECT_EQ(dragLeft, (std::vector<std::string>{"#", "~9"}));
  EXPECT_EQ(menuEdges, (std::vector<std::string>{"~&", "~*"}));
  EXPECT_EQ(shiftDrag, (std::vector<std::string>{"#", "~&", "#", "~*"}));
  EXPECT_DOUBLE_EQ(tMin, 101.1);
  EXPECT_DOUBLE_EQ(tMax, 102.2);
  EXPECT_EQ(form.CountLog("!!! IO is not waiting for input"), 0);
}

}  // namespace
}  // namespace teril
