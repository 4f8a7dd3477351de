#include "settings/last_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "support/temp_folder.h"

namespace nvx {
namespace {

using test::ReadFileBytes;
using test::TempFolder;

// The bytes of one slot: digit, value, blanks up to 501 UTF-16LE units.
std::string SlotBytes(char digit, std::u16string value) {
  value.insert(value.begin(), static_cast<char16_t>(digit));
  value.resize(501, u' ');
  std::string bytes;
  for (char16_t c : value) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(LastFiles, SlotsHaveTheirFixedLayout) {
  TempFolder folder;
  std::vector<std::string> paths = {"/home/ann/Bilder/Kätzchen.png", "/tmp/b.jpg"};
  ASSERT_TRUE(WriteLastFiles(folder.path(), paths).ok());
  std::string expected = SlotBytes('1', u"/home/ann/Bilder/Kätzchen.png") +
                         SlotBytes('2', u"/tmp/b.jpg") + SlotBytes('3', u"") + SlotBytes('4', u"") +
                         SlotBytes('5', u"") + SlotBytes('6', u"/home/ann/Bilder");
  EXPECT_EQ(ReadFileBytes(folder / "Lastfile.exini"), expected);
  EXPECT_EQ(ReadLastFile(folder.path(), 1), paths[0]);
  EXPECT_EQ(ReadLastFile(folder.path(), 3), "");
  EXPECT_EQ(ReadLastFile(folder.path(), 6), "/home/ann/Bilder");
}

// The list is read without waiting on a FIFO in its place, and the FIFO stays.
TEST(LastFiles, AFifoInPlaceOfTheListReadsEmptyAndIsNotReplaced) {
  TempFolder folder;
  ASSERT_EQ(::mkfifo((folder / "Lastfile.exini").c_str(), 0600), 0);
  EXPECT_EQ(ReadLastFile(folder.path(), 1), "");
  const std::vector<std::string> paths = {"/tmp/a.png"};
  EXPECT_FALSE(WriteLastFiles(folder.path(), paths).ok());
  EXPECT_EQ(std::filesystem::status(folder / "Lastfile.exini").type(),
            std::filesystem::file_type::fifo);
}

TEST(LastFiles, LongPathsAreCutToFiveHundredUnits) {
  TempFolder folder;
  std::string longPath = "/" + std::string(599, 'p');
  // 499 units, then a character outside the BMP that would straddle the cut.
  std::string straddling = std::string(499, 'q') + "\xF0\x9F\x96\xA8";
  std::vector<std::string> paths = {longPath, straddling};
  ASSERT_TRUE(WriteLastFiles(folder.path(), paths).ok());
  EXPECT_EQ(ReadLastFile(folder.path(), 1), longPath.substr(0, 500));
  EXPECT_EQ(ReadLastFile(folder.path(), 2), std::string(499, 'q'));
  EXPECT_EQ(ReadFileBytes(folder / "Lastfile.exini").size(), 6012u);
}

TEST(LastFiles, AnImageOpenedAgainMovesToTheTopAndTheOldestGivesWay) {
  TempFolder folder;
  for (const char* p : {"/a.png", "/b.png", "/c.png", "/d.png", "/e.png"}) {
    ASSERT_TRUE(RememberRecentFile(folder.path(), p).ok());
  }
  ASSERT_TRUE(RememberRecentFile(folder.path(), "/c.png").ok());
  EXPECT_EQ(ReadRecentFiles(folder.path()),
            (std::vector<std::string>{"/c.png", "/e.png", "/d.png", "/b.png", "/a.png"}));
  ASSERT_TRUE(RememberRecentFile(folder.path(), "/new/f.png").ok());
  EXPECT_EQ(ReadRecentFiles(folder.path()),
            (std::vector<std::string>{"/new/f.png", "/c.png", "/e.png", "/d.png", "/b.png"}));
  EXPECT_EQ(ReadLastFile(folder.path(), kLastFileSlots), "/new");
}

TEST(LastFiles, MissingFileOrSlotReadsEmpty) {
  TempFolder folder;
  EXPECT_EQ(ReadLastFile(folder.path(), 1), "");
  EXPECT_EQ(ReadLastFile(folder.path(), 7), "");
}

}  // namespace
}  // namespace nvx
