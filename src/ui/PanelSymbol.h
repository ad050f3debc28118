#pragma once

// The panel's icons, drawn as vector paths so that they stay crisp at any size and scale factor.
// Each is designed on a 16 × 16 grid and scaled into the box it is given.

#include <QColor>
#include <QRectF>

class QPainter;

enum class PanelSymbol {
  waveform,
  cableConnector,
  arrowLeftArrowRight,
  speakerWave2Fill,
  speakerSlashFill,
  chevronDown,
  playFill,
  stopFill,
  gear,
  sliderHorizontal3,
  arrowClockwise,
  wrenchAndScrewdriverFill,
  checkmark,
};

// `weight` scales the stroke: 1 is medium, larger is bolder.
void paintPanelSymbol(QPainter& painter, PanelSymbol symbol, const QRectF& box, const QColor& color,
                      double weight = 1.0);
