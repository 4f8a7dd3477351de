#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "settings/startup.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

// A user folder, and what the front end would show after each write.
struct SettingsFixture : ::testing::Test {
  TempFolder temp;
  SettingsFiles files{temp / "user", temp / "machine"};

  void SetUp() override { fs::create_directories(files.userFolder); }
  void WriteUserFile(std::string_view text) { WriteFileBytes(files.UserFile(), text); }
  // The failure the next commit reports, taken once: empty when there is none.
  static std::string Reported(const SettingsFiles& of) {
    const Status committed = CommitSettings(of);
    return committed ? std::string() : committed.failure().message;
  }
};

// The core shows nothing: a write that failed is reported once, by the next
// commit, in the words the user has always been shown.
TEST_F(SettingsFixture, ReadOnlyFileFailsEveryWriteOnceAndKeepsTheValue) {
  WriteUserFile("[Active]\nUnit=M\n");
  fs::permissions(files.UserFile(), fs::perms::owner_read | fs::perms::group_read);
  const std::string accessDenied = "Failed to write to:- \n" + files.UserFile().string() +
                                   "\nError 5 - Access denied (read only?)";
  WriteSetting(files, "Active", "Unit", "C");
  EXPECT_EQ(Reported(files), accessDenied);
  EXPECT_EQ(Reported(files), "");
  // Two failed writes of one file before a commit are told once.
  WriteSetting(files, "Active", "Unit", "I");
  WriteSetting(CopySettingsFiles(files), "Active", "Unit", "I");
  EXPECT_EQ(Reported(files), accessDenied);
  EXPECT_EQ(ReadSetting(files, "Active", "Unit"), "M");
  EXPECT_EQ(fs::status(files.UserFile()).permissions(),
            fs::perms::owner_read | fs::perms::group_read);

  // Under a snapshot the commit's own write fails the same way.
  TakeSettingsSnapshot(files);
  WriteSetting(files, "Active", "Unit", "C");
  EXPECT_EQ(Reported(files), accessDenied);
}

TEST_F(SettingsFixture, MissingFolderIsPathNotFound) {
  SettingsFiles elsewhere{temp / "no" / "such", temp / "machine"};
  WriteSetting(elsewhere, "Active", "Unit", "C");
  EXPECT_TRUE(Reported(elsewhere).ends_with("\nError 3 - Path not found")) << Reported(elsewhere);
}

TEST_F(SettingsFixture, FailedReplaceLeavesNoTemporaryFile) {
  fs::create_directories(files.UserFile() / "sub");  // a folder where the file should be
  WriteSetting(files, "Active", "Unit", "C");
  EXPECT_TRUE(Reported(files).ends_with("Error 5 - Access denied (read only?)"));
  std::vector<fs::path> left;
  for (const auto& entry : fs::directory_iterator(files.userFolder)) {
    if (!entry.path().filename().string().ends_with(".lock")) left.push_back(entry.path());
  }
  EXPECT_EQ(left, std::vector<fs::path>{files.UserFile()});
}

// A FIFO or a file far beyond any settings file in the place of the settings
// reads as empty at once and is never written over: a reader that waited for
// the FIFO's writer would hang holding the settings lock.
TEST_F(SettingsFixture, AFifoOrAHugeFileInPlaceOfTheSettingsIsNeitherWaitedOnNorReplaced) {
  ASSERT_EQ(::mkfifo(files.UserFile().c_str(), 0600), 0);
  EXPECT_EQ(ReadSetting(files, "Active", "Unit"), "");
  WriteSetting(files, "Active", "Unit", "C");
  EXPECT_EQ(fs::status(files.UserFile()).type(), fs::file_type::fifo);
  const std::string fifo = Reported(files);
  EXPECT_TRUE(fifo.ends_with("Error 5 - Access denied (read only?)")) << fifo;

  fs::remove(files.UserFile());
  WriteUserFile("[Active]\nUnit=M\n");
  fs::resize_file(files.UserFile(), std::uintmax_t{1} << 30);
  EXPECT_EQ(ReadSetting(files, "Active", "Unit"), "");
  WriteSetting(files, "Active", "Unit", "C");
  EXPECT_EQ(fs::file_size(files.UserFile()), std::uintmax_t{1} << 30);
  const std::string huge = Reported(files);
  EXPECT_TRUE(huge.ends_with("Error 27")) << huge;
}

