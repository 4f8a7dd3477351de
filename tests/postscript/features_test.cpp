#include "postscript/features.h"

#include <gtest/gtest.h>

#include "job_test_support.h"
#include "support/named_case.h"

namespace nvx {
namespace {

using test::Crlf;

struct PaperCase {
  const char* name;
  std::string_view paperText;
  int width, height;
  PaperTableKind kind;
  std::string_view origin;
  std::string_view sizeLine;  // CustomPageSize operands or the PageRegion line
};

// Test names show the case, not its bytes.
using test::PrintTo;

class PaperTable : public testing::TestWithParam<PaperCase> {};

TEST_P(PaperTable, GivesOriginAndOneSizeBlock) {
  const PaperCase& c = GetParam();
  const PaperFeatures paper = BuildPaperFeatures(c.paperText, c.width, c.height, c.kind);
  EXPECT_EQ(paper.pageOrigin, c.origin);
  EXPECT_NE(paper.paperSizeBlock.find(std::string(c.sizeLine) + "\r\n"), std::string::npos)
      << paper.paperSizeBlock;
  const bool custom = paper.paperSizeBlock.find("CustomPageSize") != std::string::npos;
  const bool region = paper.paperSizeBlock.find("PageRegion") != std::string::npos;
  EXPECT_NE(custom, region);
}

constexpr auto kPrint = PaperTableKind::PrintJob;
constexpr auto kBlank = PaperTableKind::BlankJob;

INSTANTIATE_TEST_SUITE_P(
    Rows, PaperTable,
    testing::Values(
        PaperCase{"A4", "A4", 595, 842, kPrint, "12.99968 829.00067",
                  "%%BeginFeature: *PageRegion A4"},
        PaperCase{"A4Trimmed", "  A4  ", 595, 842, kPrint, "12.99968 829.00067",
                  " /OK@setpageregion where{ pop 0 OK@setpageregion"},
        PaperCase{"A3", "A3", 842, 1191, kPrint, "12.99968 1177.99938", "   /PageSize [842 1191]"},
        PaperCase{"A4SefCutToSix", "A4 SEF (long edge)", 595, 842, kPrint, "12.99968 828.89007",
                  "595 842 0 0 1"},
        PaperCase{"A5Sef", "A5 SEF", 420, 595, kPrint, "12.9997 582.00097",
                  " /OK@setpageregion where{ pop 5 OK@setpageregion"},
        PaperCase{"A6Sef", "A6 SEF", 297, 420, kPrint, "12.99968 407.00125",
                  "%%BeginFeature: *PageRegion A6"},
        PaperCase{"A4BC", "A4BC 216x320mm", 612, 907, kPrint, "12.99968 894", "612 907 0 0 1"},
        PaperCase{"A4XL", "A4XL 216x420mm", 612, 1191, kPrint, "12.99968 1177.99938",
                  "612 1190 0 0 1"},
        PaperCase{"Custom", "Poster 612x1008", 612, 1008, kPrint, "12.9997 995.0000",
                  "612 1008 0 0 1"},
        PaperCase{"BlankJobA4SefFallsThrough", "A4 SEF", 595, 842, kBlank, "12.9997 829.0000",
                  "595 842 0 0 1"}),
    test::CaseName());

TEST(PaperTable, OnlyTheA4SefBlockClosesWithoutTrailingBlank) {
  const std::string tail = Crlf({"", "", "%%EndFeature", "}featurecleanup"});
  EXPECT_EQ(BuildPaperFeatures("A4 SEF", 595, 842, kPrint).paperSizeBlock,
            Crlf({"featurebegin{", "%%BeginFeature: *CustomPageSize", "", "595 842 0 0 1",
                  "/DriverOps /ProcSet 2 copy resourcestatus{",
                  "pop pop findresource /setcustompage get exec", "}{pop pop}ifelse"}) +
                tail);
  EXPECT_NE(BuildPaperFeatures("A4BC 2", 612, 907, kPrint)
                .paperSizeBlock.find(Crlf({"}{pop pop}ifelse "}) + tail),
            std::string::npos);
}

TEST(PaperTable, PageRegionBlockIsExact) {
  EXPECT_EQ(BuildPaperFeatures("A3", 842, 1191, kPrint).paperSizeBlock,
            Crlf({"featurebegin{", "%%BeginFeature: *PageRegion A3", "",
                  " /OK@setpageregion where{ pop 26 OK@setpageregion", " }{", "  <<",
                  "   /PageSize [842 1191]",
                  "   /MediaType globaldict /OK@MediaType 2 copy known{get}{pop pop null}ifelse",
                  "  >> setpagedevice", " }ifelse", "%%EndFeature", "}featurecleanup"}));
}

struct TrayCase {
  const char* name;
  std::string_view trayText;
  std::string_view slotLine;  // empty: no block
};

// Test names show the case, not its bytes.

class InputSlot : public testing::TestWithParam<TrayCase> {};

TEST_P(InputSlot, FollowsTheTrayText) {
  const TextTable text = DefaultTextTable();
  const std::string block = BuildInputSlotFeature(GetParam().trayText, text);
  if (GetParam().slotLine.empty()) {
    EXPECT_EQ(block, "");
  } else {
    EXPECT_NE(block.find(Crlf({GetParam().slotLine})), std::string::npos) << block;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Trays, InputSlot,
    testing::Values(
        TrayCase{"Auto", "AUTO", ""}, TrayCase{"AutoBeforeTray1", "Tray 1 (AUTO)", ""},
        TrayCase{"MultiPurpose", "MultiPurpose Tray", "%%BeginFeature: *InputSlot FRONT"},
        TrayCase{"Tray1", "Tray 1", " pop pop findresource 1 exch /setinputslot get exec"},
        TrayCase{"CaseMatters", "tray 1", ""}, TrayCase{"Unknown", "Tray 2", ""}),
    test::CaseName());

TEST(InputSlot, MultiPurposeBlockIsExact) {
  EXPECT_EQ(BuildInputSlotFeature("MultiPurpose Tray", DefaultTextTable()),
            Crlf({"featurebegin{", "%%BeginFeature: *InputSlot FRONT", "",
                  " /DriverOps /ProcSet 2 copy resourcestatus{",
                  " pop pop findresource 4 exch /setinputslot get exec",
                  " }{pop pop}ifelse globaldict /OK@_CustTray 3 put", "%%EndFeature",
                  "}featurecleanup"}));
}

TEST(InputSlot, EmptyLanguageEntryMatchesNoTray) {
  TextTable text = DefaultTextTable();
  text.Set(121, "");
  text.Set(122, "");
  EXPECT_NE(BuildInputSlotFeature("Tray 1", text).find("InputSlot UPPER"), std::string::npos);
}

struct BinCase {
  const char* name;
  std::string_view modelKey;
  bool faceUp;
  std::string_view block;
};

// Test names show the case, not its bytes.

class OutputBin : public testing::TestWithParam<BinCase> {};

TEST_P(OutputBin, OnlyFaceUpModelsGetABlock) {
  EXPECT_EQ(BuildOutputBinFeature(GetParam().modelKey, GetParam().faceUp), GetParam().block);
}

const std::string kRear =
    Crlf({"featurebegin{", "%%BeginFeature: *OutputBin Rear", "",
          " << /OutputType (Lower) >> setpagedevice", "%%EndFeature", "}featurecleanup"});
const std::string kStacker =
    Crlf({"featurebegin{", "%%BeginFeature: *OutputBin Stacker", "",
          " << /OutputType (Upper) >> setpagedevice", "%%EndFeature", "}featurecleanup"});

INSTANTIATE_TEST_SUITE_P(Models, OutputBin,
                         testing::Values(BinCase{"C920FaceUp", "C920WT", true, kRear},
                                         BinCase{"Pro9420FaceDown", "Pro9420WT", false, kStacker},
                                         BinCase{"C711", "C711WT", true, ""},
                                         BinCase{"Pro8432", "Pro8432WT", false, ""}),
                         test::CaseName());

}  // namespace
}  // namespace nvx
