#include "platform/usb_devices.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/command.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

namespace fs = std::filesystem;

struct FakeDevice {
  std::string name;  // the port path, "1-1.2"
  std::string vendor;
  std::string product;
  std::string serial;  // empty: the device has no serial file
  std::vector<std::string> interfaceClasses;
};

// Lays the devices out as sysfs does under bus/usb/devices, each interface
// beside its device as "DEVICE:1.N".
void MakeSysfs(const fs::path& root, const std::vector<FakeDevice>& devices) {
  const fs::path folder = root / "bus" / "usb" / "devices";
  for (const FakeDevice& device : devices) {
    fs::create_directories(folder / device.name);
    test::WriteFileBytes(folder / device.name / "idVendor", device.vendor + "\n");
    test::WriteFileBytes(folder / device.name / "idProduct", device.product + "\n");
    if (!device.serial.empty()) {
      test::WriteFileBytes(folder / device.name / "serial", device.serial + "\n");
    }
    for (std::size_t i = 0; i < device.interfaceClasses.size(); ++i) {
      fs::path interface = folder / (device.name + ":1." + std::to_string(i));
      fs::create_directories(interface);
      test::WriteFileBytes(interface / "bInterfaceClass", device.interfaceClasses[i] + "\n");
    }
  }
}

const FakeDevice kHub{"usb1", "1d6b", "0002", "0000:00:14.0", {"09"}};
const FakeDevice kC711{"1-2", "06bc", "02fd", "AK51012345", {"07"}};
const FakeDevice kSecondC711{"1-10", "06bc", "02fd", "AK51099999", {"07"}};
const FakeDevice kOkiScanner{"1-3", "06bc", "02fd", "SC1", {"08"}};  // mass storage
const FakeDevice kNoSerial{"2-1.4", "06bc", "0385", "", {"ff", "07"}};

struct SysfsCase {
  const char* name;
  std::vector<FakeDevice> devices;
  std::vector<std::string> expected;
};

using test::PrintTo;

class UsbPrinterInstancePaths : public testing::TestWithParam<SysfsCase> {};

TEST_P(UsbPrinterInstancePaths, ListPrinterClassDevicesInPortOrder) {
  test::TempFolder root;
  MakeSysfs(root.path(), GetParam().devices);
  EXPECT_EQ(platform::UsbPrinterInstancePaths(root.path()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, UsbPrinterInstancePaths,
    testing::Values(
        SysfsCase{"NoPrinter", {kHub, kOkiScanner}, {}},
        SysfsCase{"OnePrinter", {kHub, kC711}, {"USB\\VID_06BC&PID_02FD\\AK51012345"}},
        SysfsCase{"TwoOfTheSameIdentityByPort",
                  {kSecondC711, kC711},
                  {"USB\\VID_06BC&PID_02FD\\AK51012345", "USB\\VID_06BC&PID_02FD\\AK51099999"}},
        SysfsCase{"NonPrinterOfTheSameMakerIsLeftOut",
                  {kOkiScanner, kC711},
                  {"USB\\VID_06BC&PID_02FD\\AK51012345"}},
        SysfsCase{"NoSerialGivesThePortPath",
                  {kNoSerial, kC711},
                  {"USB\\VID_06BC&PID_02FD\\AK51012345", "USB\\VID_06BC&PID_0385\\2-1.4"}}),
    test::CaseName());

TEST(UsbPrinterInstancePathsMissingRoot, GivesNoDevices) {
  EXPECT_TRUE(platform::UsbPrinterInstancePaths("/nonexistent/sys").empty());
}

TEST(UsbCommand, DetectsTheFirstPrinterOfTheModelUnderTheSysfsRoot) {
  test::TempFolder home;
  MakeSysfs(home / "sys", {kHub, kSecondC711, kOkiScanner, kC711});
  auto result = test::RunNvxprint(
      {"usb", "--model", "C711WT"},
      {"XDG_CONFIG_HOME=" + (home / "config").string(),
       "XDG_CONFIG_DIRS=" + (home / "etc").string(), "NVXPRINT_DATA_DIR=" NVX_SHARE_DIR,
       "NVXPRINT_SYSFS_ROOT=" + (home / "sys").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "USB printers:\n"
            "  OKI C711WT(PS)  vid_06bc&pid_02fd  AK51012345\n"
            "  OKI C711WT(PS)  vid_06bc&pid_02fd  AK51099999\n"
            "Model C711WT: found on USB as C711WT, serial AK51012345\n");
}

}  // namespace
}  // namespace nvx
