#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace nvx::test {

// A port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();

// Stands in for a network printer: accepts connections on 127.0.0.1 and keeps
// the bytes of each one, complete once the sender closes it. One made not
// accepting stands for a printer that takes no data: connections wait, and a
// sender stalls once the socket's buffers are full, until it accepts.
class SocketListener {
 public:
  explicit SocketListener(bool accepting = true);
  ~SocketListener();
  SocketListener(const SocketListener&) = delete;
  SocketListener& operator=(const SocketListener&) = delete;

  int port() const { return port_; }
  // Waits until `count` connections have been closed by the sender, or gives up
  // after a minute; returns what has arrived.
  std::vector<std::string> WaitForJobs(std::size_t count);
  std::vector<std::string> Jobs();
  void StartAccepting();

 private:
  void Serve();

  int socket_ = -1;
  int port_ = 0;
  bool stopping_ = false;
  bool accepting_ = true;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::string> jobs_;
  std::thread thread_;
};

// A private cupsd on a loopback port: its own configuration, spool, cache and
// logs in a temporary folder, and a socket backend of its own, so nothing of
// the machine's CUPS set-up is read or changed.
class CupsServer {
 public:
  CupsServer() = default;
  ~CupsServer();
  CupsServer(const CupsServer&) = delete;
  CupsServer& operator=(const CupsServer&) = delete;

  // Starts cupsd and waits until it answers. Returns the empty text on
  // success, else why this machine cannot run it (the caller skips).
  std::string Start();
  void Stop();

  std::string Address() const;  // the server's socket file, for CUPS_SERVER and -h
  // A raw queue (no PPD) whose device is socket://127.0.0.1:LISTENPORT.
  void AddRawQueue(const std::string& name, int listenPort, const std::string& description = {});
  // A queue to `uri` with the given model ("everywhere": driverless, made by
  // asking the printer at `uri`).
  void AddQueue(const std::string& name, const std::string& uri, const std::string& model);
  // The PPD cupsd keeps for the queue.
  std::string Ppd(const std::string& name) const;
  void Disable(const std::string& name);
  void Reject(const std::string& name);
  std::string Log() const;

 private:
  void WriteConfiguration();
  void RunTool(const std::string& tool, std::vector<std::string> args);

  TempFolder folder_;
  pid_t pid_ = -1;
};

}  // namespace nvx::test
