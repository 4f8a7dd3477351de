#include <gtest/gtest.h>

#include "support/command.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

const std::string kPhoto = NVX_TEST_DATA_DIR "/photos/coffee60.png";
const std::string kCurve = "FFE0C0A060500000FFF0B0A050400000FFFFA5A557560000";

class Presets : public testing::Test {
 protected:
  test::TempFolder home;

  std::vector<std::string> Env() const { return test::IsolatedEnv(home.path(), NVX_SHARE_DIR); }

  test::CliResult Run(std::vector<std::string> args) { return test::RunNvxprint(args, Env()); }

  // The job for the options; empty after a failure.
  std::string Job(const std::vector<std::string>& options, int* status = nullptr) {
    auto file = home / "job.prn";
    std::filesystem::remove(file);
    std::vector<std::string> args{"print", kPhoto, "--to", file.string()};
    args.insert(args.end(), options.begin(), options.end());
    test::CliResult result = Run(args);
    if (status) *status = result.status;
    EXPECT_EQ(result.status, 0) << result.err;
    return result.status == 0 ? test::ReadFileBytes(file) : std::string();
  }

  std::filesystem::path Preset(std::string_view text) {
    auto file = home / "made.svcfg";
    test::WriteFileBytes(file, text);
    return file;
  }
};

struct OrderCase {
  const char* name;
  std::vector<std::string> order;  // the model and toner order of both runs
};

class PresetRoundTrip : public Presets, public testing::WithParamInterface<OrderCase> {};

// A saved preset gives the job its options gave, in either toner order.
TEST_P(PresetRoundTrip, LoadedPresetPrintsAsItsOptions) {
  std::vector<std::string> options{
      "--white-density", "70", "--white-threshold", "30",   "--print-white", "--threshold-off",
      "--paper",         "A5", "--curve",           kCurve, "--white-choke", "0.4"};
  options.insert(options.end(), GetParam().order.begin(), GetParam().order.end());
  const std::string preset = (home / "round.svcfg").string();
  std::vector<std::string> save{"preset", "save", preset};
  save.insert(save.end(), options.begin(), options.end());
  test::CliResult saved = Run(save);
  ASSERT_EQ(saved.status, 0) << saved.err;

  std::vector<std::string> load{"--preset", preset};
  load.insert(load.end(), GetParam().order.begin(), GetParam().order.end());
  const std::string direct = Job(options);
  ASSERT_FALSE(direct.empty());
  EXPECT_TRUE(Job(load) == direct);
  EXPECT_FALSE(Job(GetParam().order) == direct);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, PresetRoundTrip,
    testing::Values(OrderCase{"WhiteLast", {}},
                    OrderCase{"WhiteFirst", {"--model", "Pro8432WT", "--toner-order", "WF"}}),
    test::CaseName());

// The keys in their order; the other order's section holds its default points.
TEST_F(Presets, SaveWritesTheKeysInOrderWithTheOtherOrdersDefaultPoints) {
  const std::string preset = (home / "wf.svcfg").string();
  ASSERT_EQ(Run({"preset", "save", preset, "--model", "Pro8432WT", "--toner-order", "WF", "--curve",
                 kCurve, "--white-density", "55", "--paper", "A5", "--white-choke", "0.5"})
                .status,
            0);
  EXPECT_EQ(test::ReadFileBytes(preset),
            "[Active]\nWhite Mask %=55%\nDisplay=0\nTonerOn=0\nTonerSave=0\nTonerPercent=50%\n"
            "Right Margin=1296\nLeft Margin=1296\nBottom Margin=1307\nTop Margin=1296\n"
            "PaperSize=A5 SEF\nWhite Choke=0.5\n[WYMC]\nProfile=" +
                kCurve + "\n[CYMW]\nProfile=FFFDA5A557560000FFFDA5A557560000FFFDA5A557560000\n");
}

// A preset saved on Windows: UTF-16 with a byte-order mark and CR LF line ends.
// A preset goes into a device or stdout as a whole; only a file is
// remembered as the last preset, and a failed write is exit status 1.
TEST_F(Presets, SaveToStdoutOrAFullDeviceRemembersNothing) {
  test::CliResult out = Run({"preset", "save", "-"});
  EXPECT_EQ(out.status, 0) << out.err;
  EXPECT_TRUE(out.out.starts_with("[Active]\nWhite Mask %=")) << out.out;
  const auto device = test::MakeFullDevice(home.path());
  if (device.empty()) GTEST_SKIP() << "no device can be made here";
  test::CliResult full = Run({"preset", "save", device.string()});
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;
  EXPECT_TRUE(std::filesystem::is_character_file(device));
  const std::string settings = test::ReadFileBytes(home / "config/NivaluxPro/NivaluxPro.ini");
  EXPECT_EQ(settings.find("Last Config"), std::string::npos) << settings;
  EXPECT_FALSE(std::filesystem::exists(home / "-"));
}

TEST_F(Presets, WindowsPresetInUtf16WithCrLfLoads) {
  const std::string text = "[Active]\r\nWhite Mask %=70%\r\nTonerPercent=30%\r\nPaperSize=A5\r\n";
  std::string bytes = "\xFF\xFE";
  for (char c : text) bytes += {c, '\0'};
  EXPECT_TRUE(
      Job({"--preset", Preset(bytes).string(), "--print-white"}) ==
      Job({"--white-density", "70", "--white-threshold", "30", "--paper", "A5", "--print-white"}));
}

