#include "window/paper_dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <array>
#include <optional>

#include "base/text.h"
#include "lang/text_entries.h"
#include "settings/numbers.h"
#include "settings/paper.h"
#include "settings/paper_limits.h"
#include "settings/units.h"
#include "window/artwork.h"
#include "window/qt_text.h"
#include "window/window_texts.h"

namespace nvx::app {
namespace {

// What a box shows for a size outside the class's range.
const QString kOutOfRange = QStringLiteral("----");
constexpr int kMaxNameLength = 64;  // the record, name and seven numbers, stays one setting

QString T(const TextTable& text, std::size_t entry) {
  // The table's line breaks are CR LF; a label breaks at LF alone.
  return Q(text[entry]).remove(QLatin1Char('\r'));
}

std::unique_ptr<QDialog> NewDialog(QWidget* parent, const QString& caption, const char* name) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setObjectName(QLatin1String(name));
  dialog->setWindowTitle(caption);
  dialog->setWindowIcon(art::ProgramIcon());
  return dialog;
}

QLineEdit* LengthBox(const char* name) {
  auto* box = new QLineEdit;
  box->setObjectName(QLatin1String(name));
  box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000.000")) + 12);
  return box;
}

// The failure a dialog shows in place, under its boxes.
QLabel* MessageLabel(const char* name) {
  auto* label = new QLabel;
  label->setObjectName(QLatin1String(name));
  label->setWordWrap(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::darkRed);
  label->setPalette(palette);
  label->hide();  // no empty row under the boxes until there is something to say
  return label;
}

void ShowMessage(QLabel* label, const std::string& message) {
  QString text = Q(message);
  if (!text.isEmpty()) text[entry::kTitle] = text[entry::kTitle].toUpper();
  label->setText(text);
  label->setVisible(!text.isEmpty());
}

// OK, which the dialog answers itself, and Cancel.
QDialogButtonBox* OkCancel(QDialog* dialog, const TextTable& text) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(T(text, entry::kOk));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  buttons->button(QDialogButtonBox::Cancel)->setText(T(text, entry::kCancel));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

double Typed(const QLineEdit* box) { return LeadingNumber(S(box->text())); }

// ---------------------------------------------------------------------------
// Custom paper size

struct PaperForm {
  PrintSession* session;
  int printerClass;
  DisplayUnit unit;
  QLineEdit* width;
  QLineEdit* height;
  QLineEdit* name;
  QListWidget* stored;
  QLabel* message;
};

void ListStoredPapers(const PaperForm& f, const std::string& select) {
  f.stored->clear();
  for (const CustomPaper& paper : ReadCustomPapers(f.session->files)) {
    auto* item = new QListWidgetItem(Q(paper.name), f.stored);
    if (paper.name == select) f.stored->setCurrentItem(item);
  }
}

// A stored size chosen in the list fills the boxes, so it can be changed and saved again.
void ShowStoredPaper(const PaperForm& f) {
  const QListWidgetItem* item = f.stored->currentItem();
  if (!item) return;
  for (const CustomPaper& paper : ReadCustomPapers(f.session->files)) {
    if (Q(paper.name) != item->text()) continue;
    f.width->setText(Q(FormatPointsInDisplayUnit(paper.widthPt, f.unit)));
    f.height->setText(Q(FormatPointsInDisplayUnit(paper.heightPt, f.unit)));
    f.name->setText(Q(paper.name));
    ShowMessage(f.message, {});
    return;
  }
}

bool Within(double value, double least, double most) { return value >= least && value <= most; }

// True when the size was stored.
bool SavePaper(const PaperForm& f) {
  const double width = Typed(f.width);
  const double height = Typed(f.height);
  const PaperSizeLimits& limits = CustomPaperLimits(f.printerClass);
  const bool widthFits =
      Within(PaperLengthToPoints(width, f.unit), limits.minWidthPt, limits.maxWidthPt);
  const bool heightFits =
      Within(PaperLengthToPoints(height, f.unit), limits.minHeightPt, limits.maxHeightPt);
  if (!widthFits) f.width->setText(kOutOfRange);
  if (!heightFits) f.height->setText(kOutOfRange);

  PrintSession& s = *f.session;
  // The record keeps the user's own margins, not those of the paper chosen now;
  // the paper is chosen again when the dialog closes.
  SetRunMargins(s.files, s.userMargins);
  const std::string name(Trim(S(f.name->text())));
  const Status saved = SaveCustomPaper(s.files, s.modelKey, name, width, height, f.unit);
  if (!saved) {
    ShowMessage(f.message, saved.failure().message);
    QLineEdit* wrong = widthFits && heightFits ? f.name : widthFits ? f.height : f.width;
    wrong->setFocus();
    wrong->selectAll();  // typing replaces the "----"
    return false;
  }
  ListStoredPapers(f, name);
  return true;
}

void DeletePaper(const PaperForm& f) {
  const QListWidgetItem* item = f.stored->currentItem();
  if (!item) return;
  DeleteCustomPaper(f.session->files, S(item->text()));
  ListStoredPapers(f, {});
}

QWidget* SizeBoxes(const PaperForm& f, const TextTable& text) {
  auto* group = new QWidget;
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(0, 0, 0, 0);
  const QString unit = Q(DisplayUnitName(f.unit));
  auto row = [&](int r, std::size_t entry, QLineEdit* box, std::string_view range,
                 const char* rangeName) {
    auto* label = new QLabel(T(text, entry));
    label->setBuddy(box);
    grid->addWidget(label, r, 0);
    grid->addWidget(box, r, 1);
    grid->addWidget(new QLabel(unit), r, 2);
    auto* rangeLabel = new QLabel(Q(range));
    rangeLabel->setObjectName(QLatin1String(rangeName));
    grid->addWidget(rangeLabel, r, 3);
  };
  row(0, entry::kPaperWidth, f.width, WidthRangeText(f.printerClass, f.unit), "widthRange");
  row(1, entry::kPaperHeight, f.height, HeightRangeText(f.printerClass, f.unit), "heightRange");
  auto* nameLabel = new QLabel(T(text, entry::kPaperName));
  nameLabel->setBuddy(f.name);
  grid->addWidget(nameLabel, 2, 0);
  grid->addWidget(f.name, 2, 1, 1, 3);
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(3, 1);
  return group;
}

QWidget* StoredPapers(const PaperForm& f, const TextTable& text, QPushButton* remove) {
  auto* group = new QWidget;
  auto* column = new QVBoxLayout(group);
  column->setContentsMargins(0, 0, 0, 0);
  f.stored->setMinimumWidth(150);
  column->addWidget(f.stored, 1);
  column->addWidget(remove);
  auto* hint = new QLabel(T(text, entry::kDeletePaperHelp));
  hint->setWordWrap(true);
  column->addWidget(hint);
  return group;
}

// ---------------------------------------------------------------------------
// Margins

struct MarginBox {
  const char* caption;  // the dialog's own, in every language
  const char* name;
  int PageMargins::*field;
};
constexpr std::array<MarginBox, 4> kMarginBoxes = {
    {{"TOP", "topMargin", &PageMargins::top},
     {"LEFT", "leftMargin", &PageMargins::left},
     {"RIGHT", "rightMargin", &PageMargins::right},
     {"BOTTOM", "bottomMargin", &PageMargins::bottom}}};

// "Get Printer Margins": the printer's own margins as the dialog writes them in each
// unit (top, left, right, bottom).
std::array<std::string_view, 4> PrinterMarginTexts(DisplayUnit unit) {
  switch (unit) {
    case DisplayUnit::Centimetres:
      return {"0.457", "0.457", "0.457", "0.461"};
    case DisplayUnit::Inches:
      return {"0.18", "0.18", "0.18", "0.19"};
    case DisplayUnit::Millimetres:
      break;
  }
  return {"4.57", "4.57", "4.57", "4.61"};
}

struct MarginForm {
  PrintSession* session;
  std::string printer;
  DisplayUnit unit;
  std::array<QLineEdit*, 4> boxes;
  std::array<QString, 4> shown;  // the stored margins as the boxes first showed them
  QLabel* area;
  QLabel* message;
};

// A length in the dialog's own notation: digits with at most one point, as
// the boxes show them. An empty box or a point alone is not yet a number.
QValidator* MarginValidator(QObject* parent) {
  static const QRegularExpression kNumber(QStringLiteral("\\d{1,5}(\\.\\d{0,4})?|\\.\\d{1,4}"));
  return new QRegularExpressionValidator(kNumber, parent);
}

// The first changed box that holds no number yet.
std::optional<std::size_t> BoxWithoutNumber(const MarginForm& f) {
  for (std::size_t i = 0; i < kMarginBoxes.size(); ++i) {
    if (f.boxes[i]->text() != f.shown[i] && !f.boxes[i]->hasAcceptableInput()) return i;
  }
  return std::nullopt;
}

// A box still showing what it opened with keeps the stored margin exactly: its
// text is rounded to the unit's format, and storing that would move the margin.
PageMargins TypedMargins(const MarginForm& f) {
  PageMargins m = f.session->userMargins;
  for (std::size_t i = 0; i < kMarginBoxes.size(); ++i) {
    if (f.boxes[i]->text() == f.shown[i]) continue;
    m.*kMarginBoxes[i].field = MarginHundredths(Typed(f.boxes[i]), f.unit);
  }
  return m;
}

void ShowPrintableArea(const MarginForm& f) {
  const LiveSettings& live = f.session->live;
  const PageMargins margins = RaiseToMinimumMargins(TypedMargins(f), f.printer);
  const PrintableSize area = PrintableAreaFor(live.paperWidthPt, live.paperHeightPt, margins);
  auto length = [&](float pt) {
    return Q(FormatAtMostDecimals(PointsToDisplayUnit(pt, f.unit), 2));
  };
  f.area->setText(length(area.widthPt) + QStringLiteral(" x ") + length(area.heightPt) +
                  QLatin1Char(' ') + Q(DisplayUnitName(f.unit)));
}

}  // namespace

