#include "window/pattern_widgets.h"

#include <QFutureWatcher>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cstring>

#include "pattern/pattern_settings.h"
#include "settings/numbers.h"
#include "window/qt_text.h"

namespace nvx::app::pattern_ui {

QString Entry(const TextTable& text, std::size_t entry) { return Q(text[entry]); }

QPushButton* Button(const QString& caption, const char* name) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QString::fromLatin1(name));
  // Enter in a size box takes the value; it must not press a button as well.
  button->setAutoDefault(false);
  return button;
}

QLineEdit* LengthBox(const char* name, bool minus) {
  static const QRegularExpression kLength(QStringLiteral("[0-9.]*"));
  static const QRegularExpression kSignedLength(QStringLiteral("[0-9.-]*"));
  auto* box = new QLineEdit;
  box->setObjectName(QString::fromLatin1(name));
  box->setValidator(new QRegularExpressionValidator(minus ? kSignedLength : kLength, box));
  box->setFixedWidth(64);
  return box;
}

QSlider* Slider(const char* name, int from, int to) {
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setObjectName(QString::fromLatin1(name));
  slider->setRange(from, to);
  slider->setMinimumWidth(120);
  return slider;
}

QString LengthText(double mm, DisplayUnit unit, int decimals) {
  return Q(FormatAtMostDecimals(mm / MillimetresPerUnit(unit), decimals));
}

double TypedMillimetres(const QLineEdit* box, DisplayUnit unit) {
  return LeadingNumber(S(box->text())) * MillimetresPerUnit(unit);
}

void PlaceSlider(QSlider* slider, int position) {
  const QSignalBlocker quiet(slider);
  slider->setValue(position);
}

PatternPreview::PatternPreview(std::function<PreviewPattern()> source)
    : source_(std::move(source)) {
  setObjectName(QStringLiteral("patternPreview"));
  setMinimumSize(260, 200);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

// A drawing still running is waited for: it is small, and it must not outlive
// the program's data it reads.
PatternPreview::~PatternPreview() { running_.waitForFinished(); }

void PatternPreview::SetZoom(double zoom) {
  zoom_ = zoom;
  Redraw();
}

void PatternPreview::Redraw() {
  if (drawing_) {
    again_ = true;
    return;
  }
  MaskRequest request;
  request.widthPx = std::max(1, width() - 2);
  request.heightPx = std::max(1, height() - 2);
  request.pixelsPerMm = logicalDpiX() / 25.4 * zoom_;
  drawing_ = true;
  auto* watcher = new QFutureWatcher<Drawn>(this);
  connect(watcher, &QFutureWatcher<Drawn>::finished, this, [this, watcher] {
    watcher->deleteLater();
    drawing_ = false;
    Show(watcher->result());
  });
  running_ = QtConcurrent::run([pattern = source_(), request]() -> Drawn {
    if (pattern.blank) return {};
    Result<std::vector<std::uint8_t>> plane =
        GenerateMaskPlane(pattern.settings, pattern.shape, request, {});
    if (!plane) return {{}, Q(plane.failure().message)};
    const std::size_t width = std::size_t(request.widthPx);
    if (plane->size() != width * std::size_t(request.heightPx)) return {};
    QImage image(request.widthPx, request.heightPx, QImage::Format_Grayscale8);
    for (int y = 0; y < request.heightPx; ++y) {
      std::memcpy(image.scanLine(y), plane->data() + std::size_t(y) * width, width);
    }
    return {image, {}};
  });
  watcher->setFuture(running_);
}

void PatternPreview::Show(Drawn drawn) {
  drawn_ = std::move(drawn);
  update();
  if (again_) {
    again_ = false;
    Redraw();
  }
}

void PatternPreview::resizeEvent(QResizeEvent*) { Redraw(); }

void PatternPreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (!drawn_.image.isNull()) p.drawImage(1, 1, drawn_.image);
  if (!drawn_.failure.isEmpty()) {
    p.drawText(rect().adjusted(6, 6, -6, -6), Qt::TextWordWrap, drawn_.failure);
  }
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace nvx::app::pattern_ui
