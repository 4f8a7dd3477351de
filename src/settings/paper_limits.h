#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "settings/margins.h"
#include "settings/units.h"

namespace nvx {

// The paper sizes a printer class feeds, in points.
struct PaperSizeLimits {
  double minWidthPt;
  double maxWidthPt;
  double minHeightPt;
  double maxHeightPt;
};

// Class 1 (and 0) the A4 models, 2 the "920WT"/"9420WT" ones, 3 the "8432" ones.
const PaperSizeLimits& CustomPaperLimits(int printerClass);

// The ranges as the paper size dialog shows them beside its boxes, e.g. "(63...215.9)".
std::string_view WidthRangeText(int printerClass, DisplayUnit unit);
std::string_view HeightRangeText(int printerClass, DisplayUnit unit);

// The dialogs' own factors: 2.835 and 28.35 for paper sizes, 2.8346 and 28.346
// for margins (72 for inches in both).
double PaperLengthToPoints(double valueInUnit, DisplayUnit unit);
double MarginLengthToPoints(double valueInUnit, DisplayUnit unit);

// A margin typed in `unit`, in hundredths of a point as the settings keep it;
// held to 0..kMaxMarginPt, so no text can overflow it.
inline constexpr double kMaxMarginPt = 10000;  // far beyond any paper
int MarginHundredths(double valueInUnit, DisplayUnit unit);

// Stores a custom size entered in `unit` for the model's class, with the
// current margins. A name stored already has its record replaced. Refused,
// storing nothing, for a size outside the class's range (the message gives it
// as the dialog shows it), an empty name or one holding "^".
Status SaveCustomPaper(const SettingsFiles& files, std::string_view modelKey, std::string_view name,
                       double widthInUnit, double heightInUnit, DisplayUnit unit);

// The least margins the printer takes: RICOH and IMEX printers have their own.
PageMargins MinimumMargins(std::string_view printerName);
// Each margin raised to at least its minimum, as the margin dialog stores them.
PageMargins RaiseToMinimumMargins(const PageMargins& margins, std::string_view printerName);

}  // namespace nvx
