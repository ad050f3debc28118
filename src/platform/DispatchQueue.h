#pragma once

#include <functional>
#include <string>

// A queue that runs submitted work one item at a time, in submission order, on a thread of its own.
class DispatchQueue {
 public:
  virtual ~DispatchQueue() = default;
  virtual const std::string& label() const = 0;
  // Callable from any thread.
  virtual void async(std::function<void()> work) = 0;
};
