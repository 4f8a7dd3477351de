#include "settings/file_replace.h"

#include <cerrno>

#include "platform/atomic_file.h"
#include "platform/readable_file.h"

namespace nvx {
namespace {

namespace fs = std::filesystem;

// The reasons the user has always been shown, numbered as Windows numbers them.
std::string ReasonFor(int err, const fs::path& folder) {
  switch (err) {
    case ENOENT: {
      std::error_code ec;
      return fs::is_directory(folder, ec) ? "Error 2 - File not found" : "Error 3 - Path not found";
    }
    case ENOTDIR:
      return "Error 3 - Path not found";
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
      return "Error 5 - Access denied (read only?)";
    case EROFS:
      return "Error 19 - Write protected media";
    default:
      return "Error " + std::to_string(err);
  }
}

Failure WriteFailureFor(int err, const fs::path& file) {
  return SystemFailure(
      err, ReasonFor(err, file.parent_path().empty() ? fs::path(".") : file.parent_path()));
}

}  // namespace

Status ReplaceFileContents(const fs::path& file, std::string_view bytes) {
  const std::string_view pieces[] = {bytes};
  const Status replaced = platform::ReplaceFile(file, pieces);
  if (replaced) return {};
  return WriteFailureFor(replaced.failure().code, file);
}

Result<std::string> ReadForRewrite(const fs::path& file, std::size_t maxBytes) {
  Result<std::string> existing = platform::ReadRegularFile(file, maxBytes);
  if (existing) return existing;
  const int err = existing.failure().code;
  if (err == ENOENT) return std::string();
  // Something other than a file in its place is not ours to replace.
  if (err == platform::kNotRegularFile) return SystemFailure(err, ReasonFor(EACCES, {}));
  return WriteFailureFor(err, file);
}

}  // namespace nvx
