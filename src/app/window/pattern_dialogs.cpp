#include "app/window/pattern_dialogs.h"

#include <QCheckBox>
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
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "app/window/artwork.h"
#include "app/window/qt_text.h"
#include "base/text.h"
#include "pattern/illustrator_import.h"
#include "pattern/mask_plane.h"
#include "pattern/pattern_settings.h"
#include "pattern/shape_library.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"
#include "settings/units.h"

namespace nvx::app {
namespace {

// Texts of these dialogs that have no entry in the language table.
constexpr std::string_view kInvertPattern = "Invert Pattern";
constexpr std::string_view kImportCaption = "Shape Import Utility";
constexpr std::string_view kFileImportTitle = "File Import";
constexpr std::string_view kIllustratorFilter = "Illustrator AI Files (V3 to 6) (*.AI *.ai)";
constexpr std::string_view kImportFailedTitle = "Converter";
// The status marks: a cross while the shape is not stored, a tick once it is.
const QString kNotStoredMark = QStringLiteral("\u2717");
const QString kStoredMark = QStringLiteral("\u2713");
// The print button's symbol.
const QString kPrintMark = QStringLiteral("\u2714 ");

// What the size and gap boxes accept.
const QRegularExpression kLengthChars(QStringLiteral("[0-9.]*"));
const QRegularExpression kSignedLengthChars(QStringLiteral("[0-9.-]*"));

QString T(const TextTable& text, int entry) { return Q(text[static_cast<std::size_t>(entry)]); }

QPushButton* Button(const QString& caption, const char* name) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QString::fromLatin1(name));
  // Enter in a size box takes the value; it must not press a button as well.
  button->setAutoDefault(false);
  return button;
}

QLineEdit* LengthBox(const char* name, const QRegularExpression& chars, int width = 64) {
  auto* box = new QLineEdit;
  box->setObjectName(QString::fromLatin1(name));
  box->setValidator(new QRegularExpressionValidator(chars, box));
  box->setFixedWidth(width);
  return box;
}

QSlider* Slider(const char* name, int from, int to) {
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setObjectName(QString::fromLatin1(name));
  slider->setRange(from, to);
  slider->setMinimumWidth(120);
  return slider;
}

// A length shown in the user's unit with at most `decimals` decimals.
QString LengthText(double mm, DisplayUnit unit, int decimals) {
  return Q(FormatAtMostDecimals(mm / MillimetresPerUnit(unit), decimals));
}

double TypedMillimetres(const QLineEdit* box, DisplayUnit unit) {
  return LeadingNumber(S(box->text())) * MillimetresPerUnit(unit);
}

// Sets a slider without running what a user's move runs.
void PlaceSlider(QSlider* slider, int position) {
  const QSignalBlocker quiet(slider);
  slider->setValue(position);
}

// The link button's picture: two chain links, joined or apart.
QIcon LinkIcon(bool linked, qreal dpr) {
  const int side = 22;
  QPixmap pixmap(QSize(side, side) * dpr);
  pixmap.setDevicePixelRatio(dpr);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(linked ? QColor(30, 90, 170) : QColor(120, 120, 120), 2.2));
  const double gap = linked ? 0 : 3;
  p.drawRoundedRect(QRectF(3, 2, 8, 10 - gap / 2), 3.5, 3.5);
  p.drawRoundedRect(QRectF(11, 10 + gap / 2, 8, 10 - gap / 2), 3.5, 3.5);
  if (linked) p.drawLine(QPointF(7, 8), QPointF(15, 14));
  return QIcon(pixmap);
}

// The pattern at its real size on the screen: the area's own dots per inch,
// times a zoom.
class PatternPreview : public QWidget {
 public:
  using Draw = std::function<Result<std::vector<std::uint8_t>>(const MaskRequest&)>;

