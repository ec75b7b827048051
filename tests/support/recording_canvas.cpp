#include "support/recording_canvas.h"

namespace teril::testing {

std::vector<CanvasCall> RecordingCanvas::SinceLastClear() const {
  std::size_t start = 0;
  for (std::size_t i = 0; i < calls.size(); ++i)
    if (calls[i].op == "Clear") start = i + 1;
  return {calls.begin() + start, calls.end()};
}

std::vector<CanvasCall> RecordingCanvas::Texts() const {
  std::vector<CanvasCall> out;
  for (auto& c : SinceLastClear())
    if (c.op == "Text") out.push_back(c);
  return out;
}

std::vector<CanvasCall> RecordingCanvas::Lines() const {
  std::vector<CanvasCall> out;
  for (auto& c : SinceLastClear())
    if (c.op == "LineTo") out.push_back(c);
  return out;
}

}  // namespace teril::testing
