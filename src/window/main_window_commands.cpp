#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "base/product.h"
#include "base/text.h"
#include "image/preview.h"
#include "job/presets.h"
#include "lang/text_entries.h"
#include "pattern/shape_library.h"
#include "platform/printer_enumeration.h"
#include "platform/readable_file.h"
#include "printers/media.h"
#include "printers/media_rules.h"
#include "printers/models.h"
#include "printers/printer_list.h"
#include "settings/last_files.h"
#include "settings/margins.h"
#include "settings/paper.h"
#include "settings/settings_keys.h"
#include "settings/startup.h"
#include "settings/units.h"
#include "window/artwork.h"
#include "window/cost_dialogs.h"
#include "window/dialogs.h"
#include "window/main_window.h"
#include "window/menu_text.h"
#include "window/paper_dialogs.h"
#include "window/pattern_dialogs.h"
#include "window/preview_widget.h"
#include "window/printer_panel.h"
#include "window/qt_text.h"
#include "window/window_texts.h"
#include "window/window_work.h"

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

// ---------------------------------------------------------------------------
// Commands

void MainWindow::OnOpenFile() {
  const QString folder =
      QFile::decodeName(ReadLastFile(Files().userFolder, kLastFileSlots).c_str());
  const QString file = QFileDialog::getOpenFileName(
      this, Text(95), folder,
      QStringLiteral(
          "Images (*.png *.jpg *.jpeg *.gif *.tif *.tiff *.bmp *.psd *.webp *.heic *.pdf "
          "*.svg *.eps *.ps *.PNG *.JPG *.JPEG *.GIF *.TIF *.TIFF *.BMP *.PSD *.WEBP "
          "*.HEIC *.PDF *.SVG *.EPS *.PS);;"
          "All files (*)"));
  if (!file.isEmpty()) OpenImage(file);
}

void MainWindow::OpenImage(const std::filesystem::path& path) {
  if (HoldImage(path)) return;
  const std::filesystem::path file = ResolveDroppedFile(path);
  if (Result<platform::ReadableFile> readable = platform::ReadableFile::Open(file); !readable) {
    statusBar()->showMessage(Q(texts::kCannotOpen) + QFile::decodeName(path.c_str()) + ": " +
                             Q(readable.failure().message));
    return;
  }
  if (AsciiLower(file.extension().string()) == kPresetExtension) {
    OpenPresetFile(file, true);
    return;
  }
  if (!IsImageFileName(file)) {
    statusBar()->showMessage(Q(texts::kNotAnImage) + Q(file.filename().string()));
    return;
  }
  if (busy_) return;
  ReadControls();
  StartLoad(file.string(), false);
}

// A file handed over while the user works in a dialog (or while the worker
// runs) would change the image under it: it waits, the latest one winning,
// until both are done.
bool MainWindow::HoldImage(const std::filesystem::path& path) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal && !busy_) return false;
  heldImage_ = path;
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    connect(dialog, &QDialog::finished, this, &MainWindow::OpenHeldImage,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
  }
  return true;
}

void MainWindow::OpenHeldImage() {
  if (heldImage_.empty() || busy_ || QApplication::activeModalWidget()) return;
  OpenImage(std::exchange(heldImage_, std::filesystem::path()));
}

void MainWindow::OpenPresetFile(const std::filesystem::path& file, bool remember) {
  if (busy_) return;
  ReadControls();
  const Result<Notes> read = ReadPreset(work_->session, file, PresetScope::Stored);
  if (!read) {
    ShowMessage({Texts()[entry::kTitle], read.failure().message, MessageIcon::Error});
    return;
  }
  for (const Message& note : *read) ShowMessage(note);
  if (remember) RememberPresetFile(Files(), file);
  ShowLive();
  ShowUnit();
  // The preset's paper and margins may change the printable area: fit again.
  if (imageLoaded_) work_->fitRequested = true;
  RedrawPreview();
}

