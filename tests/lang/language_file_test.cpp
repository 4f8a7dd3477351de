#include "lang/language_file.h"

#include <gtest/gtest.h>

#include "lang/table_text.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

constexpr std::string_view kV3 = "Starvane Language file V3";

std::string Lines(std::initializer_list<std::string> lines, std::string_view end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + std::string(end);
  return text;
}

std::string Line3(std::string_view count, const LanguageEntry& first) {
  return std::string(count) + "N" + EncodeEntry(first);
}

class LanguageFileTest : public testing::Test {
 protected:
  TextTable Load(std::string_view bytes) {
    WriteFileBytes(folder / "Test.lan3", bytes);
    LanguageTexts loaded = LoadLanguageFile(folder.path(), "Test.lan3");
    notes = std::move(loaded.notes);
    return std::move(loaded.table);
  }
  TempFolder folder;
  Notes notes;
};

TEST_F(LanguageFileTest, CountThreeWithOpenSetsEntryOneAndKeepsFullTable) {
  TextTable table = Load(Lines({std::string(kV3), "", "3NMQBOAE8AcABlAG4A", ">>>"}));
  EXPECT_EQ(table[1], "Open");
  EXPECT_EQ(table.entries.size(), kMinTextEntries);
  EXPECT_EQ(table[2], "");
  EXPECT_EQ(table[0], kAppTitle);
  EXPECT_TRUE(notes.empty());
}

TEST_F(LanguageFileTest, LfLineEndsAndLineBreakRuleApply) {
  TextTable table = Load(Lines(
      {std::string(kV3), "x", Line3("3", {1, "a\\nb"}), EncodeEntry({2, "\\num"}), ">>>"}, "\n"));
  EXPECT_EQ(table[1], "a\r\nb");
  EXPECT_EQ(table[2], "\\num");
}

TEST_F(LanguageFileTest, FewerLinesThanDeclaredLeaveTheRestEmpty) {
  TextTable table = Load(Lines({std::string(kV3), "", Line3("5", {0, "Title"}),
                                EncodeEntry({1, "One"}), EncodeEntry({2, "Two"})}));
  EXPECT_EQ(table[0], "Title");
  EXPECT_EQ(table[2], "Two");
  EXPECT_EQ(table[3], "");
}

TEST_F(LanguageFileTest, EntryAtDeclaredCountEndsTheFile) {
  TextTable table = Load(Lines({std::string(kV3), "", Line3("400", {1, "One"}),
                                EncodeEntry({400, "Last"}), EncodeEntry({2, "After"}), ">>>"}));
  EXPECT_EQ(table.entries.size(), 401u);
  EXPECT_EQ(table[400], "Last");
  EXPECT_EQ(table[2], "");
}

TEST_F(LanguageFileTest, HugeDeclaredCountIsCapped) {
  TextTable table = Load(Lines({std::string(kV3), "", Line3("99999999999999999999999", {1, "One"}),
                                EncodeEntry({2, "Two"}), ">>>"}));
  EXPECT_EQ(table.entries.size(), kMaxTextEntries);
  EXPECT_EQ(table[2], "Two");
}

TEST_F(LanguageFileTest, IndexBeyondTheTableIsIgnoredAndEndsTheFile) {
  std::string hugeIndex =
      "OQA5ADkAOQA5ADkAOQA5ADkAOQA5ADkAOQA5ADkAOQA5ADkAOQA5ADkAOQA5AE4AYgBpAGcA";
  TextTable table = Load(Lines(
      {std::string(kV3), "", Line3("3", {1, "One"}), hugeIndex, EncodeEntry({2, "Two"}), ">>>"}));
  EXPECT_EQ(table.entries.size(), kMinTextEntries);
  EXPECT_EQ(table[1], "One");
  EXPECT_EQ(table[2], "");
}

TEST_F(LanguageFileTest, TruncatedAndGarbageLinesDoNotStopLoading) {
  TextTable table = Load(Lines({std::string(kV3), "", "2N", "\x01\xff garbage", "MQBOAE8", ">>>"}));
  EXPECT_EQ(table[1], "O");
  EXPECT_EQ(table[0], kAppTitle);
}

struct FallbackCase {
  const char* name;
  std::optional<std::string> firstLine;  // no file at all when empty
  std::optional<Message> message;
};

class LanguageFallback : public testing::TestWithParam<FallbackCase> {};

const Message kOutdated{"Starvane",
                        "The Language file is out of date, please reinstall\r\nLoading Defaults",
                        MessageIcon::Exclamation};