std::unique_ptr<QDialog> MakeCustomPaperDialog(QWidget* parent, PrintSession& session) {
  const TextTable& text = session.text;
  auto dialog = NewDialog(parent, T(text, entry::kCustomPaperSize), "customPaperDialog");
  PaperForm f{&session,
              PrinterClassFromModel(session.modelKey),
              ReadDisplayUnit(session.files),
              LengthBox("paperWidth"),
              LengthBox("paperHeight"),
              new QLineEdit,
              new QListWidget,
              MessageLabel("paperMessage")};
  f.name->setObjectName(QStringLiteral("paperName"));
  f.name->setMaxLength(kMaxNameLength);
  f.stored->setObjectName(QStringLiteral("customPapers"));
  auto* remove = new QPushButton(T(text, entry::kDeletePaper));
  remove->setObjectName(QStringLiteral("paperDelete"));
  remove->setToolTip(T(text, entry::kDeletePaperHelp));
  remove->setAutoDefault(false);
  remove->setEnabled(false);

  auto* column = new QVBoxLayout(dialog.get());
  auto* hint = new QLabel(T(text, entry::kCustomPaperHelp));
  hint->setWordWrap(true);
  column->addWidget(hint);
  auto* row = new QHBoxLayout;
  row->addWidget(SizeBoxes(f, text), 1);
  row->addSpacing(12);
  row->addWidget(StoredPapers(f, text, remove));
  column->addLayout(row, 1);
  column->addWidget(f.message);
  QDialogButtonBox* buttons = OkCancel(dialog.get(), text);
  column->addWidget(buttons);

  ListStoredPapers(f, {});
  QDialog* d = dialog.get();
  QObject::connect(f.stored, &QListWidget::currentItemChanged, d, [f, remove] {
    remove->setEnabled(f.stored->currentItem() != nullptr);
    ShowStoredPaper(f);
  });
  QObject::connect(remove, &QPushButton::clicked, d, [f] { DeletePaper(f); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, d, [f, d] {
    if (SavePaper(f)) d->accept();
  });
  dialog->setMinimumWidth(520);
  return dialog;
}

Status ShowCustomPaperDialog(QWidget* parent, PrintSession& session) {
  MakeCustomPaperDialog(parent, session)->exec();
  // Delete stores at once: the list changes even when the dialog is cancelled.
  return RefreshPaperList(session);
}

std::unique_ptr<QDialog> MakeMarginDialog(QWidget* parent, PrintSession& session,
                                          const std::string& printerName) {
  const TextTable& text = session.text;
  auto dialog = NewDialog(parent, T(text, entry::kPrintMargins), "marginDialog");
  MarginForm f{&session, printerName, ReadDisplayUnit(session.files), {},
               {},       new QLabel,  MessageLabel("marginMessage")};
  f.area->setObjectName(QStringLiteral("printableArea"));

  auto* column = new QVBoxLayout(dialog.get());
  auto* grid = new QGridLayout;
  const QString unit = Q(DisplayUnitName(f.unit));
  for (std::size_t i = 0; i < kMarginBoxes.size(); ++i) {
    const MarginBox& b = kMarginBoxes[i];
    f.boxes[i] = LengthBox(b.name);
    f.shown[i] = Q(FormatPointsInDisplayUnit((session.userMargins.*b.field) / 100.0, f.unit));
    f.boxes[i]->setText(f.shown[i]);
    f.boxes[i]->setValidator(MarginValidator(f.boxes[i]));
    auto* label = new QLabel(QLatin1String(b.caption));
    label->setBuddy(f.boxes[i]);
    const int r = static_cast<int>(i);
    grid->addWidget(label, r, 0);
    grid->addWidget(f.boxes[i], r, 1);
    grid->addWidget(new QLabel(unit), r, 2);
  }
  grid->setColumnStretch(3, 1);
  column->addLayout(grid);

  auto* areaRow = new QHBoxLayout;
  areaRow->addWidget(new QLabel(T(text, entry::kPrintableArea)));
  areaRow->addWidget(f.area, 1);
  column->addLayout(areaRow);
  auto* printerMargins = new QPushButton(T(text, entry::kGetPrinterMargins));
  printerMargins->setObjectName(QStringLiteral("getPrinterMargins"));
  printerMargins->setAutoDefault(false);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(printerMargins);
  buttonRow->addStretch(1);
  column->addLayout(buttonRow);
  column->addWidget(f.message);
  QDialogButtonBox* buttons = OkCancel(dialog.get(), text);
  column->addWidget(buttons);

  QDialog* d = dialog.get();
  for (QLineEdit* box : f.boxes) {
    QObject::connect(box, &QLineEdit::textChanged, d, [f] { ShowPrintableArea(f); });
  }
  QObject::connect(printerMargins, &QPushButton::clicked, d, [f] {
    const auto texts = PrinterMarginTexts(f.unit);
    for (std::size_t i = 0; i < f.boxes.size(); ++i) f.boxes[i]->setText(Q(texts[i]));
  });
  QObject::connect(buttons, &QDialogButtonBox::accepted, d, [f, d] {
    if (const std::optional<std::size_t> i = BoxWithoutNumber(f)) {
      ShowMessage(f.message, std::string(texts::kMarginNeedsNumber) + kMarginBoxes[*i].caption);
      f.boxes[*i]->setFocus();
      return;
    }
    const Result<PageMargins> stored = StoreUserMargins(*f.session, TypedMargins(f), f.printer);
    if (stored) {
      d->accept();
    } else {
      ShowMessage(f.message, stored.failure().message);
    }
  });
  ShowPrintableArea(f);
  dialog->setMinimumWidth(340);
  return dialog;
}

bool ShowMarginDialog(QWidget* parent, PrintSession& session, const std::string& printerName) {
  return MakeMarginDialog(parent, session, printerName)->exec() == QDialog::Accepted;
}

}  // namespace nvx::app
