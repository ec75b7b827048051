#include "numeric/dense_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

namespace teril {
namespace {

constexpr double kPi = std::numbers::pi;

// y = a + b x with weights: the closed forms of the weighted straight line
// (e.g. Bevington & Robinson, Data Reduction and Error Analysis, ch. 6):
// with S = sum w, Sx = sum w x, Sxx = sum w x^2 and D = S Sxx - Sx^2,
// var(a) = s^2 Sxx / D, var(b) = s^2 S / D, cov(a, b) = -s^2 Sx / D.
TEST(WeightedLinearFit, StraightLineAgainstClosedForm) {
  std::mt19937 gen(7);
  std::normal_distribution<double> noise(0, 1);
  std::uniform_real_distribution<double> err(0.5, 2);
  const int m = 40;
  std::vector<double> design, y, w;
  for (int i = 0; i < m; ++i) {
    const double x = 0.25 * i, s = err(gen);
    design.push_back(1);
    design.push_back(x);
    y.push_back(3 - 0.7 * x + s * noise(gen));
    w.push_back(1 / (s * s));
  }
  const LinearFitResult r = WeightedLinearFit(design, 2, y, w);
  ASSERT_TRUE(r.fullRank);
  double S = 0, Sx = 0, Sxx = 0, Sy = 0, Sxy = 0;
  for (int i = 0; i < m; ++i) {
    const double x = design[2 * i + 1];
    S += w[i];
    Sx += w[i] * x;
    Sxx += w[i] * x * x;
    Sy += w[i] * y[i];
    Sxy += w[i] * x * y[i];
  }
  const double D = S * Sxx - Sx * Sx;
  const double a = (Sxx * Sy - Sx * Sxy) / D, b = (S * Sxy - Sx * Sy) / D;
  double chi2 = 0;
  for (int i = 0; i < m; ++i) chi2 += w[i] * std::pow(y[i] - a - b * design[2 * i + 1], 2);
  const double s2 = chi2 / (m - 2);
  EXPECT_NEAR(r.parameters[0], a, 1e-12);
  EXPECT_NEAR(r.parameters[1], b, 1e-12);
  EXPECT_NEAR(r.chi2, chi2, 1e-10 * chi2);
  EXPECT_EQ(r.dof, m - 2);
  EXPECT_NEAR(r.covariance[0], s2 * Sxx / D, 1e-12 * s2 * Sxx / D);
  EXPECT_NEAR(r.covariance[3], s2 * S / D, 1e-12 * s2 * S / D);
  EXPECT_NEAR(r.covariance[1], -s2 * Sx / D, 1e-12 * s2 * Sx / D);
  EXPECT_EQ(r.covariance[1], r.covariance[2]);
  EXPECT_NEAR(r.Sigma(1), std::sqrt(s2 * S / D), 1e-12);
}

TEST(WeightedLinearFit, DependentColumnsAreReported) {
  // The third column is the sum of the first two.
  std::vector<double> design, y;
  for (int i = 0; i < 10; ++i) {
    design.insert(design.end(), {1.0, double(i), 1.0 + i});
    y.push_back(2 + 0.5 * i);
  }
  const LinearFitResult r = WeightedLinearFit(design, 3, y, {});
  EXPECT_FALSE(r.fullRank);
  EXPECT_TRUE(std::isnan(r.covariance[0]));
  // The data are still reproduced.
  for (int i = 0; i < 10; ++i) {
    const double fit = r.parameters[0] + r.parameters[1] * i + r.parameters[2] * (1 + i);
    EXPECT_NEAR(fit, y[i], 1e-10);
  }
}

TEST(DenseFit, RefusesTooFewPointsAndBadWeights) {
  const std::vector<double> y{1, 2}, design{1, 0, 1, 1};
  EXPECT_THROW(WeightedLinearFit(design, 2, y, {}), std::invalid_argument);
  const std::vector<double> y3{1, 2, 3}, design3{1, 1, 1}, badW{1, 0, 1};
  EXPECT_THROW(WeightedLinearFit(design3, 1, y3, badW), std::invalid_argument);
  ModelRows constant = [](std::span<const double> p, std::size_t, std::size_t count, double* m,
                          double* J) {
    for (std::size_t i = 0; i < count; ++i) {
      m[i] = p[0];
      if (J) J[i] = 1;
    }
  };
  const std::vector<double> p0{0};
  EXPECT_THROW(LevenbergMarquardt(std::vector<double>{1}, {}, p0, constant), std::invalid_argument);
  EXPECT_THROW(LevenbergMarquardt(y3, std::vector<double>{1, 1}, p0, constant),
               std::invalid_argument);
}

// Rosenbrock's valley as least squares: r1 = 10 (p2 - p1^2), r2 = 1 - p1,
// and a third row that no parameter moves; the minimum is (1, 1) with
// chi2 = 0, reached from the classical start (-1.2, 1).
TEST(LevenbergMarquardt, FindsTheBottomOfRosenbrocksValley) {
  ModelRows rosenbrock = [](std::span<const double> p, std::size_t first, std::size_t count,
                            double* m, double* J) {
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t row = first + i;
      // y = 0, so the model is minus the residual.
      m[i] = row == 0 ? -10 * (p[1] - p[0] * p[0]) : row == 1 ? -(1 - p[0]) : 0;
      if (J) {
        J[2 * i] = row == 0 ? 20 * p[0] : row == 1 ? 1 : 0;
        J[2 * i + 1] = row == 0 ? -10 : 0;
      }
    }
  };
  const std::vector<double> y{0, 0, 0}, start{-1.2, 1};
  for (std::size_t block : {1u, 2u, 512u}) {
    LmOptions options;
    options.blockRows = block;
    const LmResult r = LevenbergMarquardt(y, {}, start, rosenbrock, options);
    EXPECT_TRUE(r.converged) << block;
    EXPECT_NEAR(r.parameters[0], 1, 1e-8) << block;
    EXPECT_NEAR(r.parameters[1], 1, 1e-8) << block;
    EXPECT_LT(r.chi2, 1e-16);
  }
}

// y = c + A sin(2 pi (f t + phi)) on n random times.
struct SineData {
  std::vector<double> t, y;
};
SineData MakeSine(int n, double sigma, std::mt19937& gen) {
  std::uniform_real_distribution<double> u(-5, 5);
  std::normal_distribution<double> noise(0, sigma);
  SineData d;
  for (int i = 0; i < n; ++i) {
    d.t.push_back(u(gen));
    d.y.push_back(1.5 + 0.8 * std::sin(2 * kPi * (1.3 * d.t.back() + 0.2)) + noise(gen));
  }
  return d;
}

ModelRows SineModel(const std::vector<double>& t) {
  return
      [&t](std::span<const double> p, std::size_t first, std::size_t count, double* m, double* J) {
        for (std::size_t i = 0; i < count; ++i) {
          const double tau = t[first + i], arg = 2 * kPi * (p[1] * tau + p[3]);
          m[i] = p[0] + p[2] * std::sin(arg);
          if (J) {
            const double c = 2 * kPi * p[2] * std::cos(arg);
            J[4 * i] = 1;
            J[4 * i + 1] = c * tau;
            J[4 * i + 2] = std::sin(arg);
            J[4 * i + 3] = c;
          }
        }
      };
}

// At the minimum the gradient J^T W r vanishes, and the covariance equals
// that of the linear fit of y - m + J p on the design J (the same normal
// matrix, reached through a QR instead of a Cholesky factor).
TEST(LevenbergMarquardt, SineFitIsAStationaryPointWithTheLinearisedCovariance) {
  std::mt19937 gen(11);
  const SineData d = MakeSine(300, 0.1, gen);
  const std::vector<double> start{1.4, 1.301, 0.7, 0.25};
  const ModelRows model = SineModel(d.t);
  LmOptions options;
  options.tolerance = 1e-8;
  const LmResult r = LevenbergMarquardt(d.y, {}, start, model, options);
  ASSERT_TRUE(r.converged);
  ASSERT_FALSE(r.singular);
  std::vector<double> m(d.t.size()), J(4 * d.t.size());
  model(r.parameters, 0, d.t.size(), m.data(), J.data());
  std::vector<double> lifted(d.t.size());
  double gradient[4] = {};
  for (std::size_t i = 0; i < d.t.size(); ++i) {
    lifted[i] = d.y[i] - m[i];
    for (int k = 0; k < 4; ++k) {
      lifted[i] += J[4 * i + k] * r.parameters[k];
      gradient[k] += J[4 * i + k] * (d.y[i] - m[i]);
    }
  }
  const LinearFitResult lin = WeightedLinearFit(J, 4, lifted, {});
  for (int k = 0; k < 4; ++k) {
    // The gradient in units of its own scale: far below one error.
    EXPECT_LT(std::abs(gradient[k]) * r.Sigma(k), 1e-6 * r.chi2) << k;
    EXPECT_NEAR(lin.parameters[k], r.parameters[k], 1e-6 * r.Sigma(k)) << k;
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(lin.covariance[4 * k + j], r.covariance[4 * k + j],
                  1e-6 * r.Sigma(k) * r.Sigma(j));
  }
  EXPECT_NEAR(lin.chi2, r.chi2, 1e-9 * r.chi2);
}

// Multiplying every weight by the same factor changes neither the
// parameters nor the covariance, which follows the scatter found.
TEST(LevenbergMarquardt, CommonWeightFactorChangesNothing) {
  std::mt19937 gen(5);
  const SineData d = MakeSine(120, 0.2, gen);
  const std::vector<double> start{1.5, 1.3, 0.8, 0.2};
  const std::vector<double> ones(d.t.size(), 1.0), many(d.t.size(), 400.0);
  const LmResult a = LevenbergMarquardt(d.y, ones, start, SineModel(d.t));
  const LmResult b = LevenbergMarquardt(d.y, many, start, SineModel(d.t));
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(a.parameters[k], b.parameters[k], 1e-6 * a.Sigma(k));
    EXPECT_NEAR(a.Sigma(k), b.Sigma(k), 1e-6 * a.Sigma(k));
  }
  EXPECT_NEAR(b.chi2, 400 * a.chi2, 1e-8 * b.chi2);
}

