#include "ui/SectionHeading.h"

#include "ui/FaceplateAccessibility.h"
#include "ui/FaceplateFont.h"
#include "ui/StudioPalette.h"

SectionHeading::SectionHeading(const QString& title, QWidget* parent) : QLabel(title, parent) {
  FaceplateAccessibility::install();
  setFont(faceplateFont(10, QFont::Bold, FontDesign::monospaced, 1.2));
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, StudioPalette::textPrimary());
  setPalette(colours);
  setAccessibleName(title);
}
