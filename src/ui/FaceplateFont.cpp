#include "ui/FaceplateFont.h"

#include <QFontDatabase>

QFont faceplateFont(int pixelSize, QFont::Weight weight, FontDesign design, double letterSpacing) {
  QFont font = QFontDatabase::systemFont(
      design == FontDesign::monospaced ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont);
  font.setPixelSize(pixelSize);
  font.setWeight(weight);
  if (letterSpacing != 0.0) font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
  return font;
}
