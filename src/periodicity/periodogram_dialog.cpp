#include "periodicity/periodogram_dialog.h"

#include <algorithm>
#include <initializer_list>

#include "base/numfmt.h"
#include "engine/engine.h"

namespace teril {
namespace {

enum Field {
  kLow,
  kHigh,
  kOversampling,
  kMethod,
  kPeaks,
  kHarmonics,
  kBandHarmonics,
  kBins,
  kShortest,
  kLongest
};

std::string Quoted(const DialogField& f) { return "\"" + f.label + "\""; }

int MethodOf(const std::vector<DialogField>& fields) {
  return static_cast<int>(ParseInteger(fields[kMethod].value).value_or(0));
}

// The fields of methods 3 to 7 are asked only for those methods.
bool NewMethod(const std::vector<DialogField>& fields) {
  const int m = MethodOf(fields);
  return m >= 3 && m <= 7;
}

auto MethodIn(std::initializer_list<int> methods) {
  return [m = std::vector<int>(methods)](const std::vector<DialogField>& fields) {
    return std::find(m.begin(), m.end(), MethodOf(fields)) != m.end();
  };
}

auto WholeIn(long long low, long long high) {
  return [low, high](const std::string& s) {
    auto v = ParseInteger(s);
    return v && *v >= low && *v <= high;
  };
}

bool IsNumber(const std::string& s) { return ParseNumber(s).has_value(); }

bool IsDuration(const std::string& s) {
  auto v = ParseNumber(s);
  return v && *v > 0 && *v <= 0.5;
}

DialogField Conditional(DialogField f, std::initializer_list<int> methods) {
  f.applies = NewMethod;
  f.used = MethodIn(methods);
  return f;
}

// The whole number of field `f`, or nothing (and the field refused) when
// it is not one within low .. high.
std::optional<int> WholeField(Engine& e, const DialogField& f, long long low, long long high,
                              const std::string& range) {
  auto v = ParseInteger(f.value);
  if (!v || *v < low || *v > high) {
    RefusePeriodogram(e, Quoted(f) + " must be a whole number from " + range + ": " + f.value);
    return std::nullopt;
  }
  return static_cast<int>(*v);
}

// Reads the fields of methods 3 to 7 that `method` uses into `o`; false
// when one is refused.
bool ReadSearchFields(Engine& e, const std::vector<DialogField>& fields, PeriodogramMethod method,
                      PeriodSearchOptions& o) {
  using M = PeriodogramMethod;
  if (method == M::Harmonic || method == M::Multiband) {
    auto k = WholeField(e, fields[kHarmonics], 1, kMaxHarmonics, "1 to " + Str(kMaxHarmonics));
    if (!k) return false;
    o.harmonics = *k;
  }
  if (method == M::Multiband) {
    auto k = WholeField(e, fields[kBandHarmonics], 0, o.harmonics,
                        "0 to the harmonics (" + Str(static_cast<long long>(o.harmonics)) + ")");
    if (!k) return false;
    o.bandHarmonics = *k;
  }
  if (method == M::Pdm || method == M::Aov) {
    auto k = WholeField(e, fields[kBins], 2, 1000, "2 to 1000");
    if (!k) return false;
    o.bins = *k;
  }
  if (method == M::Bls) {
    auto shortest = ParseNumber(fields[kShortest].value);
    if (!shortest || !(*shortest > 0) || !(*shortest <= 0.5)) {
      RefusePeriodogram(e, Quoted(fields[kShortest]) +
                               " must be a fraction of the period above 0 and at most 0.5: " +
                               fields[kShortest].value);
      return false;
    }
    auto longest = ParseNumber(fields[kLongest].value);
    if (!longest || !(*longest >= *shortest) || !(*longest <= 0.5)) {
      RefusePeriodogram(e, Quoted(fields[kLongest]) +
                               " must be a fraction of the period from the shortest duration to "
                               "0.5: " +
                               fields[kLongest].value);
      return false;
    }
    o.shortestDuration = *shortest;
    o.longestDuration = *longest;
  }
  // The fields above are the whole of what the search checks; this is the
  // last word should the two ever part.
  const std::string why = CheckPeriodSearch(method, o);
  if (!why.empty()) {
    RefusePeriodogram(e, why);
    return false;
  }
  return true;
}

}  // namespace

void RefusePeriodogram(Engine& e, const std::string& why) {
  const std::string text = "Periodogram: " + why;
  e.LogLine(text);
  e.LogLine(" ");
  e.host.MessageBox(text);
}

std::vector<DialogField> PeriodogramFields(double defaultHigh) {
  return {
      {"Lowest frequency", "0", "cycles per unit of t, 0 or more", IsNumber},
      {"Highest frequency", General(defaultHigh),
       "above the lowest; the default is half the inverse of the median spacing", IsNumber},
      {"Oversampling", "10", "the frequency step is 1 / (oversampling * time span)",
       [](const std::string& s) { return ParseNumber(s).value_or(0) > 0; }},
      {"Method", "1",
       "1 = generalised Lomb-Scargle with a floating mean, 2 = amplitude spectrum of the "
       "discrete Fourier transform, 3 = Fourier series of several harmonics, 4 = the same for "
       "several bands (the observer column), 5 = phase dispersion minimisation, 6 = analysis "
       "of variance, 7 = box least squares (eclipses, transits)",
       WholeIn(1, 7)},
      {"Peaks to list", "10", "how many of the best peaks the log lists",
       WholeIn(0, kMaxPeaksListed)},
      Conditional({"Harmonics", "3",
                   "terms of the Fourier series, 1 to " + Str(kMaxHarmonics) + " (methods 3 and 4)",
                   WholeIn(1, kMaxHarmonics)},
                  {3, 4}),
      Conditional({"Band harmonics", "0",
                   "harmonics of each band's own series, 0 to the harmonics (method 4)",
                   WholeIn(0, kMaxHarmonics)},
                  {4}),
      Conditional({"Bins", "10", "phase bins, 2 to 1000 (methods 5 and 6)", WholeIn(2, 1000)},
                  {5, 6}),
      Conditional({"Shortest duration", "0.01",
                   "of an eclipse, a fraction of the period above 0 (method 7)", IsDuration},
                  {7}),
      Conditional({"Longest duration", "0.1",
                   "of an eclipse, a fraction of the period up to 0.5 (method 7)", IsDuration},
                  {7})};
}

std::optional<PeriodogramRequest> AskPeriodogramRequest(Engine& e, double defaultHigh) {
  std::vector<DialogField> fields = PeriodogramFields(defaultHigh);
  if (!e.dialogs.EditFields("Periodogram", "Periodogram", fields)) return std::nullopt;
  PeriodogramRequest r;
  double* numbers[] = {&r.fLow, &r.fHigh, &r.oversampling};
  for (int i = 0; i < 3; ++i) {
    auto v = ParseNumber(fields[i].value);
    if (!v) {
      RefusePeriodogram(e, Quoted(fields[i]) + " is not a number: " + fields[i].value);
      return std::nullopt;
    }
    *numbers[i] = *v;
  }
  auto method = ParseInteger(fields[kMethod].value);
  if (!method || *method < 1 || *method > 7) {
    RefusePeriodogram(e, "\"Method\" must be 1 to 7: " + fields[kMethod].value);
    return std::nullopt;
  }
  r.method = static_cast<PeriodogramMethod>(*method);
  auto peaks = WholeField(e, fields[kPeaks], 0, kMaxPeaksListed, "0 to " + Str(kMaxPeaksListed));
  if (!peaks) return std::nullopt;
  r.peaks = *peaks;
  if (r.fLow < 0) {
    RefusePeriodogram(e, "the lowest frequency must not be negative");
    return std::nullopt;
  }
  if (!(r.fHigh > r.fLow)) {
    RefusePeriodogram(e, "the highest frequency must be above the lowest");
    return std::nullopt;
  }
  if (!(r.oversampling > 0)) {
    RefusePeriodogram(e, "the oversampling must be above 0");
    return std::nullopt;
  }
  if (!ReadSearchFields(e, fields, r.method, r.search)) return std::nullopt;
  return r;
}

}  // namespace teril
