#include "lsq/fit.h"

#include "extrema/model_kernels.h"
#include "extrema/models.h"
#include "lsq/fit_kernel.h"

namespace teril {

void NormaliseInterval(LsqState& s, const DataSet& data, int L, int R) {
  s.L = L;
  s.R = R;
  s.tL = data.t[L];
  s.tR = data.t[R];
  s.N = R - L + 1;
  const double width = s.tR - s.tL;
  for (int k = 1; k <= s.N; ++k) {
    s.u[k] = 2.0 * (data.t[L + k - 1] - s.tL) / width - 1.0;
    s.y[k] = data.x[L + k - 1];
  }
}

int NormaliseInterval(LsqState& s, const DataSet& data, int first, int last, double tMin,
                      double tMax) {
  int L = 0, R = 0;
  for (int i = first; i <= last; ++i)
    if (tMin <= data.t[i] && data.t[i] <= tMax) {
      if (L == 0) L = i;
      R = i;
    }
  s.L = L;
  s.R = R;
  s.N = 0;
  if (L == 0) return 0;
  s.tL = data.t[L];
  s.tR = data.t[R];
  const double width = s.tR - s.tL;
  int k = 0;
  for (int i = L; i <= R; ++i) {
    if (!(tMin <= data.t[i] && data.t[i] <= tMax)) continue;
    ++k;
    s.u[k] = 2.0 * (data.t[i] - s.tL) / width - 1.0;
    s.y[k] = data.x[i];
  }
  s.N = k;
  return k;
}

double UnitVariance(double residualSum, int N, int n) {
  if (N <= n) return 1e32;
  return residualSum / (N - n);
}

double QuadraticForm(const LsqSystem& s, const int* idx, const double* g, int count) {
  double q = 0.0;
  for (int a = 0; a < count; ++a)
    for (int b = 0; b < count; ++b) q += s.NormalMatrix[idx[a]][idx[b]] * g[a] * g[b];
  return q;
}

namespace {

FitRules RulesFor(const LsqState& s) {
  FitRules rules;
  rules.wsl = s.ModelCode == 2;
  rules.spline = s.ModelCode == 6;
  if (s.MethodNumber == 3 || s.MethodNumber == 4) rules.signIndex = 2;
  if (s.MethodNumber == 8) rules.signIndex = 3;
  rules.curvatureNegative = s.CurvatureSign < 0;
  return rules;
}

template <int M>
void FitModel(LsqState& s, const FitRules& rules) {
  // The model routine itself, without derivative columns; it also keeps
  // centralPoints for the spline.
  const bool saved = s.DerivativeMode;
  s.DerivativeMode = false;
  auto eval = [&s](int k, double* f, int& central) {
    s.centralPoints = central;
    EvalBasis(s, s.u[k]);
    central = s.centralPoints;
    for (int i = 1; i <= M; ++i) f[i] = s.BasisVector[i];
  };
  int central = 0, wall = 0;
  s.ResidualSum = FitEval<M>(s.N, s.y.data(), rules, eval, s, s.Coef, s.r.data(), central, wall);
  s.centralPoints = central;
  s.wallPoints = wall;
  s.DerivativeMode = saved;
}

void FitBlazhko(LsqState& s) {
  const int m = s.m;
  for (int i = 1; i <= m; ++i) {
    s.B[i] = 0.0;
    for (int j = 1; j <= m; ++j) s.NormalMatrix[i][j] = 0.0;
  }
  double* f = s.BasisVector;
  for (int k = 1; k <= s.N; ++k) {
    s.blazhkoBasis(s.u[k], f);
    for (int i = 1; i <= m; ++i) {
      s.B[i] += f[i] * s.y[k];
      for (int j = 1; j <= m; ++j) s.NormalMatrix[i][j] += f[i] * f[j];
    }
  }
  s.MatrixOrder = m;
  InvertMatrix(s);
  for (int i = 1; i <= m; ++i) {
    double c = 0.0;
    for (int j = 1; j <= m; ++j) c += s.NormalMatrix[i][j] * s.B[j];
    s.Coef[i] = c;
  }
  double sum = 0.0;
  for (int k = 1; k <= s.N; ++k) {
    s.blazhkoBasis(s.u[k], f);
    double v = 0.0;
    for (int i = 1; i <= m; ++i) v += s.Coef[i] * f[i];
    s.r[k] = s.y[k] - v;
    sum += s.r[k] * s.r[k];
  }
  s.ResidualSum = sum;
}

}  // namespace

void FitWithBasis(LsqState& s) {
  if (s.blazhkoMode && s.blazhkoBasis) {
    FitBlazhko(s);
  } else {
    // m and n of the model, as EvalBasis sets them.
    s.m = ModelLinearCount(s.ModelCode);
    s.n = ModelParamCount(s.ModelCode);
    const FitRules rules = RulesFor(s);
    switch (s.m) {
      case 2:
        FitModel<2>(s, rules);
        break;
      case 5:
        FitModel<5>(s, rules);
        break;
      default:
        FitModel<3>(s, rules);
        break;
    }
    if (s.ResidualSum == kRejectedSum) return;
  }
  for (int i = s.n + 1; i <= kMaxUnknowns; ++i) s.Coef[i] = 0.0;
}

}  // namespace teril
