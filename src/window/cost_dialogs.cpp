#include "window/cost_dialogs.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <array>
#include <vector>

#include "base/text.h"
#include "cost/cost_report.h"
#include "cost/cost_settings.h"
#include "lang/text_entries.h"
#include "window/artwork.h"
#include "window/qt_text.h"

namespace nvx::app {
namespace {

// The label box names the cartridge or part ("CMY"); no language entry heads it.
constexpr std::string_view kLabelColumn = "Name";
constexpr std::string_view kYieldAt = "@";
constexpr std::string_view kSummaryCopied = "The summary is on the clipboard.";

// The entry, or the built-in English text when the language leaves it empty.
QString T(const TextTable& text, std::size_t entry) {
  static const TextTable english = DefaultTextTable();
  const std::string& own = text[entry];
  return Q(own.empty() ? english[entry] : own);
}

QString CrLfToLines(const std::string& text) {
  QString lines = Q(text);
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return lines;
}

std::unique_ptr<QDialog> NewCostDialog(QWidget* parent, const QString& caption, const char* name) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setObjectName(QLatin1String(name));
  dialog->setWindowTitle(caption);
  dialog->setWindowIcon(art::ProgramIcon());
  return dialog;
}

// A character the box can never hold: in a number box anything but digits, a
// point, blanks (and for a coverage the percent sign); a comma in the label
// and paper, which would split the stored row; a line break anywhere.
bool IsRefused(CostBox box, QChar c) {
  if (c == '\r' || c == '\n') return true;
  switch (box) {
    case CostBox::Yield:
    case CostBox::Coverage:
    case CostBox::Price:
      return !(c.isDigit() || c == '.' || c == ' ' || (c == '%' && box == CostBox::Coverage));
    case CostBox::Label:
    case CostBox::Paper:
      return c == ',';
    case CostBox::Currency:
      break;
  }
  return false;
}

qsizetype RefusedCount(CostBox box, const QString& text) {
  return std::count_if(text.begin(), text.end(), [box](QChar c) { return IsRefused(box, c); });
}

// Accepts what the settings accept and never lets a refused character in;
// anything else ("0", "12.") may still become right. One already there (from
// an older settings file) can still be removed.
class CostBoxValidator : public QValidator {
 public:
  CostBoxValidator(CostBox box, QLineEdit* edit) : QValidator(edit), box_(box) {
    // The box's text as it stood before the change being checked.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { before_ = text; });
  }

  State validate(QString& input, int&) const override {
    if (CheckCostBox(box_, S(input))) return Acceptable;
    return RefusedCount(box_, input) > RefusedCount(box_, before_) ? Invalid : Intermediate;
  }

 private:
  CostBox box_;
  QString before_;
};

struct BoxField {
  CostBox box;
  const char* name;
  std::string ConsumableRow::*text;
};
constexpr std::array<BoxField, 5> kRowFields = {
    {{CostBox::Label, "label", &ConsumableRow::label},
     {CostBox::Yield, "yield", &ConsumableRow::yield},
     {CostBox::Coverage, "coverage", &ConsumableRow::coverage},
     {CostBox::Price, "price", &ConsumableRow::price},
     {CostBox::Paper, "paper", &ConsumableRow::paper}}};
// Grid columns: the row's name, then label, yield, "@", coverage, price, paper.
constexpr std::array<int, 5> kFieldColumn = {1, 2, 4, 5, 6};

bool OnlyToner(CostBox box) { return box == CostBox::Coverage || box == CostBox::Paper; }

// One box of the dialog with what it is checked as and whose row it is in.
struct Box {
  QLineEdit* edit;
  CostBox box;
  QString rowName;  // empty for the currency
};

// Why the box is refused, naming its row; empty when it is fine.
QString BoxProblem(const Box& b) {
  const Status status = CheckCostBox(b.box, S(b.edit->text()));
  if (status) return {};
  std::string why = status.failure().message;
  if (b.rowName.isEmpty()) return Q(why);
  why[0] = AsciiLower(why[0]);
  return b.rowName + QStringLiteral(": ") + Q(why);
}

QLineEdit* NewBox(const std::string& value, CostBox box, const QString& name, int width) {
  auto* edit = new QLineEdit;
  edit->setObjectName(name);
  edit->setValidator(new CostBoxValidator(box, edit));
  edit->setText(Q(value));
  edit->setMinimumWidth(width);
  edit->setMaxLength(static_cast<int>(kMaxValueCharacters));
  return edit;
}

// The dialog's boxes and what OK does with them; a child of the dialog.
class CostSettingsForm : public QObject {
 public:
  CostSettingsForm(QDialog* dialog, const SettingsFiles& files, const TextTable& text)
      : QObject(dialog), dialog_(dialog), files_(files) {
    const CostSettings settings = OpenCostSettings(files);
    auto* column = new QVBoxLayout(dialog);
    column->addLayout(BuildRows(settings, text));
    column->addLayout(BuildCurrency(settings, text));
    column->addLayout(BuildOptions(settings, text));
    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("costMessage"));
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #b00000"));
    column->addWidget(message_);
    column->addWidget(BuildButtons(text));
    for (const Box& b : boxes_) {
      QObject::connect(b.edit, &QLineEdit::textChanged, dialog, [this, b] { Mark(b); });
      Mark(b);
    }
    message_->clear();  // the stored values are not the user's typing: OK tells
  }

