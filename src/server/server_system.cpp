#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "server/server_app.h"
#include "server/server_jobs.h"

namespace nvx::server {
namespace {

std::string StateFile() {
  return (Places().state / (std::string(kServerName) + ".state")).string();
}

// A printer that holds new jobs only to print them in order does not hold them
// after a restart: its hold is left out of the saved state.
void DropOrderHolds(const std::string& file) {
  std::ifstream in(file);
  std::string kept;
  bool dropped = false;
  int printer = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("<Printer")) {
      const std::size_t at = line.find(" id=\"");
      printer = at == std::string::npos ? 0 : std::atoi(line.c_str() + at + 5);
    }
    if (line == "HoldNewJobs" && HoldsNewJobsForTurn(printer)) {
      dropped = true;
      continue;
    }
    kept += line + '\n';
  }
  if (!dropped) return;
  const std::string fresh = file + ".new";
  std::ofstream(fresh, std::ios::binary) << kept;
  std::rename(fresh.c_str(), file.c_str());
}

bool SaveState(pappl_system_t* system, void*) {
  if (!papplSystemSaveState(system, StateFile().c_str())) return false;
  DropOrderHolds(StateFile());
  return true;
}

pappl_loglevel_t LogLevel(const char* text) {
  const std::string level = text ? text : "";
  if (level == "debug") return PAPPL_LOGLEVEL_DEBUG;
  if (level == "info") return PAPPL_LOGLEVEL_INFO;
  if (level == "error") return PAPPL_LOGLEVEL_ERROR;
  if (level == "fatal") return PAPPL_LOGLEVEL_FATAL;
  return PAPPL_LOGLEVEL_WARN;
}

// PAPPL's server options by their usual names; remote administration stays off
// unless asked for, and then PAPPL asks for the PAM service's login.
pappl_soptions_t ServerOptions(const char* text) {
  pappl_soptions_t options = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE;
  const std::string list = text ? "," + std::string(text) + "," : "";
  auto has = [&](const char* word) {
    return list.find("," + std::string(word) + ",") != std::string::npos;
  };
  if (has("web-log")) options |= PAPPL_SOPTIONS_WEB_LOG;
  if (has("web-network")) options |= PAPPL_SOPTIONS_WEB_NETWORK;
  if (has("web-security")) options |= PAPPL_SOPTIONS_WEB_SECURITY;
  if (has("web-remote")) options |= PAPPL_SOPTIONS_WEB_REMOTE | PAPPL_SOPTIONS_WEB_SECURITY;
  if (has("raw-socket")) options |= PAPPL_SOPTIONS_RAW_SOCKET;
  if (has("no-tls")) options |= PAPPL_SOPTIONS_NO_TLS;
  if (has("dnssd-host")) options |= PAPPL_SOPTIONS_DNSSD_HOST;
  return options;
}

// PAPPL 1.3.1 looks at a shutdown request only when its loop wakes, up to 30
// seconds later; a timer wakes it every second.
bool WakeForShutdown(pappl_system_t*, void*) { return true; }

}  // namespace

pappl_system_t* CreateSystem(int optionCount, cups_option_t* options, void*) {
  auto option = [&](const char* name) { return cupsGetOption(name, optionCount, options); };
  int port = 0;
  if (const char* text = option("server-port")) {
    char* end = nullptr;
    port = static_cast<int>(std::strtol(text, &end, 10));
    if (port < 0 || port > 65535 || *end) {
      std::fprintf(stderr, "%s: bad server-port '%s'\n", kServerName, text);
      return nullptr;
    }
  }
  const ServerPlaces& places = Places();
  // Jobs and settings are for the server's eyes only; a folder that was there
  // before (one the admin named) keeps its own permissions.
  for (const auto& folder : {places.state, places.spool}) {
    std::error_code ec;
    if (std::filesystem::create_directories(folder, ec)) ::chmod(folder.c_str(), 0700);
  }
  const char* authService = option("auth-service");
  const std::string pam = "login";
  const pappl_soptions_t serverOptions = ServerOptions(option("server-options"));
  pappl_system_t* system = papplSystemCreate(
      serverOptions, kServerName, port, "_print,_universal", places.spool.c_str(),
      option("log-file") ? option("log-file") : "-", LogLevel(option("log-level")),
      authService ? authService
                  : (serverOptions & PAPPL_SOPTIONS_WEB_REMOTE ? pam.c_str() : nullptr),
      false);
  if (!system) return nullptr;
  if (const char* group = option("admin-group")) papplSystemSetAdminGroup(system, group);
  if (const char* host = option("server-hostname")) papplSystemSetHostName(system, host);
  if (!option("private-server")) {
    // Only this machine unless told to listen further.
    const char* listen = option("listen-hostname");
    papplSystemAddListeners(system, listen ? listen : "localhost");
  }
  AddConversions(system);
  std::vector<pappl_pr_driver_t>& drivers = Drivers();
  papplSystemSetPrinterDrivers(system, static_cast<int>(drivers.size()), drivers.data(), nullptr,
                               AddPrinterPages, MakeDriver, nullptr);
  papplSystemAddTimerCallback(system, 0, 1, WakeForShutdown, nullptr);
  papplSystemLoadState(system, StateFile().c_str());
  papplSystemSetSaveCallback(system, SaveState, nullptr);
  return system;
}

}  // namespace nvx::server
