#pragma once

// The few texts that name the operating system's own audio service, settings or tools. Everything
// else the window says holds on every platform. Each build shows its own platform's set; the
// macOS set keeps the original wording so both stay side by side here.

struct PlatformWording {
  // Detail of "System output unavailable".
  const char* chooseOutput;
  // Its detail when the audio service itself is not running.
  const char* serviceMissing;
  // Start of the unsupported-rate detail: this + rate + " kHz for the " + route + ". …".
  const char* rateReportedBy;
  // Detail while following a new system output.
  const char* followingOutput;
  // Detail while waiting for the system output.
  const char* outputResume;
  // Detail while waiting for a supported format.
  const char* formatResume;
  // Failure message when the devices refuse the current format.
  const char* unsupportedFormatFailure;
  // Trailing caption of the status section.
  const char* statusCaption;
  // Recovery button that opens the platform's audio device utility.
  const char* audioSetupTitle;
  // Names the platform's own words appended to a failure's technical text.
  const char* serviceName;
  // Whether a failure's status reads in words ("invalid parameter, -50") rather than as the
  // platform's status code ("OSStatus, -50").
  bool namesStatusesInWords;
};

inline constexpr PlatformWording macOSWording{
    "Choose an audio output in macOS Sound settings.",
    "Core Audio isn't running. VEXMORA MONITOR connects to it as soon as it is back.",
    "Core Audio reported ",
    "AirPlay routes may take a moment to become ready.",
    "Monitoring will resume when the macOS output route is ready.",
    "Monitoring will resume when Core Audio reports a usable PCM format.",
    "Core Audio couldn't open the current input/output format. Keep the Scarlett at its working "
    "rate, check that both devices are available, then retry.",
    "CORE AUDIO",
    "Open Audio MIDI Setup",
    "Core Audio",
    false,
};

inline constexpr PlatformWording linuxWording{
    "Choose an audio output in the desktop's Sound settings.",
    "The PipeWire audio server isn't running. VEXMORA MONITOR connects to it as soon as it "
    "starts.",
    "PipeWire reported ",
    "Network and Bluetooth outputs may take a moment to become ready.",
    "Monitoring will resume when the system output is ready.",
    "Monitoring will resume when PipeWire reports a usable PCM format.",
    "PipeWire couldn't open the current input/output format. Keep the Scarlett at its working "
    "rate, check that both devices are available, then retry.",
    "PIPEWIRE",
    "Open Audio Setup",
    "PipeWire",
    true,
};

#if defined(__APPLE__)
inline constexpr const PlatformWording& platformWording = macOSWording;
#else
inline constexpr const PlatformWording& platformWording = linuxWording;
#endif
