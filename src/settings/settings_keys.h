#pragma once

#include <string_view>

// Sections and keys of NivaluxPro.ini. Look-up ignores letter case, so a key
// written here in one spelling finds the same key in another.
namespace nvx::keys {

inline constexpr std::string_view kIniInf = "INI_INF";
inline constexpr std::string_view kVersion = "Version";

inline constexpr std::string_view kActive = "Active";
inline constexpr std::string_view kPrinter = "Printer";
inline constexpr std::string_view kTray = "Tray";
inline constexpr std::string_view kPaperSize = "PaperSize";
inline constexpr std::string_view kTraySwitch = "TraySwitch";
inline constexpr std::string_view kWhiteMask = "White Mask %";
inline constexpr std::string_view kWhiteOverlay = "White Overlay %";
inline constexpr std::string_view kMirror = "Mirror";
inline constexpr std::string_view kDisplay = "Display";
inline constexpr std::string_view kTonerOn = "TonerOn";
inline constexpr std::string_view kTonerSave = "TonerSave";
inline constexpr std::string_view kTonerPercent = "TonerPercent";
inline constexpr std::string_view kJpegArtifact = "JPEG Artifact";
inline constexpr std::string_view kIcmProfileOut = "ICM Profile Out";
inline constexpr std::string_view kIcmProfileIn = "ICM Profile In";
inline constexpr std::string_view kUnit = "Unit";
inline constexpr std::string_view kMptOffset = "MPT Offset";
inline constexpr std::string_view kTray1Offset = "Tray1 Offset";
inline constexpr std::string_view kTonerOrder = "T_ORDER";
inline constexpr std::string_view kDuoISheet = "Duo I Sheet";
inline constexpr std::string_view kTopMargin = "Top Margin";
inline constexpr std::string_view kLeftMargin = "Left Margin";
inline constexpr std::string_view kRightMargin = "Right Margin";
inline constexpr std::string_view kBottomMargin = "Bottom Margin";
inline constexpr std::string_view kShapeLibrary = "Shape Library";

inline constexpr std::string_view kOthers = "Others";
inline constexpr std::string_view kLeftHand = "LeftHand";
inline constexpr std::string_view kRightHand = "RightHand";

inline constexpr std::string_view kKymc = "KYMC";
// The toner order the points in KYMC/Profile were made for ("WL" or "WF").
inline constexpr std::string_view kProfileOrder = "Profile Order";
// Preset sections of the colour-adjust points of each toner order.
inline constexpr std::string_view kWhiteLastProfile = "CYMW";
inline constexpr std::string_view kWhiteFirstProfile = "WYMC";
// How far the white plane is pulled in from the colours' edges, in millimetres.
inline constexpr std::string_view kWhiteChoke = "White Choke";
// 1: the job's raster rows travel run-length encoded.
inline constexpr std::string_view kCompact = "Compact";

inline constexpr std::string_view kDirectory = "Directory";
inline constexpr std::string_view kLastConfig = "Last Config";
inline constexpr std::string_view kProfile = "Profile";

inline constexpr std::string_view kBlackRemovalFuzzy = "BLACK Removal Fuzzy";
inline constexpr std::string_view kModel = "Model";
// Pattern print ("Patten" is how the files have always spelt it).
inline constexpr std::string_view kPatternSetup = "RIP Patten Setup";
inline constexpr std::string_view kShape = "Shape";
inline constexpr std::string_view kSizeX = "SizeX";
inline constexpr std::string_view kSizeY = "SizeY";
inline constexpr std::string_view kGap = "Gap";
inline constexpr std::string_view kScreen = "Screen";
inline constexpr std::string_view kMask = "Mask";
inline constexpr std::string_view kPattern = "Pattern";
inline constexpr std::string_view kAiPath = "AIPath";

inline constexpr std::string_view kPapers = "Papers";
inline constexpr std::string_view kNumber = "Number";
inline constexpr std::string_view kCustomPrefix = "Custom";  // Custom1, Custom2, ...

// Cost statistics. "Currancy" is spelled so in every settings file.
inline constexpr std::string_view kStats = "Stats";
inline constexpr std::string_view kStatsOption = "Option";
inline constexpr std::string_view kColourToner = "CMYT";
inline constexpr std::string_view kWhiteToner = "WhitT";
inline constexpr std::string_view kColourDrum = "IDCMY";
inline constexpr std::string_view kWhiteDrum = "IDWH";
inline constexpr std::string_view kFuser = "Fuser";
inline constexpr std::string_view kTransferBelt = "Transfer Belt";
inline constexpr std::string_view kCurrency = "Currancy";
inline constexpr std::string_view kTotalCost = "TCOST";
// The job's sizes, as the job writer records them.
inline constexpr std::string_view kXpixel = "Xpixel";
inline constexpr std::string_view kYpixel = "Ypixel";
inline constexpr std::string_view kXpoint = "Xpoint";
inline constexpr std::string_view kYpoint = "Ypoint";

// The margins the printer needs, in hundredths of a point.
inline constexpr std::string_view kStandardSideMargin = "1296";
inline constexpr std::string_view kStandardBottomMargin = "1307";

// The "Stats" option: 1 costs a print instead of printing it, 2 prints and
// costs it, 3 only prints (the default written at start).
inline constexpr std::string_view kStatsCostOnly = "1";
inline constexpr std::string_view kStatsPrintAndCost = "2";
inline constexpr std::string_view kStatsPrintOnly = "3";

}  // namespace nvx::keys
