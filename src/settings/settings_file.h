#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "platform/file_lock.h"
#include "settings/ini_file.h"

namespace nvx {

inline constexpr std::string_view kSettingsFileName = "NivaluxPro.ini";
inline constexpr std::string_view kSettingsVersion = "2.2";

struct SettingsSnapshot;

// Writes that went to disk at once and failed, kept for the front end: a write
// made deep inside an operation has no caller that could show it. The next
// CommitSettings reports them with its own.
struct FailedWrites {
  std::mutex mutex;
  std::vector<Failure> failures;
};

// The two settings files: the user's working copy and the machine-wide copy.
// Without a snapshot every read goes to the file and every write replaces it.
// With one (TakeSettingsSnapshot), reads come from the copy read at the start
// of an operation and writes wait in it until CommitSettings stores them in
// one write.
struct SettingsFiles {
  std::filesystem::path userFolder;
  std::filesystem::path machineFolder;
  std::shared_ptr<FailedWrites> failedWrites = std::make_shared<FailedWrites>();
  std::shared_ptr<SettingsSnapshot> snapshot = nullptr;
  std::shared_ptr<platform::FileLock> heldLock = nullptr;  // see HoldSettingsLock

  std::filesystem::path UserFile() const { return userFolder / kSettingsFileName; }
  std::filesystem::path MachineFile() const { return machineFolder / kSettingsFileName; }
};

// Section and key are compared without regard to letter case. A missing file or
// key reads as the empty text; a value is cut to 255 characters.
std::string ReadSetting(const SettingsFiles& files, std::string_view section, std::string_view key);
std::string ReadMachineSetting(const SettingsFiles& files, std::string_view section,
                               std::string_view key);

// As ReadSetting, but a key that is not in the file gives `fallback` (a key that is
// there with an empty value gives the empty text).
std::string ReadSettingOr(const SettingsFiles& files, std::string_view section,
                          std::string_view key, std::string_view fallback);

// The leading number of a setting ("" and missing keys give 0).
long long ReadSettingNumber(const SettingsFiles& files, std::string_view section,
                            std::string_view key);

// Writes replace the file atomically. A failed write is kept in files.failedWrites
// as "Failed to write to:- " with the path and the reason, and the program goes on.
void WriteSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                  std::string_view value);
void WriteMachineSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                         std::string_view value);

// Several keys in one atomic write of the user file: all are stored or none, and a
// failure is kept once.
void WriteSettings(const SettingsFiles& files, std::initializer_list<IniAssignment> assignments);
void WriteSettings(const SettingsFiles& files, std::span<const IniAssignment> assignments);

// "Failed to write to:- ", the path and the reason of a failed write of `file`.
Failure WriteFailureOf(const std::filesystem::path& file, const Failure& failure);

// Writes the defaults of a new or outdated settings file (creates the user folder).
void CreateDefaultSettings(const SettingsFiles& files);

// The user file as a document: the snapshot's copy, else read from disk.
IniDocument UserSettingsDocument(const SettingsFiles& files);

// A key to write, holding its own texts.
struct SettingsChange {
  std::string section, key, value;
};

// Changes the user file by `edit`, which reads what it needs from the document
// it is given and returns the keys to write: read, change and write are one
// step under the user file's lock, so a count read from the file (the custom
// papers') is never stale. Under HoldSettingsLock the change waits in the
// snapshot for the commit like any other; otherwise the file is read afresh
// and written at once (a failure kept), and the snapshot sees the change.
void EditSettings(const SettingsFiles& files,
                  const std::function<std::vector<SettingsChange>(const IniDocument&)>& edit);

// Takes the lock on the user file, waiting while another program holds it, and
// keeps it for as long as `files` (or a copy) lives. Taken before the snapshot,
// it makes a whole read, change and write one step: an operation that counts
// the custom papers, adds one and stores them cannot lose another program's.
// Without the lock file (a read-only folder) the operation goes on unlocked.
void HoldSettingsLock(SettingsFiles& files);

// Reads both files once; from then on reads are served from memory and
// writes are kept until CommitSettings. Taking a second snapshot keeps the first.
void TakeSettingsSnapshot(SettingsFiles& files);

// Values that hold for this operation only (a medium's or a paper's margins on
// the command line): with a snapshot they change what later reads see but are
// never stored; without one they are written like any other value.
void WriteRunOnlySettings(const SettingsFiles& files, std::span<const IniAssignment> assignments);

// An independent copy for another thread: the snapshot's files as they stand
// now, with no writes waiting; its writes stay in the copy until taken back
// with TakeSettingsWrites. A write of the copy that fails at once is kept with
// the original's failures, so the original's next commit reports it.
SettingsFiles CopySettingsFiles(const SettingsFiles& files);
// The writes waiting in `from`, made in `into` as well (still waiting there).
void TakeSettingsWrites(const SettingsFiles& into, const SettingsFiles& from);

// Stores the snapshot's waiting writes in one atomic write of the user file,
// made under a lock on it after reading it afresh, so that two programs
// changing different keys at once both keep their changes. Nothing is written
// when nothing changed. Fails when this write failed or an earlier one kept in
// files.failedWrites did: the message names each, once.
Status CommitSettings(const SettingsFiles& files);

// How often the files were read and written: what one operation costs.
struct SettingsFileCounts {
  int reads = 0;
  int writes = 0;
};
SettingsFileCounts SettingsFileActivity();

}  // namespace nvx
