#include "platform/SerialDispatchQueue.h"

SerialDispatchQueue::SerialDispatchQueue(std::string label)
    : label_(std::move(label)), worker_([this] { run(); }) {}

SerialDispatchQueue::~SerialDispatchQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void SerialDispatchQueue::async(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    pending_.push_back(std::move(work));
    ++submitted_;
  }
  wake_.notify_one();
}

void SerialDispatchQueue::drain() {
  std::unique_lock lock(mutex_);
  const std::uint64_t goal = submitted_;
  idle_.wait(lock, [&] { return completed_ >= goal || stopping_; });
}

void SerialDispatchQueue::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !pending_.empty(); });
    if (stopping_) break;
    auto work = std::move(pending_.front());
    pending_.pop_front();
    lock.unlock();
    work();
    lock.lock();
    ++completed_;
    idle_.notify_all();
  }
  idle_.notify_all();
}