 private:
  QGridLayout* BuildRows(const CostSettings& settings, const TextTable& text) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    const std::pair<int, QString> headings[] = {{1, Q(kLabelColumn)},
                                                {2, T(text, kCostYieldText)},
                                                {4, T(text, kCostCoverageText)},
                                                {5, T(text, kCostPriceText)},
                                                {6, T(text, kCostPaperText)}};
    for (const auto& [col, heading] : headings) grid->addWidget(new QLabel(heading), 0, col);
    for (std::size_t i = 0; i < kConsumableCount; ++i) {
      const Consumable item = kConsumables[i];
      const int row = static_cast<int>(i) + 1;
      const QString rowName = T(text, kCostRowLabelTexts + i);
      grid->addWidget(new QLabel(rowName), row, 0);
      const bool toner = IsToner(item);
      if (toner) grid->addWidget(new QLabel(Q(kYieldAt)), row, 3, Qt::AlignCenter);
      for (std::size_t f = 0; f < kRowFields.size(); ++f) {
        const BoxField& field = kRowFields[f];
        if (OnlyToner(field.box) && !toner) continue;
        const QString name = Q(ConsumableKey(item)) + '_' + QLatin1String(field.name);
        const int width = field.box == CostBox::Label ? 90 : 70;
        QLineEdit* edit = NewBox(settings.Row(item).*field.text, field.box, name, width);
        if (field.box == CostBox::Coverage) edit->setPlaceholderText(Q(kCoverageHint));
        if (field.box == CostBox::Paper) edit->setPlaceholderText(Q(kPaperHint));
        grid->addWidget(edit, row, kFieldColumn[f]);
        boxes_.push_back({edit, field.box, rowName});
        rows_[i][f] = edit;
      }
    }
    return grid;
  }

  QHBoxLayout* BuildCurrency(const CostSettings& settings, const TextTable& text) {
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel(T(text, kCostCurrencyText)));
    currency_ = NewBox(settings.currency, CostBox::Currency, QStringLiteral("currency"), 120);
    line->addWidget(currency_);
    line->addStretch();
    boxes_.push_back({currency_, CostBox::Currency, {}});
    return line;
  }

  QHBoxLayout* BuildOptions(const CostSettings& settings, const TextTable& text) {
    auto* line = new QHBoxLayout;
    options_ = new QButtonGroup(dialog_);
    for (int option = 1; option <= 3; ++option) {
      auto* button = new QRadioButton(T(text, kCostOptionTexts + option - 1));
      button->setObjectName(QStringLiteral("option%1").arg(option));
      button->setChecked(static_cast<int>(settings.option) == option);
      options_->addButton(button, option);
      line->addWidget(button);
    }
    line->addStretch();
    return line;
  }

  QDialogButtonBox* BuildButtons(const TextTable& text) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(T(text, entry::kOk));
    buttons->button(QDialogButtonBox::Cancel)->setText(T(text, entry::kCancel));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog_, [this] { Accept(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog_, &QDialog::reject);
    return buttons;
  }

  // A refused box is tinted and the reason shown while it is typed.
  void Mark(const Box& b) {
    const QString problem = BoxProblem(b);
    b.edit->setStyleSheet(problem.isEmpty() ? QString()
                                            : QStringLiteral("QLineEdit { background: #ffe4e4 }"));
    message_->setText(problem.isEmpty() ? FirstProblem().first : problem);
  }

  std::pair<QString, QLineEdit*> FirstProblem() const {
    for (const Box& b : boxes_) {
      if (QString problem = BoxProblem(b); !problem.isEmpty()) return {problem, b.edit};
    }
    return {};
  }

  CostSettings Entered() const {
    CostSettings settings;
    for (std::size_t i = 0; i < kConsumableCount; ++i) {
      ConsumableRow& row = settings.rows[i];
      for (std::size_t f = 0; f < kRowFields.size(); ++f) {
        if (rows_[i][f]) row.*kRowFields[f].text = S(rows_[i][f]->text().trimmed());
      }
    }
    settings.currency = S(currency_->text().trimmed());
    settings.option = static_cast<StatsOption>(options_->checkedId());
    return settings;
  }

  void Accept() {
    if (auto [problem, edit] = FirstProblem(); edit) {
      message_->setText(problem);
      edit->setFocus();
      edit->selectAll();
      return;
    }
    if (Status written = WriteCostSettings(files_, Entered()); !written) {
      message_->setText(Q(written.failure().message));
      return;
    }
    dialog_->accept();
  }

  QDialog* dialog_;
  SettingsFiles files_;
  std::vector<Box> boxes_;
  std::array<std::array<QLineEdit*, kRowFields.size()>, kConsumableCount> rows_{};
  QLineEdit* currency_ = nullptr;
  QButtonGroup* options_ = nullptr;
  QLabel* message_ = nullptr;
};

}  // namespace

