#include "platform/resampler/RenderQualityConverter.h"

#include <samplerate.h>

int converterForRenderQuality(UInt32 quality) {
  // The top bands share the medium sinc: above 120 dB THD+N at 1 and 15 kHz and flat to 20 kHz at
  // a ratio near 1, at a third of the best sinc's cost, which cannot keep up with a 192 kHz input
  // on a busy two-core machine.
  if (quality >= kRenderQuality_Medium) return SRC_SINC_MEDIUM_QUALITY;
  if (quality >= kRenderQuality_Low) return SRC_SINC_FASTEST;
  return SRC_LINEAR;
}
