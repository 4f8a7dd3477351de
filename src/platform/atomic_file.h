#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "base/result.h"
#include "platform/byte_sink.h"

namespace nvx::platform {

// Replaces the regular file `file` with the pieces written one after another,
// through a temporary file in the same folder (flushed to disk, then renamed),
// so a crash leaves either the old file or the new one, never half of it. A
// symbolic link is followed and stays a link: its target is replaced (created
// when the link dangles). The old file's mode and owner are kept, a new file
// gets the usual mode under the umask. A file whose mode lets no one write
// counts as read-only even for root. Anything but a regular file in its place
// (a device, a FIFO, a directory) is refused and left alone. The temporary file
// has no name until it is complete, where the file system allows; temporaries
// that killed programs left beside the file (untouched for a minute) are
// removed. A failure's code is the errno of what failed (EINVAL for a place
// that holds no regular file).
Status ReplaceFile(const std::filesystem::path& file, std::span<const std::string_view> pieces);

// Writes an output the user named: "-" is standard output; a device or a FIFO
// (a printer's port, a pipe to a program) is written straight through, as a
// shell redirection would; anything else is replaced as ReplaceFile does.
// Fails with the system's reason and its errno.
Status WriteOutputFile(const std::filesystem::path& target,
                       std::span<const std::string_view> pieces);
// The same for pieces that write themselves: a piece that stops part-way
// (its sink refused, or it failed) leaves any file as it was.
Status WriteOutputFile(const std::filesystem::path& target, std::span<const PieceWriter> pieces);

// True when WriteOutputFile writes `target` straight through: standard output,
// an existing device or FIFO. Such an output cannot be read back.
bool IsStreamOutput(const std::filesystem::path& target);

}  // namespace nvx::platform
