#pragma once

// Logs what a bug report needs, as it happens: every phase change (with its message), the route's
// selections, mute, technical errors (vexmora.route), and every input device that appears or
// goes, every input left out (once, with why) and every change of the system output
// (vexmora.devices). Main thread.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "controller/MonitorViewModel.h"

class RouteEventLog {
 public:
  explicit RouteEventLog(MonitorViewModel& controller);
  ~RouteEventLog();
  RouteEventLog(const RouteEventLog&) = delete;
  RouteEventLog& operator=(const RouteEventLog&) = delete;

 private:
  void record();
  void recordDevices();

  MonitorViewModel& controller_;
  MonitorViewModel::ObserverID subscription_;
  // The controller's revision logged; a poll changes nothing logged here.
  std::optional<std::uint64_t> revision_;
  std::optional<MonitoringPhase> phase_;
  std::optional<std::string> deviceUID_;
  std::optional<std::string> pairID_;
  bool isMuted_ = false;
  std::optional<std::string> technicalError_;
  std::map<std::string, std::string> inputs_;   // UID → name
  std::map<std::string, std::string> leftOut_;  // UID → reason
  std::optional<AudioOutputDevice> output_;
};
