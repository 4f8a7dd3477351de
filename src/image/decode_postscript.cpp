#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "image/byte_reader.h"
#include "image/decode_vector.h"
#include "platform/program_run.h"

// EPS and PostScript through Ghostscript, run as a program with -dSAFER from
// this (already limited) process: it renders the page onto transparent paper
// as a PNG in memory, which the PNG decoder reads back.
namespace nvx {
namespace {

constexpr std::string_view kGhostscript = "gs";
// Header comments are in the first lines; a box "(atend)" is not looked for.
constexpr std::size_t kHeaderBytes = 64 * 1024;

struct PostScriptHeader {
  bool eps = false;
  int pages = 1;
  bool pagesStated = false;                        // by a %%Pages comment; else they are counted
  std::optional<std::pair<double, double>> boxPt;  // %%BoundingBox width and height
};

// The PostScript part of a DOS EPS file (binary header C5D0D3C6, then its
// offset and length), or the whole file.
std::string_view PostScriptPart(std::string_view bytes) {
  if (!bytes.starts_with("\xc5\xd0\xd3\xc6")) return bytes;
  const ByteReader file{bytes, false};
  const std::optional<std::uint32_t> offset = file.U32(4);
  const std::optional<std::uint32_t> length = file.U32(8);
  if (!offset || !length || *offset > bytes.size()) return {};
  return bytes.substr(*offset, *length);
}

std::optional<std::pair<double, double>> ParseBox(std::string_view text) {
  double box[4];
  std::string copy(text.substr(0, text.find_first_of("\r\n")));
  const char* at = copy.c_str();
  for (double& value : box) {
    char* end = nullptr;
    value = std::strtod(at, &end);
    if (end == at) return std::nullopt;
    at = end;
  }
  return std::make_pair(box[2] - box[0], box[3] - box[1]);
}

PostScriptHeader ReadHeader(std::string_view postscript) {
  PostScriptHeader header;
  const std::string_view head = postscript.substr(0, kHeaderBytes);
  const std::string_view firstLine = head.substr(0, head.find_first_of("\r\n"));
  header.eps = firstLine.find("EPSF") != std::string_view::npos;
  constexpr std::string_view kBox = "%%BoundingBox:";
  constexpr std::string_view kPages = "%%Pages:";
  if (std::size_t at = head.find(kBox); at != head.npos)
    header.boxPt = ParseBox(head.substr(at + kBox.size()));
  if (std::size_t at = head.find(kPages); at != head.npos && !header.eps) {
    std::string_view rest = head.substr(at + kPages.size());
    while (rest.starts_with(' ')) rest.remove_prefix(1);
    const std::optional<long long> pages =
        ParseWholeNumber(rest.substr(0, rest.find_first_of(" \r\n")));
    if (pages && *pages > 0 && *pages < 1'000'000) {
      header.pages = static_cast<int>(*pages);
      header.pagesStated = true;
    }
  }
  return header;
}

// A file in memory that Ghostscript opens by its /dev/fd name: the artwork
// and the page never touch the disk, and nothing is left behind when this
// process is ended midway.
class MemoryFile {
 public:
  explicit MemoryFile(const char* name) : fd_(::memfd_create(name, 0)) {}
  ~MemoryFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  bool Ok() const { return fd_ >= 0; }
  std::string Name() const { return "/dev/fd/" + std::to_string(fd_); }

  bool Write(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }
  std::optional<std::string> ReadAll() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || info.st_size <= 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got =
          ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return std::nullopt;
      done += static_cast<std::size_t>(got);
    }
    return bytes;
  }

 private:
  int fd_;
};

// Runs Ghostscript and waits for it; it dies with this process. What it says
// goes to `messages` when one is given.
bool RunGhostscript(const std::vector<std::string>& arguments,
                    const MemoryFile* messages = nullptr) {
  platform::ProgramRun run;
  run.arguments = arguments;
  if (messages) run.output = messages->Name();
  run.diesWithStarter = true;
  return platform::RunProgram(run) == platform::ProgramEnd::Succeeded;
}

