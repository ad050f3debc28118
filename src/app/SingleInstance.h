#pragma once

// One running program per user session. The first instance listens on a local socket in the
// user's runtime directory; a later start connects to it, asks it to show its window and ends.
// Main thread.

#include <QLocalServer>
#include <QObject>

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `socketPath` defaults to "vexmora-monitor" in the user's runtime directory.
  explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);

  static QString defaultSocketPath();

  // True when another instance answered and was asked to show its window; this one should end.
  bool askRunningInstanceToShow();
  // Starts answering later starts; false when the socket cannot be created.
  bool listen();

 signals:
  void showRequested();

 private:
  QString socketPath_;
  QLocalServer server_;
};
