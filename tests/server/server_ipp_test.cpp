// The printer application as clients meet it: a private cupsd's driverless
// queue ("-m everywhere") and direct IPP requests, all on loopback, with a
// listener standing in for the printer.

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <regex>
#include <thread>

#include "platform/cups_server.h"
#include "support/command.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/vector_artwork.h"

namespace nvx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kPhoto = NVX_TEST_DATA_DIR "/images/png150.png";
const std::string kTruncated = NVX_TEST_DATA_DIR "/images/truncated.png";
constexpr const char* kPrinter = "nvx-foil";

// nvxprint-server on a loopback port, its folders in `folder`, printing to
// `printerPort`; `options` go to its server command.
class PrinterApplication {
 public:
  explicit PrinterApplication(int printerPort, std::vector<std::string> options = {})
      : options_(std::move(options)) {
    port_ = FreeLoopbackPort();
    Start();
    EXPECT_EQ(Run("add", {"-d", kPrinter, "-v", "socket://127.0.0.1:" + std::to_string(printerPort),
                          "-m", "oki_c711wt", "-o", "preset=Foil"}),
              0)
        << Log();
  }
  ~PrinterApplication() { Stop(); }

  // Stops the server and starts it again on the same folders and port.
  void Restart() {
    Stop();
    Start();
  }
  // Ends the server at once, as a crash or a power cut would.
  void Kill() {
    ::kill(pid_, SIGKILL);
    WaitForProcess(pid_);
  }

  std::string Uri() const {
    return "ipp://127.0.0.1:" + std::to_string(port_) + "/ipp/print/" + kPrinter;
  }
  int Port() const { return port_; }
  std::string Log() const { return ReadFileBytes(folder_ / "server.log"); }
  const TempFolder& folder() const { return folder_; }

  void Start() {
    std::vector<std::string> args{"-o", "server-port=" + std::to_string(port_),
                                  "-o", "log-level=debug",
                                  "-o", "log-file=" + (folder_ / "server.log").string()};
    args.insert(args.end(), options_.begin(), options_.end());
    pid_ = StartProcess(Command("server", args), Environment(), folder_ / "server.out",
                        folder_ / "server.out");
    for (auto deadline = std::chrono::steady_clock::now() + 30s;
         !Answers() && std::chrono::steady_clock::now() < deadline;)
      std::this_thread::sleep_for(50ms);
  }

 private:
  void Stop() {
    Run("shutdown", {});
    if (WaitForProcessWithin(pid_, 10) == -1) ADD_FAILURE() << "the server did not shut down";
  }
  std::vector<std::string> Command(const std::string& verb, std::vector<std::string> args) const {
    std::vector<std::string> argv{NVX_SERVER, verb};
    for (const char* place : {"state", "spool", "socket"}) {
      argv.insert(argv.end(),
                  {"-o", std::string(place) + "-directory=" + (folder_ / place).string()});
    }
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
  std::vector<std::string> Environment() const {
    std::vector<std::string> env = IsolatedEnv(folder_ / "home", NVX_SHARE_DIR);
    env.push_back("HOME=" + (folder_ / "home").string());
    return env;
  }
  int Run(const std::string& verb, const std::vector<std::string>& args) const {
    return WaitForProcessWithin(StartProcess(Command(verb, args), Environment(),
                                             folder_ / "tool.out", folder_ / "tool.out"),
                                60);
  }
  bool Answers() const {
    http_t* http =
        httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 1000, nullptr);
    if (http) httpClose(http);
    return http != nullptr;
  }

