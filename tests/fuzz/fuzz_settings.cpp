// The settings-file reader on arbitrary bytes.
//
// Properties: a text without the marker is refused; otherwise the values
// are usable (finite, a period with a finite frequency, NNH in 1..500, a
// bounded counter), and the line written for them reads back to exactly
// the same values.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "data/settings.h"
#include "fuzz_check.h"

using namespace teril;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  SettingsValues v;
  v.epochT0 = 7.5;  // the values of the reset, kept when the file lacks them
  v.period = 0.25;
  if (!ParseSettingsText(text, v)) {
    FUZZ_CHECK(size == 0 || bytes[0] != 255);
    return 0;
  }
  FUZZ_CHECK(std::isfinite(v.epochT0) && std::isfinite(v.period) && std::isfinite(v.Q));
  FUZZ_CHECK(v.period != 0 && std::isfinite(1 / v.period));
  FUZZ_CHECK(v.NNH >= 1 && v.NNH <= 500);
  FUZZ_CHECK(v.counter >= -kMaxSettingsCounter && v.counter <= kMaxSettingsCounter);

  SettingsValues back;
  back.epochT0 = -1;
  back.period = -1;
  FUZZ_CHECK(ParseSettingsText(SettingsText(v), back));
  FUZZ_CHECK(back.counter == v.counter && back.epochT0 == v.epochT0);
  FUZZ_CHECK(back.period == v.period && back.Q == v.Q && back.NNH == v.NNH);
  return 0;
}
