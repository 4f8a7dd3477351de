#include "pattern/shape_library.h"

#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <system_error>

#include "base/text.h"
#include "platform/atomic_file.h"
#include "platform/file_lock.h"
#include "platform/folders.h"
#include "platform/readable_file.h"
#include "postscript/number_text.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

// The largest file that holds no more than the 200 shapes a library takes: a
// last record counts from half its length on.
constexpr std::size_t kMaxLibraryBytes =
    kMaxLibraryShapes * kShapeRecordBytes + kShapeRecordBytes / 2;

// The library's bytes; a missing file is an empty library.
Result<std::string> ReadLibraryBytes(const std::filesystem::path& library) {
  Result<std::string> file = platform::ReadRegularFile(library, kMaxLibraryBytes);
  if (!file && file.failure().code == ENOENT) return std::string();
  return file;
}

std::string LibraryReadError(const std::filesystem::path& library, const Failure& failure) {
  std::string text = "Cannot read the shape library " + library.string() + ": " + failure.message;
  if (failure.code == platform::kTooLarge) text += " (more than 200 shapes)";
  return text;
}

// The file's records as whole records: a short last record is padded with
// zeros, and less than half a record at the end is no record.
std::vector<std::string> SplitRecords(std::string bytes) {
  const std::size_t count = ShapeRecordCount(bytes.size());
  bytes.resize(count * kShapeRecordBytes, '\0');
  std::vector<std::string> records;
  records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    records.push_back(bytes.substr(i * kShapeRecordBytes, kShapeRecordBytes));
  }
  return records;
}

std::string RecordName(const std::string& recordBytes) {
  return DecodeShapeRecord(recordBytes).name;
}

std::string FoldedName(std::string_view name) {
  return QString::fromUtf8(Trim(name).data(), static_cast<qsizetype>(Trim(name).size()))
      .toLower()
      .toStdString();
}

Status WriteRecords(const std::filesystem::path& library, const std::vector<std::string>& records) {
  std::vector<std::string_view> pieces(records.begin(), records.end());
  return platform::ReplaceFile(library, pieces);
}

Failure AddError(int error) {
  return Fail(std::string(kAddErrorMessage) + BlankSignedInteger(error));
}

Failure RemoveError(int error) {
  return Fail(std::string(kRemoveErrorMessage) + BlankSignedInteger(error));
}

// A library that is no file of ours is named as such; a failed read keeps the
// error number the library has always shown.
Failure ReadError(const std::filesystem::path& library, const Failure& failure,
                  Failure (*numbered)(int)) {
  if (failure.code != platform::kNotRegularFile && failure.code != platform::kTooLarge)
    return numbered(failure.code);
  return Fail(LibraryReadError(library, failure));
}

bool IsFile(const std::filesystem::path& file) {
  std::error_code ec;
  return !file.empty() && std::filesystem::is_regular_file(file, ec);
}

}  // namespace

Result<std::vector<ShapeRecord>> ReadShapeLibrary(const std::filesystem::path& library) {
  Result<std::string> file = ReadLibraryBytes(library);
  if (!file) return Fail(LibraryReadError(library, file.failure()));
  std::vector<ShapeRecord> shapes;
  for (const std::string& record : SplitRecords(std::move(*file))) {
    shapes.push_back(DecodeShapeRecord(record));
  }
  return shapes;
}

std::string ShapeDisplayName(std::string_view name) {
  QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toLower();
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text.toStdString();
}

std::vector<std::string> ShapeNames(const std::vector<ShapeRecord>& shapes) {
  std::vector<std::string> names;
  for (const ShapeRecord& shape : shapes) {
    std::string_view name = Trim(shape.name);
    if (!name.empty()) names.push_back(ShapeDisplayName(name));
  }
  return names;
}

std::vector<std::string> ListShapeNames(const std::filesystem::path& library) {
  Result<std::vector<ShapeRecord>> shapes = ReadShapeLibrary(library);
  return shapes ? ShapeNames(*shapes) : std::vector<std::string>();
}

std::optional<ShapeRecord> FindShape(const std::filesystem::path& library, std::string_view name) {
  Result<std::vector<ShapeRecord>> shapes = ReadShapeLibrary(library);
  if (!shapes) return std::nullopt;
  const std::string wanted = FoldedName(name);
  for (ShapeRecord& shape : *shapes) {
    if (FoldedName(shape.name) == wanted) return std::move(shape);
  }
  return std::nullopt;
}

std::string ShapeNameFromBox(std::string_view text) {
  std::string name(Trim(text));
  for (char& c : name) {
    if (c == ' ') c = '_';
  }
  return StoredShapeName(name);
}

