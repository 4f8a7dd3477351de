#pragma once

#include <QFutureWatcher>
#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/result.h"
#include "image/preview.h"
#include "lang/text_table.h"
#include "printers/media_rules.h"
#include "settings/live_settings.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"
#include "window/panel_parts.h"
#include "window/qt_text.h"
#include "window/window_layout.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QTimer;
class QToolButton;

namespace nvx {
struct ImageDocument;
struct PrintSession;
}  // namespace nvx

namespace nvx::app {

class PreviewWidget;
class PrinterPanel;
class AlignPanel;
class SizePanel;
class WhitePanel;
class ImagePanel;
class WorkerMailbox;
struct WindowWork;

// Where the program's own files are and what the Help menu shows.
struct WindowContext {
  std::filesystem::path programFolder;
  std::string onlineHelpUrl;
  std::string version;
};

// The program's one window: it holds the live print settings in its controls,
// hands them to the core for the preview and the print, and remembers its
// size and place.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `work` holds the print session, opened as at start-up.
  MainWindow(WindowContext context, std::unique_ptr<WindowWork> work, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Opens an image as the File menu, a drop or another start of the program do;
  // the path is the file system's bytes.
  void OpenImage(const std::filesystem::path& path);
  // The same for a name from a file dialog.
  void OpenImage(const QString& path) { OpenImage(FilePath(path)); }
  // Applies a preset file (.svcfg) to the controls, as "Load Settings" does.
  void OpenPresetFile(const std::filesystem::path& path, bool remember);
  void OpenPreset(const QString& path, bool remember) { OpenPresetFile(FilePath(path), remember); }
  // Brings the window to the front (another start of the program asked for it).
  void Raise();

  const LiveSettings& Live() const { return live_; }
  bool ImageLoaded() const { return imageLoaded_; }
  bool Busy() const { return busy_; }
  const WindowContext& Context() const { return ctx_; }
  // The session's settings: pending writes are stored by CommitSettings.
  const SettingsFiles& Files() const;
  const TextTable& Texts() const;
  const std::string& ModelKey() const;
  // Stores the settings changed since the last commit (the timer does it each second).
  void CommitSettings();
  UiHooks Hooks();

 signals:
  void previewRedrawn();
  void loadFinished(bool loaded);
  void printFinished(bool sent);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Building.
  void BuildMenus();
  void BuildRecentFiles();
  QWidget* BuildHeader();
  QWidget* BuildToolPanel();
  QWidget* BuildPreviewPanel();
  void ApplyTexts();
  void FillLists();
  void FillPrinters();
  void ConnectControls();
  void SetTabOrder();
  void PlaceWindow();
  void KeepFrameOnScreen();

  // Between the controls and the live settings.
  void ReadControls();
  void ShowLive();
  void ShowSliderLabels();
  void ShowBanner();
  void ShowUnit();
  void SetStatusEntry(int entry);
  QString Text(int entry) const;

  // Commands.
  void OnOpenFile();
  void OnPrint();
  void OnBlankPage();
  void OnPaperChanged();
  void OnTrayChanged();
  void OnMediaChanged();
  void OnHand(bool left);
  void OnSubstrate(int index);
  void OnFlip();
  void OnBackgroundRemoval();
  void OnRender(bool pageChosen);
  void OnFitToPage();
  void OnCopiesEdited();
  void OnSettingChanged();
  void OnTick();
  void OnLoadDefaults();
  void ShowStoredDefaults();
  void OnSavePreset();
  void OnLoadPreset(bool builtIn);
  void OnDefaultProfiles();
  void OnPickProfile(bool input);
  void OnUnits();
  void OnCustomPaper();
  void OnMargins();
  void OnJpegSettings();
  void OnBlackRemoval();
  void OnPatternSetup();
  void OnPatternPrint();
  void OnTonerOrder();
  void OnCurveEditor();
  void ApplyColourPoints(const ColourAdjustPoints& points);
  void OnWhiteChoke(double mm);
  void ShowWhiteChoke();
  void OnPrinterMode();
  void OnLanguage();
  void OnCostStatistics();
  void OnHelp();
  void OnOnlineHelp();
  void OnAbout();
  void ShowMediaOutcome(const MediaRuleOutcome& outcome);
  void ReapplyMedia();
  void SetTonerOrder(TonerOrder order);
  void OpenDroppedFiles(const QList<QByteArray>& paths);
  void ShowMessage(const Message& message);
  void RememberRecentFile(const std::string& path);

  // The image side (load, preview, print), run by the core off this thread.
  void StartLoad(const std::string& path, bool forFlip);
  void StartOrient();
  QSize PreviewArea() const;
  void RedrawPreview();
  void DrawPage();
  void StartFullPreview();
  void WaitForFullPreview();
  void StartPrint();
  void ShowCostReport(bool costOnly);
  void StartBlankPage();
  void SetBusy(bool busy);
  void ShowFailure(const Failure& failure);
  // Runs `work` on a worker thread with a copy of the session and the image,
  // then takes both back and calls `done` here with the outcome.
  template <typename Outcome>
  void RunOffThread(std::function<Outcome(PrintSession&, ImageDocument&)> work,
                    std::function<void(Outcome)> done);
  void PollWorker();
  void StopWorker();
  void ShowLoadNotes();
  bool HoldImage(const std::filesystem::path& path);
  void OpenHeldImage();

  WindowContext ctx_;
  std::unique_ptr<WindowWork> work_;
  // The worker thread, its mail and what its end does here.
  std::thread worker_;
  std::shared_ptr<WorkerMailbox> mailbox_;
  std::function<void()> finishWork_;
  QTimer* workerPoll_ = nullptr;
  bool pollingWorker_ = false;
  LiveSettings& live_;  // the session's
  bool imageLoaded_ = false;
  bool busy_ = false;
  bool shownOnce_ = false;
  int substrate_ = 6;
  std::string currentFile_;
  bool standInNoticeShown_ = false;  // the printer profile's stand-in, told once
  QString loadNote_;                 // what the status bar says about the loaded image
  std::filesystem::path heldImage_;  // handed over while a dialog was open or the worker ran
  WindowMetrics metrics_;

  QLabel* banner_ = nullptr;
  QLabel* title_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  PrinterPanel* printerPanel_ = nullptr;
  AlignPanel* alignPanel_ = nullptr;
  SizePanel* sizePanel_ = nullptr;
  WhitePanel* whitePanel_ = nullptr;
  ImagePanel* imagePanel_ = nullptr;
  std::optional<ColourAdjustPoints> pendingPoints_;  // edited while the worker ran
  std::vector<QToolButton*> substrates_;
  PreviewWidget* preview_ = nullptr;
  // The page at the preview's full size, drawn off this thread once changes pause.
  QTimer* fullPreviewTimer_ = nullptr;
  QFutureWatcher<PreviewBitmap>* fullPreview_ = nullptr;  // while one is drawn
  std::unique_ptr<PreviewState> fullPreviewState_;
  int previewGeneration_ = 0;  // counts the drawings, so a late one is dropped
  QSplitter* splitter_ = nullptr;
  QWidget* toolPanel_ = nullptr;
  std::vector<QMenu*> settingMenus_;  // menus unavailable while the core works
  QTimer* tick_ = nullptr;
  Captions captions_;  // every caption, relabelled when the language changes

  QMenu* fileMenu_ = nullptr;
  QAction* tonerOrderAction_ = nullptr;
  QAction* marginsAction_ = nullptr;  // a settings entry of the File menu
  std::vector<QAction*> recentActions_;
};

}  // namespace nvx::app
