#pragma once

// The desktop around the application: opening a link or another application. Main thread.

#include <string>

class Workspace {
 public:
  virtual ~Workspace() = default;

  // True when the system accepted the link.
  virtual bool openURL(const std::string& url) = 0;
  // True when the system launched or activated the application at `path`.
  virtual bool openApplication(const std::string& path) = 0;
};
