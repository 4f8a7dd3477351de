#include "window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>

#include "base/text.h"
#include "image/preview.h"
#include "job/print_session.h"
#include "lang/text_entries.h"
#include "platform/printer_enumeration.h"
#include "postscript/job_writer.h"
#include "printers/media.h"
#include "printers/media_rules.h"
#include "printers/models.h"
#include "printers/printer_list.h"
#include "settings/last_files.h"
#include "settings/numbers.h"
#include "settings/paper.h"
#include "settings/settings_keys.h"
#include "settings/startup.h"
#include "settings/units.h"
#include "window/artwork.h"
#include "window/curve_editor.h"
#include "window/dialogs.h"
#include "window/image_panel.h"
#include "window/menu_text.h"
#include "window/paper_dialogs.h"
#include "window/preview_widget.h"
#include "window/printer_panel.h"
#include "window/qt_text.h"
#include "window/size_panel.h"
#include "window/white_choke_box.h"
#include "window/white_panel.h"
#include "window/window_texts.h"
#include "window/window_work.h"

namespace nvx::app {
namespace {

constexpr int kTickMs = 1000;
// A slider dragged or a window resized redraws at the quick size on each step;
// the full size follows once the steps pause for this long.
constexpr int kFullPreviewPauseMs = 150;
constexpr int kSwatchSide = 16;
constexpr int kBannerHeight = 40;

}  // namespace

MainWindow::MainWindow(WindowContext context, std::unique_ptr<WindowWork> work, QWidget* parent)
    : QMainWindow(parent),
      ctx_(std::move(context)),
      work_(std::move(work)),
      live_(work_->session.live) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowIcon(art::ProgramIcon());
  // From now on the core's messages and progress show on this window.
  work_->session.hooks = Hooks();
  work_->session.files.hooks = &work_->session.hooks;
  metrics_ = ReadWindowMetrics(Files());
  fullPreviewState_ = std::make_unique<PreviewState>();
  fullPreviewTimer_ = new QTimer(this);
  fullPreviewTimer_->setSingleShot(true);
  fullPreviewTimer_->setInterval(kFullPreviewPauseMs);
  connect(fullPreviewTimer_, &QTimer::timeout, this, &MainWindow::StartFullPreview);

  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(8, 4, 8, 2);
  column->setSpacing(4);
  column->addWidget(BuildHeader());
  splitter_ = new QSplitter(Qt::Horizontal);
  splitter_->setObjectName(QStringLiteral("panels"));
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(BuildPreviewPanel());
  toolPanel_ = BuildToolPanel();
  splitter_->addWidget(toolPanel_);
  // The page preview takes the room a larger window gives; the controls keep
  // the width they need.
  toolPanel_->setObjectName(QStringLiteral("toolPanel"));
  toolPanel_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  column->addWidget(splitter_, 1);
  setCentralWidget(central);
  statusBar()->setObjectName(QStringLiteral("statusBar"));

  BuildMenus();
  ApplyTexts();
  FillLists();
  ConnectControls();
  SetTabOrder();
  PlaceWindow();

  tick_ = new QTimer(this);
  tick_->setInterval(kTickMs);
  connect(tick_, &QTimer::timeout, this, &MainWindow::OnTick);
  tick_->start();
  OnTick();
}

MainWindow::~MainWindow() {
  // A worker still running holds the session and the image: let it finish first.
  StopWorker();
}

const SettingsFiles& MainWindow::Files() const { return work_->session.files; }
const TextTable& MainWindow::Texts() const { return work_->session.text; }
const std::string& MainWindow::ModelKey() const { return work_->session.modelKey; }

void MainWindow::CommitSettings() {
  if (!busy_) CommitSession(work_->session);
}

