#pragma once

#include <QObject>
#include <filesystem>
#include <string>

#include "settings/toner_order.h"
#include "window/image_work.h"

namespace nvx::app {

// Where the program's own files are and what the Help menu shows.
struct WindowContext {
  std::filesystem::path programFolder;
  std::string onlineHelpUrl;
  std::string version;
};

// What the menus and the panels' choices do: the dialogs they open and the
// settings they change, shown through the image work.
class WindowCommands : public QObject {
  Q_OBJECT
 public:
  WindowCommands(ImageWork& work, WindowParts parts, WindowContext context,
                 QObject* parent = nullptr);

  const WindowContext& Context() const { return ctx_; }

  // The File menu and the panels.
  void OpenFile();
  void PaperChanged();
  void TrayChanged();
  void MediaChanged();
  void HandClicked(bool left);
  void CopiesEdited();
  void SettingChanged();
  void WhiteChoke(double mm);
  void Margins();
  // The Tools menu.
  void JpegSettings();
  void BlackRemoval();
  void DefaultProfiles();
  void PickProfile(bool input);
  void CurveEditor();
  void CustomPaper();
  void Units();
  void PatternSetup();
  void SavePreset();
  void LoadPreset(bool builtIn);
  void LoadDefaults();
  // The Utility and Help menus.
  void PrinterMode();
  void TonerOrderDialog();
  void CostStatistics();
  void Language();
  void Help();
  void OnlineHelp();
  void About();

 signals:
  // The texts are the new language's: the window relabels its menus and captions.
  void languageChanged();

 private:
  void SetTonerOrder(TonerOrder order);
  const SettingsFiles& Files() const { return work_.Files(); }
  const TextTable& Texts() const { return work_.Texts(); }
  LiveSettings& Live() { return work_.Live(); }

  ImageWork& work_;
  WindowView& view_;
  WindowParts parts_;
  WindowContext ctx_;
};

}  // namespace nvx::app
