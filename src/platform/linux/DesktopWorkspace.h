#pragma once

// The workspace on a Linux desktop. Links open with xdg-open. The two requests the controller
// and the window make in the terms of another system are mapped to their desktop counterparts:
//   - the microphone privacy settings become the desktop's sound settings: GNOME's sound panel,
//     else KDE's audio settings module, else the first installed audio mixer below. No
//     desktop-neutral link to the sound settings exists, so xdg-open cannot be asked for them;
//   - the audio configuration utility becomes the first installed of pavucontrol, qpwgraph and
//     helvum; when none is installed nothing is launched.
// Programs start detached and are never waited for. Main thread.

#include <optional>
#include <string>
#include <vector>

#include "platform/Workspace.h"

class DesktopWorkspace final : public Workspace {
 public:
  // Programs are looked up in `searchPath`, a PATH-style list of directories.
  explicit DesktopWorkspace(std::string searchPath);
  DesktopWorkspace();

  bool openURL(const std::string& url) override;
  bool openApplication(const std::string& path) override;

  // The command each request runs, the program as a full path first; absent when no installed
  // program can serve it.
  std::optional<std::vector<std::string>> commandForURL(const std::string& url) const;
  std::optional<std::vector<std::string>> commandForApplication(const std::string& path) const;

 private:
  std::optional<std::vector<std::string>> firstInstalled(
      const std::vector<std::vector<std::string>>& candidates) const;

  std::string searchPath_;
};
