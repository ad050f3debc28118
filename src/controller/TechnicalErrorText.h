#pragma once

// The text of the diagnostics' "LAST ERROR" row for a failure of the audio path. Where the
// platform's wording names statuses in words, the status reads as what went wrong, with its
// number for a bug report: "Enable audio input failed (invalid parameter, -50)."; otherwise it is
// the failure's own description.

#include <string>

#include "audio/CoreAudioFailure.h"

std::string technicalErrorText(const CoreAudioFailure& failure);