TEST_F(SettingsFixture, WriteKeepsPermissionBits) {
  WriteUserFile("[Active]\n");
  fs::permissions(files.UserFile(), fs::perms::owner_read | fs::perms::owner_write);
  WriteSetting(files, "Active", "Unit", "C");
  EXPECT_EQ(Reported(files), "");
  EXPECT_EQ(fs::status(files.UserFile()).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SettingsFixture, MachineCopyIsSeparate) {
  fs::create_directories(files.machineFolder);
  WriteMachineSetting(files, "Active", "Language", "deutsch.lan3");
  EXPECT_EQ(ReadMachineSetting(files, "ACTIVE", "language"), "deutsch.lan3");
  EXPECT_EQ(ReadSetting(files, "Active", "Language"), "");
}

TEST_F(SettingsFixture, NewUserGetsTheDefaultsInTheirOrder) {
  fs::remove_all(files.userFolder);
  StartupSettings s = OpenSettings(files);
  EXPECT_FLOAT_EQ(s.version, 2.2f);
  EXPECT_EQ(s.printer, "OKI C711wt NVX");
  EXPECT_EQ(ReadFileBytes(files.UserFile()),
            "[INI_INF]\nVersion=2.2\n[Active]\nPrinter=OKI C711wt NVX\nTray=AUTO\nPaperSize=A4\n"
            "TraySwitch=0\nWhite Mask %=100\nWhite Overlay %=2\nMirror=1\nDisplay=0\nTonerOn=1\n"
            "TonerSave=1\nTonerPercent=50\nJPEG Artifact=5\nICM Profile Out=OKC711P2.ICM\n"
            "ICM Profile In=sRGB.icm\nUnit=M\nMPT Offset=0\nTray1 Offset=0\nT_ORDER=WL\n"
            "Top Margin=1296\nLeft Margin=1296\nRight Margin=1296\nBottom Margin=1307\n"
            "[KYMC]\nProfile=FFFDA5A557560000FFFDA5A557560000FFFDA5A557560000\n");
}

class OutdatedFile : public SettingsFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(OutdatedFile, IsUpgradedAndKeepsCustomPapers) {
  WriteUserFile(
      std::string(GetParam()) +
      "[Active]\nUnit=I\nTop Margin=2000\n[Papers]\nNumber=1\nCustom1=Mug^1^2^0^0^0^0^0\n");
  StartupSettings s = OpenSettings(files);
  EXPECT_FLOAT_EQ(s.version, 2.2f);
  EXPECT_EQ(ReadSetting(files, "Active", "Unit"), "M");
  EXPECT_EQ(ReadSetting(files, "Active", "Top Margin"), "2000");
  EXPECT_EQ(ReadSetting(files, "Papers", "Custom1"), "Mug^1^2^0^0^0^0^0");
}

INSTANTIATE_TEST_SUITE_P(Versions, OutdatedFile, ::testing::Values("[INI_INF]\nVersion=2.1\n", ""),
                         [](const auto& info) {
                           return info.index == 0 ? "Version21" : "NoIniInf";
                         });

TEST_F(SettingsFixture, CurrentFileIsLeftAlone) {
  WriteUserFile("[INI_INF]\nVersion=2.2\n[Active]\nUnit=I\nWhite Mask %=\nTonerPercent=300\n");
  StartupSettings s = OpenSettings(files);
  EXPECT_EQ(ReadSetting(files, "Active", "Unit"), "I");
  EXPECT_EQ(s.printer, "OKI C711WT");  // missing key: the read default
  EXPECT_EQ(s.whiteMaskPercent, 0);    // present but empty
  EXPECT_EQ(s.tonerPercent, 255);      // held at the byte's end, not wrapped
  EXPECT_EQ(s.tonerOn, 1);
}

TEST_F(SettingsFixture, BottomMarginOfTwentyFourPointsIsMigrated) {
  for (auto [stored, expected] : {std::pair{"2400", "1307"}, {"2450", "2450"}, {"2360", "1307"}}) {
    WriteUserFile(std::string("[Active]\nBottom Margin=") + stored + "\n");
    MigrateBottomMargin(files);
    EXPECT_EQ(ReadSetting(files, "Active", "Bottom Margin"), expected) << stored;
  }
}

TEST_F(SettingsFixture, HandsDefaultToRightOnlyWhenNeitherIsSet) {
  DefaultWorkingHand(files);
  EXPECT_EQ(ReadSetting(files, "Others", "RightHand"), "1");
  EXPECT_EQ(ReadSetting(files, "Others", "LeftHand"), "0");
  WriteUserFile("[OTHERS]\nLeftHand=1\nRightHand=0\n");
  DefaultWorkingHand(files);
  EXPECT_EQ(ReadSetting(files, "Others", "RightHand"), "0");
}

TEST_F(SettingsFixture, ExitWritesPointsMarginsAndWhiteLast) {
  WriteUserFile("[Active]\nT_ORDER=WF\nTop Margin=3855\n");
  ColourAdjustPoints points = DefaultColourAdjustPoints(TonerOrder::WhiteFirst);
  points.values[23] = 0xAB;
  WriteExitSettings(files, points, TonerOrder::WhiteFirst);
  EXPECT_EQ(ReadSetting(files, "KYMC", "Profile"),
            "FFFDFAB584610000FFFDABCD66750000FFFDA2F7607D00AB");
  EXPECT_EQ(ReadSetting(files, "Active", "Top Margin"), "1296");
  EXPECT_EQ(ReadSetting(files, "Active", "Bottom Margin"), "1307");
  EXPECT_EQ(ReadSetting(files, "Active", "T_ORDER"), "WL");
}

// Edited curves come back at the next start only in the order they were made
// for; points of a file that does not say which order are not trusted.
TEST_F(SettingsFixture, StoredPointsReturnOnlyForTheirTonerOrder) {
  ColourAdjustPoints points = DefaultColourAdjustPoints(TonerOrder::WhiteLast);
  points.values[1] = 0x80;
  WriteExitSettings(files, points, TonerOrder::WhiteLast);
  EXPECT_EQ(ReadStoredColourPoints(files, TonerOrder::WhiteLast), points);
  EXPECT_EQ(ReadStoredColourPoints(files, TonerOrder::WhiteFirst),
            DefaultColourAdjustPoints(TonerOrder::WhiteFirst));
  WriteUserFile("[KYMC]\nProfile=" + FormatColourAdjustPoints(points) + "\n");
  EXPECT_EQ(ReadStoredColourPoints(files, TonerOrder::WhiteLast),
            DefaultColourAdjustPoints(TonerOrder::WhiteLast));
}

TEST_F(SettingsFixture, ApplyingSelectsThePrinterByPrefix) {
  StartupSettings s;
  s.printer = "oki c711wt";
  s.tonerSave = 0;
  LiveSettings live;
  std::vector<std::string> printers = {"PDF", "OKI C711WT NVX (copy 1)", "OKI C711WT"};
  ApplyStartupSettings(s, live, printers);
  EXPECT_EQ(live.printer, "OKI C711WT NVX (copy 1)");
  EXPECT_FALSE(live.thresholdOn);
  s.printer = "Pro9420WT";
  ApplyStartupSettings(s, live, printers);
  EXPECT_EQ(live.printer, "PDF");
}

TEST_F(SettingsFixture, TonerOrderWhiteFirstOnlyOnTheSwitchableModel) {
  WriteUserFile("[Active]\nT_ORDER=WF\n");
  EXPECT_EQ(ReadTonerOrder(files, "C711WT"), TonerOrder::WhiteLast);
  EXPECT_EQ(ReadTonerOrder(files, "Pro8432WT"), TonerOrder::WhiteFirst);
  EXPECT_EQ(SetTonerOrder(files, TonerOrder::WhiteLast),
            DefaultColourAdjustPoints(TonerOrder::WhiteLast));
  EXPECT_EQ(ReadTonerOrder(files, "Pro8432WT"), TonerOrder::WhiteLast);
}

}  // namespace
}  // namespace nvx
