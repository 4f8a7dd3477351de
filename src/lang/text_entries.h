#pragma once

#include <cstddef>

// The text-table entries the program itself uses, by number. The texts are
// the user's language's; the comments give the English ones.
namespace nvx::entry {

inline constexpr std::size_t kTitle = 0;                     // "Nivalux Pro"
inline constexpr std::size_t kNoFile = 1;                    // "No File"
inline constexpr std::size_t kCancel = 5;                    // "Cancel"
inline constexpr std::size_t kOk = 6;                        // "OK"
inline constexpr std::size_t kExit = 7;                      // "Exit"
inline constexpr std::size_t kClose = 8;                     // "Close"
inline constexpr std::size_t kLoadingStatus = 34;            // "<<<<<    load and convert  >>>>>"
inline constexpr std::size_t kUnsuitableFileStatus = 35;     // "<<<<<    Unsuitable file   >>>>>"
inline constexpr std::size_t kLoadedStatus = 36;             // "<<<<<        Loaded        >>>>>"
inline constexpr std::size_t kBackgroundRemovalStatus = 37;  // "<<<<<  background removal  >>>>>"
inline constexpr std::size_t kConversionStatus = 38;         // "<<<<<  Conversion progress >>>>>"
inline constexpr std::size_t kCreatingPrintStatus = 39;      // "<<<<<    Creating print    >>>>>"
inline constexpr std::size_t kPrintingStatus = 40;           // "<<<<<       Printing       >>>>>"
inline constexpr std::size_t kSentToPrinterStatus = 41;      // "<<<<<    Sent to Printer   >>>>>"
inline constexpr std::size_t kDermafilm = 113;               // "Dermafilm 2.1"
inline constexpr std::size_t kUbm = 117;                     // "UBM5.4"
inline constexpr std::size_t kZpm = 118;                     // "ZPM6.2"
inline constexpr std::size_t kTrayAuto = 121;                // "AUTO"
inline constexpr std::size_t kTrayMultiPurpose = 122;        // "MultiPurpose Tray"
inline constexpr std::size_t kTray1 = 123;                   // "Tray 1"
inline constexpr std::size_t kPreviewFailure = 133;          // "oops! Conversion failure"
inline constexpr std::size_t kConversionFailure = 134;       // "Something odd with this image"
inline constexpr std::size_t kImageTooBigForCopies = 135;    // "The original image is to big ..."
inline constexpr std::size_t kFoil = 198;                    // "P.Foil"

// The "Paper Tray" list in order.
inline constexpr std::size_t kTrays[] = {kTrayAuto, kTrayMultiPurpose, kTray1};

// The window's menus.
inline constexpr std::size_t kFileMenu = 10;           // "&File"
inline constexpr std::size_t kOpenFileMenu = 11;       // "&Open File"
inline constexpr std::size_t kPrintMenu = 12;          // "&Print"
inline constexpr std::size_t kExitMenu = 13;           // "&Exit"
inline constexpr std::size_t kToolsMenu = 14;          // "&Tools"
inline constexpr std::size_t kJpegSettingsMenu = 15;   // "&Jpeg Settings"
inline constexpr std::size_t kInputProfileMenu = 16;   // "ICC Profile &Input"
inline constexpr std::size_t kOutputProfileMenu = 17;  // "ICC Profile &Output"
inline constexpr std::size_t kColourDialogMenu = 18;   // "&Colour Dialog"
inline constexpr std::size_t kUnitsMenu = 19;          // "Units Settings"
inline constexpr std::size_t kLanguageMenu = 20;       // "Language"
inline constexpr std::size_t kSaveSettingsMenu = 21;   // "&Save Settings"
inline constexpr std::size_t kLoadSettingsMenu = 22;   // "&Load Settings"
inline constexpr std::size_t kLoadDefaultsMenu = 23;   // "&Load Defaults"
inline constexpr std::size_t kHelpMenu = 24;           // "&Help"
inline constexpr std::size_t kAboutMenu = 26;          // "&About"
inline constexpr std::size_t kPrinterMode = 128;       // "Printer Mode"
inline constexpr std::size_t kUtilityMenu = 129;       // "&Utility"
inline constexpr std::size_t kPrintMargins = 137;      // "Print Margins"
inline constexpr std::size_t kCustomPaperSize = 147;   // "Custom Paper Size"
inline constexpr std::size_t kPrintBlankPage = 174;    // "Print Blank page"
inline constexpr std::size_t kTonerOrderMenu = 201;    // "Pro8432 Toner order"
inline constexpr std::size_t kBuiltInPresets = 209;    // "Built in SVCFG files"
inline constexpr std::size_t kPatternSetup = 212;      // "Pattern Print Setup"
inline constexpr std::size_t kCostStatistics = 271;    // "Cost Statistics"

// The window's file dialogs and notes.
inline constexpr std::size_t kSelectOutputProfile = 90;  // "Select Output Profile"
inline constexpr std::size_t kSelectInputProfile = 91;   // "Select Input Profile"
inline constexpr std::size_t kReloadForProfile = 92;     // "Please reload image to enable Profile"
inline constexpr std::size_t kLoadSettings = 93;         // "Load Settings"
inline constexpr std::size_t kSaveSettings = 94;         // "Save Settings"
inline constexpr std::size_t kSelectFile = 95;           // "Select File"

// The window's captions.
inline constexpr std::size_t kTitleLabel = 29;     // "Print Utility For ******"
inline constexpr std::size_t kPrintButton = 28;    // "Print"
inline constexpr std::size_t kPaperSize = 30;      // "Paper Size"
inline constexpr std::size_t kNoFileStatus = 32;   // "<<<<<        no file       >>>>>"
inline constexpr std::size_t kSelectPrinter = 42;  // "Select Printer"
inline constexpr std::size_t kPaperTray = 43;      // "Paper Tray"
inline constexpr std::size_t kMediaType = 44;      // "Media Type"
inline constexpr std::size_t kCopies = 45;         // "Copies"
inline constexpr std::size_t kFaceUpExit = 154;    // "FaceUp Exit"
inline constexpr std::size_t kPatternPrint = 213;  // "Pattern Print"

// The size and align panels.
inline constexpr std::size_t kXSize = 56;           // "X Size"
inline constexpr std::size_t kYSize = 57;           // "Y Size"
inline constexpr std::size_t kDpi = 58;             // "DPI"
inline constexpr std::size_t kZoom = 59;            // "Zoom"
inline constexpr std::size_t kXCopy = 60;           // "X Copy"
inline constexpr std::size_t kYCopy = 61;           // "Y Copy"
inline constexpr std::size_t kTotal = 62;           // "Total"
inline constexpr std::size_t kAutomaticTile = 63;   // "Automatic Tile"
inline constexpr std::size_t kFitToPage = 64;       // "Fit to Page"
inline constexpr std::size_t kAlignControls = 262;  // "Align Controls"
inline constexpr std::size_t kOptimalLayout = 263;  // "Optimal Layout"

// The white panel.
inline constexpr std::size_t kDisplayWhite = 46;    // "Display White"
inline constexpr std::size_t kThresholdOn = 47;     // "Threshold on"
inline constexpr std::size_t kPrintWhite = 48;      // "Print White"
inline constexpr std::size_t kPrintCmy = 49;        // "Print CMY"
inline constexpr std::size_t kWhiteDensity = 52;    // "White only Density"
inline constexpr std::size_t kWhiteThreshold = 54;  // "Add White Threshold"
inline constexpr std::size_t kWhiteControls = 260;  // "White Controls"

// The image panel.
inline constexpr std::size_t kMirror = 50;              // "Mirror"
inline constexpr std::size_t kRotate = 51;              // "Rotate"
inline constexpr std::size_t kBrightness = 55;          // "Brightness"
inline constexpr std::size_t kBackgroundRemoval = 125;  // "Background Removal"
inline constexpr std::size_t kFlip = 175;               // "Flip"
inline constexpr std::size_t kContrast = 249;           // "Contrast"
inline constexpr std::size_t kImageControls = 261;      // "Image Controls"
inline constexpr std::size_t kGuardArea = 264;          // "Guard Area"
inline constexpr std::size_t kPatternPreview = 265;     // "Pattern Preview"

}  // namespace nvx::entry
