#include "lang/entry_codec.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/named_case.h"

namespace nvx {
namespace {

struct DecodeCase {
  const char* name;
  std::string_view line;
  std::optional<LanguageEntry> expected;
};

class DecodeEntryCases : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeEntryCases, GivesIndexAndText) {
  EXPECT_EQ(DecodeEntry(GetParam().line), GetParam().expected);
}

constexpr std::size_t kSaturated = std::numeric_limits<std::size_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Lines, DecodeEntryCases,
    testing::Values(
        DecodeCase{"Plain", "MQBOAE8AcABlAG4A", LanguageEntry{1, "Open"}},
        DecodeCase{"AsterisksAtBothEnds", "KgA1AE4ASABlAGwAbABvACoA", LanguageEntry{5, "Hello"}},
        DecodeCase{"OutsideAlphabetIsZero", "MQBO#E8?cABlAG4.", LanguageEntry{1, "Open"}},
        DecodeCase{"ShortLastGroup", "MQBOAE8AcABlAG4", LanguageEntry{1, "Open"}},
        DecodeCase{"Umlauts", "MgBOAEcAcgD8AN8AZQA=", LanguageEntry{2, "Gr\u00fc\u00dfe"}},
        DecodeCase{"Cjk", "MwBOAOVlLGeeig==", LanguageEntry{3, "\u65e5\u672c\u8a9e"}},
        DecodeCase{"SurrogatePair",
                   "NwBOAGUAbQBvAGoAaQAgAD3YAN4=", LanguageEntry{7, "emoji \U0001F600"}},
        DecodeCase{"HugeIndexSaturates",
                   "OQA5ADkAOQA5ADkAOQA5ADkAOQA5ADkAOQA5ADkAOQA5ADkAOQA5ADkAOQA5AE4AYgBpAGcA",
                   LanguageEntry{kSaturated, "big"}},
        DecodeCase{"EmptyLine", "", std::nullopt},
        DecodeCase{"NoLetterN", "aABlAGwAbABvAA==", std::nullopt},
        DecodeCase{"NegativeIndex", "LQAxAE4AeAA=", std::nullopt}),
    test::CaseName());

class EntryRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(EntryRoundTrip, DecodeGivesBackWhatEncodeWrote) {
  LanguageEntry entry{42, GetParam()};
  EXPECT_EQ(DecodeEntry(EncodeEntry(entry)), entry);
}

INSTANTIATE_TEST_SUITE_P(Texts, EntryRoundTrip,
                         testing::Values("", "Open", "Gr\u00fc\u00dfe aus M\u00fcnchen",
                                         "\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8",
                                         "emoji \U0001F600", "Print Utility For ******",
                                         "*starred*", "line\\nbreak", "tab\there",
                                         "Nested N and 12N digits"));

TEST(EncodeEntry, WritesStandardBase64OfUtf16) {
  EXPECT_EQ(EncodeEntry({1, "Open"}), "MQBOAE8AcABlAG4A");
  EXPECT_EQ(EncodeEntry({3, "\u65e5\u672c\u8a9e"}), "MwBOAOVlLGeeig==");
}

TEST(DecodeEntry, SurvivesArbitraryBytes) {
  std::string line;
  for (int i = 0; i < 256; ++i) {
    line += static_cast<char>(i);
    (void)DecodeEntry(line);
  }
}

}  // namespace
}  // namespace nvx
