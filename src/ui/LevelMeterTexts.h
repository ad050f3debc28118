#pragma once

// Every text the level meter shows, offers as hover help or speaks, derived from its channel label
// and reading.

#include <QString>

#include "controller/MeterReading.h"

namespace LevelMeterTexts {

// A level rounded to whole decibels, halves away from zero, printed as an integer, so that −0.4
// reads 0 and never -0. A reading that is not finite is spoken as the nearest end of the scale.
QString spokenDecibels(double dBFS);

QString segmentBarName(const QString& label);
QString segmentBarValue(const MeterReading& reading);

QString peakReadoutNumber(double sessionPeakDBFS);
QString peakReadoutHelp(const QString& label);
QString peakReadoutName(const QString& label);
QString peakReadoutValue(double sessionPeakDBFS);
QString peakReadoutHint();

QString clipLampHelp(bool isClipping);
QString clipLampName(const QString& label, bool isClipping);
QString clipLampValue(bool isClipping);
QString clipLampHint(bool isClipping);

}  // namespace LevelMeterTexts
