#include "ui/MeterScaleMarks.h"

#include <algorithm>

#include "ui/AudioMeterScale.h"

namespace MeterScaleMarks {

const std::vector<ScaleMark>& marks() {
  static const std::vector<ScaleMark> list{
      {-60, QStringLiteral("\u221260")}, {-30, QStringLiteral("\u221230")},
      {-12, QStringLiteral("\u221212")}, {-6, QStringLiteral("\u22126")},
      {-3, QStringLiteral("\u22123")},   {0, QStringLiteral("0")},
  };
  return list;
}

double centreX(int db, double width) {
  const double margin = db == -60 ? 10.0 : 5.0;
  const double x = width * AudioMeterScale::fraction(db);
  return std::min(std::max(x, margin), width - margin);
}

}  // namespace MeterScaleMarks