  TempFolder folder_;
  std::vector<std::string> options_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// The jobs that reached the printer with bytes, once `count` have: a job that
// fails after its device was opened leaves an empty connection, no print.
std::vector<std::string> Printed(SocketListener& printer, std::size_t count) {
  std::vector<std::string> jobs;
  for (auto deadline = std::chrono::steady_clock::now() + 120s;
       std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(50ms)) {
    jobs = printer.Jobs();
    std::erase_if(jobs, [](const std::string& job) { return job.empty(); });
    if (jobs.size() >= count) break;
  }
  return jobs;
}

// What `nvxprint print --to` makes of the file with the printer's preset,
// after the `nvxprint` command `before` when one is given.
std::string Reference(const std::string& file, std::vector<std::string> options = {},
                      const std::vector<std::string>& before = {}) {
  TempFolder home;
  if (!before.empty()) {
    CliResult done = RunNvxprint(before, IsolatedEnv(home.path(), NVX_SHARE_DIR));
    EXPECT_EQ(done.status, 0) << done.err;
  }
  std::vector<std::string> args{"print",   file,     "--to",     (home / "job").string(),
                                "--model", "C711WT", "--preset", "Foil"};
  args.insert(args.end(), options.begin(), options.end());
  CliResult made = RunNvxprint(args, IsolatedEnv(home.path(), NVX_SHARE_DIR));
  EXPECT_EQ(made.status, 0) << made.err;
  return ReadFileBytes(home / "job");
}

class ServerIpp : public testing::Test {
 protected:
  SocketListener printer;
  PrinterApplication server{printer.port()};
};

class ServerThroughCups : public ServerIpp {
 protected:
  CupsServer cups;
  TempFolder work;

  void SetUp() override {
    if (std::string why = cups.Start(); !why.empty()) GTEST_SKIP() << why;
    cups.AddQueue("shop", server.Uri(), "everywhere");
    // cupsd asks the printer and writes the queue's PPD after lpadmin returns.
    for (auto deadline = std::chrono::steady_clock::now() + 30s;
         cups.Ppd("shop").empty() && std::chrono::steady_clock::now() < deadline;)
      std::this_thread::sleep_for(50ms);
    ASSERT_FALSE(cups.Ppd("shop").empty()) << cups.Log();
  }

