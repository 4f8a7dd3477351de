#include "window/instance_channel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include "platform/instance_lock.h"
#include "window/window_app.h"

namespace nvx::app {
namespace {

constexpr int kHandOverMs = 2000;
constexpr int kConnectTries = 20;
constexpr int kConnectPauseMs = 250;

}  // namespace

std::filesystem::path InstanceSocketPath() {
  return platform::InstanceFolder() / (std::string(kInstanceName) + ".socket");
}

InstanceChannel::InstanceChannel(const std::filesystem::path& socket, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
  const QString name = QString::fromStdString(socket.string());
  // Only the holder of the instance lock gets here, so a socket left behind is stale.
  QLocalServer::removeServer(name);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  server_->listen(name);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, client, [this, client] {
        if (!client->canReadLine()) return;
        const QByteArray path = QByteArray::fromPercentEncoding(client->readLine().trimmed());
        client->disconnectFromServer();
        emit openRequested(path);
      });
    }
  });
}

bool InstanceChannel::Listening() const { return server_->isListening(); }

bool HandOverToRunningInstance(const std::filesystem::path& socket,
                               const std::filesystem::path& path) {
  QLocalSocket client;
  // The running copy may still be starting and not listen yet: try for a while.
  for (int tries = 0;; ++tries) {
    client.connectToServer(QString::fromStdString(socket.string()));
    if (client.waitForConnected(kHandOverMs)) break;
    if (tries == kConnectTries) return false;
    QThread::msleep(kConnectPauseMs);
  }
  client.write(QByteArray::fromStdString(path.string()).toPercentEncoding() + '\n');
  if (!client.waitForBytesWritten(kHandOverMs)) return false;
  client.waitForDisconnected(kHandOverMs);
  return true;
}

}  // namespace nvx::app
