#pragma once

#include <QMainWindow>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "lang/text_table.h"
#include "settings/live_settings.h"
#include "settings/settings_file.h"
#include "window/qt_text.h"
#include "window/window_commands.h"
#include "window/window_layout.h"

class QAction;
class QMenu;
class QSplitter;
class QTimer;

namespace nvx::app {

class ImageWork;
class PageView;
class SheetWork;
class ToolPanel;
class WindowHeader;
struct WindowWork;

// The program's one window: the header, the page preview and the panels, the
// menus that reach the commands, and its remembered size and place. The image
// and the print session are the image work's.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `work` holds the print session, opened as at start-up.
  MainWindow(WindowContext context, std::unique_ptr<WindowWork> work, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Opens an image as the File menu, a drop or another start of the program do
  // (a gang sheet's file opens the sheet); the path is the file system's bytes.
  void OpenImage(const std::filesystem::path& path);
  // The same for a name from a file dialog.
  void OpenImage(const QString& path) { OpenImage(FilePath(path)); }
  // Applies a preset file (.svcfg) to the controls, as "Load Settings" does.
  void OpenPresetFile(const std::filesystem::path& path, bool remember);
  // Brings the window to the front (another start of the program asked for it).
  void Raise();

  const LiveSettings& Live() const;
  bool ImageLoaded() const;
  bool Busy() const;
  // The session's settings: pending writes are stored by CommitSettings.
  const SettingsFiles& Files() const;
  // Stores the settings changed since the last commit (the timer does it each second).
  void CommitSettings();

 signals:
  void previewRedrawn();
  void loadFinished(bool loaded);
  void printFinished(bool sent);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenus();
  void BuildRecentFiles();
  void ApplyTexts();
  void ConnectControls();
  void SetTabOrder();
  void PlaceWindow();
  void KeepFrameOnScreen();
  void ShowBusy(bool busy);
  void OpenSheet();
  void SaveSheet();
  const TextTable& Texts() const;
  const std::string& ModelKey() const;

  WindowMetrics metrics_;
  bool shownOnce_ = false;
  WindowHeader* header_ = nullptr;
  PageView* page_ = nullptr;
  ToolPanel* tools_ = nullptr;
  QSplitter* splitter_ = nullptr;
  ImageWork* work_ = nullptr;
  WindowCommands* commands_ = nullptr;
  SheetWork* sheet_ = nullptr;
  QTimer* tick_ = nullptr;

  QMenu* fileMenu_ = nullptr;
  std::vector<QMenu*> settingMenus_;    // menus unavailable while the core works
  QAction* marginsAction_ = nullptr;    // a settings entry of the File menu
  std::vector<QAction*> sheetActions_;  // unavailable while the core works
  std::vector<QAction*> recentActions_;
};

}  // namespace nvx::app
