#pragma once

#include <string_view>

// Texts of the window that have no entry in the language table; they stand in
// English in every language.
namespace nvx::app::texts {

inline constexpr std::string_view kBlackRemoval = "Black Removal";
inline constexpr std::string_view kPresetProfiles = "Preset Profiles";
inline constexpr std::string_view kDefaultProfiles = "Default";
inline constexpr std::string_view kOnlineHelp = "Online Help";
inline constexpr std::string_view kCostStatistics = "Cost Statistics";
inline constexpr std::string_view kCompactJobs = "Compact Print Jobs";
inline constexpr std::string_view kCopiesX = "X";
inline constexpr std::string_view kWhiteChoke = "White Choke";
inline constexpr std::string_view kCurrentValue = "Current Value =";
inline constexpr std::string_view kBlackRemovalHelp =
    "Use the slider to set the amount of black removal.\n"
    "the minimum extracts true black, higher values remove nearby Colors";
inline constexpr std::string_view kNotAnImage =
    "Not an image file this program opens (PNG, JPEG, GIF, TIFF, BMP, PSD, WebP, HEIC, PDF, SVG, "
    "EPS or PostScript): ";
// The render resolution and page of vector artwork (PDF, SVG, EPS, PostScript).
inline constexpr std::string_view kRenderResolution = "Render";
inline constexpr std::string_view kRenderPage = "Page";
inline constexpr std::string_view kRenderResolutionTip =
    "The resolution PDF, SVG, EPS and PostScript artwork is rendered at; its printed size stays "
    "that of its page";
// The status bar's note on an image with transparent areas while "Background
// Removal" is off.
inline constexpr std::string_view kHiddenColours =
    "This image has transparent areas: they print the colour stored under them. Background "
    "Removal leaves them unprinted, together with the colour of the top-left corner.";
// Followed by the file's name, ": " and what is there instead ("no such file").
inline constexpr std::string_view kCannotOpen = "Cannot open ";
// Shown by the printer mode dialog when the language leaves its notice empty.
inline constexpr std::string_view kPrinterModeNotice =
    "The printer must be connected and switched on.\n\n"
    "Press \"Driver Off\" to print with this program.\n"
    "Press \"Driver On\" to print from other programs through the printer's own driver.\n"
    "The button used last is shown underlined.\n\n"
    "The printer may drop its USB connection while it switches; switching it off and on "
    "connects it again.";
inline constexpr std::string_view kMarginNeedsNumber = "Type a number for the margin: ";
inline constexpr std::string_view kManualNotOpened =
    "No program could open the user manual. It is here:\n";
inline constexpr std::string_view kNoUsbPrinters = "No USB printer attached.";
inline constexpr std::string_view kPrinterModeFailed = "The printer mode was not sent: ";

// The gang sheet: many files arranged on one page.
inline constexpr std::string_view kSheetMenu = "Gang Sheet";
inline constexpr std::string_view kNewSheet = "New Gang Sheet";
inline constexpr std::string_view kOpenSheet = "Open Gang Sheet...";
inline constexpr std::string_view kSaveSheet = "Save Gang Sheet...";
inline constexpr std::string_view kLeaveSheet = "Back to One Image";
inline constexpr std::string_view kSheetExtension = ".json";
inline constexpr std::string_view kSheetFiles = "Gang sheets (*.json);;All files (*)";
inline constexpr std::string_view kSheetPanel = "Gang Sheet";
inline constexpr std::string_view kSheetWidth = "Width";
inline constexpr std::string_view kSheetHeight = "Height";
inline constexpr std::string_view kSheetMayTurn = "May turn";
inline constexpr std::string_view kSheetRemove = "Remove";
inline constexpr std::string_view kSheetArrange = "Arrange";
// "Sheet 1 of 2", "Area used 71.4 %".
inline constexpr std::string_view kSheetOf = "Sheet %1 of %2";
inline constexpr std::string_view kSheetUsed = "Area used %1 %";
inline constexpr std::string_view kSheetEmpty = "Open or drop the files to put on the sheet";
inline constexpr std::string_view kSheetArranging = "Arranging the sheet...";
inline constexpr std::string_view kSheetCannotSave = "The gang sheet was not saved: ";
inline constexpr std::string_view kSheetPrinted = "Sheets sent to the printer: ";

// Placeholder in the title label (entry 29) that the model's name fills.
inline constexpr std::string_view kTitleModelMark = "******";

}  // namespace nvx::app::texts