UiHooks MainWindow::Hooks() {
  UiHooks hooks;
  QPointer<MainWindow> self(this);
  // The core may report the same percentage for every row: only changes cross
  // to this thread, so a burst of them never holds up the window.
  auto lastPercent = std::make_shared<std::atomic<int>>(-1);
  hooks.progress = [self, lastPercent](int percent) {
    if (lastPercent->exchange(percent) == percent) return;
    QMetaObject::invokeMethod(
        qApp,
        [self, percent] {
          if (self) self->progress_->setValue(percent);
        },
        Qt::QueuedConnection);
  };
  hooks.status = [self](std::string_view text) {
    QMetaObject::invokeMethod(
        qApp,
        [self, t = Q(text)] {
          if (!self) return;
          self->status_->setText(t);
          self->status_->setToolTip(t);
        },
        Qt::QueuedConnection);
  };
  hooks.message = [self](const Message& m) {
    // A message needs an answer before the work goes on, as a message box does.
    auto show = [self, m] {
      if (self) self->ShowMessage(m);
    };
    if (QThread::currentThread() == qApp->thread()) {
      show();
    } else {
      QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
    }
  };
  return hooks;
}

QString MainWindow::Text(int entry) const { return Q(Texts()[static_cast<std::size_t>(entry)]); }

// ---------------------------------------------------------------------------
// Building

QWidget* MainWindow::BuildHeader() {
  auto* header = new QWidget;
  auto* row = new QHBoxLayout(header);
  row->setContentsMargins(0, 0, 0, 0);
  banner_ = new QLabel;
  banner_->setObjectName(QStringLiteral("banner"));
  banner_->setFixedSize(220, kBannerHeight);
  title_ = new QLabel;
  title_->setObjectName(QStringLiteral("title"));
  QFont big = title_->font();
  big.setPointSizeF(big.pointSizeF() * 1.25);
  big.setBold(true);
  title_->setFont(big);
  title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  title_->setMinimumWidth(120);
  auto* right = new QVBoxLayout;
  right->setSpacing(2);
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(12);
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("statusLabel"));
  status_->setAlignment(Qt::AlignCenter);
  // Long texts from the core must never widen the window: they wrap onto a
  // second line, and the whole text is the label's tool tip.
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  status_->setWordWrap(true);
  status_->setFont(QFont(QStringLiteral("Monospace"), status_->font().pointSize()));
  right->addWidget(progress_);
  right->addWidget(status_);
  row->addWidget(banner_);
  row->addSpacing(8);
  row->addWidget(title_, 1);
  row->addLayout(right, 1);
  return header;
}

QWidget* MainWindow::BuildPreviewPanel() {
  auto* panel = new QWidget;
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(4);
  preview_ = new PreviewWidget;
  column->addWidget(preview_, 1);
  // The substrate swatches in two rows, so they fit the narrowest panel.
  auto* swatches = new QGridLayout;
  swatches->setSpacing(3);
  const qreal dpr = devicePixelRatioF();
  for (std::size_t i = 0; i < kSubstrates.size(); ++i) {
    const Substrate& s = kSubstrates[i];
    auto* button = new QToolButton;
    button->setObjectName(QStringLiteral("substrate%1").arg(s.index));
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setIconSize(QSize(kSwatchSide, kSwatchSide));
    button->setIcon(art::SubstrateSwatch(QColor(s.red, s.green, s.blue),
                                         s.index == kCheckerboardSubstrate, kSwatchSide, dpr));
    button->setChecked(s.index == substrate_);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QToolButton::clicked, this, [this, index = s.index] { OnSubstrate(index); });
    swatches->addWidget(button, int(i / 9), int(i % 9));
    substrates_.push_back(button);
  }
  // They stay together under the middle of a preview that has grown.
  auto* swatchRow = new QHBoxLayout;
  swatchRow->addStretch(1);
  swatchRow->addLayout(swatches);
  swatchRow->addStretch(1);
  column->addLayout(swatchRow);
  connect(preview_, &PreviewWidget::filesDropped, this, &MainWindow::OpenDroppedFiles);
  return panel;
}

