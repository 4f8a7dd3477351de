#include "settings/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

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

// The file the rename must replace: a symbolic link is followed, so the link stays.
fs::path ResolveTarget(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_symlink(file, ec)) return file;
  fs::path target = fs::weakly_canonical(file, ec);
  return ec ? file : target;
}

std::string TempNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  return "." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
         std::to_string(counter++);
}

// Creates a fresh temporary file beside `target`; -1 with errno set when it cannot.
int CreateTempFile(const fs::path& target, fs::path& tempPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = target.parent_path() / TempNameFor(target);
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// Writes, keeps the old file's mode and owner, and flushes; returns errno or 0.
int FillTempFile(int fd, std::string_view bytes, const struct stat* old) {
  if (int err = WriteAll(fd, bytes)) return err;
  if (old) {
    ::fchmod(fd, old->st_mode & 07777);
    // Only root can give the file back to its owner; anyone else keeps the same owner anyway.
    [[maybe_unused]] int ignored = ::fchown(fd, old->st_uid, old->st_gid);
  }
  if (::fsync(fd) != 0) return errno;
  return 0;
}

void SyncFolder(const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
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
  fs::path target = ResolveTarget(file);
  fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  if (target.parent_path().empty()) target = folder / target;

  struct stat old {};
  bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return FailureFromErrno(errno, folder);
  if (exists && S_ISREG(old.st_mode) && (old.st_mode & 0222) == 0) {
    return {WriteFailure::AccessDenied, EACCES};
  }
  // The rename needs only the folder's permission; the file's own must be asked separately.
  if (exists && S_ISREG(old.st_mode) && ::access(target.c_str(), W_OK) != 0) {
    return FailureFromErrno(errno, folder);
  }

  fs::path tempPath;
  int fd = CreateTempFile(target, tempPath);
  if (fd < 0) return FailureFromErrno(errno, folder);
  int err = FillTempFile(fd, bytes, exists ? &old : nullptr);
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && std::rename(tempPath.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tempPath.c_str());
    return FailureFromErrno(err, folder);
  }
  SyncFolder(folder);
  return {};
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
