#include "platform/cups_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include "support/process.h"

extern char** environ;

namespace nvx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto kPatience = 60s;

// CUPS's own socket backend comes with the full "cups" package; this one does
// the same job for the tests: the job's bytes, unchanged, to host:port.
constexpr const char* kSocketBackend = R"(#!/bin/bash
if [ $# -eq 0 ]; then echo 'network socket "Unknown" "Test socket"'; exit 0; fi
target=${DEVICE_URI#socket://}
exec 3<>"/dev/tcp/${target%%:*}/${target##*:}" || exit 1
cat "${6:-/dev/stdin}" >&3
)";

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool Answers(const fs::path& socketFile) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketFile.string().copy(address.sun_path, sizeof(address.sun_path) - 1);
  bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  ::close(fd);
  return connected;
}

pid_t Spawn(const std::vector<std::string>& argv, const fs::path& output) {
  return StartProcess(argv, {}, output, output);
}

std::string GroupName(gid_t gid) {
  const group* entry = ::getgrgid(gid);
  return entry ? entry->gr_name : std::to_string(gid);
}

}  // namespace

int FreeLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  socklen_t size = sizeof(address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

SocketListener::SocketListener(bool accepting) : accepting_(accepting) {
  socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  ::listen(socket_, 8);
  socklen_t size = sizeof(address);
  ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

SocketListener::~SocketListener() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  thread_.join();
  ::close(socket_);
}

void SocketListener::Serve() {
  for (;;) {
    bool accepting = false;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      accepting = accepting_;
    }
    if (!accepting) {
      std::this_thread::sleep_for(20ms);
      continue;
    }
    pollfd waiting{socket_, POLLIN, 0};
    if (::poll(&waiting, 1, 100) <= 0) continue;
    int connection = ::accept(socket_, nullptr, nullptr);
    if (connection < 0) continue;
    std::string bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(connection, buffer, sizeof(buffer))) > 0;) bytes.append(buffer, n);
    ::close(connection);
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(bytes));
    arrived_.notify_all();
  }
}

std::vector<std::string> SocketListener::WaitForJobs(std::size_t count) {
  std::unique_lock lock(mutex_);
  arrived_.wait_for(lock, kPatience, [&] { return jobs_.size() >= count; });
  return jobs_;
}

void SocketListener::StartAccepting() {
  std::lock_guard lock(mutex_);
  accepting_ = true;
}

std::vector<std::string> SocketListener::Jobs() {
  std::lock_guard lock(mutex_);
  return jobs_;
}

CupsServer::~CupsServer() { Stop(); }

// A socket file in the server's own folder: parallel tests can never meet
// each other's server, as they could on a loopback port picked before use.
std::string CupsServer::Address() const { return (folder_ / "cups.sock").string(); }

std::string CupsServer::Log() const {
  return ReadFileBytes(folder_ / "log" / "cupsd.out") +
         ReadFileBytes(folder_ / "log" / "error_log");
}

