#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

// A private PipeWire session with the virtual devices of scripts/pw-session.sh. The process's own
// PipeWire clients reach it through the environment the script prints, which starting it sets.
namespace pipewire_test {

inline const std::string kInterface = "vx-test-interface";
inline const std::string kSpeakers = "vx-test-speakers";
inline const std::string kHeadphones = "vx-test-headphones";

inline std::filesystem::path sessionScript() {
  return std::filesystem::path(VX_SOURCE_DIR) / "scripts/pw-session.sh";
}

// Runs the script with the given arguments; answers its standard output, and whether it
// succeeded.
inline bool runSession(const std::string& arguments, std::string* output = nullptr) {
  const std::string command = "bash '" + sessionScript().string() + "' " + arguments;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  std::string text;
  char chunk[512];
  while (std::size_t read = std::fread(chunk, 1, sizeof(chunk), pipe)) text.append(chunk, read);
  const int status = pclose(pipe);
  if (output != nullptr) *output = text;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Starts a session in a new directory, points this process at it and creates the devices;
// answers whether all of that worked.
inline bool startPrivateSession() {
  char pattern[] = "/tmp/vx-pw-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return false;
  setenv("VX_PW_SESSION", pattern, 1);
  std::string exports;
  if (!runSession("start") || !runSession("env", &exports)) return false;
  std::size_t line = 0;
  while ((line = exports.find("export ", line)) != std::string::npos) {
    const std::size_t equals = exports.find('=', line);
    const std::size_t end = exports.find('\n', equals);
    setenv(exports.substr(line + 7, equals - line - 7).c_str(),
           exports.substr(equals + 1, end - equals - 1).c_str(), 1);
    line = end;
  }
  return runSession("make-devices");
}

inline void stopPrivateSession() {
  runSession("stop");
}

// A file in the session's directory, which ends with it.
inline std::string sessionFile(const std::string& name) {
  return std::string(std::getenv("VX_PW_SESSION")) + "/" + name;
}

}  // namespace pipewire_test
