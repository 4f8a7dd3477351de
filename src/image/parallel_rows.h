#pragma once

#include <algorithm>
#include <functional>
#include <thread>

namespace nvx {

// How many threads row work uses: the given count, or every core for 0.
inline int WorkerThreads(int requested) {
  if (requested > 0) return requested;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// Runs body(firstRow, endRow) over [0, rows) in blocks of blockRows, the blocks
// shared out on `threads` threads (0 = all cores). The calling thread works too
// and alone calls progress(rowsDone), so user-interface hooks stay on it. The
// body of one block must not depend on another block's result. The helpers are
// the process's own lasting threads, each as it comes free: a call made from
// inside a body, or while every helper is busy, works with fewer threads.
void ForEachRowBlock(int rows, int blockRows, int threads,
                     const std::function<void(int, int)>& body,
                     const std::function<void(int)>& progress = {});

}  // namespace nvx
