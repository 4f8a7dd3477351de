#include "window/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace nvx::app::art {
namespace {

const QColor kCyan(0, 174, 239);
const QColor kMagenta(236, 0, 140);
const QColor kYellow(255, 222, 0);
const QColor kWhiteToner(250, 250, 250);
const QColor kInk(52, 58, 70);
const QColor kAccent(38, 110, 190);

QPixmap Canvas(QSize size, qreal dpr) {
  QPixmap pixmap(size * dpr);
  pixmap.setDevicePixelRatio(dpr);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// The four print units as the printer holds them, left to right.
std::array<QColor, 4> UnitColours(TonerOrder order) {
  if (order == TonerOrder::WhiteFirst) return {kWhiteToner, kYellow, kMagenta, kCyan};
  return {kCyan, kYellow, kMagenta, kWhiteToner};
}

void DrawTonerDots(QPainter& p, TonerOrder order, QRectF area) {
  const auto colours = UnitColours(order);
  const qreal d = std::min(area.height(), area.width() / 4.6);
  for (int i = 0; i < 4; ++i) {
    QRectF dot(area.left() + i * d * 1.2, area.center().y() - d / 2, d, d);
    p.setPen(QPen(kInk.lighter(160), 1));
    p.setBrush(colours[i]);
    p.drawEllipse(dot);
  }
}

QPainterPath HandPath(qreal s) {
  QPainterPath path;
  path.addRoundedRect(QRectF(0.28 * s, 0.45 * s, 0.5 * s, 0.45 * s), 0.12 * s, 0.12 * s);
  const std::array<qreal, 4> fingerTops = {0.16, 0.08, 0.1, 0.2};
  for (int i = 0; i < 4; ++i) {
    const qreal x = 0.28 * s + i * 0.125 * s;
    path.addRoundedRect(QRectF(x, fingerTops[i] * s, 0.11 * s, 0.5 * s), 0.055 * s, 0.055 * s);
  }
  QPainterPath thumb;
  thumb.addRoundedRect(QRectF(0.0, 0.0, 0.11 * s, 0.36 * s), 0.055 * s, 0.055 * s);
  QTransform turn;
  turn.translate(0.12 * s, 0.5 * s);
  turn.rotate(-40);
  path.addPath(turn.map(thumb));
  return path.simplified();
}

void DrawPictureGlyph(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk.lighter(200), std::max<qreal>(1.0, r.width() / 40)));
  p.setBrush(QColor(236, 240, 246));
  p.drawRoundedRect(r, r.width() / 14, r.width() / 14);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 196, 60));
  p.drawEllipse(QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.3), r.width() * 0.09,
                r.width() * 0.09);
  QPainterPath hills;
  hills.moveTo(r.left() + r.width() * 0.08, r.bottom() - r.height() * 0.1);
  hills.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.38);
  hills.lineTo(r.left() + r.width() * 0.58, r.top() + r.height() * 0.62);
  hills.lineTo(r.left() + r.width() * 0.7, r.top() + r.height() * 0.5);
  hills.lineTo(r.right() - r.width() * 0.08, r.bottom() - r.height() * 0.1);
  hills.closeSubpath();
  p.setBrush(QColor(96, 150, 210));
  p.drawPath(hills);
}

}  // namespace

QPixmap Banner(TonerOrder order, QSize size, qreal dpr) {
  QPixmap pixmap = Canvas(size, dpr);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, size.width(), 0);
  band.setColorAt(0, QColor(30, 38, 56));
  band.setColorAt(1, QColor(56, 78, 112));
  p.setPen(Qt::NoPen);
  p.setBrush(band);
  p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), 6, 6);
  const qreal h = size.height();
  DrawTonerDots(p, order, QRectF(h * 0.3, h * 0.3, h * 1.6, h * 0.4));
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(static_cast<int>(h * 0.42));
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(h * 2.1, 0, size.width() - h * 2.2, h), Qt::AlignVCenter | Qt::AlignLeft,
             QStringLiteral("Nivalux Pro"));
  return pixmap;
}

QPixmap HandPicture(Hand hand, bool chosen, int side, qreal dpr) {
  QPixmap pixmap = Canvas(QSize(side, side), dpr);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path = HandPath(side * 0.86);
  QTransform place;
  if (hand == Hand::Right) {
    place.translate(side * 0.93, side * 0.07);
    place.scale(-1, 1);  // the thumb points inwards on either hand
  } else {
    place.translate(side * 0.07, side * 0.07);
  }
  path = place.map(path);
  p.setPen(QPen(chosen ? kAccent.darker(130) : kInk.lighter(220), 1.4));
  p.setBrush(chosen ? kAccent : QColor(240, 240, 240));
  p.drawPath(path);
  return pixmap;
}