Status AddShape(const std::filesystem::path& library, ShapeRecord shape,
                const std::function<bool()>& confirmReplace) {
  shape.name = ShapeNameFromBox(shape.name);
  if (shape.name.empty()) return Fail(std::string(kEmptyShapeNameMessage), Failure::Kind::Refused);
  // The read, the search for the name and the write are one step for every
  // program that changes the library.
  const platform::FileLock lock(platform::LockFileFor(library));
  Result<std::string> file = ReadLibraryBytes(library);
  if (!file) return ReadError(library, file.failure(), AddError);
  std::vector<std::string> records = SplitRecords(std::move(*file));
  const std::string wanted = FoldedName(shape.name);
  std::string* match = nullptr;
  for (std::string& record : records) {
    if (FoldedName(RecordName(record)) == wanted) {
      match = &record;
      break;
    }
  }
  if (match) {
    if (!confirmReplace || !confirmReplace()) {
      return Fail(std::string(kMatchingNameMessage), Failure::Kind::Cancelled);
    }
    *match = EncodeShapeRecord(shape);
  } else if (records.size() >= kMaxLibraryShapes) {
    return Fail(std::string(kLibraryFullMessage), Failure::Kind::Refused);
  } else {
    records.push_back(EncodeShapeRecord(shape));
  }
  if (Status written = WriteRecords(library, records); !written) {
    return AddError(written.failure().code);
  }
  return {};
}

Status RemoveShapes(const std::filesystem::path& library, const std::vector<std::string>& names) {
  if (names.empty()) return {};
  const platform::FileLock lock(platform::LockFileFor(library));
  Result<std::string> file = ReadLibraryBytes(library);
  if (!file) return ReadError(library, file.failure(), RemoveError);
  std::vector<std::string> kept;
  for (std::string& record : SplitRecords(std::move(*file))) {
    const std::string stored = RecordName(record);
    const std::string_view name = Trim(stored);
    const bool marked =
        std::ranges::any_of(names, [&](const std::string& wanted) { return Trim(wanted) == name; });
    if (!name.empty() && !marked) kept.push_back(std::move(record));
  }
  if (Status written = WriteRecords(library, kept); !written) {
    return RemoveError(written.failure().code);
  }
  return {};
}

LibraryFolders DefaultLibraryFolders(const SettingsFiles& files) {
  return LibraryFolders{files.machineFolder, platform::ProgramFolder(), files.userFolder};
}

Status ProvisionShapeLibrary(const SettingsFiles& files, const LibraryFolders& folders) {
  if (!ReadSetting(files, keys::kActive, keys::kShapeLibrary).empty()) return {};
  // A library already in the user folder holds the user's own imports: it is
  // taken as it is, never overwritten by the master copy.
  const std::filesystem::path user = folders.user / kShapeLibraryFileName;
  if (!folders.user.empty() && IsFile(user)) {
    WriteSetting(files, keys::kActive, keys::kShapeLibrary, user.string());
    return {};
  }
  if (folders.machine.empty()) return Fail(std::string(kNoMachineFolderMessage));
  std::filesystem::path master = folders.machine / kShapeLibraryFileName;
  if (!IsFile(master) && !folders.program.empty()) master = folders.program / kShapeLibraryFileName;
  const Failure masterMissing = SystemFailure(ENOENT, std::string(kMasterMissingMessage));
  if (!IsFile(master)) return masterMissing;
  std::error_code ec;
  if (folders.user.empty() || (!std::filesystem::create_directories(folders.user, ec) && ec)) {
    return Fail(std::string(kNoUserFolderMessage));
  }
  const Result<std::string> bytes = platform::ReadRegularFile(master, kMaxLibraryBytes);
  if (!bytes) return masterMissing;
  {
    // Another program may have started the user's library meanwhile: it is kept.
    const platform::FileLock lock(platform::LockFileFor(user));
    const std::string_view pieces[] = {*bytes};
    if (!IsFile(user) && !platform::ReplaceFile(user, pieces).ok())
      return Fail(std::string(kNoUserFolderMessage));
  }
  WriteSetting(files, keys::kActive, keys::kShapeLibrary, user.string());
  return {};
}

std::filesystem::path ShapeLibraryPath(const SettingsFiles& files, const LibraryFolders& folders) {
  std::string stored = ReadSetting(files, keys::kActive, keys::kShapeLibrary);
  if (!stored.empty()) return stored;
  return folders.user / kShapeLibraryFileName;
}

void RememberShapeLibrary(const SettingsFiles& files, const std::filesystem::path& library) {
  if (ReadSetting(files, keys::kActive, keys::kShapeLibrary).empty()) {
    WriteSetting(files, keys::kActive, keys::kShapeLibrary, library.string());
  }
}

}  // namespace nvx
