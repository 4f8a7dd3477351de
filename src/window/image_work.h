#pragma once

#include <QList>
#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/result.h"
#include "image/colour.h"
#include "printers/media_rules.h"
#include "settings/live_settings.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"
#include "window/window_view.h"
#include "window/window_work.h"
#include "window/window_worker.h"

namespace nvx::app {

class SheetWork;

// The window's image and print session: opening, loading, turning, drawing and
// printing. Loads, turns and prints run on the worker with copies; meanwhile
// this side holds no image, the panels are locked, and the commands that would
// change the settings wait or do nothing.
class ImageWork : public QObject {
  Q_OBJECT
 public:
  // `work` holds the print session, opened as at start-up.
  ImageWork(WindowParts parts, std::unique_ptr<WindowWork> work, QObject* parent = nullptr);
  ~ImageWork() override;

  PrintSession& Session() { return work_->session; }
  const PrintSession& Session() const { return work_->session; }
  const SettingsFiles& Files() const { return work_->session.files; }
  const TextTable& Texts() const { return work_->session.text; }
  LiveSettings& Live() { return work_->session.live; }
  bool Busy() const { return busy_; }
  bool ImageLoaded() const { return imageLoaded_; }
  // The image as loaded; null while the worker holds it.
  const ImageDocument* Document() const { return work_->document.get(); }
  // The file's name for the window's title; empty before the first load.
  const std::string& CurrentFile() const { return currentFile_; }

  // An image, a preset or what a drop brought; the path is the file system's bytes.
  void OpenImage(const std::filesystem::path& path);
  void OpenPresetFile(const std::filesystem::path& path, bool remember);
  void OpenDroppedFiles(const QList<QByteArray>& paths);
  // Several files from the file dialog: all onto a gang sheet, else the first.
  void OpenFiles(const std::vector<std::filesystem::path>& files);
  // The image loaded again with the settings as they are now.
  void Reload();
  void Flip();
  void Render(bool pageChosen);
  void Print();
  // One print with the pattern setup's pattern over the image.
  void PrintPattern();
  void PrintBlankPage();
  void Redraw();
  // The image fitted to the printable area before the next drawing.
  void FitToPage();
  void ApplyColourPoints(const ColourAdjustPoints& points);

  // While a gang sheet is shown, the files opened or dropped go onto it and the
  // preview and Print are the sheet's; null brings back the one image.
  void UseSheet(SheetWork* sheet);
  bool SheetShown() const { return sheet_ != nullptr; }
  // The last print's cost; `costOnly`: the print was costed instead of made.
  void ShowCostReport(bool costOnly);
  // Runs `work` on the worker as a load or a print does, the panels locked
  // meanwhile; `done` gets its outcome here.
  void RunOnWorker(WindowWorker::Work work, std::function<void(const WorkOutcome&)> done) {
    Run(std::move(work), std::move(done));
  }

  // Between the controls and the live settings, and what the window tells the user.
  WindowView& View() { return view_; }
  // The chosen medium's rules applied again, and shown.
  void ReapplyMedia();
  void FillPrinters();
  // Each second: the printers once some are installed, Print's state, the
  // settings stored. Nothing while the worker runs.
  void Tick();
  void CommitSettings();
  // The window goes: a worker still running is waited for, its outcome dropped.
  void Abandon();

 signals:
  void previewRedrawn();
  void loadFinished(bool loaded);
  void printFinished(bool sent);
  void busyChanged(bool busy);
  void recentFilesChanged();

 private:
  void Load(const std::string& path, bool forFlip);
  void Orient();
  void DrawPage();
  void DrawFullSize();
  void StartPrint();
  void ShowLoadNotes();
  bool HoldImage(const std::filesystem::path& path);
  void OpenHeldImage();
  void SetBusy(bool busy);
  bool Printable() const;
  // Runs `work` on the worker with a copy of the session and the image, then
  // takes both back and calls `done` here with the outcome.
  void Run(WindowWorker::Work work, std::function<void(const WorkOutcome&)> done);
  void TakeBack(const WorkDone& done);

  WindowParts parts_;
  std::unique_ptr<WindowWork> work_;
  WindowView view_;
  WindowWorker* worker_ = nullptr;
  SheetWork* sheet_ = nullptr;                    // the gang sheet shown instead of the image
  std::function<void(const WorkOutcome&)> done_;  // what the worker's end does here
  bool imageLoaded_ = false;
  bool busy_ = false;
  std::string currentFile_;
  bool standInNoticeShown_ = false;  // the printer profile's stand-in, told once
  QString loadNote_;                 // what the status bar says about the loaded image
  std::filesystem::path heldImage_;  // handed over while a dialog was open or the worker ran
  std::optional<ColourAdjustPoints> pendingPoints_;  // edited while the worker ran
};

}  // namespace nvx::app
