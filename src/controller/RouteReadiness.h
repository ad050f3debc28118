#pragma once

// Whether the selected route can start now, and if not, the first reason why.

#include <string>
#include <variant>

#include "audio/MonitoringConfiguration.h"

struct RouteReadiness {
  struct Ready {
    MonitoringConfiguration configuration;
    bool operator==(const Ready&) const = default;
  };
  // A saved UID whose device is not in the catalog counts as a saved selection.
  struct InputUnavailable {
    bool hasSavedSelection = false;
    bool operator==(const InputUnavailable&) const = default;
  };
  struct UnsupportedFormat {
    std::string route;  // "input" or "output"
    double sampleRate = 0;
    bool operator==(const UnsupportedFormat&) const = default;
  };
  struct InvalidChannelPair {
    bool operator==(const InvalidChannelPair&) const = default;
  };
  struct OutputUnavailable {
    bool operator==(const OutputUnavailable&) const = default;
  };

  std::variant<Ready, InputUnavailable, UnsupportedFormat, InvalidChannelPair, OutputUnavailable>
      value;

  template <typename Case>
  bool is() const {
    return std::holds_alternative<Case>(value);
  }
  // The case's payload, or null when the readiness is another case.
  template <typename Case>
  const Case* as() const {
    return std::get_if<Case>(&value);
  }
  bool isReady() const { return is<Ready>(); }

  bool operator==(const RouteReadiness&) const = default;
};
