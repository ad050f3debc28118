#include "app/SingleInstance.h"

#include <QLocalSocket>
#include <QStandardPaths>

namespace {

const QByteArray showRequest = QByteArrayLiteral("show\n");
constexpr int timeoutMilliseconds = 1000;

}  // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)) {
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (client->readAll().contains(showRequest)) emit showRequested();
        client->disconnectFromServer();
      });
    }
  });
}

QString SingleInstance::defaultSocketPath() {
  QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (directory.isEmpty())
    directory = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
  return directory + QStringLiteral("/vexmora-monitor");
}

bool SingleInstance::askRunningInstanceToShow() {
  QLocalSocket socket;
  socket.connectToServer(socketPath_);
  if (!socket.waitForConnected(timeoutMilliseconds)) return false;
  socket.write(showRequest);
  socket.waitForBytesWritten(timeoutMilliseconds);
  socket.waitForDisconnected(timeoutMilliseconds);
  return true;
}

bool SingleInstance::listen() {
  // A socket left behind by an instance that crashed answers nobody; it is taken over.
  QLocalServer::removeServer(socketPath_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(socketPath_);
}
