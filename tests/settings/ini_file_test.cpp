#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include "support/ini_values.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

using test::DeleteIniValue;
using test::ReadFileBytes;
using test::ReadIniValue;
using test::TempFolder;
using test::WriteFileBytes;
using test::WriteIniValue;

std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(IniLookup, FollowsTheProfileFunctionsRules) {
  IniDocument doc = ParseIni(
      "; comment=no\n"
      "[Active]\n"
      "  White Mask %  =   80  \n"
      "Quoted=\"  two words  \"\n"
      "Printer=first\n"
      "PRINTER=second\n"
      "[active]\n"
      "Later=hidden\n");
  EXPECT_EQ(FindIniValue(doc, "ACTIVE", "white mask %"), "80");
  EXPECT_EQ(FindIniValue(doc, "Active", "Quoted"), "  two words  ");
  EXPECT_EQ(FindIniValue(doc, "Active", "printer"), "first");
  EXPECT_EQ(FindIniValue(doc, "Active", "Later"), std::nullopt);
  EXPECT_EQ(FindIniValue(doc, "Active", "; comment"), std::nullopt);
  EXPECT_EQ(FindIniValue(doc, "Others", "Printer"), std::nullopt);
}

TEST(IniLookup, LongValuesAreCutAtACharacterBoundary) {
  std::string value = std::string(254, 'x') + "\xC3\xA9\xC3\xA9";  // 254 + two "é"
  IniDocument doc = ParseIni("[S]\nK=" + value + "\n");
  EXPECT_EQ(FindIniValue(doc, "S", "K"), std::string(254, 'x') + "\xC3\xA9");
}

TEST(IniWrite, ChangesOnlyTheLineOfTheKey) {
  TempFolder folder;
  std::string original =
      "; my settings\n[Active]\nUnit = C\n\n; margins\nTop Margin=1296\n[Papers]\nNumber=0\n";
  WriteFileBytes(folder / "a.ini", original);
  ASSERT_TRUE(WriteIniValue(folder / "a.ini", "active", "UNIT", "I").ok());
  ASSERT_TRUE(WriteIniValue(folder / "a.ini", "Active", "Crop", "").ok());
  ASSERT_TRUE(WriteIniValue(folder / "a.ini", "Stats", "Option", "3").ok());
  EXPECT_EQ(ReadFileBytes(folder / "a.ini"),
            "; my settings\n[Active]\nUnit=I\n\n; margins\nTop Margin=1296\nCrop=\n"
            "[Papers]\nNumber=0\n[Stats]\nOption=3\n");
  EXPECT_EQ(ReadIniValue(folder / "a.ini", "ACTIVE", "crop"), "");
}

TEST(IniWrite, DeleteRemovesTheKeyAndLineBreaksCannotAddKeys) {
  TempFolder folder;
  WriteFileBytes(folder / "a.ini", "[S]\nA=1\nB=2");
  ASSERT_TRUE(DeleteIniValue(folder / "a.ini", "s", "a").ok());
  ASSERT_TRUE(WriteIniValue(folder / "a.ini", "S", "C", "x\n[Evil]\nD=1").ok());
  EXPECT_EQ(ReadFileBytes(folder / "a.ini"), "[S]\nB=2\nC=x\n");
}

TEST(IniWrite, NewFileIsUtf8WithLfLineEnds) {
  TempFolder folder;
  ASSERT_TRUE(WriteIniValue(folder / "new.ini", "Pattern", "AIPath", "/home/ü").ok());
  EXPECT_EQ(ReadFileBytes(folder / "new.ini"), "[Pattern]\nAIPath=/home/\xC3\xBC\n");
}

TEST(IniWrite, WindowsUtf16FileKeepsItsEncodingAndLineEnds) {
  TempFolder folder;
  std::u16string before =
      u"[INI_INF]\r\nVersion=2.2\r\n[Active]\r\nShape Library=C:\\Bilder\\Müller\\shape.lib\r\n"
      u"Printer=OKI C711wt NVX\r\n";
  WriteFileBytes(folder / "w.ini", Utf16Le(before));
  EXPECT_EQ(ReadIniValue(folder / "w.ini", "active", "shape library"),
            "C:\\Bilder\\M\xC3\xBCller\\shape.lib");
  ASSERT_TRUE(
      WriteIniValue(folder / "w.ini", "Active", "Printer", "Drucker \xF0\x9F\x96\xA8").ok());
  std::u16string after = before;
  after.replace(after.find(u"OKI C711wt NVX"), 14, u"Drucker \U0001F5A8");
  EXPECT_EQ(ReadFileBytes(folder / "w.ini"), Utf16Le(after));
}

TEST(IniWrite, SingleByteFileStaysSingleByteWhileItCan) {
  TempFolder folder;
  WriteFileBytes(folder / "s.ini", "[Stats]\r\nCurrancy=\x80\r\n");  // "€" in Windows-1252
  EXPECT_EQ(ReadIniValue(folder / "s.ini", "Stats", "Currancy"), "\xE2\x82\xAC");
  ASSERT_TRUE(WriteIniValue(folder / "s.ini", "Stats", "TCOST",
                            "\xC2\xA3"
                            "5")
                  .ok());
  EXPECT_EQ(ReadFileBytes(folder / "s.ini"),
            "[Stats]\r\nCurrancy=\x80\r\nTCOST=\xA3"
            "5\r\n");
  // A character the code page lacks turns the file into UTF-16 instead of a '?'.
  ASSERT_TRUE(WriteIniValue(folder / "s.ini", "Stats", "TCOST", "\xE5\x86\x86").ok());
  EXPECT_EQ(ReadFileBytes(folder / "s.ini"),
            Utf16Le(u"[Stats]\r\nCurrancy=\u20AC\r\nTCOST=\u5186\r\n"));
}

TEST(IniWrite, Utf8MarkIsKept) {
  TempFolder folder;
  WriteFileBytes(folder / "b.ini", "\xEF\xBB\xBF[A]\nK=1\n");
  ASSERT_TRUE(WriteIniValue(folder / "b.ini", "A", "K", "2").ok());
  EXPECT_EQ(ReadFileBytes(folder / "b.ini"), "\xEF\xBB\xBF[A]\nK=2\n");
}

}  // namespace
}  // namespace nvx
