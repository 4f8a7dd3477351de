#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <optional>

#include "base/text.h"
#include "lang/text_entries.h"
#include "pattern/illustrator_import.h"
#include "pattern/mask_plane.h"
#include "pattern/pattern_settings.h"
#include "pattern/shape_library.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"
#include "settings/units.h"
#include "window/artwork.h"
#include "window/pattern_dialogs.h"
#include "window/pattern_widgets.h"
#include "window/qt_text.h"

// The shape library's dialogs: the Shape Import Utility and Library Edit.
namespace nvx::app {
namespace {

using namespace pattern_ui;

constexpr std::string_view kImportCaption = "Shape Import Utility";
constexpr std::string_view kFileImportTitle = "File Import";
constexpr std::string_view kIllustratorFilter = "Illustrator AI Files (V3 to 6) (*.AI *.ai)";
constexpr std::string_view kImportFailedTitle = "Converter";
// The status marks: a cross while the shape is not stored, a tick once it is.
const QString kNotStoredMark = QStringLiteral("\u2717");
const QString kStoredMark = QStringLiteral("\u2713");

class LibraryEditDialog : public QDialog {
 public:
  LibraryEditDialog(QWidget* parent, const TextTable& text, std::filesystem::path library)
      : QDialog(parent), library_(std::move(library)) {
    setWindowTitle(Entry(text, entry::kLibraryEdit));
    setWindowIcon(art::ProgramIcon());
    auto* column = new QVBoxLayout(this);
    auto* instructions = new QGroupBox(Entry(text, entry::kInstructions));
    auto* help = new QLabel(Entry(text, entry::kLibraryEditHelp));
    help->setWordWrap(true);
    (new QVBoxLayout(instructions))->addWidget(help);
    column->addWidget(instructions);
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("shapeNames"));
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    column->addWidget(list_, 1);
    if (Result<std::vector<ShapeRecord>> shapes = ReadShapeLibrary(library_); shapes) {
      for (const ShapeRecord& shape : *shapes) {
        if (!Trim(shape.name).empty()) list_->addItem(Q(shape.name));
      }
    }
    connect(list_, &QListWidget::itemClicked, this, [](QListWidgetItem* item) {
      const QString name = item->text();
      item->setText(name.startsWith(kMark) ? name.mid(kMark.size()) : kMark + name);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* ok = Button(Entry(text, entry::kOk), "ok");
    QPushButton* cancel = Button(Entry(text, entry::kCancel), "cancel");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &LibraryEditDialog::RemoveMarked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(420, 440);
  }

 private:
  inline static const QString kMark = QStringLiteral("** ");

  void RemoveMarked() {
    std::vector<std::string> marked;
    for (int i = 0; i < list_->count(); ++i) {
      const QString name = list_->item(i)->text();
      if (name.startsWith(kMark)) marked.push_back(S(name.mid(kMark.size())));
    }
    if (!marked.empty()) {
      if (Status removed = RemoveShapes(library_, marked); !removed) {
        QMessageBox::critical(this, Q(kRemoveErrorTitle), Q(removed.failure().message));
      }
    }
    accept();
  }

  std::filesystem::path library_;
  QListWidget* list_ = nullptr;
};

struct ImportOutcome {
  std::optional<ShapeRecord> shape;
  std::string failure;
};

class ShapeImportDialog : public QDialog {
 public:
  ShapeImportDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text,
                    std::filesystem::path library, PatternDialogHooks hooks)
      : QDialog(parent),
        files_(files),
        library_(std::move(library)),
        hooks_(std::move(hooks)),
        unit_(ReadDisplayUnit(files)) {
    setWindowTitle(Q(kImportCaption));
    setWindowIcon(art::ProgramIcon());
    if (LeadingNumber(ReadSetting(files_, keys::kPatternSetup, keys::kGap)) == 0) {
      WriteSetting(files_, keys::kPatternSetup, keys::kGap, "1");
    }
    Build(text);
    Connect();
    ShowGaps();
    ShowPreviewNumbers();
    resize(660, 500);
  }
  // An import still running is waited for: it reads only its file, and must
  // not outlive the program's data.
  ~ShapeImportDialog() override { importing_.waitForFinished(); }

