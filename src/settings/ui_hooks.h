#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace nvx {

enum class MessageIcon { Error, Exclamation, Information };

// A message the user must see. The GUI shows it in a dialog box; the command
// line prints it to stderr.
struct Message {
  std::string title;
  std::string text;
  MessageIcon icon = MessageIcon::Error;
};

// What the core may tell the user while it works. Every hook is optional.
struct UiHooks {
  std::function<void(int)> progress;             // 0..100
  std::function<void(std::string_view)> status;  // the status line
  std::function<void(const Message&)> message;   // a message box

  void Progress(int percent) const {
    if (progress) progress(percent);
  }
  void Status(std::string_view text) const {
    if (status) status(text);
  }
  void Show(const Message& m) const {
    if (message) message(m);
  }
};

}  // namespace nvx
