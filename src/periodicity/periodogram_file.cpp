#include "periodicity/periodogram_file.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "numeric/threads.h"

namespace teril {
namespace {

constexpr int kWidth = 23;
constexpr long long kLinesPerBlock = 1 << 18;  // lines per append (about 19 MB at 3 columns)
constexpr long long kLinesPerTask = 1 << 14;   // lines one thread formats at a time

}  // namespace

char* WriteSci23(char* out, double v) {
  if (!std::isfinite(v)) {
    const std::string text = Sci23(v);  // rare: the padded words of numfmt
    std::memcpy(out, text.data(), kWidth);
    return out + kWidth;
  }
  char buf[32];
  // d.dddddddddddddde+XX or e+XXX: the mantissa is always 16 characters.
  const auto r =
      std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
  *out++ = (std::signbit(v) && v != 0) ? '-' : ' ';
  std::memcpy(out, buf, 16);
  out += 16;
  const char* e = buf + 17;  // the exponent's sign
  *out++ = 'E';
  *out++ = *e;
  const int digits = static_cast<int>(r.ptr - (e + 1));
  for (int i = digits; i < 4; ++i) *out++ = '0';
  std::memcpy(out, e + 1, digits);
  return out + digits;
}

bool WritePeriodogramFile(const std::string& path, std::string_view header,
                          const FrequencyGrid& grid,
                          std::span<const std::span<const double>> columns,
                          const PeriodogramProgress& progress, int threads) {
  const long long count = std::max(0LL, grid.count);
  for (const auto& c : columns)
    if (static_cast<long long>(c.size()) < count)
      throw std::invalid_argument("WritePeriodogramFile: a column is shorter than the grid");
  std::string head(header);
  head += '\n';
  WriteFile(path, head);
  const std::size_t line = (columns.size() + 1) * (kWidth + 1);
  std::vector<char> text(static_cast<std::size_t>(std::min(count, kLinesPerBlock)) * line);
  if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
  threads = std::clamp(threads, 1, 64);
  for (long long k0 = 0; k0 < count; k0 += kLinesPerBlock) {
    const long long k1 = std::min(count, k0 + kLinesPerBlock);
    const long long tasks = (k1 - k0 + kLinesPerTask - 1) / kLinesPerTask;
    std::atomic<long long> next{0};
    // Every line has the same length, so each task knows where its lines go.
    RunOnThreads(static_cast<int>(std::min<long long>(threads, tasks)), [&](int) {
      for (;;) {
        const long long task = next.fetch_add(1);
        if (task >= tasks) return;
        const long long a = k0 + task * kLinesPerTask, b = std::min(k1, a + kLinesPerTask);
        char* out = text.data() + static_cast<std::size_t>(a - k0) * line;
        for (long long k = a; k < b; ++k) {
          out = WriteSci23(out, grid.At(k));
          for (const auto& c : columns) {
            *out++ = ' ';
            out = WriteSci23(out, c[k]);
          }
          *out++ = '\n';
        }
      }
    });
    AppendToFile(path, std::string_view(text.data(), static_cast<std::size_t>(k1 - k0) * line));
    if (k1 < count && progress && !progress(k1, count)) {
      std::error_code ec;
      std::filesystem::remove(path, ec);
      return false;
    }
  }
  return true;
}

}  // namespace teril