  void Lp(const std::string& file, const std::vector<std::string>& options = {}) {
    std::vector<std::string> argv{NVX_LP, "-h", cups.Address(), "-d", "shop"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(file);
    ASSERT_EQ(WaitForProcessWithin(StartProcess(argv, {}, work / "lp.out", work / "lp.out"), 30), 0)
        << ReadFileBytes(work / "lp.out");
  }
};

// A queue sends a PDF as CUPS's pdftopdf filter rewrites it for the queue's
// paper: the artwork centred on the page.
fs::path AsCupsSendsIt(const fs::path& pdf, const std::string& ppd) {
  const fs::path ppdFile = pdf.string() + ".ppd";
  const fs::path sent = pdf.parent_path() / "sent" / pdf.filename();
  fs::create_directories(sent.parent_path());
  WriteFileBytes(ppdFile, ppd);
  const fs::path log = pdf.string() + ".log";
  const int status = WaitForProcessWithin(
      StartProcess(
          {"/bin/sh", "-c",
           std::string(NVX_CUPS_SERVERBIN) + "/filter/pdftopdf 1 test " + pdf.filename().string() +
               " 1 '' \"" + pdf.string() + "\" > \"" + sent.string() + "\""},
          {"PPD=" + ppdFile.string(), "CONTENT_TYPE=application/pdf",
           "FINAL_CONTENT_TYPE=application/vnd.cups-pdf"},
          log, log),
      30);
  EXPECT_EQ(status, 0) << ReadFileBytes(log);
  return sent;
}

TEST_F(ServerThroughCups, ImageAndPdfArriveAsNvxprintMakesThem) {
  const fs::path photo = work / "photo.png";
  fs::copy_file(kPhoto, photo);
  const fs::path pdf = work / "artwork.pdf";
  ASSERT_TRUE(WritePdf(pdf, CirclePages({"1 0 0"})));
  Lp(photo.string());
  Lp(pdf.string());
  // The paper and the copies as a print dialog sets them, and a size of the
  // user's own, printed on as on a custom paper size of that size.
  Lp(photo.string(), {"-n", "2", "-o", "media=A5"});
  Lp(photo.string(), {"-o", "media=Custom.100x150mm"});
  std::vector<std::string> jobs = Printed(printer, 4);
  ASSERT_EQ(jobs.size(), 4u) << server.Log() << cups.Log();
  EXPECT_TRUE(jobs[0] == Reference(photo.string())) << "the PNG job differs";
  EXPECT_TRUE(jobs[2] == Reference(photo.string(), {"--paper", "A5 SEF", "--copies", "2"}))
      << "the paper or the copies did not arrive";
  EXPECT_TRUE(jobs[3] == Reference(photo.string(), {"--paper", "Custom 100x150mm"},
                                   {"paper", "add", "Custom 100x150mm", "--width", "100",
                                    "--height", "150", "--unit", "mm", "--model", "C711WT"}))
      << "the custom size did not arrive";
  EXPECT_TRUE(jobs[1] == Reference(AsCupsSendsIt(pdf, cups.Ppd("shop")).string()))
      << "the PDF job differs";
}

// The media types as the queue's PPD offers them, in the printer's order.
std::vector<std::string> PpdMediaTypes(const std::string& ppd) {
  std::vector<std::string> choices;
  const std::regex line(R"(\*MediaType ([^/:]+)[/:])");
  for (auto it = std::sregex_iterator(ppd.begin(), ppd.end(), line); it != std::sregex_iterator();
       ++it)
    choices.push_back((*it)[1]);
  return choices;
}

TEST_F(ServerThroughCups, EveryMediaTypeRoundTripsAndJobsArriveInOrder) {
  const std::vector<std::string> choices = PpdMediaTypes(cups.Ppd("shop"));
  ASSERT_EQ(choices.size(), 27u) << cups.Ppd("shop");
  const fs::path photo = work / "photo.png";
  fs::copy_file(kPhoto, photo);
  for (const std::string& choice : choices) Lp(photo.string(), {"-o", "MediaType=" + choice});
  std::vector<std::string> jobs = Printed(printer, choices.size());
  ASSERT_EQ(jobs.size(), choices.size()) << server.Log();
  // The media list's texts in order, as `nvxprint print --media` takes them.
  const std::vector<std::string> media{"Printer Setting",  "KTC3.1",        "KTC3.1+",
                                       "P.Uno White",      "P.Foil",        "UBM5.4",
                                       "Duo7.8 mSheet",    "Duo7.8 tSheet", "Nivalux QTT Paper",
                                       "Nivalux QTT Film", "ZPM6.2",        "HST 9.1",
                                       "QDT4.5",           "YRD8.1",        "Dermafilm 2.1",
                                       "All GPF",          "Light",         "Medium Light",
                                       "Medium (",         "Heavy",         "Ultra Heavy 1",
                                       "Ultra Heavy 2",    "Ultra Heavy 3", "Labels 1",
                                       "Labels 2",         "Glossy",        "Films"};
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_TRUE(jobs[i] == Reference(photo.string(), {"--media", media[i]}))
        << choices[i] << " did not arrive as " << media[i];
  }
}

http_t* Connect(const std::string& uri) {
  char scheme[32], user[64], host[256], resource[256];
  int port = 0;
  httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof(scheme), user, sizeof(user),
                  host, sizeof(host), &port, resource, sizeof(resource));
  return httpConnect2(host, port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 30000, nullptr);
}

// A Print-Job request straight to the server, as a program that speaks IPP sends it.
int PrintJob(const std::string& uri, const std::string& file, const std::string& format,
             const std::function<void(ipp_t*)>& attributes = {}) {
  http_t* http = Connect(uri);
  if (!http) return 0;
  ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "test");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
               fs::path(file).filename().c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
               format.c_str());
  if (attributes) attributes(request);
  ipp_t* response = cupsDoFileRequest(http, request, "/ipp/print/nvx-foil", file.c_str());
  const int id = ippGetInteger(ippFindAttribute(response, "job-id", IPP_TAG_INTEGER), 0);
  ippDelete(response);
  httpClose(http);
  return id;
}

