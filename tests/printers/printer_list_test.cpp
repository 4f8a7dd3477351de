#include "printers/printer_list.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include "printers/printer_mode.h"
#include "printers/usb_detection.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

using platform::PrinterDestination;

const std::vector<PrinterDestination> kShop{
    {"Laser_Office", "HP LaserJet in the office"},
    {"OKI_C711WT", "OKI C711WT(PS)"},
    {"oki_pro711wt_back", ""},
    {"front_desk", "OKI C711WT at the front desk"},
    {"Pro8432WT", "Pro8432WT(PS)"},
};

struct ListCase {
  const char* name;
  const char* modelKey;
  const char* storedPrinter;
  std::vector<std::string> entries;
  int selected;
};

using test::PrintTo;

class FillPrinterListTable : public testing::TestWithParam<ListCase> {};

TEST_P(FillPrinterListTable, FiltersAndSelects) {
  PrinterList list = FillPrinterList(kShop, GetParam().modelKey, GetParam().storedPrinter);
  EXPECT_EQ(list.entries, GetParam().entries);
  EXPECT_EQ(list.selected, GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(
    Models, FillPrinterListTable,
    testing::Values(ListCase{"C711WTAlsoListsPro711WTAndDescriptions",
                             "C711WT",
                             "",
                             {"OKI_C711WT", "oki_pro711wt_back", "front_desk"},
                             0},
                    ListCase{"StoredPrinterPrefixIgnoringCase",
                             "C711WT",
                             "FRONT",
                             {"OKI_C711WT", "oki_pro711wt_back", "front_desk"},
                             2},
                    ListCase{"UnknownStoredPrinterSelectsFirst",
                             "C711WT",
                             "OKI C711wt NVX",
                             {"OKI_C711WT", "oki_pro711wt_back", "front_desk"},
                             0},
                    ListCase{"OtherModelUsesItsWholeKey", "Pro8432WT", "", {"Pro8432WT"}, 0},
                    ListCase{"NoMatchLeavesTheListEmpty", "ES9420WT", "OKI", {}, -1},
                    ListCase{"XKeepsEveryPrinter",
                             "X",
                             "laser",
                             {"Laser_Office", "OKI_C711WT", "oki_pro711wt_back", "front_desk",
                              "Pro8432WT"},
                             0}),
    test::CaseName());

TEST(FillPrinterList, WalksAtMost200NamesAndStopsAtAnEmptyOne) {
  std::vector<PrinterDestination> many;
  for (int i = 0; i < 250; ++i) many.push_back({"C711WT_" + std::to_string(i), ""});
  PrinterList list = FillPrinterList(many, "C711WT", "");
  ASSERT_EQ(list.entries.size(), 200u);
  EXPECT_EQ(list.entries.back(), "C711WT_199");

  many[3].name.clear();
  EXPECT_EQ(FillPrinterList(many, "C711WT", "").entries.size(), 3u);
}

struct DetectCase {
  const char* name;
  const char* modelKey;
  std::vector<std::string> paths;
  UsbPrinterInfo expected;
};

class DetectUsbPrinterTable : public testing::TestWithParam<DetectCase> {};

TEST_P(DetectUsbPrinterTable, MatchesTheModelsIdentity) {
  UsbPrinterInfo info = DetectUsbPrinter(GetParam().modelKey, GetParam().paths);
  EXPECT_EQ(info.found, GetParam().expected.found);
  EXPECT_EQ(info.port, GetParam().expected.port);
  EXPECT_EQ(info.modelKey, GetParam().expected.modelKey);
  EXPECT_EQ(info.serial, GetParam().expected.serial);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DetectUsbPrinterTable,
    testing::Values(
        DetectCase{"NoPrinter", "C711WT", {}, {}},
        DetectCase{"Pro7411WTSerial",
                   "Pro7411WT",
                   {"USB\\VID_06BC&PID_02FD\\AK1", "USB\\Vid_06bc&Pid_0385\\PRO74SERIAL"},
                   {"1", "USB", "Pro7411WT", "PRO74SERIAL"}},
        DetectCase{"FirstOfTwoWins",
                   "C711WT",
                   {"USB\\VID_06BC&PID_02FD\\FIRST", "USB\\VID_06BC&PID_02FD\\SECOND"},
                   {"1", "USB", "C711WT", "FIRST"}},
        DetectCase{"OtherModelOfTheSameMaker", "C920WT", {"USB\\VID_06BC&PID_02FD\\AK1"}, {}},
        DetectCase{"PathWithoutUsbIsIgnored", "C711WT", {"usb\\vid_06bc&pid_02fd\\AK1"}, {}}),
    test::CaseName());

TEST(ListUsbPrinters, NamesEachDeviceByItsIdentity) {
  auto printers = ListUsbPrinters(
      {"USB\\VID_06BC&PID_021A\\A", "USB\\VID_06BC&PID_039C\\B", "USB\\VID_04B8&PID_0005\\C"});
  ASSERT_EQ(printers.size(), 3u);
  EXPECT_EQ(printers[0].listingName, "OKI C711");
  EXPECT_EQ(printers[1].identity, "vid_06bc&pid_039c");
  EXPECT_EQ(printers[1].listingName, "OKI Pro8432WT(PS)");
  EXPECT_EQ(printers[1].serial, "B");
  EXPECT_EQ(printers[2].listingName, "None");
}

TEST(PjlBlocks, DecodeToTheConversionCommands) {
  const std::string uel = "\x1b%-12345X";
  EXPECT_EQ(PjlBlockBytes(PjlBlock::ConversionOn),
            uel + "@PJL DEFAULT OKICMYKCONVERSION=ON\r\n" + uel);
  EXPECT_EQ(PjlBlockBytes(PjlBlock::ConversionOff),
            uel + "@PJL DEFAULT OKICMYKCONVERSION=OFF\r\n" + uel);
  EXPECT_EQ(PjlBlockBytes(PjlBlock::ConversionOn).size(), 53u);
  EXPECT_EQ(PjlBlockBytes(PjlBlock::ConversionOff).size(), 54u);
  EXPECT_EQ(DecodeHexItems("41,0d,END,42"), "A\r");
}

TEST(SwitchDriverMode, WritesPrintSetFirstAndReportsAnUnreachablePrinter) {
  test::TempFolder home;
  SettingsFiles files{home / "user", home / "machine"};
  std::filesystem::create_directories(files.userFolder);
  EXPECT_FALSE(PrintSetIsOn(files));
  cupsSetServer("127.0.0.1:1");  // nothing listens there
  EXPECT_FALSE(SwitchDriverMode(files, DriverMode::Off, "q").ok());
  EXPECT_TRUE(PrintSetIsOn(files));
  EXPECT_FALSE(SwitchDriverMode(files, DriverMode::On, "q").ok());
  EXPECT_FALSE(PrintSetIsOn(files));
  cupsSetServer(nullptr);
}

}  // namespace
}  // namespace nvx
