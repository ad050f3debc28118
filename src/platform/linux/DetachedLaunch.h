#pragma once

// Starting another program without waiting for it and without leaving it tied to us.

#include <string>
#include <vector>

// Runs the executable at `path` with `arguments` (the program's name first) in a session of its
// own, with standard input and output on /dev/null, and returns without waiting for it: the
// intermediate child of a double fork exits at once and is reaped here, so the program is
// adopted by init and never becomes our zombie. True when the program was handed off.
bool launchDetached(const std::string& path, const std::vector<std::string>& arguments);
