// nvxprint preset: save the settings a print would use as a preset, and list
// the presets installed with the program.
#include <iostream>

#include "cli/commands.h"
#include "cli/image_options.h"
#include "job/presets.h"

namespace nvx::app {
namespace {

constexpr std::string_view kPrefix = "nvxprint preset: ";

int Usage(std::string_view message) {
  std::cerr << kPrefix << message << "\nRun 'nvxprint preset --help' for the options.\n";
  return kExitUsage;
}

int Save(const CommandOptions& options, const std::vector<std::string>& words) {
  if (words.size() != 2) return Usage("save takes one preset file (NAME.svcfg)");
  CliSession session;
  // The preset holds the stored margins; the file is remembered under the same lock.
  session.holdSettingsLock = true;
  if (int opened = OpenSessionWithOptions(session, options); opened != kExitOk) return opened;
  Status written = WritePreset(session, words[1]);
  return written ? StoreCliSession(session) : ReportFailure(written.failure(), kExitFailure);
}

int List() {
  for (const std::string& name : ListBuiltInPresets()) std::cout << name << "\n";
  return std::cout ? kExitOk : kExitFailure;
}

}  // namespace

int RunPresetCommand(const std::vector<std::string>& args) {
  CommandOptions options(
      "nvxprint preset save FILE.svcfg [PRINT OPTIONS] | list",
      "'save' writes a preset of the white-toner controls, margins, paper, colour-adjust "
      "points and white choke a print with the same options would use; 'list' prints the "
      "presets installed with the program, which --preset NAME finds.");
  options.AddPositional("action", "save or list.");
  AddImageOptions(options);
  if (auto status = options.Parse("preset", args)) return *status;
  const std::vector<std::string> words = options.Positionals();
  const std::string what = words.empty() ? "" : words[0];
  if (what == "save") return Save(options, words);
  if (what == "list" && words.size() == 1) return List();
  return Usage("say save or list");
}

}  // namespace nvx::app
