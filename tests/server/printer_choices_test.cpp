#include "server/printer_choices.h"

#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "server/server_app.h"
#include "support/fresh_config.h"

namespace nvx::server {
namespace {

namespace fs = std::filesystem;

using Words = std::vector<std::string>;

class PrinterChoices : public testing::Test {
 protected:
  test::TempFolder home;
  PrinterDefaults defaults;

  void SetUp() override {
    test::UseFreshConfig(home);
    Result<PrinterDefaults> read = ReadPrinterDefaults("C711WT", "Foil");
    ASSERT_TRUE(read) << read.failure().message;
    defaults = *read;
  }

  // The job that asks for exactly what the printer prints by default.
  JobRequest DefaultJob() const {
    JobRequest job;
    job.media = FindOfferedPaper(defaults.papers, "iso_a4_210x297mm")->media;
    job.mediaSource = "auto";
    job.mediaType = "printer-setting";
    job.copies = 1;
    job.vendor = {defaults.vendor.begin(), defaults.vendor.end()};
    return job;
  }
};

TEST_F(PrinterChoices, AJobAskingForTheDefaultsIsThePresetAlone) {
  EXPECT_EQ(defaults.vendor.at("white-threshold"), "10");  // the preset's, not the program's 50
  EXPECT_EQ(defaults.paper, "A4");
  Result<Words> args = PrintArguments(defaults, DefaultJob());
  ASSERT_TRUE(args);
  EXPECT_EQ(*args, (Words{"--model", "C711WT", "--preset", "Foil"}));
}

TEST_F(PrinterChoices, TheJobsChoicesBecomeTheCommandsOptions) {
  JobRequest job = DefaultJob();
  job.media = "iso_a5_148x210mm";
  job.mediaSource = "by-pass-tray";
  job.mediaType = "ktc-31plus";
  job.copies = 3;
  job.quality = 5;
  job.vendor["white-density"] = "40";
  job.vendor["mirror"] = "true";
  job.vendor["threshold-on"] = "false";
  job.vendor["white-choke"] = "125";
  Result<Words> args = PrintArguments(defaults, job);
  ASSERT_TRUE(args) << args.failure().message;
  EXPECT_EQ(*args, (Words{"--model",         "C711WT",   "--preset",        "Foil",
                          "--paper",         "A5 SEF",   "--tray",          "MultiPurpose Tray",
                          "--media",         "KTC3.1+",  "--copies",        "3",
                          "--render-dpi",    "600",      "--white-density", "40",
                          "--threshold-off", "--mirror", "--white-choke",   "1.25"}));
}

TEST_F(PrinterChoices, WhatThePrinterDoesNotOfferIsRefused) {
  for (auto change : std::vector<std::function<void(JobRequest&)>>{
           [](JobRequest& j) { j.media = "na_ledger_11x17in"; },  // wider than it feeds
           [](JobRequest& j) { j.mediaType = "stationery"; },
           [](JobRequest& j) { j.mediaSource = "tray-2"; },
           [](JobRequest& j) { j.vendor["white-density"] = "101"; },
           [](JobRequest& j) { j.vendor["mirror"] = "yes"; },
           [](JobRequest& j) { j.vendor["toner-order"] = "cmyk"; },
       }) {
    JobRequest job = DefaultJob();
    change(job);
    Result<Words> args = PrintArguments(defaults, job);
    EXPECT_FALSE(args);
  }
}

TEST_F(PrinterChoices, ASizeOfTheJobsOwnIsPrintedOnACustomPaperOfThatSize) {
  JobRequest job = DefaultJob();
  job.media = "custom_100x150mm_100x150mm";
  // Not the list's own custom size (A4XL), whatever CUPS made of its name last.
  EXPECT_EQ(FindOfferedPaper(defaults.papers, job.media), nullptr);
  Result<Words> args = PrintArguments(defaults, job);
  ASSERT_TRUE(args) << args.failure().message;
  EXPECT_EQ(*args, (Words{"--model", "C711WT", "--preset", "Foil", "--paper", "Custom 100x150mm"}));
  EXPECT_EQ(CustomSizeFor(defaults, job.media)->add,
            (Words{"paper", "add", "Custom 100x150mm", "--width", "100", "--height", "150",
                   "--unit", "mm", "--model", "C711WT"}));
}

TEST_F(PrinterChoices, PapersOfOneSizeAreOfferedUnderNamesOfTheirOwn) {
  const OfferedPaper* a4 = FindOfferedPaper(defaults.papers, "iso_a4_210x297mm");
  ASSERT_NE(a4, nullptr);
  EXPECT_EQ(a4->paper, "A4");
  std::set<std::string> names;
  for (const OfferedPaper& paper : defaults.papers) {
    EXPECT_TRUE(names.insert(paper.media).second) << paper.media;
    EXPECT_EQ(FindOfferedPaper(defaults.papers, paper.media)->paper, paper.paper);
  }
}

TEST(DriverName, CarriesTheModelAndThePreset) {
  std::optional<DriverChoice> choice = ParseDriverName(DriverName("Pro8432WT", "Foil"));
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->modelKey, "Pro8432WT");
  EXPECT_EQ(choice->preset, "Foil");
  EXPECT_EQ(ParseDriverName("oki_c711wt")->preset, "");
  EXPECT_FALSE(ParseDriverName("oki_nosuchmodel"));
  EXPECT_FALSE(ParseDriverName("pwg_common-300dpi"));
}

TEST(ServerArguments, PlacesAreTakenOutAndThePresetRidesOnTheDriver) {
  test::TempFolder home;
  test::UseFreshConfig(home);
  Words args{
      "add",        "-d", "nvx-foil",    "-o", "state-directory=/s", "-ospool-directory=/q", "-m",
      "oki_c711wt", "-o", "preset=Foil", "-o", "socket-directory=/k"};
  const ServerPlaces places = TakePlaceOptions(args);
  EXPECT_TRUE(CarryPresetInDriver(args));
  EXPECT_EQ(places.state, "/s");
  EXPECT_EQ(places.spool, "/q");
  EXPECT_EQ(places.socket, "/k");
  EXPECT_EQ(args, (Words{"add", "-d", "nvx-foil", "-m", "oki_c711wt+Foil"}));

  // A file by its absolute path, wherever the server runs; a preset not found is refused.
  test::WriteFileBytes(home / "Shop.svcfg", "[Active]\nTonerPercent=33%\n");
  const fs::path cwd = fs::current_path();
  fs::current_path(home.path());
  Words own{"add", "-m", "oki_c711wt", "-o", "preset=Shop.svcfg"};
  EXPECT_TRUE(CarryPresetInDriver(own));
  Words missing{"add", "-m", "oki_c711wt", "-o", "preset=Nope"};
  EXPECT_FALSE(CarryPresetInDriver(missing));
  fs::current_path(cwd);
  EXPECT_EQ(own.back(), "oki_c711wt+" + (home / "Shop.svcfg").lexically_normal().string());
}

// Only a server that clients elsewhere can reach is advertised on the network.
TEST(ServerListening, OnlyThisMachinesOwnAddressesAreThisMachineOnly) {
  for (const char* local : {"localhost", "127.0.0.1", "127.0.0.2", "::1", "[::1]"})
    EXPECT_TRUE(ListensOnThisMachineOnly(local)) << local;
  for (const char* network : {"0.0.0.0", "192.0.2.10", "[2001:db8::1]", "no-such-host.invalid"})
    EXPECT_FALSE(ListensOnThisMachineOnly(network)) << network;
}

// PAPPL browses for network printers (its web page's Add Printer, the devices
// command) even without a connection to Avahi, on which Avahi ends the process.
TEST(AvahiCalls, BrowsingWithoutAvahiFindsNothingAndAServerThatIsNotAdvertisedPublishesNothing) {
  const auto flags = static_cast<AvahiLookupFlags>(0);
  EXPECT_EQ(avahi_service_browser_new(nullptr, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                      "_pdl-datastream._tcp", nullptr, flags, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(
      avahi_record_browser_new(nullptr, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, "printer.local",
                               AVAHI_DNS_CLASS_IN, AVAHI_DNS_TYPE_TXT, flags, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(
      avahi_service_resolver_new(nullptr, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, "printer",
                                 "_ipp._tcp", nullptr, AVAHI_PROTO_UNSPEC, flags, nullptr, nullptr),
      nullptr);
  AdvertiseNothing();
  // Not even looked at: no group is made.
  int client = 0;
  EXPECT_EQ(avahi_entry_group_new(reinterpret_cast<AvahiClient*>(&client), nullptr, nullptr),
            nullptr);
}

}  // namespace
}  // namespace nvx::server
