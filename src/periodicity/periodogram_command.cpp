// Menu items of the period search, and the periodogram command.
#include "periodicity/periodogram_command.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/save.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/approximation_command.h"
#include "periodicity/period_search.h"
#include "periodicity/periodogram.h"
#include "periodicity/periodogram_dialog.h"
#include "periodicity/periodogram_file.h"
#include "plot/view.h"

namespace teril {
namespace {

using M = PeriodogramMethod;

constexpr const char* kWhat = "Periodogram";

// The check marks of the menu items that follow the six transformation flags.
constexpr bool MenuChecks::*kTransformItems[] = {&MenuChecks::lgT,      &MenuChecks::pow10T,
                                                 &MenuChecks::lgX,      &MenuChecks::pow10X,
                                                 &MenuChecks::intToMag, &MenuChecks::magToInt};

std::string Int(long long v) { return Str(v); }

void Refuse(Engine& e, const std::string& why) { RefusePeriodogram(e, why); }

struct VisiblePoints {
  std::vector<double> t, x, weights;  // weights empty: all equal
  std::vector<int> bands;             // 0-based, by observer code in order of appearance
  std::vector<std::string> bandCodes;
};

// The band of each point from its observer code (the import writes the
// band there): codes numbered from 0 in the order they first appear.
void NumberBands(VisiblePoints& p, const std::vector<ObserverCode>& codes) {
  for (const ObserverCode& c : codes) {
    const std::string code = c.str();
    auto it = std::find(p.bandCodes.begin(), p.bandCodes.end(), code);
    if (it == p.bandCodes.end()) it = p.bandCodes.insert(p.bandCodes.end(), code);
    p.bands.push_back(static_cast<int>(it - p.bandCodes.begin()));
  }
}

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
  std::vector<ObserverCode> codes;
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
    codes.push_back(d.observer[i]);
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
  NumberBands(p, codes);
  return p;
}

int DecimalsFor(double smallest) {
  if (!(smallest > 0)) return 6;
  return std::clamp(static_cast<int>(std::ceil(-std::log10(smallest))) + 1, 0, 11);
}

// What the data set shows: the semi-amplitude for method 2, else the
// method's statistic.
const std::vector<double>& Shown(const PeriodSearchValues& v, M method) {
  return method == M::Amplitude ? v.amplitude : v.power;
}

// The grid index of the best value (the first of equals).
long long BestIndex(const std::vector<double>& v, M method) {
  const auto it = BestAtMinimum(method) ? std::min_element(v.begin(), v.end())
                                        : std::max_element(v.begin(), v.end());
  return it - v.begin();
}

// The data set becomes the periodogram: t := frequency, x := `values`
// (at most MaxPoints of them; a longer grid keeps the best of each run of
// grid values, so that every peak, or every minimum of method 5, keeps its
// value).
void ReplaceDataSet(Engine& e, const FrequencyGrid& grid, const std::vector<double>& values,
                    M method) {
  std::vector<long long> kept;
  if (BestAtMinimum(method)) {
    std::vector<double> negated(values.size());
    std::transform(values.begin(), values.end(), negated.begin(), [](double v) { return -v; });
    kept = MaxEnvelope(negated, MaxPoints);
  } else {
    kept = MaxEnvelope(values, MaxPoints);
  }
  const long long best = BestIndex(values, method);
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
    if (k <= best) current = i;
  }
  d.phased = false;
  d.weightsLoaded = false;
  d.tDecimals = DecimalsFor(grid.step * static_cast<double>(grid.count) / d.n);
  d.tWidth = FitPrintWidth(d.tDecimals, d.t[1], d.t[d.n]);
  // Powers and theta are of order 1; the amplitude spectrum and the AoV
  // statistic have the scale of the data.
  d.xDecimals = method == M::Amplitude || method == M::Aov ? DecimalsFor(xHigh * 1e-4) : 6;
  d.xWidth = FitPrintWidth(d.xDecimals, xLow, xHigh);
  // The transformations, the linear transformation and the lag diagram
  // belonged to the light curve.
  FileRunState& r = e.run;
  r.flags.Clear();
  for (bool MenuChecks::*item : kTransformItems) e.checks.*item = false;
  e.line.lineApplied = false;
  r.countAtLoad = d.n;
  // The periodogram is in its file; the light curve's edits were offered
  // for saving.
  r.modified = false;
  ViewState& v = e.view;
  v.mapShift = 0;
  v.leftMark = 0;
  e.checks.inverseX = false;  // peaks upward (theta's minima downward)
  v.showFitMarks = false;
  v.j = v.cursorPoint = current;
}

