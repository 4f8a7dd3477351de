#include "settings/file_replace.h"

#include <cerrno>

#include "platform/atomic_file.h"
#include "platform/file_read.h"

namespace nvx {
namespace {

namespace fs = std::filesystem;

WriteStatus FailureFromErrno(int err, const fs::path& folder) {
  switch (err) {
    case ENOENT: {
      std::error_code ec;
      bool folderThere = fs::is_directory(folder, ec);
      return {folderThere ? WriteFailure::FileNotFound : WriteFailure::PathNotFound, err};
    }
    case ENOTDIR:
      return {WriteFailure::PathNotFound, err};
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
      return {WriteFailure::AccessDenied, err};
    case EROFS:
      return {WriteFailure::WriteProtected, err};
    default:
      return {WriteFailure::Other, err};
  }
}

fs::path FolderOf(const fs::path& file) {
  return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

}  // namespace

std::string WriteFailureReason(const WriteStatus& status) {
  switch (status.failure) {
    case WriteFailure::None:
      return {};
    case WriteFailure::FileNotFound:
      return "Error 2 - File not found";
    case WriteFailure::PathNotFound:
      return "Error 3 - Path not found";
    case WriteFailure::AccessDenied:
      return "Error 5 - Access denied (read only?)";
    case WriteFailure::WriteProtected:
      return "Error 19 - Write protected media";
    case WriteFailure::Other:
      break;
  }
  return "Error " + std::to_string(status.systemError);
}

WriteStatus ReplaceFileContents(const fs::path& file, std::string_view bytes) {
  const std::string_view pieces[] = {bytes};
  const Status replaced = platform::ReplaceFile(file, pieces);
  if (replaced) return {};
  return FailureFromErrno(replaced.failure().code, FolderOf(file));
}

WriteStatus ReadForRewrite(const fs::path& file, std::size_t maxBytes, std::string& bytes) {
  platform::WholeFile existing = platform::ReadRegularFile(file, maxBytes);
  bytes = std::move(existing.bytes);
  switch (existing.failure) {
    case platform::ReadFailure::None:
    case platform::ReadFailure::Missing:
      return {};
    case platform::ReadFailure::NotRegularFile:
      return {WriteFailure::AccessDenied, EINVAL};
    case platform::ReadFailure::TooLarge:
      return {WriteFailure::Other, EFBIG};
    case platform::ReadFailure::SystemError:
      break;
  }
  return FailureFromErrno(existing.systemError, FolderOf(file));
}

}  // namespace nvx