void MainWindow::OnLoadPreset(bool builtIn) {
  const std::filesystem::path start =
      builtIn ? BuiltInPresetFolder() : LastPresetFile(Files()).parent_path();
  const QString file =
      QFileDialog::getOpenFileName(this, Text(builtIn ? 209 : 93), Q(start.string()),
                                   QStringLiteral("Presets (*.svcfg);;All files (*)"));
  if (!file.isEmpty()) OpenPreset(file, !builtIn);
}

void MainWindow::OnSavePreset() {
  ReadControls();
  QString file = QFileDialog::getSaveFileName(this, Text(94), Q(LastPresetFile(Files()).string()),
                                              QStringLiteral("Presets (*.svcfg)"));
  if (file.isEmpty()) return;
  if (!file.endsWith(QStringLiteral(".svcfg"), Qt::CaseInsensitive))
    file += QStringLiteral(".svcfg");
  if (Status written = WritePreset(work_->session, FilePath(file)); !written) {
    ShowMessage({Texts()[entry::kTitle], written.failure().message, MessageIcon::Error});
  }
}

void MainWindow::OpenDroppedFiles(const QList<QByteArray>& paths) {
  // The first file that is an image opens; the others are reported, never opened.
  for (const QByteArray& p : paths) {
    const std::filesystem::path file = ResolveDroppedFile(p.toStdString());
    if (IsImageFileName(file)) {
      OpenImage(file);
      return;
    }
  }
  statusBar()->showMessage(
      Q(texts::kNotAnImage) +
      QFile::decodeName(std::filesystem::path(paths.front().toStdString()).filename().c_str()));
}

void MainWindow::RememberRecentFile(const std::string& path) {
  std::vector<std::string> paths{path};
  for (int slot = 1; slot <= kRecentFileCount; ++slot) {
    std::string p = ReadLastFile(Files().userFolder, slot);
    if (!p.empty() && p != path) paths.push_back(std::move(p));
  }
  paths.resize(std::min<std::size_t>(paths.size(), kRecentFileCount));
  if (const Status written = WriteLastFiles(Files().userFolder, paths); !written) {
    const Failure failure = WriteFailureOf(Files().userFolder / kLastFileName, written.failure());
    ShowMessage({std::string(kProductShortTitle), failure.message, MessageIcon::Error});
  }
  BuildRecentFiles();
}

void MainWindow::OnPrint() {
  if (!imageLoaded_ || busy_) return;
  ReadControls();
  WriteSetting(Files(), keys::kActive, keys::kPrinter, live_.printer);
  StartPrint();
}

void MainWindow::OnPaperChanged() {
  ReadControls();
  const Status chosen = ChoosePaper(work_->session, live_.paperName);
  if (!chosen) ShowFailure(chosen.failure());
  ShowLive();
  RedrawPreview();
}

void MainWindow::OnTrayChanged() {
  const Status chosen = ChooseTray(work_->session, S(printerPanel_->TrayText()));
  if (!chosen) ShowFailure(chosen.failure());
  ShowLive();
}

void MainWindow::OnMediaChanged() {
  ReadControls();
  const Result<MediaRuleOutcome> rules = ChooseMedia(work_->session, live_.mediaType);
  if (rules) {
    ShowMediaOutcome(*rules);
  } else {
    ShowFailure(rules.failure());
  }
  ShowLive();
  RedrawPreview();
}

void MainWindow::ShowMediaOutcome(const MediaRuleOutcome& outcome) {
  printerPanel_->ShowHands(outcome.showHands, outcome.leftHand, outcome.rightHand);
  if (IsMediaNote(Texts(), outcome.hintEntry)) {
    statusBar()->showMessage(Text(outcome.hintEntry));
  } else {
    statusBar()->clearMessage();
  }
}

void MainWindow::ShowFailure(const Failure& failure) {
  if (failure.message.empty()) return;  // the user has been told already
  ShowMessage({Texts()[0], failure.message, MessageIcon::Error});
}

