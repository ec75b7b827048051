// The three-point parabola: the parabola through the current point and its
// two neighbours, its vertex (t_e, x_e) and their errors from the unit-weight
// error sigma_0 of one observation.
#pragma once

#include <array>

#include "engine/fwd.h"

namespace teril {

// The parabola x(t_2 + tau) = x_2 + l tau + a tau^2 through the points
// (t_k, x_k), k = 1, 2, 3 (index 0 unused), with h1 = t_2 - t_1 and
// h2 = t_3 - t_2, D = h1 h2 (h1 + h2):
//   l = (s1 h2 + s2 h1)/(h1 + h2), a = (s2 - s1)/(h1 + h2),
//   s1 = (x_2 - x_1)/h1, s2 = (x_3 - x_2)/h2;
//   tau_e = -l/(2a), t_e = t_2 + tau_e;
//   l = sum wl_k x_k, a = sum wa_k x_k with
//   wl = (-h2^2, (h2 - h1)(h2 + h1), h1^2)/D, wa = (h2, -(h1 + h2), h1)/D;
//   g_k = wl_k/(2a) + (tau_e/a) wa_k = -dt_e/dx_k;
//   sigma_l(t_e) = sigma_0 sqrt(sum wl_k^2)/(2a) (the slope's share; it has
//   the sign of a), sigma(t_e) = sigma_0 sqrt(sum g_k^2);
//   x_e = sum L_k x_k with the Lagrange weights at tau_e
//   L = (tau(tau - h2)/(h1(h1 + h2)), -(tau + h1)(tau - h2)/(h1 h2),
//        tau(tau + h1)/(h2(h1 + h2))), sigma(x_e) = sigma_0 sqrt(sum L_k^2).
struct ThreePointFit {
  enum Outcome { kVertex, kSameTimes, kStraightLine };
  Outcome outcome = kVertex;
  double h1 = 0, h2 = 0, l = 0, a = 0;
  double tauE = 0, tE = 0;
  double sigmaSlope = 0;  // sigma_l(t_e)
  double sigmaT = 0;      // sigma(t_e)
  double xE = 0, sigmaX = 0;
  std::array<double, 4> wl{}, wa{}, g{}, lagrange{};
};

// kSameTimes when two of the three times are equal (h1, h2 or h1 + h2 is
// 0); kStraightLine when the points are collinear to the precision of the
// numbers: a = 0, or the second difference h1 (x_3 - x_2) - h2 (x_2 - x_1)
// within 8 eps (max|x| (|h1| + |h2|) + max|t| (|x_2 - x_1| + |x_3 - x_2|)),
// or a vertex beyond the range of doubles.
ThreePointFit FitThreePoints(const std::array<double, 4>& t, const std::array<double, 4>& x,
                             double sigma0);

// The command of the key "~/" (Insert): the parabola through the current
// point and its neighbours (the first and last visible points are moved one
// point inwards), a line of "<stem>_3p_par.dat" (t_e, x_e, phase; with the
// errors when "Sigma in list" is checked), the log lines, the period
// candidate 1/t_e for key #16, P_lam and R_lam in the left margin, the
// vertex marked on the plot and the message box. Needs three visible
// points.
void ThreePointParabola(Engine& engine);

// The key "~/": logs "3-point parabola" and runs ThreePointParabola; the
// plot is redrawn around the current point afterwards.
Continuation ThreePointParabolaKey(Engine& engine);

}  // namespace teril
