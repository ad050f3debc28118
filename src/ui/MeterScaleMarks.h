#pragma once

// The dB labels above the left meter and where each one is centred along the scale row.

#include <QString>
#include <vector>

struct ScaleMark {
  int db;
  QString label;
};

namespace MeterScaleMarks {

const std::vector<ScaleMark>& marks();

// x of the mark's centre in a row `width` wide: over its segment boundary, but kept 10 from the
// left edge for −60 and 5 from either edge for the others so that no label is cut.
double centreX(int db, double width);

}  // namespace MeterScaleMarks
