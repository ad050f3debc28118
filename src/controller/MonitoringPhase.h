#pragma once

// The run state of the route. Only a failed phase carries a message: the user-facing explanation.

#include <string>
#include <utility>

class MonitoringPhase {
 public:
  enum class Kind {
    failed,
    stopped,
    requestingPermission,
    starting,
    running,
    reconfiguring,
    stopping,
    waitingForInput,
    waitingForOutput,
    waitingForFormat,
  };

  static MonitoringPhase failed(std::string message) {
    return MonitoringPhase(Kind::failed, std::move(message));
  }
  static MonitoringPhase stopped() { return MonitoringPhase(Kind::stopped); }
  static MonitoringPhase requestingPermission() {
    return MonitoringPhase(Kind::requestingPermission);
  }
  static MonitoringPhase starting() { return MonitoringPhase(Kind::starting); }
  static MonitoringPhase running() { return MonitoringPhase(Kind::running); }
  static MonitoringPhase reconfiguring() { return MonitoringPhase(Kind::reconfiguring); }
  static MonitoringPhase stopping() { return MonitoringPhase(Kind::stopping); }
  static MonitoringPhase waitingForInput() { return MonitoringPhase(Kind::waitingForInput); }
  static MonitoringPhase waitingForOutput() { return MonitoringPhase(Kind::waitingForOutput); }
  static MonitoringPhase waitingForFormat() { return MonitoringPhase(Kind::waitingForFormat); }

  // The case's name as written in code ("waitingForInput"), for logs and test output.
  static const char* name(Kind kind) {
    switch (kind) {
      case Kind::failed:
        return "failed";
      case Kind::stopped:
        return "stopped";
      case Kind::requestingPermission:
        return "requestingPermission";
      case Kind::starting:
        return "starting";
      case Kind::running:
        return "running";
      case Kind::reconfiguring:
        return "reconfiguring";
      case Kind::stopping:
        return "stopping";
      case Kind::waitingForInput:
        return "waitingForInput";
      case Kind::waitingForOutput:
        return "waitingForOutput";
      case Kind::waitingForFormat:
        return "waitingForFormat";
    }
    return "unknown";
  }

  Kind kind() const { return kind_; }
  // The explanation of a failed phase; empty for every other phase.
  const std::string& message() const { return message_; }
  bool isWaiting() const {
    return kind_ == Kind::waitingForInput || kind_ == Kind::waitingForOutput ||
           kind_ == Kind::waitingForFormat;
  }

  // Same case, and for failed the same message.
  bool operator==(const MonitoringPhase&) const = default;

 private:
  explicit MonitoringPhase(Kind kind, std::string message = {})
      : kind_(kind), message_(std::move(message)) {}

  Kind kind_;
  std::string message_;
};