  explicit PatternPreview(Draw draw) : draw_(std::move(draw)) {
    setObjectName(QStringLiteral("patternPreview"));
    setMinimumSize(260, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }
  void SetZoom(double zoom) {
    zoom_ = zoom;
    Redraw();
  }
  void Redraw() {
    MaskRequest request;
    request.widthPx = std::max(1, width() - 2);
    request.heightPx = std::max(1, height() - 2);
    request.pixelsPerMm = logicalDpiX() / 25.4 * zoom_;
    image_ = {};
    failure_.clear();
    if (Result<std::vector<std::uint8_t>> plane = draw_(request); !plane) {
      failure_ = Q(plane.failure().message);
    } else if (plane->size() == std::size_t(request.widthPx) * std::size_t(request.heightPx)) {
      image_ = QImage(request.widthPx, request.heightPx, QImage::Format_Grayscale8);
      for (int y = 0; y < request.heightPx; ++y) {
        std::memcpy(image_.scanLine(y), plane->data() + std::size_t(y) * request.widthPx,
                    std::size_t(request.widthPx));
      }
    }
    update();
  }
  const QImage& Image() const { return image_; }

 protected:
  void resizeEvent(QResizeEvent*) override { Redraw(); }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!image_.isNull()) p.drawImage(1, 1, image_);
    if (!failure_.isEmpty()) p.drawText(rect().adjusted(6, 6, -6, -6), Qt::TextWordWrap, failure_);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  Draw draw_;
  double zoom_ = 1;
  QImage image_;
  QString failure_;
};

// ---------------------------------------------------------------- Library Edit

class LibraryEditDialog : public QDialog {
 public:
  LibraryEditDialog(QWidget* parent, const TextTable& text, std::filesystem::path library)
      : QDialog(parent), library_(std::move(library)) {
    setWindowTitle(T(text, 250));
    setWindowIcon(art::ProgramIcon());
    auto* column = new QVBoxLayout(this);
    auto* instructions = new QGroupBox(T(text, 251));
    auto* help = new QLabel(T(text, 252));
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
    QPushButton* ok = Button(T(text, 6), "ok");
    QPushButton* cancel = Button(T(text, 5), "cancel");
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

// ---------------------------------------------------------- Shape Import Utility

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
    resize(660, 560);
  }