QWidget* MainWindow::BuildToolPanel() {
  auto* panel = new QWidget;
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(4, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  printerPanel_ = new PrinterPanel(captions_, HasFaceUpExit(ModelKey()));
  grid->addWidget(printerPanel_, 0, 0, 3, 1);
  whitePanel_ = new WhitePanel(captions_);
  grid->addWidget(whitePanel_, 0, 1);
  imagePanel_ = new ImagePanel(captions_, devicePixelRatioF());
  grid->addWidget(imagePanel_, 1, 1);
  alignPanel_ = new AlignPanel(captions_);
  sizePanel_ = new SizePanel(captions_);
  grid->addWidget(alignPanel_, 0, 2);
  grid->addWidget(sizePanel_, 1, 2);
  grid->setRowStretch(2, 1);  // the groups stay compact; spare height gathers below them
  for (int c = 0; c < 3; ++c) grid->setColumnStretch(c, 1);
  return panel;
}

void MainWindow::BuildMenus() {
  menuBar()->clear();
  recentActions_.clear();
  settingMenus_.clear();
  MenuText bar(Texts());
  auto add = [&](QMenu* menu, const QString& text, auto slot, bool enabled = true) {
    QAction* a = menu->addAction(text);
    a->setEnabled(enabled);
    if constexpr (!std::is_same_v<decltype(slot), std::nullptr_t>) {
      connect(a, &QAction::triggered, this, slot);
    }
    return a;
  };
  fileMenu_ = menuBar()->addMenu(bar.Menu(10, "&File"));
  MenuText name(Texts());
  QAction* open = add(fileMenu_, name.Entry(11), &MainWindow::OnOpenFile);
  open->setObjectName(QStringLiteral("actionOpen"));
  open->setShortcut(QKeySequence::Open);
  QAction* print = add(fileMenu_, name.Entry(12), &MainWindow::OnPrint);
  print->setObjectName(QStringLiteral("actionPrint"));
  print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  marginsAction_ = add(fileMenu_, name.Entry(137), &MainWindow::OnMargins);
  marginsAction_->setObjectName(QStringLiteral("actionMargins"));
  add(fileMenu_, name.Entry(174), &MainWindow::OnBlankPage);
  QAction* exit = add(fileMenu_, name.Entry(13), &QWidget::close);
  exit->setObjectName(QStringLiteral("actionExit"));
  exit->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::ALT | Qt::Key_F4)});
  exit->setShortcutContext(Qt::ApplicationShortcut);
  BuildRecentFiles();

  QMenu* tools = menuBar()->addMenu(bar.Menu(14, "&Tools"));
  name = MenuText(Texts());
  add(tools, name.Entry(15), &MainWindow::OnJpegSettings);
  add(tools, name.Entry(-1, texts::kBlackRemoval), &MainWindow::OnBlackRemoval);
  MenuText sub(Texts());
  QMenu* profiles = tools->addMenu(name.Entry(-1, texts::kPresetProfiles));
  add(profiles, sub.Entry(-1, texts::kDefaultProfiles), &MainWindow::OnDefaultProfiles);
  add(profiles, sub.Entry(16), [this] { OnPickProfile(true); });
  add(profiles, sub.Entry(17), [this] { OnPickProfile(false); });
  add(tools, name.Entry(18), &MainWindow::OnCurveEditor)
      ->setObjectName(QStringLiteral("actionCurveEditor"));
  add(tools, name.Entry(147), &MainWindow::OnCustomPaper)
      ->setObjectName(QStringLiteral("actionCustomPaper"));
  add(tools, name.Entry(19), &MainWindow::OnUnits);
  add(tools, name.Entry(212), &MainWindow::OnPatternSetup)
      ->setObjectName(QStringLiteral("actionPatternSetup"));
  tools->addSeparator();
  add(tools, name.Entry(21), &MainWindow::OnSavePreset)
      ->setObjectName(QStringLiteral("actionSavePreset"));
  add(tools, name.Entry(22), [this] {
    OnLoadPreset(false);
  })->setObjectName(QStringLiteral("actionLoadPreset"));
  add(tools, name.Entry(209), [this] { OnLoadPreset(true); });
  QAction* defaults = add(tools, name.Entry(23), &MainWindow::OnLoadDefaults);
  defaults->setObjectName(QStringLiteral("actionLoadDefaults"));

  QMenu* utility = menuBar()->addMenu(bar.Menu(129, "&Utility"));
  name = MenuText(Texts());
  add(utility, name.Entry(128), &MainWindow::OnPrinterMode);
  tonerOrderAction_ = nullptr;
  if (CanSwitchTonerOrder(ModelKey())) {
    tonerOrderAction_ = add(utility, name.Entry(201), &MainWindow::OnTonerOrder);
    tonerOrderAction_->setObjectName(QStringLiteral("actionTonerOrder"));
  }
  add(utility, name.Entry(271, texts::kCostStatistics), &MainWindow::OnCostStatistics)
      ->setObjectName(QStringLiteral("actionCostStatistics"));
  // Run-length encoded rows, kept in the settings; a loaded preset may change it.
  QAction* compact = add(utility, name.Entry(-1, texts::kCompactJobs), [this](bool on) {
    live_.compactRaster = on;
    WriteCompactRaster(Files(), on);
  });
  compact->setObjectName(QStringLiteral("actionCompactJobs"));
  compact->setCheckable(true);
  connect(utility, &QMenu::aboutToShow, compact,
          [this, compact] { compact->setChecked(live_.compactRaster); });
  add(utility, name.Entry(20), &MainWindow::OnLanguage);
  settingMenus_ = {tools, utility};

  QMenu* help = menuBar()->addMenu(bar.Menu(24, "&Help"));
  name = MenuText(Texts());
  add(help, name.Entry(24), &MainWindow::OnHelp)->setObjectName(QStringLiteral("actionHelp"));
  add(help, name.Entry(-1, texts::kOnlineHelp), &MainWindow::OnOnlineHelp)
      ->setEnabled(!ctx_.onlineHelpUrl.empty());
  add(help, name.Entry(26), &MainWindow::OnAbout);
}