 private:
  void Build(const TextTable& text) {
    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    open_ = Button(Entry(text, entry::kOpenFileMenu), "openFile");
    top->addWidget(open_);
    top->addSpacing(8);
    top->addWidget(new QLabel(Entry(text, entry::kShapeName)));
    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("shapeName"));
    top->addWidget(name_, 1);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("importStatus"));
    status_->setMinimumWidth(24);
    QFont mark = status_->font();
    mark.setPointSizeF(mark.pointSizeF() * 1.6);
    status_->setFont(mark);
    top->addWidget(status_);
    column->addLayout(top);

    auto* angleRow = new QHBoxLayout;
    angleRow->addWidget(new QLabel(Entry(text, entry::kScreenAngle)));
    angle_ = new QComboBox;
    angle_->setObjectName(QStringLiteral("importAngle"));
    angle_->addItems({QStringLiteral("45"), QStringLiteral("0")});
    angleRow->addWidget(angle_);
    angleRow->addWidget(new QLabel(Entry(text, entry::kDegrees)));
    angleRow->addStretch(1);
    column->addLayout(angleRow);

    auto* gaps = new QGroupBox(Entry(text, entry::kScreenAngleGap));
    auto* gapRow = new QHBoxLayout(gaps);
    gap0_ = LengthBox("gap0", true);
    gap45_ = LengthBox("gap45", true);
    gapRow->addWidget(new QLabel(QStringLiteral("0`")));
    gapRow->addWidget(gap0_);
    gapRow->addSpacing(8);
    gapRow->addWidget(new QLabel(QStringLiteral("45`")));
    gapRow->addWidget(gap45_);
    unitLabel_ = Entry(text, DisplayUnitLabelEntry(unit_));
    gapRow->addWidget(new QLabel(unitLabel_));
    baseGap_ = Slider("BaseGap_Track", 0, 100);
    gapRow->addWidget(baseGap_, 1);
    column->addWidget(gaps);

    auto* sizes = new QGroupBox(Entry(text, entry::kShapeBaseSize));
    auto* grid = new QGridLayout(sizes);
    previewWidth_ = Slider("previewWidth", 5, 100);
    previewHeight_ = Slider("previewHeight", 5, 100);
    previewGap_ = Slider("previewGap", 0, 50);
    zoom_ = Slider("zoom", 1, 8);
    previewWidth_->setValue(20);
    previewHeight_->setValue(20);
    previewGap_->setValue(10);
    zoom_->setValue(1);
    const std::pair<QSlider*, QLabel**> rows[] = {
        {previewWidth_, &widthValue_}, {previewHeight_, &heightValue_}, {previewGap_, &gapValue_}};
    const QString captions[] = {QStringLiteral("X"), QStringLiteral("Y"),
                                Entry(text, entry::kShapeGap)};
    for (int i = 0; i < 3; ++i) {
      grid->addWidget(new QLabel(captions[i]), i / 2, (i % 2) * 3);
      grid->addWidget(rows[i].first, i / 2, (i % 2) * 3 + 1);
      *rows[i].second = new QLabel;
      (*rows[i].second)->setMinimumWidth(72);
      grid->addWidget(*rows[i].second, i / 2, (i % 2) * 3 + 2);
    }
    grid->addWidget(new QLabel(Entry(text, entry::kZoom) + QStringLiteral("-")), 1, 3);
    grid->addWidget(zoom_, 1, 4, 1, 2);
    column->addWidget(sizes);

    preview_ = new PatternPreview([this] { return Pattern(); });
    column->addWidget(preview_, 1);

    auto* buttons = new QHBoxLayout;
    add_ = Button(Entry(text, entry::kAddShape), "addShape");
    add_->setEnabled(false);
    QPushButton* exit = Button(Entry(text, entry::kExit), "exit");
    buttons->addStretch(1);
    buttons->addWidget(add_);
    buttons->addWidget(exit);
    column->addLayout(buttons);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    SetEditableGap(0);
  }