void MainWindow::OnHand(bool left) {
  const bool chosen = printerPanel_->HandChecked(left);  // the click has already toggled it
  const bool leftOn = left ? chosen : false;
  const bool rightOn = left ? false : chosen;
  WriteSettings(Files(), {{keys::kOthers, keys::kLeftHand, leftOn ? "1" : "0"},
                          {keys::kOthers, keys::kRightHand, rightOn ? "1" : "0"}});
  printerPanel_->ShowHands(true, leftOn, rightOn);
  RedrawPreview();
}

void MainWindow::OnSubstrate(int index) {
  for (std::size_t i = 0; i < substrates_.size(); ++i) {
    substrates_[i]->setChecked(kSubstrates[i].index == index);
  }
  if (index == substrate_) return;
  substrate_ = index;
  RedrawPreview();
}

void MainWindow::OnFlip() {
  ReadControls();
  if (!imageLoaded_ || currentFile_.empty()) {
    RedrawPreview();
    return;
  }
  StartLoad(currentFile_, true);
}

void MainWindow::OnBackgroundRemoval() {
  ReadControls();
  if (imageLoaded_ && !currentFile_.empty()) StartLoad(currentFile_, false);
}

void MainWindow::OnCopiesEdited() {
  ReadControls();
  ShowLive();
  RedrawPreview();
}

void MainWindow::OnSettingChanged() {
  ReadControls();
  ShowSliderLabels();
  RedrawPreview();
}

void MainWindow::OnTick() {
  if (!printerPanel_->HasPrinters()) FillPrinters();
  printerPanel_->SetPrintable(imageLoaded_ && !busy_);
  CommitSettings();
  // Not from here: a worker's end calls this before it has shown its outcome.
  if (!heldImage_.empty()) QTimer::singleShot(0, this, &MainWindow::OpenHeldImage);
}

void MainWindow::OnLoadDefaults() {
  SetTonerOrder(TonerOrder::WhiteLast);
  live_.tonerPercent = 50;
  live_.whiteMaskPercent = 100;
  live_.copies = 1;
  live_.displayWhite = false;
  live_.printWhite = false;
  live_.thresholdOn = false;
  live_.printCmy = true;
  live_.whiteChokeMm = 0;
  WriteWhiteChoke(Files(), 0);
  work_->session.userMargins = PageMargins{};
  WriteMargins(Files(), work_->session.userMargins);
  WriteSettings(Files(), {{keys::kActive, "Duo I Sheet", "0"},
                          {keys::kOthers, keys::kRightHand, "1"},
                          {keys::kOthers, keys::kLeftHand, "0"}});
  CreateDefaultSettings(Files());
  ShowStoredDefaults();
  ShowLive();
  ReadControls();
  ReapplyMedia();
  ShowUnit();
  RedrawPreview();
}

// The lists show what the defaults stored: the paper and the first tray. The
// printer stays the one in use, and is stored as the one in use (the default
// name is a queue this system may not have).
void MainWindow::ShowStoredDefaults() {
  PrintSession& session = work_->session;
  if (!live_.printer.empty()) WriteSetting(Files(), keys::kActive, keys::kPrinter, live_.printer);
  const std::string stored = ReadSetting(Files(), keys::kActive, keys::kPaperSize);
  live_.paperTray = session.trayList.front();
  const Status chosen = ChoosePaper(
      session, FindChoice(session.paperList, stored) ? stored : std::string(kDefaultPaper));
  if (!chosen) ShowFailure(chosen.failure());
}

void MainWindow::ReapplyMedia() {
  const Result<MediaRuleOutcome> rules = ChooseMedia(work_->session, live_.mediaType);
  if (rules) ShowMediaOutcome(*rules);
  ShowLive();
}

void MainWindow::SetTonerOrder(TonerOrder order) {
  live_.colourPoints = nvx::SetTonerOrder(Files(), order);
  live_.tonerOrder = order;
  ShowBanner();
  ReadControls();
  ReapplyMedia();
  RedrawPreview();
}

