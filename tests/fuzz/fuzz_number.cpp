// The number parser and the number formats on arbitrary bytes.
//
// Properties: a number read is finite; its round-trip text reads back to
// the same double; the 23-character form is 23 characters and reads back
// within its 15 significant digits, the general form within 15 digits; the
// fixed form reads back within half a unit of its last decimal; a leading
// number is what the whole-text parser reads from the part it used; an
// integer reads back from its own text.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/numfmt.h"
#include "fuzz_check.h"

using namespace teril;

namespace {

bool Near(double a, double b, double relative) {
  return std::fabs(a - b) <= relative * std::fmax(std::fabs(a), std::fabs(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);

  if (auto v = ParseNumber(text)) {
    FUZZ_CHECK(std::isfinite(*v));
    FUZZ_CHECK(ParseNumber(RoundTrip(*v)) == *v);
    const std::string sci = Sci23(*v);
    FUZZ_CHECK(sci.size() == 23);
    if (std::fabs(*v) < 1e300) {
      auto s = ParseNumber(sci);
      FUZZ_CHECK(s && Near(*s, *v, 1e-14));
      auto g = ParseNumber(General(*v));
      FUZZ_CHECK(g && Near(*g, *v, 1e-14));
    }
    const int decimals = size > 0 ? bytes[0] % 12 : 0;
    if (std::fabs(*v) < 1e15) {
      auto f = ParseNumber(Str(*v, 10, decimals));
      FUZZ_CHECK(f && std::fabs(*f - *v) <=
                          0.5000001 * std::pow(10.0, -decimals) + 1e-15 * std::fabs(*v));
    }
  }

  std::size_t used = 0;
  if (auto l = ParseLeadingNumber(text, used)) {
    FUZZ_CHECK(used >= 1 && used <= size);
    FUZZ_CHECK(ParseNumber(text.substr(0, used)) == *l);
  }

  if (auto i = ParseInteger(text)) FUZZ_CHECK(ParseInteger(Str(*i)) == *i);
  return 0;
}
