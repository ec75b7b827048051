// State of the bootstrap samples: the pseudo-random generator.
#pragma once

#include <cstdint>

namespace teril {

struct BootstrapState {
  // State s of the generator s <- (134775813 s + 1) mod 2^32. It is 0 when
  // the program starts and is never seeded again, so two program starts
  // draw the same samples and each run of the command continues the
  // sequence.
  std::uint32_t seed = 0;
};

}  // namespace teril
