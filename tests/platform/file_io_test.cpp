#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include "platform/atomic_file.h"
#include "platform/readable_file.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

constexpr std::size_t kLimit = 1000;

bool IsFifo(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}

struct ReadCase {
  const char* name;
  // Puts something at the path; returns the path to read.
  fs::path (*make)(const TempFolder& temp);
  int code;                 // ReadRegularFile's refusal
  const char* whole;        // its message
  const char* openRefusal;  // ReadableFile::Open's, or nullptr when it opens
};

class ReadRegularFileTest : public testing::TestWithParam<ReadCase> {};

// Whatever stands at the path, the read ends at once and holds at most the
// limit; the open names what is there instead of a file.
TEST_P(ReadRegularFileTest, RefusesWhatIsNoFileOfBoundedSize) {
  TempFolder temp;
  const fs::path path = GetParam().make(temp);
  const Result<std::string> read = ReadRegularFile(path, kLimit);
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.failure().code, GetParam().code);
  EXPECT_EQ(read.failure().message, GetParam().whole);
  const Result<ReadableFile> opened = ReadableFile::Open(path);
  if (GetParam().openRefusal) {
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.failure().message, GetParam().openRefusal);
  } else {
    EXPECT_TRUE(opened.ok());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Places, ReadRegularFileTest,
    testing::Values(ReadCase{"FifoWithoutWriter",
                             [](const TempFolder& t) {
                               ::mkfifo((t / "fifo").c_str(), 0600);
                               return t / "fifo";
                             },
                             kNotRegularFile, "not a regular file",
                             "a named pipe (FIFO), not a file"},
                    ReadCase{"EndlessDevice",
                             [](const TempFolder&) { return fs::path("/dev/zero"); },
                             kNotRegularFile, "not a regular file", "a device, not a file"},
                    ReadCase{"Folder", [](const TempFolder& t) { return t.path(); },
                             kNotRegularFile, "not a regular file", "a folder, not a file"},
                    ReadCase{"LoopOfLinks",
                             [](const TempFolder& t) {
                               fs::create_symlink("loop", t / "loop");
                               return t / "loop";
                             },
                             ELOOP, "Too many levels of symbolic links",
                             "a loop of symbolic links, not a file"},
                    ReadCase{"SparseGigabyte",
                             [](const TempFolder& t) {
                               WriteFileBytes(t / "big", "");
                               fs::resize_file(t / "big", std::uintmax_t{1} << 30);
                               return t / "big";
                             },
                             kTooLarge, "larger than 1000 bytes", nullptr},
                    ReadCase{"OneByteOverTheLimit",
                             [](const TempFolder& t) {
                               WriteFileBytes(t / "over", std::string(kLimit + 1, 'x'));
                               return t / "over";
                             },
                             kTooLarge, "larger than 1000 bytes", nullptr},
                    ReadCase{"Missing", [](const TempFolder& t) { return t / "none"; }, ENOENT,
                             "no such file", "no such file"}),
    test::CaseName());

TEST(ReadRegularFile, ReadsAFileOfTheLimitThroughALink) {
  TempFolder temp;
  WriteFileBytes(temp / "full", std::string(kLimit, 'x'));
  fs::create_symlink("full", temp / "link");
  const Result<std::string> read = ReadRegularFile(temp / "link", kLimit);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read->size(), kLimit);
  const Result<ReadableFile> opened = ReadableFile::Open(temp / "link");
  ASSERT_TRUE(opened.ok());
  EXPECT_EQ(opened->Size(), kLimit);
  EXPECT_EQ(opened->ReadAt(kLimit - 2, 5), "xx");
}

const std::string_view kJob[] = {"header ", "data ", "trailer"};

// A FIFO (a pipe to a program) is written into, never replaced by a file.
TEST(WriteOutputFile, WritesIntoAFifoAndLeavesIt) {
  TempFolder temp;
  const fs::path fifo = temp / "to-printer";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::future<std::string> received =
      std::async(std::launch::async, [&] { return ReadFileBytes(fifo); });
  EXPECT_TRUE(WriteOutputFile(fifo, kJob).ok());
  EXPECT_EQ(received.get(), "header data trailer");
  EXPECT_TRUE(IsFifo(fifo));
}

