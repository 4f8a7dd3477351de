#pragma once

#include <QString>
#include <cstddef>

#include "base/result.h"
#include "printers/media_rules.h"
#include "settings/ui_hooks.h"

class QMainWindow;

namespace nvx {
struct PrintSession;
}  // namespace nvx

namespace nvx::app {

class PageView;
class ToolPanel;
class WindowHeader;

// The parts of the window the image work and the commands show themselves in.
struct WindowParts {
  QMainWindow* window = nullptr;  // its status bar, and the parent of message boxes
  WindowHeader* header = nullptr;
  ToolPanel* tools = nullptr;
  PageView* page = nullptr;
};

// Between the window's controls and the session's live settings, and what the
// window tells the user: the status line, the status bar, message boxes.
class WindowView {
 public:
  WindowView(WindowParts parts, PrintSession& session) : parts_(parts), session_(session) {}

  void ReadControls();
  void ShowLive();
  // The unit the sizes and the white choke are shown in.
  void ShowUnit();
  void ShowStatusEntry(std::size_t entry);
  // A note in the status bar; empty clears it.
  void ShowNote(const QString& note);
  void ShowMessage(const Message& message);
  // Nothing for a failure whose message is empty: the user has been told already.
  void ShowFailure(const Failure& failure);
  // The hands and the note a media choice brings, or why it was refused.
  void ShowMediaOutcome(const MediaRuleOutcome& outcome);
  void ShowMediaRules(const Result<MediaRuleOutcome>& rules);

 private:
  QString UnitLabel() const;

  WindowParts parts_;
  PrintSession& session_;
};

}  // namespace nvx::app
