#pragma once

#include <QObject>
#include <QString>
#include <filesystem>

class QLocalServer;

namespace nvx::app {

// The running window's ear for later starts of the program: a local socket
// beside the instance lock. A later start sends one line, the image to open
// (empty: just come to the front), its bytes percent-encoded: a file name
// need not be UTF-8 and may hold a line break.
class InstanceChannel : public QObject {
  Q_OBJECT
 public:
  explicit InstanceChannel(const std::filesystem::path& socket, QObject* parent = nullptr);
  bool Listening() const;

 signals:
  void openRequested(const QByteArray& path);

 private:
  QLocalServer* server_;
};

// Sends `path` to the running copy; false when it does not answer within 2 s.
bool HandOverToRunningInstance(const std::filesystem::path& socket,
                               const std::filesystem::path& path);

std::filesystem::path InstanceSocketPath();

}  // namespace nvx::app
