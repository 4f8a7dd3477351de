#include "support/temp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace nvx::test {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "nvxtest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path MakeFullDevice(const std::filesystem::path& folder) {
  const std::filesystem::path device = folder / "full";
  if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) return {};
  // A folder mounted without devices refuses to open it: no use either.
  const int fd = ::open(device.c_str(), O_WRONLY);
  if (fd < 0) return {};
  ::close(fd);
  return device;
}

std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace nvx::test
