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
      "Usage: nvxprint-server SUB-COMMAND [OPTIONS]\n"
      "The white-toner printers as IPP printers that any computer prints to without a driver.\n"
      "\n"
      "Sub-commands:\n"
      "  server                   run the server\n"
      "  add                      add a printer: -d NAME -v DEVICE-URI -m oki_MODEL\n"
      "                           [-o preset=PRESET] (the printer's defaults come from the "
      "preset)\n"
      "  printers, drivers, devices, jobs, status, options\n"
      "                           list what the server has\n"
      "  modify, delete, default, cancel, submit\n"
      "                           change, remove, print (see PAPPL's usual options)\n"
      "  shutdown                 stop the server\n"
      "\n"
      "Options:\n"
      "  -d PRINTER               the printer\n"
      "  -o state-directory=DIR   printers and the jobs' settings (root: "
      "/var/lib/nvxprint-server)\n"
      "  -o spool-directory=DIR   jobs on their way (root: /var/spool/nvxprint-server)\n"
      "  -o socket-directory=DIR  the local socket's folder; give the same to every sub-command\n"
      "  -o server-port=PORT      the IPP and web port\n"
      "  -o listen-hostname=NAME  listen on NAME, advertised through DNS-SD when it reaches\n"
      "                           beyond this machine (default: this machine only)\n"
      "  -o server-options=LIST   PAPPL's, e.g. web-remote (remote administration, PAM login)\n"
      "  -o log-file=FILE, -o log-level=debug|info|warn|error\n");
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