void CupsServer::WriteConfiguration() {
  const fs::path root = folder_.path();
  for (const char* sub : {"conf", "bin/backend", "spool/tmp", "cache", "state", "log"}) {
    fs::create_directories(root / sub);
  }
  // As root, cupsd runs its helpers as User and insists on root-owned,
  // not world-writable programs; as anyone else it runs them as that user.
  fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
  fs::create_directory_symlink(fs::path(NVX_CUPS_SERVERBIN) / "daemon", root / "bin" / "daemon");
  WriteFileBytes(root / "bin" / "backend" / "socket", kSocketBackend);
  // CUPS's own IPP backend, for queues to IPP printers.
  const fs::path ipp = fs::path(NVX_CUPS_SERVERBIN) / "backend" / "ipp";
  if (fs::exists(ipp)) fs::create_symlink(ipp, root / "bin" / "backend" / "ipp");
  // The filters of cups-filters, for queues that convert (PDF to a driverless printer).
  const fs::path filters = fs::path(NVX_CUPS_SERVERBIN) / "filter";
  if (fs::exists(filters)) fs::create_directory_symlink(filters, root / "bin" / "filter");
  // Owner-only: as root the backend then runs as root and reads any spool file.
  fs::permissions(root / "bin" / "backend" / "socket", fs::perms::owner_all);

  const bool asRoot = ::geteuid() == 0;
  std::string files = "ServerRoot " + (root / "conf").string() + "\nServerBin " +
                      (root / "bin").string() + "\nRequestRoot " + (root / "spool").string() +
                      "\nTempDir " + (root / "spool" / "tmp").string() + "\nCacheDir " +
                      (root / "cache").string() + "\nStateDir " + (root / "state").string() +
                      "\nAccessLog " + (root / "log" / "access_log").string() + "\nErrorLog " +
                      (root / "log" / "error_log").string() + "\nPageLog " +
                      (root / "log" / "page_log").string() + "\nFileDevice Yes\n";
  if (asRoot) {
    const bool hasLp = ::getpwnam("lp") != nullptr;
    files += std::string("User ") + (hasLp ? "lp" : "nobody") + "\nGroup " +
             (hasLp ? "lp" : GroupName(65534)) + "\nSystemGroup root\n";
  } else {
    files += "SystemGroup " + GroupName(::getgid()) + "\n";
  }
  WriteFileBytes(root / "conf" / "cups-files.conf", files);
  // Anyone on the loopback may administer this throwaway server.
  WriteFileBytes(root / "conf" / "cupsd.conf",
                 "Listen " + Address() +
                     "\nLogLevel debug\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
                     "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                     "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n");
}

std::string CupsServer::Start() {
  if (std::string(NVX_CUPSD).empty() || std::string(NVX_LPADMIN).empty() ||
      std::string(NVX_CUPS_SERVERBIN).empty()) {
    return "cupsd, its helpers or lpadmin are not installed (packages cups-daemon, cups-client)";
  }
  WriteConfiguration();
  const fs::path conf = folder_ / "conf";
  pid_ = Spawn({NVX_CUPSD, "-f", "-c", (conf / "cupsd.conf").string(), "-s",
                (conf / "cups-files.conf").string()},
               folder_ / "log" / "cupsd.out");
  if (pid_ < 0) return "cannot start " NVX_CUPSD;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!Answers(Address())) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return "cupsd cannot run here; its log:\n" + Log();
    }
    if (std::chrono::steady_clock::now() > deadline) {
      Stop();
      return "cupsd did not answer within a minute; its log:\n" + Log();
    }
    std::this_thread::sleep_for(50ms);
  }
  return {};
}

void CupsServer::Stop() {
  if (pid_ < 0) return;
  ::kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(20ms);
  }
  pid_ = -1;
}

void CupsServer::RunTool(const std::string& tool, std::vector<std::string> args) {
  const fs::path output = folder_ / "log" / "tool.out";
  args.insert(args.begin(), tool);
  pid_t pid = Spawn(args, output);
  int status = -1;
  if (pid > 0) ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << tool << " failed: " << ReadFileBytes(output) << "\n"
      << Log();
}

void CupsServer::AddRawQueue(const std::string& name, int listenPort,
                             const std::string& description) {
  std::vector<std::string> args{
      "-h", Address(), "-p", name, "-v", "socket://127.0.0.1:" + std::to_string(listenPort), "-E"};
  if (!description.empty()) args.insert(args.end(), {"-D", description});
  RunTool(NVX_LPADMIN, args);
}

void CupsServer::AddQueue(const std::string& name, const std::string& uri,
                          const std::string& model) {
  RunTool(NVX_LPADMIN, {"-h", Address(), "-p", name, "-E", "-v", uri, "-m", model});
}

std::string CupsServer::Ppd(const std::string& name) const {
  return ReadFileBytes(folder_ / "conf" / "ppd" / (name + ".ppd"));
}

void CupsServer::Disable(const std::string& name) {
  RunTool(NVX_CUPSDISABLE, {"-h", Address(), name});
}

void CupsServer::Reject(const std::string& name) {
  RunTool(NVX_CUPSREJECT, {"-h", Address(), name});
}

}  // namespace nvx::test
