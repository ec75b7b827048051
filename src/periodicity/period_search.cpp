#include "periodicity/period_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "periodicity/box_least_squares.h"
#include "periodicity/harmonic_periodogram.h"
#include "periodicity/phase_dispersion.h"

namespace teril {
namespace {

bool IsHarmonic(PeriodogramMethod m) {
  return m == PeriodogramMethod::Harmonic || m == PeriodogramMethod::Multiband;
}

HarmonicModel ModelOf(PeriodogramMethod method, const PeriodSearchOptions& o) {
  HarmonicModel model;
  model.harmonics = o.harmonics;
  model.multiband = method == PeriodogramMethod::Multiband;
  model.bandHarmonics = model.multiband ? o.bandHarmonics : 0;
  return model;
}

}  // namespace

std::string CheckPeriodSearch(PeriodogramMethod method, const PeriodSearchOptions& o) {
  const int m = static_cast<int>(method);
  if (m < 1 || m > 7) return "the method must be 1 to 7";
  if (IsHarmonic(method) && (o.harmonics < 1 || o.harmonics > kMaxHarmonics))
    return "the harmonics must be 1 to " + std::to_string(kMaxHarmonics);
  if (method == PeriodogramMethod::Multiband &&
      (o.bandHarmonics < 0 || o.bandHarmonics > o.harmonics))
    return "the band harmonics must be 0 to the harmonics";
  if ((method == PeriodogramMethod::Pdm || method == PeriodogramMethod::Aov) &&
      (o.bins < 2 || o.bins > 1000))
    return "the bins must be 2 to 1000";
  if (method == PeriodogramMethod::Bls) {
    if (!(o.shortestDuration > 0) || !(o.longestDuration <= 0.5) ||
        !(o.shortestDuration <= o.longestDuration))
      return "the durations must satisfy 0 < shortest <= longest <= 0.5";
    if (o.durations < 1 || o.durations > 1000) return "the trial durations must be 1 to 1000";
  }
  return "";
}

bool ComputePeriodSearch(const PeriodogramSeries& series, std::span<const int> bands,
                         const FrequencyGrid& grid, PeriodogramMethod method,
                         const PeriodSearchOptions& options, PeriodSearchValues& out) {
  const std::string why = CheckPeriodSearch(method, options);
  if (!why.empty()) throw std::invalid_argument("period search: " + why);
  CountBands(bands, series.size());
  out.depth.clear();
  out.duration.clear();
  out.t0.clear();
  switch (method) {
    case PeriodogramMethod::LombScargle:
    case PeriodogramMethod::Amplitude: {
      PeriodogramOptions po;
      po.threads = options.threads;
      po.fastChunk = options.fastChunk;
      po.progress = options.progress;
      bool fast = options.path == SumsPath::Fast;
      if (options.path == SumsPath::Automatic)
        fast = static_cast<double>(series.size()) * static_cast<double>(grid.count) > 1e8;
      PeriodogramValues v;
      const bool done = fast ? FastPeriodogram(series, grid, method, v, po)
                             : DirectPeriodogram(series, grid, method, v, po);
      out.power = std::move(v.power);
      out.amplitude = std::move(v.amplitude);
      return done;
    }
    case PeriodogramMethod::Harmonic:
    case PeriodogramMethod::Multiband:
      return HarmonicPeriodogram(series, bands, grid, ModelOf(method, options), options, out.power,
                                 out.amplitude);
    case PeriodogramMethod::Pdm:
    case PeriodogramMethod::Aov:
      return PhaseDispersionPeriodogram(series, grid, method, options, out.power, out.amplitude);
    case PeriodogramMethod::Bls:
      return BoxPeriodogram(series, grid, options, out);
  }
  return false;
}

std::vector<PeriodSearchPeak> ListPeriodSearchPeaks(const PeriodogramSeries& series,
                                                    std::span<const int> bands,
                                                    const FrequencyGrid& grid,
                                                    PeriodogramMethod method,
                                                    const PeriodSearchOptions& options,
                                                    const PeriodSearchValues& values, int count) {
  const bool minimum = BestAtMinimum(method);
  // Method 2 lists the peaks of its amplitude, as the periodogram shows it.
  std::vector<double> score =
      method == PeriodogramMethod::Amplitude ? values.amplitude : values.power;
  if (minimum)
    for (double& v : score) v = -v;
  const long long n = static_cast<long long>(series.size());
  const double fHigh = grid.At(grid.count - 1);
  const double trials = std::max(1.0, (fHigh - grid.fLow) * series.span);
  std::vector<PeriodSearchPeak> peaks;
  for (long long k : HighestPeaks(score, count)) {
    PeriodSearchPeak p;
    p.index = k;
    double offset = 0;
    if (k > 0 && k + 1 < grid.count)
      offset = ParabolaVertexOffset(score[k - 1], score[k], score[k + 1]);
    p.frequency = grid.At(k) + offset * grid.step;
    if (!(p.frequency > 0) && method == PeriodogramMethod::Bls) p.frequency = grid.At(k);
    p.falseAlarm = std::numeric_limits<double>::quiet_NaN();
    switch (method) {
      case PeriodogramMethod::LombScargle:
      case PeriodogramMethod::Amplitude: {
        const SineFit fit = FitAt(series, p.frequency, method);
        p.power = fit.power;
        p.amplitude = fit.amplitude;
        if (method == PeriodogramMethod::LombScargle)
          p.falseAlarm = BaluevFalseAlarm(fit.power, n,
                                          BaluevBandwidth(grid.fLow, fHigh, series.timeVariance));
        break;
      }
      case PeriodogramMethod::Harmonic:
      case PeriodogramMethod::Multiband: {
        const HarmonicModel model = ModelOf(method, options);
        const HarmonicFit fit = HarmonicFitAt(series, bands, p.frequency, model);
        p.power = fit.power;
        p.amplitude = fit.semiAmplitude;
        const int B = model.multiband ? CountBands(bands, series.size()) : 1;
        const double terms = 2.0 * (model.harmonics + B * model.bandHarmonics);
        const double rest = static_cast<double>(n) - terms - B;
        if (rest > 0)
          p.falseAlarm =
              FalseAlarmOfTrials(IncompleteBeta(rest / 2, terms / 2, 1 - fit.power), trials);
        else
          p.falseAlarm = 1;
        break;
      }
      case PeriodogramMethod::Pdm:
      case PeriodogramMethod::Aov: {
        const BinnedStatistic st = PhaseDispersionAt(series, p.frequency, options.bins);
        p.power = minimum ? st.theta : st.aov;
        p.amplitude = st.amplitude;
        p.falseAlarm = FalseAlarmOfTrials(
            BinnedSingleTrialProbability(st.withinShare, n, st.filledBins), trials);
        break;
      }
      case PeriodogramMethod::Bls: {
        const BoxFit fit = BoxFitAt(series, p.frequency, options);
        p.power = fit.power;
        p.amplitude = std::fabs(fit.depth);
        p.depth = fit.depth;
        p.depthError = BoxDepthError(fit, series.yy, n);
        p.duration = fit.duration;
        p.durationError = fit.resolution;
        p.t0 = fit.t0;
        p.t0Error = fit.resolution;
        break;
      }
    }
    peaks.push_back(p);
  }
  std::stable_sort(peaks.begin(), peaks.end(),
                   [minimum](const PeriodSearchPeak& a, const PeriodSearchPeak& b) {
                     return minimum ? a.power < b.power : a.power > b.power;
                   });
  return peaks;
}

}  // namespace teril