 private:
  void Build(const TextTable& text) {
    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    open_ = Button(T(text, 11), "openFile");
    top->addWidget(open_);
    top->addSpacing(8);
    top->addWidget(new QLabel(T(text, 253)));
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
    angleRow->addWidget(new QLabel(T(text, 247)));
    angle_ = new QComboBox;
    angle_->setObjectName(QStringLiteral("importAngle"));
    angle_->addItems({QStringLiteral("45"), QStringLiteral("0")});
    angleRow->addWidget(angle_);
    angleRow->addWidget(new QLabel(T(text, 248)));
    angleRow->addStretch(1);
    column->addLayout(angleRow);

    auto* gaps = new QGroupBox(T(text, 255));
    auto* gapRow = new QHBoxLayout(gaps);
    gap0_ = LengthBox("gap0", kSignedLengthChars);
    gap45_ = LengthBox("gap45", kSignedLengthChars);
    gapRow->addWidget(new QLabel(QStringLiteral("0`")));
    gapRow->addWidget(gap0_);
    gapRow->addSpacing(8);
    gapRow->addWidget(new QLabel(QStringLiteral("45`")));
    gapRow->addWidget(gap45_);
    unitLabel_ = T(text, DisplayUnitLabelEntry(unit_));
    gapRow->addWidget(new QLabel(unitLabel_));
    baseGap_ = Slider("BaseGap_Track", 0, 100);
    gapRow->addWidget(baseGap_, 1);
    column->addWidget(gaps);

    auto* sizes = new QGroupBox(T(text, 254));
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
    const QString captions[] = {QStringLiteral("X"), QStringLiteral("Y"), T(text, 245)};
    for (int i = 0; i < 3; ++i) {
      grid->addWidget(new QLabel(captions[i]), i / 2, (i % 2) * 3);
      grid->addWidget(rows[i].first, i / 2, (i % 2) * 3 + 1);
      *rows[i].second = new QLabel;
      (*rows[i].second)->setMinimumWidth(72);
      grid->addWidget(*rows[i].second, i / 2, (i % 2) * 3 + 2);
    }
    grid->addWidget(new QLabel(T(text, 59) + QStringLiteral("-")), 1, 3);
    grid->addWidget(zoom_, 1, 4, 1, 2);
    column->addWidget(sizes);

    preview_ = new PatternPreview([this](const MaskRequest& request) { return Draw(request); });
    column->addWidget(preview_, 1);

    auto* buttons = new QHBoxLayout;
    add_ = Button(T(text, 246), "addShape");
    add_->setEnabled(false);
    QPushButton* exit = Button(T(text, 7), "exit");
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

  Result<std::vector<std::uint8_t>> Draw(const MaskRequest& request) const {
    if (!shape_)
      return std::vector<std::uint8_t>(std::size_t(request.widthPx) * request.heightPx, 255);
    PatternSettings settings = ReadPatternSettings(files_);
    settings.sizeXMm = previewWidth_->value() / 10.0;
    settings.sizeYMm = previewHeight_->value() / 10.0;
    settings.gapMm = previewGap_->value() / 10.0;
    settings.screenAngle = editableAngle_;
    PatternShape shape{PatternShapeKind::Library, *shape_};
    shape.record.pitchAdjust0 = static_cast<float>(gap0Mm_ / 10);
    shape.record.pitchAdjust45 = static_cast<float>(gap45Mm_ / 10);
    return GenerateMaskPlane(settings, shape, request, {});
  }

  QString PickFile(const QString& start) {
    if (hooks_.pickIllustratorFile) return hooks_.pickIllustratorFile(start);
    return QFileDialog::getOpenFileName(this, Q(kFileImportTitle), start, Q(kIllustratorFilter));
  }

  void OpenFile() {
    const std::string stored = ReadSetting(files_, keys::kPattern, keys::kAiPath);
    const QString file = PickFile(Q(stored));
    if (file.isEmpty()) return;
    const QFileInfo info(file);
    // The folder is kept as it is spelt: lower-cased it would not exist here.
    const std::string folder = S(info.absolutePath());
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
    const std::filesystem::path path = std::filesystem::path(S(file));
    watcher->setFuture(QtConcurrent::run([path] {
      Result<ShapeRecord> shape = ImportIllustratorFile(path);
      return shape ? ImportOutcome{*shape, {}} : ImportOutcome{{}, shape.failure().message};
    }));
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
};

// ---------------------------------------------------------- Pattern Print Setup

class PatternSetupDialog : public QDialog {
 public:
  PatternSetupDialog(QWidget* parent, const SettingsFiles& files, const TextTable& text,
                     std::filesystem::path library, PatternDialogHooks hooks)
      : QDialog(parent),
        files_(files),
        text_(text),
        library_(std::move(library)),
        hooks_(std::move(hooks)),
        unit_(ReadDisplayUnit(files)) {
    setWindowTitle(T(text, 240));
    setWindowIcon(art::ProgramIcon());
    Build();
    LoadShapes();
    Connect();
    resize(720, 470);
  }

 private:
  void Build() {
    auto* columns = new QHBoxLayout(this);
    auto* grid = new QGridLayout;
    int row = 0;
    const QString unit = T(text_, DisplayUnitLabelEntry(unit_));

    // Columns: caption, box, unit, slider, link.
    grid->addWidget(new QLabel(T(text_, 242)), row, 0, 1, 3);
    shapes_ = new QComboBox;
    shapes_->setObjectName(QStringLiteral("shapeList"));
    shapes_->setMinimumContentsLength(14);
    grid->addWidget(shapes_, row++, 3, 1, 2);

    grid->addWidget(new QLabel(T(text_, 244)), row++, 0, 1, 5);
    sizeX_ = LengthBox("sizeX", kLengthChars);
    sizeY_ = LengthBox("sizeY", kLengthChars);
    sizeXSlider_ = Slider("sizeXSlider", 0, 100);
    sizeYSlider_ = Slider("sizeYSlider", 0, 100);
    gap_ = LengthBox("gap", kSignedLengthChars);
    gapSlider_ = Slider("gapSlider", 0, 100);
    link_ = new QToolButton;
    link_->setObjectName(QStringLiteral("sizeLink"));
    link_->setCheckable(true);
    link_->setIconSize(QSize(22, 22));
    auto addLength = [&](const QString& caption, QLineEdit* box, QSlider* slider) {
      grid->addWidget(new QLabel(caption), row, 0);
      grid->addWidget(box, row, 1);
      grid->addWidget(new QLabel(unit), row, 2);
      grid->addWidget(slider, row++, 3);
    };
    grid->addWidget(link_, row, 4, 2, 1, Qt::AlignCenter);
    addLength(QStringLiteral("X"), sizeX_, sizeXSlider_);
    addLength(QStringLiteral("Y"), sizeY_, sizeYSlider_);
    grid->addWidget(new QLabel(T(text_, 245)), row++, 0, 1, 5);
    addLength({}, gap_, gapSlider_);

    auto* angleRow = new QHBoxLayout;
    angleRow->addWidget(new QLabel(T(text_, 247)));
    screen_ = new QComboBox;
    screen_->setObjectName(QStringLiteral("screenAngle"));
    screen_->addItems({QStringLiteral("45"), QStringLiteral("0")});
    angleRow->addWidget(screen_);
    angleRow->addWidget(new QLabel(T(text_, 248)));
    angleRow->addStretch(1);
    grid->addLayout(angleRow, row++, 0, 1, 5);

    invert_ = new QCheckBox(Q(kInvertPattern));
    invert_->setObjectName(QStringLiteral("invertPattern"));
    grid->addWidget(invert_, row++, 0, 1, 5);

    auto* libraryRow = new QHBoxLayout;
    import_ = Button(T(text_, 246), "importShape");
    edit_ = Button(T(text_, 250), "editLibrary");
    libraryRow->addWidget(import_);
    libraryRow->addWidget(edit_);
    libraryRow->addStretch(1);
    grid->addLayout(libraryRow, row++, 0, 1, 5);

    auto* canvas = new QLabel(T(text_, 243) + QStringLiteral(": ") + hooks_.canvas);
    canvas->setObjectName(QStringLiteral("canvas"));
    grid->addWidget(canvas, row++, 0, 1, 5);
    grid->setRowStretch(row, 1);

    auto* buttons = new QHBoxLayout;
    print_ = Button(kPrintMark + T(text_, 241), "patternPrint");
    QPushButton* ok = Button(T(text_, 6), "ok");
    buttons->addWidget(print_);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    grid->addLayout(buttons, ++row, 0, 1, 5);
    connect(ok, &QPushButton::clicked, this, [this] {
      Store();
      accept();
    });

    preview_ = new PatternPreview([this](const MaskRequest& request) {
      return GenerateMaskPlane(settings_, shape_, request, {});
    });
    columns->addLayout(grid, 0);
    columns->addWidget(preview_, 1);
  }

  void Connect() {
    connect(shapes_, &QComboBox::currentIndexChanged, this, [this] {
      settings_.shape = S(shapes_->currentText());
      shape_ = ResolvePatternShape(settings_.shape, library_);
      Changed();
    });
    connect(sizeX_, &QLineEdit::editingFinished, this,
            [this] { SetSize(true, EnteredShapeSize(TypedMillimetres(sizeX_, unit_))); });
    connect(sizeY_, &QLineEdit::editingFinished, this,
            [this] { SetSize(false, EnteredShapeSize(TypedMillimetres(sizeY_, unit_))); });
    connect(sizeXSlider_, &QSlider::valueChanged, this,
            [this](int position) { SetSize(true, ShapeSizeFromSlider(position)); });
    connect(sizeYSlider_, &QSlider::valueChanged, this,
            [this](int position) { SetSize(false, ShapeSizeFromSlider(position)); });
    connect(link_, &QToolButton::toggled, this, [this](bool linked) {
      link_->setIcon(LinkIcon(linked, devicePixelRatioF()));
      if (linked) SetSize(true, settings_.sizeXMm);
    });
    connect(gap_, &QLineEdit::editingFinished, this, [this] {
      settings_.gapMm = EnteredShapeGap(TypedMillimetres(gap_, unit_));
      Changed();
    });
    connect(gapSlider_, &QSlider::valueChanged, this, [this](int position) {
      settings_.gapMm = ShapeGapFromSlider(position);
      Changed();
    });
    connect(screen_, &QComboBox::currentIndexChanged, this, [this] {
      settings_.screenAngle = screen_->currentText().toInt();
      Changed();
    });
    connect(invert_, &QCheckBox::toggled, this, [this](bool on) {
      settings_.invert = on;
      Changed();
    });
    connect(import_, &QPushButton::clicked, this, [this] {
      MakeShapeImportDialog(this, files_, text_, library_, hooks_)->exec();
      LoadShapes();
    });
    connect(edit_, &QPushButton::clicked, this, [this] {
      MakeLibraryEditDialog(this, text_, library_)->exec();
      LoadShapes();
    });
    connect(print_, &QPushButton::clicked, this, [this] {
      Store();
      if (hooks_.print) hooks_.print();
    });
  }

  // Lists the shapes again and shows the stored settings, corrected as the
  // dialog corrects them when it opens.
  void LoadShapes() {
    const std::vector<std::string> list = PatternShapeList(ListShapeNames(library_));
    settings_ = OpenPatternSetup(files_, list);
    shape_ = ResolvePatternShape(settings_.shape, library_);
    const QSignalBlocker quietList(shapes_);
    shapes_->clear();
    for (const std::string& name : list) shapes_->addItem(Q(name));
    shapes_->setCurrentText(Q(settings_.shape));
    const QSignalBlocker quietLink(link_);
    link_->setChecked(settings_.sizeXMm == settings_.sizeYMm);
    link_->setIcon(LinkIcon(link_->isChecked(), devicePixelRatioF()));
    const QSignalBlocker quietScreen(screen_);
    screen_->setCurrentText(QString::number(settings_.screenAngle));
    const QSignalBlocker quietInvert(invert_);
    invert_->setChecked(settings_.invert);
    ShowNumbers();
    preview_->Redraw();
  }

  void SetSize(bool x, double mm) {
    if (x || link_->isChecked()) settings_.sizeXMm = mm;
    if (!x || link_->isChecked()) settings_.sizeYMm = mm;
    Changed();
  }

  void ShowNumbers() {
    const int decimals = unit_ == DisplayUnit::Millimetres ? 1 : 2;
    sizeX_->setText(LengthText(settings_.sizeXMm, unit_, decimals));
    sizeY_->setText(LengthText(settings_.sizeYMm, unit_, decimals));
    gap_->setText(LengthText(settings_.gapMm, unit_, decimals));
    PlaceSlider(sizeXSlider_, SliderFromShapeSize(settings_.sizeXMm));
    PlaceSlider(sizeYSlider_, SliderFromShapeSize(settings_.sizeYMm));
    PlaceSlider(gapSlider_, SliderFromShapeGap(settings_.gapMm));
  }

  void Store() { WritePatternSettings(files_, settings_); }

  // Every change is stored at once and redraws the preview.
  void Changed() {
    ShowNumbers();
    Store();
    preview_->Redraw();
  }

  SettingsFiles files_;
  const TextTable& text_;
  std::filesystem::path library_;
  PatternDialogHooks hooks_;
  DisplayUnit unit_;
  PatternSettings settings_;
  PatternShape shape_;

  QComboBox* shapes_ = nullptr;
  QLineEdit* sizeX_ = nullptr;
  QLineEdit* sizeY_ = nullptr;
  QSlider* sizeXSlider_ = nullptr;
  QSlider* sizeYSlider_ = nullptr;
  QToolButton* link_ = nullptr;
  QLineEdit* gap_ = nullptr;
  QSlider* gapSlider_ = nullptr;
  QComboBox* screen_ = nullptr;
  QCheckBox* invert_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* print_ = nullptr;
  PatternPreview* preview_ = nullptr;
};

}  // namespace

std::unique_ptr<QDialog> MakePatternSetupDialog(QWidget* parent, const SettingsFiles& files,
                                                const TextTable& text,
                                                const std::filesystem::path& library,
                                                PatternDialogHooks hooks) {
  return std::make_unique<PatternSetupDialog>(parent, files, text, library, std::move(hooks));
}

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
