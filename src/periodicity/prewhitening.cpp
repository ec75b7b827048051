#include "periodicity/prewhitening.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "base/numfmt.h"
#include "periodicity/spectral_window.h"

namespace teril {
namespace {

// Frequencies of the residual spectrum held in memory at once.
constexpr long long kScanChunk = 1 << 18;
// The noise box is transformed in one piece.
constexpr double kMaxNoiseBoxFrequencies = 1e7;

std::string Int(long long v) { return Str(v); }

double StepOf(const MultiSineData& data, const PrewhiteningOptions& o) {
  return 1 / (o.oversampling * data.span);
}

PeriodogramSeries ResidualSeries(const MultiSineData& data, const FrequencyList& list) {
  const std::vector<double> r = PrewhiteningResiduals(data, list);
  return PrepareSeries(data.t, r, data.w);
}

// The residual amplitude spectrum on grid points 0 .. count-1 of `grid`,
// a chunk at a time; the highest local maximum (as HighestPeaks counts
// them) with its two neighbours.
struct ScanResult {
  bool stopped = false, found = false;
  long long k = 0;
  double left = 0, mid = 0, right = 0;
};

ScanResult ScanHighest(const PeriodogramSeries& series, const FrequencyGrid& grid,
                       const PeriodogramOptions& options) {
  ScanResult best;
  PeriodogramValues values;
  for (long long k0 = 0; k0 < grid.count; k0 += kScanChunk) {
    const long long k1 = std::min(grid.count, k0 + kScanChunk);
    // One grid point more on each side, so that every point of the chunk
    // is compared with both its neighbours.
    const long long a = std::max(0LL, k0 - 1), b = std::min(grid.count, k1 + 1);
    const FrequencyGrid part{grid.At(a), grid.step, b - a};
    if (!FastPeriodogram(series, part, PeriodogramMethod::Amplitude, values, options)) {
      best.stopped = true;
      return best;
    }
    const std::vector<double>& v = values.amplitude;
    for (long long k = k0; k < k1; ++k) {
      const long long i = k - a;
      const bool hasLeft = k > 0, hasRight = k + 1 < grid.count;
      bool peak;
      if (!hasLeft && !hasRight)
        peak = true;
      else if (!hasLeft)
        peak = v[i] > v[i + 1];
      else if (!hasRight)
        peak = v[i] > v[i - 1];
      else
        peak = v[i] > v[i - 1] && v[i] >= v[i + 1];
      if (!peak || (best.found && !(v[i] > best.mid))) continue;
      best.found = true;
      best.k = k;
      best.mid = v[i];
      best.left = hasLeft ? v[i - 1] : v[i];
      best.right = hasRight ? v[i + 1] : v[i];
    }
  }
  return best;
}

// Mean residual amplitude on the grid points of the noise box around f.
double NoiseAt(const PeriodogramSeries& series, double f, double step, double box) {
  const double lo = std::max(0.0, f - box / 2), hi = f + box / 2;
  FrequencyGrid grid{lo, step, static_cast<long long>(std::max(1.0, GridCount(lo, hi, step)))};
  PeriodogramValues values;
  FastPeriodogram(series, grid, PeriodogramMethod::Amplitude, values);
  double sum = 0;
  for (double a : values.amplitude) sum += a;
  return sum / static_cast<double>(grid.count);
}

double Ratio(double amplitude, double noise) { return noise > 0 ? amplitude / noise : 0; }

StepResult Refuse(std::string why) { return {StepStatus::Refused, std::move(why)}; }

std::string TooFewPoints(std::size_t points, std::size_t frequencies) {
  return "too few points: " + Int(static_cast<long long>(points)) + " points for the " +
         Int(static_cast<long long>(MultiSineParameters(frequencies))) + " parameters of " +
         Int(static_cast<long long>(frequencies)) +
         (frequencies == 1 ? " frequency" : " frequencies") + " and the mean";
}

// Fits the mean and `start` (from the linear fit at their frequencies when
// `linearStart`) and puts the result into the list; the list is left as it
// was when refused.
StepResult Refit(const MultiSineData& data, FrequencyList& list, std::vector<SineTerm> start,
                 bool linearStart) {
  const std::size_t n = start.size();
  if (data.size() <= MultiSineParameters(n)) return Refuse(TooFewPoints(data.size(), n));
  MultiSineFit fit;
  if (n == 0) {
    // The mean alone: linear, and solved by the weighted mean.
    std::vector<double> ones(data.size(), 1.0);
    const LinearFitResult lin = WeightedLinearFit(ones, 1, data.x, data.w);
    fit.mean = lin.parameters[0];
    fit.meanSigma = lin.Sigma(0);
    const std::vector<double> r = MultiSineResiduals(data, fit.mean, {});
    double sum = 0, total = 0;
    for (std::size_t j = 0; j < r.size(); ++j) {
      const double w = data.w.empty() ? 1.0 : data.w[j];
      sum += w * r[j] * r[j];
      total += w;
    }
    fit.residualRms = std::sqrt(sum / total);
  } else {
    double mean = list.fitted ? list.mean : 0;
    if (linearStart || !list.fitted) {
      std::vector<double> frequencies;
      for (const SineTerm& t : start) frequencies.push_back(t.frequency);
      const MultiSineFit lin = FitAtFrequencies(data, frequencies);
      if (lin.singular)
        return Refuse("the frequencies cannot be told apart on these times; the fit is singular");
      start = lin.terms;
      mean = lin.mean;
    }
    fit = FitMultiSine(data, mean, start);
    if (fit.singular)
      return Refuse("the frequencies cannot be told apart on these times; the fit is singular");
  }
  std::vector<FrequencyTerm> terms(n);
  for (std::size_t i = 0; i < n; ++i) {
    terms[i].value = fit.terms[i];
    terms[i].sigma = fit.sigmas[i];
    terms[i].analytic = fit.analytic[i];
    if (i < list.terms.size()) terms[i].label = list.terms[i].label;
  }
  list.terms = std::move(terms);
  list.mean = fit.mean;
  list.meanSigma = fit.meanSigma;
  list.tZero = data.tZero;
  list.span = data.span;
  list.residualRms = fit.residualRms;
  list.iterations = fit.iterations;
  list.converged = fit.converged;
  list.fitted = true;
  return {};
}

StepResult CheckRoom(const MultiSineData& data, const FrequencyList& list,
                     const PrewhiteningOptions& options) {
  const std::string why = CheckPrewhitening(data, options);
  if (!why.empty()) return Refuse(why);
  const std::size_t n = list.terms.size();
  if (static_cast<int>(n) >= options.maxFrequencies)
    return Refuse("the list holds " + Int(static_cast<long long>(n)) +
                  " frequencies, as many as \"Frequencies at most\" allows");
  if (data.size() <= MultiSineParameters(n + 1)) return Refuse(TooFewPoints(data.size(), n + 1));
  return {};
}

StepResult AddTerm(const MultiSineData& data, FrequencyList& list, const SineTerm& term) {
  std::vector<SineTerm> start = list.Values();
  start.push_back(term);
  return Refit(data, list, std::move(start), true);
}

std::string Term(int coefficient, std::size_t index) {
  const std::string f = "f" + Int(static_cast<long long>(index + 1));
  return coefficient == 1 ? f : Int(coefficient) + f;
}

}  // namespace

std::vector<SineTerm> FrequencyList::Values() const {
  std::vector<SineTerm> v;
  for (const FrequencyTerm& t : terms) v.push_back(t.value);
  return v;
}

std::string CheckPrewhitening(const MultiSineData& data, const PrewhiteningOptions& o) {
  if (data.size() <= MultiSineParameters(1)) return TooFewPoints(data.size(), 1);
  if (std::string why =
          CheckSpectralGrid(data.span, o.fLow, o.fHigh, o.oversampling, kMaxSpectrumFrequencies);
      !why.empty())
    return why;
  if (o.maxFrequencies < 1 || o.maxFrequencies > kMaxListedFrequencies)
    return "\"Frequencies at most\" must be a whole number from 1 to " + Int(kMaxListedFrequencies);
  if (!(o.stopSnr >= 0) || !std::isfinite(o.stopSnr)) return "\"Stop at S/N\" must not be negative";
  if (!(o.noiseBox > 0) || !std::isfinite(o.noiseBox)) return "\"Noise box\" must be above 0";
  const double step = StepOf(data, o);
  if (!(o.noiseBox / step <= kMaxNoiseBoxFrequencies))
    return "the noise box would hold " + General(o.noiseBox / step) +
           " frequencies; narrow it or lower the oversampling";
  return "";
}

FrequencyGrid PrewhiteningGrid(const MultiSineData& data, const PrewhiteningOptions& o) {
  return SpectralGrid(data.span, o.fLow, o.fHigh, o.oversampling);
}

PeakSearch FindHighestPeak(const MultiSineData& data, FrequencyList& list,
                           const PrewhiteningOptions& options,
                           const PrewhiteningProgress& progress) {
  PeakSearch search;
  if (!list.fitted) throw std::invalid_argument("FindHighestPeak: the list was never fitted");
  const PeriodogramSeries series = ResidualSeries(data, list);
  const FrequencyGrid grid = PrewhiteningGrid(data, options);
  PeriodogramOptions po;
  const long long done = static_cast<long long>(list.terms.size());
  if (progress)
    po.progress = [&](long long, long long) { return progress(done, options.maxFrequencies); };
  const ScanResult scan = ScanHighest(series, grid, po);
  if (scan.stopped) {
    search.stopped = true;
    return search;
  }
  if (!scan.found) return search;
  double offset = 0;
  if (scan.k > 0 && scan.k + 1 < grid.count)
    offset = ParabolaVertexOffset(scan.left, scan.mid, scan.right);
  PrewhiteningStep& p = search.peak;
  p.frequency = std::max(0.0, grid.At(scan.k) + offset * grid.step);
  p.amplitude = FitAt(series, p.frequency, PeriodogramMethod::Amplitude).amplitude;
  p.noise = NoiseAt(series, p.frequency, grid.step, options.noiseBox);
  p.snr = Ratio(p.amplitude, p.noise);
  return search;
}

StepResult AddHighestPeak(const MultiSineData& data, FrequencyList& list,
                          const PrewhiteningOptions& options,
                          const PrewhiteningProgress& progress) {
  if (StepResult room = CheckRoom(data, list, options); room.status != StepStatus::Done)
    return room;
  if (!list.fitted) {
    if (StepResult r = Refit(data, list, list.Values(), true); r.status != StepStatus::Done)
      return r;
  }
  const PeakSearch search = FindHighestPeak(data, list, options, progress);
  if (search.stopped) return {StepStatus::Stopped, ""};
  if (!(search.peak.amplitude > 0)) return Refuse("the residuals are flat: no peak to add");
  StepResult r = AddTerm(data, list, {search.peak.frequency, search.peak.amplitude, 0});
  if (r.status != StepStatus::Done) return r;
  list.steps.push_back(search.peak);
  UpdateSignalToNoise(data, list, options);
  return r;
}

StepResult AddFrequency(const MultiSineData& data, FrequencyList& list,
                        const PrewhiteningOptions& options, double f) {
  if (!(f >= 0) || !std::isfinite(f)) return Refuse("the frequency must be 0 or more");
  if (StepResult room = CheckRoom(data, list, options); room.status != StepStatus::Done)
    return room;
  StepResult r = AddTerm(data, list, {f, 0, 0});
  if (r.status == StepStatus::Done) UpdateSignalToNoise(data, list, options);
  return r;
}

StepResult FitAll(const MultiSineData& data, FrequencyList& list,
                  const PrewhiteningOptions& options) {
  const std::string why = CheckPrewhitening(data, options);
  if (!why.empty()) return Refuse(why);
  StepResult r = Refit(data, list, list.Values(), false);
  if (r.status == StepStatus::Done) UpdateSignalToNoise(data, list, options);
  return r;
}

StepResult RemoveFrequency(const MultiSineData& data, FrequencyList& list,
                           const PrewhiteningOptions& options, int number) {
  const int n = static_cast<int>(list.terms.size());
  if (number < 1 || number > n)
    return Refuse("there is no frequency " + Int(number) + "; the list holds " + Int(n));
  const std::string why = CheckPrewhitening(data, options);
  if (!why.empty()) return Refuse(why);
  FrequencyList shorter = list;
  shorter.terms.erase(shorter.terms.begin() + (number - 1));
  // Labels name frequencies by number: they are all found again.
  for (FrequencyTerm& t : shorter.terms) t.label.clear();
  StepResult r = Refit(data, shorter, shorter.Values(), true);
  if (r.status != StepStatus::Done) return r;
  UpdateSignalToNoise(data, shorter, options);
  list = std::move(shorter);
  return r;
}

PrewhiteningOutcome Prewhiten(const MultiSineData& data, FrequencyList& list,
                              const PrewhiteningOptions& options,
                              const PrewhiteningProgress& progress) {
  PrewhiteningOutcome out;
  out.message = CheckPrewhitening(data, options);
  if (out.message.empty() && !list.fitted)
    out.message = Refit(data, list, list.Values(), true).message;
  if (!out.message.empty()) {
    out.end = PrewhiteningEnd::Refused;
    return out;
  }
  for (;;) {
    const std::size_t n = list.terms.size();
    if (static_cast<int>(n) >= options.maxFrequencies) {
      out.end = PrewhiteningEnd::ListFull;
      break;
    }
    if (data.size() <= MultiSineParameters(n + 1)) {
      out.end = PrewhiteningEnd::TooFewPoints;
      out.message = TooFewPoints(data.size(), n + 1);
      break;
    }
    if (progress && !progress(static_cast<long long>(n), options.maxFrequencies)) {
      out.end = PrewhiteningEnd::Stopped;
      break;
    }
    const PeakSearch search = FindHighestPeak(data, list, options, progress);
    if (search.stopped) {
      out.end = PrewhiteningEnd::Stopped;
      break;
    }
    if (!(search.peak.snr >= options.stopSnr) || !(search.peak.amplitude > 0)) {
      out.end = PrewhiteningEnd::BelowSnr;
      out.lastPeak = search.peak;
      break;
    }
    const StepResult r = AddTerm(data, list, {search.peak.frequency, search.peak.amplitude, 0});
    if (r.status != StepStatus::Done) {
      out.end = PrewhiteningEnd::Refused;
      out.message = r.message;
      break;
    }
    list.steps.push_back(search.peak);
  }
  UpdateSignalToNoise(data, list, options);
  return out;
}

void UpdateSignalToNoise(const MultiSineData& data, FrequencyList& list,
                         const PrewhiteningOptions& options) {
  if (list.terms.empty()) return;
  const PeriodogramSeries series = ResidualSeries(data, list);
  const double step = StepOf(data, options);
  std::vector<double> frequencies;
  std::vector<std::string> labels;
  for (FrequencyTerm& t : list.terms) {
    t.noise = NoiseAt(series, t.value.frequency, step, options.noiseBox);
    t.snr = Ratio(t.value.amplitude, t.noise);
    frequencies.push_back(t.value.frequency);
  }
  const double resolution = 1.5 / data.span;
  for (std::size_t k = 0; k < list.terms.size(); ++k) {
    labels.push_back(CombinationLabel(frequencies, labels, k, resolution, options.maxHarmonic,
                                      options.combinationTerm));
    list.terms[k].label = labels.back();
  }
}

std::string CombinationLabel(std::span<const double> f, std::span<const std::string> labels,
                             std::size_t k, double resolution, int maxHarmonic,
                             int combinationTerm) {
  std::string best;
  // Ranked by order, then harmonic before combination, then by the miss.
  struct Rank {
    int order;
    int kind;
    double miss;
    bool operator<(const Rank& o) const {
      if (order != o.order) return order < o.order;
      if (kind != o.kind) return kind < o.kind;
      return miss < o.miss;
    }
  } bestRank{std::numeric_limits<int>::max(), 0, 0};
  auto consider = [&](int order, int kind, double value, auto&& label) {
    const Rank rank{order, kind, std::abs(f[k] - value)};
    if (!(value > 0) || rank.miss > resolution || !(rank < bestRank)) return;
    best = label();
    bestRank = rank;
  };
  auto parent = [&](std::size_t a) { return a < labels.size() && labels[a].empty(); };
  for (std::size_t a = 0; a < k; ++a) {
    if (!parent(a)) continue;
    for (int n = 2; n <= maxHarmonic; ++n) consider(n, 0, n * f[a], [&] { return Term(n, a); });
  }
  for (std::size_t a = 0; a < k; ++a) {
    if (!parent(a)) continue;
    for (std::size_t b = a + 1; b < k; ++b) {
      if (!parent(b)) continue;
      for (int i = -combinationTerm; i <= combinationTerm; ++i) {
        for (int j = -combinationTerm; j <= combinationTerm; ++j) {
          if (i == 0 || j == 0) continue;
          const int order = std::abs(i) + std::abs(j);
          consider(order, 1, i * f[a] + j * f[b], [&] {
            if (i > 0 && j > 0) return Term(i, a) + "+" + Term(j, b);
            if (i > 0) return Term(i, a) + "-" + Term(-j, b);
            return Term(j, b) + "-" + Term(-i, a);
          });
        }
      }
    }
  }
  return best;
}

std::vector<double> PrewhiteningResiduals(const MultiSineData& data, const FrequencyList& list) {
  return MultiSineResiduals(data, list.mean, list.Values());
}

double PrewhiteningModel(const FrequencyList& list, double t) {
  return MultiSineValue(list.mean, list.Values(), list.tZero, t);
}

}  // namespace teril
