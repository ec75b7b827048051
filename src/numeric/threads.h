// Work shared between the calling thread and a few more.
#pragma once

#include <system_error>
#include <thread>
#include <vector>

namespace teril {

// Calls work(slot) on the calling thread (slot 0) and on up to threads - 1
// more threads (slots 1, 2, ...), and returns when all of them are done.
// Each call takes its units of work from a counter it shares with the
// others, so when the system refuses a thread (a limit of threads or
// memory) the threads that did start do its share: the work is done all
// the same, only slower. The threads are joined however the calling
// thread's call ends.
template <class Work>
void RunOnThreads(int threads, Work&& work) {
  std::vector<std::thread> pool;
  struct JoinAll {
    std::vector<std::thread>& pool;
    ~JoinAll() {
      for (std::thread& t : pool) t.join();
    }
  } joinAll{pool};
  for (int slot = 1; slot < threads; ++slot) {
    try {
      pool.emplace_back([&work, slot] { work(slot); });
    } catch (const std::system_error&) {
      break;
    }
  }
  work(0);
}

}  // namespace teril
