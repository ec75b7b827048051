#include "extrema/models.h"

#include <cmath>

#include "extrema/model_kernels.h"

namespace teril {

namespace {

const MethodInfo kMethods[kMethodCount + 1] = {
    {"", "", "", "", 0},
    {"Polynomial approximation", "Pol", "polynomial", "Polynomial", 0},
    {"Symmetrical polynomial approximation", "Sympol", "sym_polynomial", "Symmetrical polynomial",
     0},
    {"NAV approximation", "NAV", "NAV", "NAV", 3},
    {"Mik approximation", "Mik", "Mikulashek", "Mikulashek", 4},
    {"WSP approximation", "WSP", "wsp", "WSP", 1},
    {"WSL approximation", "WSL", "wsl", "WSL", 2},
    {"WSAP approximation", "WSAP", "wsap", "WSAP", 5},
    {"Parabolic spline approximation", "Pspline", "spline", "Parabolic spline", 6},
    {"AP approximation", "AP", "ap", "AP", 7},
    {"BSK approximation", "BSK", "bsk", "bsk", 8},
    {"Sech approximation", "Sech", "sech", "sech", 9},
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
  if (modelCode == 6) return 5;
  if (modelCode == 8 || modelCode == 9) return 2;
  return 3;
}

int ModelParamCount(int modelCode) { return modelCode == 6 ? 7 : 5; }

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

void EvalBasis(LsqState& s, double u) {
  using namespace kernels;
  double* f = s.BasisVector;
  const double* C = s.Coef;
  const double c5 = s.c5, c6 = s.c6;
  const bool deriv = s.DerivativeMode;
  s.m = ModelLinearCount(s.ModelCode);
  s.n = ModelParamCount(s.ModelCode);
  const int n = s.n;

  switch (s.ModelCode) {
    case 1: {  // WSP
      BasisWsp(u, c5, c6, f);
      if (deriv) {
        const double d = u - (c5 + c6) / 2.0;
        f[n - 1] = -C[2] * d + (u < c5 ? 1.5 * C[3] * std::sqrt(c5 - u) : 0.0);
        f[n] = -C[2] * d - (u > c6 ? 1.5 * C[3] * std::sqrt(u - c6) : 0.0);
      }
      break;
    }
    case 2: {  // WSL
      BasisWsl(u, c5, c6, f);
      if (deriv) {
        f[n - 1] = 0.0;
        f[n] = 0.0;
        if (u < c5) {
          const double z = c5 - u;
          f[n - 1] = 1.5 * C[2] * std::sqrt(z) + 3.5 * C[3] * Pow25(z);
        } else if (u > c6) {
          const double z = u - c6;
          f[n] = -1.5 * C[2] * std::sqrt(z) - 3.5 * C[3] * Pow25(z);
        }
      }
      break;
    }
    case 3:
    case 4: {  // NAV, Mik
      const double F = std::fabs(u - c5);
      const double lnF = LogOrZero(F);
      if (s.ModelCode == 3)
        BasisNav(F, lnF, c6, f);
      else
        BasisMik(F, lnF, c6, f);
      if (deriv) {
        // The derivatives take c5 and c6 from the coefficient vector.
        const double p5 = C[n - 1], p6 = C[n];
        const double Fd = std::fabs(u - p5);
        if (Fd > 0) {
          const double lnFd = std::log(Fd);
          const double sign = (u > p5) ? 1.0 : -1.0;
          const double f2 = PowerFromLog(Fd, lnFd, p6);
          if (s.ModelCode == 3) {
            const double f3 = f2 * f2;
            const double sum = C[2] * f2 + 2.0 * C[3] * f3;
            f[n - 1] = -sign * p6 * sum / Fd;
            f[n] = lnFd * sum;
          } else {
            const double f3 = Fd * Fd * f2;
            f[n - 1] = -sign * f2 * (C[2] * p6 / Fd + C[3] * (p6 + 2.0) * Fd);
            f[n] = lnFd * (C[2] * f2 + C[3] * f3);
          }
        } else {
          f[n - 1] = 0.0;
          f[n] = 0.0;
        }
      }
      break;
    }
    case 5: {  // WSAP
      BasisWsap(u, c5, c6, f);
      if (deriv) {
        const double d = u - (c5 + c6) / 2.0;
        const double h = (c6 - c5) / 2.0;
        double g5, g6;
        AsymptoticDerivatives(d, h, C[2], g5, g6);
        if (u < c5) g5 += 1.5 * C[3] * std::sqrt(c5 - u);
        if (u > c6) g6 -= 1.5 * C[3] * std::sqrt(u - c6);
        f[n - 1] = g5;
        f[n] = g6;
      }
      break;
    }
    case 6: {  // parabolic spline
      s.centralPoints -= BasisSpline(u, c5, c6, f);
      if (deriv) {
        f[n - 1] = u < c5 ? -2.0 * (u - c5) * C[4] : 0.0;
        f[n] = u > c6 ? -2.0 * (u - c6) * C[5] : 0.0;
      }
      break;
    }
    case 7: {  // AP
      BasisAp(u, c5, c6, f);
      if (deriv) {
        const double d = u - (c5 + c6) / 2.0;
        const double h = std::fabs(c6 - c5) / 2.0;
        double g5, g6;
        AsymptoticDerivatives(d, h, C[2], g5, g6);
        // A join at the end of the interval is held fixed.
        f[n - 1] = (c5 == -1.0) ? 0.0 : g5 - 0.5 * C[3];
        f[n] = (c6 == 1.0) ? 0.0 : g6 - 0.5 * C[3];
      }
      break;
    }
    case 8: {  // BSK
      const double z = c5 * (u - s.x0);
      const double y = 1.0 + z;
      f[1] = 1.0;
      if (y <= 0) {
        f[2] = 0.0;
        if (deriv) f[3] = f[4] = f[5] = 0.0;
        break;
      }
      const bool small = std::fabs(z) <= 1e-8;
      double L = 0.0, E;
      if (small) {
        f[2] = BskF2(z, y, 0.0, c6);
        E = 1.0 - f[2];
      } else {
        L = std::log(y);
        E = std::exp(-c6 * (L * L));
        f[2] = 1.0 - E;
      }
      if (deriv) {
        const double P = small ? z * (1.0 + z * (E / 3.0 - 0.5)) : L;
        const double Q = 2.0 * C[2] * E * c6 * P / y;
        f[3] = -c5 * Q;
        f[4] = (u - s.x0) * Q;
        f[5] = (small && c6 <= 1e-4) ? 0.0 : C[2] * E * P * P;
      }
      break;
    }
    case 9: {  // Sech
      const double d0 = u - s.x0;
      const double A = SechA(c5, d0);
      const double B = SechB(c6, d0);
      f[1] = 1.0;
      f[2] = SechF2(A, B);
      if (deriv) {
        const double D = A + B + 2.0;
        const double G = 2.0 * C[2] / (D * D);
        f[3] = G * (c6 * (B + 1.0) - c5 * (A + 1.0));
        f[4] = G * d0 * (A + 1.0);
        f[5] = -G * d0 * (B + 1.0);
      }
      break;
    }
    default:
      PolyBasis(s.m, u, f);
      break;
  }
}

}  // namespace teril
