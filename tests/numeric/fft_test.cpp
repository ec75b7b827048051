#include "numeric/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <thread>

namespace teril::fft {
namespace {

// The transform written out as its defining sum.
std::complex<double> DirectCoefficient(const std::vector<double>& x, std::size_t k) {
  std::complex<double> s = 0;
  const double n = static_cast<double>(x.size());
  for (std::size_t j = 0; j < x.size(); ++j)
    s += x[j] * std::polar(1.0, -2 * std::numbers::pi * double(j) * double(k) / n);
  return s;
}

std::vector<double> RandomSeries(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> d(3.0, 2.0);
  std::vector<double> x(n);
  for (auto& v : x) v = d(gen);
  return x;
}

TEST(Fft, ForwardMatchesTheDefiningSumForOddAndEvenSizes) {
  for (std::size_t n : {1u, 2u, 7u, 16u, 45u, 97u}) {
    auto x = RandomSeries(n, static_cast<unsigned>(n));
    auto X = ForwardReal(x);
    ASSERT_EQ(X.size(), n / 2 + 1);
    for (std::size_t k = 0; k < X.size(); ++k) {
      auto d = DirectCoefficient(x, k);
      EXPECT_NEAR(X[k].real(), d.real(), 1e-10 * n) << "n=" << n << " k=" << k;
      EXPECT_NEAR(X[k].imag(), d.imag(), 1e-10 * n) << "n=" << n << " k=" << k;
    }
  }
}

TEST(Fft, InverseOfForwardGivesNTimesTheInput) {
  for (std::size_t n : {5u, 8u, 1000u}) {
    auto x = RandomSeries(n, 11);
    auto back = InverseReal(ForwardReal(x), n);
    for (std::size_t j = 0; j < n; ++j) EXPECT_NEAR(back[j], double(n) * x[j], 1e-9 * n);
  }
}

TEST(Fft, LaggedProductsOfOneToFive) {
  // 1..5: lag 0: 1+4+9+16+25 = 55; lag 1: 2+6+12+20 = 40; lag 2: 3+8+15 = 26;
  // lag 3: 4+10 = 14; lag 4: 5.
  std::vector<double> x{1, 2, 3, 4, 5};
  auto p = LaggedProducts(x, 4);
  const double expected[] = {55, 40, 26, 14, 5};
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(p[k], expected[k], 1e-12);
}

TEST(Fft, LaggedProductsAgreeWithDirectSumsOnALongSeries) {
  auto x = RandomSeries(3001, 5);
  const std::size_t maxLag = 3000;
  auto p = LaggedProducts(x, maxLag);
  ASSERT_EQ(p.size(), maxLag + 1);
  double c0 = 0;
  for (double v : x) c0 += v * v;
  for (std::size_t k : {0u, 1u, 17u, 1500u, 2999u, 3000u}) {
    double direct = 0;
    for (std::size_t i = 0; i + k < x.size(); ++i) direct += x[i] * x[i + k];
    EXPECT_NEAR(p[k], direct, 1e-12 * c0) << "lag " << k;
  }
}

std::vector<std::complex<double>> RandomComplex(std::size_t n, unsigned seed) {
  auto re = RandomSeries(n, seed), im = RandomSeries(n, seed + 100);
  std::vector<std::complex<double>> z(n);
  for (std::size_t j = 0; j < n; ++j) z[j] = {re[j], im[j]};
  return z;
}

TEST(Fft, ComplexTransformsMatchTheirDefiningSums) {
  for (std::size_t n : {1u, 2u, 9u, 30u, 101u}) {
    auto z = RandomComplex(n, static_cast<unsigned>(n));
    auto forward = ForwardComplex(z);
    auto inverse = InverseComplex(z);
    ASSERT_EQ(forward.size(), n);
    ASSERT_EQ(inverse.size(), n);
    for (std::size_t k = 0; k < n; ++k) {
      std::complex<double> minus = 0, plus = 0;
      for (std::size_t j = 0; j < n; ++j) {
        const double angle = 2 * std::numbers::pi * double(j) * double(k) / double(n);
        minus += z[j] * std::polar(1.0, -angle);
        plus += z[j] * std::polar(1.0, angle);
      }
      EXPECT_LT(std::abs(forward[k] - minus), 1e-10 * n) << "n=" << n << " k=" << k;
      EXPECT_LT(std::abs(inverse[k] - plus), 1e-10 * n) << "n=" << n << " k=" << k;
    }
  }
}

TEST(Fft, ComplexInverseOfForwardGivesNTimesTheInput) {
  auto z = RandomComplex(1250, 4);
  auto back = InverseComplex(ForwardComplex(z));
  for (std::size_t j = 0; j < z.size(); ++j) EXPECT_LT(std::abs(back[j] - 1250.0 * z[j]), 1e-8);
}

TEST(Fft, FastSizeHasOnlyFactorsTwoThreeFive) {
  EXPECT_EQ(FastSize(1), 1u);
  EXPECT_EQ(FastSize(7), 8u);
  EXPECT_EQ(FastSize(11), 12u);
  EXPECT_EQ(FastSize(2441), 2500u);
  EXPECT_EQ(FastSize(1024), 1024u);
}

TEST(Fft, TransformsOnSeveralThreadsAtOnceAgree) {
  auto x = RandomSeries(4096, 3);
  auto reference = ForwardReal(x);
  std::vector<std::vector<std::complex<double>>> results(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      // Different sizes plan concurrently; the same size executes concurrently.
      ForwardReal(std::vector<double>(100 + i, 1.0));
      results[i] = ForwardReal(x);
    });
  for (auto& t : threads) t.join();
  for (auto& r : results) EXPECT_EQ(r, reference);
}

}  // namespace
}  // namespace teril::fft
