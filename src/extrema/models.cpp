#include "extrema/models.h"

#include <cmath>

#include "extrema/model_kernels.h"

namespace teril {

namespace {

constexpr ExtraLines kNoLines = ExtraLines::kNone;

const MethodInfo kMethods[kMethodCount + 1] = {
    {"", "", "", "", 0, kNoLines},
    {"Polynomial approximation", "Pol", "polynomial", "Polynomial", 0, kNoLines},
    {"Symmetrical polynomial approximation", "Sympol", "sym_polynomial", "Symmetrical polynomial",
     0, kNoLines},
    {"NAV approximation", "NAV", "NAV", "NAV", 3, ExtraLines::kParametersInU},
    {"Mik approximation", "Mik", "Mikulashek", "Mikulashek", 4, ExtraLines::kParametersInU},
    {"WSP approximation", "WSP", "wsp", "WSP", 1, ExtraLines::kDurationAndJoins},
    {"WSL approximation", "WSL", "wsl", "WSL", 2, ExtraLines::kDurationAndJoins},
    {"WSAP approximation", "WSAP", "wsap", "WSAP", 5, ExtraLines::kJoins},
    {"Parabolic spline approximation", "Pspline", "spline", "Parabolic spline", 6, kNoLines},
    {"AP approximation", "AP", "ap", "AP", 7, ExtraLines::kParametersInU},
    {"BSK approximation", "BSK", "bsk", "bsk", 8, kNoLines},
    {"Sech approximation", "Sech", "sech", "sech", 9, kNoLines},
};

// Derivatives of C2 AP_h(d) with respect to c5 and c6 (the asymptotic part
// of WSAP and AP). A negative h counts as 0.
void AsymptoticDerivatives(double d, double h, double C2, double& g5, double& g6) {
  if (std::fabs(d) <= h) {
    g5 = g6 = -C2 * d;
  } else if (h > 0) {
    if (d >= 0) {
      g5 = -C2 * d;
      g6 = C2 * (d - 2.0 * h);
    } else {
      g5 = C2 * (d + 2.0 * h);
      g6 = -C2 * d;
    }
  } else {
    g5 = g6 = (d >= 0) ? -0.5 * C2 : 0.5 * C2;
  }
}

}  // namespace

const MethodInfo& MethodTable(int method) {
  if (method < 1 || method > kMethodCount) return kMethods[0];
  return kMethods[method];
}

int ModelLinearCount(int modelCode) {
  const ModelEntry* model = ModelOf(modelCode);
  return model ? model->linear : 3;
}

int ModelParamCount(int modelCode) {
  const ModelEntry* model = ModelOf(modelCode);
  return model ? model->params : 5;
}

void PolyBasis(int m, double u, double* f) {
  f[1] = 1.0;
  double p = 1.0;
  for (int k = 2; k <= m; ++k) {
    p *= u;
    f[k] = p;
  }
}

void SymPolyBasis(int m, double u0, double u, const double* C, bool derivative, double* f) {
  const double d = u - u0;
  const double d2 = d * d;
  f[1] = 1.0;
  double p = 1.0;
  for (int k = 2; k <= m; ++k) {
    p *= d2;
    f[k] = p;
  }
  if (derivative) {
    double sum = 0.0, q = 1.0;
    for (int k = 2; k <= m; ++k) {
      sum += (k - 1) * C[k] * q;
      q *= d2;
    }
    f[m + 1] = -2.0 * d * sum;
  }
}

namespace {

using namespace kernels;

// ---- The basis and the derivative columns of each model ----

// The basis of a model that depends on c5 and c6 alone.
template <void (*kBasis)(double, double, double, double*)>
int JoinsBasis(double u, const LsqState& s, double* f) {
  kBasis(u, s.c5, s.c6, f);
  return 0;
}

void WspDerivatives(double u, const LsqState& s, double* f) {
  const double *C = s.Coef, c5 = s.c5, c6 = s.c6;
  const double d = u - (c5 + c6) / 2.0;
  f[4] = -C[2] * d + (u < c5 ? 1.5 * C[3] * std::sqrt(c5 - u) : 0.0);
  f[5] = -C[2] * d - (u > c6 ? 1.5 * C[3] * std::sqrt(u - c6) : 0.0);
}

void WslDerivatives(double u, const LsqState& s, double* f) {
  const double* C = s.Coef;
  f[4] = 0.0;
  f[5] = 0.0;
  if (u < s.c5) {
    const double z = s.c5 - u;
    f[4] = 1.5 * C[2] * std::sqrt(z) + 3.5 * C[3] * Pow25(z);
  } else if (u > s.c6) {
    const double z = u - s.c6;
    f[5] = -1.5 * C[2] * std::sqrt(z) - 3.5 * C[3] * Pow25(z);
  }
}

int NavBasis(double u, const LsqState& s, double* f) {
  const double F = std::fabs(u - s.c5);
  BasisNav(F, LogOrZero(F), s.c6, f);
  return 0;
}
int MikBasis(double u, const LsqState& s, double* f) {
  const double F = std::fabs(u - s.c5);
  BasisMik(F, LogOrZero(F), s.c6, f);
  return 0;
}
// NAV and Mik take c5 and c6 for their derivatives from the coefficient
// vector (positions 4 and 5), where the corrections move them.
template <bool kMik>
void PowerDerivatives(double u, const LsqState& s, double* f) {
  const double* C = s.Coef;
  const double p5 = C[4], p6 = C[5];
  const double Fd = std::fabs(u - p5);
  if (!(Fd > 0)) {
    f[4] = 0.0;
    f[5] = 0.0;
    return;
  }
  const double lnFd = std::log(Fd);
  const double sign = (u > p5) ? 1.0 : -1.0;
  const double f2 = PowerFromLog(Fd, lnFd, p6);
  if (!kMik) {
    const double f3 = f2 * f2;
    const double sum = C[2] * f2 + 2.0 * C[3] * f3;
    f[4] = -sign * p6 * sum / Fd;
    f[5] = lnFd * sum;
  } else {
    const double f3 = Fd * Fd * f2;
    f[4] = -sign * f2 * (C[2] * p6 / Fd + C[3] * (p6 + 2.0) * Fd);
    f[5] = lnFd * (C[2] * f2 + C[3] * f3);
  }
}

void WsapDerivatives(double u, const LsqState& s, double* f) {
  const double *C = s.Coef, c5 = s.c5, c6 = s.c6;
  const double d = u - (c5 + c6) / 2.0;
  const double h = (c6 - c5) / 2.0;
  double g5, g6;
  AsymptoticDerivatives(d, h, C[2], g5, g6);
  if (u < c5) g5 += 1.5 * C[3] * std::sqrt(c5 - u);
  if (u > c6) g6 -= 1.5 * C[3] * std::sqrt(u - c6);
  f[4] = g5;
  f[5] = g6;
}

int SplineBasis(double u, const LsqState& s, double* f) { return BasisSpline(u, s.c5, s.c6, f); }
void SplineDerivatives(double u, const LsqState& s, double* f) {
  f[6] = u < s.c5 ? -2.0 * (u - s.c5) * s.Coef[4] : 0.0;
  f[7] = u > s.c6 ? -2.0 * (u - s.c6) * s.Coef[5] : 0.0;
}

void ApDerivatives(double u, const LsqState& s, double* f) {
  const double *C = s.Coef, c5 = s.c5, c6 = s.c6;
  const double d = u - (c5 + c6) / 2.0;
  const double h = std::fabs(c6 - c5) / 2.0;
  double g5, g6;
  AsymptoticDerivatives(d, h, C[2], g5, g6);
  // A join at the end of the interval is held fixed.
  f[4] = (c5 == -1.0) ? 0.0 : g5 - 0.5 * C[3];
  f[5] = (c6 == 1.0) ? 0.0 : g6 - 0.5 * C[3];
}

int BskBasis(double u, const LsqState& s, double* f) {
  const double z = s.c5 * (u - s.x0);
  const double y = 1.0 + z;
  f[1] = 1.0;
  if (y <= 0) {
    f[2] = 0.0;
  } else if (std::fabs(z) <= 1e-8) {
    f[2] = BskF2(z, y, 0.0, s.c6);
  } else {
    const double L = std::log(y);
    f[2] = 1.0 - std::exp(-s.c6 * (L * L));
  }
  return 0;
}
void BskDerivatives(double u, const LsqState& s, double* f) {
  const double c5 = s.c5, c6 = s.c6;
  const double z = c5 * (u - s.x0);
  const double y = 1.0 + z;
  if (y <= 0) {
    f[3] = f[4] = f[5] = 0.0;
    return;
  }
  // Near z = 0 the series of BskF2 keeps E and ln y accurate.
  const bool small = std::fabs(z) <= 1e-8;
  double L = 0.0, E;
  if (small) {
    E = 1.0 - BskF2(z, y, 0.0, c6);
  } else {
    L = std::log(y);
    E = std::exp(-c6 * (L * L));
  }
  const double P = small ? z * (1.0 + z * (E / 3.0 - 0.5)) : L;
  const double Q = 2.0 * s.Coef[2] * E * c6 * P / y;
  f[3] = -c5 * Q;
  f[4] = (u - s.x0) * Q;
  f[5] = (small && c6 <= 1e-4) ? 0.0 : s.Coef[2] * E * P * P;
}

int SechBasis(double u, const LsqState& s, double* f) {
  const double d0 = u - s.x0;
  f[1] = 1.0;
  f[2] = SechF2(SechA(s.c5, d0), SechB(s.c6, d0));
  return 0;
}
void SechDerivatives(double u, const LsqState& s, double* f) {
  const double d0 = u - s.x0;
  const double A = SechA(s.c5, d0);
  const double B = SechB(s.c6, d0);
  const double D = A + B + 2.0;
  const double G = 2.0 * s.Coef[2] / (D * D);
  f[3] = G * (s.c6 * (B + 1.0) - s.c5 * (A + 1.0));
  f[4] = G * d0 * (A + 1.0);
  f[5] = -G * d0 * (B + 1.0);
}

// By model code 1..9.
const ModelEntry kModels[] = {
    {3, 5, JoinsBasis<BasisWsp>, WspDerivatives},
    {3, 5, JoinsBasis<BasisWsl>, WslDerivatives},
    {3, 5, NavBasis, PowerDerivatives<false>},
    {3, 5, MikBasis, PowerDerivatives<true>},
    {3, 5, JoinsBasis<BasisWsap>, WsapDerivatives},
    {5, 7, SplineBasis, SplineDerivatives},
    {3, 5, JoinsBasis<BasisAp>, ApDerivatives},
    {2, 5, BskBasis, BskDerivatives},
    {2, 5, SechBasis, SechDerivatives},
};

}  // namespace

const ModelEntry* ModelOf(int modelCode) {
  if (modelCode < 1 || modelCode > 9) return nullptr;
  return &kModels[modelCode - 1];
}

void EvalBasis(LsqState& s, double u) {
  s.m = ModelLinearCount(s.ModelCode);
  s.n = ModelParamCount(s.ModelCode);
  const ModelEntry* model = ModelOf(s.ModelCode);
  if (!model) {
    PolyBasis(s.m, u, s.BasisVector);
    return;
  }
  // For the spline every point outside [c5, c6] leaves the central part.
  s.centralPoints -= model->basis(u, s, s.BasisVector);
  if (s.DerivativeMode) model->derivatives(u, s, s.BasisVector);
}

}  // namespace teril
