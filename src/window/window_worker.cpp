#include "window/window_worker.h"

#include <atomic>
#include <utility>

#include "window/qt_text.h"

namespace nvx::app {

std::shared_ptr<PrintSession> CopyForWorker(const PrintSession& s) {
  auto copy = std::make_shared<PrintSession>();
  copy->files = CopySettingsFiles(s.files);
  copy->text = s.text;
  copy->modelKey = s.modelKey;
  copy->familyCode = s.familyCode;
  copy->live = s.live;
  copy->paperList = s.paperList;
  copy->trayList = s.trayList;
  copy->mediaList = s.mediaList;
  copy->userMargins = s.userMargins;
  copy->marginOverride = s.marginOverride;
  copy->blackFuzzyOverride = s.blackFuzzyOverride;
  copy->profileIn = s.profileIn;
  copy->profileOut = s.profileOut;
  copy->lastCost = s.lastCost;
  copy->lastCostFailure = s.lastCostFailure;
  return copy;
}

void TakeBackSession(PrintSession& s, PrintSession& worker) {
  s.live = std::move(worker.live);
  s.lastCost = std::move(worker.lastCost);
  s.lastCostFailure = std::move(worker.lastCostFailure);
  TakeSettingsWrites(s.files, worker.files);
}

WindowWorker::WindowWorker(QObject* parent) : QThread(parent) {
  qRegisterMetaType<nvx::Message>();
  qRegisterMetaType<nvx::app::WorkDone>();
  // Received on this object's thread, the user interface's.
  connect(
      this, &WindowWorker::workerProgress, this,
      [this](int percent) { emit progressChanged(percent); }, Qt::QueuedConnection);
  connect(
      this, &WindowWorker::workerStatus, this,
      [this](const QString& text) { emit statusChanged(text); }, Qt::QueuedConnection);
  connect(
      this, &WindowWorker::workerFinished, this,
      [this](const WorkDone& done) {
        wait();  // the thread has nothing left to do: the next start finds it ended
        emit finished(done);
      },
      Qt::QueuedConnection);
}

WindowWorker::~WindowWorker() { Abandon(); }

bool WindowWorker::event(QEvent* event) {
  Received();  // before anything of the event is read: the worker may have made it
  return QThread::event(event);
}

void WindowWorker::Start(std::shared_ptr<PrintSession> session,
                         std::shared_ptr<ImageDocument> document, Work work) {
  wait();
  session->hooks = Hooks();
  {
    std::lock_guard lock(handOver_);
    session_ = std::move(session);
    document_ = std::move(document);
    work_ = std::move(work);
  }
  start();
}

void WindowWorker::run() {
  std::unique_lock lock(handOver_);
  std::shared_ptr<PrintSession> session = std::move(session_);
  std::shared_ptr<ImageDocument> document = std::move(document_);
  Work work = std::exchange(work_, nullptr);
  lock.unlock();
  WorkOutcome outcome = work(*session, *document);
  Post([&] { emit workerFinished(WorkDone{session, document, std::move(outcome)}); });
}

UiHooks WindowWorker::Hooks() {
  UiHooks hooks;
  // The core may report the same percentage for every row: only changes cross.
  auto lastPercent = std::make_shared<std::atomic<int>>(-1);
  hooks.progress = [this, lastPercent](int percent) {
    if (lastPercent->exchange(percent) == percent) return;
    Post([&] { emit workerProgress(percent); });
  };
  hooks.status = [this](std::string_view text) { Post([&] { emit workerStatus(Q(text)); }); };
  return hooks;
}

void WindowWorker::Abandon() {
  {
    std::lock_guard lock(handOver_);
    abandoned_ = true;
  }
  wait();
  Received();  // what the thread left behind is this thread's now
}

}  // namespace nvx::app
