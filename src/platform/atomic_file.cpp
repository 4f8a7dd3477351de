#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace nvx::platform {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit

// The file a rename must replace: symbolic links of the last part are followed
// to the file they name, existing or not, so the link itself stays.
int ResolveTarget(const fs::path& file, fs::path& target) {
  target = file;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return 0;
    std::error_code ec;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) return ec.value();
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return ELOOP;
}

std::string TempPrefixFor(const fs::path& target) {
  return "." + target.filename().string() + ".tmp";
}

std::string TempNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  return TempPrefixFor(target) + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

bool ProcessIsGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// A writer renames its temporary as soon as it is flushed; one left untouched
// this long is no one's (a writer on another machine sharing the folder has a
// process number this one cannot see).
constexpr time_t kStaleSeconds = 60;

bool Untouched(int dirFd, const char* name) {
  struct stat info {};
  return ::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::time(nullptr) - info.st_mtime > kStaleSeconds;
}

// Temporaries ".NAME.tmpPID-N" of programs that were killed while writing the
// file: nothing else would ever remove them.
void RemoveStaleTemporaries(const fs::path& folder, const fs::path& target) {
  const std::string prefix = TempPrefixFor(target);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(prefix)) continue;
    const std::string_view rest = name.substr(prefix.size());
    pid_t pid = 0;
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    if (ec != std::errc() || end == rest.data() + rest.size() || *end != '-' || pid <= 0) continue;
    if (pid != ::getpid() && ProcessIsGone(pid) && Untouched(::dirfd(dir), entry->d_name))
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
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

// With `writeBack`, the disk writes of each few megabytes begin while the
// next are made, so that the flush at the end has little left to wait for.
int WritePieces(int fd, std::span<const PieceWriter> pieces, bool writeBack = false) {
  constexpr off_t kWriteBackStep = off_t{8} << 20;
  off_t sent = 0;
  off_t begun = 0;
  for (const PieceWriter& piece : pieces) {
    int err = 0;
    const bool written = piece([&](std::string_view bytes) {
      err = WriteAll(fd, bytes);
      sent += static_cast<off_t>(bytes.size());
      if (err == 0 && writeBack && sent - begun >= kWriteBackStep) {
        // Merely a head start: the flush at the end writes whatever this did not.
        [[maybe_unused]] int ignored =
            ::sync_file_range(fd, begun, sent - begun, SYNC_FILE_RANGE_WRITE);
        begun = sent;
      }
      return err == 0;
    });
    // A piece stops without a write error only when there is no memory to make its bytes.
    if (!written) return err != 0 ? err : ENOMEM;
  }
  return 0;
}

// Writes, keeps the old file's mode and owner, and flushes; returns errno or 0.
int FillTempFile(int fd, std::span<const PieceWriter> pieces, const struct stat* old) {
  if (int err = WritePieces(fd, pieces, true)) return err;
  if (old) {
    ::fchmod(fd, old->st_mode & 07777);
    // Only root can give the file back to its owner; anyone else keeps the same owner anyway.
    [[maybe_unused]] int ignored = ::fchown(fd, old->st_uid, old->st_gid);
  }
  if (::fsync(fd) != 0) return errno;
  return 0;
}

// A complete temporary file under a fresh name beside `target`; errno or 0.
// The file is written while it has no name (O_TMPFILE) and named only when
// complete, so a killed program leaves nothing behind; a file system without
// unnamed files gets a named one from the start.
int MakeTempFile(const fs::path& folder, const fs::path& target,
                 std::span<const PieceWriter> pieces, const struct stat* old, fs::path& tempPath) {
  const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (unnamed >= 0) {
    int err = FillTempFile(unnamed, pieces, old);
    const std::string self = "/proc/self/fd/" + std::to_string(unnamed);
    for (int attempt = 0; err == 0 && attempt < 100; ++attempt) {
      tempPath = folder / TempNameFor(target);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        ::close(unnamed);
        return 0;
      }
      if (errno != EEXIST) break;
    }
    ::close(unnamed);
    if (err != 0) return err;
    // No /proc to name it by: write it again under a name.
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = folder / TempNameFor(target);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return errno;
    int err = FillTempFile(fd, pieces, old);
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) ::unlink(tempPath.c_str());
    return err;
  }
  return EEXIST;
}

void SyncFolder(const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool IsStreamMode(mode_t mode) { return S_ISCHR(mode) || S_ISFIFO(mode); }

// Writes into what is there, without creating, truncating or renaming anything.
int WriteThrough(const fs::path& target, std::span<const PieceWriter> pieces) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = WritePieces(fd, pieces);
  if (::close(fd) != 0 && err == 0 && errno != EINTR) err = errno;
  return err;
}

int ReplaceFileErrno(const fs::path& file, std::span<const PieceWriter> pieces) {
  fs::path target;
  if (int err = ResolveTarget(file, target)) return err;
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  if (target.parent_path().empty()) target = folder / target;

  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return errno;
  if (exists && S_ISDIR(old.st_mode)) return EISDIR;
  if (exists && !S_ISREG(old.st_mode)) return EINVAL;
  if (exists && (old.st_mode & 0222) == 0) return EACCES;
  // The rename needs only the folder's permission; the file's own must be asked separately.
  if (exists && ::access(target.c_str(), W_OK) != 0) return errno;

  RemoveStaleTemporaries(folder, target);
  fs::path tempPath;
  int err = MakeTempFile(folder, target, pieces, exists ? &old : nullptr, tempPath);
  if (err != 0) return err;
  if (std::rename(tempPath.c_str(), target.c_str()) != 0) {
    err = errno;
    ::unlink(tempPath.c_str());
    return err;
  }
  SyncFolder(folder);
  return 0;
}

}  // namespace

Status ReplaceFile(const fs::path& file, std::span<const std::string_view> pieces) {
  const std::vector<PieceWriter> writers = PieceWriters(pieces);
  if (int err = ReplaceFileErrno(file, writers)) return SystemFailure(err, std::strerror(err));
  return {};
}

bool IsStreamOutput(const fs::path& target) {
  if (target == "-") return true;
  struct stat info {};
  return ::stat(target.c_str(), &info) == 0 && IsStreamMode(info.st_mode);
}

Status WriteOutputFile(const fs::path& target, std::span<const std::string_view> pieces) {
  return WriteOutputFile(target, PieceWriters(pieces));
}

Status WriteOutputFile(const fs::path& target, std::span<const PieceWriter> pieces) {
  int err = 0;
  struct stat info {};
  if (target == "-") {
    err = WritePieces(STDOUT_FILENO, pieces);
  } else if (::stat(target.c_str(), &info) == 0 && IsStreamMode(info.st_mode)) {
    err = WriteThrough(target, pieces);
  } else if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
             !S_ISDIR(info.st_mode)) {
    return SystemFailure(EINVAL, "not a file, a character device or a FIFO");
  } else {
    err = ReplaceFileErrno(target, pieces);
  }
  if (err != 0) return SystemFailure(err, std::strerror(err));
  return {};
}

}  // namespace nvx::platform
