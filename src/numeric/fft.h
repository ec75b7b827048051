// Discrete Fourier transforms of real series, the one place of the program
// that calls FFTW. Plans are made once per size (FFTW's planner is not
// thread-safe, so planning holds a lock) and reused; every call works on
// buffers of its own, so transforms may run on several threads at once.
//
// Conventions (those of FFTW, unnormalised):
//   forward:  X_k = sum_{j=0}^{n-1} x_j exp(-2 pi i j k / n),  k = 0 .. n/2
//   inverse:  x_j = sum_{k=0}^{n-1} X_k exp(+2 pi i j k / n)   (n times the input)
#pragma once

#include <complex>
#include <cstddef>
#include <span>
#include <vector>

namespace teril::fft {

// The n/2 + 1 coefficients X_0 .. X_{n/2} of the forward transform of the
// n real values `in` (n >= 1).
std::vector<std::complex<double>> ForwardReal(std::span<const double> in);

// The n real values of the inverse transform of the half spectrum `half`
// (n/2 + 1 coefficients of a series of length n). Not normalised: the
// forward transform followed by this one gives n times the input.
std::vector<double> InverseReal(std::span<const std::complex<double>> half, std::size_t n);

// The n coefficients of the complex transform of the n values `in`:
//   ForwardComplex:  X_k = sum_j in_j exp(-2 pi i j k / n)
//   InverseComplex:  x_k = sum_j in_j exp(+2 pi i j k / n)   (not normalised)
// for k = 0 .. n-1. The one works on a buffer of its own and returns a new
// vector, so the caller may drop its input afterwards.
std::vector<std::complex<double>> ForwardComplex(std::span<const std::complex<double>> in);
std::vector<std::complex<double>> InverseComplex(std::span<const std::complex<double>> in);

// Lagged products of a series: out[k] = sum_{i=0}^{n-1-k} x_i x_{i+k} for
// k = 0 .. maxLag (maxLag < n), computed through a zero-padded transform in
// O(n log n). Agrees with the direct sums to rounding (relative to out[0]).
std::vector<double> LaggedProducts(std::span<const double> x, std::size_t maxLag);

// The smallest size >= n whose only prime factors are 2, 3 and 5 (sizes
// FFTW transforms fastest).
std::size_t FastSize(std::size_t n);

}  // namespace teril::fft
