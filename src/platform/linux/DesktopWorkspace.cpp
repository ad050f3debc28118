#include "platform/linux/DesktopWorkspace.h"

#include <string_view>

#include "platform/linux/DetachedLaunch.h"
#include "platform/linux/ExecutableSearch.h"

namespace {

constexpr std::string_view kSystemSettingsScheme = "x-apple.systempreferences:";
constexpr std::string_view kAudioConfigurationUtility = "Audio MIDI Setup.app";

const std::vector<std::vector<std::string>> kMixers = {{"pavucontrol"}, {"qpwgraph"}, {"helvum"}};

const std::vector<std::vector<std::string>> kSoundSettings = {{"gnome-control-center", "sound"},
                                                              {"systemsettings", "kcm_pulseaudio"}};

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string_view withoutTrailingSlash(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

bool launch(const std::optional<std::vector<std::string>>& command) {
  return command && launchDetached(command->front(), *command);
}

}  // namespace

DesktopWorkspace::DesktopWorkspace(std::string searchPath) : searchPath_(std::move(searchPath)) {}

DesktopWorkspace::DesktopWorkspace() : DesktopWorkspace(processSearchPath()) {}

bool DesktopWorkspace::openURL(const std::string& url) {
  return launch(commandForURL(url));
}

bool DesktopWorkspace::openApplication(const std::string& path) {
  return launch(commandForApplication(path));
}

std::optional<std::vector<std::string>> DesktopWorkspace::commandForURL(
    const std::string& url) const {
  if (url.starts_with(kSystemSettingsScheme)) {
    if (auto settings = firstInstalled(kSoundSettings)) return settings;
    return firstInstalled(kMixers);
  }
  return firstInstalled({{"xdg-open", url}});
}

std::optional<std::vector<std::string>> DesktopWorkspace::commandForApplication(
    const std::string& path) const {
  if (endsWith(withoutTrailingSlash(path), kAudioConfigurationUtility)) {
    return firstInstalled(kMixers);
  }
  return firstInstalled({{"xdg-open", path}});
}

std::optional<std::vector<std::string>> DesktopWorkspace::firstInstalled(
    const std::vector<std::vector<std::string>>& candidates) const {
  for (const auto& candidate : candidates) {
    if (auto program = findExecutable(candidate.front(), searchPath_)) {
      std::vector<std::string> command = candidate;
      command.front() = *program;
      return command;
    }
  }
  return std::nullopt;
}