void MainWindow::BuildRecentFiles() {
  for (QAction* a : recentActions_) {
    fileMenu_->removeAction(a);
    a->deleteLater();
  }
  recentActions_.clear();
  std::vector<std::string> paths;
  for (int slot = 1; slot <= kRecentFileCount; ++slot) {
    std::string path = ReadLastFile(Files().userFolder, slot);
    if (!path.empty()) paths.push_back(std::move(path));
  }
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
  captions_.Apply(Texts());
  std::string title = Texts()[29];
  if (const auto mark = title.find(texts::kTitleModelMark); mark != std::string::npos) {
    title.replace(mark, texts::kTitleModelMark.size(), ModelKey());
  }
  title_->setText(Q(title));
  if (!imageLoaded_ && !busy_) SetStatusEntry(entry::kNoFileStatus);
  setWindowTitle(Text(0) + QStringLiteral(" - ") +
                 (currentFile_.empty()
                      ? Text(1)
                      : Q(std::filesystem::path(currentFile_).filename().string())));
  ShowUnit();
  ShowBanner();
}

void MainWindow::FillLists() {
  printerPanel_->FillLists(work_->session);
  FillPrinters();
  // The session has applied the first media's rules; the hands come from them.
  const Result<MediaRuleOutcome> rules = ChooseMedia(work_->session, live_.mediaType);
  if (rules) ShowMediaOutcome(*rules);
  live_.printCmy = true;
  live_.automaticTile = false;
  ShowLive();
}

void MainWindow::FillPrinters() {
  live_.printer =
      printerPanel_->FillPrinters(ModelKey(), ReadSetting(Files(), keys::kActive, keys::kPrinter));
}

