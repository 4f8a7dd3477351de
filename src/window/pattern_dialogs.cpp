#include "window/pattern_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "lang/text_entries.h"
#include "pattern/mask_plane.h"
#include "pattern/pattern_settings.h"
#include "pattern/shape_library.h"
#include "settings/units.h"
#include "window/artwork.h"
#include "window/pattern_widgets.h"
#include "window/qt_text.h"

namespace nvx::app {
namespace {

using namespace pattern_ui;

constexpr std::string_view kInvertPattern = "Invert Pattern";
// The print button's symbol.
const QString kPrintMark = QStringLiteral("\u2714 ");

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
    setWindowTitle(Entry(text, entry::kPatternSetupTitle));
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
    const QString unit = Entry(text_, DisplayUnitLabelEntry(unit_));

    // Columns: caption, box, unit, slider, link.
    grid->addWidget(new QLabel(Entry(text_, entry::kMaskShape)), row, 0, 1, 3);
    shapes_ = new QComboBox;
    shapes_->setObjectName(QStringLiteral("shapeList"));
    shapes_->setMinimumContentsLength(14);
    grid->addWidget(shapes_, row++, 3, 1, 2);

    grid->addWidget(new QLabel(Entry(text_, entry::kShapeSize)), row++, 0, 1, 5);
    sizeX_ = LengthBox("sizeX", false);
    sizeY_ = LengthBox("sizeY", false);
    sizeXSlider_ = Slider("sizeXSlider", 0, 100);
    sizeYSlider_ = Slider("sizeYSlider", 0, 100);
    gap_ = LengthBox("gap", true);
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
    grid->addWidget(new QLabel(Entry(text_, entry::kShapeGap)), row++, 0, 1, 5);
    addLength({}, gap_, gapSlider_);

    auto* angleRow = new QHBoxLayout;
    angleRow->addWidget(new QLabel(Entry(text_, entry::kScreenAngle)));
    screen_ = new QComboBox;
    screen_->setObjectName(QStringLiteral("screenAngle"));
    screen_->addItems({QStringLiteral("45"), QStringLiteral("0")});
    angleRow->addWidget(screen_);
    angleRow->addWidget(new QLabel(Entry(text_, entry::kDegrees)));
    angleRow->addStretch(1);
    grid->addLayout(angleRow, row++, 0, 1, 5);

    invert_ = new QCheckBox(Q(kInvertPattern));
    invert_->setObjectName(QStringLiteral("invertPattern"));
    grid->addWidget(invert_, row++, 0, 1, 5);

    auto* libraryRow = new QHBoxLayout;
    import_ = Button(Entry(text_, entry::kAddShape), "importShape");
    edit_ = Button(Entry(text_, entry::kLibraryEdit), "editLibrary");
    libraryRow->addWidget(import_);
    libraryRow->addWidget(edit_);
    libraryRow->addStretch(1);
    grid->addLayout(libraryRow, row++, 0, 1, 5);

    auto* canvas = new QLabel(Entry(text_, entry::kCanvas) + QStringLiteral(": ") + hooks_.canvas);
    canvas->setObjectName(QStringLiteral("canvas"));
    grid->addWidget(canvas, row++, 0, 1, 5);
    grid->setRowStretch(row, 1);

    auto* buttons = new QHBoxLayout;
    print_ = Button(kPrintMark + Entry(text_, entry::kPatternPrintButton), "patternPrint");
    QPushButton* ok = Button(Entry(text_, entry::kOk), "ok");
    buttons->addWidget(print_);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    grid->addLayout(buttons, ++row, 0, 1, 5);
    connect(ok, &QPushButton::clicked, this, [this] {
      Store();
      accept();
    });

    preview_ = new PatternPreview([this] { return PreviewPattern{settings_, shape_}; });
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

}  // namespace nvx::app
