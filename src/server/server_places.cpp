#include <unistd.h>

#include <cstdlib>

#include "job/presets.h"
#include "server/server_app.h"

namespace nvx::server {
namespace {

namespace fs = std::filesystem;

ServerPlaces& PlacesInForce() {
  static ServerPlaces places;
  return places;
}

fs::path UserFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    return fs::path(config) / kServerName;
  if (const char* home = std::getenv("HOME"); home && *home)
    return fs::path(home) / ".config" / kServerName;
  return fs::temp_directory_path() / (std::string(kServerName) + std::to_string(::getuid()));
}

// The value of "-o NAME=VALUE" or "-oNAME=VALUE" at args[i], when it names `name`.
bool TakeOption(std::vector<std::string>& args, std::size_t i, const std::string& name,
                fs::path& value) {
  const std::string prefix = name + "=";
  if (args[i] == "-o" && i + 1 < args.size() && args[i + 1].starts_with(prefix)) {
    value = args[i + 1].substr(prefix.size());
    args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    return true;
  }
  if (args[i].starts_with("-o" + prefix)) {
    value = args[i].substr(2 + prefix.size());
    args.erase(args.begin() + static_cast<long>(i));
    return true;
  }
  return false;
}

}  // namespace

ServerPlaces TakePlaceOptions(std::vector<std::string>& args) {
  ServerPlaces places;
  for (std::size_t i = 0; i < args.size();) {
    if (TakeOption(args, i, "state-directory", places.state) ||
        TakeOption(args, i, "spool-directory", places.spool) ||
        TakeOption(args, i, "socket-directory", places.socket))
      continue;
    ++i;
  }
  const bool root = ::getuid() == 0;
  if (places.state.empty()) places.state = root ? fs::path("/var/lib") / kServerName : UserFolder();
  if (places.spool.empty())
    places.spool = root ? fs::path("/var/spool") / kServerName : places.state / "spool";
  return places;
}

Status CarryPresetInDriver(std::vector<std::string>& args) {
  if (args.empty() || args.front() != "add") return {};
  fs::path preset;
  for (std::size_t i = 0; i < args.size();) {
    if (!TakeOption(args, i, "preset", preset)) ++i;
  }
  if (preset.empty()) return {};
  std::optional<fs::path> file = FindPreset(preset.string());
  if (!file) {
    std::string text = "no preset file or installed preset '" + preset.string() + "'; installed:";
    for (const std::string& installed : ListBuiltInPresets()) text += "\n  " + installed;
    return Fail(text, Failure::Kind::Refused);
  }
  // A file the server finds wherever it runs from; an installed preset by name.
  std::error_code ec;
  const std::string named = fs::exists(preset, ec)
                                ? fs::absolute(preset, ec).lexically_normal().string()
                                : preset.string();
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "-m") {
      args[i + 1] += "+" + named;
      return {};
    }
  }
  return {};
}

const ServerPlaces& Places() { return PlacesInForce(); }
void SetPlaces(ServerPlaces places) { PlacesInForce() = std::move(places); }

}  // namespace nvx::server
