#include "platform/linux/DesktopWorkspace.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "controller/MonitorViewModel.h"

namespace fs = std::filesystem;

// Requests starting with a slash open an application, others a link. Each row installs fake
// programs in two search directories, a and b: "a/name" a program, "a/name-" one without execute
// permission, "a/name/" a directory. A program records "<pid> <its path> <arguments>" in
// <root>/ran and keeps running as that process.
TEST(DesktopWorkspace, EachRequestRunsTheFirstInstalledProgramDetached) {
  const std::string mixer = "/System/Applications/Utilities/Audio MIDI Setup.app";
  const std::string sound = MonitorViewModel::microphoneSettingsURL;
  const std::string manual = "https://example.org/manual";
  struct Row {
    std::string request;
    std::vector<std::string> installed;
    std::string ran;  // relative to the root; empty when nothing may run
  };
  const std::vector<Row> rows{
      {mixer, {"a/xdg-open", "a/gnome-control-center"}, ""},
      {mixer + "/", {"a/helvum"}, "a/helvum"},
      {mixer, {"a/helvum", "a/pavucontrol-", "a/qpwgraph/", "b/qpwgraph"}, "b/qpwgraph"},
      {mixer, {"a/helvum", "b/qpwgraph", "b/pavucontrol"}, "b/pavucontrol"},
      {"/usr/share/doc", {"b/xdg-open", "a/helvum"}, "b/xdg-open /usr/share/doc"},
      {sound, {"a/xdg-open"}, ""},
      {sound, {"a/helvum"}, "a/helvum"},
      {sound, {"a/helvum", "a/systemsettings"}, "a/systemsettings kcm_pulseaudio"},
      {sound, {"a/systemsettings", "b/gnome-control-center"}, "b/gnome-control-center sound"},
      {manual, {"a/helvum"}, ""},
      {manual, {"b/xdg-open"}, "b/xdg-open " + manual},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.request + " with " + row.installed.back());
    char pattern[] = "/tmp/vx-workspace-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    fs::create_directory(root / "a");
    fs::create_directory(root / "b");
    for (const std::string& entry : row.installed) {
      const fs::path file = root / entry.substr(0, entry.find_last_not_of("-/") + 1);
      if (entry.back() == '/') {
        fs::create_directory(file);
        continue;
      }
      const std::string ran = (root / "ran").string();
      std::ofstream(file) << "#!/bin/sh\necho \"$$\" \"$0\" \"$@\" >" << ran << ".tmp && mv " << ran
                          << ".tmp " << ran << " && exec sleep 5\n";
      fs::permissions(file, entry.back() == '-' ? fs::perms::owner_read : fs::perms::owner_all);
    }
    DesktopWorkspace workspace("::" + (root / "a").string() + ":" + (root / "b").string());
    EXPECT_EQ(row.request[0] == '/' ? workspace.openApplication(row.request)
                                    : workspace.openURL(row.request),
              !row.ran.empty());
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child of ours is left to reap";
    std::string ran;
    for (int tries = 0; tries < 500 && ran.empty() && !row.ran.empty(); ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::getline(std::ifstream(root / "ran"), ran);
    }
    fs::remove_all(root);
    if (row.ran.empty()) continue;
    ASSERT_NE(ran.find(' '), std::string::npos) << "nothing ran";
    EXPECT_EQ(ran.substr(ran.find(' ') + 1), root.string() + "/" + row.ran);
    const pid_t pid = std::stoi(ran);
    EXPECT_EQ(kill(pid, 0), 0) << "the call returned while the program still runs";
    EXPECT_NE(getsid(pid), getsid(0)) << "the program runs in a session apart from ours";
    kill(pid, SIGTERM);
  }
}
