#include "window/plot_mouse.h"

#include <algorithm>
#include <cstdlib>

#include "console/commands.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "window/main_window.h"
#include "window/plot_view.h"

namespace teril {

namespace {

// One notch of a wheel, in eighths of a degree.
constexpr int kNotch = 120;
// A Shift-drag shorter than this (columns) is a click.
constexpr int kLeastSpan = 3;
// Commands waiting for their turn at most (a wheel spun hard).
constexpr std::size_t kMostQueued = 16;

}  // namespace

std::pair<int, int> SpanPoints(const Engine& e, int first, int last) {
  if (first > last) std::swap(first, last);
  const ViewState& v = e.view;
  const DataSet& d = e.data;
  int earliest = 0, latest = 0;
  for (int i = 1; i <= d.n; ++i) {
    const double t = d.t[i];
    if (t < v.tMin || t > v.tMax) continue;
    const int column = ToPixelX(v, t);
    if (column < first || column > last) continue;
    if (!earliest || t < d.t[earliest]) earliest = i;
    if (!latest || t > d.t[latest]) latest = i;
  }
  return {earliest, latest};
}

PlotMouse::PlotMouse(MainForm& form, PlotView& view) : QObject(&view), form_(form), view_(view) {
  connect(&view, &PlotView::Pressed, this, &PlotMouse::Pressed);
  connect(&view, &PlotView::Moved, this, &PlotMouse::Moved);
  connect(&view, &PlotView::Released, this, &PlotMouse::Released);
  connect(&view, &PlotView::Wheel, this, &PlotMouse::Wheel);
}

PlotMouse::Step PlotMouse::Command(const char* name) {
  return [this, name] {
    if (const NamedCommand* c = FindCommand(name)) form_.RunCommand(*c);
  };
}

PlotMouse::Step PlotMouse::ClickOn(int point) {
  return [this, point] {
    const Engine& e = form_.engine();
    if (point < 1 || point > e.data.n) return;
    form_.PlotClickAt(ToPixelX(e, e.data.t[point]), ToPixelY(e, e.data.x[point]));
  };
}

void PlotMouse::Start(std::vector<Step> steps) {
  if (steps.empty()) return;
  if (!queue_.empty()) {
    for (Step& s : steps)
      if (queue_.size() < kMostQueued) queue_.push_back(std::move(s));
    return;
  }
  const Engine& e = form_.engine();
  if (e.run.inFileRun && e.console.waitingForInput == 0 && !form_.Busy()) {
    // The engine has its answer and has not acted on it yet (the mouse
    // moved on before the plot was drawn again): the gesture's turn comes
    // at the next wait.
    queue_.insert(queue_.end(), steps.begin(), steps.end());
    return;
  }
  if (e.console.WaitsForCommandKey()) queue_.insert(queue_.end(), steps.begin() + 1, steps.end());
  steps.front()();
}

void PlotMouse::EngineWaits() {
  if (queue_.empty()) return;
  if (!form_.engine().console.WaitsForCommandKey()) {
    queue_.clear();
    return;
  }
  Step next = std::move(queue_.front());
  queue_.pop_front();
  next();
}

void PlotMouse::Pressed(QPoint pixel, Qt::KeyboardModifiers modifiers) {
  pressedAt_ = pixel;
  choosing_ = modifiers & Qt::ShiftModifier;
  dragging_ = !choosing_;
  scrolledTo_ = pixel.x();
  if (choosing_) {
    view_.SetBand(std::pair{pixel.x(), pixel.x()});
    return;
  }
  Start({[this, pixel] { form_.PlotClickAt(pixel.x(), pixel.y()); }});
}

void PlotMouse::Moved(QPoint pixel, Qt::KeyboardModifiers) {
  if (choosing_) {
    view_.SetBand(std::pair{pressedAt_.x(), pixel.x()});
    return;
  }
  if (!dragging_) return;
  // Points follow the pointer: a drag to the right shows earlier times.
  while (pixel.x() - scrolledTo_ >= kScrollColumns / 2) {
    scrolledTo_ += kScrollColumns;
    Start({Command("ScrollLeft")});
  }
  while (scrolledTo_ - pixel.x() >= kScrollColumns / 2) {
    scrolledTo_ -= kScrollColumns;
    Start({Command("ScrollRight")});
  }
}

void PlotMouse::Released(QPoint pixel, Qt::KeyboardModifiers) {
  dragging_ = false;
  if (!choosing_) return;
  choosing_ = false;
  view_.SetBand(std::nullopt);
  if (std::abs(pixel.x() - pressedAt_.x()) < kLeastSpan) {
    const QPoint at = pressedAt_;
    Start({[this, at] { form_.PlotClickAt(at.x(), at.y()); }});
    return;
  }
  const auto [earliest, latest] = SpanPoints(form_.engine(), pressedAt_.x(), pixel.x());
  const DataSet& d = form_.engine().data;
  if (!earliest || d.t[earliest] == d.t[latest]) {
    // No window can be made of one moment.
    form_.Beep();
    return;
  }
  Start({ClickOn(earliest), Command("LeftEdge"), ClickOn(latest), Command("RightEdge1")});
}

void PlotMouse::Wheel(int angle) {
  wheelAngle_ += angle;
  while (wheelAngle_ >= kNotch) {
    wheelAngle_ -= kNotch;
    Start({Command("ZoomIn")});
  }
  while (wheelAngle_ <= -kNotch) {
    wheelAngle_ += kNotch;
    Start({Command("ZoomOut")});
  }
}

}  // namespace teril
