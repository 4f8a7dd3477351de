#include "server/printer_choices.h"

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
           [](JobRequest& j) { j.media = "na_letter_8.5x11in"; },
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

}  // namespace
}  // namespace nvx::server
