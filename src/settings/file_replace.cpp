#include "settings/file_replace.h"

#include <cerrno>
#include <fstream>
#include <iterator>

#include "platform/atomic_file.h"

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
  const int err = platform::ReplaceFile(file, pieces);
  if (err == 0) return {};
  const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  return FailureFromErrno(err, folder);
}

bool ReadWholeFile(const fs::path& file, std::string& bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace nvx
