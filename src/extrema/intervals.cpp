#include "extrema/intervals.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "base/io.h"
#include "base/line_reader.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "plot/view.h"

namespace teril {

namespace {

std::string Int(long long v) { return Str(v); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// The first `count` blank-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line, std::size_t count) {
  std::vector<std::string_view> out;
  std::size_t pos = 0;
  while (out.size() < count) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size()) break;
    std::size_t end = pos;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    out.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return out;
}

// The line as it may be quoted in a message.
std::string Quoted(std::string_view line) {
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  std::string text(line.substr(0, 60));
  if (line.size() > 60) text += "...";
  return "\"" + text + "\"";
}

std::string Where(const std::string& fileName, long long lineNumber) {
  return fileName + ", line " + Int(lineNumber) + ": ";
}

constexpr const char* kShowIntervalKey = "\x05";

}  // namespace

IntervalReadResult ReadIntervals(const std::string& fileName, std::string_view content,
                                 int pointCount, std::size_t capacity) {
  IntervalReadResult result;
  // Lines end at LF, CR LF or a lone CR, and a byte-order mark is skipped,
  // as in the data file.
  LineReader lines(content);
  std::string_view line;
  bool first = true;
  for (;;) {
    try {
      if (!lines.Next(line)) break;
    } catch (const LineTooLong& err) {
      result.log.push_back(Where(fileName, err.line()) +
                           "the line is too long to be an interval; the rest of the file is "
                           "not read");
      break;
    }
    const long long lineNumber = lines.number();
    const auto fields = Fields(line, 4);
    if (fields.empty()) continue;  // a blank line
    std::optional<long long> start, stop;
    std::optional<double> startTime, stopTime;
    if (fields.size() == 4) {
      start = ParseInteger(fields[0]);
      startTime = ParseNumber(fields[1]);
      stop = ParseInteger(fields[2]);
      stopTime = ParseNumber(fields[3]);
    }
    if (!start || !startTime || !stop || !stopTime) {
      result.log.push_back(Where(fileName, lineNumber) + Quoted(line) +
                           " is not an interval (start index, start time, end index, end "
                           "time); the line is skipped");
      continue;
    }
    if (result.entries.size() >= capacity) {
      result.log.push_back(Where(fileName, lineNumber) + "more than " +
                           Int(static_cast<long long>(capacity)) +
                           " intervals; the rest of the file is not read");
      break;
    }
    // Indices far beyond any data set are held where the arithmetic below
    // cannot overflow; such an interval is dropped all the same.
    constexpr long long kIndexBound = 1LL << 61;
    *start = std::clamp(*start, -kIndexBound, kIndexBound);
    *stop = std::clamp(*stop, -kIndexBound, kIndexBound);
    if (first && *start == 0) result.zeroBased = true;
    first = false;
    if (result.zeroBased) {
      ++*start;
      ++*stop;
    }
    const long long count = static_cast<long long>(result.entries.size()) + 1;
    result.log.push_back("nint=" + Int(count) + "=" + Int(*start) + "=" + Int(*stop));
    if (*stop - *start < 1) continue;  // dropped: the end is not above the start
    if (*start < 1 || *stop > pointCount) {
      result.log.push_back(Where(fileName, lineNumber) + "the points " + Int(*start) + " .. " +
                           Int(*stop) + " do not lie in 1 .. " + Int(pointCount) +
                           "; the interval is dropped");
      continue;
    }
    result.entries.push_back(
        {static_cast<int>(*start), *startTime, static_cast<int>(*stop), *stopTime});
  }
  return result;
}

bool ReadIntervalsFile(Engine& e, const std::string& path) {
  BatchState& b = e.batch;
  const DataSet& d = e.data;
  std::vector<IntervalEntry> entries;
  bool zeroBased = false;
  // Only a file that is surely missing gives the whole data set; one that
  // cannot even be looked up (a folder on its way that may not be entered)
  // is read, and the reading says why it cannot be.
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) {
    e.LogLine(path + ": no such file; the interval is the whole data set");
    if (d.n >= 1) entries.push_back({1, d.t[1], d.n, d.t[d.n]});
  } else {
    std::optional<std::string> content;
    std::string reason = "it cannot be opened";
    try {
      content = ReadFileIfExists(path);
    } catch (const IoError& err) {
      reason = err.reason();
    }
    if (!content) {
      e.LogLine(path + ": the file cannot be read (" + reason +
                "); the list of intervals is unchanged");
      return false;
    }
    IntervalReadResult r = ReadIntervals(path, *content, d.n);
    for (const std::string& line : r.log) e.LogLine(line);
    entries = std::move(r.entries);
    zeroBased = r.zeroBased;
  }
  b.IntervalList.assign(1, IntervalEntry{});
  b.IntervalList.insert(b.IntervalList.end(), entries.begin(), entries.end());
  b.intervalCount = static_cast<int>(entries.size());
  b.currentInterval = 0;
  b.zeroBased = zeroBased;
  return true;
}

