#include "numeric/fft.h"

#include <fftw3.h>

#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>

namespace teril::fft {
namespace {

// A buffer from fftw_malloc, aligned as FFTW's plans expect.
template <typename T>
class Buffer {
 public:
  explicit Buffer(std::size_t n) : p_(static_cast<T*>(fftw_malloc(sizeof(T) * (n ? n : 1)))) {
    if (!p_) throw std::bad_alloc();
  }
  ~Buffer() { fftw_free(p_); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  T* get() const { return p_; }

 private:
  T* p_;
};

enum class Kind { Forward, Inverse, ComplexForward, ComplexInverse };

// Plans by kind and size, made once on scratch buffers of that size and
// used with the new-array execute functions on each call's own buffers
// (fftw_malloc gives them the alignment the plan was made with).
class PlanCache {
 public:
  ~PlanCache() {
    for (auto& [key, plan] : plans_) fftw_destroy_plan(plan);
  }
  fftw_plan Get(Kind kind, std::size_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto key = std::make_pair(kind, n);
    if (auto it = plans_.find(key); it != plans_.end()) return it->second;
    const int size = static_cast<int>(n);
    fftw_plan plan = nullptr;
    if (kind == Kind::Forward || kind == Kind::Inverse) {
      Buffer<double> real(n);
      Buffer<fftw_complex> spectrum(n / 2 + 1);
      plan = kind == Kind::Forward
                 ? fftw_plan_dft_r2c_1d(size, real.get(), spectrum.get(), FFTW_ESTIMATE)
                 : fftw_plan_dft_c2r_1d(size, spectrum.get(), real.get(), FFTW_ESTIMATE);
    } else {
      // Complex transforms run in place on the call's own buffer.
      Buffer<fftw_complex> data(n);
      plan = fftw_plan_dft_1d(size, data.get(), data.get(),
                              kind == Kind::ComplexForward ? FFTW_FORWARD : FFTW_BACKWARD,
                              FFTW_ESTIMATE);
    }
    if (!plan) throw std::runtime_error("FFTW could not plan a transform of this size");
    plans_.emplace(key, plan);
    return plan;
  }

 private:
  std::mutex mutex_;
  std::map<std::pair<Kind, std::size_t>, fftw_plan> plans_;
};

PlanCache& Plans() {
  static PlanCache cache;
  return cache;
}

}  // namespace

std::vector<std::complex<double>> ForwardReal(std::span<const double> in) {
  const std::size_t n = in.size();
  if (n == 0) return {};
  Buffer<double> real(n);
  Buffer<fftw_complex> spectrum(n / 2 + 1);
  std::memcpy(real.get(), in.data(), n * sizeof(double));
  fftw_execute_dft_r2c(Plans().Get(Kind::Forward, n), real.get(), spectrum.get());
  std::vector<std::complex<double>> out(n / 2 + 1);
  for (std::size_t k = 0; k < out.size(); ++k) out[k] = {spectrum.get()[k][0], spectrum.get()[k][1]};
  return out;
}

std::vector<double> InverseReal(std::span<const std::complex<double>> half, std::size_t n) {
  if (n == 0) return {};
  if (half.size() != n / 2 + 1) throw std::invalid_argument("InverseReal: wrong spectrum size");
  Buffer<double> real(n);
  Buffer<fftw_complex> spectrum(n / 2 + 1);
  for (std::size_t k = 0; k < half.size(); ++k) {
    spectrum.get()[k][0] = half[k].real();
    spectrum.get()[k][1] = half[k].imag();
  }
  // c2r destroys its input; the buffer is ours.
  fftw_execute_dft_c2r(Plans().Get(Kind::Inverse, n), spectrum.get(), real.get());
  return std::vector<double>(real.get(), real.get() + n);
}

namespace {

std::vector<std::complex<double>> Complex(std::span<const std::complex<double>> in, Kind kind) {
  const std::size_t n = in.size();
  if (n == 0) return {};
  Buffer<fftw_complex> data(n);
  for (std::size_t k = 0; k < n; ++k) {
    data.get()[k][0] = in[k].real();
    data.get()[k][1] = in[k].imag();
  }
  fftw_execute_dft(Plans().Get(kind, n), data.get(), data.get());
  std::vector<std::complex<double>> out(n);
  for (std::size_t k = 0; k < n; ++k) out[k] = {data.get()[k][0], data.get()[k][1]};
  return out;
}

}  // namespace

std::vector<std::complex<double>> ForwardComplex(std::span<const std::complex<double>> in) {
  return Complex(in, Kind::ComplexForward);
}

std::vector<std::complex<double>> InverseComplex(std::span<const std::complex<double>> in) {
  return Complex(in, Kind::ComplexInverse);
}

std::size_t FastSize(std::size_t n) {
  if (n <= 1) return 1;
  for (std::size_t m = n;; ++m) {
    std::size_t r = m;
    for (std::size_t p : {2u, 3u, 5u})
      while (r % p == 0) r /= p;
    if (r == 1) return m;
  }
}

std::vector<double> LaggedProducts(std::span<const double> x, std::size_t maxLag) {
  const std::size_t n = x.size();
  if (n == 0) return {};
  if (maxLag >= n) maxLag = n - 1;
  // Zero padding to at least n + maxLag keeps the circular products of the
  // transform from wrapping round into the lags that are wanted.
  const std::size_t size = FastSize(n + maxLag);
  std::vector<double> padded(size, 0.0);
  std::memcpy(padded.data(), x.data(), n * sizeof(double));
  auto spectrum = ForwardReal(padded);
  for (auto& c : spectrum) c = std::complex<double>(std::norm(c), 0.0);
  std::vector<double> circular = InverseReal(spectrum, size);
  std::vector<double> out(maxLag + 1);
  for (std::size_t k = 0; k <= maxLag; ++k) out[k] = circular[k] / static_cast<double>(size);
  return out;
}

}  // namespace teril::fft