std::string MethodLine(const PeriodogramRequest& r, std::size_t bands) {
  const PeriodSearchOptions& o = r.search;
  const std::string K = Int(o.harmonics) + (o.harmonics == 1 ? " harmonic" : " harmonics");
  switch (r.method) {
    case M::LombScargle:
      return "Method 1: generalised Lomb-Scargle, floating mean";
    case M::Amplitude:
      return "Method 2: amplitude spectrum of the discrete Fourier transform";
    case M::Harmonic:
      return "Method 3: Fourier series of " + K;
    case M::Multiband:
      return "Method 4: multi-band Fourier series of " + K + " and " + Int(o.bandHarmonics) +
             " of each band's own, " + Int(static_cast<long long>(bands)) +
             (bands == 1 ? " band" : " bands");
    case M::Pdm:
      return "Method 5: phase dispersion minimisation, " + Int(o.bins) + " bins";
    case M::Aov:
      return "Method 6: analysis of variance, " + Int(o.bins) + " bins";
    case M::Bls:
      return "Method 7: box least squares, durations " + General(o.shortestDuration) + " to " +
             General(o.longestDuration) + " of the period";
  }
  return "";
}

std::string PeriodText(double f) { return f > 0 ? General(1 / f) : std::string("-"); }

// The peak table: method 5 lists the minima of theta; methods 1, 3 to 6
// give the false-alarm probability, method 7 the box of each peak.
void LogPeaks(Engine& e, const std::vector<PeriodSearchPeak>& peaks, M method, int count) {
  if (peaks.empty() || count == 0) return;
  const bool fap = method != M::Amplitude && method != M::Bls;
  const bool bls = method == M::Bls;
  e.LogLine(BestAtMinimum(method) ? "Lowest minima:" : "Highest peaks:");
  std::string head = std::string("  #  frequency  period  ") + (method == M::Pdm   ? "theta"
                                                                : method == M::Aov ? "AoV"
                                                                                   : "power");
  head += bls ? "  depth +- error  duration +- error  t0 +- error" : "  semi-amplitude";
  if (fap) head += "  false-alarm probability";
  e.LogLine(head);
  for (int rank = 1; rank <= count && rank <= static_cast<int>(peaks.size()); ++rank) {
    const PeriodSearchPeak& p = peaks[rank - 1];
    std::string line = Str(static_cast<long long>(rank), 3) + "  " + General(p.frequency) + "  " +
                       PeriodText(p.frequency) + "  " + General(p.power) + "  ";
    if (bls) {
      line += General(p.depth) + " +- " + General(p.depthError) + "  " + General(p.duration) +
              " +- " + General(p.durationError) + "  " + General(p.t0) + " +- " +
              General(p.t0Error);
    } else {
      line += General(p.amplitude);
    }
    if (fap) line += "  " + General(p.falseAlarm);
    e.LogLine(line);
  }
}

// Key code 16 takes the best box of a box least squares periodogram: its
// period and, as T0, the mid-time of its first event. Any other
// periodogram withdraws a period that such a run left there.
void OfferPeriodForKey16(Engine& e, M method, const std::vector<PeriodSearchPeak>& peaks) {
  ClassicalState& c = e.classical;
  if (method != M::Bls) {
    if (std::isfinite(c.lastPeriodEpoch)) c.lastParabolaPeriod = 0;
    c.lastPeriodEpoch = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  if (peaks.empty() || !(peaks[0].frequency > 0)) return;
  c.lastParabolaPeriod = 1 / peaks[0].frequency;
  c.lastPeriodEpoch = peaks[0].t0;
  e.LogLine("Key code 16 takes the period " + General(c.lastParabolaPeriod) + " and T0 " +
            General(c.lastPeriodEpoch) + " of the best box");
}

}  // namespace