struct KeyCase {
  const char* name;
  std::string preset;
  std::vector<std::string> sameAs;  // the options that give the same job
};

class PresetKeys : public Presets, public testing::WithParamInterface<KeyCase> {};

// Missing or malformed keys keep what the print had; the paper is the one the
// paper list chooses for the name.
TEST_P(PresetKeys, GiveTheJobOfTheOptions) {
  const std::string loaded = Job({"--preset", Preset(GetParam().preset).string()});
  EXPECT_TRUE(loaded == Job(GetParam().sameAs));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PresetKeys,
    testing::Values(
        KeyCase{"NoWhiteMaskKeepsTheDensity", "[Active]\nTonerPercent=50%\n", {}},
        KeyCase{"NoProfileKeepsTheCurve", "[Active]\nWhite Mask %=100%\n", {}},
        KeyCase{"ShortProfileKeepsTheCurve", "[CYMW]\nProfile=a0\n", {}},
        KeyCase{"NonHexProfileKeepsTheCurve",
                "[CYMW]\nProfile=FFFDA5A557560000FFFDA5A557560000FFFDA5A55756000G\n",
                {}},
        KeyCase{"FullProfileIsTheCurve", "[CYMW]\nProfile=" + kCurve + "\n", {"--curve", kCurve}},
        KeyCase{"PaperAsTheListChoosesIt", "[Active]\nPaperSize=A6\n", {"--paper", "A6 SEF"}},
        KeyCase{"UnknownPaperKeepsThePaper", "[Active]\nPaperSize=B9 Roll\n", {}},
        KeyCase{"SixtyLeavesTheMargins",
                "[Active]\nTop Margin=60\nLeft Margin=60\nRight Margin=60\nBottom Margin=60\n",
                {}}),
    test::CaseName());

// What a preset cannot give is told; margins below the printer's least are
// raised, as the margin dialog raises them, and saved so.
TEST_F(Presets, IgnoredKeysAreToldAndMarginsRaisedToThePrintersLeast) {
  for (const char* profile : {"a0", "FFFDA5A557560000FFFDA5A557560000FFFDA5A55756000G"}) {
    const std::string preset =
        Preset(std::string("[Active]\nTop Margin=-500\nLeft Margin=1500\n[CYMW]\nProfile=") +
               profile + "\n")
            .string();
    const std::string saved = (home / "again.svcfg").string();
    test::CliResult result = Run({"preset", "save", saved, "--preset", preset});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("[CYMW] Profile"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Top Margin -500"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Left Margin"), std::string::npos) << result.err;
    const std::string again = test::ReadFileBytes(saved);
    EXPECT_NE(again.find("Left Margin=1500\nBottom Margin=1307\nTop Margin=1296\n"),
              std::string::npos)
        << again;
  }
  const std::string raised = Job({"--preset", Preset("[Active]\nTop Margin=-500\n").string()});
  EXPECT_TRUE(raised == Job({}));
}

// A file that holds no preset (random bytes, or text in an encoding the
// program does not read) is refused, not applied as an empty preset.
TEST_F(Presets, AFileHoldingNoPresetIsRefused) {
  std::string bigEndian = "\xFE\xFF";
  for (char c : std::string("[Active]\r\nWhite Mask %=70%\r\n")) bigEndian += {'\0', c};
  for (const std::string& bytes : {bigEndian, std::string("\x8f\x03\xd1\x77\x00\xe4\x19\x5c")}) {
    const auto job = home / "refused.prn";
    test::CliResult result =
        Run({"print", kPhoto, "--to", job.string(), "--preset", Preset(bytes).string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("none of a preset's settings"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(job));
  }
}

// Compact rows are the stored setting's choice, the command line's for its
// run, or a preset's.
TEST_F(Presets, CompactRowsComeFromTheSettingsTheCommandLineOrAPreset) {
  std::filesystem::create_directories(home / "config/NivaluxPro");
  test::WriteFileBytes(home / "config/NivaluxPro/NivaluxPro.ini", "[Active]\nCompact=1\n");
  const std::string stored = Job({});
  EXPECT_NE(stored.find("/RunLengthDecode filter"), std::string::npos);
  const std::string plain = Job({"--no-compact"});
  EXPECT_EQ(plain.find("RunLengthDecode"), std::string::npos);
  EXPECT_TRUE(Job({"--compact"}) == stored);
  test::WriteFileBytes(home / "config/NivaluxPro/NivaluxPro.ini", "[Active]\nCompact=0\n");
  EXPECT_TRUE(Job({}) == plain);
  EXPECT_TRUE(Job({"--preset", Preset("[Active]\nCompact=1\n").string()}) == stored);
}

TEST_F(Presets, InstalledPresetsAreFoundByName) {
  test::CliResult list = Run({"preset", "list"});
  ASSERT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("WhiteFirstPhoto.svcfg\n"), std::string::npos);
  int status = -1;
  const std::string named =
      Job({"--model", "Pro8432WT", "--toner-order", "WF", "--preset", "whitefirstphoto"}, &status);
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(named.empty());
  EXPECT_EQ(
      Run({"print", kPhoto, "--to", (home / "x.prn").string(), "--preset", "NoSuchPreset"}).status,
      2);
  EXPECT_FALSE(std::filesystem::exists(home / "x.prn"));
}

}  // namespace
}  // namespace nvx
