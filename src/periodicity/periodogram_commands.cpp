// Menu items of the period search, and the periodogram command.
#include "periodicity/periodogram_commands.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/save.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/approximation_commands.h"
#include "periodicity/periodogram.h"
#include "plot/view.h"

namespace teril {
namespace {

constexpr const char* kWhat = "Periodogram";
constexpr int kMaxPeaksListed = 1000;
constexpr long long kLinesPerWrite = 100000;

// The check marks of the menu items that follow the six transformation flags.
constexpr bool MenuChecks::* kTransformItems[] = {&MenuChecks::lgT,      &MenuChecks::pow10T,
                                                  &MenuChecks::lgX,      &MenuChecks::pow10X,
                                                  &MenuChecks::intToMag, &MenuChecks::magToInt};

std::string Int(long long v) { return Str(v); }

void Refuse(Engine& e, const std::string& why) {
  const std::string text = "Periodogram: " + why;
  e.LogLine(text);
  e.LogLine(" ");
  e.host.MessageBox(text);
}

struct VisiblePoints {
  std::vector<double> t, x, weights;  // weights empty: all equal
};

// The visible points, or nothing (and the reason said) when they cannot
// give a periodogram.
std::optional<VisiblePoints> CollectVisible(Engine& e) {
  const DataSet& d = e.data;
  const ViewState& v = e.view;
  if (d.phased) {
    // In phase mode t holds phases, whose periodogram means nothing.
    Refuse(e, "the times hold phases; switch phase mode off (F) first");
    return std::nullopt;
  }
  VisiblePoints p;
  const int first = std::max(1, v.firstVisible), last = std::min(d.n, v.lastVisible);
  for (int i = first; i <= last; ++i) {
    if (d.t[i] < v.tMin || d.t[i] > v.tMax) continue;
    if (!std::isfinite(d.t[i]) || !std::isfinite(d.x[i])) {
      Refuse(e, "point " + Int(i) + " is not a finite number");
      return std::nullopt;
    }
    if (d.weightsLoaded) {
      const double w = 1 / (d.s[i] * d.s[i]);
      if (!(d.s[i] > 0) || !std::isfinite(w) || !(w > 0)) {
        // An error of 0 has no weight; one so small or so large that 1/s^2
        // overflows or comes out 0 has none that can be used either.
        Refuse(e, "point " + Int(i) + " has the error s=" + General(d.s[i]) +
                      (d.s[i] > 0 ? "; its weight 1/s^2 is beyond the range of numbers"
                                  : "; the weights 1/s^2 need errors above 0"));
        return std::nullopt;
      }
      p.weights.push_back(w);
    }
    p.t.push_back(d.t[i]);
    p.x.push_back(d.x[i]);
  }
  double totalWeight = 0;
  for (double w : p.weights) totalWeight += w;
  if (!std::isfinite(totalWeight)) {
    Refuse(e, "the weights 1/s^2 add up beyond the range of numbers; the errors are too small");
    return std::nullopt;
  }
  if (p.t.size() < 3) {
    Refuse(e, "fewer than 3 visible points");
    return std::nullopt;
  }
  auto [lo, hi] = std::minmax_element(p.t.begin(), p.t.end());
  if (!(*hi > *lo)) {
    Refuse(e, "the visible points span no time");
    return std::nullopt;
  }
  if (std::all_of(p.x.begin(), p.x.end(), [&](double x) { return x == p.x.front(); })) {
    Refuse(e, "the visible signal is constant");
    return std::nullopt;
  }
  return p;
}

struct Request {
  double fLow = 0, fHigh = 0, oversampling = 10;
  PeriodogramMethod method = PeriodogramMethod::LombScargle;
  int peaks = 10;
};

bool IsNumber(const std::string& s) { return ParseNumber(s).has_value(); }

// The dialog; nothing when cancelled or when a field is refused.
std::optional<Request> AskRequest(Engine& e, double defaultHigh) {
  std::vector<DialogField> fields{
      {"Lowest frequency", "0", "cycles per unit of t, 0 or more", IsNumber},
      {"Highest frequency", General(defaultHigh),
       "above the lowest; the default is half the inverse of the median spacing", IsNumber},
      {"Oversampling", "10", "the frequency step is 1 / (oversampling * time span)",
       [](const std::string& s) { return ParseNumber(s).value_or(0) > 0; }},
      {"Method", "1",
       "1 = generalised Lomb-Scargle with a floating mean, 2 = amplitude spectrum of the "
       "discrete Fourier transform",
       [](const std::string& s) {
         auto m = ParseInteger(s);
         return m && (*m == 1 || *m == 2);
       }},
      {"Peaks to list", "10", "how many of the highest peaks the log lists",
       [](const std::string& s) {
         auto m = ParseInteger(s);
         return m && *m >= 0 && *m <= kMaxPeaksListed;
       }}};
  if (!e.dialogs.EditFields("Periodogram", "Periodogram", fields)) return std::nullopt;
  Request r;
  double* numbers[] = {&r.fLow, &r.fHigh, &r.oversampling};
  for (int i = 0; i < 3; ++i) {
    auto v = ParseNumber(fields[i].value);
    if (!v) {
      Refuse(e, "\"" + fields[i].label + "\" is not a number: " + fields[i].value);
      return std::nullopt;
    }
    *numbers[i] = *v;
  }
  auto method = ParseInteger(fields[3].value);
  if (!method || (*method != 1 && *method != 2)) {
    Refuse(e, "\"Method\" must be 1 or 2: " + fields[3].value);
    return std::nullopt;
  }
  r.method = static_cast<PeriodogramMethod>(*method);
  auto peaks = ParseInteger(fields[4].value);
  if (!peaks || *peaks < 0 || *peaks > kMaxPeaksListed) {
    Refuse(e, "\"Peaks to list\" must be a whole number from 0 to " + Int(kMaxPeaksListed) + ": " +
                  fields[4].value);
    return std::nullopt;
  }
  r.peaks = static_cast<int>(*peaks);
  if (r.fLow < 0) {
    Refuse(e, "the lowest frequency must not be negative");
    return std::nullopt;
  }
  if (!(r.fHigh > r.fLow)) {
    Refuse(e, "the highest frequency must be above the lowest");
    return std::nullopt;
  }
  if (!(r.oversampling > 0)) {
    Refuse(e, "the oversampling must be above 0");
    return std::nullopt;
  }
  return r;
}

struct Peak {
  long long index;
  double frequency;
  SineFit fit;
  double fap;
};

// The highest peaks of `values`, each refined by the parabola through its
// grid value and its two neighbours and evaluated there exactly.
std::vector<Peak> ListPeaks(const PeriodogramSeries& series, const FrequencyGrid& grid,
                            const std::vector<double>& values, const Request& r) {
  const double W = BaluevBandwidth(grid.fLow, grid.At(grid.count - 1), series.timeVariance);
  std::vector<Peak> peaks;
  for (long long k : HighestPeaks(values, r.peaks)) {
    double offset = 0;
    if (k > 0 && k + 1 < grid.count)
      offset = ParabolaVertexOffset(values[k - 1], values[k], values[k + 1]);
    Peak p{k, grid.At(k) + offset * grid.step, {}, 1};
    p.fit = FitAt(series, p.frequency, r.method);
    if (r.method == PeriodogramMethod::LombScargle)
      p.fap = BaluevFalseAlarm(p.fit.power, static_cast<long long>(series.size()), W);
    peaks.push_back(p);
  }
  std::stable_sort(peaks.begin(), peaks.end(),
                   [](const Peak& a, const Peak& b) { return a.fit.power > b.fit.power; });
  return peaks;
}

// Writes the whole periodogram; false (and no file) when stopped.
bool WritePeriodogram(const std::string& name, const FrequencyGrid& grid,
                      const PeriodogramValues& v, ProgressScope& progress) {
  WriteFile(name, "frequency power semi-amplitude\n");
  std::string text;
  for (long long k0 = 0; k0 < grid.count; k0 += kLinesPerWrite) {
    const long long k1 = std::min(grid.count, k0 + kLinesPerWrite);
    text.clear();
    for (long long k = k0; k < k1; ++k)
      text += Sci23(grid.At(k)) + " " + Sci23(v.power[k]) + " " + Sci23(v.amplitude[k]) + "\n";
    AppendToFile(name, text);
    if (k1 < grid.count && !progress.Step(k1, grid.count, kWhat)) {
      std::error_code ec;
      std::filesystem::remove(name, ec);
      return false;
    }
  }
  return true;
}

int DecimalsFor(double smallest) {
  if (!(smallest > 0)) return 6;
  return std::clamp(static_cast<int>(std::ceil(-std::log10(smallest))) + 1, 0, 11);
}

// The data set becomes the periodogram: t := frequency, x := `values`
// (at most MaxPoints of them; a longer grid keeps the highest of each run
// of grid values, so that every peak keeps its value).
void ReplaceDataSet(Engine& e, const FrequencyGrid& grid, const std::vector<double>& values,
                    long long highest, PeriodogramMethod method) {
  const std::vector<long long> kept = MaxEnvelope(values, MaxPoints);
  DataSet& d = e.data;
  d.n = static_cast<int>(kept.size());
  int current = 1;
  double xLow = values[kept[0]], xHigh = xLow;
  for (int i = 1; i <= d.n; ++i) {
    const long long k = kept[i - 1];
    d.t[i] = grid.At(k);
    d.t0[i] = d.t[i];
    d.x[i] = values[k];
    d.s[i] = 1.0;
    d.observer[i] = ObserverCode();
    xLow = std::min(xLow, d.x[i]);
    xHigh = std::max(xHigh, d.x[i]);
    if (k <= highest) current = i;
  }
  d.phased = false;
  d.weightsLoaded = false;
  d.tDecimals = DecimalsFor(grid.step * static_cast<double>(grid.count) / d.n);
  d.tWidth = FitPrintWidth(d.tDecimals, d.t[1], d.t[d.n]);
  d.xDecimals = method == PeriodogramMethod::LombScargle ? 6 : DecimalsFor(xHigh * 1e-4);
  d.xWidth = FitPrintWidth(d.xDecimals, xLow, xHigh);
  // The transformations, the linear transformation and the lag diagram
  // belonged to the light curve.
  FileRunState& r = e.run;
  r.flags.Clear();
  for (bool MenuChecks::* item : kTransformItems) e.checks.*item = false;
  e.line.lineApplied = false;
  r.countAtLoad = d.n;
  // The periodogram is in its file; the light curve's edits were offered
  // for saving.
  r.modified = false;
  ViewState& v = e.view;
  v.mapShift = 0;
  v.leftMark = 0;
  e.checks.inverseX = false;  // peaks upward
  v.showFitMarks = false;
  v.j = v.cursorPoint = current;
}

void LogPeaks(Engine& e, const std::vector<Peak>& peaks, PeriodogramMethod method) {
  if (peaks.empty()) return;
  const bool ls = method == PeriodogramMethod::LombScargle;
  e.LogLine("Highest peaks:");
  e.LogLine(std::string("  #  frequency  period  power  semi-amplitude") +
            (ls ? "  false-alarm probability" : ""));
  int rank = 0;
  for (const Peak& p : peaks) {
    std::string line = Str(static_cast<long long>(++rank), 3) + "  " + General(p.frequency) + "  " +
                       (p.frequency > 0 ? General(1 / p.frequency) : std::string("-")) + "  " +
                       General(p.fit.power) + "  " + General(p.fit.amplitude);
    if (ls) line += "  " + General(p.fap);
    e.LogLine(line);
  }
}

}  // namespace

void RunPeriodogramCommand(Engine& e) {
  auto points = CollectVisible(e);
  if (!points) return;
  const double spacing = MedianSpacing(points->t);
  auto request = AskRequest(e, 0.5 / spacing);
  if (!request) return;
  const Request& r = *request;
  const PeriodogramSeries series = PrepareSeries(points->t, points->x, points->weights);
  FrequencyGrid grid{r.fLow, 1 / (r.oversampling * series.span), 0};
  const double count = GridCount(r.fLow, r.fHigh, grid.step);
  if (!(count <= kMaxPeriodogramFrequencies)) {
    Refuse(e, "the grid would have " + General(count) + " frequencies, more than " +
                  General(kMaxPeriodogramFrequencies) +
                  "; narrow the range or lower the oversampling");
    return;
  }
  grid.count = static_cast<long long>(count);
  if (e.run.modified && e.dialogs.YesNo("The data set has unsaved changes. Save them to " +
                                        e.run.outputFile + " before the periodogram replaces it?"))
    SaveDataSet(e);

  const long long n = static_cast<long long>(series.size());
  const bool fast = static_cast<double>(n) * count > kDirectPeriodogramLimit;
  PeriodogramValues values;
  const std::string name = ResultStem(e.run.inputFile) + "_periodogram.dat";
  double seconds = 0;
  std::vector<Peak> peaks;
  bool finished = false;
  try {
    ProgressScope progress(e.host);
    PeriodogramOptions options;
    options.progress = [&progress](long long done, long long total) {
      return progress.Step(done, total, kWhat);
    };
    const auto start = std::chrono::steady_clock::now();
    finished = fast ? FastPeriodogram(series, grid, r.method, values, options)
                    : DirectPeriodogram(series, grid, r.method, values, options);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (finished) {
      const auto& shown =
          r.method == PeriodogramMethod::LombScargle ? values.power : values.amplitude;
      peaks = ListPeaks(series, grid, shown, r);
      finished = WritePeriodogram(name, grid, values, progress);
    }
  } catch (const std::bad_alloc&) {
    Refuse(e, "not enough memory for " + Int(grid.count) + " frequencies");
    return;
  }
  if (!finished) {
    e.LogLine("Periodogram stopped: the data set is unchanged");
    e.LogLine(" ");
    return;
  }

  const bool ls = r.method == PeriodogramMethod::LombScargle;
  e.LogLine("Periodogram");
  e.LogLine("Number of points " + Int(n));
  e.LogLine("Time span " + General(series.span));
  e.LogLine("Frequencies from " + General(grid.fLow) + " to " + General(grid.At(grid.count - 1)) +
            " step " + General(grid.step));
  e.LogLine("Number of frequencies " + Int(grid.count));
  e.LogLine(ls ? "Method 1: generalised Lomb-Scargle, floating mean"
               : "Method 2: amplitude spectrum of the discrete Fourier transform");
  e.LogLine(fast ? "Computed by the fast method (extirpolation and FFT)"
                 : "Computed by the direct sums");
  e.LogLine("Computing time " + Str(seconds, 0, 3) + " s");
  LogPeaks(e, peaks, r.method);
  e.LogLine("Written to " + name);

  const auto& shown = ls ? values.power : values.amplitude;
  const std::vector<long long> top = HighestPeaks(shown, 1);
  ReplaceDataSet(e, grid, shown, top.empty() ? 0 : top[0], r.method);
  if (grid.count > e.data.n)
    e.LogLine("The data set holds " + Int(e.data.n) + " of the " + Int(grid.count) +
              " frequencies: the highest value of each run of " +
              Int((grid.count + MaxPoints - 1) / MaxPoints));
  e.LogLine(" ");
  ResetView(e);
}

std::vector<NamedCommand> PeriodogramCommands() {
  // The command replaces the data set: only while the engine waits for a
  // key, never inside another command's question.
  return {MenuEntry("Periodogram1", "Periodogram", "Periodogram...", "",
                    WhenWaiting(RunPeriodogramCommand))};
}

}  // namespace teril
