#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/DispatchQueue.h"

// A real serial executor: one worker thread. Destruction lets the item that is running return,
// drops the items still waiting, and joins the worker.
class SerialDispatchQueue final : public DispatchQueue {
 public:
  explicit SerialDispatchQueue(std::string label);
  ~SerialDispatchQueue() override;
  SerialDispatchQueue(const SerialDispatchQueue&) = delete;
  SerialDispatchQueue& operator=(const SerialDispatchQueue&) = delete;

  const std::string& label() const override { return label_; }
  void async(std::function<void()> work) override;
  // Blocks until everything submitted before this call has run. Not from the queue's own thread.
  void drain();
  bool isCurrentThread() const { return std::this_thread::get_id() == worker_.get_id(); }

 private:
  void run();

  const std::string label_;
  std::mutex mutex_;  // guards pending_, stopping_, submitted_, completed_
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> pending_;
  std::uint64_t submitted_ = 0;
  std::uint64_t completed_ = 0;
  bool stopping_ = false;
  std::thread worker_;  // last: starts after every other member exists
};
