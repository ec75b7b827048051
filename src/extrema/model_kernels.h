// The basis values of the approximation models (without derivative
// columns), as inline functions shared by EvalBasis and the grid search, so
// that both compute bit-for-bit the same numbers.
//
// Notation: mid = (c5 + c6)/2, d = u - mid. Walls W(u) = (c5 - u)^(3/2) left
// of c5, (u - c6)^(3/2) right of c6, 0 between. The asymptotic parabola of
// half-width h is d^2 for |d| <= h and continues by its tangents outside:
// h(2|d| - h) when h > 0, |d| when h <= 0.
#pragma once

#include <cmath>

namespace teril::kernels {

// z^(3/2), z^(5/2), z^(7/2) for z >= 0.
inline double Pow15(double z) { return z * std::sqrt(z); }
inline double Pow25(double z) { return z * z * std::sqrt(z); }
inline double Pow35(double z) { return z * z * z * std::sqrt(z); }

inline double WallTerm(double u, double c5, double c6) {
  if (u < c5) return Pow15(c5 - u);
  if (u > c6) return Pow15(u - c6);
  return 0.0;
}

inline double AsymptoticParabola(double d, double h) {
  const double ad = std::fabs(d);
  if (ad <= h) return d * d;
  if (h > 0) return h * (2.0 * ad - h);
  return ad;
}

// F^c for F >= 0 given ln F (used only when F > 0): 1 for c = 0, 0 for a
// zero base with c != 0.
inline double PowerFromLog(double F, double lnF, double c) {
  if (F > 0) return std::exp(c * lnF);
  return c == 0 ? 1.0 : 0.0;
}
inline double LogOrZero(double F) { return F > 0 ? std::log(F) : 0.0; }

// Model 1, WSP: f2 = d^2, f3 = W(u).
inline void BasisWsp(double u, double c5, double c6, double* f) {
  const double d = u - (c5 + c6) / 2.0;
  f[1] = 1.0;
  f[2] = d * d;
  f[3] = WallTerm(u, c5, c6);
}

// Model 2, WSL: a constant between the walls z^(3/2), z^(7/2).
inline void BasisWsl(double u, double c5, double c6, double* f) {
  f[1] = 1.0;
  if (u < c5) {
    const double z = c5 - u;
    f[2] = Pow15(z);
    f[3] = Pow35(z);
  } else if (u > c6) {
    const double z = u - c6;
    f[2] = Pow15(z);
    f[3] = Pow35(z);
  } else {
    f[2] = 0.0;
    f[3] = 0.0;
  }
}

// Model 3, NAV: f2 = F^c6, f3 = F^(2 c6), F = |u - c5|.
inline void BasisNav(double F, double lnF, double c6, double* f) {
  f[1] = 1.0;
  f[2] = PowerFromLog(F, lnF, c6);
  f[3] = f[2] * f[2];
}

// Model 4, Mik: f2 = F^c6, f3 = F^2 F^c6.
inline void BasisMik(double F, double lnF, double c6, double* f) {
  f[1] = 1.0;
  f[2] = PowerFromLog(F, lnF, c6);
  f[3] = F * F * f[2];
}

// Model 5, WSAP: f2 = AP_h(d) with the signed h = (c6 - c5)/2, f3 = W(u).
inline void BasisWsap(double u, double c5, double c6, double* f) {
  const double d = u - (c5 + c6) / 2.0;
  const double h = (c6 - c5) / 2.0;
  f[1] = 1.0;
  f[2] = AsymptoticParabola(d, h);
  f[3] = WallTerm(u, c5, c6);
}

// Model 6, parabolic spline: 1, u, u^2 and the two outer parabolae.
// Returns how many of the two outer parts the point lies in (0 or 1,
// 2 only when c5 > c6).
inline int BasisSpline(double u, double c5, double c6, double* f) {
  int outside = 0;
  f[1] = 1.0;
  f[2] = u;
  f[3] = u * u;
  if (u < c5) {
    f[4] = (u - c5) * (u - c5);
    ++outside;
  } else {
    f[4] = 0.0;
  }
  if (u > c6) {
    f[5] = (u - c6) * (u - c6);
    ++outside;
  } else {
    f[5] = 0.0;
  }
  return outside;
}

// Model 7, AP: f2 = AP_h(d) with h = |c6 - c5|/2, f3 = d.
inline void BasisAp(double u, double c5, double c6, double* f) {
  const double d = u - (c5 + c6) / 2.0;
  const double h = std::fabs(c6 - c5) / 2.0;
  f[1] = 1.0;
  f[2] = AsymptoticParabola(d, h);
  f[3] = d;
}

// Model 8, BSK. z = c5 (u - x0), y = 1 + z, L2 = (ln y)^2 (needed only
// when y > 0 and |z| > 1e-8). Returns f2; E = 1 - f2 is the exponential.
inline double BskF2(double z, double y, double L2, double c6) {
  if (y <= 0) return 0.0;
  if (std::fabs(z) <= 1e-8) return c6 * z * z * (1.0 - z * (1.0 - z * (11.0 - 6.0 * c6) / 12.0));
  return 1.0 - std::exp(-c6 * L2);
}

// Model 9, Sech: A = e^(c5 d0) - 1, B = e^(-c6 d0) - 1, d0 = u - x0;
// f2 = (A + B)/(A + B + 2).
inline double SechA(double c5, double d0) { return std::expm1(c5 * d0); }
inline double SechB(double c6, double d0) { return std::expm1(-c6 * d0); }
inline double SechF2(double A, double B) { return (A + B) / (A + B + 2.0); }

}  // namespace teril::kernels
