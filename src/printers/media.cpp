#include "printers/media.h"

#include <array>

#include "base/text.h"

namespace nvx {
namespace {

// The "Media Type" list in display order: text-table entry and stored media code.
// The codes of the transfer media are only a first guess; the job writer derives
// the printer's media code again from the list text.
constexpr std::array<MediaEntry, 27> kMedia{{
    {101, 1},  {114, 13}, {115, 14}, {194, 15}, {198, 16}, {117, 17}, {119, 18},
    {142, 19}, {256, 28}, {257, 29}, {118, 20}, {195, 21}, {116, 22}, {120, 23},
    {113, 24}, {141, 25}, {102, 2},  {103, 3},  {104, 4},  {105, 5},  {106, 6},
    {107, 7},  {108, 8},  {109, 9},  {110, 10}, {111, 11}, {112, 12},
}};

}  // namespace

std::span<const MediaEntry> MediaList() { return kMedia; }

int MediaCodeForText(const TextTable& text, std::string_view mediaText) {
  if (Trim(mediaText).empty()) return 0;
  for (const MediaEntry& entry : kMedia) {
    if (EqualsIgnoreCase(text[entry.textEntry], mediaText)) return entry.mediaCode;
  }
  return 0;
}

}  // namespace nvx
