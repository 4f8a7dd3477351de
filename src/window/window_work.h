#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "job/image_document.h"
#include "job/print_session.h"

namespace nvx::app {

// The window's print session and its image: the same core the command line
// prints through. Only the user-interface thread touches the session; a worker
// gets a copy of it and takes the image along (`document` is empty meanwhile),
// and both come back when it ends.
struct WindowWork {
  PrintSession session;
  std::unique_ptr<ImageDocument> document = std::make_unique<ImageDocument>();
  bool fitRequested = false;    // "Fit to Page" pressed: fit before the next preview
  bool orientedMirror = false;  // the switches the grid was last oriented with
  bool orientedRotate = false;
};

// What a worker tells the user, kept until the window collects it on its own
// thread: the worker calls nothing of Qt. A message holds the worker until the
// window has shown it.
class WorkerMailbox {
 public:
  struct Mail {
    int progress = -1;  // -1: unchanged
    std::optional<std::string> status;
    std::optional<Message> message;
  };

  // The hooks of the worker's session.
  UiHooks Hooks();
  Mail Collect();
  void Answered();  // the message collected last has been shown
  void Close();     // the window goes: no message waits for an answer any more
  bool Finished() const { return finished_.load(); }

 protected:
  void Finish() { finished_.store(true); }

 private:
  std::mutex mutex_;
  std::condition_variable answer_;
  std::atomic<int> progress_{-1};
  std::atomic<bool> finished_{false};
  std::optional<std::string> status_;
  std::optional<Message> message_;
  bool answered_ = false;
  bool closed_ = false;
};

}  // namespace nvx::app
