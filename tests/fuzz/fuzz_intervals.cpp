// The intervals-file reader on arbitrary bytes. The first two bytes give
// the point count of the data set (0..65535), the rest is the file; a small
// capacity (1..64, from the count's low bits) makes the reader meet its
// limit too.
//
// Properties: every entry kept lies in 1..n with its end above its start
// and finite times; no more entries than the capacity and than lines in
// the text; the log has one line at least per kept entry.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "extrema/intervals.h"
#include "fuzz_check.h"

using namespace teril;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 2) return 0;
  const int n = bytes[0] | (bytes[1] << 8);
  const std::size_t capacity = 1 + (bytes[0] & 63);
  const std::string_view text(reinterpret_cast<const char*>(bytes) + 2, size - 2);
  const IntervalReadResult r = ReadIntervals("fuzz.int", text, n, capacity);
  FUZZ_CHECK(r.entries.size() <= capacity);
  std::size_t lines = 1;
  for (char c : text)
    if (c == '\n' || c == '\r') ++lines;
  FUZZ_CHECK(r.entries.size() <= lines);
  FUZZ_CHECK(r.log.size() >= r.entries.size());
  for (const IntervalEntry& e : r.entries) {
    FUZZ_CHECK(e.startIndex >= 1 && e.endIndex <= n && e.endIndex > e.startIndex);
    FUZZ_CHECK(std::isfinite(e.startTime) && std::isfinite(e.endTime));
  }
  return 0;
}
