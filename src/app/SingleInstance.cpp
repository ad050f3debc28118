#include "app/SingleInstance.h"

#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

const QByteArray showRequest = QByteArrayLiteral("show\n");
constexpr int timeoutMilliseconds = 1000;
// How long a later start waits for an instance that holds the lock but is still starting.
constexpr int answerAttempts = 20;
constexpr unsigned long attemptPauseMilliseconds = 100;

}  // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)), lock_(socketPath_ + ".lock") {
  // Held for the program's whole run: only a holder that is gone makes it stale.
  lock_.setStaleLockTime(0);
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
  if (lock_.isLocked() || lock_.tryLock(0)) return false;
  for (int attempt = 0; attempt < answerAttempts; ++attempt) {
    if (ask()) return true;
    QThread::msleep(attemptPauseMilliseconds);
  }
  // The holder is alive but never answers; a second window would not help.
  return true;
}

bool SingleInstance::ask() {
  QLocalSocket socket;
  socket.connectToServer(socketPath_);
  if (!socket.waitForConnected(timeoutMilliseconds)) return false;
  socket.write(showRequest);
  socket.waitForBytesWritten(timeoutMilliseconds);
  socket.waitForDisconnected(timeoutMilliseconds);
  return true;
}

bool SingleInstance::listen() {
  if (!lock_.isLocked() && !lock_.tryLock(0)) return false;
  // With the lock held, a socket there was left behind by an instance that crashed.
  QLocalServer::removeServer(socketPath_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(socketPath_);
}