struct JobEnd {
  ipp_jstate_t state = IPP_JSTATE_PENDING;
  std::string reasons;
};

JobEnd JobStatus(const std::string& uri, int id) {
  JobEnd end;
  http_t* http = Connect(uri);
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id);
  ipp_t* response = cupsDoRequest(http, request, "/ipp/print/nvx-foil");
  end.state = static_cast<ipp_jstate_t>(
      ippGetInteger(ippFindAttribute(response, "job-state", IPP_TAG_ENUM), 0));
  char reasons[1024] = "";
  ippAttributeString(ippFindAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD), reasons,
                     sizeof(reasons));
  end.reasons = reasons;
  ippDelete(response);
  httpClose(http);
  return end;
}

// The job's status once it has reached `state` or gone past it, or after a minute.
JobEnd WaitForJobState(const std::string& uri, int id, ipp_jstate_t state) {
  JobEnd end;
  for (auto deadline = std::chrono::steady_clock::now() + 60s;
       std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(100ms)) {
    end = JobStatus(uri, id);
    if (end.state >= state) break;
  }
  return end;
}

JobEnd WaitForJobEnd(const std::string& uri, int id) {
  return WaitForJobState(uri, id, IPP_JSTATE_CANCELED);
}

// One request to the printer; the response (the caller deletes it).
ipp_t* Request(const std::string& uri, ipp_op_t operation,
               const std::function<void(ipp_t*)>& attributes) {
  http_t* http = Connect(uri);
  ipp_t* request = ippNewRequest(operation);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "test");
  attributes(request);
  ipp_t* response = cupsDoRequest(http, request, "/ipp/print/nvx-foil");
  httpClose(http);
  return response;
}

TEST_F(ServerIpp, ClientsThatNameTheWhiteSettingsSeeThemWithThePresetsDefaults) {
  ipp_t* response = Request(server.Uri(), IPP_OP_GET_PRINTER_ATTRIBUTES, [](ipp_t* request) {
    const char* names[] = {"job-creation-attributes-supported", "white-threshold-supported",
                           "white-threshold-default", "toner-order-supported"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 4, nullptr,
                  names);
  });
  EXPECT_TRUE(ippContainsString(
      ippFindAttribute(response, "job-creation-attributes-supported", IPP_TAG_KEYWORD),
      "white-density"));
  EXPECT_EQ(ippGetRange(ippFindAttribute(response, "white-threshold-supported", IPP_TAG_RANGE), 0,
                        nullptr),
            0);
  // The Foil preset's threshold, not the program's 50.
  EXPECT_EQ(
      ippGetInteger(ippFindAttribute(response, "white-threshold-default", IPP_TAG_INTEGER), 0), 10);
  EXPECT_EQ(ippGetCount(ippFindAttribute(response, "toner-order-supported", IPP_TAG_KEYWORD)),
            1);  // the C711WT prints white last only
  ippDelete(response);
  // Clients that ask for everything see them too: no list, "all", "all" with
  // more names as CUPS asks, and the groups they belong to.
  const std::vector<std::vector<const char*>> lists{
      {}, {"all"}, {"all", "media-col-database"}, {"printer-description"}, {"job-template"}};
  for (const std::vector<const char*>& names : lists) {
    response = Request(server.Uri(), IPP_OP_GET_PRINTER_ATTRIBUTES, [&names](ipp_t* request) {
      if (!names.empty())
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(names.size()), nullptr, names.data());
    });
    const std::string list = names.empty() ? "none" : names.front();
    EXPECT_NE(ippFindAttribute(response, "white-density-default", IPP_TAG_INTEGER), nullptr)
        << list << " (" << names.size() << " names)";
    EXPECT_NE(ippFindAttribute(response, "toner-order-supported", IPP_TAG_KEYWORD), nullptr)
        << list << " (" << names.size() << " names)";
    ippDelete(response);
  }
}