// A link stays a link; the file it names, existing or not, gets the bytes.
TEST(WriteOutputFile, ReplacesTheTargetOfALink) {
  TempFolder temp;
  fs::create_directories(temp / "jobs");
  WriteFileBytes(temp / "jobs/old.prn", "old");
  fs::create_symlink("jobs/old.prn", temp / "link.prn");
  fs::create_symlink("jobs/new.prn", temp / "dangling.prn");
  EXPECT_TRUE(WriteOutputFile(temp / "link.prn", kJob).ok());
  EXPECT_TRUE(WriteOutputFile(temp / "dangling.prn", kJob).ok());
  EXPECT_TRUE(fs::is_symlink(temp / "link.prn"));
  EXPECT_TRUE(fs::is_symlink(temp / "dangling.prn"));
  EXPECT_EQ(ReadFileBytes(temp / "jobs/old.prn"), "header data trailer");
  EXPECT_EQ(ReadFileBytes(temp / "jobs/new.prn"), "header data trailer");
}

TEST(WriteOutputFile, DashIsStandardOutput) {
  TempFolder temp;
  const int saved = ::dup(STDOUT_FILENO);
  const int file = ::open((temp / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(file, STDOUT_FILENO);
  const Status written = WriteOutputFile("-", kJob);
  ::dup2(saved, STDOUT_FILENO);
  ::close(file);
  ::close(saved);
  EXPECT_TRUE(written.ok());
  EXPECT_EQ(ReadFileBytes(temp / "stdout"), "header data trailer");
  EXPECT_FALSE(fs::exists("-"));
}

// A full device reports its error; it is still the device afterwards.
TEST(WriteOutputFile, AFullDeviceFailsAndStaysADevice) {
  TempFolder temp;
  const fs::path full = test::MakeFullDevice(temp.path());
  if (full.empty()) GTEST_SKIP() << "no device can be made here";
  const Status written = WriteOutputFile(full, kJob);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.failure().message, "No space left on device");
  EXPECT_EQ(written.failure().code, ENOSPC);
  EXPECT_TRUE(fs::is_character_file(full));
}

// The settings and the library are only ever regular files: anything else in
// their place is left alone.
TEST(ReplaceFile, RefusesAFifoInThePlaceOfTheFile) {
  TempFolder temp;
  ASSERT_EQ(::mkfifo((temp / "settings.ini").c_str(), 0600), 0);
  const Status refused = ReplaceFile(temp / "settings.ini", kJob);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.failure().code, EINVAL);
  EXPECT_TRUE(IsFifo(temp / "settings.ini"));
}

pid_t DeadProcess() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

// Temporaries a killed writer left a while ago are removed by the next write;
// those of a writer still running or still being written, and other hidden
// files, stay.
TEST(ReplaceFile, RemovesTheTemporariesOfDeadWriters) {
  TempFolder temp;
  const pid_t gone = DeadProcess();
  const std::string dead = ".job.prn.tmp" + std::to_string(gone) + "-0";
  const std::string fresh = ".job.prn.tmp" + std::to_string(gone) + "-1";
  const std::string running = ".job.prn.tmp" + std::to_string(::getppid()) + "-3";
  for (const std::string& name : {dead, fresh, running, std::string(".job.prn.tmpnotes")}) {
    WriteFileBytes(temp / name, "half a job");
    if (name != fresh)
      fs::last_write_time(temp / name, fs::file_time_type::clock::now() - std::chrono::minutes(5));
  }
  ASSERT_TRUE(ReplaceFile(temp / "job.prn", kJob).ok());
  EXPECT_FALSE(fs::exists(temp / dead));
  EXPECT_TRUE(fs::exists(temp / fresh));
  EXPECT_TRUE(fs::exists(temp / running));
  EXPECT_TRUE(fs::exists(temp / ".job.prn.tmpnotes"));
  EXPECT_EQ(ReadFileBytes(temp / "job.prn"), "header data trailer");
}

}  // namespace
}  // namespace nvx::platform
