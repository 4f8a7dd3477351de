#include <gtest/gtest.h>

#include "job_test_support.h"
#include "postscript/features.h"
#include "support/named_case.h"

namespace nvx {
namespace {

using test::Crlf;

std::string OptionOf(const std::string& block) {
  const std::string begin = "%%BeginFeature: *OKMediaType ";
  const std::size_t at = block.find(begin) + begin.size();
  return block.substr(at, block.find('\r', at) - at);
}

TEST(MediaBlock, EveryCodeSelectsItsOption) {
  // Index = media code; trailing blanks belong to the options' BeginFeature lines.
  const std::vector<std::string> expected = {
      "Labels1",      "PRINTERDEFAULT", "LIGHT",       "MEDIUMLIGHT ", "MEDIUM ", "HEAVY",
      "ULTRAHEAVY1",  "ULTRAHEAVY2",    "ULTRAHEAVY3", "Labels1",      "Labels2", "GLOSSY",
      "Transparency", "HEAVY",          "ULTRAHEAVY1", "HEAVY",        "HEAVY",   "Labels2",
      "Labels2",      "Labels2",        "MEDIUM ",     "MEDIUM ",      "MEDIUM ", "Labels1",
      "HEAVY",        "Labels1",        "ULTRAHEAVY1", "Labels1",      "Labels2", "Transparency",
      "ULTRAHEAVY1",  "Labels1"};
  for (int code = 0; code < static_cast<int>(expected.size()); ++code) {
    EXPECT_EQ(OptionOf(BuildMediaFeature(code, 0)), expected[code]) << "media code " << code;
  }
}

TEST(MediaBlock, FoilAndUnoAreUltraHeavyOnLargerFamilies) {
  EXPECT_EQ(OptionOf(BuildMediaFeature(15, 2)), "ULTRAHEAVY1");
  EXPECT_EQ(OptionOf(BuildMediaFeature(16, 2)), "ULTRAHEAVY1");
  EXPECT_EQ(OptionOf(BuildMediaFeature(16, 1)), "HEAVY");
}

struct BlockCase {
  const char* name;
  int code;
  std::string block;
};

// Test names show the case, not its bytes.
using test::PrintTo;

class MediaBlockText : public testing::TestWithParam<BlockCase> {};

TEST_P(MediaBlockText, IsExact) {
  EXPECT_EQ(BuildMediaFeature(GetParam().code, 0), GetParam().block);
}

const char* kDriverOps = "/DriverOps /ProcSet 2 copy resourcestatus{";
const char* kGlobal = " null globaldict /OK@MediaType 2 copy known{get}{pop pop (Plain)}ifelse";

INSTANTIATE_TEST_SUITE_P(
    Options, MediaBlockText,
    testing::Values(
        BlockCase{"PrinterDefault", 1,
                  Crlf({"featurebegin{", "%%BeginFeature: *OKMediaType PRINTERDEFAULT", "", "",
                        "%%EndFeature", "}featurecleanup"})},
        BlockCase{"Light", 2,
                  Crlf({"featurebegin{", "%%BeginFeature: *OKMediaType LIGHT", "", kDriverOps,
                        " pop pop findresource", kGlobal,
                        " null 74 false dup 7 -1 roll /custsetpd get exec", "}{pop pop}ifelse",
                        "%%EndFeature", "}featurecleanup "})},
        BlockCase{"MediumLight", 3,
                  Crlf({"featurebegin{", "%%BeginFeature: *OKMediaType MEDIUMLIGHT ", kDriverOps,
                        " pop pop findresource", std::string(kGlobal) + " ",
                        " null 82 false dup 7 -1 roll /custsetpd get exec", "}{pop pop}ifelse",
                        "%%EndFeature", "}featurecleanup "})},
        BlockCase{
            "Medium", 4,
            Crlf({"featurebegin{", "%%BeginFeature: *OKMediaType MEDIUM ", " ",
                  std::string(kDriverOps) + " ", " pop pop findresource ",
                  std::string(kGlobal) + " ", " null 104 false dup 7 -1 roll /custsetpd get exec ",
                  "}{pop pop}ifelse ", "%%EndFeature", "}featurecleanup "})},
        BlockCase{"UltraHeavy1", 6,
                  Crlf({"featurebegin{", "%%BeginFeature: *OKMediaType ULTRAHEAVY1", "", kDriverOps,
                        " pop pop findresource", kGlobal,
                        " null 188 false dup 7 -1 roll /custsetpd get exec ", "}{pop pop}ifelse",
                        "%%EndFeature", "}featurecleanup "})},
        BlockCase{"Labels1", 0,
                  Crlf({"featurebegin{", "%%BeginFeature: *OKMediaType Labels1", "", kDriverOps,
                        " pop pop findresource",
                        " null (Labels) null 120 false true 7 -1 roll /custsetpd get exec",
                        "}{pop pop}ifelse", "%%EndFeature", "}featurecleanup "})},
        BlockCase{"Glossy", 11,
                  Crlf({"featurebegin{", "%%BeginFeature: *OKMediaType GLOSSY", "", kDriverOps,
                        " pop pop findresource",
                        " null (Glossy) null 188 false dup 7 -1 roll /custsetpd get exec",
                        "}{pop pop}ifelse", "%%EndFeature", "}featurecleanup "})},
        BlockCase{"Transparency", 29,
                  Crlf({"featurebegin{", "%%BeginFeature: *OKMediaType Transparency", " ",
                        kDriverOps, " pop pop findresource", " null (Transparency) null dup false",
                        " statusdict /papertray 2 copy known{get exec dup 4 eq exch 1 eq or "
                        "not}{pop pop false}ifelse ",
                        " 7 -1 roll /custsetpd get exec", "}{pop pop}ifelse", "%%EndFeature",
                        "}featurecleanup "})}),
    test::CaseName());

struct CodeCase {
  const char* name;
  int stored;
  std::string_view listText;
  std::string_view modelKey;
  int code;
};

// Test names show the case, not its bytes.

class MediaCode : public testing::TestWithParam<CodeCase> {};

TEST_P(MediaCode, ComesFromStoredNumberOrListText) {
  const CodeCase& c = GetParam();
  EXPECT_EQ(MediaCodeFor(c.stored, c.listText, c.modelKey, DefaultTextTable()), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Media, MediaCode,
    testing::Values(CodeCase{"PlainClassKept", 7, "Dermafilm 2.1", "C711WT", 7},
                    CodeCase{"Ktc", 13, "KTC3.1", "C711WT", 13},
                    CodeCase{"KtcPlus", 13, "KTC3.1+", "C711WT", 14},
                    CodeCase{"Hst", 21, "HST 9.1", "C711WT", 22},
                    CodeCase{"Qdt", 22, "QDT4.5", "C711WT", 23},
                    CodeCase{"Yrd", 23, "YRD8.1", "C711WT", 24},
                    CodeCase{"Dermafilm", 24, "Dermafilm 2.1", "C711WT", 25},
                    CodeCase{"Dermafilm8432", 24, "Dermafilm 2.1", "Pro8432WT", 14},
                    CodeCase{"Ubm", 17, "UBM5.4", "C711WT", 17},
                    CodeCase{"Ubm8432", 17, "UBM5.4", "Pro8432WT", 8},
                    CodeCase{"AllGpf", 25, "All GPF", "C711WT", 27},
                    CodeCase{"QttFilm", 29, "Nivalux QTT Film", "C711WT", 29},
                    CodeCase{"UnknownTextKeepsNumber", 26, "Something new", "C711WT", 26}),
    test::CaseName());

TEST(MediaCode, DarkFoilInTheLanguageGivesCode30) {
  TextTable text = DefaultTextTable();
  text.Set(198, "P.Foil Dark");
  EXPECT_EQ(MediaCodeFor(16, "P.Foil Dark", "C711WT", text), 30);
  EXPECT_EQ(MediaCodeFor(16, "P.Foil", "C711WT", DefaultTextTable()), 16);
}

}  // namespace
}  // namespace nvx
