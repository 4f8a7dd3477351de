#include "window/window_view.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include "job/print_session.h"
#include "lang/text_entries.h"
#include "settings/units.h"
#include "window/printer_panel.h"
#include "window/qt_text.h"
#include "window/tool_panel.h"
#include "window/window_header.h"

namespace nvx::app {
namespace {

// The media notes share entries 210-220 with the pattern dialogs; where a language
// leaves those at their pattern texts ("shape file is damaged"), there is no note.
bool IsMediaNote(const TextTable& text, int entry) {
  if (entry <= 0 || text[static_cast<std::size_t>(entry)].empty()) return false;
  static const TextTable defaults = DefaultTextTable();
  const bool patternEntry = entry >= 210 && entry <= 220;
  return !patternEntry ||
         text[static_cast<std::size_t>(entry)] != defaults[static_cast<std::size_t>(entry)];
}

}  // namespace

void WindowView::ReadControls() { parts_.tools->Read(session_.live); }

QString WindowView::UnitLabel() const {
  return Q(session_.text[DisplayUnitLabelEntry(ReadDisplayUnit(session_.files))]);
}

void WindowView::ShowLive() {
  parts_.tools->Show(session_.live, ReadDisplayUnit(session_.files), UnitLabel());
}

void WindowView::ShowUnit() {
  parts_.tools->ShowUnit(session_.live, ReadDisplayUnit(session_.files), UnitLabel());
}

void WindowView::ShowStatusEntry(std::size_t entry) {
  parts_.header->ShowStatus(Q(session_.text[entry]));
}

void WindowView::ShowNote(const QString& note) {
  if (note.isEmpty()) {
    parts_.window->statusBar()->clearMessage();
  } else {
    parts_.window->statusBar()->showMessage(note);
  }
}

void WindowView::ShowMessage(const Message& m) {
  QMessageBox box(m.icon == MessageIcon::Error         ? QMessageBox::Critical
                  : m.icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                       : QMessageBox::Information,
                  Q(m.title.empty() ? session_.text[entry::kTitle] : m.title), Q(m.text),
                  QMessageBox::Ok, parts_.window);
  box.exec();
}

void WindowView::ShowFailure(const Failure& failure) {
  if (failure.message.empty()) return;  // the user has been told already
  ShowMessage({session_.text[entry::kTitle], failure.message, MessageIcon::Error});
}

void WindowView::ShowMediaOutcome(const MediaRuleOutcome& outcome) {
  parts_.tools->Printer().ShowHands(outcome.showHands, outcome.leftHand, outcome.rightHand);
  const bool note = IsMediaNote(session_.text, outcome.hintEntry);
  ShowNote(note ? Q(session_.text[static_cast<std::size_t>(outcome.hintEntry)]) : QString());
}

void WindowView::ShowMediaRules(const Result<MediaRuleOutcome>& rules) {
  if (rules) {
    ShowMediaOutcome(*rules);
  } else {
    ShowFailure(rules.failure());
  }
}

}  // namespace nvx::app
