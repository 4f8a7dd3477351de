#include "postscript/features.h"

#include <array>

#include "postscript/job_text.h"
#include "postscript/number_text.h"
#include "printers/models.h"

namespace nvx {
namespace {

constexpr std::size_t kPaperKeyLength = 6;

struct PaperRow {
  std::string_view key;
  std::string_view pageName;   // empty: the row sets a custom page size
  std::string_view pageIndex;  // row of the printer's paper parameter table
  std::string_view pageOrigin;
  std::string_view customSize;  // CustomPageSize operands, or empty
  bool printJobOnly = false;
};

// The origins carry the driver's own rounding noise; the printer expects them as they are.
constexpr std::array<PaperRow, 7> kPaperRows{{
    {"A4", "A4", "0", "12.99968 829.00067", ""},
    {"A3", "A3", "26", "12.99968 1177.99938", ""},
    {"A4 SEF", "", "", "12.99968 828.89007", "595 842 0 0 1", true},
    {"A5 SEF", "A5", "5", "12.9997 582.00097", ""},
    {"A6 SEF", "A6", "20", "12.99968 407.00125", ""},
    {"A4BC 2", "", "", "12.99968 894", "612 907 0 0 1"},
    {"A4XL 2", "", "", "12.99968 1177.99938", "612 1190 0 0 1"},
}};

// The printable corner sits 13 points in from the left and top edges.
constexpr double kOriginX = 12.99968;
constexpr int kOriginInset = 13;

std::string_view PaperKey(std::string_view paperName) {
  const std::size_t first = paperName.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = paperName.find_last_not_of(" \t");
  return paperName.substr(first, last - first + 1).substr(0, kPaperKeyLength);
}

const PaperRow* FindPaperRow(std::string_view key, PaperTableKind kind) {
  for (const PaperRow& row : kPaperRows) {
    if (row.printJobOnly && kind == PaperTableKind::BlankJob) continue;
    if (row.key == key) return &row;
  }
  return nullptr;
}

// The A4 SEF row is the only one whose closing line has no trailing blank.
std::string CustomPageSizeBlock(std::string_view operands, bool trailingBlank) {
  std::string out;
  Lines(out, {"featurebegin{", "%%BeginFeature: *CustomPageSize", "", operands,
              "/DriverOps /ProcSet 2 copy resourcestatus{",
              "pop pop findresource /setcustompage get exec",
              trailingBlank ? "}{pop pop}ifelse " : "}{pop pop}ifelse", "", "", "%%EndFeature",
              "}featurecleanup"});
  return out;
}

std::string PageRegionBlock(std::string_view pageName, std::string_view pageIndex, int widthPt,
                            int heightPt) {
  const std::string call =
      " /OK@setpageregion where{ pop " + std::string(pageIndex) + " OK@setpageregion";
  const std::string size =
      "   /PageSize [" + std::to_string(widthPt) + " " + std::to_string(heightPt) + "]";
  std::string out;
  FeatureBlock(out, "PageRegion " + std::string(pageName),
               {call, " }{", "  <<", size,
                "   /MediaType globaldict /OK@MediaType 2 copy known{get}{pop pop null}ifelse",
                "  >> setpagedevice", " }ifelse"});
  return out;
}

}  // namespace

PaperFeatures BuildPaperFeatures(std::string_view paperName, int widthPt, int heightPt,
                                 PaperTableKind kind) {
  const PaperRow* row = FindPaperRow(PaperKey(paperName), kind);
  if (row == nullptr) {
    const std::string operands =
        std::to_string(widthPt) + " " + std::to_string(heightPt) + " 0 0 1";
    return {FixedDecimals(kOriginX, 4) + " " + FixedDecimals(heightPt - kOriginInset, 4),
            CustomPageSizeBlock(operands, true)};
  }
  if (!row->customSize.empty()) {
    return {std::string(row->pageOrigin), CustomPageSizeBlock(row->customSize, !row->printJobOnly)};
  }
  return {std::string(row->pageOrigin),
          PageRegionBlock(row->pageName, row->pageIndex, widthPt, heightPt)};
}

std::string BuildOutputBinFeature(std::string_view modelKey, bool faceUpExit) {
  if (!HasFaceUpExit(modelKey)) return {};
  std::string out;
  if (faceUpExit) {
    FeatureBlock(out, "OutputBin Rear", {" << /OutputType (Lower) >> setpagedevice"});
  } else {
    FeatureBlock(out, "OutputBin Stacker", {" << /OutputType (Upper) >> setpagedevice"});
  }
  return out;
}

std::string BuildInputSlotFeature(std::string_view trayText, const TextTable& text) {
  constexpr std::size_t kAuto = 121, kMultiPurpose = 122, kTray1 = 123;
  // An entry a language file left empty must not match every tray.
  auto contains = [&](std::size_t entry) {
    return !text[entry].empty() && trayText.find(text[entry]) != std::string_view::npos;
  };
  std::string out;
  if (contains(kAuto)) return out;  // the printer chooses the tray
  if (contains(kMultiPurpose)) {
    FeatureBlock(out, "InputSlot FRONT",
                 {" /DriverOps /ProcSet 2 copy resourcestatus{",
                  " pop pop findresource 4 exch /setinputslot get exec",
                  " }{pop pop}ifelse globaldict /OK@_CustTray 3 put"});
  } else if (contains(kTray1)) {
    FeatureBlock(out, "InputSlot UPPER",
                 {" /DriverOps /ProcSet 2 copy resourcestatus{",
                  " pop pop findresource 1 exch /setinputslot get exec",
                  " }{pop pop}ifelse globaldict /OK@_CustTray 0 put"});
  }
  return out;
}

std::string PageSizeCheckFeature() {
  std::string out;
  Lines(out, {"%%BeginFeature: *OKPageSizeCheck False", "",
              "statusdict /setpapersizecheck 2 copy known{", "get false exch {exec}stopped {pop}if",
              "}{pop pop}ifelse", "/DriverOps /ProcSet 2 copy resourcestatus{",
              "pop pop findresource false exch /setpapersizecheckmode get exec", "}{pop pop}ifelse",
              "%%EndFeature"});
  return out;
}

}  // namespace nvx
