#pragma once

// The fixed technical notation of device numbers in the window: printf's "%.Nf" with "." as the
// decimal separator whatever the process locale. Stateless and safe from any thread.

#include <string>

struct TechnicalNumberFormat {
  TechnicalNumberFormat() = delete;

  // "—" for NaN and infinities; a negative digit count acts as 0.
  static std::string fixed(double value, int fractionDigits);
};