void MainWindow::OnDefaultProfiles() {
  WriteSettings(Files(), {{keys::kActive, keys::kIcmProfileOut, kDefaultProfileOut},
                          {keys::kActive, keys::kIcmProfileIn, kDefaultProfileIn}});
  if (imageLoaded_ && !currentFile_.empty() && !busy_) StartLoad(currentFile_, false);
}

void MainWindow::OnPickProfile(bool input) {
  const QString file = PickProfile(this, input ? Text(91) : Text(90));
  if (file.isEmpty()) return;
  WriteSetting(Files(), keys::kActive, input ? keys::kIcmProfileIn : keys::kIcmProfileOut,
               FilePath(file).string());
  ShowMessage({Texts()[0], Texts()[92], MessageIcon::Information});
}

void MainWindow::OnUnits() {
  ShowUnitsDialog(this, Files(), Texts());
  ShowUnit();
  RedrawPreview();  // the size fields follow the unit
}

void MainWindow::OnCustomPaper() {
  if (busy_) return;  // the worker reads the paper while it runs
  ReadControls();
  const Status chosen = ShowCustomPaperDialog(this, work_->session);
  if (!chosen) ShowFailure(chosen.failure());
  printerPanel_->FillPapers(work_->session.paperList);
  ShowLive();
  RedrawPreview();
}

void MainWindow::OnMargins() {
  if (busy_) return;
  ReadControls();
  if (!ShowMarginDialog(this, work_->session, live_.printer)) return;
  ShowLive();
  RedrawPreview();
}

void MainWindow::OnJpegSettings() { ShowJpegDialog(this, Files(), Texts()); }

void MainWindow::OnBlackRemoval() {
  ShowBlackRemovalDialog(this, Files(), Texts(), [this] { RedrawPreview(); });
}

void MainWindow::OnPatternSetup() {
  ReadControls();
  PatternDialogHooks hooks;
  auto setup = std::make_shared<QPointer<QDialog>>();
  // The worker reads the pattern settings while it prints: the dialog waits.
  hooks.print = [this, setup] {
    OnPatternPrint();
    if (busy_ && *setup) (*setup)->setEnabled(false);
  };
  if (imageLoaded_ && work_->document) {
    const DisplayUnit unit = ReadDisplayUnit(Files());
    const OrientedImage& grid = work_->document->grid;
    hooks.canvas = Q(FormatPointsInDisplayUnit(grid.printWidthPt, unit) + " x " +
                     FormatPointsInDisplayUnit(grid.printHeightPt, unit) + " ") +
                   Text(DisplayUnitLabelEntry(unit));
  }
  const std::filesystem::path library = ShapeLibraryPath(Files(), DefaultLibraryFolders(Files()));
  std::unique_ptr<QDialog> dialog =
      MakePatternSetupDialog(this, Files(), Texts(), library, std::move(hooks));
  *setup = dialog.get();
  connect(this, &MainWindow::printFinished, dialog.get(), [setup] { (*setup)->setEnabled(true); });
  dialog->exec();
  CommitSettings();
  RedrawPreview();  // "Pattern Preview" shows the new pattern
}

void MainWindow::OnPatternPrint() {
  if (!imageLoaded_ || busy_) return;
  live_.patternPrint = true;  // for this print only; its end turns it off
  OnPrint();
}

void MainWindow::OnTonerOrder() {
  ShowTonerOrderDialog(this, Texts(), live_.tonerOrder,
                       [this](TonerOrder order) { SetTonerOrder(order); });
}

void MainWindow::OnPrinterMode() {
  ReadControls();
  ShowPrinterModeDialog(this, Files(), Texts(), ModelKey(), live_.printer);
}

void MainWindow::OnCostStatistics() {
  // Stored at once: a print or another program costs with what OK wrote.
  if (ShowCostSettingsDialog(this, Files(), Texts())) CommitSettings();
}

