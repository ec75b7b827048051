// The autocorrelation function of the visible points ("A", and ^F after
// keeping only the visible points): the data set is replaced by the
// normalised autocorrelation against the lag.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "engine/fwd.h"

namespace teril {

// Below this length the lagged sums are summed directly; from it on they
// go through the transform, O(M log M) instead of O(M^2).
inline constexpr std::size_t kDirectLagSumsBelow = 512;

// The lagged sums C_k = sum_{l=0}^{M-1-k} d_l d_{l+k}, k = 0 .. M-1, of the
// M values d (in the program's usage d is centred on its mean), summed
// directly.
std::vector<double> LaggedSumsDirect(std::span<const double> d);

// The same sums: directly for M < kDirectLagSumsBelow, else through the
// zero-padded transform (fft::LaggedProducts). Both agree to about 1e-15
// of C_0.
std::vector<double> LaggedSums(std::span<const double> d);

// The autocorrelation of the points firstVisible..lastVisible taken as a
// series of their own (M = lastVisible - firstVisible + 1 values, centred on
// their mean): when C_0 > 0, x[k] := C_{k-1}/C_0 and t[k] := t0[k] := k - 1
// for k = 1..M and the t print decimals become 0; in every case the x print
// format becomes 9:6 and inverse x and the magnitude/intensity flags are
// cleared. Points after M keep their values. Returns false (with a log
// line) when C_0 = 0, a constant series.
bool Autocorrelate(Engine& e);

// ("A") Autocorrelate. -> Full
Continuation AutocorrelationKey(Engine& e);

// (^F) Keeps only the visible points (the lag-map base becomes their
// count), then the autocorrelation of all of them. -> Full
Continuation VisibleAutocorrelationKey(Engine& e);

}  // namespace teril
