#include "platform/resampler/RenderQualityConverter.h"

#include <samplerate.h>

int converterForRenderQuality(UInt32 quality) {
  if (quality >= kRenderQuality_High) return SRC_SINC_BEST_QUALITY;
  if (quality >= kRenderQuality_Medium) return SRC_SINC_MEDIUM_QUALITY;
  if (quality >= kRenderQuality_Low) return SRC_SINC_FASTEST;
  return SRC_LINEAR;
}
