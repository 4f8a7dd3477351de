#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "pattern/shape_record.h"
#include "settings/settings_file.h"

namespace nvx {

inline constexpr std::string_view kShapeLibraryFileName = "shape.lib";

// The library editor lists and rewrites 200 shapes, so the library takes no more.
inline constexpr std::size_t kMaxLibraryShapes = 200;

// The library's own texts, and the captions of the boxes that show them.
inline constexpr std::string_view kMatchingNameMessage = "Matching Name in Library";
inline constexpr std::string_view kMatchingNameTitle = "Shape Converter";
inline constexpr std::string_view kAddErrorMessage = "Error lib is readonly ";
inline constexpr std::string_view kAddErrorTitle = "shape converter";
inline constexpr std::string_view kRemoveErrorMessage = "Error ";
inline constexpr std::string_view kRemoveErrorTitle = "Converter";
inline constexpr std::string_view kLibraryFullMessage =
    "The shape library is full: it holds 200 shapes. Remove shapes before adding another.";
inline constexpr std::string_view kEmptyShapeNameMessage = "A shape needs a name.";

// Every record of the library in file order; a missing file holds none. A file
// that cannot be read fails with the reason, as does anything but a regular
// file and a file longer than 200 records, which is no library of ours.
Result<std::vector<ShapeRecord>> ReadShapeLibrary(const std::filesystem::path& library);

// A name as the lists show it: lower-cased, then its first character upper-cased.
std::string ShapeDisplayName(std::string_view name);

// The names for the shape list, in file order, as shown; records without a
// name are left out. A missing or unreadable library lists nothing.
std::vector<std::string> ShapeNames(const std::vector<ShapeRecord>& shapes);
std::vector<std::string> ListShapeNames(const std::filesystem::path& library);

// The first record whose name, without outer spaces, equals `name` ignoring
// letter case; nullopt when none does (or the library cannot be read).
std::optional<ShapeRecord> FindShape(const std::filesystem::path& library, std::string_view name);

// The name box's text as the library stores it: outer blanks removed, every
// inner blank made "_", cut to 40 UTF-16 units.
std::string ShapeNameFromBox(std::string_view text);

// Stores the shape under its name (ShapeNameFromBox). A record of the same name
// (letter case ignored) is overwritten in place when `confirmReplace` says so;
// otherwise the add fails with kind Cancelled and kMatchingNameMessage. A new
// name is added at the end, refused when the library is full. The file is
// read and rewritten (through a temporary file, so it is never left
// half-written) under a lock beside it, so programs adding at once all keep
// their shapes. A file error fails with kAddErrorMessage and the error number,
// the library unchanged.
Status AddShape(const std::filesystem::path& library, ShapeRecord shape,
                const std::function<bool()>& confirmReplace);

// The library editor's OK: drops the records whose name, without outer spaces,
// equals one of `names` without outer spaces (letter case counts), and those
// without a name; the others keep their order. Nothing happens when `names` is
// empty. Failures carry kRemoveErrorMessage and the error number.
Status RemoveShapes(const std::filesystem::path& library, const std::vector<std::string>& names);

// Where the master copy and the user's library are looked for.
struct LibraryFolders {
  std::filesystem::path machine;  // the machine-wide data folder
  std::filesystem::path program;  // the program's own data (share/nvxprint)
  std::filesystem::path user;     // the user's data folder
};

// The settings files' folders and the program's data folder.
LibraryFolders DefaultLibraryFolders(const SettingsFiles& files);

// What start-up tells when the library cannot be provided.
inline constexpr std::string_view kNoMachineFolderMessage = "Problem with ProgramData Folder";
inline constexpr std::string_view kNoUserFolderMessage = "Problem with Users AppData Folder";
inline constexpr std::string_view kMasterMissingMessage = "Master Shape.lib Missing";

// Start-up: with "Shape Library" set, nothing is checked. Otherwise a library
// already in the user folder is kept, or the master copy (the machine folder's,
// else the program's) is copied there; its path is stored. Fails with the
// message start-up shows; a missing master copy fails with the code ENOENT,
// which leaves a first import free to start an empty library.
Status ProvisionShapeLibrary(const SettingsFiles& files, const LibraryFolders& folders);

// The library the program works with: "Shape Library", or the user folder's
// shape.lib when that is empty.
std::filesystem::path ShapeLibraryPath(const SettingsFiles& files, const LibraryFolders& folders);

// After a shape was added: stores the library's path in "Shape Library" when
// that is still empty (the first import without a master copy started it).
void RememberShapeLibrary(const SettingsFiles& files, const std::filesystem::path& library);

}  // namespace nvx
