#include "platform/linux/ExecutableSearch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

std::optional<std::string> findExecutable(const std::string& program,
                                          const std::string& searchPath) {
  if (program.empty() || program.find('/') != std::string::npos) return std::nullopt;
  std::string::size_type start = 0;
  while (start <= searchPath.size()) {
    std::string::size_type end = searchPath.find(':', start);
    if (end == std::string::npos) end = searchPath.size();
    if (end > start) {
      const std::string candidate = searchPath.substr(start, end - start) + "/" + program;
      struct stat info {};
      if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
          access(candidate.c_str(), X_OK) == 0) {
        return candidate;
      }
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::string processSearchPath() {
  const char* path = std::getenv("PATH");
  return path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
}