  void Connect() {
    connect(open_, &QPushButton::clicked, this, &ShapeImportDialog::OpenFile);
    connect(add_, &QPushButton::clicked, this, &ShapeImportDialog::AddToLibrary);
    connect(angle_, &QComboBox::currentIndexChanged, this, [this] {
      SetEditableGap(angle_->currentText().toInt());
      preview_->Redraw();
    });
    connect(baseGap_, &QSlider::valueChanged, this, [this](int position) {
      EditableGap() = (position - 50) / 10.0;
      ShowGaps();
      GapChanged();
    });
    for (QLineEdit* box : {gap0_, gap45_}) {
      connect(box, &QLineEdit::editingFinished, this, [this, box] {
        if (box->isReadOnly()) return;
        EditableGap() = TypedMillimetres(box, unit_);
        ShowGaps();
        GapChanged();
      });
    }
    for (QSlider* slider : {previewWidth_, previewHeight_, previewGap_}) {
      connect(slider, &QSlider::valueChanged, this, [this] {
        ShowPreviewNumbers();
        preview_->Redraw();
      });
    }
    connect(zoom_, &QSlider::valueChanged, this, [this](int zoom) { preview_->SetZoom(zoom); });
  }

  // The angle list decides which gap box the slider and the keyboard edit.
  void SetEditableGap(int angle) {
    editableAngle_ = angle == 0 ? 0 : 45;
    gap0_->setReadOnly(editableAngle_ != 0);
    gap45_->setReadOnly(editableAngle_ != 45);
    PlaceSlider(baseGap_,
                std::clamp(static_cast<int>(std::lround(10 * EditableGap() + 50)), 0, 100));
  }
  double& EditableGap() { return editableAngle_ == 0 ? gap0Mm_ : gap45Mm_; }

  void ShowGaps() {
    gap0_->setText(LengthText(gap0Mm_, unit_, 3));
    gap45_->setText(LengthText(gap45Mm_, unit_, 3));
    PlaceSlider(baseGap_,
                std::clamp(static_cast<int>(std::lround(10 * EditableGap() + 50)), 0, 100));
  }

  void GapChanged() {
    if (shape_) status_->setText(kNotStoredMark);
    preview_->Redraw();
  }

  void ShowPreviewNumbers() {
    const QString unit = QStringLiteral(" ") + unitLabel_;
    widthValue_->setText(LengthText(previewWidth_->value() / 10.0, unit_, 1) + unit);
    heightValue_->setText(LengthText(previewHeight_->value() / 10.0, unit_, 1) + unit);
    gapValue_->setText(LengthText(previewGap_->value() / 10.0, unit_, 4) + unit);
  }

  // The shape tiled as the preview's sizes and the gap boxes say.
  PreviewPattern Pattern() const {
    if (!shape_) return {{}, {}, true};
    PatternSettings settings = ReadPatternSettings(files_);
    settings.sizeXMm = previewWidth_->value() / 10.0;
    settings.sizeYMm = previewHeight_->value() / 10.0;
    settings.gapMm = previewGap_->value() / 10.0;
    settings.screenAngle = editableAngle_;
    PatternShape shape{PatternShapeKind::Library, *shape_};
    shape.record.pitchAdjust0 = static_cast<float>(gap0Mm_ / 10);
    shape.record.pitchAdjust45 = static_cast<float>(gap45Mm_ / 10);
    return {settings, shape};
  }

  QString PickFile(const QString& start) {
    if (hooks_.pickIllustratorFile) return hooks_.pickIllustratorFile(start);
    return QFileDialog::getOpenFileName(this, Q(kFileImportTitle), start, Q(kIllustratorFilter));
  }

