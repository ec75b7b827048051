// Time of the whole Blazhko effect command (dialog answers, scan of the
// modulation frequency, Gauss-Newton passes, the two result files) on a
// synthetic modulated RR Lyrae star of N points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <numbers>

#include "bench/quiet_host.h"
#include "engine/engine.h"
#include "engine/named_command.h"

namespace {

using namespace teril;

// Answers the three fields of the dialog.
class FieldDialogs : public bench::NoDialogs {
 public:
  using Dialogs::EditFields;
  bool EditFields(const std::string&, const std::string&, std::vector<DialogField>& fields,
                  const std::string&) override {
    const char* answers[] = {"1.8003", "0.02", "0.03"};
    for (std::size_t i = 0; i < fields.size() && i < 3; ++i) fields[i].value = answers[i];
    return true;
  }
};

// f1 = 1.8 c/d modulated at f2 = 0.025 c/d over 160 days, 0.02 mag noise.
void LoadStar(Engine& e, int n) {
  std::uint64_t state = 12345;
  auto uniform = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(state >> 11) + 0.5) / 9007199254740992.0;
  };
  const double w = 2 * std::numbers::pi;
  auto& d = e.data;
  d.n = n;
  for (int k = 1; k <= n; ++k) {
    const double t = 2455000.0 + 160.0 * (k - 1) / (n - 1);
    const double P = w * 1.8 * (t - 2455080.0), Q = w * 0.025 * (t - 2455080.0);
    const double noise = std::sqrt(-2 * std::log(uniform())) * std::cos(w * uniform());
    d.t[k] = t;
    d.x[k] = 12.0 + 0.02 * std::cos(Q) + (0.3 + 0.05 * std::cos(Q)) * std::cos(P) +
             (0.15 + 0.06 * std::sin(Q)) * std::sin(P) + 0.1 * std::cos(2 * P) +
             0.07 * std::sin(2 * P) + 0.02 * noise;
  }
  bench::ShowAllPoints(e);
}

void BM_BlazhkoCommand(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto previous = std::filesystem::current_path();
  const auto folder = bench::BenchFolder("teril-bench-blazhko");
  bench::QuietHost host;
  FieldDialogs dialogs;
  auto engine = bench::QuietEngine(host, dialogs, folder);
  engine->run.inputFile = "star.dat";
  LoadStar(*engine, n);
  for (auto _ : state) {
    RunNamedCommand(*engine, "Blazhkoeffect1");
    benchmark::DoNotOptimize(engine->blazhko.f2);
  }
  if (!engine->blazhko.completed) state.SkipWithError("the fit did not complete");
  state.counters["passes"] = engine->blazhko.passes;
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BlazhkoCommand)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
