#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "server/server_app.h"
#include "server/server_jobs.h"

namespace nvx::server {
namespace {

constexpr const char* kThisMachine = "localhost";

std::string StateFile() {
  return (Places().state / (std::string(kServerName) + ".state")).string();
}

// Rewrites the state file line by line; `keep` may change a line or drop it
// (false). The file is replaced only when a line changed.
template <typename Keep>
void RewriteStateFile(const std::string& file, Keep keep) {
  std::ifstream in(file);
  std::string kept;
  bool changed = false;
  for (std::string line; std::getline(in, line);) {
    std::string edited = line;
    if (!keep(edited)) {
      changed = true;
      continue;
    }
    changed = changed || edited != line;
    kept += edited + '\n';
  }
  if (!changed) return;
  const std::string fresh = file + ".new";
  std::ofstream out(fresh, std::ios::binary);
  out << kept;
  out.close();
  // A short write keeps the file as PAPPL wrote it rather than lose the state.
  if (out)
    std::rename(fresh.c_str(), file.c_str());
  else
    std::remove(fresh.c_str());
}

// A printer that holds new jobs only to print them in order does not hold them
// after a restart: its hold is left out of the saved state.
void DropOrderHolds(const std::string& file) {
  int printer = 0;
  RewriteStateFile(file, [&printer](const std::string& line) {
    if (line.starts_with("<Printer")) {
      const std::size_t at = line.find(" id=\"");
      printer = at == std::string::npos ? 0 : std::atoi(line.c_str() + at + 5);
    }
    return !(line == "HoldNewJobs" && HoldsNewJobsForTurn(printer));
  });
}

// Jobs that were waiting or printing when the server stopped come back held,
// to be printed again in their turn: PAPPL neither restarts a job saved while
// it printed nor starts the jobs it loads.
void HoldInterruptedJobs(const std::string& file) {
  RewriteStateFile(file, [](std::string& line) {
    if (!line.starts_with("Job ")) return true;
    // Every value is quoted and a quote within one escaped: this is the state.
    for (const char* state : {" state=\"3\"", " state=\"5\""}) {
      if (const std::size_t at = line.find(state); at != std::string::npos)
        line.replace(at, std::strlen(state), " state=\"4\"");
    }
    return true;
  });
}

// PAPPL writes the state file in place; it is written beside it and edited
// there, so the state file is never seen half written or with our hold in it.
bool SaveState(pappl_system_t* system, void*) {
  const std::string saving = StateFile() + ".saving";
  if (!papplSystemSaveState(system, saving.c_str())) return false;
  DropOrderHolds(saving);
  return std::rename(saving.c_str(), StateFile().c_str()) == 0;
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

// Without an authentication service PAPPL 1.3.1 opens the web interface's
// administration to every client. Other machines administer a server only
// when it is told so (web-remote, with a PAM login); until then they are refused.
http_status_t AdministerFromThisMachineOnly(pappl_client_t* client, const char*, gid_t, void*) {
  return httpAddrLocalhost(httpGetAddress(papplClientGetHTTP(client))) ? HTTP_STATUS_CONTINUE
                                                                       : HTTP_STATUS_FORBIDDEN;
}

// PAPPL answers https on its port with a self-signed certificate it makes on
// the first such connection, in CUPS's place for it (~/.cups/ssl, as root
// /etc/cups/ssl). It is kept in the state folder instead. PAPPL names CUPS's
// place again when the host name changes, so this runs each second too, but
// names the folder only then: CUPS reads it unlocked during a handshake.
bool KeepCertificateInState(pappl_system_t* system, void*) {
  static std::string named;  // the host name it was named for
  char host[256] = "";
  papplSystemGetHostName(system, host, sizeof(host));
  if (named == host) return true;
  named = host;
  cupsSetServerCredentials((Places().state / "ssl").c_str(), host, 1);
  return true;
}

}  // namespace

bool ListensOnThisMachineOnly(std::string_view name) {
  std::string host(name);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  http_addrlist_t* addresses = httpAddrGetList(host.c_str(), AF_UNSPEC, "0");
  bool local = addresses != nullptr;
  for (http_addrlist_t* address = addresses; address; address = address->next)
    local = local && httpAddrLocalhost(&address->addr);
  httpAddrFreeList(addresses);
  return local;
}

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
  for (const auto& folder : {places.state, places.spool, places.state / "ssl"}) {
    std::error_code ec;
    if (std::filesystem::create_directories(folder, ec)) ::chmod(folder.c_str(), 0700);
  }
  const char* listen = option("listen-hostname");
  const bool reachesNetwork = !ListensOnThisMachineOnly(listen ? listen : kThisMachine);
  // Other machines learn of the printers through DNS-SD, of no use to them
  // when the server does not answer them.
  if (!reachesNetwork) AdvertiseNothing();
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
  if (!reachesNetwork)
    papplLog(system, PAPPL_LOGLEVEL_INFO,
             "Not advertised through DNS-SD: listening on this machine only.");
  if (const char* group = option("admin-group")) papplSystemSetAdminGroup(system, group);
  if (const char* host = option("server-hostname")) papplSystemSetHostName(system, host);
  KeepCertificateInState(system, nullptr);
  papplSystemAddTimerCallback(system, 0, 1, KeepCertificateInState, nullptr);
  if (reachesNetwork && !papplSystemGetAuthService(system))
    papplSystemSetAuthCallback(system, nullptr, AdministerFromThisMachineOnly, nullptr);
  if (!option("private-server")) {
    // Only this machine unless told to listen further.
    papplSystemAddListeners(system, listen ? listen : kThisMachine);
  }
  AddConversions(system);
  std::vector<pappl_pr_driver_t>& drivers = Drivers();
  papplSystemSetPrinterDrivers(system, static_cast<int>(drivers.size()), drivers.data(), nullptr,
                               AddPrinterPages, MakeDriver, nullptr);
  papplSystemAddTimerCallback(system, 0, 1, WakeForShutdown, nullptr);
  HoldInterruptedJobs(StateFile());
  papplSystemLoadState(system, StateFile().c_str());
  HoldJobsForTheirTurn(system);
  papplSystemSetSaveCallback(system, SaveState, nullptr);
  return system;
}

}  // namespace nvx::server
