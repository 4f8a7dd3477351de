#include "window/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "base/text.h"
#include "lang/text_entries.h"
#include "printers/models.h"
#include "settings/last_files.h"
#include "settings/settings_keys.h"
#include "window/artwork.h"
#include "window/image_panel.h"
#include "window/image_work.h"
#include "window/menu_text.h"
#include "window/page_view.h"
#include "window/printer_panel.h"
#include "window/render_box.h"
#include "window/sheet_work.h"
#include "window/size_panel.h"
#include "window/tool_panel.h"
#include "window/white_panel.h"
#include "window/window_header.h"
#include "window/window_texts.h"
#include "window/window_work.h"

namespace nvx::app {
namespace {

constexpr int kTickMs = 1000;

}  // namespace

MainWindow::MainWindow(WindowContext context, std::unique_ptr<WindowWork> work, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowIcon(art::ProgramIcon());
  metrics_ = ReadWindowMetrics(work->session.files);

  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(8, 4, 8, 2);
  column->setSpacing(4);
  header_ = new WindowHeader;
  column->addWidget(header_);
  splitter_ = new QSplitter(Qt::Horizontal);
  splitter_->setObjectName(QStringLiteral("panels"));
  splitter_->setChildrenCollapsible(false);
  page_ = new PageView;
  splitter_->addWidget(page_);
  tools_ = new ToolPanel(HasFaceUpExit(work->session.modelKey), devicePixelRatioF());
  splitter_->addWidget(tools_);
  // The page preview takes the room a larger window gives; the controls keep
  // the width they need.
  tools_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  column->addWidget(splitter_, 1);
  setCentralWidget(central);
  statusBar()->setObjectName(QStringLiteral("statusBar"));

  const WindowParts parts{this, header_, tools_, page_};
  work_ = new ImageWork(parts, std::move(work), this);
  commands_ = new WindowCommands(*work_, parts, std::move(context), this);
  sheet_ = new SheetWork(parts, *work_, this);
  BuildMenus();
  ApplyTexts();
  // The session has applied the first media's rules; the hands come from them.
  tools_->Printer().FillLists(work_->Session());
  work_->FillPrinters();
  work_->ReapplyMedia();
  work_->Live().printCmy = true;  // as the session opened them, whatever the media's rules say
  work_->Live().automaticTile = false;
  work_->View().ShowLive();
  ConnectControls();
  SetTabOrder();
  PlaceWindow();

  tick_ = new QTimer(this);
  tick_->setInterval(kTickMs);
  connect(tick_, &QTimer::timeout, work_, &ImageWork::Tick);
  tick_->start();
  work_->Tick();
}

MainWindow::~MainWindow() {
  // A worker still running holds a copy of the session and the image: it ends first.
  work_->Abandon();
}

void MainWindow::OpenImage(const std::filesystem::path& path) {
  // A gang sheet's file opens the sheet, as "Open Gang Sheet" does.
  if (AsciiLower(path.extension().string()) == texts::kSheetExtension) {
    sheet_->OpenSheetFile(path);
    return;
  }
  work_->OpenImage(path);
}
void MainWindow::OpenPresetFile(const std::filesystem::path& path, bool remember) {
  work_->OpenPresetFile(path, remember);
}
const LiveSettings& MainWindow::Live() const { return work_->Session().live; }
bool MainWindow::ImageLoaded() const { return work_->ImageLoaded(); }
bool MainWindow::Busy() const { return work_->Busy(); }
const SettingsFiles& MainWindow::Files() const { return work_->Files(); }
void MainWindow::CommitSettings() { work_->CommitSettings(); }
const TextTable& MainWindow::Texts() const { return work_->Texts(); }
const std::string& MainWindow::ModelKey() const { return work_->Session().modelKey; }

void MainWindow::BuildMenus() {
  menuBar()->clear();
  recentActions_.clear();
  settingMenus_.clear();
  MenuText bar(Texts());
  WindowCommands* c = commands_;
  auto add = [&](QMenu* menu, const QString& text, auto slot, const char* name = nullptr) {
    QAction* a = menu->addAction(text);
    if (name) a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, c, slot);
    return a;
  };
  fileMenu_ = menuBar()->addMenu(bar.Menu(entry::kFileMenu, "&File"));
  MenuText name(Texts());
  add(fileMenu_, name.Entry(entry::kOpenFileMenu), &WindowCommands::OpenFile, "actionOpen")
      ->setShortcut(QKeySequence::Open);
  QMenu* sheets = fileMenu_->addMenu(name.Entry(-1, texts::kSheetMenu));
  MenuText sheetName(Texts());
  QAction* newSheet = add(
      sheets, sheetName.Entry(-1, texts::kNewSheet), [this] { sheet_->Begin(); }, "actionNewSheet");
  QAction* openSheet = add(
      sheets, sheetName.Entry(-1, texts::kOpenSheet), [this] { OpenSheet(); }, "actionOpenSheet");
  QAction* saveSheet = add(
      sheets, sheetName.Entry(-1, texts::kSaveSheet), [this] { SaveSheet(); }, "actionSaveSheet");
  QAction* leaveSheet = add(
      sheets, sheetName.Entry(-1, texts::kLeaveSheet), [this] { sheet_->Leave(); },
      "actionLeaveSheet");
  sheetActions_ = {newSheet, openSheet, saveSheet, leaveSheet};
  connect(sheets, &QMenu::aboutToShow, this, [this, saveSheet, leaveSheet] {
    saveSheet->setEnabled(sheet_->Shown() && !work_->Busy());
    leaveSheet->setEnabled(sheet_->Shown() && !work_->Busy());
  });
  add(
      fileMenu_, name.Entry(entry::kPrintMenu), [this] { work_->Print(); }, "actionPrint")
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  marginsAction_ =
      add(fileMenu_, name.Entry(entry::kPrintMargins), &WindowCommands::Margins, "actionMargins");
  add(fileMenu_, name.Entry(entry::kPrintBlankPage), [this] { work_->PrintBlankPage(); });
  QAction* exit = add(
      fileMenu_, name.Entry(entry::kExitMenu), [this] { close(); }, "actionExit");
  exit->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::ALT | Qt::Key_F4)});
  exit->setShortcutContext(Qt::ApplicationShortcut);
  BuildRecentFiles();

  QMenu* tools = menuBar()->addMenu(bar.Menu(entry::kToolsMenu, "&Tools"));
  name = MenuText(Texts());
  add(tools, name.Entry(entry::kJpegSettingsMenu), &WindowCommands::JpegSettings);
  add(tools, name.Entry(-1, texts::kBlackRemoval), &WindowCommands::BlackRemoval);
  MenuText sub(Texts());
  QMenu* profiles = tools->addMenu(name.Entry(-1, texts::kPresetProfiles));
  add(profiles, sub.Entry(-1, texts::kDefaultProfiles), &WindowCommands::DefaultProfiles);
  add(profiles, sub.Entry(entry::kInputProfileMenu), [c] { c->PickProfile(true); });
  add(profiles, sub.Entry(entry::kOutputProfileMenu), [c] { c->PickProfile(false); });
  add(tools, name.Entry(entry::kColourDialogMenu), &WindowCommands::CurveEditor,
      "actionCurveEditor");
  add(tools, name.Entry(entry::kCustomPaperSize), &WindowCommands::CustomPaper,
      "actionCustomPaper");
  add(tools, name.Entry(entry::kUnitsMenu), &WindowCommands::Units);
  add(tools, name.Entry(entry::kPatternSetup), &WindowCommands::PatternSetup, "actionPatternSetup");
  tools->addSeparator();
  add(tools, name.Entry(entry::kSaveSettingsMenu), &WindowCommands::SavePreset, "actionSavePreset");
  add(
      tools, name.Entry(entry::kLoadSettingsMenu), [c] { c->LoadPreset(false); },
      "actionLoadPreset");
  add(tools, name.Entry(entry::kBuiltInPresets), [c] { c->LoadPreset(true); });
  add(tools, name.Entry(entry::kLoadDefaultsMenu), &WindowCommands::LoadDefaults,
      "actionLoadDefaults");

  QMenu* utility = menuBar()->addMenu(bar.Menu(entry::kUtilityMenu, "&Utility"));
  name = MenuText(Texts());
  add(utility, name.Entry(entry::kPrinterMode), &WindowCommands::PrinterMode);
  if (CanSwitchTonerOrder(ModelKey())) {
    add(utility, name.Entry(entry::kTonerOrderMenu), &WindowCommands::TonerOrderDialog,
        "actionTonerOrder");
  }
  add(utility, name.Entry(entry::kCostStatistics, texts::kCostStatistics),
      &WindowCommands::CostStatistics, "actionCostStatistics");
  // Run-length encoded rows, kept in the settings; a loaded preset may change it.
  QAction* compact = add(
      utility, name.Entry(-1, texts::kCompactJobs),
      [this](bool on) {
        work_->Live().compactRaster = on;
        WriteCompactRaster(work_->Files(), on);
      },
      "actionCompactJobs");
  compact->setCheckable(true);
  connect(utility, &QMenu::aboutToShow, compact,
          [this, compact] { compact->setChecked(Live().compactRaster); });
  add(utility, name.Entry(entry::kLanguageMenu), &WindowCommands::Language);
  settingMenus_ = {tools, utility};

  QMenu* help = menuBar()->addMenu(bar.Menu(entry::kHelpMenu, "&Help"));
  name = MenuText(Texts());
  add(help, name.Entry(entry::kHelpMenu), &WindowCommands::Help, "actionHelp");
  add(help, name.Entry(-1, texts::kOnlineHelp), &WindowCommands::OnlineHelp)
      ->setEnabled(!commands_->Context().onlineHelpUrl.empty());
  add(help, name.Entry(entry::kAboutMenu), &WindowCommands::About);
}

