#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nvx {

enum class MessageIcon { Error, Exclamation, Information };

// A message for the user. The core never shows one: it returns it, and the
// window shows it in a dialog box, the command line prints it to stderr.
struct Message {
  std::string title;
  std::string text;
  MessageIcon icon = MessageIcon::Error;
};

// What an operation that went on wants the user told afterwards, in order.
using Notes = std::vector<Message>;

// What the core reports while it works. Every hook is optional.
struct UiHooks {
  std::function<void(int)> progress;             // 0..100
  std::function<void(std::string_view)> status;  // the status line

  void Progress(int percent) const {
    if (progress) progress(percent);
  }
  void Status(std::string_view text) const {
    if (status) status(text);
  }
};

}  // namespace nvx
