// The marks-file reader on arbitrary bytes: the records are read one after
// the other, as the key "]" steps through them.
//
// Properties: every record has whole line numbers in 1..2e9 and finite
// times; each record moves the reading on, so stepping through any text
// ends after at most one record per four bytes.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "engine/engine.h"
#include "fuzz_check.h"
#include "plot/marks.h"

using namespace teril;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  std::size_t pos = 0;
  std::size_t records = 0;
  for (;;) {
    const std::size_t before = pos;
    MarkRecord r;
    const MarkRead got = ReadMarkRecord(text, pos, r);
    FUZZ_CHECK(pos <= size);
    if (got != MarkRead::Record) break;
    FUZZ_CHECK(pos > before);
    FUZZ_CHECK(r.i1 >= 1 && r.i2 >= 1 && r.i1 < 2000000000 && r.i2 < 2000000000);
    FUZZ_CHECK(std::isfinite(r.t1) && std::isfinite(r.t2));
    ++records;
    FUZZ_CHECK(records * 4 <= size + 3);
  }
  return 0;
}