TEST_F(ServerIpp, AJobsWhiteSettingsWinAndThePrintersDefaultsFillTheRest) {
  ippDelete(Request(server.Uri(), IPP_OP_SET_PRINTER_ATTRIBUTES, [](ipp_t* request) {
    ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "white-threshold-default", 70);
  }));
  ASSERT_EQ(cupsLastError(), IPP_STATUS_OK) << cupsLastErrorString();
  const int id = PrintJob(server.Uri(), kPhoto, "image/png", [](ipp_t* request) {
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "white-density", 40);
    ippAddBoolean(request, IPP_TAG_JOB, "mirror", 1);
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "copies", 2);
  });
  ASSERT_GT(id, 0) << cupsLastErrorString();
  std::vector<std::string> jobs = Printed(printer, 1);
  ASSERT_EQ(jobs.size(), 1u) << server.Log();
  EXPECT_TRUE(jobs[0] == Reference(kPhoto, {"--white-density", "40", "--white-threshold", "70",
                                            "--mirror", "--copies", "2"}));
}

TEST_F(ServerIpp, ARestartedServerKeepsItsPrinterAndItsDefaults) {
  ippDelete(Request(server.Uri(), IPP_OP_SET_PRINTER_ATTRIBUTES, [](ipp_t* request) {
    ippAddBoolean(request, IPP_TAG_PRINTER, "mirror-default", 1);
  }));
  server.Restart();
  ASSERT_GT(PrintJob(server.Uri(), kPhoto, "image/png"), 0) << cupsLastErrorString();
  std::vector<std::string> jobs = Printed(printer, 1);
  ASSERT_EQ(jobs.size(), 1u) << server.Log();
  EXPECT_TRUE(jobs[0] == Reference(kPhoto, {"--mirror"}));
}

TEST_F(ServerIpp, AHostileFileFailsItsJobOnlyAndTheNextJobPrints) {
  const int hostile = PrintJob(server.Uri(), kTruncated, "image/png");
  ASSERT_GT(hostile, 0) << cupsLastErrorString();
  const JobEnd end = WaitForJobEnd(server.Uri(), hostile);
  EXPECT_EQ(end.state, IPP_JSTATE_ABORTED);
  EXPECT_NE(end.reasons.find("aborted-by-system"), std::string::npos) << end.reasons;
  ASSERT_GT(PrintJob(server.Uri(), kPhoto, "image/png"), 0);
  std::vector<std::string> jobs = Printed(printer, 1);
  ASSERT_EQ(jobs.size(), 1u) << server.Log();
  EXPECT_TRUE(jobs[0] == Reference(kPhoto));
}

