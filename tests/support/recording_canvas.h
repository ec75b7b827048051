// A canvas that records every call with its arguments and the pen colour
// at the time of the call.
#pragma once

#include <string>
#include <vector>

#include "plot/canvas.h"

namespace teril::testing {

struct CanvasCall {
  std::string op;        // "MoveTo", "LineTo", "Rectangle", "Ellipse", "Text", "SetPixel", "FillRect", "Clear", "SaveRect"
  int a = 0, b = 0, c = 0, d = 0;
  Rgb pen;               // pen at the time of the call (the raw colour for SetPixel/FillRect)
  std::string text;      // Text: the text; SaveRect: the path
};

class RecordingCanvas : public Canvas {
 public:
  RecordingCanvas(int w = 673, int h = 373) : w_(w), h_(h) {}
  std::vector<CanvasCall> calls;
  Rgb pen;
  int penX = 0, penY = 0;
  bool visible = false;
  int top = 0;

  int Width() const override { return w_; }
  int Height() const override { return h_; }
  void SetPen(Rgb c) override { pen = c; }
  void MoveTo(int x, int y) override { Add("MoveTo", x, y, 0, 0); penX = x; penY = y; }
  void LineTo(int x, int y) override {
    Add("LineTo", penX, penY, x, y);  // a, b: from; c, d: to
    penX = x;
    penY = y;
  }
  void Rectangle(int x1, int y1, int x2, int y2) override { Add("Rectangle", x1, y1, x2, y2); }
  void Ellipse(int x1, int y1, int x2, int y2) override { Add("Ellipse", x1, y1, x2, y2); }
  void Text(int x, int y, const std::string& t) override {
    Add("Text", x, y, 0, 0);
    calls.back().text = t;
  }
  void SetPixel(int x, int y, Rgb c) override {
    Add("SetPixel", x, y, 0, 0);
    calls.back().pen = c;
  }
  void FillRect(int x1, int y1, int x2, int y2, Rgb c) override {
    Add("FillRect", x1, y1, x2, y2);
    calls.back().pen = c;
  }
  void Clear() override { Add("Clear", 0, 0, 0, 0); }
  bool SaveRect(int x, int y, int w, int h, int, int, const std::string& path) override {
    Add("SaveRect", x, y, w, h);
    calls.back().text = path;
    return true;
  }
  void SetVisible(bool v) override { visible = v; }
  void SetTop(int t) override { top = t; }

  // Calls since the last Clear.
  std::vector<CanvasCall> SinceLastClear() const;
  // Texts drawn since the last Clear.
  std::vector<CanvasCall> Texts() const;
  // The lines (LineTo calls) drawn since the last Clear.
  std::vector<CanvasCall> Lines() const;

 private:
  void Add(const char* op, int a, int b, int c, int d) {
    calls.push_back(CanvasCall{op, a, b, c, d, pen, {}});
  }
  int w_, h_;
};

}  // namespace teril::testing
