#pragma once

#include <QWidget>
#include <functional>

#include "settings/toner_order.h"
#include "settings/ui_hooks.h"

class QLabel;
class QProgressBar;

namespace nvx::app {

// The band above the panels: the toner-order banner, the window's title, and
// the progress bar with the status line under it.
class WindowHeader : public QWidget {
  Q_OBJECT
 public:
  explicit WindowHeader(QWidget* parent = nullptr);

  void ShowTitle(const QString& title);
  void ShowBanner(TonerOrder order);
  void ShowStatus(const QString& text);
  // A status from the core's work: long ones are read whole in the tool tip.
  void ShowWorkStatus(const QString& text);
  void ShowProgress(int percent);
  // Hooks of the session this thread works with: progress and status here.
  UiHooks Hooks();

 private:
  QLabel* banner_ = nullptr;
  QLabel* title_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace nvx::app
