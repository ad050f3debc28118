#include "platform/linux/DesktopWorkspace.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "controller/MonitorViewModel.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kAudioMIDISetup = "/System/Applications/Utilities/Audio MIDI Setup.app";

// A directory of fake programs standing in for the desktop's. Each one, when run, writes its
// process id and arguments to <name>.ran next to it, then sleeps for as long as it is asked to.
class FakePrograms {
 public:
  FakePrograms() {
    char pattern[] = "/tmp/vx-workspace-XXXXXX";
    root_ = mkdtemp(pattern);
    fs::create_directory(bin());
  }
  ~FakePrograms() { fs::remove_all(root_); }

  fs::path bin() const { return root_ / "bin"; }

  void install(const std::string& name, fs::perms permissions = fs::perms::owner_all,
               int sleepSeconds = 0) {
    const fs::path program = bin() / name;
    std::ofstream(program) << "#!/bin/sh\n"
                           << "echo \"$$ $*\" > \"" << ran(name).string() << ".tmp\"\n"
                           << "mv \"" << ran(name).string() << ".tmp\" \"" << ran(name).string()
                           << "\"\n"
                           << "sleep " << sleepSeconds << "\n";
    fs::permissions(program, permissions);
  }

  // "<pid> <arguments>" once the program has run.
  std::optional<std::string> waitForRun(const std::string& name) const {
    for (int tries = 0; tries < 500; ++tries) {
      std::ifstream in(ran(name));
      std::string line;
      if (std::getline(in, line)) return line;
      std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
  }

 private:
  fs::path ran(const std::string& name) const { return root_ / (name + ".ran"); }

  fs::path root_;
};

std::vector<std::string> command(const fs::path& program, std::vector<std::string> arguments = {}) {
  arguments.insert(arguments.begin(), program.string());
  return arguments;
}

}  // namespace

TEST(DesktopWorkspaceAudioUtility, TheFirstMixerThatCanRunInPathAndPreferenceOrder) {
  FakePrograms early;
  FakePrograms late;
  DesktopWorkspace workspace("::" + early.bin().string() + ":" + late.bin().string());
  early.install("xdg-open");
  early.install("gnome-control-center");
  EXPECT_FALSE(workspace.openApplication(kAudioMIDISetup)) << "no mixer is installed";
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child was started";
  early.install("helvum");
  EXPECT_EQ(workspace.commandForApplication(kAudioMIDISetup), command(early.bin() / "helvum"));
  early.install("pavucontrol", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directory(early.bin() / "qpwgraph");
  late.install("qpwgraph");
  EXPECT_EQ(workspace.commandForApplication(kAudioMIDISetup), command(late.bin() / "qpwgraph"));
  late.install("pavucontrol");
  EXPECT_EQ(workspace.commandForApplication(kAudioMIDISetup), command(late.bin() / "pavucontrol"));
}

TEST(DesktopWorkspaceAudioUtility, LaunchesDetachedWithoutWaitingForTheProgram) {
  FakePrograms programs;
  programs.install("qpwgraph", fs::perms::owner_all, 30);
  DesktopWorkspace workspace(programs.bin().string());
  ASSERT_TRUE(workspace.openApplication(kAudioMIDISetup));
  const auto ran = programs.waitForRun("qpwgraph");
  ASSERT_TRUE(ran.has_value()) << "the mixer did not run";
  const pid_t pid = std::stoi(*ran);
  EXPECT_EQ(kill(pid, 0), 0) << "the call returned while the program still runs";
  EXPECT_NE(getsid(pid), getsid(0)) << "the program runs in a session apart from ours";
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child of ours is left to reap";
  EXPECT_EQ(errno, ECHILD);
  kill(pid, SIGTERM);
}

TEST(DesktopWorkspaceSettings, TheMicrophoneSettingsOpenTheDesktopsSoundSettings) {
  const std::string url = MonitorViewModel::microphoneSettingsURL;
  FakePrograms programs;
  DesktopWorkspace workspace(programs.bin().string());
  EXPECT_EQ(workspace.commandForURL(url), std::nullopt);
  EXPECT_FALSE(workspace.openURL(url));
  programs.install("helvum");
  EXPECT_EQ(workspace.commandForURL(url), command(programs.bin() / "helvum"))
      << "a mixer stands in where the desktop has no sound settings";
  programs.install("systemsettings");
  EXPECT_EQ(workspace.commandForURL(url),
            command(programs.bin() / "systemsettings", {"kcm_pulseaudio"}));
  programs.install("gnome-control-center");
  EXPECT_EQ(workspace.commandForURL(url),
            command(programs.bin() / "gnome-control-center", {"sound"}));
  EXPECT_TRUE(workspace.openURL(url));
  EXPECT_NE(programs.waitForRun("gnome-control-center"), std::nullopt);
}

TEST(DesktopWorkspaceSettings, OtherLinksAndFilesOpenWithXdgOpen) {
  FakePrograms programs;
  DesktopWorkspace workspace(programs.bin().string());
  EXPECT_FALSE(workspace.openURL("https://example.org/manual"));
  programs.install("xdg-open");
  EXPECT_EQ(workspace.commandForURL("https://example.org/manual"),
            command(programs.bin() / "xdg-open", {"https://example.org/manual"}));
  EXPECT_EQ(workspace.commandForApplication("/usr/share/doc"),
            command(programs.bin() / "xdg-open", {"/usr/share/doc"}));
  ASSERT_TRUE(workspace.openURL("https://example.org/manual"));
  const auto ran = programs.waitForRun("xdg-open");
  ASSERT_TRUE(ran.has_value());
  EXPECT_EQ(ran->substr(ran->find(' ') + 1), "https://example.org/manual");
}