void MainWindow::ConnectControls() {
  connect(printerPanel_, &PrinterPanel::paperChanged, this, &MainWindow::OnPaperChanged);
  connect(printerPanel_, &PrinterPanel::trayChanged, this, &MainWindow::OnTrayChanged);
  connect(printerPanel_, &PrinterPanel::mediaChanged, this, &MainWindow::OnMediaChanged);
  connect(printerPanel_, &PrinterPanel::printerChanged, this, &MainWindow::OnSettingChanged);
  connect(printerPanel_, &PrinterPanel::settingChanged, this, &MainWindow::OnSettingChanged);
  connect(printerPanel_, &PrinterPanel::copiesEdited, this, &MainWindow::OnCopiesEdited);
  connect(printerPanel_, &PrinterPanel::printClicked, this, &MainWindow::OnPrint);
  connect(printerPanel_, &PrinterPanel::patternClicked, this, &MainWindow::OnPatternSetup);
  connect(printerPanel_, &PrinterPanel::handClicked, this, &MainWindow::OnHand);
  connect(alignPanel_, &AlignPanel::settingChanged, this, &MainWindow::OnSettingChanged);
  connect(sizePanel_, &SizePanel::copiesEdited, this, &MainWindow::OnCopiesEdited);
  connect(sizePanel_, &SizePanel::settingChanged, this, &MainWindow::OnSettingChanged);
  connect(sizePanel_, &SizePanel::fitToPage, this, &MainWindow::OnFitToPage);
  connect(whitePanel_, &WhitePanel::settingChanged, this, &MainWindow::OnSettingChanged);
  connect(whitePanel_, &WhitePanel::chokeChanged, this, &MainWindow::OnWhiteChoke);
  connect(imagePanel_, &ImagePanel::settingChanged, this, &MainWindow::OnSettingChanged);
  connect(imagePanel_, &ImagePanel::flipClicked, this, &MainWindow::OnFlip);
  connect(imagePanel_, &ImagePanel::backgroundRemovalClicked, this,
          &MainWindow::OnBackgroundRemoval);
}

void MainWindow::SetTabOrder() {
  // Printer choices first, then the buttons that act on them, then the white
  // and image switches, the alignment and the size fields, as the panels stand.
  QList<QWidget*> order = printerPanel_->TabOrder();
  order << whitePanel_->TabOrder() << imagePanel_->TabOrder() << alignPanel_->TabOrder()
        << sizePanel_->TabOrder();
  for (QToolButton* s : substrates_) order << s;
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
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

// ---------------------------------------------------------------------------
// Controls and live settings

void MainWindow::ReadControls() {
  printerPanel_->Read(live_);
  whitePanel_->Read(live_);
  imagePanel_->Read(live_);
  alignPanel_->Read(live_);
  sizePanel_->Read(live_);
}

void MainWindow::ShowLive() {
  const QList<QWidget*> all = findChildren<QWidget*>();
  std::vector<std::unique_ptr<QSignalBlocker>> blockers;
  for (QWidget* w : all) blockers.push_back(std::make_unique<QSignalBlocker>(w));
  printerPanel_->Show(live_);
  whitePanel_->Show(live_);
  imagePanel_->Show(live_);
  alignPanel_->Show(live_);
  sizePanel_->Show(live_);
  ShowWhiteChoke();
  ShowSliderLabels();
}

void MainWindow::ShowSliderLabels() {
  whitePanel_->ShowLabels();
  imagePanel_->ShowLabels();
}

void MainWindow::ShowBanner() {
  banner_->setPixmap(art::Banner(live_.tonerOrder, banner_->size(), devicePixelRatioF()));
}

void MainWindow::ShowUnit() {
  sizePanel_->ShowUnit(Text(DisplayUnitLabelEntry(ReadDisplayUnit(Files()))));
  ShowWhiteChoke();
}

void MainWindow::SetStatusEntry(int entry) { status_->setText(Text(entry)); }

void MainWindow::ShowMessage(const Message& m) {
  QMessageBox box(m.icon == MessageIcon::Error         ? QMessageBox::Critical
                  : m.icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                       : QMessageBox::Information,
                  Q(m.title.empty() ? Texts()[0] : m.title), Q(m.text), QMessageBox::Ok, this);
  box.exec();
}

}  // namespace nvx::app
