// Work shared by RunOnThreads: every unit once, whatever the number of
// threads, and the helpers joined when the calling thread's part throws.
#include "numeric/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace teril {
namespace {

TEST(RunOnThreads, EveryUnitOnceOnEverySlot) {
  for (int threads : {1, 2, 8}) {
    constexpr int kUnits = 10000;
    std::vector<std::atomic<int>> done(kUnits);
    std::vector<std::atomic<int>> bySlot(threads);
    std::atomic<int> next{0};
    RunOnThreads(threads, [&](int slot) {
      ASSERT_GE(slot, 0);
      ASSERT_LT(slot, threads);
      for (int u; (u = next.fetch_add(1)) < kUnits;) {
        done[u].fetch_add(1);
        bySlot[slot].fetch_add(1);
      }
    });
    int total = 0;
    for (int u = 0; u < kUnits; ++u) EXPECT_EQ(done[u].load(), 1) << threads << " " << u;
    for (int s = 0; s < threads; ++s) total += bySlot[s].load();
    EXPECT_EQ(total, kUnits);
  }
}

TEST(RunOnThreads, HelpersFinishAndAreJoinedWhenTheCallersPartThrows) {
  std::atomic<int> helpersDone{0};
  EXPECT_THROW(RunOnThreads(3,
                            [&](int slot) {
                              if (slot == 0) throw std::runtime_error("stop");
                              helpersDone.fetch_add(1);
                            }),
               std::runtime_error);
  EXPECT_EQ(helpersDone.load(), 2);
}

}  // namespace
}  // namespace teril
