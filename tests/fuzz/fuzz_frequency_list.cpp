// The trial-frequency list reader on arbitrary bytes.
//
// Properties: at most 50 entries, each finite and either 0 or with a
// finite period 1/f; never more entries than lines.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "base/line_reader.h"
#include "console/file_run.h"
#include "fuzz_check.h"

using namespace teril;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  const std::vector<double> list = ParseFrequencyList(text);
  FUZZ_CHECK(list.size() <= kMaxTrialFrequencies);
  for (double f : list) FUZZ_CHECK(std::isfinite(f) && (f == 0 || std::isfinite(1 / f)));
  LineReader lines(text);
  std::string_view line;
  std::size_t count = 0;
  try {
    while (lines.Next(line)) ++count;
  } catch (const LineTooLong&) {
    return 0;
  }
  FUZZ_CHECK(list.size() <= count);
  return 0;
}
