#include "window/printer_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "job/print_controls.h"
#include "job/print_session.h"
#include "lang/text_entries.h"
#include "platform/printer_enumeration.h"
#include "postscript/job_writer.h"
#include "printers/media.h"
#include "printers/printer_list.h"
#include "settings/numbers.h"
#include "window/artwork.h"
#include "window/panel_parts.h"
#include "window/qt_text.h"
#include "window/window_texts.h"

namespace nvx::app {
namespace {

constexpr int kHandSide = 40;

}  // namespace

PrinterPanel::PrinterPanel(Captions& captions, bool faceUpExit, QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(3);
  auto addList = [&](QComboBox*& list, const char* name, std::size_t entry) {
    column->addWidget(captions.Add(new QLabel, static_cast<int>(entry)));
    list = new QComboBox;
    list->setObjectName(QLatin1String(name));
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(14);
    column->addWidget(list);
  };
  addList(printerList_, "printerList", entry::kSelectPrinter);
  addList(mediaList_, "mediaList", entry::kMediaType);
  addList(paperList_, "paperList", entry::kPaperSize);
  addList(trayList_, "trayList", entry::kPaperTray);

  auto* copiesRow = new QHBoxLayout;
  copiesRow->addWidget(captions.Add(new QLabel, static_cast<int>(entry::kCopies)));
  copiesRow->addWidget(captions.Add(new QLabel, -1, texts::kCopiesX));
  copies_ = Field("copies", true);
  copies_->setValidator(ControlValidator(control::kCopies, copies_));
  copiesRow->addWidget(copies_);
  copiesRow->addStretch(1);
  column->addSpacing(4);
  column->addLayout(copiesRow);

  printButton_ = captions.Add(new QPushButton, static_cast<int>(entry::kPrintButton));
  printButton_->setObjectName(QStringLiteral("printButton"));
  printButton_->setMinimumHeight(32);
  patternButton_ = captions.Add(new QPushButton, static_cast<int>(entry::kPatternPrint));
  patternButton_->setObjectName(QStringLiteral("patternPrintButton"));
  column->addSpacing(6);
  column->addWidget(printButton_);
  column->addWidget(patternButton_);

  faceUpExit_ = captions.Add(new QCheckBox, static_cast<int>(entry::kFaceUpExit));
  faceUpExit_->setObjectName(QStringLiteral("faceUpExit"));
  faceUpExit_->setVisible(faceUpExit);
  column->addWidget(faceUpExit_);

  auto* hands = new QHBoxLayout;
  auto makeHand = [&](const char* name) {
    auto* b = new QToolButton;
    b->setObjectName(QLatin1String(name));
    b->setCheckable(true);
    b->setFixedSize(kHandSide + 6, kHandSide + 6);
    b->setIconSize(QSize(kHandSide, kHandSide));
    hands->addWidget(b);
    return b;
  };
  leftHand_ = makeHand("leftHand");
  rightHand_ = makeHand("rightHand");
  hands->addStretch(1);
  column->addSpacing(4);
  column->addLayout(hands);
  column->addStretch(1);

  connect(paperList_, &QComboBox::currentIndexChanged, this, &PrinterPanel::paperChanged);
  connect(trayList_, &QComboBox::currentIndexChanged, this, &PrinterPanel::trayChanged);
  connect(mediaList_, &QComboBox::currentIndexChanged, this, &PrinterPanel::mediaChanged);
  connect(printerList_, &QComboBox::currentIndexChanged, this, &PrinterPanel::printerChanged);
  connect(copies_, &QLineEdit::editingFinished, this, &PrinterPanel::copiesEdited);
  connect(printButton_, &QPushButton::clicked, this, &PrinterPanel::printClicked);
  connect(patternButton_, &QPushButton::clicked, this, &PrinterPanel::patternClicked);
  connect(faceUpExit_, &QCheckBox::clicked, this, &PrinterPanel::settingChanged);
  connect(leftHand_, &QToolButton::clicked, this, [this] { emit handClicked(true); });
  connect(rightHand_, &QToolButton::clicked, this, [this] { emit handClicked(false); });
}

void PrinterPanel::FillLists(const PrintSession& session) {
  const QSignalBlocker b1(mediaList_), b2(trayList_), b3(paperList_);
  mediaList_->clear();
  for (std::size_t i = 0; i < session.mediaList.size(); ++i) {
    mediaList_->addItem(Q(session.mediaList[i]), MediaList()[i].mediaCode);
  }
  trayList_->clear();
  for (const std::string& tray : session.trayList) trayList_->addItem(Q(tray));
  FillPapers(session.paperList);
}

void PrinterPanel::FillPapers(const std::vector<std::string>& papers) {
  const QSignalBlocker block(paperList_);
  paperList_->clear();
  for (const std::string& paper : papers) paperList_->addItem(Q(paper));
}

void PrinterPanel::RenameLists(const PrintSession& session) {
  const QSignalBlocker b1(mediaList_), b2(trayList_);
  for (int i = 0; i < mediaList_->count(); ++i) {
    mediaList_->setItemText(i, Q(session.mediaList[static_cast<std::size_t>(i)]));
  }
  for (int i = 0; i < trayList_->count(); ++i) {
    trayList_->setItemText(i, Q(session.trayList[static_cast<std::size_t>(i)]));
  }
}

std::string PrinterPanel::FillPrinters(const std::string& modelKey, const std::string& stored) {
  const platform::PrinterDestinations destinations = platform::ListPrinterDestinations();
  const PrinterList printers = FillPrinterList(destinations.printers, modelKey, stored);
  const QSignalBlocker block(printerList_);
  printerList_->clear();
  for (const std::string& p : printers.entries) printerList_->addItem(Q(p));
  if (printers.selected >= 0) printerList_->setCurrentIndex(printers.selected);
  return S(printerList_->currentText());
}

bool PrinterPanel::HasPrinters() const { return printerList_->count() > 0; }

void PrinterPanel::Read(LiveSettings& live) const {
  live.printer = S(printerList_->currentText());
  live.copies = HoldToRange(Control(control::kCopies), LeadingInteger(S(copies_->text())));
  live.mediaType = S(mediaList_->currentText());
  live.mediaCode = mediaList_->currentData().toInt();
  live.paperTray = S(trayList_->currentText());
  live.paperName = S(paperList_->currentText());
  live.faceUpExit = faceUpExit_->isChecked();
}

void PrinterPanel::Show(const LiveSettings& live) {
  printerList_->setCurrentIndex(std::max(0, printerList_->findText(Q(live.printer))));
  copies_->setText(QString::number(live.copies));
  trayList_->setCurrentIndex(std::max(0, trayList_->findText(Q(live.paperTray))));
  paperList_->setCurrentIndex(std::max(0, paperList_->findText(Q(live.paperName))));
  faceUpExit_->setChecked(live.faceUpExit);
  // The media rules decide whether the tray may be chosen.
  trayList_->setEnabled(live.trayListEnabled);
}

void PrinterPanel::ShowHands(bool visible, bool left, bool right) {
  const qreal dpr = devicePixelRatioF();
  leftHand_->setVisible(visible);
  rightHand_->setVisible(visible);
  leftHand_->setChecked(left);
  rightHand_->setChecked(right);
  leftHand_->setIcon(art::HandPicture(art::Hand::Left, left, kHandSide, dpr));
  rightHand_->setIcon(art::HandPicture(art::Hand::Right, right, kHandSide, dpr));
}

bool PrinterPanel::HandChecked(bool left) const {
  return (left ? leftHand_ : rightHand_)->isChecked();
}

void PrinterPanel::SetPrintable(bool printable, bool pattern) {
  printButton_->setEnabled(printable);
  patternButton_->setEnabled(printable && pattern);
}

int PrinterPanel::MediaIndex() const { return mediaList_->currentIndex(); }
int PrinterPanel::TrayIndex() const { return trayList_->currentIndex(); }
QString PrinterPanel::TrayText() const { return trayList_->currentText(); }

QList<QWidget*> PrinterPanel::TabOrder() const {
  return {printerList_, mediaList_,     paperList_,  trayList_, copies_,
          printButton_, patternButton_, faceUpExit_, leftHand_, rightHand_};
}

}  // namespace nvx::app