// Ghostscript draws a page of flat colours at 300 dpi into the given device's
// file: no edges to smooth, so that every device gives the same pixels.
bool Draw(const std::string& device, const fs::path& out, std::vector<std::string> extra = {}) {
  const fs::path source = out.string() + ".ps";
  WriteFileBytes(source,
                 "%!PS\n<< /PageSize [144 72] >> setpagedevice\n"
                 "1 0 0 setrgbcolor 0 0 72 72 rectfill 0 0 1 setrgbcolor 72 0 72 72 rectfill "
                 "showpage\n");
  std::vector<std::string> argv{
      NVX_GS, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=" + device, "-r300"};
  argv.insert(argv.end(), extra.begin(), extra.end());
  argv.insert(argv.end(), {"-sOutputFile=" + out.string(), source.string()});
  return WaitForProcess(StartProcess(argv, {}, out.string() + ".log", out.string() + ".log")) == 0;
}

// What driverless clients send (PWG raster; Apple raster from AirPrint)
// prints as the same picture sent as PNG.
TEST_F(ServerIpp, ARasterPagePrintsAsThePictureItHolds) {
  TempFolder work;
  const fs::path picture = work / "artwork.png";
  ASSERT_TRUE(Draw("png16m", picture));
  struct Raster {
    const char* device;
    const char* format;
    std::vector<std::string> options;
  };
  const Raster rasters[] = {
      {"pwgraster", "image/pwg-raster", {"-dcupsColorSpace=19", "-dcupsBitsPerColor=8"}},
      {"appleraster", "image/urf", {"-dcupsColorSpace=19", "-dcupsBitsPerColor=8"}},
  };
  for (std::size_t i = 0; i < std::size(rasters); ++i) {
    const fs::path raster = work / ("artwork-" + std::string(rasters[i].device));
    ASSERT_TRUE(Draw(rasters[i].device, raster, rasters[i].options));
    ASSERT_GT(PrintJob(server.Uri(), raster.string(), rasters[i].format), 0)
        << cupsLastErrorString();
    std::vector<std::string> jobs = Printed(printer, i + 1);
    ASSERT_EQ(jobs.size(), i + 1) << server.Log();
    EXPECT_TRUE(jobs[i] == Reference(picture.string(), {"--title", raster.filename().string()}))
        << rasters[i].format;
  }
}

TEST_F(ServerIpp, EveryPageOfADocumentPrints) {
  TempFolder work;
  const fs::path pdf = work / "pages.pdf";
  ASSERT_TRUE(WritePdf(pdf, CirclePages({"1 0 0", "0 0 1"})));
  ASSERT_GT(PrintJob(server.Uri(), pdf.string(), "application/pdf"), 0) << cupsLastErrorString();
  std::vector<std::string> jobs = Printed(printer, 1);
  ASSERT_EQ(jobs.size(), 1u) << server.Log();
  EXPECT_TRUE(jobs[0] == Reference(pdf.string(), {"--pages", "all"}));
}

// An A4 page of one colour at 300 dpi, drawn by Ghostscript; empty when it failed.
fs::path A4Page(const TempFolder& work) {
  const fs::path page = work / "page.png";
  const fs::path source = work / "page.ps";
  WriteFileBytes(source, "%!PS\n0 0 1 setrgbcolor 0 0 595 842 rectfill showpage\n");
  const int drawn = WaitForProcess(
      StartProcess({NVX_GS, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m",
                    "-sPAPERSIZE=a4", "-r300", "-sOutputFile=" + page.string(), source.string()},
                   {}, work / "gs.log", work / "gs.log"));
  return drawn == 0 ? page : fs::path();
}

TEST_F(ServerIpp, JobsCancelledWhileConvertedLeaveNothingOnThePrinter) {
  TempFolder work;
  // Its conversion takes long enough to cancel it.
  const fs::path page = A4Page(work);
  ASSERT_FALSE(page.empty());
  // Cancelled at once, a job is often caught before its processing has begun.
  for (int round = 0; round < 6; ++round) {
    const int id = PrintJob(server.Uri(), page.string(), "image/png");
    ASSERT_GT(id, 0) << server.Log();
    ippDelete(Request(server.Uri(), IPP_OP_CANCEL_JOB, [id](ipp_t* request) {
      ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id);
    }));
    ASSERT_EQ(WaitForJobEnd(server.Uri(), id).state, IPP_JSTATE_CANCELED) << "job " << id;
  }
  ASSERT_GT(PrintJob(server.Uri(), kPhoto, "image/png"), 0);
  std::vector<std::string> jobs = Printed(printer, 1);
  ASSERT_EQ(jobs.size(), 1u) << server.Log();
  EXPECT_TRUE(jobs[0] == Reference(kPhoto)) << "something of the cancelled job arrived";
}

