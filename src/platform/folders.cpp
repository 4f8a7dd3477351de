#include "platform/folders.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "base/product.h"

namespace nvx::platform {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The first entry of a colon-separated list, or the fallback when it is empty.
std::string FirstOfList(const std::string& list, const std::string& fallback) {
  std::string first = list.substr(0, list.find(':'));
  return first.empty() ? fallback : first;
}

std::filesystem::path WorkingFolder() {
  std::error_code ec;
  auto cwd = std::filesystem::current_path(ec);
  return ec ? std::filesystem::path(".") : cwd;
}

// PREFIX for the running executable PREFIX/bin/NAME; empty when it cannot be told.
std::filesystem::path InstallationPrefix() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path().parent_path();
}

}  // namespace

std::filesystem::path UserDataFolder() {
  std::filesystem::path base;
  if (std::string config = Env("XDG_CONFIG_HOME"); !config.empty()) {
    base = config;
  } else if (std::string home = Env("HOME"); !home.empty()) {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = WorkingFolder();
  }
  std::filesystem::path folder = base / kProductFolderName;
  std::error_code ignored;  // a folder we cannot create shows up as a failed write later
  std::filesystem::create_directories(folder, ignored);
  return folder;
}

std::filesystem::path MachineDataFolder() {
  return std::filesystem::path(FirstOfList(Env("XDG_CONFIG_DIRS"), "/etc/xdg")) /
         kProductFolderName;
}

std::filesystem::path ProgramFolder() {
  if (std::string dir = Env("NVXPRINT_DATA_DIR"); !dir.empty()) return dir;
  std::filesystem::path prefix = InstallationPrefix();
  return prefix.empty() ? WorkingFolder() : prefix / "share" / kCommandName;
}

std::filesystem::path HelperProgram(std::string_view name) {
  return InstallationPrefix() / "libexec" / kCommandName / name;
}

std::filesystem::path TempFolder() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  return ec ? std::filesystem::path("/tmp") : dir;
}

std::filesystem::path CreateTempFile(std::string_view prefix, std::string_view extension) {
  std::string name =
      (TempFolder() / (std::string(prefix) + "XXXXXX" + std::string(extension))).string();
  const int fd = ::mkstemps(name.data(), static_cast<int>(extension.size()));
  if (fd < 0) return {};
  ::close(fd);
  return name;
}

}  // namespace nvx::platform
