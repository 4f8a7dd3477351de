#include "window/window_commands.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <QUrl>
#include <memory>

#include "job/presets.h"
#include "lang/text_entries.h"
#include "pattern/shape_library.h"
#include "printers/media.h"
#include "settings/last_files.h"
#include "settings/settings_keys.h"
#include "settings/startup.h"
#include "settings/units.h"
#include "window/cost_dialogs.h"
#include "window/curve_editor.h"
#include "window/dialogs.h"
#include "window/paper_dialogs.h"
#include "window/pattern_dialogs.h"
#include "window/printer_panel.h"
#include "window/qt_text.h"
#include "window/tool_panel.h"
#include "window/window_header.h"
#include "window/window_texts.h"

namespace nvx::app {

WindowCommands::WindowCommands(ImageWork& work, WindowParts parts, WindowContext context,
                               QObject* parent)
    : QObject(parent), work_(work), view_(work.View()), parts_(parts), ctx_(std::move(context)) {}

// ---------------------------------------------------------------------------
// The File menu and the panels

void WindowCommands::OpenFile() {
  const QString folder =
      QFile::decodeName(ReadLastFile(Files().userFolder, kLastFileSlots).c_str());
  const QString filter = QStringLiteral(
      "Images (*.png *.jpg *.jpeg *.gif *.tif *.tiff *.bmp *.psd *.webp *.heic *.pdf "
      "*.svg *.eps *.ps *.PNG *.JPG *.JPEG *.GIF *.TIF *.TIFF *.BMP *.PSD *.WEBP "
      "*.HEIC *.PDF *.SVG *.EPS *.PS);;"
      "All files (*)");
  // A gang sheet takes many files at once.
  if (work_.SheetShown()) {
    std::vector<std::filesystem::path> files;
    for (const QString& file : QFileDialog::getOpenFileNames(
             parts_.window, Q(Texts()[entry::kSelectFile]), folder, filter)) {
      files.push_back(FilePath(file));
    }
    work_.OpenFiles(files);
    return;
  }
  const QString file =
      QFileDialog::getOpenFileName(parts_.window, Q(Texts()[entry::kSelectFile]), folder, filter);
  if (!file.isEmpty()) work_.OpenImage(FilePath(file));
}

void WindowCommands::PaperChanged() {
  view_.ReadControls();
  const Status chosen = ChoosePaper(work_.Session(), Live().paperName);
  if (!chosen) view_.ShowFailure(chosen.failure());
  view_.ShowLive();
  work_.Redraw();
}

void WindowCommands::TrayChanged() {
  const Status chosen = ChooseTray(work_.Session(), S(parts_.tools->Printer().TrayText()));
  if (!chosen) view_.ShowFailure(chosen.failure());
  view_.ShowLive();
}

void WindowCommands::MediaChanged() {
  view_.ReadControls();
  view_.ShowMediaRules(ChooseMedia(work_.Session(), Live().mediaType));
  view_.ShowLive();
  work_.Redraw();
}

void WindowCommands::HandClicked(bool left) {
  PrinterPanel& panel = parts_.tools->Printer();
  const bool chosen = panel.HandChecked(left);  // the click has already toggled it
  const bool leftOn = left ? chosen : false;
  const bool rightOn = left ? false : chosen;
  WriteSettings(Files(), {{keys::kOthers, keys::kLeftHand, leftOn ? "1" : "0"},
                          {keys::kOthers, keys::kRightHand, rightOn ? "1" : "0"}});
  panel.ShowHands(true, leftOn, rightOn);
  work_.Redraw();
}

void WindowCommands::CopiesEdited() {
  view_.ReadControls();
  view_.ShowLive();
  work_.Redraw();
}

void WindowCommands::SettingChanged() {
  view_.ReadControls();
  parts_.tools->ShowLabels();
  work_.Redraw();
}

void WindowCommands::WhiteChoke(double mm) {
  if (work_.Busy()) return;  // the panel is locked while the worker runs
  Live().whiteChokeMm = mm;
  WriteWhiteChoke(Files(), mm);
  work_.Redraw();
}

void WindowCommands::Margins() {
  if (work_.Busy()) return;
  view_.ReadControls();
  if (!ShowMarginDialog(parts_.window, work_.Session(), Live().printer)) return;
  view_.ShowLive();
  work_.Redraw();
}

// ---------------------------------------------------------------------------
// The Tools menu

void WindowCommands::JpegSettings() { ShowJpegDialog(parts_.window, Files(), Texts()); }

void WindowCommands::BlackRemoval() {
  ShowBlackRemovalDialog(parts_.window, Files(), Texts(), [this] { work_.Redraw(); });
}

void WindowCommands::DefaultProfiles() {
  WriteSettings(Files(), {{keys::kActive, keys::kIcmProfileOut, kDefaultProfileOut},
                          {keys::kActive, keys::kIcmProfileIn, kDefaultProfileIn}});
  work_.Reload();
}

void WindowCommands::PickProfile(bool input) {
  const QString file = app::PickProfile(
      parts_.window, Q(Texts()[input ? entry::kSelectInputProfile : entry::kSelectOutputProfile]));
  if (file.isEmpty()) return;
  WriteSetting(Files(), keys::kActive, input ? keys::kIcmProfileIn : keys::kIcmProfileOut,
               FilePath(file).string());
  view_.ShowMessage(
      {Texts()[entry::kTitle], Texts()[entry::kReloadForProfile], MessageIcon::Information});
}

// The colour-adjust curves: the preview follows each drag.
void WindowCommands::CurveEditor() {
  view_.ReadControls();
  app::CurveEditor editor(parts_.window, Texts(), Live().colourPoints);
  connect(&editor, &CurveEditor::pointsChanged, &work_, &ImageWork::ApplyColourPoints);
  editor.exec();
  work_.ApplyColourPoints(editor.Points());
}

void WindowCommands::CustomPaper() {
  if (work_.Busy()) return;  // the worker reads the paper while it runs
  view_.ReadControls();
  const Status chosen = ShowCustomPaperDialog(parts_.window, work_.Session());
  if (!chosen) view_.ShowFailure(chosen.failure());
  parts_.tools->Printer().FillPapers(work_.Session().paperList);
  view_.ShowLive();
  work_.Redraw();
}

void WindowCommands::Units() {
  ShowUnitsDialog(parts_.window, Files(), Texts());
  view_.ShowUnit();
  work_.Redraw();  // the size fields follow the unit
}

void WindowCommands::PatternSetup() {
  view_.ReadControls();
  PatternDialogHooks hooks;
  auto setup = std::make_shared<QPointer<QDialog>>();
  // The worker reads the pattern settings while it prints: the dialog waits.
  hooks.print = [this, setup] {
    work_.PrintPattern();
    if (work_.Busy() && *setup) (*setup)->setEnabled(false);
  };
  if (work_.ImageLoaded() && work_.Document()) {
    const DisplayUnit unit = ReadDisplayUnit(Files());
    const OrientedImage& grid = work_.Document()->grid;
    hooks.canvas = Q(FormatPointsInDisplayUnit(grid.printWidthPt, unit) + " x " +
                     FormatPointsInDisplayUnit(grid.printHeightPt, unit) + " ") +
                   Q(Texts()[DisplayUnitLabelEntry(unit)]);
  }
  const std::filesystem::path library = ShapeLibraryPath(Files(), DefaultLibraryFolders(Files()));
  std::unique_ptr<QDialog> dialog =
      MakePatternSetupDialog(parts_.window, Files(), Texts(), library, std::move(hooks));
  *setup = dialog.get();
  connect(&work_, &ImageWork::printFinished, dialog.get(), [setup] { (*setup)->setEnabled(true); });
  dialog->exec();
  work_.CommitSettings();
  work_.Redraw();  // "Pattern Preview" shows the new pattern
}

void WindowCommands::SavePreset() {
  view_.ReadControls();
  QString file = QFileDialog::getSaveFileName(parts_.window, Q(Texts()[entry::kSaveSettings]),
                                              Q(LastPresetFile(Files()).string()),
                                              QStringLiteral("Presets (*.svcfg)"));
  if (file.isEmpty()) return;
  if (!file.endsWith(QStringLiteral(".svcfg"), Qt::CaseInsensitive))
    file += QStringLiteral(".svcfg");
  if (Status written = WritePreset(work_.Session(), FilePath(file)); !written) {
    view_.ShowMessage({Texts()[entry::kTitle], written.failure().message, MessageIcon::Error});
  }
}

void WindowCommands::LoadPreset(bool builtIn) {
  const std::filesystem::path start =
      builtIn ? BuiltInPresetFolder() : LastPresetFile(Files()).parent_path();
  const QString file = QFileDialog::getOpenFileName(
      parts_.window, Q(Texts()[builtIn ? entry::kBuiltInPresets : entry::kLoadSettings]),
      Q(start.string()), QStringLiteral("Presets (*.svcfg);;All files (*)"));
  if (!file.isEmpty()) work_.OpenPresetFile(FilePath(file), !builtIn);
}

void WindowCommands::LoadDefaults() {
  view_.ReadControls();
  view_.ShowMediaRules(nvx::LoadDefaults(work_.Session()));
  parts_.header->ShowBanner(Live().tonerOrder);
  view_.ShowLive();
  view_.ShowUnit();
  work_.Redraw();
}

// ---------------------------------------------------------------------------
// The Utility and Help menus

void WindowCommands::PrinterMode() {
  view_.ReadControls();
  ShowPrinterModeDialog(parts_.window, Files(), Texts(), work_.Session().modelKey, Live().printer);
}

void WindowCommands::TonerOrderDialog() {
  ShowTonerOrderDialog(parts_.window, Texts(), Live().tonerOrder,
                       [this](TonerOrder order) { SetTonerOrder(order); });
}

void WindowCommands::SetTonerOrder(TonerOrder order) {
  Live().colourPoints = nvx::SetTonerOrder(Files(), order);
  Live().tonerOrder = order;
  parts_.header->ShowBanner(order);
  view_.ReadControls();
  work_.ReapplyMedia();
  work_.Redraw();
}

void WindowCommands::CostStatistics() {
  // Stored at once: a print or another program costs with what OK wrote.
  if (ShowCostSettingsDialog(parts_.window, Files(), Texts())) work_.CommitSettings();
}

void WindowCommands::Language() {
  PrintSession& session = work_.Session();
  std::optional<LanguageTexts> chosen =
      ShowLanguageDialog(parts_.window, Files(), ctx_.programFolder, session.text);
  if (!chosen) return;
  session.text = std::move(chosen->table);
  for (const Message& note : chosen->notes) view_.ShowMessage(note);
  view_.ReadControls();
  // The lists hold texts: the same entries, now in the new language.
  PrinterPanel& panel = parts_.tools->Printer();
  const int media = panel.MediaIndex();
  const int tray = panel.TrayIndex();
  for (std::size_t i = 0; i < session.mediaList.size(); ++i) {
    session.mediaList[i] = session.text[MediaList()[i].textEntry];
  }
  for (std::size_t i = 0; i < session.trayList.size(); ++i) {
    session.trayList[i] = session.text[entry::kTrays[i]];
  }
  Live().mediaType = session.mediaList[static_cast<std::size_t>(std::max(0, media))];
  Live().paperTray = session.trayList[static_cast<std::size_t>(std::max(0, tray))];
  emit languageChanged();
  panel.RenameLists(session);
  view_.ReadControls();
}

void WindowCommands::Help() {
  const std::filesystem::path manual = ctx_.programFolder / "manual" / "index.html";
  if (!std::filesystem::exists(manual)) {
    view_.ShowNote(QStringLiteral("The user manual is not installed: ") + Q(manual.string()));
    return;
  }
  // Without a browser or a file handler the desktop opens nothing: say where the manual is.
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(Q(manual.string())))) {
    view_.ShowMessage({Texts()[entry::kTitle],
                       std::string(texts::kManualNotOpened) + manual.string(),
                       MessageIcon::Exclamation});
  }
}

void WindowCommands::OnlineHelp() {
  if (!ctx_.onlineHelpUrl.empty()) QDesktopServices::openUrl(QUrl(Q(ctx_.onlineHelpUrl)));
}

void WindowCommands::About() { ShowAboutBox(parts_.window, Texts(), ctx_.version); }

}  // namespace nvx::app
