#pragma once

#include <span>
#include <string_view>

#include "lang/text_table.h"

namespace nvx {

// One entry of the "Media Type" list: its text-table entry and the media code
// stored with it.
struct MediaEntry {
  int textEntry;
  int mediaCode;
};

// The media list in the order the main window shows it.
std::span<const MediaEntry> MediaList();

// The stored media code of the list entry with this text, or 0 when none matches.
int MediaCodeForText(const TextTable& text, std::string_view mediaText);

}  // namespace nvx
