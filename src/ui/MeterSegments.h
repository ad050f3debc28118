#pragma once

// Which of the meter's 32 segments are lit, which one carries the held peak, and which colour
// zone each belongs to. Shared by the drawing and by the spoken description of the bar.

#include <optional>

namespace MeterSegments {

enum class Zone { green, amber, red };

// Number of segments lit from the left for a level: 0 at or below −60, 32 at or above −0.75.
int litCount(double levelDBFS);

// Index of the segment drawn as the peak marker; none while the peak sits on the floor.
std::optional<int> peakSegment(double peakDBFS);

// Colour zone of segment 0 … 31, decided by the value at its centre.
Zone zone(int segment);

}  // namespace MeterSegments
