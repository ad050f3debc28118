#pragma once

// Readable failure output and small observers for the controller tests.

#include <ostream>
#include <string>
#include <vector>

#include "controller/MonitorViewModel.h"

inline void PrintTo(const MonitoringPhase& phase, std::ostream* out) {
  *out << MonitoringPhase::name(phase.kind());
  if (phase.kind() == MonitoringPhase::Kind::failed) *out << "(\"" << phase.message() << "\")";
}

inline void PrintTo(MonitoringPhase::Kind kind, std::ostream* out) {
  *out << MonitoringPhase::name(kind);
}

// Every phase the controller moved to after the recorder was made, in order. Notifications of
// other properties, and re-assignments of the phase it already had, add nothing.
class PhaseRecorder {
 public:
  explicit PhaseRecorder(MonitorViewModel& controller)
      : controller_(controller), last_(controller.phase().kind()) {
    id_ = controller.subscribe([this] {
      const auto kind = controller_.phase().kind();
      if (kind != last_) kinds_.push_back(kind);
      last_ = kind;
    });
  }
  ~PhaseRecorder() { controller_.unsubscribe(id_); }

  const std::vector<MonitoringPhase::Kind>& kinds() const { return kinds_; }
  void clear() { kinds_.clear(); }

 private:
  MonitorViewModel& controller_;
  MonitorViewModel::ObserverID id_;
  MonitoringPhase::Kind last_;
  std::vector<MonitoringPhase::Kind> kinds_;
};