void ChooseIntervalsFile(Engine& e) {
  auto chosen = e.dialogs.OpenFile(kIntervalsTitle, kIntervalsFilter);
  if (!chosen) return;
  const std::string previous = e.batch.intervalsFile;
  e.batch.intervalsFile = *chosen;
  e.LogLine("file for intervals=" + *chosen);
  if (!ReadIntervalsFile(e, *chosen)) e.batch.intervalsFile = previous;
  e.LogLine("no of intervals=" + Int(e.batch.intervalCount));
}

bool SetViewToInterval(Engine& e, int k, bool logTimes) {
  const BatchState& b = e.batch;
  const DataSet& d = e.data;
  ViewState& v = e.view;
  if (k < 1 || k > b.intervalCount) {
    e.LogLine("There is no interval " + Int(k) + ": " + Int(b.intervalCount) +
              " intervals are read (File for intervals)");
    return false;
  }
  const IntervalEntry& entry = b.IntervalList[static_cast<std::size_t>(k)];
  if (entry.startIndex < 1 || entry.endIndex > d.n || entry.startIndex > entry.endIndex) {
    e.LogLine("interval " + Int(k) + ": the points " + Int(entry.startIndex) + " .. " +
              Int(entry.endIndex) + " do not lie in 1 .. " + Int(d.n) + " any more");
    return false;
  }
  v.firstVisible = entry.startIndex;
  v.lastVisible = entry.endIndex;
  v.tMin = d.t[v.firstVisible];
  v.tMax = d.t[v.lastVisible];
  e.LogLine("interval=" + Int(k) + " from " + Int(b.intervalCount));
  if (logTimes) e.LogLine("Start time" + General(v.tMin) + " end " + General(v.tMax));
  if (v.tMin + 1e-7 > v.tMax) v.tMax = v.tMin + 1e-7;
  v.j = (v.firstVisible + v.lastVisible) / 2;
  v.cursorPoint = v.j;
  // The interval is shown where it is: a scroll made before must not move it.
  v.scrollShift = 0;
  v.indexRange = {true, v.firstVisible, v.lastVisible, d.n, v.tMin, v.tMax};
  return true;
}

Continuation ShowInterval(Engine& e) {
  if (!SetViewToInterval(e, e.batch.currentInterval, true)) return Continuation::Read;
  if (e.data.phased) {
    // MoveWindow leaves a phase plot alone; the interval must still be seen.
    Redraw(e);
    return Continuation::Read;
  }
  return Continuation::Window;
}

void PrevInterval(Engine& e) {
  if (!WaitsForKey(e)) return;
  int& k = e.batch.currentInterval;
  --k;
  if (k <= 0) {
    k = 1;
    e.host.MessageBox("first interval");
  }
  e.console.InjectKey(kShowIntervalKey);
}

void NextInterval(Engine& e) {
  if (!WaitsForKey(e)) return;
  int& k = e.batch.currentInterval;
  ++k;
  if (k > e.batch.intervalCount) {
    k = e.batch.intervalCount;
    e.host.MessageBox("last interval");
  }
  e.console.InjectKey(kShowIntervalKey);
}

std::string GoToLabel(const Engine& e) { return "Interval number <=" + Int(e.batch.intervalCount); }

void GoToIntervalNumber(Engine& e) {
  if (!WaitsForKey(e)) return;
  long long k = 0;
  for (;;) {
    std::vector<DialogField> fields{
        {GoToLabel(e), "1", "an interval number",
         [](const std::string& text) { return ParseInteger(text).has_value(); }}};
    if (!e.dialogs.EditFields("Gotoint", "Go to interval number...", fields)) return;
    if (auto value = ParseInteger(fields[0].value)) {
      k = *value;
      break;
    }
    e.LogLine("\"" + fields[0].value + "\" is not an interval number");
  }
  int& current = e.batch.currentInterval;
  if (k < 1) {
    current = 1;
    e.host.MessageBox("first interval");
  } else if (k > e.batch.intervalCount) {
    current = e.batch.intervalCount;
    e.host.MessageBox("last interval");
  } else {
    current = static_cast<int>(k);
  }
  e.console.InjectKey(kShowIntervalKey);
}

}  // namespace teril
