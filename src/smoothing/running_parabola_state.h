// State of the running parabola kept between its commands.
#pragma once

namespace teril {

struct RunningParabolaState {
  double rpDeltaT = 50;  // half-width of the running window (unit of t)

  // Every opened file starts with the preset width.
  void StartFile() { rpDeltaT = 50; }
};

}  // namespace teril
