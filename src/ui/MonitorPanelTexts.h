#pragma once

// The panel's own derived values: picker faces, accessibility values, the header word, the primary
// button's sub-caption and which recovery button to offer. Pure functions of the controller's
// state, so the panel can recompute them after every published change.

#include <optional>
#include <string>

#include "controller/MonitorViewModel.h"

enum class RecoveryAction { openMicrophoneSettings, openAudioMIDISetup, retry };

namespace MonitorPanelTexts {

inline constexpr const char* audioMIDISetupPath =
    "/System/Applications/Utilities/Audio MIDI Setup.app";

// requestingPermission, starting, reconfiguring or stopping.
bool isTransitional(const MonitoringPhase& phase);
// The intent is set or audio flows.
bool isEngaged(const MonitorViewModel& model);

// "Inputs 1 / 2 — Left: Input 1 · Right: Input 2".
std::string pairTitle(const AudioChannelPair& pair);
std::string inputTitle(const MonitorViewModel& model);
std::string inputAccessibilityValue(const MonitorViewModel& model);
std::string outputAccessibilityValue(const MonitorViewModel& model);
std::string selectedChannelName(const MonitorViewModel& model);
std::optional<std::string> inputFormat(const MonitorViewModel& model);
std::optional<std::string> outputFormat(const MonitorViewModel& model);

std::string headerStatus(const MonitorViewModel& model);
std::string primaryActionCaption(const MonitorViewModel& model);
// The button is held back while a start or stop it asked for is under way.
bool primaryActionEnabled(const MonitorViewModel& model);

std::optional<RecoveryAction> recoveryAction(const MonitorViewModel& model);
std::string recoveryTitle(RecoveryAction action);

}  // namespace MonitorPanelTexts
