#include "settings/settings_file.h"

#include <atomic>
#include <map>
#include <optional>
#include <vector>

#include "base/product.h"
#include "base/text.h"
#include "platform/file_lock.h"
#include "settings/numbers.h"
#include "settings/settings_keys.h"
#include "settings/toner_order.h"

namespace nvx {

// The files as read at the start of an operation, and what it has changed since.
struct SettingsSnapshot {
  IniDocument user;
  IniDocument machine;
  struct Pending {
    std::string section, key, value;
  };
  std::vector<Pending> pending;  // waiting writes, in the order they were first made
  std::map<std::string, std::size_t> pendingIndex;  // by lower-cased "section\nkey"
};

namespace {

constexpr std::string_view kFailureText = "Failed to write to:- ";

std::atomic<int> fileReads{0};
std::atomic<int> fileWrites{0};

IniDocument ReadDocument(const std::filesystem::path& file) {
  ++fileReads;
  return LoadIniFile(file);
}

// Whether the operation holds the lock of `file` already: taking it again would
// wait for ourselves. The machine copy may be the user's file by another name.
bool HoldsLockOf(const SettingsFiles& files, const std::filesystem::path& file) {
  if (!files.heldLock) return false;
  std::error_code ec;
  return file == files.UserFile() ||
         (file.filename() == files.UserFile().filename() &&
          std::filesystem::equivalent(file.parent_path(), files.userFolder, ec));
}

// Every write of a settings file reads, changes and replaces it under the lock,
// so two programs writing at once cannot lose each other's keys. The lock an
// operation holds already is not taken twice.
Status WriteLocked(const SettingsFiles& files, const std::filesystem::path& file,
                   std::span<const IniAssignment> assignments) {
  std::optional<platform::FileLock> lock;
  if (!HoldsLockOf(files, file)) lock.emplace(platform::LockFileFor(file));
  ++fileReads;
  ++fileWrites;
  return WriteIniValues(file, assignments);
}

void KeepFailure(const SettingsFiles& files, const std::filesystem::path& file,
                 const Status& status) {
  if (status || !files.failedWrites) return;
  const std::lock_guard lock(files.failedWrites->mutex);
  files.failedWrites->failures.push_back(WriteFailureOf(file, status.failure()));
}

void WriteAndKeepFailure(const SettingsFiles& files, const std::filesystem::path& file,
                         std::span<const IniAssignment> assignments) {
  KeepFailure(files, file, WriteLocked(files, file, assignments));
}

// The failures kept since the last commit, and `now`'s, as one: each message
// once, in the order they happened.
Status WithKeptFailures(const SettingsFiles& files, Status now) {
  std::vector<Failure> kept;
  if (files.failedWrites) {
    const std::lock_guard lock(files.failedWrites->mutex);
    kept.swap(files.failedWrites->failures);
  }
  if (!now) kept.push_back(now.failure());
  if (kept.empty()) return {};
  Failure all = kept.front();
  for (std::size_t i = 1; i < kept.size(); ++i) {
    if (all.message.find(kept[i].message) == std::string::npos)
      all.message += "\n\n" + kept[i].message;
  }
  return all;
}

std::string PendingName(std::string_view section, std::string_view key) {
  return AsciiLower(section) + '\n' + AsciiLower(key);
}

// A stored write waits for the commit; a run-only one changes only what reads
// see, so the commit stores the last stored value of the key, if any.
void KeepInSnapshot(SettingsSnapshot& snap, std::span<const IniAssignment> assignments,
                    bool store) {
  for (const IniAssignment& a : assignments) {
    SetIniValue(snap.user, a.section, a.key, a.value);
    if (!store) continue;
    auto [it, added] =
        snap.pendingIndex.emplace(PendingName(a.section, a.key), snap.pending.size());
    if (added) {
      snap.pending.push_back({std::string(a.section), std::string(a.key), std::string(a.value)});
    } else {
      snap.pending[it->second].value = std::string(a.value);
    }
  }
}

}  // namespace

std::string ReadSetting(const SettingsFiles& files, std::string_view section,
                        std::string_view key) {
  if (files.snapshot) return FindIniValue(files.snapshot->user, section, key).value_or("");
  return FindIniValue(ReadDocument(files.UserFile()), section, key).value_or("");
}

std::string ReadMachineSetting(const SettingsFiles& files, std::string_view section,
                               std::string_view key) {
  if (files.snapshot) return FindIniValue(files.snapshot->machine, section, key).value_or("");
  return FindIniValue(ReadDocument(files.MachineFile()), section, key).value_or("");
}

std::string ReadSettingOr(const SettingsFiles& files, std::string_view section,
                          std::string_view key, std::string_view fallback) {
  auto value = files.snapshot ? FindIniValue(files.snapshot->user, section, key)
                              : FindIniValue(ReadDocument(files.UserFile()), section, key);
  return value ? *value : std::string(fallback);
}

long long ReadSettingNumber(const SettingsFiles& files, std::string_view section,
                            std::string_view key) {
  return LeadingInteger(ReadSetting(files, section, key));
}

void WriteSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                  std::string_view value) {
  IniAssignment one{section, key, value};
  WriteSettings(files, std::span(&one, 1));
}