// Sent back to back straight to the printer (no cupsd between), as Windows,
// macOS and phones send them: each arrives once, in the order sent.
TEST_F(ServerIpp, JobsSentTogetherArriveOnceEachInOrder) {
  constexpr int kJobs = 20;
  TempFolder work;
  std::vector<fs::path> files;
  std::vector<int> ids;
  for (int i = 1; i <= kJobs; ++i) {
    files.push_back(work / ("photo" + std::to_string(i) + ".png"));
    fs::copy_file(kPhoto, files.back());
  }
  for (const fs::path& file : files)
    ids.push_back(PrintJob(server.Uri(), file.string(), "image/png"));
  for (int id : ids)
    ASSERT_EQ(WaitForJobEnd(server.Uri(), id).state, IPP_JSTATE_COMPLETED) << server.Log();
  std::string expected;
  for (const fs::path& file : files) expected += Reference(file.string());
  // Jobs that follow each other closely share the printer's connection.
  std::string arrived;
  for (auto deadline = std::chrono::steady_clock::now() + 60s;
       arrived.size() < expected.size() && std::chrono::steady_clock::now() < deadline;
       std::this_thread::sleep_for(50ms)) {
    arrived.clear();
    for (const std::string& job : printer.Jobs()) arrived += job;
  }
  EXPECT_TRUE(arrived == expected) << arrived.size() << " bytes arrived of " << expected.size();
}

// A server gone at once (a crash, a power cut) while one job printed and two
// waited their turn: the state it saved does not hold new jobs, and once it is
// back the three print, the interrupted one again, in the order they came.
TEST(ServerRestart, JobsThatWaitedOrPrintedWhenTheServerWentPrintInOrderOnceItIsBack) {
  // A printer that takes nothing: the first job stalls once its bytes fill the socket.
  SocketListener printer(false);
  PrinterApplication server(printer.port());
  TempFolder work;
  std::vector<fs::path> files{A4Page(work)};
  ASSERT_FALSE(files[0].empty());
  const int first = PrintJob(server.Uri(), files[0].string(), "image/png");
  ASSERT_GT(first, 0) << server.Log();
  ASSERT_EQ(WaitForJobState(server.Uri(), first, IPP_JSTATE_PROCESSING).state,
            IPP_JSTATE_PROCESSING);
  int last = 0;
  for (const char* name : {"photo1.png", "photo2.png"}) {
    files.push_back(work / name);
    fs::copy_file(kPhoto, files.back());
    last = PrintJob(server.Uri(), files.back().string(), "image/png");
    ASSERT_GT(last, 0);
  }
  // The server saves its state a moment after the last job's document is in.
  const fs::path stateFile = server.folder() / "state" / "nvxprint-server.state";
  const std::regex lastJobSaved("\nJob [^\n]*filename=[^\n]* id=\"" + std::to_string(last) + '"');
  std::string state;
  for (auto deadline = std::chrono::steady_clock::now() + 30s;
       !std::regex_search(state, lastJobSaved) && std::chrono::steady_clock::now() < deadline;
       std::this_thread::sleep_for(100ms))
    state = ReadFileBytes(stateFile);
  ASSERT_TRUE(std::regex_search(state, lastJobSaved)) << state;
  EXPECT_EQ(state.find("HoldNewJobs"), std::string::npos) << state;

  server.Kill();
  printer.StartAccepting();
  server.Start();
  std::string expected;
  for (const fs::path& file : files) expected += Reference(file.string());
  // What reached the printer before the server went comes first.
  std::string arrived;
  for (auto deadline = std::chrono::steady_clock::now() + 120s;
       !arrived.ends_with(expected) && std::chrono::steady_clock::now() < deadline;
       std::this_thread::sleep_for(100ms)) {
    arrived.clear();
    for (const std::string& job : printer.Jobs()) arrived += job;
  }
  EXPECT_TRUE(arrived.ends_with(expected))
      << arrived.size() << " bytes arrived, " << expected.size() << " expected\n"
      << server.Log();
}

struct WebPage {
  http_status_t status = HTTP_STATUS_ERROR;
  std::string body;
};