TEST_P(LanguageFallback, LoadsDefaults) {
  TempFolder folder;
  if (GetParam().firstLine) {
    WriteFileBytes(folder / "Old.lan3",
                   Lines({*GetParam().firstLine, "", Line3("3", {1, "Open"}), ">>>"}));
  }
  const LanguageTexts loaded = LoadLanguageFile(folder.path(), "Old.lan3");
  EXPECT_EQ(loaded.table, DefaultTextTable());

  std::optional<Message> expected = GetParam().message;
  if (expected && expected->title == "Nivalux")
    expected->text.insert(0, (folder / "Old.lan3").string());
  ASSERT_EQ(loaded.notes.size(), expected ? 1u : 0u);
  if (expected) {
    EXPECT_EQ(loaded.notes[0].title, expected->title);
    EXPECT_EQ(loaded.notes[0].text, expected->text);
    EXPECT_EQ(loaded.notes[0].icon, expected->icon);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, LanguageFallback,
    testing::Values(FallbackCase{"VersionOne", "Starvane Language file V1", kOutdated},
                    FallbackCase{"VersionTwo", "Starvane Language file V2 (Deutsch)", kOutdated},
                    FallbackCase{"UnknownHeader", "Some other text", std::nullopt},
                    FallbackCase{
                        "Missing", std::nullopt,
                        Message{"Nivalux",
                                " Missing\r\nLoading defaults - Please set language once open",
                                MessageIcon::Error}}),
    test::CaseName());

// A language file far larger than any is not read at all: it is as missing.
TEST(LanguageFileSize, AGigabyteFileIsNotRead) {
  TempFolder folder;
  WriteFileBytes(folder / "Huge.lan3", "Starvane Language file V3\r\n");
  std::filesystem::resize_file(folder / "Huge.lan3", std::uintmax_t{1} << 30);
  EXPECT_EQ(ReadLanguageFile(folder / "Huge.lan3").version, LanguageFileVersion::Missing);
}

TEST(EnglishLanguageFile, LoadsToExactlyTheDefaults) {
  const LanguageTexts loaded = LoadLanguageFile(NVX_LANG_DATA_DIR, "english.lan3");
  EXPECT_EQ(loaded.table, DefaultTextTable());
  EXPECT_TRUE(loaded.notes.empty());
}

TEST(EnglishLanguageFile, IsTheEncodingOfItsTable) {
  std::string table = ReadFileBytes(std::string(NVX_LANG_DATA_DIR) + "/english.txt");
  TableText parsed = ParseTableText(table);
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(EncodeLanguageFile(parsed.entries),
            ReadFileBytes(std::string(NVX_LANG_DATA_DIR) + "/English.lan3"));
}

TEST(LanguageList, ShowsV3FilesByCapitalisedName) {
  TempFolder folder;
  std::string v3 = Lines({std::string(kV3), "", "0N", ">>>"});
  WriteFileBytes(folder / "English.lan3", v3);
  WriteFileBytes(folder / "DEUTSCH.de.LAN3", v3);
  WriteFileBytes(folder / "old.lan3", Lines({"Starvane Language file V2"}));
  WriteFileBytes(folder / "notes.txt", v3);
  EXPECT_EQ(ListLanguages(folder.path()), (std::vector<std::string>{"Deutsch", "English"}));
  EXPECT_EQ(FileVersionCheck(folder.path(), "english.lan3"), 0);
  EXPECT_EQ(FileVersionCheck(folder.path(), "old.lan3"), 1);
  EXPECT_EQ(FileVersionCheck(folder.path(), "none.lan3"), 1);
}

class StartupLanguage : public testing::Test {
 protected:
  TempFolder user, machine;
  SettingsFiles files{user.path(), machine.path()};
};

TEST_F(StartupLanguage, OldLangNameIsMigratedInBothFilesBeforeLoading) {
  WriteSetting(files, "Active", "Language", "English.lang");
  const LanguageTexts loaded = LoadStartupLanguage(files, NVX_LANG_DATA_DIR);
  EXPECT_EQ(loaded.table, DefaultTextTable());
  EXPECT_TRUE(loaded.notes.empty());
  EXPECT_EQ(ReadSetting(files, "Active", "Language"), "english.lan3");
  EXPECT_EQ(ReadMachineSetting(files, "Active", "Language"), "english.lan3");
}

TEST_F(StartupLanguage, EmptyUserSettingTakesMachineCopyUnchanged) {
  WriteMachineSetting(files, "Active", "Language", "English.lan3");
  EXPECT_EQ(StartupLanguageFileName(files), "English.lan3");
  EXPECT_EQ(ReadSetting(files, "Active", "language"), "English.lan3");
}

// With no language named anywhere, a start writes nothing (a read-only
// settings file would otherwise give an error at every start) and is a first
// run, not a missing file: the built-in texts, without a word.
TEST_F(StartupLanguage, NoLanguageAnywhereLeavesTheFileAlone) {
  WriteSetting(files, "Active", "Unit", "M");
  const std::string before = ReadFileBytes(files.UserFile());
  EXPECT_EQ(StartupLanguageFileName(files), "");
  const LanguageTexts loaded = LoadStartupLanguage(files, NVX_LANG_DATA_DIR);
  EXPECT_EQ(loaded.table, DefaultTextTable());
  EXPECT_TRUE(loaded.notes.empty());
  EXPECT_EQ(ReadFileBytes(files.UserFile()), before);
}

TEST_F(StartupLanguage, DialogChoiceLoadsAndRemembersTheFile) {
  const std::optional<LanguageTexts> chosen =
      ApplyLanguageChoice("English", files, NVX_LANG_DATA_DIR);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->table, DefaultTextTable());
  EXPECT_TRUE(chosen->notes.empty());
  EXPECT_EQ(ReadSetting(files, "Active", "Language"), "English.lan3");
  EXPECT_FALSE(ApplyLanguageChoice("English", files, NVX_LANG_DATA_DIR));
}

}  // namespace
}  // namespace nvx