void WriteMachineSetting(const SettingsFiles& files, std::string_view section, std::string_view key,
                         std::string_view value) {
  IniAssignment one{section, key, value};
  // The machine copy is written at once: it is shared and rarely changed.
  if (files.snapshot) SetIniValue(files.snapshot->machine, section, key, value);
  WriteAndKeepFailure(files, files.MachineFile(), std::span(&one, 1));
}

void WriteSettings(const SettingsFiles& files, std::initializer_list<IniAssignment> assignments) {
  WriteSettings(files, std::span(assignments.begin(), assignments.size()));
}

void WriteSettings(const SettingsFiles& files, std::span<const IniAssignment> assignments) {
  if (files.snapshot) {
    KeepInSnapshot(*files.snapshot, assignments, true);
    return;
  }
  WriteAndKeepFailure(files, files.UserFile(), assignments);
}

void WriteRunOnlySettings(const SettingsFiles& files, std::span<const IniAssignment> assignments) {
  if (files.snapshot) {
    KeepInSnapshot(*files.snapshot, assignments, false);
    return;
  }
  WriteAndKeepFailure(files, files.UserFile(), assignments);
}

IniDocument UserSettingsDocument(const SettingsFiles& files) {
  return files.snapshot ? files.snapshot->user : ReadDocument(files.UserFile());
}

void EditSettings(const SettingsFiles& files,
                  const std::function<std::vector<SettingsChange>(const IniDocument&)>& edit) {
  auto assignmentsOf = [](const std::vector<SettingsChange>& changes) {
    std::vector<IniAssignment> assignments;
    for (const SettingsChange& c : changes) assignments.push_back({c.section, c.key, c.value});
    return assignments;
  };
  if (files.heldLock && files.snapshot) {
    const std::vector<SettingsChange> changes = edit(files.snapshot->user);
    WriteSettings(files, assignmentsOf(changes));
    return;
  }
  std::optional<platform::FileLock> lock;
  if (!files.heldLock) lock.emplace(platform::LockFileFor(files.UserFile()));
  const std::vector<SettingsChange> changes = edit(ReadDocument(files.UserFile()));
  if (changes.empty()) return;
  const std::vector<IniAssignment> assignments = assignmentsOf(changes);
  ++fileWrites;
  const Status status = WriteIniValues(files.UserFile(), assignments);
  KeepFailure(files, files.UserFile(), status);
  if (status && files.snapshot) KeepInSnapshot(*files.snapshot, assignments, false);
}

void HoldSettingsLock(SettingsFiles& files) {
  if (files.heldLock) return;
  auto lock = std::make_shared<platform::FileLock>(platform::LockFileFor(files.UserFile()));
  if (lock->held()) files.heldLock = std::move(lock);
}

