// State of the trigonometric polynomial kept between its runs: the degree
// offered at the next degree prompt and what the last run left. The
// coefficients stay in the least-squares state (Coef[1..m]) and the inverse
// of the normal matrix in its work matrix.
#pragma once

namespace teril {

struct FourierState {
  // Offered at the degree prompt: the degree chosen in the last run (0 at
  // program start), replaced by the degree of the best S/N_a of a scan.
  int suggestedDegree = 0;

  // ---- The last run ----
  bool fitted = false;  // a run reached the chosen degree
  int degree = 0;       // its degree s, m = 2 s + 1 coefficients
  double omega = 0;     // angular frequency of the argument t (2 pi in phase mode)
  double xMean = 0;     // mean signal of the points used; the model is xMean + sum C_i f_i
  double s0 = 0;        // unit weight error sqrt(RSS / (n - m)), 0 when n <= m
};

}  // namespace teril
