#include "window/dialogs.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "job/print_controls.h"
#include "lang/language_file.h"
#include "lang/text_entries.h"
#include "printers/models.h"
#include "printers/printer_mode.h"
#include "printers/usb_detection.h"
#include "settings/settings_keys.h"
#include "settings/units.h"
#include "window/artwork.h"
#include "window/panel_parts.h"
#include "window/qt_text.h"
#include "window/window_texts.h"

namespace nvx::app {
namespace {

constexpr std::string_view kBlackFuzzyKey = "BLACK Removal Fuzzy";

QString T(const TextTable& text, std::size_t entry) { return Q(text[entry]); }

std::unique_ptr<QDialog> NewDialog(QWidget* parent, const QString& caption) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setWindowTitle(caption);
  dialog->setWindowIcon(art::ProgramIcon());
  return dialog;
}

QLabel* WrappedLabel(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

// The stored value beside a slider, as the tolerance dialogs show it.
QLabel* CurrentValueLabel(const char* name, long long value) {
  auto* label = new QLabel(Q(texts::kCurrentValue) + QString::number(value));
  label->setObjectName(QLatin1String(name));
  return label;
}

void ShowCurrentValue(QLabel* label, long long value) {
  label->setText(Q(texts::kCurrentValue) + QString::number(value));
}

QDialogButtonBox* OkButton(QDialog* dialog, const TextTable& text) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setText(T(text, entry::kOk));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  return buttons;
}

}  // namespace

int JpegSliderPosition(long long jpegArtifact) {
  return std::clamp(static_cast<int>(std::nearbyint(5.0 * (double(jpegArtifact) - 1))), 0, 100);
}

int JpegArtifactFor(int sliderPosition) {
  return static_cast<int>(std::nearbyint(sliderPosition / 5.0 + 1));
}

// The slider's 0..100 spans the tolerance up to its largest.
int BlackFuzzyFor(int sliderPosition) {
  const PrintControl& c = Control(control::kBlackFuzzy);
  return std::max(c.min, sliderPosition * c.max / 100);
}

int BlackRemovalSliderPosition(long long fuzzy) {
  const PrintControl& c = Control(control::kBlackFuzzy);
  return static_cast<int>(std::clamp<long long>(fuzzy * 100 / c.max, 0, 100));
}

std::unique_ptr<QDialog> MakeJpegDialog(QWidget* parent, const SettingsFiles& files,
                                        const TextTable& text) {
  auto dialog = NewDialog(parent, T(text, entry::kJpegTitle));
  auto* column = new QVBoxLayout(dialog.get());
  column->addWidget(WrappedLabel(T(text, entry::kJpegHelp)));
  column->addWidget(new QLabel(T(text, entry::kJpegThreshold)));
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setObjectName(QStringLiteral("jpegSlider"));
  slider->setRange(0, 100);
  slider->setValue(
      JpegSliderPosition(ReadSettingNumber(files, keys::kActive, keys::kJpegArtifact)));
  auto* value = CurrentValueLabel("jpegValue", JpegArtifactFor(slider->value()));
  column->addWidget(slider);
  column->addWidget(value);
  column->addWidget(WrappedLabel(T(text, entry::kJpegNote)));
  column->addWidget(OkButton(dialog.get(), text));
  QObject::connect(slider, &QSlider::valueChanged, dialog.get(),
                   [value](int pos) { ShowCurrentValue(value, JpegArtifactFor(pos)); });
  QObject::connect(dialog.get(), &QDialog::accepted, dialog.get(), [files, slider] {
    WriteSetting(files, keys::kActive, keys::kJpegArtifact,
                 std::to_string(JpegArtifactFor(slider->value())));
  });
  dialog->setMinimumWidth(380);
  return dialog;
}

void ShowJpegDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text) {
  MakeJpegDialog(parent, files, text)->exec();
}

std::unique_ptr<QDialog> MakeBlackRemovalDialog(QWidget* parent, const SettingsFiles& files,
                                                std::function<void()> changed) {
  if (ReadSetting(files, keys::kActive, kBlackFuzzyKey).empty()) {
    WriteSetting(files, keys::kActive, kBlackFuzzyKey, "5");
  }
  auto dialog = NewDialog(parent, Q(texts::kBlackRemoval));
  auto* column = new QVBoxLayout(dialog.get());
  column->addWidget(WrappedLabel(Q(texts::kBlackRemovalHelp)));
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setObjectName(QStringLiteral("blackSlider"));
  slider->setRange(0, 100);
  const long long fuzzy = ReadSettingNumber(files, keys::kActive, kBlackFuzzyKey);
  slider->setValue(BlackRemovalSliderPosition(fuzzy));
  auto* value = CurrentValueLabel("blackValue", fuzzy);
  column->addWidget(slider);
  column->addWidget(value);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
  column->addWidget(buttons);
  QObject::connect(slider, &QSlider::valueChanged, dialog.get(), [files, value, changed](int pos) {
    const int f = BlackFuzzyFor(pos);
    WriteSetting(files, keys::kActive, kBlackFuzzyKey, std::to_string(f));
    ShowCurrentValue(value, f);
    if (changed) changed();
  });
  dialog->setMinimumWidth(360);
  return dialog;
}

void ShowBlackRemovalDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text,
                            std::function<void()> changed) {
  auto dialog = MakeBlackRemovalDialog(parent, files, std::move(changed));
  if (auto* box = dialog->findChild<QDialogButtonBox*>()) {
    box->button(QDialogButtonBox::Close)->setText(T(text, entry::kClose));
  }
  dialog->exec();
}

std::unique_ptr<QDialog> MakeUnitsDialog(QWidget* parent, const SettingsFiles& files,
                                         const TextTable& text) {
  auto dialog = NewDialog(parent, T(text, entry::kUnitsTitle));
  auto* column = new QVBoxLayout(dialog.get());
  column->addWidget(new QLabel(T(text, entry::kUnitsHelp)));
  const DisplayUnit current = ReadDisplayUnit(files);
  const std::pair<DisplayUnit, std::size_t> choices[] = {
      {DisplayUnit::Millimetres, entry::kMillimetres},
      {DisplayUnit::Centimetres, entry::kCentimetres},
      {DisplayUnit::Inches, entry::kInches}};
  for (const auto& [unit, entry] : choices) {
    auto* option = new QRadioButton(T(text, entry));
    option->setObjectName(QStringLiteral("unit%1").arg(Q(DisplayUnitLetter(unit))));
    option->setChecked(unit == current);
    QObject::connect(option, &QRadioButton::clicked, dialog.get(), [files, unit] {
      WriteSetting(files, keys::kActive, keys::kUnit, DisplayUnitLetter(unit));
    });
    column->addWidget(option);
  }
  column->addWidget(OkButton(dialog.get(), text));
  return dialog;
}

void ShowUnitsDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text) {
  MakeUnitsDialog(parent, files, text)->exec();
}

void ShowTonerOrderDialog(QWidget* parent, const TextTable& text, TonerOrder current,
                          std::function<void(TonerOrder)> choose) {
  auto dialog = NewDialog(parent, T(text, entry::kTonerOrderMenu));
  auto* column = new QVBoxLayout(dialog.get());
  auto* row = new QHBoxLayout;
  const qreal dpr = dialog->devicePixelRatioF();
  const QSize picture(200, 90);
  std::vector<std::pair<QToolButton*, TonerOrder>> buttons;
  for (auto [order, entry] : {std::pair{TonerOrder::WhiteLast, entry::kWhiteLastOrder},
                              {TonerOrder::WhiteFirst, entry::kWhiteFirstOrder}}) {
    auto* button = new QToolButton;
    button->setObjectName(order == TonerOrder::WhiteLast ? QStringLiteral("whiteLast")
                                                         : QStringLiteral("whiteFirst"));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setText(T(text, entry));
    button->setIconSize(picture);
    row->addWidget(button);
    buttons.emplace_back(button, order);
  }
  auto show = [buttons, picture, dpr](TonerOrder active) {
    for (auto [button, order] : buttons) {
      button->setIcon(art::TonerOrderPicture(order, order == active, picture, dpr));
    }
  };
  show(current);
  for (auto [button, order] : buttons) {
    QObject::connect(button, &QToolButton::clicked, dialog.get(), [order, show, choose] {
      choose(order);
      show(order);
    });
  }
  column->addLayout(row);
  column->addWidget(WrappedLabel(T(text, entry::kSwapPrintUnitsNote)));
  column->addWidget(WrappedLabel(T(text, entry::kWhiteFirstColoursNote)));
  column->addWidget(OkButton(dialog.get(), text));
  dialog->exec();
}

std::string PrinterModeNotice(const TextTable& text, int familyCode) {
  std::string notice = text[entry::kPrinterModeNotice].empty()
                           ? std::string(texts::kPrinterModeNotice)
                           : text[entry::kPrinterModeNotice];
  if (familyCode == 4) {
    for (std::size_t at; (at = notice.find("C711WT")) != std::string::npos;) {
      notice.replace(at, 6, "U-Print TST4");
    }
  }
  return notice;
}

void ShowPrinterModeDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text,
                           const std::string& modelKey, const std::string& queue) {
  auto dialog = NewDialog(parent, T(text, entry::kPrinterMode));
  auto* column = new QVBoxLayout(dialog.get());
  column->addWidget(WrappedLabel(Q(PrinterModeNotice(text, FamilyCode(modelKey)))));
  auto* row = new QHBoxLayout;
  auto* off = new QPushButton(T(text, entry::kDriverOff));
  auto* on = new QPushButton(T(text, entry::kDriverOn));
  auto* exit = new QPushButton(T(text, entry::kExit));
  const bool setOn = PrintSetIsOn(files);
  QFont underlined = off->font();
  underlined.setUnderline(true);
  (setOn ? off : on)->setFont(underlined);
  row->addWidget(off);
  row->addWidget(on);
  row->addStretch(1);
  row->addWidget(exit);
  column->addLayout(row);
  QObject::connect(exit, &QPushButton::clicked, dialog.get(), &QDialog::reject);
  DriverMode chosen = DriverMode::Off;
  QObject::connect(off, &QPushButton::clicked, dialog.get(), [&] {
    chosen = DriverMode::Off;
    dialog->accept();
  });
  QObject::connect(on, &QPushButton::clicked, dialog.get(), [&] {
    chosen = DriverMode::On;
    dialog->accept();
  });
  dialog->setMinimumWidth(460);
  if (dialog->exec() != QDialog::Accepted) return;

  // The queue may be slow to answer; the window keeps working meanwhile.
  QPointer<QWidget> owner(parent);
  auto* watcher = new QFutureWatcher<Status>(parent);
  QObject::connect(watcher, &QFutureWatcher<Status>::finished, watcher, [watcher, owner] {
    const Status sent = watcher->result();
    watcher->deleteLater();
    if (!sent && owner) {
      QMessageBox::critical(owner, Q(kAppTitle),
                            Q(texts::kPrinterModeFailed) + Q(sent.failure().message));
    }
  });
  watcher->setFuture(
      QtConcurrent::run([files, chosen, queue] { return SwitchDriverMode(files, chosen, queue); }));
}

std::optional<LanguageTexts> ShowLanguageDialog(QWidget* parent, const SettingsFiles& files,
                                                const std::filesystem::path& programFolder,
                                                const TextTable& table) {
  auto dialog = NewDialog(parent, T(table, entry::kLanguageTitle));
  auto* column = new QVBoxLayout(dialog.get());
  column->addWidget(new QLabel(T(table, entry::kLanguageHelp)));
  auto* list = new QListWidget;
  const std::string current = CurrentLanguageName(files);
  for (const std::string& name : ListLanguages(programFolder)) {
    auto* item = new QListWidgetItem(Q(name), list);
    if (EqualsIgnoreCase(name, current)) list->setCurrentItem(item);
  }
  column->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(T(table, entry::kOk));
  buttons->button(QDialogButtonBox::Cancel)->setText(T(table, entry::kCancel));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, dialog.get(), &QDialog::accept);
  column->addWidget(buttons);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QListWidgetItem* chosen = list->currentItem();
  const std::string selection = chosen ? chosen->text().toStdString() : std::string();
  return ApplyLanguageChoice(selection, files, programFolder);
}

void ShowAboutBox(QWidget* parent, const TextTable& text, const std::string& version) {
  QString body =
      QStringLiteral("<b>%1</b><br>Version %2<br><br>").arg(T(text, entry::kTitle), Q(version));
  const std::vector<UsbPrinterEntry> printers = ListUsbPrinters();
  if (printers.empty()) body += Q(texts::kNoUsbPrinters).toHtmlEscaped();
  for (const UsbPrinterEntry& p : printers) {
    body += QStringLiteral("%1 &nbsp; %2: %3<br>")
                .arg(Q(p.listingName).toHtmlEscaped(),
                     T(text, entry::kSerialNumber).toHtmlEscaped(), Q(p.serial).toHtmlEscaped());
  }
  QMessageBox box(QMessageBox::Information, T(text, entry::kAbout), body, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::RichText);
  box.setIconPixmap(art::ProgramIcon().pixmap(64, 64));
  box.exec();
}

QString PickProfile(QWidget* parent, const QString& title) {
  // The user's own colour folder first, then the system's.
  QStringList folders;
  for (const QString& base :
       QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
    folders << base + QStringLiteral("/color/icc") << base + QStringLiteral("/icc");
  }
  folders << QStringLiteral("/usr/share/color/icc") << QStringLiteral("/usr/local/share/color/icc");
  QString start = QDir::homePath();
  for (const QString& f : folders) {
    if (QDir(f).exists()) {
      start = f;
      break;
    }
  }
  return QFileDialog::getOpenFileName(parent, title, start,
                                      QStringLiteral("ICC profiles (*.icc *.icm *.ICC *.ICM)"));
}

}  // namespace nvx::app