void TakeSettingsSnapshot(SettingsFiles& files) {
  if (files.snapshot) return;
  auto snap = std::make_shared<SettingsSnapshot>();
  snap->user = ReadDocument(files.UserFile());
  snap->machine = ReadDocument(files.MachineFile());
  files.snapshot = std::move(snap);
}

SettingsFiles CopySettingsFiles(const SettingsFiles& files) {
  SettingsFiles copy = files;
  if (files.snapshot) {
    copy.snapshot = std::make_shared<SettingsSnapshot>();
    copy.snapshot->user = files.snapshot->user;
    copy.snapshot->machine = files.snapshot->machine;
  }
  return copy;
}

void TakeSettingsWrites(const SettingsFiles& into, const SettingsFiles& from) {
  if (!from.snapshot || from.snapshot == into.snapshot) return;
  std::vector<IniAssignment> assignments;
  for (const SettingsSnapshot::Pending& p : from.snapshot->pending)
    assignments.push_back({p.section, p.key, p.value});
  WriteSettings(into, assignments);
}

Status CommitSettings(const SettingsFiles& files) {
  if (!files.snapshot || files.snapshot->pending.empty()) return WithKeptFailures(files, {});
  SettingsSnapshot& snap = *files.snapshot;
  std::vector<IniAssignment> assignments;
  for (const SettingsSnapshot::Pending& p : snap.pending)
    assignments.push_back({p.section, p.key, p.value});
  const Status status = WriteLocked(files, files.UserFile(), assignments);
  snap.pending.clear();
  snap.pendingIndex.clear();
  return WithKeptFailures(
      files, status ? Status{} : Status{WriteFailureOf(files.UserFile(), status.failure())});
}

SettingsFileCounts SettingsFileActivity() { return {fileReads.load(), fileWrites.load()}; }

Failure WriteFailureOf(const std::filesystem::path& file, const Failure& failure) {
  return SystemFailure(failure.code,
                       std::string(kFailureText) + "\n" + file.string() + "\n" + failure.message);
}

void CreateDefaultSettings(const SettingsFiles& files) {
  std::error_code ignored;
  std::filesystem::create_directories(files.userFolder, ignored);
  using namespace keys;
  // One write for the whole list: a refused file shows one message, not twenty.
  std::vector<IniAssignment> defaults{
      {kIniInf, kVersion, kSettingsVersion},
      {kActive, kPrinter, "OKI C711wt NVX"},
      {kActive, kTray, "AUTO"},
      {kActive, kPaperSize, "A4"},
      {kActive, kTraySwitch, "0"},
      {kActive, kWhiteMask, "100"},
      {kActive, kWhiteOverlay, "2"},
      {kActive, kMirror, "1"},
      {kActive, kDisplay, "0"},
      {kActive, kTonerOn, "1"},
      {kActive, kTonerSave, "1"},
      {kActive, kTonerPercent, "50"},
      {kActive, kJpegArtifact, "5"},
      {kActive, kIcmProfileOut, kDefaultProfileOut},
      {kActive, kIcmProfileIn, kDefaultProfileIn},
      {kActive, kUnit, "M"},
      {kActive, kMptOffset, "0"},
      {kActive, kTray1Offset, "0"},
      {kActive, kTonerOrder, kWhiteLastText},
      {kKymc, kProfile, kWhiteLastPointsText},
  };
  // The printer's margins are written where the file has none; an upgraded
  // file keeps the user's.
  const std::initializer_list<std::pair<std::string_view, std::string_view>> margins{
      {kTopMargin, kStandardSideMargin},
      {kLeftMargin, kStandardSideMargin},
      {kRightMargin, kStandardSideMargin},
      {kBottomMargin, kStandardBottomMargin}};
  const IniDocument current = UserSettingsDocument(files);
  for (const auto& [key, value] : margins) {
    if (!FindIniValue(current, kActive, key)) defaults.push_back({kActive, key, value});
  }
  WriteSettings(files, defaults);
}

}  // namespace nvx