void MainWindow::OnLanguage() {
  PrintSession& session = work_->session;
  std::optional<LanguageTexts> chosen =
      ShowLanguageDialog(this, Files(), ctx_.programFolder, session.text);
  if (!chosen) return;
  session.text = std::move(chosen->table);
  for (const Message& note : chosen->notes) ShowMessage(note);
  ReadControls();
  // The lists hold texts: the same entries, now in the new language.
  const int media = printerPanel_->MediaIndex();
  const int tray = printerPanel_->TrayIndex();
  for (std::size_t i = 0; i < session.mediaList.size(); ++i) {
    session.mediaList[i] = session.text[MediaList()[i].textEntry];
  }
  for (std::size_t i = 0; i < session.trayList.size(); ++i) {
    session.trayList[i] = session.text[entry::kTrays[i]];
  }
  live_.mediaType = session.mediaList[static_cast<std::size_t>(std::max(0, media))];
  live_.paperTray = session.trayList[static_cast<std::size_t>(std::max(0, tray))];
  BuildMenus();
  ApplyTexts();
  printerPanel_->RenameLists(session);
  ReadControls();
}

void MainWindow::OnHelp() {
  const std::filesystem::path manual = ctx_.programFolder / "manual" / "index.html";
  if (!std::filesystem::exists(manual)) {
    statusBar()->showMessage(QStringLiteral("The user manual is not installed: ") +
                             Q(manual.string()));
    return;
  }
  // Without a browser or a file handler the desktop opens nothing: say where the manual is.
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(Q(manual.string())))) {
    ShowMessage({Texts()[entry::kTitle], std::string(texts::kManualNotOpened) + manual.string(),
                 MessageIcon::Exclamation});
  }
}

void MainWindow::OnOnlineHelp() {
  if (!ctx_.onlineHelpUrl.empty()) QDesktopServices::openUrl(QUrl(Q(ctx_.onlineHelpUrl)));
}

void MainWindow::OnAbout() { ShowAboutBox(this, Texts(), ctx_.version); }

void MainWindow::OnFitToPage() {
  ReadControls();
  live_.xCopy = 1;
  live_.yCopy = 1;
  ShowLive();
  work_->fitRequested = true;
  RedrawPreview();
}

void MainWindow::OnBlankPage() {
  ReadControls();
  StartBlankPage();
}

void MainWindow::Raise() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void MainWindow::SetBusy(bool busy) {
  busy_ = busy;
  // The worker reads the settings while it runs: nothing may change them meanwhile.
  toolPanel_->setEnabled(!busy);
  for (QMenu* menu : settingMenus_) menu->setEnabled(!busy);
  if (marginsAction_) marginsAction_->setEnabled(!busy);
  OnTick();
}

// ---------------------------------------------------------------------------
// Window events

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  RedrawPreview();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  KeepFrameOnScreen();
  // The desktop puts its frame around the window a moment after it is shown:
  // look again once the frame is known, or after a while without one.
  auto* watch = new QTimer(this);
  watch->setInterval(50);
  auto looks = std::make_shared<int>(0);
  connect(watch, &QTimer::timeout, this, [this, watch, looks] {
    if (frameGeometry() == geometry() && ++*looks < 40) return;
    watch->stop();
    watch->deleteLater();
    KeepFrameOnScreen();
  });
  watch->start();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // The job is half sent; closing now would leave the printer waiting for the rest.
    statusBar()->showMessage(Text(40));
    event->ignore();
    return;
  }
  const QRect frame = frameGeometry();
  metrics_.x = frame.x();
  metrics_.y = frame.y();
  metrics_.width = width();
  metrics_.height = height();
  metrics_.panelWidth = splitter_->sizes().value(0, metrics_.panelWidth);
  metrics_.previewHeight = PreviewHeightFor(metrics_.panelWidth);
  WriteWindowMetrics(Files(), metrics_);
  CommitSettings();
  event->accept();
}

}  // namespace nvx::app
