// The mouse on the plot, turned into the very commands the menu items give,
// so that the log, the console mode and the tests see nothing new:
//  - a press of the left button is a click on the plot: the nearest point
//    becomes current;
//  - the wheel zooms: View > ZoomIn away from the user, ZoomOut towards;
//  - a drag scrolls by half a window (Navigate > ScrollLeft, ScrollRight)
//    each time the pointer has travelled half of that, the points following
//    the pointer;
//  - a Shift-drag over a span sets the edges of the window: a click on the
//    earliest point of the span, View > Left Edge, a click on the latest,
//    View > Right Edge.
// A gesture of several commands hands the engine one at each of its waits
// for a command key; a wait for anything else ends the gesture.
#pragma once

#include <QObject>
#include <QPoint>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "engine/fwd.h"

namespace teril {

class MainForm;
class PlotView;

// Columns of the data area (130..630): a scroll moves the window by half of
// its 500 columns.
constexpr int kScrollColumns = 250;

// The points that a span of columns first..last (inclusive, any order) of
// the plot holds, as indices: the visible point with the smallest t drawn
// in the span and the one with the largest. {0, 0} when none lies there.
std::pair<int, int> SpanPoints(const Engine& e, int first, int last);

class PlotMouse : public QObject {
  Q_OBJECT

 public:
  PlotMouse(MainForm& form, PlotView& view);

  // Called by each wait of the engine: hands over the next command of a
  // gesture, or ends the gesture when the wait is not for a command key.
  void EngineWaits();
  // Commands of a gesture not handed over yet.
  std::size_t Pending() const { return queue_.size(); }

 private:
  using Step = std::function<void()>;

  void Pressed(QPoint pixel, Qt::KeyboardModifiers modifiers);
  void Moved(QPoint pixel, Qt::KeyboardModifiers modifiers);
  void Released(QPoint pixel, Qt::KeyboardModifiers modifiers);
  void Wheel(int angle);
  // Starts a gesture: its first command at once, as the menu item would
  // (refused in the same words when the engine does not wait), the others
  // at the following waits. Behind a gesture still running, or while the
  // engine has yet to act on its last key, it waits its turn.
  void Start(std::vector<Step> steps);
  Step Command(const char* name);
  Step ClickOn(int point);

  MainForm& form_;
  PlotView& view_;
  std::deque<Step> queue_;
  bool dragging_ = false, choosing_ = false;
  QPoint pressedAt_;
  int scrolledTo_ = 0;  // the column at which the last scroll step was taken
  int wheelAngle_ = 0;  // turned but not yet a whole notch
};

}  // namespace teril
