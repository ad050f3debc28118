#include "ui/LevelMeterTexts.h"

#include <algorithm>
#include <cmath>

#include "devices/TechnicalNumberFormat.h"

namespace LevelMeterTexts {

QString spokenDecibels(double dBFS) {
  if (std::isnan(dBFS)) dBFS = -60.0;
  if (std::isinf(dBFS)) dBFS = dBFS < 0 ? -60.0 : 0.0;
  // Rounding to an integer (halves away from zero) leaves no negative zero to print; the clamp
  // keeps absurd readings inside the integer's range.
  return QString::number(std::llround(std::clamp(dBFS, -1.0e6, 1.0e6)));
}

QString segmentBarName(const QString& label) {
  return label + QStringLiteral(" input level");
}

QString segmentBarValue(const MeterReading& reading) {
  return spokenDecibels(reading.levelDBFS) + QStringLiteral(" decibels full scale, held peak ") +
         spokenDecibels(reading.peakDBFS) + QStringLiteral(" decibels full scale, ") +
         (reading.isClipping ? QStringLiteral("clipping indicator latched")
                             : QStringLiteral("no clipping"));
}

QString peakReadoutNumber(double sessionPeakDBFS) {
  return QString::fromStdString(TechnicalNumberFormat::fixed(sessionPeakDBFS, 1));
}

QString peakReadoutHelp(const QString& label) {
  return QStringLiteral("Reset ") + label.toLower() +
         QStringLiteral(" peak memory · the next peak starts a new maximum");
}

QString peakReadoutName(const QString& label) {
  return QStringLiteral("Reset ") + label.toLower() + QStringLiteral(" peak memory");
}

QString peakReadoutValue(double sessionPeakDBFS) {
  return peakReadoutNumber(sessionPeakDBFS) + QStringLiteral(" decibels full scale");
}

QString peakReadoutHint() {
  return QStringLiteral("The next measured peak starts a new maximum");
}

QString clipLampHelp(bool isClipping) {
  return isClipping ? QStringLiteral("Click to clear the latched clip indicator")
                    : QStringLiteral("No clipping detected");
}

QString clipLampName(const QString& label, bool isClipping) {
  return isClipping
             ? QStringLiteral("Clear ") + label.toLower() + QStringLiteral(" clipping indicator")
             : label + QStringLiteral(" clipping indicator");
}

QString clipLampValue(bool isClipping) {
  return isClipping ? QStringLiteral("Clipping detected") : QStringLiteral("No clipping");
}

QString clipLampHint(bool isClipping) {
  return isClipping ? QStringLiteral("Press to clear the latched indicator")
                    : QStringLiteral("The lamp latches when clipping is detected");
}

}  // namespace LevelMeterTexts
