#include "periodicity/sin_cos_batch.h"

#include <cstring>
#include <numbers>

namespace teril {
namespace {

typedef double Lanes __attribute__((vector_size(32)));
constexpr std::size_t kLanes = 4;

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TERIL_WIDE_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define TERIL_WIDE_CLONES
#endif

// One double or four lanes alike: only +, - and * (and the scalar
// constants broadcast over the lanes).
template <class V>
inline void Core(V x, V& s, V& c) {
  // Adding and subtracting 1.5 2^52 rounds to the nearest whole number.
  constexpr double kRound = 6755399441055744.0;
  constexpr double kTwoPi = 2 * std::numbers::pi;
  const V r = x - ((x + kRound) - kRound);
  const V k = ((4 * r + kRound) - kRound);  // -2 .. 2
  const V a = kTwoPi * (r - 0.25 * k);
  const V a2 = a * a;
  const V sp =
      a *
      (1 +
       a2 * (-1.0 / 6 +
             a2 * (1.0 / 120 +
                   a2 * (-1.0 / 5040 + a2 * (1.0 / 362880 +
                                             a2 * (-1.0 / 39916800 +
                                                   a2 * (1.0 / 6227020800 +
                                                         a2 * (-1.0 / 1307674368000 +
                                                               a2 * (1.0 / 355687428096000)))))))));
  const V cp =
      1 + a2 * (-1.0 / 2 +
                a2 * (1.0 / 24 +
                      a2 * (-1.0 / 720 +
                            a2 * (1.0 / 40320 +
                                  a2 * (-1.0 / 3628800 +
                                        a2 * (1.0 / 479001600 +
                                              a2 * (-1.0 / 87178291200 +
                                                    a2 * (1.0 / 20922789888000 +
                                                          a2 * (-1.0 / 6402373705728000)))))))));
  // sin(a + k pi/2): k = 0: (sp, cp); 1: (cp, -sp); -1: (-cp, sp);
  // +-2: (-sp, -cp). With k2 = k^2, `odd` = k2 (4 - k2) / 3 is 1 for
  // k = +-1 and 0 otherwise, `even` = 1 - k2 / 2 the sign for k even;
  // every factor is 0 or +-1, so the selection is exact.
  const V k2 = k * k;
  const V odd = k2 * (4 - k2) / 3;
  const V even = (1 - odd) * (1 - 0.5 * k2);
  s = odd * (k * cp) + even * sp;
  c = even * cp - odd * (k * sp);
}

}  // namespace

TERIL_WIDE_CLONES void SinCosCyclesBatch(const double* x, std::size_t n, double* s, double* c) {
  std::size_t i = 0;
  for (; i + kLanes <= n; i += kLanes) {
    Lanes v, vs, vc;
    std::memcpy(&v, x + i, sizeof v);
    Core(v, vs, vc);
    std::memcpy(s + i, &vs, sizeof vs);
    std::memcpy(c + i, &vc, sizeof vc);
  }
  for (; i < n; ++i) Core(x[i], s[i], c[i]);
}

}  // namespace teril
