#pragma once

// Finding a program the way a shell does: the first directory of a PATH-style list that holds an
// executable file of that name.

#include <optional>
#include <string>

// The full path of `program` in the colon-separated `searchPath`; absent when no directory holds
// an executable regular file of that name. Empty entries are skipped rather than meaning the
// working directory, so a launch never depends on where the process happens to stand.
std::optional<std::string> findExecutable(const std::string& program,
                                          const std::string& searchPath);

// The process's PATH, or the usual system directories when it has none.
std::string processSearchPath();
