#include "platform/cups_spooler.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "job/delivery.h"
#include "platform/cups_server.h"
#include "support/command.h"
#include "support/named_case.h"
#include "support/temp_folder.h"

namespace nvx {
namespace {

using test::CupsServer;
using test::SocketListener;

// One private cupsd with a raw queue "q" to a listener inside the test.
class CupsSpooler : public testing::Test {
 protected:
  void SetUp() override {
    std::string reason = server.Start();
    if (!reason.empty()) GTEST_SKIP() << reason;
    server.AddRawQueue("q", printer.port());
    cupsSetServer(server.Address().c_str());
  }
  void TearDown() override { cupsSetServer(nullptr); }

  // The jobs the server still holds for the queue, of any state.
  std::vector<int> JobsOn(const char* queue) {
    cups_job_t* jobs = nullptr;
    int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ACTIVE);
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) ids.push_back(jobs[i].id);
    cupsFreeJobs(count, jobs);
    return ids;
  }

  std::vector<std::string> Env() const {
    return {"XDG_CONFIG_HOME=" + (home / "config").string(),
            "XDG_CONFIG_DIRS=" + (home / "etc").string(),
            "HOME=" + home.path().string(),
            "SOURCE_DATE_EPOCH=1765000000",
            "NVXPRINT_DATA_DIR=" NVX_SHARE_DIR,
            "CUPS_SERVER=" + server.Address()};
  }
  test::CliResult Run(const std::vector<std::string>& args) const {
    return test::RunNvxprint(args, Env());
  }

  // Runs the command once to a file and once to the queue; both must give the same bytes.
  void ExpectPrinterGetsFileBytes(std::vector<std::string> args, const std::string& queueOption) {
    auto toFile = args;
    toFile.insert(toFile.end(), {"--to", (home / "job.prn").string()});
    ASSERT_EQ(Run(toFile).status, 0);
    if (!queueOption.empty()) args.insert(args.end(), {"--printer", queueOption});
    auto sent = Run(args);
    ASSERT_EQ(sent.status, 0) << sent.err << server.Log();
    auto jobs = printer.WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u) << server.Log();
    std::string expected = test::ReadFileBytes(home / "job.prn");
    EXPECT_EQ(jobs[0].size(), expected.size());
    EXPECT_TRUE(jobs[0] == expected);
    EXPECT_EQ(jobs[0].back(), '\x04');
  }

  test::TempFolder home;
  SocketListener printer;
  CupsServer server;
};

