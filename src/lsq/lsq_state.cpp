#include "lsq/lsq_state.h"

#include "data/data_set.h"

namespace teril {

LsqState::LsqState()
    : u(MaxPoints + kSpareSlots, 0.0), y(MaxPoints + kSpareSlots, 0.0), r(MaxPoints + kSpareSlots, 0.0) {}

}  // namespace teril
