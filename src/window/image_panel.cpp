#include "window/image_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <string_view>

#include "job/print_controls.h"
#include "lang/text_entries.h"
#include "window/artwork.h"
#include "window/panel_parts.h"
#include "window/render_box.h"
#include "window/window_texts.h"

namespace nvx::app {
namespace {

// A slider's position as the change it makes, -100% to +100%.
QString SignedPercent(std::string_view control, int position) {
  const int value = ControlValueAt(control, position);
  return (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value) + QLatin1Char('%');
}

}  // namespace

ImagePanel::ImagePanel(Captions& captions, qreal dpr, QWidget* parent) : QGroupBox(parent) {
  captions.Add(this, static_cast<int>(entry::kImageControls));
  setObjectName(QStringLiteral("imageControls"));
  auto* grid = new QGridLayout(this);
  grid->setVerticalSpacing(2);
  struct Switch {
    QCheckBox** box;
    const char* name;
    int entry;
    std::string_view fallback;
  };
  const Switch switches[] = {
      {&mirror_, "mirror", entry::kMirror, {}},
      {&rotate_, "rotate", entry::kRotate, {}},
      {&flip_, "flip", entry::kFlip, {}},
      {&guardArea_, "guardArea", entry::kGuardArea, {}},
      {&backgroundRemoval_, "backgroundRemoval", entry::kBackgroundRemoval, {}},
      {&blackRemoval_, "blackRemoval", -1, texts::kBlackRemoval},
      {&patternPreview_, "patternPreview", entry::kPatternPreview, {}},
  };
  int i = 0;
  for (const Switch& s : switches) {
    *s.box = captions.Add(new QCheckBox, s.entry, s.fallback);
    (*s.box)->setObjectName(QLatin1String(s.name));
    grid->addWidget(*s.box, i / 2, (i % 2) * 2, 1, 2);
    ++i;
  }
  auto slider = [&](QSlider*& s, QLabel*& value, const char* name, std::string_view control,
                    std::size_t entry, const QPixmap& icon, int row) {
    grid->addWidget(captions.Add(new QLabel, static_cast<int>(entry)), row, 0, 1, 4);
    auto* picture = new QLabel;
    picture->setPixmap(icon);
    s = ControlSlider(name, control);
    s->setPageStep(5);
    value = ValueLabel();
    grid->addWidget(picture, row + 1, 0);
    grid->addWidget(s, row + 1, 1, 1, 2);
    grid->addWidget(value, row + 1, 3);
    connect(s, &QSlider::valueChanged, this, &ImagePanel::settingChanged);
  };
  slider(brightness_, brightnessValue_, "brightness", control::kBrightness, entry::kBrightness,
         art::BrightnessIcon(18, dpr), 4);
  slider(contrast_, contrastValue_, "contrast", control::kContrast, entry::kContrast,
         art::ContrastIcon(18, dpr), 6);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  render_ = new RenderBox(captions);
  grid->addWidget(render_, 8, 0, 1, 4);
  grid->setRowStretch(9, 1);  // spare height below the controls, not between them

  connect(flip_, &QCheckBox::clicked, this, &ImagePanel::flipClicked);
  connect(backgroundRemoval_, &QCheckBox::clicked, this, &ImagePanel::backgroundRemovalClicked);
  for (QCheckBox* c : {mirror_, rotate_, guardArea_, blackRemoval_, patternPreview_}) {
    connect(c, &QCheckBox::clicked, this, &ImagePanel::settingChanged);
  }
}

void ImagePanel::Read(LiveSettings& live) const {
  live.mirrorOn = mirror_->isChecked();
  live.rotate = rotate_->isChecked();
  live.flip = flip_->isChecked();
  live.guardArea = guardArea_->isChecked();
  live.backgroundRemoval = backgroundRemoval_->isChecked();
  live.blackRemoval = blackRemoval_->isChecked();
  live.patternPreview = patternPreview_->isChecked();
  live.brightness = brightness_->value();
  live.contrast = contrast_->value();
  render_->Read(live);
}

void ImagePanel::Show(const LiveSettings& live) {
  mirror_->setChecked(live.mirrorOn);
  rotate_->setChecked(live.rotate);
  flip_->setChecked(live.flip);
  guardArea_->setChecked(live.guardArea);
  backgroundRemoval_->setChecked(live.backgroundRemoval);
  blackRemoval_->setChecked(live.blackRemoval);
  patternPreview_->setChecked(live.patternPreview);
  brightness_->setValue(live.brightness);
  contrast_->setValue(live.contrast);
  render_->Show(live);
}

void ImagePanel::ShowLabels() {
  brightnessValue_->setText(SignedPercent(control::kBrightness, brightness_->value()));
  contrastValue_->setText(SignedPercent(control::kContrast, contrast_->value()));
}

void ImagePanel::ShowSheet(bool shown) {
  rotate_->setEnabled(!shown);
  patternPreview_->setEnabled(!shown);
}

QList<QWidget*> ImagePanel::TabOrder() const {
  return QList<QWidget*>{
             mirror_,       rotate_,         flip_,       guardArea_, backgroundRemoval_,
             blackRemoval_, patternPreview_, brightness_, contrast_}
         << render_->TabOrder();
}

}  // namespace nvx::app