std::unique_ptr<QDialog> MakeCostSettingsDialog(QWidget* parent, const SettingsFiles& files,
                                                const TextTable& text) {
  auto dialog = NewCostDialog(parent, T(text, kCostStatisticsText), "costSettings");
  new CostSettingsForm(dialog.get(), files, text);
  return dialog;
}

bool ShowCostSettingsDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text) {
  return MakeCostSettingsDialog(parent, files, text)->exec() == QDialog::Accepted;
}

std::unique_ptr<QDialog> MakeCostReportDialog(QWidget* parent, const PrintCost& cost,
                                              const TextTable& text, bool costOnly) {
  auto dialog = NewCostDialog(parent, T(text, kCostReportCaptionText), "costReport");
  auto* column = new QVBoxLayout(dialog.get());
  auto* heading = new QLabel(T(text, kCostStatisticsText));
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  column->addWidget(heading);
  const std::pair<const char*, QString> lines[] = {
      {"costOptionLine", Q(cost.report.optionLine)},
      {"costReportText", CrLfToLines(cost.report.text)},
      {"costNote", costOnly ? Q(kCostOnlyNote) : QString()}};
  for (const auto& [name, line] : lines) {
    if (line.isEmpty()) continue;
    auto* label = new QLabel(line);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(label);
  }
  auto* copied = new QLabel;
  copied->setObjectName(QStringLiteral("summaryCopied"));
  copied->hide();
  column->addWidget(copied);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setText(T(text, entry::kOk));
  QPushButton* copy =
      buttons->addButton(T(text, kCostCopySummaryText), QDialogButtonBox::ActionRole);
  copy->setObjectName(QStringLiteral("copySummary"));
  copy->setToolTip(CrLfToLines(cost.summary));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
  QObject::connect(copy, &QPushButton::clicked, dialog.get(), [summary = Q(cost.summary), copied] {
    QGuiApplication::clipboard()->setText(summary);
    copied->setText(Q(kSummaryCopied));
    copied->show();
  });
  column->addWidget(buttons);
  dialog->setMinimumWidth(420);
  dialog->setMaximumWidth(640);
  return dialog;
}

QDialog* OpenCostReport(QWidget* parent, const PrintCost& cost, const TextTable& text,
                        bool costOnly) {
  QDialog* dialog = MakeCostReportDialog(parent, cost, text, costOnly).release();
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  return dialog;
}

}  // namespace nvx::app
