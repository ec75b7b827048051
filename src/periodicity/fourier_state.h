// State of the trigonometric polynomial kept between its runs. The last
// fit's coefficients stay in the least-squares state (Coef[1..m]) and the
// inverse of its normal matrix in the least-squares work matrix.
#pragma once

namespace teril {

struct FourierState {
  // Offered at the degree prompt: the degree chosen in the last run (0 at
  // program start), replaced by the degree of the best S/N_a of a scan.
  int suggestedDegree = 0;
};

}  // namespace teril