void MainWindow::BuildRecentFiles() {
  for (QAction* a : recentActions_) {
    fileMenu_->removeAction(a);
    a->deleteLater();
  }
  recentActions_.clear();
  const std::vector<std::string> paths = ReadRecentFiles(Files().userFolder);
  if (paths.empty()) return;
  recentActions_.push_back(fileMenu_->addSeparator());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    // Numbered mnemonics, as file managers and editors number their recent files.
    const QString label =
        QStringLiteral("&%1 %2").arg(i + 1).arg(Q(RecentFileLabel(paths[i])).replace('&', "&&"));
    QAction* a = fileMenu_->addAction(label);
    a->setObjectName(QStringLiteral("actionRecent%1").arg(i + 1));
    a->setToolTip(Q(paths[i]));
    connect(a, &QAction::triggered, this,
            [this, path = paths[i]] { OpenImage(std::filesystem::path(path)); });
    recentActions_.push_back(a);
  }
}

void MainWindow::ApplyTexts() {
  tools_->ApplyTexts(Texts());
  std::string title = Texts()[entry::kTitleLabel];
  if (const auto mark = title.find(texts::kTitleModelMark); mark != std::string::npos) {
    title.replace(mark, texts::kTitleModelMark.size(), ModelKey());
  }
  header_->ShowTitle(Q(title));
  if (!work_->ImageLoaded() && !work_->Busy()) work_->View().ShowStatusEntry(entry::kNoFileStatus);
  const std::string& file = work_->CurrentFile();
  setWindowTitle(Q(Texts()[entry::kTitle]) + QStringLiteral(" - ") +
                 (file.empty() ? Q(Texts()[entry::kNoFile])
                               : Q(std::filesystem::path(file).filename().string())));
  work_->View().ShowUnit();
  header_->ShowBanner(Live().tonerOrder);
}

