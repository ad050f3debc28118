#pragma once

// A workspace that opens nothing and remembers what it was asked to open. Main thread.

#include <string>
#include <vector>

#include "platform/Workspace.h"

class RecordingWorkspace final : public Workspace {
 public:
  bool openURL(const std::string& url) override {
    openedURLs.push_back(url);
    return true;
  }
  bool openApplication(const std::string& path) override {
    openedApplications.push_back(path);
    return true;
  }

  std::vector<std::string> openedURLs;
  std::vector<std::string> openedApplications;
};