QPixmap TonerOrderPicture(TonerOrder order, bool active, QSize size, qreal dpr) {
  QPixmap pixmap = Canvas(size, dpr);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (!active) p.setOpacity(0.35);
  const auto colours = UnitColours(order);
  const std::array<const char*, 4> names = order == TonerOrder::WhiteFirst
                                               ? std::array{"W", "Y", "M", "C"}
                                               : std::array{"C", "Y", "M", "W"};
  const qreal w = size.width() / 4.0;
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(static_cast<int>(std::min(w, qreal(size.height())) * 0.4));
  p.setFont(font);
  for (int i = 0; i < 4; ++i) {
    QRectF unit(i * w + 3, 3, w - 6, size.height() - 6);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(colours[i]);
    p.drawRoundedRect(unit, 5, 5);
    p.setPen(i == 3 && order == TonerOrder::WhiteLast    ? kInk
             : i == 0 && order == TonerOrder::WhiteFirst ? kInk
                                                         : QColor(Qt::white));
    p.drawText(unit, Qt::AlignCenter, QString::fromLatin1(names[i]));
  }
  return pixmap;
}

QPixmap BrightnessIcon(int side, qreal dpr) {
  QPixmap pixmap = Canvas(QSize(side, side), dpr);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(side / 2.0, side / 2.0);
  p.setPen(QPen(kInk, side / 12.0, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 8; ++i) {
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(i * 45);
    p.drawLine(t.map(QPointF(0, side * 0.32)), t.map(QPointF(0, side * 0.46)));
  }
  p.setBrush(QColor(255, 196, 60));
  p.drawEllipse(c, side * 0.2, side * 0.2);
  return pixmap;
}

QPixmap ContrastIcon(int side, qreal dpr) {
  QPixmap pixmap = Canvas(QSize(side, side), dpr);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(side * 0.1, side * 0.1, side * 0.8, side * 0.8);
  p.setPen(QPen(kInk, side / 12.0));
  p.setBrush(Qt::white);
  p.drawEllipse(r);
  p.setBrush(kInk);
  p.drawPie(r, 90 * 16, 180 * 16);
  return pixmap;
}

QPixmap EmptyPreviewPicture(EmptyPreview kind, QSize size, qreal dpr) {
  QPixmap pixmap = Canvas(size, dpr);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // The larger panels get a larger glyph and a longer hint.
  static constexpr std::array<qreal, 4> kGlyphShare = {0.5, 0.42, 0.36, 0.3};
  const int k = static_cast<int>(kind);
  const qreal g = std::min(size.width(), size.height()) * kGlyphShare[k];
  const QRectF glyph((size.width() - g) / 2, size.height() * 0.32 - g / 2, g, g * 0.78);
  DrawPictureGlyph(p, glyph);
  QFont font = p.font();
  font.setPixelSize(std::max(11, static_cast<int>(g / (kind == EmptyPreview::Small ? 7 : 8))));
  p.setFont(font);
  p.setPen(kInk.lighter(150));
  const QString hint = kind == EmptyPreview::Small
                           ? QStringLiteral("Open an image")
                           : QStringLiteral("Open an image\nor drop one here");
  p.drawText(QRectF(0, glyph.bottom() + g * 0.12, size.width(), g), Qt::AlignHCenter | Qt::AlignTop,
             hint);
  return pixmap;
}

QPixmap SubstrateSwatch(QColor colour, bool checkerboard, int side, qreal dpr) {
  QPixmap pixmap = Canvas(QSize(side, side), dpr);
  QPainter p(&pixmap);
  const QRectF r(0.5, 0.5, side - 1, side - 1);
  if (checkerboard) {
    const int cell = std::max(2, side / 4);
    for (int y = 0; y < side; y += cell)
      for (int x = 0; x < side; x += cell)
        p.fillRect(x, y, cell, cell, ((x + y) / cell) % 2 ? QColor(204, 204, 204) : Qt::white);
  } else {
    p.fillRect(r, colour);
  }
  p.setPen(QPen(kInk.lighter(180), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r);
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int side : {16, 32, 64}) {
    QPixmap pixmap = Canvas(QSize(side, side), 1);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 38, 56));
    p.drawRoundedRect(QRectF(0, 0, side, side), side / 5.0, side / 5.0);
    DrawTonerDots(p, TonerOrder::WhiteLast,
                  QRectF(side * 0.12, side * 0.38, side * 0.8, side * 0.24));
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace nvx::app::art
