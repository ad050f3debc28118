#include "app/QtMainThreadExecutor.h"

#include <QMetaObject>
#include <QTimer>

QtMainThreadExecutor::QtMainThreadExecutor(QObject* parent) : QObject(parent) {}

void QtMainThreadExecutor::post(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

ScheduledTaskHandle QtMainThreadExecutor::schedule(std::chrono::nanoseconds delay,
                                                   std::function<void()> task) {
  ScheduledTaskHandle handle;
  // Timers belong to the thread that starts them, so the timer is started from the owner's thread;
  // the delay is rounded up so that work never runs early.
  const auto milliseconds =
      std::chrono::ceil<std::chrono::milliseconds>(std::max(delay, std::chrono::nanoseconds(0)));
  post([this, handle, milliseconds, task = std::move(task)]() mutable {
    if (handle.isCancelled()) return;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, this, [handle, task = std::move(task)] {
      if (!handle.isCancelled()) task();
    });
  });
  return handle;
}
