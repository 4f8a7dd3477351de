#pragma once

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace nvx {

// How many threads row work uses: the given count, or every core for 0.
inline int WorkerThreads(int requested) {
  if (requested > 0) return requested;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// Runs body(firstRow, endRow) over [0, rows) in blocks of blockRows, the blocks
// shared out on `threads` threads (0 = all cores). The calling thread works too
// and alone calls progress(rowsDone), so user-interface hooks stay on it. The
// body of one block must not depend on another block's result.
inline void ForEachRowBlock(int rows, int blockRows, int threads,
                            const std::function<void(int, int)>& body,
                            const std::function<void(int)>& progress = {}) {
  if (rows <= 0) return;
  blockRows = std::max(1, blockRows);
  const int blocks = (rows + blockRows - 1) / blockRows;
  const int threadCount = std::min(WorkerThreads(threads), blocks);
  std::atomic<int> nextBlock{0};
  std::atomic<int> rowsDone{0};
  std::exception_ptr failure;
  std::mutex failureLock;

  auto work = [&](bool reports) {
    for (int block = nextBlock++; block < blocks; block = nextBlock++) {
      const int first = block * blockRows;
      const int end = std::min(rows, first + blockRows);
      try {
        body(first, end);
      } catch (...) {
        std::lock_guard lock(failureLock);
        if (!failure) failure = std::current_exception();
        nextBlock = blocks;
      }
      rowsDone += end - first;
      if (reports && progress) progress(rowsDone.load());
    }
  };

  std::vector<std::jthread> helpers;
  for (int t = 1; t < threadCount; ++t) {
    try {
      helpers.emplace_back(work, false);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones we have finish the work
    }
  }
  work(true);
  helpers.clear();  // joins
  if (failure) std::rethrow_exception(failure);
}

}  // namespace nvx
