#include "platform/cups_spooler.h"

#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/spool_bytes.h"

namespace nvx::platform {
namespace {

using Connection = std::unique_ptr<http_t, decltype(&httpClose)>;
using IppMessage = std::unique_ptr<ipp_t, decltype(&ippDelete)>;

constexpr int kConnectTimeoutMs = 30000;
constexpr std::string_view kRawCommandDocumentName = "Duo print";

bool Failed(ipp_status_t status) { return status > IPP_STATUS_OK_EVENTS_COMPLETE; }

std::string LastCupsError() {
  const char* text = cupsLastErrorString();
  return text && *text ? text : ippErrorString(cupsLastError());
}

std::string UnreachableServer() {
  return "cannot reach the print server " + PrintServerName() + " (is CUPS running there?)";
}

// Each job gets its own connection: a document cut off half-way is dropped
// with it, and the cancel then goes over a fresh one.
Connection Connect(std::string& error) {
  Connection http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                               kConnectTimeoutMs, nullptr),
                  &httpClose);
  // libcups keeps no usable reason here: errno is gone by the time it returns.
  if (!http) error = UnreachableServer();
  return http;
}

// A stopped queue would accept the job and keep it, so the user would be told
// the page went out while it waits: refuse such queues before creating a job.
std::string CheckQueue(http_t* http, const std::string& queue) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", ippPort(),
                   "/printers/%s", queue.c_str());
  static const char* const kWanted[] = {"printer-state", "printer-is-accepting-jobs",
                                        "printer-state-message"};
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                std::size(kWanted), nullptr, kWanted);
  IppMessage response(cupsDoRequest(http, request, "/"), &ippDelete);
  if (!response || Failed(cupsLastError())) return LastCupsError();

  std::string reason;
  if (ipp_attribute_t* message =
          ippFindAttribute(response.get(), "printer-state-message", IPP_TAG_TEXT)) {
    if (const char* text = ippGetString(message, 0, nullptr); text && *text) {
      reason = std::string(" (") + text + ")";
    }
  }
  ipp_attribute_t* state = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM);
  if (state && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED) {
    return "the printer is disabled" + reason;
  }
  ipp_attribute_t* accepting =
      ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
  if (accepting && !ippGetBoolean(accepting, 0))
    return "the printer is not accepting jobs" + reason;
  return {};
}

std::string WriteDocument(http_t* http, const std::string& queue, int jobId,
                          const std::string& documentName, std::span<const PieceWriter> pieces,
                          const std::function<void(std::size_t)>& beforePiece) {
  if (cupsStartDocument(http, queue.c_str(), jobId, documentName.c_str(), CUPS_FORMAT_RAW, 1) !=
      HTTP_STATUS_CONTINUE) {
    return LastCupsError();
  }
  bool refused = false;
  auto send = [http, &refused](std::string_view bytes) {
    refused = !bytes.empty() &&
              cupsWriteRequestData(http, bytes.data(), bytes.size()) != HTTP_STATUS_CONTINUE;
    return !refused;
  };
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (beforePiece) beforePiece(i);
    // A piece stops without a refused write only when there is no memory to make its bytes.
    if (!pieces[i](send)) return refused ? LastCupsError() : std::strerror(ENOMEM);
  }
  if (Failed(cupsFinishDocument(http, queue.c_str()))) return LastCupsError();
  return {};
}

void CancelJob(const std::string& queue, int jobId) {
  std::string ignored;
  if (Connection http = Connect(ignored)) cupsCancelJob2(http.get(), queue.c_str(), jobId, 0);
}

}  // namespace

std::string PrintServerName() {
  const std::string server = cupsServer();
  return server.starts_with('/') ? server : server + ":" + std::to_string(ippPort());
}

namespace {

std::string SendPieces(std::string_view queueName, std::string_view documentNameText,
                       std::span<const PieceWriter> pieces,
                       const std::function<void(std::size_t)>& beforePiece) {
  const std::string queue(queueName);
  const std::string documentName(documentNameText);
  std::string error;
  Connection http = Connect(error);
  if (!http) return error;
  error = CheckQueue(http.get(), queue);
  if (!error.empty()) return error;

  int jobId = cupsCreateJob(http.get(), queue.c_str(), documentName.c_str(), 0, nullptr);
  if (jobId <= 0) return LastCupsError();
  error = WriteDocument(http.get(), queue, jobId, documentName, pieces, beforePiece);
  if (!error.empty()) {
    http.reset();
    CancelJob(queue, jobId);
  }
  return error;
}

}  // namespace

Status SendRawDocument(std::string_view queue, std::string_view documentName,
                       std::span<const std::string_view> pieces,
                       const std::function<void(std::size_t)>& beforePiece) {
  return SendRawDocument(queue, documentName, PieceWriters(pieces), beforePiece);
}

Status SendRawDocument(std::string_view queue, std::string_view documentName,
                       std::span<const PieceWriter> pieces,
                       const std::function<void(std::size_t)>& beforePiece) {
  const std::string error = SendPieces(queue, documentName, pieces, beforePiece);
  if (!error.empty()) return Fail(error);
  return {};
}

Status SendRawCommand(std::string_view queue, std::string_view bytes) {
  const std::string_view pieces[] = {bytes, kEndOfJobPiece};
  return SendRawDocument(queue, kRawCommandDocumentName, pieces);
}

}  // namespace nvx::platform
