#include "data/sort.h"

namespace teril {

void ShellSortByTime(DataSet& d) {
  const int n = d.n;
  if (n < 2) return;
  int h = 1;
  while (h < n / 9) h = 3 * h + 1;
  // Slot 0 is free (arrays are 1-based) and holds the point being inserted.
  for (; h > 0; h /= 3) {
    for (int i = h + 1; i <= n; ++i) {
      d.CopyPoint(i, 0);
      int k = i;
      while (k > h && d.t[k - h] > d.t[0]) {
        d.CopyPoint(k - h, k);
        k -= h;
      }
      d.CopyPoint(0, k);
    }
  }
  d.t[0] = d.x[0] = d.t0[0] = 0;
  d.s[0] = 1;
  d.observer[0] = ObserverCode();
}

}  // namespace teril