void RunPeriodogramCommand(Engine& e) {
  auto points = CollectVisible(e);
  if (!points) return;
  const double spacing = MedianSpacing(points->t);
  auto request = AskPeriodogramRequest(e, 0.5 / spacing);
  if (!request) return;
  const PeriodogramRequest& r = *request;
  const PeriodogramSeries series = PrepareSeries(points->t, points->x, points->weights);
  FrequencyGrid grid{r.fLow, 1 / (r.oversampling * series.span), 0};
  // A box needs a period: the frequency 0 is left out of its search.
  const bool fromOneStep = r.method == M::Bls && grid.fLow == 0;
  if (fromOneStep) {
    grid.fLow = grid.step;
    if (!(r.fHigh > grid.fLow)) {
      Refuse(e,
             "box least squares needs frequencies above 0; the highest frequency is below the "
             "frequency step " +
                 General(grid.step));
      return;
    }
  }
  const double count = GridCount(grid.fLow, r.fHigh, grid.step);
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
  const bool sine = r.method == M::LombScargle || r.method == M::Amplitude;
  const bool fast = static_cast<double>(n) * count > kDirectPeriodogramLimit;
  // Only method 4 tells the bands apart.
  const std::span<const int> bands =
      r.method == M::Multiband ? std::span<const int>(points->bands) : std::span<const int>();
  PeriodSearchValues values;
  const std::string name = ResultStem(e.run.inputFile) + "_periodogram.dat";
  double seconds = 0;
  std::vector<PeriodSearchPeak> peaks;
  bool finished = false;
  try {
    ProgressScope progress(e.host);
    PeriodSearchOptions options = r.search;
    if (sine) options.path = fast ? SumsPath::Fast : SumsPath::Direct;
    options.progress = [&progress](long long done, long long total) {
      return progress.Step(done, total, kWhat);
    };
    const auto start = std::chrono::steady_clock::now();
    finished = ComputePeriodSearch(series, bands, grid, r.method, options, values);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (finished) {
      // The best box is kept for key code 16 even when no peak is listed.
      const int listed = r.method == M::Bls ? std::max(1, r.peaks) : r.peaks;
      peaks = ListPeriodSearchPeaks(series, bands, grid, r.method, options, values, listed);
      std::vector<std::span<const double>> columns{values.power};
      if (r.method == M::Bls)
        columns.insert(columns.end(), {values.depth, values.duration, values.t0});
      else
        columns.push_back(values.amplitude);
      finished = WritePeriodogramFile(name,
                                      r.method == M::Bls ? "frequency power depth duration t0"
                                                         : "frequency power semi-amplitude",
                                      grid, columns, options.progress);
      if (finished) e.console.FileWritten(name);
    }
  } catch (const std::bad_alloc&) {
    Refuse(e, "not enough memory for " + Int(grid.count) + " frequencies");
    return;
  } catch (const std::invalid_argument& error) {
    // The dialog's checks should leave nothing for the search to refuse.
    Refuse(e, error.what());
    return;
  }
  if (!finished) {
    e.LogLine("Periodogram stopped: the data set is unchanged");
    e.LogLine(" ");
    return;
  }

  e.LogLine("Periodogram");
  e.LogLine("Number of points " + Int(n));
  e.LogLine("Time span " + General(series.span));
  e.LogLine("Frequencies from " + General(grid.fLow) + " to " + General(grid.At(grid.count - 1)) +
            " step " + General(grid.step));
  e.LogLine("Number of frequencies " + Int(grid.count));
  if (fromOneStep)
    e.LogLine("The frequency 0 holds no period: the box search starts one step above it");
  e.LogLine(MethodLine(r, points->bandCodes.size()));
  if (r.method == M::Multiband) {
    std::string codes = "Bands (observer codes):";
    for (const std::string& c : points->bandCodes) codes += " " + (c.empty() ? "-" : c);
    e.LogLine(codes);
  }
  if (sine)
    e.LogLine(fast ? "Computed by the fast method (extirpolation and FFT)"
                   : "Computed by the direct sums");
  e.LogLine("Computing time " + Str(seconds, 0, 3) + " s");
  LogPeaks(e, peaks, r.method, r.peaks);
  e.LogLine("Written to " + name);
  OfferPeriodForKey16(e, r.method, peaks);

  ReplaceDataSet(e, grid, Shown(values, r.method), r.method);
  if (grid.count > e.data.n)
    e.LogLine("The data set holds " + Int(e.data.n) + " of the " + Int(grid.count) +
              " frequencies: the " + (BestAtMinimum(r.method) ? "lowest" : "highest") +
              " value of each run of " + Int((grid.count + MaxPoints - 1) / MaxPoints));
  e.LogLine(" ");
  ResetView(e);
}

}  // namespace teril
