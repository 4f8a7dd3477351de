// nvxprint-server: the white-toner printers as IPP printers that any program
// or computer prints to without a driver.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "server/server_app.h"

namespace {

// Set before PAPPL makes or looks for its socket: as root it uses
// $SNAP_COMMON, else $TMPDIR.
void UseSocketFolder(const std::filesystem::path& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  ::setenv(::getuid() == 0 ? "SNAP_COMMON" : "TMPDIR", folder.c_str(), 1);
}

void Usage(void*) {
  std::puts(
      "Options of nvxprint-server:\n"
      "  -o state-directory=DIR   the printers and their settings (root: "
      "/var/lib/nvxprint-server)\n"
      "  -o spool-directory=DIR   the jobs on their way (root: /var/spool/nvxprint-server)\n"
      "  -o socket-directory=DIR  where the server's local socket lives\n"
      "  -o listen-hostname=NAME  listen on NAME too (default: this machine only)\n"
      "  add -d NAME -v URI -m oki_MODEL -o preset=PRESET   a printer whose defaults come from "
      "the preset");
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  nvx::server::ServerPlaces places = nvx::server::TakePlaceOptions(args);
  if (nvx::Status carried = nvx::server::CarryPresetInDriver(args); !carried) {
    std::fprintf(stderr, "%s: %s\n", nvx::server::kServerName, carried.failure().message.c_str());
    return 2;
  }
  UseSocketFolder(places.socket);
  // The conversions keep their settings in the state folder, nowhere else.
  ::setenv("XDG_CONFIG_HOME", (places.state / "settings").c_str(), 1);
  nvx::server::SetPlaces(places);

  std::vector<char*> words{argv[0]};
  for (std::string& arg : args) words.push_back(arg.data());
  words.push_back(nullptr);
  std::vector<pappl_pr_driver_t> drivers = nvx::server::Drivers();  // PAPPL's copy
  // PAPPL 1.3.1's Printing Defaults page crashes without footer HTML.
  return papplMainloop(static_cast<int>(words.size()) - 1, words.data(), "0.1.0", "nvxprint-server",
                       static_cast<int>(drivers.size()), drivers.data(), nullptr,
                       nvx::server::MakeDriver, nullptr, nullptr, nvx::server::CreateSystem, Usage,
                       nullptr);
}
