#pragma once

// What the status console shows. Deliberately without equality: it is derived on demand.

#include <optional>
#include <string>

enum class StatusSeverity { neutral, active, warning, error };

struct StatusPresentation {
  std::string title;
  std::optional<std::string> detail;
  StatusSeverity severity = StatusSeverity::neutral;
};
