#include "plot/marks.h"

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/io.h"
#include "base/line_reader.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/draw.h"

namespace teril {

namespace {

int SafeCurrent(const Engine& e) {
  int j = e.view.j;
  if (j < 1) j = 1;
  if (j > e.data.n) j = e.data.n;
  return j;
}

void AppendMark(Engine& e, bool endLine) {
  if (e.data.n < 1) return;
  const int j = SafeCurrent(e);
  std::string text = Str(static_cast<long long>(j)) + " " +
                     Str(e.data.t[j], e.data.tWidth, e.data.tDecimals) + " ";
  if (endLine) text += "\n";
  AppendToFile(e.run.marksFile, text);
  e.console.FileWritten(e.run.marksFile);
}

// Both engine marks open the file (creating it) and circle the cursor.
void BeginEngineMark(Engine& e) {
  AppendToFile(e.run.marksFile, "");
  SetPenColor(e, kMarkCircleColor);
  DrawCircle(e, e.view.cursorX, e.view.cursorY, 5);
  DrawCircle(e, e.view.cursorX, e.view.cursorY, 4);
  SetPenColor(e, e.view.cursorColor);
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads one number after any white space (line ends included), as the
// console program's reads did.
std::optional<double> ReadNumberAt(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  std::size_t used = 0;
  auto value = ParseLeadingNumber(text.substr(pos), used);
  if (value) pos += used;
  return value;
}

}  // namespace

void MarkLeft(Engine& e) { AppendMark(e, false); }

void MarkRight(Engine& e) { AppendMark(e, true); }

Continuation EngineLeftMark(Engine& e) {
  BeginEngineMark(e);
  if (e.data.n < 1) return Continuation::Read;
  ViewState& v = e.view;
  const DataSet& d = e.data;
  const int j = SafeCurrent(e);
  v.leftMark = j;
  DrawRect(e, 40, 220, 89, 227);
  SetPenColor(e, kFitMarkColor);
  const std::string line = Str(static_cast<long long>(e.run.headerLines + j), 5);
  DrawText(e, 40, 220, line);
  SetPenColor(e, v.cursorColor);
  if (v.shortMarks) AppendToFile(e.run.marksFile, line + " " + Str(d.t0[j], d.tWidth, d.tDecimals));
  return Continuation::Read;
}

Continuation EngineRightMark(Engine& e) {
  BeginEngineMark(e);
  ViewState& v = e.view;
  const DataSet& d = e.data;
  if (v.leftMark <= 0 || d.n < 1) return Continuation::Read;
  const int j = SafeCurrent(e);
  if (v.shortMarks) {
    AppendToFile(e.run.marksFile, Str(static_cast<long long>(e.run.headerLines + j), 6) + " " +
                                      Str(d.t0[j], d.tWidth, d.tDecimals) + "\n");
  } else {
    // The ends are ordered on copies: the current point stays where it is.
    int lo = v.leftMark < d.n ? v.leftMark : d.n, hi = j;
    if (hi < lo) std::swap(lo, hi);
    std::string block = Str(static_cast<long long>(hi - lo + 1)) + "\n";
    for (int i = lo; i <= hi; ++i)
      block += Str(d.t0[i], d.tWidth, d.tDecimals) + Joined(d.x[i], d.xWidth, d.xDecimals) + "\n";
    AppendToFile(e.run.marksFile, block);
    e.host.MessageBox("ilo3=" + Str(static_cast<long long>(hi)));
  }
  DrawRect(e, 40, 220, 89, 227);
  v.leftMark = 0;
  return Continuation::Read;
}

Continuation ToggleMarksFormat(Engine& e) {
  ViewState& v = e.view;
  if (v.leftMark > 0) {
    e.host.Beep();
    return Continuation::Read;
  }
  v.shortMarks = !v.shortMarks;
  if (!e.run.marksFile.empty()) e.run.marksFile.back() = v.shortMarks ? '!' : '#';
  DrawRect(e, 0, 300, 71, 307);
  DrawText(e, 0, 300, v.shortMarks ? "short" : "full ");
  return Continuation::Read;
}

MarkRead ReadMarkRecord(std::string_view text, std::size_t& pos, MarkRecord& record) {
  if (pos == 0 && text.substr(0, kUtf8Bom.size()) == kUtf8Bom) pos = kUtf8Bom.size();
  if (pos > text.size()) pos = text.size();
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  if (pos >= text.size()) return MarkRead::End;
  double field[4] = {0, 0, 0, 0};
  for (double& f : field) {
    auto value = ReadNumberAt(text, pos);
    if (!value) return pos >= text.size() ? MarkRead::End : MarkRead::Bad;
    f = *value;
  }
  // Line numbers must be whole and positive: a record that is not becomes
  // the end of the list rather than a reload from a nonsense line.
  for (double i : {field[0], field[2]})
    if (!(i == std::trunc(i) && i >= 1 && i < 2e9)) return MarkRead::Bad;
  record = MarkRecord{static_cast<int>(field[0]), field[1], static_cast<int>(field[2]), field[3]};
  // The rest of the line is not part of the record.
  while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r') ++pos;
  return MarkRead::Record;
}

Continuation NextMarkedInterval(Engine& e) {
  ViewState& v = e.view;
  std::optional<std::string> content;
  try {
    content = ReadFileIfExists(e.run.marksFile);
  } catch (const IoError& err) {
    e.LogLine(err.what());
  }
  if (!content) {
    v.marksFromStart = true;
    return Continuation::Read;
  }
  if (v.marksFromStart) {
    v.marksOffset = 0;
    v.marksFromStart = false;
  }
  std::size_t pos = v.marksOffset;
  MarkRecord record;
  const MarkRead got = ReadMarkRecord(*content, pos, record);
  if (got != MarkRead::Record) {
    if (got == MarkRead::Bad) e.LogLine("Bad interval in " + e.run.marksFile);
    v.marksFromStart = true;
    e.host.Beep();
    return Continuation::Redraw;
  }
  v.marksOffset = pos;

  int i1 = record.i1, i2 = record.i2;
  double t1 = record.t1, t2 = record.t2;
  // Marks are written in either order; a window, and the lines it reloads,
  // always run forwards.
  if (t2 < t1) std::swap(t1, t2);
  if (i2 < i1) std::swap(i1, i2);
  v.tMin = t1;
  v.tMax = t2;
  v.cursorPoint = v.xMinIdx;
  int& header = e.run.headerLines;
  if (i1 > header && static_cast<long long>(i2) <= static_cast<long long>(header) + MaxPoints)
    return Continuation::Redraw;
  header = i1 - 1;
  v.xMinIdx = i1 - header;
  v.xMaxIdx = i2 - header;
  return Continuation::Reload;
}

}  // namespace teril
