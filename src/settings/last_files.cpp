#include "settings/last_files.h"

#include <algorithm>

#include "platform/readable_file.h"
#include "settings/text_encoding.h"

namespace nvx {
namespace {

constexpr std::size_t kSlotUnits = kLastFileValueUnits + 1;  // the digit, then the value
constexpr std::size_t kSlotBytes = kSlotUnits * 2;
constexpr std::size_t kFileBytes = kSlotBytes * kLastFileSlots;
// Bytes past the six slots are kept, but a file far beyond them is no list of ours.
constexpr std::size_t kMaxLastFileBytes = 64 * 1024;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// The slot's 501 units: digit, value cut to 500 units, blanks after it.
std::u16string SlotUnits(int slot, std::string_view value) {
  std::u16string units = Utf8ToUtf16(value);
  if (units.size() > kLastFileValueUnits) {
    units.resize(kLastFileValueUnits);
    if (IsHighSurrogate(units.back())) units.pop_back();
  }
  units.insert(units.begin(), static_cast<char16_t>(u'0' + slot));
  units.resize(kSlotUnits, u' ');
  return units;
}

void PutUnits(std::string& bytes, std::size_t offset, std::u16string_view units) {
  for (char16_t unit : units) {
    bytes[offset++] = static_cast<char>(unit & 0xFF);
    bytes[offset++] = static_cast<char>(unit >> 8);
  }
}

}  // namespace

std::string ReadLastFile(const std::filesystem::path& folder, int slot) {
  if (slot < 1 || slot > kLastFileSlots) return {};
  const Result<std::string> read =
      platform::ReadRegularFile(folder / kLastFileName, kMaxLastFileBytes);
  const std::string_view bytes = read ? std::string_view(*read) : std::string_view();
  std::size_t start = (slot - 1) * kSlotBytes + 2;
  if (start >= bytes.size()) return {};
  std::string_view raw = std::string_view(bytes).substr(start, kLastFileValueUnits * 2);
  std::u16string units;
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                   (static_cast<unsigned char>(raw[i + 1]) << 8));
  }
  std::size_t last = units.find_last_not_of(u' ');
  units.resize(last == std::u16string::npos ? 0 : last + 1);
  return Utf16ToUtf8(units);
}

Status WriteLastFiles(const std::filesystem::path& folder, std::span<const std::string> paths) {
  std::filesystem::path file = folder / kLastFileName;
  Result<std::string> read = ReadForRewrite(file, kMaxLastFileBytes);
  if (!read) return read.failure();
  std::string& bytes = *read;
  // Every slot is written in full below, so a missing or short file only needs the
  // room; bytes past the six slots stay as they are.
  if (bytes.size() < kFileBytes) bytes.resize(kFileBytes);
  for (int slot = 1; slot <= kRecentFileCount; ++slot) {
    std::string_view value = slot <= static_cast<int>(paths.size())
                                 ? std::string_view(paths[slot - 1])
                                 : std::string_view();
    PutUnits(bytes, (slot - 1) * kSlotBytes, SlotUnits(slot, value));
  }
  std::string folderOfLatest =
      paths.empty() ? std::string() : std::filesystem::path(paths[0]).parent_path().string();
  PutUnits(bytes, (kLastFileSlots - 1) * kSlotBytes, SlotUnits(kLastFileSlots, folderOfLatest));
  return ReplaceFileContents(file, bytes);
}

std::vector<std::string> ReadRecentFiles(const std::filesystem::path& folder) {
  std::vector<std::string> paths;
  for (int slot = 1; slot <= kRecentFileCount; ++slot) {
    std::string path = ReadLastFile(folder, slot);
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

Status RememberRecentFile(const std::filesystem::path& folder, const std::string& path) {
  std::vector<std::string> paths{path};
  for (std::string& p : ReadRecentFiles(folder)) {
    if (p != path) paths.push_back(std::move(p));
  }
  paths.resize(std::min<std::size_t>(paths.size(), kRecentFileCount));
  return WriteLastFiles(folder, paths);
}

}  // namespace nvx
