#pragma once

// SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the main thread, so that the program
// shuts the engine down before it ends. The handler only writes one byte to a socket pair (the
// one thing a signal handler may safely do); a socket notifier reads it on the event loop.
// One instance per process; main thread.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  void received(int signalNumber);

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};