std::vector<std::string> GhostscriptArguments(const PostScriptHeader& header,
                                              const RenderRequest& request,
                                              const MemoryFile& artwork, const MemoryFile& page) {
  std::vector<std::string> arguments{std::string(kGhostscript),
                                     "-q",
                                     "-dSAFER",
                                     "-dBATCH",
                                     "-dNOPAUSE",
                                     "-sDEVICE=pngalpha",
                                     "-r" + std::to_string(request.dpi),
                                     "-dTextAlphaBits=4",
                                     "-dGraphicsAlphaBits=4",
                                     "-dFirstPage=" + std::to_string(request.page),
                                     "-dLastPage=" + std::to_string(request.page),
                                     "-sOutputFile=" + page.Name()};
  if (header.eps) arguments.push_back("-dEPSCrop");
  arguments.push_back(artwork.Name());
  return arguments;
}

// The pages of a PostScript file that does not say how many it has: the bbox
// device draws nothing and reports one bounding box per page. Nothing when
// Ghostscript could not run the file.
std::optional<int> CountPages(const MemoryFile& artwork) {
  const MemoryFile boxes("boxes");
  if (!boxes.Ok()) return std::nullopt;
  const std::vector<std::string> arguments{
      std::string(kGhostscript), "-q",          "-dSAFER", "-dBATCH", "-dNOPAUSE",
      "-sDEVICE=bbox",           artwork.Name()};
  if (!RunGhostscript(arguments, &boxes)) return std::nullopt;
  const std::string text = boxes.ReadAll().value_or(std::string());
  constexpr std::string_view kBox = "%%BoundingBox:";
  int pages = 0;
  for (std::size_t at = text.find(kBox); at != text.npos && pages < 1'000'000;
       at = text.find(kBox, at + 1)) {
    if (at == 0 || text[at - 1] == '\n') ++pages;
  }
  return pages;
}

// The file's pages, counted when it does not say, then `page` among them.
Status FindPage(PostScriptHeader& header, const MemoryFile& artwork, int page) {
  if (!header.eps && !header.pagesStated) {
    const std::optional<int> counted = CountPages(artwork);
    if (!counted) return Fail("Ghostscript could not render the file.");
    if (*counted == 0) return Fail("The file draws no page.");
    header.pages = *counted;
  }
  if (page <= header.pages) return {};
  return Fail("The file has " + std::to_string(header.pages) + " page" +
              (header.pages == 1 ? "" : "s") + "; there is no page " + std::to_string(page) + ".");
}

}  // namespace

Result<RenderedPage> RenderPostScript(std::string_view bytes, const RenderRequest& request,
                                      const PixelSink& sink) {
  const std::string_view postscript = PostScriptPart(bytes);
  if (!postscript.starts_with("%!")) return Fail("The file holds no PostScript.");
  PostScriptHeader header = ReadHeader(postscript);
  // A box is checked before Ghostscript reads anything; a page without one is
  // checked when it is back, within the renderer's memory and time limits.
  if (header.boxPt) {
    Result<PagePixels> pixels =
        PagePixelsFor(header.boxPt->first, header.boxPt->second, request.dpi);
    if (!pixels) return pixels.failure();
  }
  const MemoryFile artwork("artwork");
  const MemoryFile page("page");
  if (!artwork.Ok() || !page.Ok() || !artwork.Write(postscript))
    return Fail("There is no room for the file's page.");
  if (Status found = FindPage(header, artwork, request.page); !found) return found.failure();
  RenderedPage rendered;
  rendered.pageCount = header.pages;
  if (!RunGhostscript(GhostscriptArguments(header, request, artwork, page)))
    return Fail("Ghostscript could not render the file.");
  std::optional<std::string> png = page.ReadAll();
  if (!png) return Fail("Ghostscript rendered no page.");
  const std::optional<DeclaredSize> size = ReadDeclaredSize(ImageFormat::Png, *png);
  if (size && size->Pixels() > kMaxImagePixels) return OutOfMemory(std::string(kPageTooLargeText));
  Result<DecodedImage> image = DecodePng(*png, sink);
  if (!image) return image.failure();
  rendered.image = *image;
  const bool boxGivesSize =
      header.eps && header.boxPt && header.boxPt->first > 0 && header.boxPt->second > 0;
  rendered.widthPt = boxGivesSize ? header.boxPt->first : image->width * 72.0 / request.dpi;
  rendered.heightPt = boxGivesSize ? header.boxPt->second : image->height * 72.0 / request.dpi;
  return rendered;
}

}  // namespace nvx