TEST_F(CupsSpooler, SendJobDeliversEveryByteAndReportsSentOnlyAtTheEnd) {
  PrintJob job{JobOutcome::Made, "HEADER\r\n", RasterBytes(70000), "TRAILER\r\n"};
  for (std::size_t i = 0; i < job.data.size(); ++i) job.data[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<int> progress;
  std::vector<std::string> status;
  UiHooks hooks{[&](int p) { progress.push_back(p); },
                [&](std::string_view s) { status.emplace_back(s); }};
  const TextTable text = DefaultTextTable();
  ASSERT_TRUE(SendJob("q", "photo.png 2 x3", job, text, hooks).ok()) << server.Log();
  EXPECT_EQ(progress, (std::vector<int>{10, 20, 90, 100}));
  EXPECT_EQ(status, (std::vector<std::string>{text[40], text[41]}));
  auto jobs = printer.WaitForJobs(1);
  ASSERT_EQ(jobs.size(), 1u) << server.Log();
  const std::string data(job.data.begin(), job.data.end());
  EXPECT_TRUE(jobs[0] == "HEADER\r\n" + data + "TRAILER\r\n\x04");
}

// A piece that stops part-way without a refused write (its rows found no
// memory, or the decoder's rows did not come) fails the send with that reason,
// and the half-sent job is cancelled.
TEST_F(CupsSpooler, APieceThatStopsPartWayFailsAndCancelsTheJob) {
  const std::string head(4096, 'H');
  const std::vector<platform::PieceWriter> pieces{
      [&](const platform::ByteSink& sink) { return sink(head) && false; }};
  Status sent = platform::SendRawDocument("q", "photo.png", pieces);
  ASSERT_FALSE(sent.ok());
  EXPECT_NE(sent.failure().message.find("memory"), std::string::npos) << sent.failure().message;
  EXPECT_TRUE(JobsOn("q").empty()) << server.Log();
}

TEST_F(CupsSpooler, BlankPageReachesTheQueueAsTheFileHasIt) {
  ExpectPrinterGetsFileBytes({"blank", "--copies", "2", "--tray", "Tray 1"}, "q");
}

TEST_F(CupsSpooler, PrintJobOfAPhotographReachesTheQueueAsTheFileHasIt) {
  ExpectPrinterGetsFileBytes({"print", NVX_TEST_DATA_DIR "/photos/coffee90.jpg", "--media",
                              "P.Uno White", "--x-copies", "2", "--copies", "3"},
                             "q");
}

TEST_F(CupsSpooler, BlankPageWithoutPrinterGoesToTheModelsQueue) {
  SocketListener modelPrinter;
  server.AddRawQueue("Shop_C711WT", modelPrinter.port());
  ASSERT_EQ(Run({"blank", "--model", "C711WT", "--to", (home / "job.prn").string()}).status, 0);
  auto sent = Run({"blank", "--model", "C711WT"});
  ASSERT_EQ(sent.status, 0) << sent.err;
  auto jobs = modelPrinter.WaitForJobs(1);
  ASSERT_EQ(jobs.size(), 1u) << server.Log();
  EXPECT_TRUE(jobs[0] == test::ReadFileBytes(home / "job.prn"));
  EXPECT_TRUE(printer.Jobs().empty());
}

TEST_F(CupsSpooler, ModeCommandsReachTheQueueAsTheFileHasThem) {
  ExpectPrinterGetsFileBytes({"mode", "off"}, "q");
  std::string settings = test::ReadFileBytes(home / "config" / "NivaluxPro" / "NivaluxPro.ini");
  EXPECT_NE(settings.find("Print Set=on"), std::string::npos) << settings;
}

TEST_F(CupsSpooler, PrintersListsQueuesByNameOrDescription) {
  server.AddRawQueue("OKI_C711WT", printer.port());
  server.AddRawQueue("front_desk", printer.port(), "OKI C711WT(PS) at the front desk");
  server.AddRawQueue("Laser_Office", printer.port());
  auto result = Run({"printers", "--model", "C711WT"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "* front_desk\n  OKI_C711WT\n");  // CUPS sorts by name
}

// Each failure: a message naming the queue, exit status 1, nothing queued or delivered.
struct Refusal {
  const char* name;
  const char* queue;
  void (*prepare)(CupsServer&);
  const char* mentions;
};

using test::PrintTo;

class CupsSpoolerRefuses : public CupsSpooler, public testing::WithParamInterface<Refusal> {};

TEST_P(CupsSpoolerRefuses, WithAMessageAndNothingSent) {
  GetParam().prepare(server);
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"blank", "--printer", GetParam().queue},
        std::vector<std::string>{"mode", "on", "--printer", GetParam().queue}}) {
    auto result = Run(command);
    EXPECT_EQ(result.status, 1) << command[0];
    EXPECT_NE(result.err.find(std::string("printer \"") + GetParam().queue + "\""),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find(GetParam().mentions), std::string::npos) << result.err;
  }
  if (std::string(GetParam().name) != "ServerNotRunning") {
    EXPECT_EQ(JobsOn("q"), std::vector<int>{});
  }
  EXPECT_TRUE(printer.Jobs().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CupsSpoolerRefuses,
    testing::Values(
        Refusal{"MissingQueue", "nosuch", [](CupsServer&) {}, "does not exist. Nothing"},
        Refusal{"DisabledQueue", "q", [](CupsServer& s) { s.Disable("q"); }, "disabled"},
        Refusal{"RejectingQueue", "q", [](CupsServer& s) { s.Reject("q"); }, "not accepting"},
        Refusal{"ServerNotRunning", "q", [](CupsServer& s) { s.Stop(); },
                "cannot reach the print server"}),
    test::CaseName());

TEST(PrintDocumentName, DropsTheTitlePrefixAndAddsTheCopiesCounts) {
  EXPECT_EQ(PrintDocumentName("Nivalux Pro - photo.png", "Nivalux Pro", 2, 3), "photo.png  2 x 3");
  EXPECT_EQ(PrintDocumentName("photo.png", "Nivalux Pro", 1, 1), "photo.png  1 x 1");
}

}  // namespace
}  // namespace nvx
