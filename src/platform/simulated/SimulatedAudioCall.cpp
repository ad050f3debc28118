#include "platform/simulated/SimulatedAudioCall.h"

#include <ostream>

std::string_view simulatedAudioOperationName(SimulatedAudioOperation operation) {
  switch (operation) {
    case SimulatedAudioOperation::findNext:
      return "findNext";
    case SimulatedAudioOperation::instanceNew:
      return "instanceNew";
    case SimulatedAudioOperation::instanceDispose:
      return "instanceDispose";
    case SimulatedAudioOperation::setProperty:
      return "setProperty";
    case SimulatedAudioOperation::getProperty:
      return "getProperty";
    case SimulatedAudioOperation::setParameter:
      return "setParameter";
    case SimulatedAudioOperation::getParameter:
      return "getParameter";
    case SimulatedAudioOperation::initialize:
      return "initialize";
    case SimulatedAudioOperation::uninitialize:
      return "uninitialize";
    case SimulatedAudioOperation::outputStart:
      return "outputStart";
    case SimulatedAudioOperation::outputStop:
      return "outputStop";
    case SimulatedAudioOperation::render:
      return "render";
  }
  return "unknown";
}

std::string_view simulatedUnitKindName(SimulatedUnitKind kind) {
  switch (kind) {
    case SimulatedUnitKind::none:
      return "none";
    case SimulatedUnitKind::ahalUnbound:
      return "ahal-unbound";
    case SimulatedUnitKind::input:
      return "input";
    case SimulatedUnitKind::output:
      return "output";
    case SimulatedUnitKind::varispeed:
      return "varispeed";
  }
  return "unknown";
}

std::ostream& operator<<(std::ostream& stream, const SimulatedAudioCall& call) {
  return stream << simulatedAudioOperationName(call.operation) << '('
                << simulatedUnitKindName(call.kind) << ", id " << call.id << ", scope "
                << call.scope << ", element " << call.element << ") -> " << call.status;
}