// GET, or POST when a form is given, on the server's web interface.
WebPage Web(int port, const std::string& path, const std::string& form = {},
            http_encryption_t encryption = HTTP_ENCRYPTION_NEVER) {
  http_t* http = httpConnect2("127.0.0.1", port, nullptr, AF_INET, encryption, 1, 30000, nullptr);
  WebPage page;
  if (!http) return page;
  httpClearFields(http);
  httpSetField(http, HTTP_FIELD_HOST, "localhost");
  if (form.empty()) {
    httpGet(http, path.c_str());
  } else {
    httpSetField(http, HTTP_FIELD_CONTENT_TYPE, "application/x-www-form-urlencoded");
    httpSetLength(http, form.size());
    httpPost(http, path.c_str());
    httpWrite2(http, form.data(), form.size());
  }
  page.status = HTTP_STATUS_CONTINUE;
  while (page.status == HTTP_STATUS_CONTINUE) page.status = httpUpdate(http);
  char buffer[8192];
  for (ssize_t n; (n = httpRead2(http, buffer, sizeof(buffer))) > 0;) page.body.append(buffer, n);
  httpClose(http);
  return page;
}

TEST_F(ServerIpp, DriverOffOnThePrintersPageSendsTheModeBlockAsTheCommandDoes) {
  const WebPage page = Web(server.Port(), "/nvx-foil/mode");
  ASSERT_EQ(page.status, HTTP_STATUS_OK) << page.body;
  std::smatch session;
  ASSERT_TRUE(
      std::regex_search(page.body, session, std::regex(R"re(name="session" value="([^"]+)")re")))
      << page.body;
  EXPECT_EQ(
      Web(server.Port(), "/nvx-foil/mode", "session=" + session[1].str() + "&mode=off").status,
      HTTP_STATUS_OK);
  std::vector<std::string> sent = Printed(printer, 1);
  ASSERT_EQ(sent.size(), 1u) << server.Log();
  TempFolder home;
  CliResult made = RunNvxprint({"mode", "off", "--to", (home / "mode").string()},
                               IsolatedEnv(home.path(), NVX_SHARE_DIR));
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(sent[0], ReadFileBytes(home / "mode"));
}

// PAPPL 1.3.1 crashes on this page when no footer is set.
TEST_F(ServerIpp, ThePrintingDefaultsPageShowsTheWhiteSettings) {
  const WebPage page = Web(server.Port(), "/nvx-foil/printing");
  EXPECT_EQ(page.status, HTTP_STATUS_OK);
  EXPECT_NE(page.body.find("white-density"), std::string::npos) << page.body;
  ippDelete(Request(server.Uri(), IPP_OP_GET_PRINTER_ATTRIBUTES, [](ipp_t*) {}));
  EXPECT_EQ(cupsLastError(), IPP_STATUS_OK) << "the server stopped answering";
}

// https on the same port, with the certificate the server makes kept in its
// state folder, not in the user's or CUPS's.
TEST_F(ServerIpp, HttpsAnswersWithACertificateKeptInTheStateFolder) {
  const WebPage page = Web(server.Port(), "/", {}, HTTP_ENCRYPTION_ALWAYS);
  EXPECT_EQ(page.status, HTTP_STATUS_OK);
  std::vector<fs::path> certificates;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(server.folder() / "state" / "ssl", ec)) {
    if (entry.path().extension() == ".crt") certificates.push_back(entry.path());
  }
  EXPECT_EQ(certificates.size(), 1u);
  EXPECT_FALSE(fs::exists(server.folder() / "home" / ".cups"));
}

// Administration from elsewhere asks for a PAM login; once it is on, so does
// this machine's (the status page stays open).
TEST(ServerAdministration, WithRemoteAdministrationOnThePrintersSettingsAskForALogin) {
  SocketListener printer;
  PrinterApplication server(printer.port(), {"-o", "server-options=web-remote"});
  EXPECT_EQ(Web(server.Port(), "/nvx-foil/mode").status, HTTP_STATUS_UNAUTHORIZED);
  EXPECT_EQ(Web(server.Port(), "/nvx-foil/config").status, HTTP_STATUS_UNAUTHORIZED);
  EXPECT_EQ(Web(server.Port(), "/").status, HTTP_STATUS_OK);
}

}  // namespace
}  // namespace nvx::test
