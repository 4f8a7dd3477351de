#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace nvx::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A device like /dev/full (every write fails: no space left) made in the
// folder, so a test of writing into devices never risks the system's own;
// empty when this system lets no device be made (the test then skips).
std::filesystem::path MakeFullDevice(const std::filesystem::path& folder);

std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);

}  // namespace nvx::test
