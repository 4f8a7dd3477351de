#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "base/result.h"
#include "platform/byte_sink.h"

namespace nvx::platform {

// Sends the pieces, one after another and unchanged, as the one raw document of
// a new job on the CUPS queue `queue` (the name is used whole). The server is
// the one CUPS clients use: $CUPS_SERVER, else client.conf, else the local one.
// `beforePiece(i)` runs just before piece i is written. Succeeds when the
// server has the whole document, else fails with the reason; a job that was
// already created is cancelled, so nothing half-sent stays queued.
Status SendRawDocument(std::string_view queue, std::string_view documentName,
                       std::span<const std::string_view> pieces,
                       const std::function<void(std::size_t)>& beforePiece = {});
// The same for pieces that write themselves as they are sent; a piece that
// stops part-way cancels the job like a failed write.
Status SendRawDocument(std::string_view queue, std::string_view documentName,
                       std::span<const PieceWriter> pieces,
                       const std::function<void(std::size_t)>& beforePiece = {});

// The server jobs go to, as the user would name it: "host:port" or the socket path.
std::string PrintServerName();

// The raw command sender: the bytes and a closing 0x04 as one raw document
// named "Duo print". No progress, no status; fails as SendRawDocument.
Status SendRawCommand(std::string_view queue, std::string_view bytes);

}  // namespace nvx::platform
