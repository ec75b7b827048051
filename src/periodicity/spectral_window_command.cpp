// The spectral window command: the window of the visible times into
// "<stem>_window.dat", a part of the grid at a time.
#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "periodicity/prewhitening.h"
#include "periodicity/prewhitening_command.h"
#include "periodicity/prewhitening_text.h"
#include "periodicity/spectral_window.h"
#include "periodicity/visible_series.h"

namespace teril {
namespace {

constexpr const char* kWhat = "Spectral window";
// Frequencies computed and written at once: bounded memory for any grid.
constexpr long long kPart = 1 << 20;

std::string Int(long long v) { return Str(v); }

void Refuse(Engine& e, const std::string& why) {
  const std::string text = std::string(kWhat) + ": " + why;
  e.LogLine(text);
  e.LogLine(" ");
  e.host.MessageBox(text);
}

struct WindowRequest {
  double fLow = 0, fHigh = 0, oversampling = 10;
};

std::optional<WindowRequest> AskRequest(Engine& e, double defaultHigh) {
  std::vector<DialogField> fields{
      {"Lowest frequency", "0", "cycles per unit of t, 0 or more",
       [](const std::string& s) { return ParseNumber(s).has_value(); }},
      {"Highest frequency", General(defaultHigh),
       "above the lowest; the default is half the inverse of the median spacing",
       [](const std::string& s) { return ParseNumber(s).has_value(); }},
      {"Oversampling", "10", "the frequency step is 1 / (oversampling * time span)",
       [](const std::string& s) { return ParseNumber(s).value_or(0) > 0; }}};
  if (!e.dialogs.EditFields("SpectralWindow", kWhat, fields)) return std::nullopt;
  WindowRequest r;
  double* numbers[] = {&r.fLow, &r.fHigh, &r.oversampling};
  for (int i = 0; i < 3; ++i) {
    auto v = ParseNumber(fields[i].value);
    if (!v) {
      Refuse(e, "\"" + fields[i].label + "\" is not a number: " + fields[i].value);
      return std::nullopt;
    }
    *numbers[i] = *v;
  }
  return r;
}

// The highest local maximum of the window beyond its central peak.
struct SidePeak {
  bool found = false;
  double frequency = 0, value = 0;
};

}  // namespace

void RunSpectralWindowCommand(Engine& e) {
  auto points = CollectVisibleSeries(e, [&e](const std::string& why) { Refuse(e, why); });
  if (!points) return;
  auto [lo, hi] = std::minmax_element(points->t.begin(), points->t.end());
  const double span = *hi - *lo;
  if (!(span > 0)) {
    Refuse(e, "the visible points span no time");
    return;
  }
  auto request = AskRequest(e, 0.5 / MedianSpacing(points->t));
  if (!request) return;
  const WindowRequest& r = *request;
  if (std::string why =
          CheckSpectralGrid(span, r.fLow, r.fHigh, r.oversampling, kMaxSpectrumFrequencies);
      !why.empty()) {
    Refuse(e, why);
    return;
  }
  const FrequencyGrid grid = SpectralGrid(span, r.fLow, r.fHigh, r.oversampling);
  const PeriodogramSeries series = WindowSeries(points->t, points->weights);
  const std::string name = ResultStem(e.run.inputFile) + "_window.dat";
  // The central peak ends about 1/T from 0.
  const double mainLobe = 1 / span;
  SidePeak side;
  bool finished = true;
  try {
    ProgressScope progress(e.host);
    WriteFile(name, WindowFileHeader());
    e.console.FileWritten(name);
    std::vector<double> values;
    for (long long k0 = 0; k0 < grid.count && finished; k0 += kPart) {
      const long long count = std::min(kPart, grid.count - k0);
      // One point more on each side, so that each point of the part is
      // compared with both neighbours.
      const long long a = std::max(0LL, k0 - 1), b = std::min(grid.count, k0 + count + 1);
      const FrequencyGrid part{grid.At(a), grid.step, b - a};
      finished = SpectralWindow(series, part, values, [&](long long done, long long total) {
        const double share = static_cast<double>(done) / static_cast<double>(std::max(1LL, total));
        return progress.Step(k0 + static_cast<long long>(share * static_cast<double>(count)),
                             grid.count, kWhat);
      });
      if (!finished) break;
      for (long long k = k0; k < k0 + count; ++k) {
        const long long i = k - a;
        const bool left = k == 0 || values[i] > values[i - 1];
        const bool right = k + 1 == grid.count || values[i] >= values[i + 1];
        if (left && right && grid.At(k) > mainLobe && (!side.found || values[i] > side.value))
          side = {true, grid.At(k), values[i]};
      }
      AppendToFile(
          name, WindowFileLines(grid, std::span<const double>(values).subspan(k0 - a, count), k0));
    }
  } catch (const std::bad_alloc&) {
    std::error_code ec;
    std::filesystem::remove(name, ec);
    Refuse(e, "not enough memory for " + Int(grid.count) + " frequencies");
    return;
  } catch (const IoError&) {
    // No half-written window is left to be taken for a whole one.
    std::error_code ec;
    std::filesystem::remove(name, ec);
    throw;
  }
  if (!finished) {
    std::error_code ec;
    std::filesystem::remove(name, ec);
    e.LogLine("Spectral window stopped: no file written");
    e.LogLine(" ");
    return;
  }
  e.LogLine(kWhat);
  e.LogLine("Number of points " + Int(static_cast<long long>(points->t.size())) +
            (points->weights.empty() ? "" : ", weights 1/s^2"));
  e.LogLine("Time span " + General(span));
  e.LogLine("Frequencies from " + General(grid.fLow) + " to " + General(grid.At(grid.count - 1)) +
            " step " + General(grid.step) + " (" + Int(grid.count) + " frequencies)");
  if (side.found)
    e.LogLine("Highest peak above 1/T = " + General(mainLobe) + ": frequency " +
              General(side.frequency) + ", window " + General(side.value));
  e.LogLine("Written to " + name);
  e.LogLine(" ");
}

}  // namespace teril
