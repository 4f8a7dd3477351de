#pragma once

#include <QMetaType>
#include <QString>
#include <QThread>
#include <any>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "base/result.h"
#include "job/image_document.h"
#include "job/print_session.h"
#include "settings/ui_hooks.h"

namespace nvx::app {

// What a load, a turn or a print came to: its failure, if any, for a print
// whether it was sent and whether the session costed it, and what it made.
struct WorkOutcome {
  Status status;
  bool sent = false;
  bool costed = false;
  std::any made = {};  // what the work made for the window (a gang sheet's arrangement)
};

// What the worker hands back when its work ends: the session it worked with
// (the live settings, the settings it wrote, the last cost), the image, and the outcome.
struct WorkDone {
  std::shared_ptr<PrintSession> session;
  std::shared_ptr<ImageDocument> document;
  WorkOutcome outcome;
};

// A session of the worker's own: the settings as they stand, the texts, the
// model and the live settings. Its settings writes wait in its own snapshot
// until TakeBackSession.
std::shared_ptr<PrintSession> CopyForWorker(const PrintSession& session);
// What a load, a turn or a print changes in the session, taken back from the
// worker's copy: the live settings, the settings it wrote and the last cost.
void TakeBackSession(PrintSession& session, PrintSession& worker);

// Loads, turns and prints off the user-interface thread. Each piece of work comes
// in with a session and an image of its own, which only the worker touches until
// it hands them back by value in `finished`, with what the user is to be told.
// Progress and status go out as signals.
class WindowWorker : public QThread {
  Q_OBJECT
 public:
  using Work = std::function<WorkOutcome(PrintSession&, ImageDocument&)>;

  explicit WindowWorker(QObject* parent = nullptr);
  ~WindowWorker() override;

  // Runs `work` on `session` (whose hooks become the worker's) and `document`.
  // One piece of work at a time: the window starts the next after `finished`.
  void Start(std::shared_ptr<PrintSession> session, std::shared_ptr<ImageDocument> document,
             Work work);
  // The window goes: the work still running is waited for. Nothing more is
  // signalled.
  void Abandon();

 signals:
  void progressChanged(int percent);
  void statusChanged(const QString& text);
  void finished(const nvx::app::WorkDone& done);

  // Sent from the worker thread; passed on here by the signals above.
  void workerProgress(int percent);
  void workerStatus(const QString& text);
  void workerFinished(const nvx::app::WorkDone& done);

 protected:
  void run() override;
  // The worker's signals arrive here before their slots read what they carry.
  bool event(QEvent* event) override;

 private:
  UiHooks Hooks();
  // Sends a signal to the user-interface thread. Each crosses under
  // `handOver_`, which the receiving side takes too before it reads the
  // signal's values, so what the worker wrote before is seen there (also by
  // the thread sanitizer, which cannot see Qt's own locks).
  template <typename Send>
  void Post(Send send) {
    std::lock_guard lock(handOver_);
    if (!abandoned_) send();
  }
  void Received() const { std::lock_guard lock(handOver_); }

  mutable std::mutex handOver_;
  bool abandoned_ = false;  // under handOver_
  // The work and what it works on, handed to the thread under handOver_.
  std::shared_ptr<PrintSession> session_;
  std::shared_ptr<ImageDocument> document_;
  Work work_;
};

}  // namespace nvx::app

Q_DECLARE_METATYPE(nvx::Message)
Q_DECLARE_METATYPE(nvx::app::WorkDone)
