#pragma once

#include "data/data_set.h"

namespace teril {

// Shell sort of the points by t with the gaps h := 3h + 1 (grown from 1
// while h < n div 9), moving whole points. Points with equal t may change
// their relative order.
void ShellSortByTime(DataSet& data);

}  // namespace teril