  void OpenFile() {
    const std::string stored = ReadSetting(files_, keys::kPattern, keys::kAiPath);
    const QString file = PickFile(QFile::decodeName(stored.c_str()));
    if (file.isEmpty()) return;
    const QFileInfo info(file);
    // The folder is kept as it is spelt: lower-cased it would not exist here.
    const std::string folder = FilePath(info.absolutePath()).string();
    if (!EqualsIgnoreCase(folder, stored)) {
      WriteSetting(files_, keys::kPattern, keys::kAiPath, folder);
    }
    if (!info.suffix().toLower().contains(QStringLiteral("ai"))) return;
    // A file of many curves is read again with fewer steps: off this thread.
    open_->setEnabled(false);
    add_->setEnabled(false);
    auto* watcher = new QFutureWatcher<ImportOutcome>(this);
    connect(watcher, &QFutureWatcher<ImportOutcome>::finished, this, [this, watcher] {
      watcher->deleteLater();
      open_->setEnabled(true);
      Imported(watcher->result());
    });
    const std::filesystem::path path = FilePath(file);
    importing_ = QtConcurrent::run([path] {
      Result<ShapeRecord> shape = ImportIllustratorFile(path);
      return shape ? ImportOutcome{*shape, {}} : ImportOutcome{{}, shape.failure().message};
    });
    watcher->setFuture(importing_);
  }

  void Imported(const ImportOutcome& outcome) {
    if (!outcome.shape) {
      add_->setEnabled(shape_.has_value());
      QMessageBox::warning(this, Q(kImportFailedTitle), Q(outcome.failure));
      return;
    }
    shape_ = outcome.shape;
    name_->setText(Q(shape_->name));
    gap0Mm_ = 0;
    gap45Mm_ = 0;
    angle_->setCurrentIndex(angle_->findText(QStringLiteral("0")));
    SetEditableGap(0);
    ShowGaps();
    add_->setEnabled(true);
    status_->setText(kNotStoredMark);
    preview_->Redraw();
  }

  void AddToLibrary() {
    if (!shape_) return;
    ShapeRecord shape = *shape_;
    shape.pitchAdjust0 = static_cast<float>(gap0Mm_ / 10);
    shape.pitchAdjust45 = static_cast<float>(gap45Mm_ / 10);
    shape.name = S(name_->text());
    const Status added = AddShape(library_, std::move(shape), [this] {
      return QMessageBox::question(this, Q(kMatchingNameTitle), Q(kMatchingNameMessage),
                                   QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    });
    if (!added) {
      if (added.failure().kind != Failure::Kind::Cancelled) {
        QMessageBox::critical(this, Q(kAddErrorTitle), Q(added.failure().message));
      }
      return;
    }
    RememberShapeLibrary(files_, library_);
    status_->setText(kStoredMark);
  }

  SettingsFiles files_;
  std::filesystem::path library_;
  PatternDialogHooks hooks_;
  DisplayUnit unit_;
  QString unitLabel_;
  std::optional<ShapeRecord> shape_;
  double gap0Mm_ = 0;
  double gap45Mm_ = 0;
  int editableAngle_ = 0;

  QPushButton* open_ = nullptr;
  QPushButton* add_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLabel* status_ = nullptr;
  QComboBox* angle_ = nullptr;
  QLineEdit* gap0_ = nullptr;
  QLineEdit* gap45_ = nullptr;
  QSlider* baseGap_ = nullptr;
  QSlider* previewWidth_ = nullptr;
  QSlider* previewHeight_ = nullptr;
  QSlider* previewGap_ = nullptr;
  QSlider* zoom_ = nullptr;
  QLabel* widthValue_ = nullptr;
  QLabel* heightValue_ = nullptr;
  QLabel* gapValue_ = nullptr;
  PatternPreview* preview_ = nullptr;
  QFuture<ImportOutcome> importing_;
};

}  // namespace

std::unique_ptr<QDialog> MakeShapeImportDialog(QWidget* parent, const SettingsFiles& files,
                                               const TextTable& text,
                                               const std::filesystem::path& library,
                                               PatternDialogHooks hooks) {
  return std::make_unique<ShapeImportDialog>(parent, files, text, library, std::move(hooks));
}

std::unique_ptr<QDialog> MakeLibraryEditDialog(QWidget* parent, const TextTable& text,
                                               const std::filesystem::path& library) {
  return std::make_unique<LibraryEditDialog>(parent, text, library);
}

}  // namespace nvx::app
