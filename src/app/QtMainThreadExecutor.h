#pragma once

// The main-thread executor on Qt's event loop: posted work runs as a queued call on the thread
// that owns this object (the GUI thread), delayed work on a precise single-shot timer there.
// post(), schedule() and now() from any thread; work runs on the owner's thread only.

#include <QObject>

#include "platform/MainThreadExecutor.h"

class QtMainThreadExecutor final : public QObject, public MainThreadExecutor {
  Q_OBJECT

 public:
  explicit QtMainThreadExecutor(QObject* parent = nullptr);

  void post(std::function<void()> task) override;
  ScheduledTaskHandle schedule(std::chrono::nanoseconds delay, std::function<void()> task) override;
  TimePoint now() const override { return Clock::now(); }
};
