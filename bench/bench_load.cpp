// Loading a data file of MaxPoints lines (t with 5 decimals, x with 3,
// observer codes), as a file run does: read the file, parse it, order
// check, copy of t into t0.
//
//   build/bench/bench_load --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The counter peak_rss_MB is the peak resident memory of the process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "console/file_run.h"
#include "base/io.h"
#include "base/numfmt.h"
#include "console/terminal_host.h"

namespace {

std::string MakeBigFile() {
  auto folder = std::filesystem::temp_directory_path() / "teril-bench-load";
  std::filesystem::create_directories(folder);
  auto path = folder / "big.dat";
  if (std::filesystem::exists(path)) return path.string();
  std::string text = "# HJD V observer\n";
  text.reserve(30u * teril::MaxPoints);
  const char* observers[] = {"ABC", "KVD", "ZR", "XYZ"};
  unsigned seed = 1;
  for (int i = 0; i < teril::MaxPoints; ++i) {
    seed = seed * 1664525u + 1013904223u;
    double t = 2450000.0 + i * 0.00137;
    double x = 11.0 + (seed >> 20) / 4096.0;
    text += teril::Str(t, 13, 5) + " " + teril::Str(x, 7, 3) + " " + observers[i % 4] + "\n";
  }
  teril::WriteFile(path.string(), text);
  return path.string();
}

void BM_LoadMaxPoints(benchmark::State& state) {
  std::string path = MakeBigFile();
  std::filesystem::current_path(std::filesystem::path(path).parent_path());
  std::istringstream in;
  std::ostringstream out;
  teril::TerminalHost host(in, out);
  teril::Engine engine(host, host);
  engine.console.writeLogFile = false;
  engine.run.inputFile = "big.dat";
  for (auto _ : state) {
    teril::LoadDataFile(engine);
    benchmark::DoNotOptimize(engine.data.t[engine.data.n]);
  }
  if (engine.data.n != teril::MaxPoints) state.SkipWithError("wrong point count");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = usage.ru_maxrss / 1024.0;
}
BENCHMARK(BM_LoadMaxPoints)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
