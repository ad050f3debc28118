#pragma once

// Fonts of the faceplate: the system font in a design, a pixel size (one point of the layout is
// one device-independent pixel), a weight and an absolute letter spacing.

#include <QFont>

enum class FontDesign { standard, rounded, monospaced };

// Desktops rarely ship a rounded system face, so the rounded design falls back to the general
// system font; the monospaced design is the desktop's fixed-pitch font.
QFont faceplateFont(int pixelSize, QFont::Weight weight, FontDesign design = FontDesign::standard,
                    double letterSpacing = 0.0);
