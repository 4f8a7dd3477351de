#include "image/parallel_rows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace nvx {
namespace {

// Row work from two threads at once, with row work inside it, does every row
// once and the calling threads alone report progress.
TEST(RowBlocks, EveryRowIsDoneOnceForCallersAtOnceAndWorkWithinWork) {
  constexpr int kRows = 600;
  std::vector<std::atomic<int>> visits(2 * kRows);
  std::atomic<int> inner{0};
  std::atomic<bool> progressElsewhere{false};
  auto run = [&](int offset) {
    const std::thread::id caller = std::this_thread::get_id();
    ForEachRowBlock(
        kRows, 7, 3,
        [&](int first, int end) {
          for (int row = first; row < end; ++row) ++visits[offset + row];
          ForEachRowBlock(4, 1, 2, [&](int a, int b) { inner += b - a; });
        },
        [&](int) {
          if (std::this_thread::get_id() != caller) progressElsewhere = true;
        });
  };
  std::thread other(run, kRows);
  run(0);
  other.join();
  for (const std::atomic<int>& count : visits) ASSERT_EQ(count.load(), 1);
  EXPECT_EQ(inner.load(), 2 * ((kRows + 6) / 7) * 4);
  EXPECT_FALSE(progressElsewhere.load());
}

// A block that throws reaches the caller only once no other block still runs:
// what the blocks use lives in the caller's frame.
TEST(RowBlocks, AFailureReachesTheCallerOnceNoBlockRunsAnyMore) {
  std::atomic<int> running{0};
  std::atomic<int> runningAtCatch{-1};
  try {
    ForEachRowBlock(64, 1, 4, [&](int first, int) {
      ++running;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      --running;
      if (first == 5) throw std::runtime_error("block 5");
    });
  } catch (const std::runtime_error& failure) {
    runningAtCatch = running.load();
    EXPECT_STREQ(failure.what(), "block 5");
  }
  EXPECT_EQ(runningAtCatch.load(), 0);
}

}  // namespace
}  // namespace nvx
