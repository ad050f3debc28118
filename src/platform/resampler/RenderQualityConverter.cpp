#include "platform/resampler/RenderQualityConverter.h"

unsigned converterForRenderQuality(UInt32 quality) {
  // 32 keeps THD+N near 138 dB at 1 kHz and the response flat to 20 kHz at a ratio near 1. A
  // longer filter gains at most 4 dB at 1 kHz and nothing at 15 kHz, where the interpolation
  // between the library's fixed filter phases sets a floor of 100 dB whatever the length.
  if (quality >= kRenderQuality_Medium) return 32;
  if (quality >= kRenderQuality_Low) return 16;
  return 8;
}