void MainWindow::ConnectControls() {
  WindowCommands* c = commands_;
  PrinterPanel* printer = &tools_->Printer();
  connect(printer, &PrinterPanel::paperChanged, c, &WindowCommands::PaperChanged);
  connect(printer, &PrinterPanel::trayChanged, c, &WindowCommands::TrayChanged);
  connect(printer, &PrinterPanel::mediaChanged, c, &WindowCommands::MediaChanged);
  connect(printer, &PrinterPanel::printerChanged, c, &WindowCommands::SettingChanged);
  connect(printer, &PrinterPanel::settingChanged, c, &WindowCommands::SettingChanged);
  connect(printer, &PrinterPanel::copiesEdited, c, &WindowCommands::CopiesEdited);
  connect(printer, &PrinterPanel::printClicked, work_, &ImageWork::Print);
  connect(printer, &PrinterPanel::patternClicked, c, &WindowCommands::PatternSetup);
  connect(printer, &PrinterPanel::handClicked, c, &WindowCommands::HandClicked);
  connect(&tools_->Align(), &AlignPanel::settingChanged, c, &WindowCommands::SettingChanged);
  connect(&tools_->Size(), &SizePanel::copiesEdited, c, &WindowCommands::CopiesEdited);
  connect(&tools_->Size(), &SizePanel::settingChanged, c, &WindowCommands::SettingChanged);
  connect(&tools_->Size(), &SizePanel::fitToPage, work_, &ImageWork::FitToPage);
  connect(&tools_->White(), &WhitePanel::settingChanged, c, &WindowCommands::SettingChanged);
  connect(&tools_->White(), &WhitePanel::chokeChanged, c, &WindowCommands::WhiteChoke);
  connect(&tools_->Image(), &ImagePanel::settingChanged, c, &WindowCommands::SettingChanged);
  connect(&tools_->Image(), &ImagePanel::flipClicked, work_, &ImageWork::Flip);
  RenderBox* render = &tools_->Image().Render();
  connect(render, &RenderBox::resolutionChanged, work_, [this] { work_->Render(false); });
  connect(render, &RenderBox::pageChosen, work_, [this] { work_->Render(true); });
  connect(&tools_->Image(), &ImagePanel::backgroundRemovalClicked, work_, [this] {
    work_->View().ReadControls();
    work_->Reload();
  });
  connect(page_, &PageView::substrateChosen, work_, &ImageWork::Redraw);
  connect(page_, &PageView::filesDropped, work_, &ImageWork::OpenDroppedFiles);
  connect(commands_, &WindowCommands::languageChanged, this, [this] {
    BuildMenus();
    ApplyTexts();
  });
  connect(work_, &ImageWork::busyChanged, this, &MainWindow::ShowBusy);
  connect(work_, &ImageWork::recentFilesChanged, this, &MainWindow::BuildRecentFiles);
  connect(work_, &ImageWork::previewRedrawn, this, &MainWindow::previewRedrawn);
  connect(work_, &ImageWork::loadFinished, this, &MainWindow::loadFinished);
  connect(work_, &ImageWork::printFinished, this, &MainWindow::printFinished);
}

