#pragma once

// One running program per user session. The instance that holds a lock file beside the socket
// for its lifetime is the one: it listens on a local socket in the user's runtime directory; a
// later start connects to it, asks it to show its window and ends. The lock settles two starts at
// the same moment, and it dies with its process, so a crash leaves nothing that blocks the next
// start. Main thread.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `socketPath` defaults to "vexmora-monitor" in the user's runtime directory.
  explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);

  static QString defaultSocketPath();

  // True when another instance holds the lock (it was asked to show its window once it answered);
  // this one should end. False when this one now holds the lock.
  bool askRunningInstanceToShow();
  // Starts answering later starts; false when another instance holds the lock or the socket
  // cannot be created.
  bool listen();

 signals:
  void showRequested();

 private:
  bool ask();

  QString socketPath_;
  QLockFile lock_;
  QLocalServer server_;
};
