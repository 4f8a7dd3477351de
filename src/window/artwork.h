#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>

#include "settings/toner_order.h"
#include "window/window_layout.h"

// The window's pictures, drawn in code so they scale with the desktop.
namespace nvx::app::art {

enum class Hand { Left, Right };

QPixmap Banner(TonerOrder order, QSize size, qreal dpr);
QPixmap HandPicture(Hand hand, bool chosen, int side, qreal dpr);
QPixmap TonerOrderPicture(TonerOrder order, bool active, QSize size, qreal dpr);
QPixmap BrightnessIcon(int side, qreal dpr);
QPixmap ContrastIcon(int side, qreal dpr);
QPixmap EmptyPreviewPicture(EmptyPreview kind, QSize size, qreal dpr);
// The swatch of a substrate choice; a transparent film shows as a checkerboard.
QPixmap SubstrateSwatch(QColor colour, bool checkerboard, int side, qreal dpr);
QIcon ProgramIcon();

}  // namespace nvx::app::art
