// The running parabola scalegram command: the dialog of its range of
// scales and the loop over them with its log lines and records.
#include "smoothing/scalegram.h"

#include <cmath>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/editing.h"
#include "engine/engine.h"
#include "smoothing/running_parabola.h"

namespace teril {
namespace {

// 10^(k/20) stays a normal positive number well inside this range.
constexpr long long kScaleLimit = 6000;

// Above this many points a scale takes long enough for the progress
// display to be fed between blocks of centres, not only once per scale.
constexpr int kLongScale = 20000;

// After a sort the plot shows the same points, but its visible range must
// be recounted on the new indices: once the command has ended, however it
// ends, the waiting engine gets the refresh key.
struct RefreshWhenDone {
  Engine& engine;
  bool sorted = false;
  ~RefreshWhenDone() {
    Console& c = engine.console;
    if (sorted && c.waitingForInput == 1 && c.inputMode == kModeKey) c.InjectKey("#");
  }
};

bool IsInteger(const std::string& text) { return ParseInteger(text).has_value(); }

}  // namespace

ScalegramRange ScalegramPresets(const double* t, int n) {
  const double span = t[n] - t[1];
  double dtmin = span;
  for (int i = 2; i <= n; ++i) {
    const double d = t[i] - t[i - 1];
    if (d > 0 && d < dtmin) dtmin = d;
  }
  ScalegramRange r;
  r.k1 = static_cast<long long>(std::nearbyint(20 * std::log10(1.5 * dtmin / 0.7) + 0.5));
  r.k2 = static_cast<long long>(std::nearbyint(20 * std::log10(span) + 0.5));
  return r;
}

std::string ScalegramFileName(const std::string& inputFile) {
  const auto slash = inputFile.find_last_of('/');
  const auto dot = inputFile.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? inputFile.substr(0, dot) : inputFile) + "_r2.dat";
}

void RunningParabolaScalegram(Engine& engine) {
  DataSet& d = engine.data;
  engine.host.SetCaption("Running parabola scalegram; if using, please refer to: " +
                         RunningParabolaCitation());
  engine.checks.sorted = true;
  RefreshWhenDone refresh{engine};
  if (FirstUnsorted(d.t.data(), d.n)) {
    SortByTime(engine);
    refresh.sorted = true;
    engine.host.MessageBox("Data were sorted just now!  k=" + Str(static_cast<long long>(d.n) + 1));
  }
  if (d.n < 2 || !(d.t[d.n] > d.t[1])) {
    engine.host.MessageBox("The running parabola scalegram needs points at two different times");
    return;
  }
  const ScalegramRange preset = ScalegramPresets(d.t.data(), d.n);
  std::vector<DialogField> fields{{"20*lg(Dt_min)=", Str(preset.k1), kScalegramHintOk, IsInteger},
                                  {"20*lg(Dt_max)=", Str(preset.k2), kScalegramHintOk, IsInteger}};
  if (!engine.dialogs.EditFields("Fm3RP2", "Running Parabola ScaleGram", fields)) return;
  long long k[2];
  for (int f = 0; f < 2; ++f) {
    auto v = ParseInteger(fields[f].value);
    if (!v) {
      engine.host.MessageBox("\"" + fields[f].value +
                             "\" is not an integer; the scalegram is not computed");
      return;
    }
    if (*v < -kScaleLimit || *v > kScaleLimit) {
      engine.host.MessageBox(fields[f].label + " " + fields[f].value + " is outside -" +
                             Str(kScaleLimit) + ".." + Str(kScaleLimit) +
                             "; the scalegram is not computed");
      return;
    }
    k[f] = *v;
  }
  const long long k1 = k[0], k2 = k[1];
  const std::string file = ScalegramFileName(engine.run.inputFile);
  const long long scales = k2 >= k1 ? k2 - k1 + 1 : 0;
  const long long total = scales * d.n;
  ProgressScope progress(engine.host);
  for (long long kk = k1; kk <= k2; ++kk) {
    const double dt = std::pow(10.0, static_cast<double>(kk) / 20);
    engine.LogLine("RP Scalegram " + Str(k2 - kk) + "   DT=" + General(dt));
    const long long before = (kk - k1) * d.n;
    bool stop = false;
    std::function<bool(long long)> inScale;
    if (d.n >= kLongScale)
      inScale = [&](long long centres) {
        return progress.Step(before + centres, total, "Running parabola scalegram");
      };
    auto record = ScalegramStep(d.t.data(), d.x.data(), d.n, dt, 0, inScale, &stop);
    for (int i = 1000; i <= d.n; i += 1000)
      engine.LogLine("i=" + Str(static_cast<long long>(i)) + " dt=" + General(dt));
    if (record) {
      AppendToFile(file, FormatScalegramRecord(*record) + "\n");
      engine.console.FileWritten(file);
    }
    if (!progress.Step(before + d.n, total, "Running parabola scalegram") || stop) {
      engine.LogLine("RP Scalegram stopped after DT=" + General(dt));
      break;
    }
  }
}

}  // namespace teril