// The errors returned describe the scatter of the fitted parameters over
// many noise draws: 400 draws give the spread of each parameter to about
// 3.5 %; the mean error returned must agree within 12 %.
TEST(LevenbergMarquardt, ErrorsMatchTheScatterOverNoiseDraws) {
  std::mt19937 gen(2024);
  const int draws = 400;
  double sum[4] = {}, sum2[4] = {}, sigma[4] = {};
  for (int k = 0; k < draws; ++k) {
    const SineData d = MakeSine(80, 0.3, gen);
    const std::vector<double> start{1.5, 1.3, 0.8, 0.2};
    const LmResult r = LevenbergMarquardt(d.y, {}, start, SineModel(d.t));
    ASSERT_TRUE(r.converged);
    for (int j = 0; j < 4; ++j) {
      sum[j] += r.parameters[j];
      sum2[j] += r.parameters[j] * r.parameters[j];
      sigma[j] += r.Sigma(j) / draws;
    }
  }
  for (int j = 0; j < 4; ++j) {
    const double mean = sum[j] / draws;
    const double spread = std::sqrt((sum2[j] - draws * mean * mean) / (draws - 1));
    EXPECT_NEAR(sigma[j] / spread, 1, 0.12) << j;
  }
}

// A linear model is solved in the first step and agrees with the QR fit.
TEST(LevenbergMarquardt, LinearModelAgreesWithTheLinearFit) {
  std::mt19937 gen(3);
  std::normal_distribution<double> noise(0, 0.5);
  std::vector<double> x, y, w, design;
  for (int i = 0; i < 50; ++i) {
    x.push_back(0.1 * i);
    y.push_back(1 + 2 * x.back() - 0.3 * x.back() * x.back() + noise(gen));
    w.push_back(1 + (i % 3));
    design.insert(design.end(), {1.0, x.back(), x.back() * x.back()});
  }
  ModelRows quadratic = [&x](std::span<const double> p, std::size_t first, std::size_t count,
                             double* m, double* J) {
    for (std::size_t i = 0; i < count; ++i) {
      const double v = x[first + i];
      m[i] = p[0] + p[1] * v + p[2] * v * v;
      if (J) {
        J[3 * i] = 1;
        J[3 * i + 1] = v;
        J[3 * i + 2] = v * v;
      }
    }
  };
  const std::vector<double> start{0, 0, 0};
  // Converged means within `tolerance` errors of the minimum.
  for (double tolerance : {1e-3, 1e-8}) {
    LmOptions options;
    options.tolerance = tolerance;
    const LmResult r = LevenbergMarquardt(y, w, start, quadratic, options);
    const LinearFitResult lin = WeightedLinearFit(design, 3, y, w);
    ASSERT_TRUE(r.converged);
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(r.parameters[k], lin.parameters[k], tolerance * lin.Sigma(k));
  }
  const LmResult r = LevenbergMarquardt(y, w, start, quadratic);
  const LinearFitResult lin = WeightedLinearFit(design, 3, y, w);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(r.Sigma(k), lin.Sigma(k), 1e-6 * lin.Sigma(k));
  }
}

// A parameter that the model ignores leaves the normal matrix singular:
// reported, with NaN errors, and the others still fitted.
TEST(LevenbergMarquardt, IgnoredParameterIsReportedSingular) {
  std::vector<double> y{1, 2, 3, 4};
  ModelRows model = [](std::span<const double> p, std::size_t first, std::size_t count, double* m,
                       double* J) {
    for (std::size_t i = 0; i < count; ++i) {
      m[i] = p[0] * static_cast<double>(first + i + 1);
      if (J) {
        J[2 * i] = static_cast<double>(first + i + 1);
        J[2 * i + 1] = 0;
      }
    }
  };
  const std::vector<double> start{0.5, 3};
  const LmResult r = LevenbergMarquardt(y, {}, start, model);
  EXPECT_TRUE(r.singular);
  EXPECT_TRUE(std::isnan(r.Sigma(0)));
  EXPECT_NEAR(r.parameters[0], 1, 1e-9);
  EXPECT_EQ(r.parameters[1], 3);
}

}  // namespace
}  // namespace teril