void MainWindow::SetTabOrder() {
  const QList<QWidget*> order = tools_->TabOrder() + page_->TabOrder();
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainWindow::ShowBusy(bool busy) {
  // The worker reads the settings while it runs: nothing may change them meanwhile.
  for (QMenu* menu : settingMenus_) menu->setEnabled(!busy);
  for (QAction* action : sheetActions_) action->setEnabled(!busy);
  if (marginsAction_) marginsAction_->setEnabled(!busy);
}

void MainWindow::OpenSheet() {
  if (work_->Busy()) return;
  const QString file = QFileDialog::getOpenFileName(
      this, QString(Q(texts::kOpenSheet)).remove(QStringLiteral("...")), QString(),
      Q(texts::kSheetFiles));
  if (!file.isEmpty()) sheet_->OpenSheetFile(FilePath(file));
}

void MainWindow::SaveSheet() {
  if (!sheet_->Shown()) return;
  const QString file = QFileDialog::getSaveFileName(
      this, QString(Q(texts::kSaveSheet)).remove(QStringLiteral("...")), QString(),
      Q(texts::kSheetFiles));
  if (file.isEmpty()) return;
  // The dialog adds no extension of its own.
  sheet_->SaveSheetFile(FilePath(QFileInfo(file).suffix().isEmpty() ? file + ".json" : file));
}

void MainWindow::Raise() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void MainWindow::PlaceWindow() {
  resize(metrics_.width, metrics_.height);
  // A place on a screen that is no longer attached would hide the window: the
  // desktop places it then.
  const QPoint place(metrics_.x, metrics_.y);
  if (metrics_.x >= 0 && metrics_.y >= 0 && QGuiApplication::screenAt(place + QPoint(40, 40))) {
    move(place);
  }
  KeepFrameOnScreen();
  splitter_->setSizes({metrics_.panelWidth, std::max(1, width() - metrics_.panelWidth)});
}

// A size and place remembered on a larger screen would leave part of the window,
// or its title bar, out of reach: the whole frame stays on the screen's free area.
void MainWindow::KeepFrameOnScreen() {
  if (isMaximized() || isFullScreen()) return;
  const QRect frame = frameGeometry();
  const QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect kept = KeepOnScreen(frame, screen->availableGeometry());
  if (kept.size() != frame.size()) resize(size() - (frame.size() - kept.size()));
  if (kept.topLeft() != frame.topLeft()) move(kept.topLeft());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  work_->Redraw();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  KeepFrameOnScreen();
  // The desktop puts its frame around the window a moment after it is shown:
  // look again once the frame is known, or after a while without one.
  auto* watch = new QTimer(this);
  watch->setObjectName(QStringLiteral("frameWatch"));
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
  if (work_->Busy()) {
    // The job is half sent; closing now would leave the printer waiting for the rest.
    statusBar()->showMessage(Q(Texts()[entry::kPrintingStatus]));
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
