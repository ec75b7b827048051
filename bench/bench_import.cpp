// Importing downloaded light curves: a CSV of 1,000,000 rows (read whole,
// parsed, the default import built and written as a data file) against awk
// summing one column of the same file, and a TESS sector of 2-minute
// cadences (20,000 rows) read from FITS and imported.
//
//   build/bench/bench_import --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "base/io.h"
#include "base/line_reader.h"
#include "base/numfmt.h"
#include "data/data_file.h"
#include "formats/fits.h"
#include "formats/import.h"
#include "formats/lightcurve_fits.h"
#include "formats/table_reader.h"
#include "tests/formats/fits_fixture.h"

namespace {

std::filesystem::path Folder() {
  auto folder = std::filesystem::temp_directory_path() / "teril-bench-import";
  std::filesystem::create_directories(folder);
  return folder;
}

// ZTF-like rows: hjd, mag, magerr, catflags, filtercode.
std::string MakeCsv() {
  auto path = Folder() / "million.csv";
  if (std::filesystem::exists(path)) return path.string();
  std::string text = "hjd,mag,magerr,catflags,filtercode\n";
  text.reserve(60u * 1000000u);
  unsigned seed = 7;
  for (int i = 0; i < 1000000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    text += teril::Str(2458300.0 + i * 0.0137, 0, 6) + "," +
            teril::Str(15.0 + (seed >> 20) / 8192.0, 0, 4) + ",0.0213," +
            (i % 97 == 0 ? "32768" : "0") + "," + (i % 3 ? "zg" : "zr") + "\n";
  }
  teril::WriteFile(path.string(), text);
  return path.string();
}

std::string MakeFits() {
  auto path = Folder() / "tess_sector.fits";
  if (std::filesystem::exists(path)) return path.string();
  teril::testing::FitsLayout layout;
  for (int i = 0; i < 20000; ++i) {
    const double t = 1500.0 + i * (2.0 / 1440.0);
    const float f = static_cast<float>(50000.0 * (1.0 + 0.01 * std::sin(t * 7.0)));
    layout.rows.push_back({i % 500 == 0 ? NAN : t, f, 12.0f, i % 250 == 0 ? 32 : 0});
  }
  teril::testing::WriteLightCurveFits(path.string(), layout);
  return path.string();
}

void BM_CsvParse(benchmark::State& state) {
  const std::string path = MakeCsv();
  for (auto _ : state) {
    const std::string text = std::move(*teril::ReadFileIfExists(path));
    auto table = teril::ReadTable(text, "million.csv");
    benchmark::DoNotOptimize(table.value.back());
  }
}
BENCHMARK(BM_CsvParse)->Unit(benchmark::kMillisecond);

void BM_CsvImport(benchmark::State& state) {
  const std::string path = MakeCsv();
  for (auto _ : state) {
    const std::string text = std::move(*teril::ReadFileIfExists(path));
    auto table = teril::ReadTable(text, "million.csv");
    auto curve = teril::BuildImport(table, teril::DefaultImportOptions(table), path);
    teril::WriteImport(curve);
    benchmark::DoNotOptimize(curve.x.back());
  }
}
BENCHMARK(BM_CsvImport)->Unit(benchmark::kMillisecond);

// What opening the CSV in a file run does: the import, then the written
// data file read as the run reads it, in blocks, x in column 2 and the
// errors (column 1) along with the points.
void BM_CsvImportAndOpen(benchmark::State& state) {
  const std::string path = MakeCsv();
  auto data = std::make_unique<teril::DataSet>();
  for (auto _ : state) {
    const std::string text = std::move(*teril::ReadFileIfExists(path));
    auto table = teril::ReadTable(text, "million.csv");
    auto curve = teril::BuildImport(table, teril::DefaultImportOptions(table), path);
    teril::WriteImport(curve);
    teril::InputFile file(curve.path);
    teril::LineReader lines(
        [&file](char* buffer, std::size_t size) { return file.Read(buffer, size); });
    teril::ReadColumns columns;
    columns.columnX = teril::ImportColumnX(curve);
    columns.columnS = teril::ImportColumnS(curve);
    teril::ParseDataLines(lines, "million.dat", *data, columns);
    if (columns.s.size() != static_cast<std::size_t>(data->n))
      state.SkipWithError("errors not read along");
    std::copy(columns.s.begin(), columns.s.end(), data->s.begin() + 1);
    benchmark::DoNotOptimize(data->x[1]);
  }
}
BENCHMARK(BM_CsvImportAndOpen)->Unit(benchmark::kMillisecond);

// The yardstick: awk -F, '{s+=$2} END {print s}' on the same file.
void BM_AwkSumOfColumn(benchmark::State& state) {
  const std::string path = MakeCsv();
  const std::string command = "awk -F, '{s+=$2} END {print s}' '" + path + "' > /dev/null";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("awk failed");
}
BENCHMARK(BM_AwkSumOfColumn)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TessSectorImport(benchmark::State& state) {
  const std::string path = MakeFits();
  for (auto _ : state) {
    auto lc = teril::ReadLightCurve(teril::FitsTable::Open(path), teril::FluxColumn::Pdcsap);
    auto curve = teril::BuildImport(lc, teril::DefaultImportOptions(lc), path);
    teril::WriteImport(curve);
    benchmark::DoNotOptimize(curve.x.back());
  }
}
BENCHMARK(BM_TessSectorImport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
