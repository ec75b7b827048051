// RP_Table: the running parabola on a regular grid of arguments, asked line
// by line through the console and written to a text file.
#include <cmath>
#include <optional>
#include <string>

#include "base/io.h"
#include "base/numfmt.h"
#include "console/prompt_scope.h"
#include "engine/engine.h"
#include "smoothing/running_parabola.h"

namespace teril {
namespace {

// A grid longer than this is refused: it would take hours and fill the disk
// rather than tabulate a light curve.
constexpr double kMaxTableLines = 1e7;

std::string Trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Prompts and reads one line; a number replaces `value`, an empty answer
// keeps it, anything else keeps it with a log line.
std::optional<double> AskNumberLine(Engine& e, const std::string& prompt) {
  e.console.SetPrompt(prompt);
  const std::string answer = Trimmed(e.console.ReadText());
  if (answer.empty()) return std::nullopt;
  auto v = ParseNumber(answer);
  if (!v) e.LogLine("\"" + answer + "\" is not a number; the value in brackets is kept");
  return v;
}

// The same for a print width or a number of decimals within lo..hi.
int AskFormat(Engine& e, const std::string& name, int preset, int lo, int hi) {
  e.console.SetPrompt(name + "=[" + Str(static_cast<long long>(preset)) + "]");
  const std::string answer = Trimmed(e.console.ReadText());
  if (answer.empty()) return preset;
  auto v = ParseInteger(answer);
  if (!v || *v < lo || *v > hi) {
    e.LogLine("\"" + answer + "\" is not an integer in " + Str(static_cast<long long>(lo)) + ".." +
              Str(static_cast<long long>(hi)) + "; " + name + " stays " +
              Str(static_cast<long long>(preset)));
    return preset;
  }
  return static_cast<int>(*v);
}

// The forward scan over the grid: each window begins no earlier than the
// previous one did.
struct GridScan {
  const double* t;
  const double* x;
  int n;
  double dt, u0, lo, hi;
  int first = 1;

  // The smoothed value at tc, or nothing when the grid point is not written.
  std::optional<double> At(double tc) {
    ParabolaSums sums;
    int left = 0, right = 0, near = 0;
    bool inside = false;
    for (int i = first; i <= n; ++i) {
      const double u = (t[i] - tc) / dt;
      if (u <= -1) continue;
      if (u >= 1) break;
      if (!inside) {
        first = i;
        inside = true;
      }
      if (u <= 0) ++left;
      if (u >= 0) ++right;
      if (std::fabs(u) <= u0) ++near;
      const double q = 1 - u * u;
      sums.Add(q * q, u, x[i]);
    }
    if (left < 1 || right < 1 || near < 4) return std::nullopt;
    const CentreFit fit = SolveCentre(sums);
    if (!fit.solved || fit.rho < 0.01) return std::nullopt;
    if (fit.a0 < lo || fit.a0 > hi) return std::nullopt;
    return fit.a0;
  }
};

}  // namespace

void RunningParabolaTable(Engine& engine) {
  PromptScope scope(engine.console);
  if (scope.OtherPromptPending()) {
    engine.LogLine("!!! IO is not waiting for input");
    return;
  }
  const DataSet& d = engine.data;
  if (d.n < 1) {
    engine.LogLine("!!! Running parabola table: no points");
    return;
  }
  if (int k = FirstUnsorted(d.t.data(), d.n)) {
    engine.LogLine("!!! Running parabola table: the points are not sorted by t (point " +
                   Str(static_cast<long long>(k)) + "); sort them first (Edit > Sort)");
    return;
  }
  engine.LogLine("RP computation");
  engine.LogLine(" if using, please refer to:");
  engine.LogLine(RunningParabolaCitation());
  engine.LogLine("Input file > " + engine.run.inputFile);

  std::string name;
  for (;;) {
    engine.console.SetPrompt("Output file > [rp1.dat]");
    name = Trimmed(engine.console.ReadText());
    if (name.empty()) name = "rp1.dat";
    if (!SameFile(name, engine.run.inputFile)) break;
    engine.LogLine(name + " is the data file; choose another name for the table");
  }
  WriteFile(name, "");
  engine.console.FileWritten(name);
  engine.LogLine("Output file > " + name);

  double& dt = engine.runningParabola.rpDeltaT;
  if (auto v = AskNumberLine(engine, "Delta t > [" + General(dt) + "] ")) {
    if (*v > 0)
      dt = *v;
    else
      engine.LogLine("!!! Delta t must be positive; it stays " + General(dt));
  }
  double u0 = 0.7;
  if (auto v = AskNumberLine(engine, "U0 > [0.7] ")) u0 = *v;
  double step = 1;
  if (auto v = AskNumberLine(engine, "Step in table > [1] ")) {
    if (*v > 0)
      step = *v;
    else
      engine.LogLine("!!! The step must be positive; it stays 1");
  }
  double start = step * std::nearbyint(d.t[1] / step);
  if (auto v = AskNumberLine(engine, "Start time > [" + General(start) + "] ")) start = *v;
  double final = step * std::nearbyint(d.t[d.n] / step);
  if (auto v = AskNumberLine(engine, "Final time > [" + General(final) + "] ")) final = *v;
  engine.LogLine("Output format: Time:j1:j2, Smooth_curve:j3:j4 > ");
  const int j1 = AskFormat(engine, "j1", 11, 0, 60);
  const int j2 = AskFormat(engine, "j2", 5, 0, 30);
  const int j3 = AskFormat(engine, "j3", 9, 0, 60);
  const int j4 = AskFormat(engine, "j4", 5, 0, 30);

  // Grid points start + m*step: multiplying instead of adding up the step
  // keeps the last ones on the grid however long it is.
  const double span = (final - start) / step;
  if (span + 1 > kMaxTableLines) {
    engine.LogLine("!!! The table would have " + General(std::floor(span) + 1) +
                   " lines; choose a larger step");
    return;
  }
  const long long lines = span >= 0 ? static_cast<long long>(std::floor(span)) + 1 : 0;
  const ViewState& v = engine.view;
  GridScan scan{d.t.data(),
                d.x.data(),
                d.n,
                dt,
                u0,
                std::min(v.xMinAll, v.xMaxAll),
                std::max(v.xMinAll, v.xMaxAll)};
  ProgressScope progress(engine.host);
  std::string block;
  for (long long m = 0; m < lines; ++m) {
    const double tc = start + static_cast<double>(m) * step;
    if (tc > final) break;
    if (auto value = scan.At(tc)) block += Str(tc, j1, j2) + " " + Str(*value, j3, j4) + "\n";
    if (block.size() > (1 << 20)) {
      AppendToFile(name, block);
      block.clear();
    }
    if ((m + 1) % 65536 == 0 && !progress.Step(m + 1, lines, "Running parabola table")) {
      AppendToFile(name, block);
      engine.LogLine("RuPar table stopped at t=" + General(tc) + "; " + name +
                     " holds the table up to there");
      return;
    }
  }
  if (!block.empty()) AppendToFile(name, block);
  engine.LogLine("RuPar table finished");
}

}  // namespace teril
