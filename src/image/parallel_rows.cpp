#include "image/parallel_rows.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>

namespace nvx {
namespace {

// One call's offer of work to the helpers: how many it wants, how many took it,
// how many of those have finished.
struct Offer {
  const std::function<void()>* work = nullptr;
  int wanted = 0;
  int taken = 0;
  int finished = 0;
};

// Threads that live as long as the process and wait for offers. A thread made
// afresh for every band starts on its maker's core and shares it until the
// system moves it; a lasting one wakes where it last ran, on a core of its own.
class RowHelpers {
 public:
  static RowHelpers& Shared() {
    // Never destroyed: its threads wait to the end of the process.
    static RowHelpers* helpers = new RowHelpers;
    return *helpers;
  }

  // Runs `work` here and on up to `wanted` helpers, as they come free;
  // returns once every helper that took it is done with it.
  void Run(int wanted, const std::function<void()>& work) {
    Offer offer{&work, wanted};
    {
      std::lock_guard lock(mutex_);
      Grow(wanted);
      offers_.push_back(&offer);
    }
    ready_.notify_all();
    std::exception_ptr failure;
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    // No helper may still hold the work, which lives in the caller's frame.
    std::unique_lock lock(mutex_);
    std::erase(offers_, &offer);  // nobody takes it any more
    finished_.wait(lock, [&] { return offer.finished == offer.taken; });
    if (failure) std::rethrow_exception(failure);
  }

 private:
  static constexpr int kMostHelpers = 64;

  // With the lock held: threads enough to have `wanted` free, as far as the
  // system gives them (fewer only means fewer hands).
  void Grow(int wanted) {
    while (free_ < wanted && threads_ < kMostHelpers) {
      try {
        std::thread([this] { Serve(); }).detach();
      } catch (const std::system_error&) {
        return;
      }
      ++threads_;
      ++free_;
    }
  }

  void Serve() {
    std::unique_lock lock(mutex_);
    while (true) {
      ready_.wait(lock, [&] { return !offers_.empty(); });
      Offer* offer = offers_.front();
      if (++offer->taken == offer->wanted) offers_.pop_front();
      --free_;
      lock.unlock();
      (*offer->work)();
      lock.lock();
      ++free_;
      ++offer->finished;
      finished_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable finished_;
  std::deque<Offer*> offers_;
  int threads_ = 0;
  int free_ = 0;  // threads not working on an offer
};

}  // namespace

void ForEachRowBlock(int rows, int blockRows, int threads,
                     const std::function<void(int, int)>& body,
                     const std::function<void(int)>& progress) {
  if (rows <= 0) return;
  blockRows = std::max(1, blockRows);
  const int blocks = (rows + blockRows - 1) / blockRows;
  const int threadCount = std::min(WorkerThreads(threads), blocks);
  std::atomic<int> nextBlock{0};
  std::atomic<int> rowsDone{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  const std::thread::id caller = std::this_thread::get_id();

  const std::function<void()> work = [&] {
    const bool reports = std::this_thread::get_id() == caller;
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
  if (threadCount > 1) {
    RowHelpers::Shared().Run(threadCount - 1, work);
  } else {
    work();
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace nvx
