#include "app/DarkAppearance.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include "ui/StudioPalette.h"

void applyDarkAppearance(QApplication& application) {
  application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QPalette palette;
  const QColor text = StudioPalette::textPrimary();
  const QColor muted = StudioPalette::engraved();
  palette.setColor(QPalette::Window, StudioPalette::chassis());
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, StudioPalette::inset());
  palette.setColor(QPalette::AlternateBase, StudioPalette::panel());
  palette.setColor(QPalette::ToolTipBase, StudioPalette::panel());
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, muted);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, StudioPalette::panel());
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::BrightText, StudioPalette::red());
  palette.setColor(QPalette::Light, StudioPalette::edge());
  palette.setColor(QPalette::Midlight, StudioPalette::edge());
  palette.setColor(QPalette::Mid, StudioPalette::panel());
  palette.setColor(QPalette::Dark, StudioPalette::chassis());
  palette.setColor(QPalette::Shadow, Qt::black);
  palette.setColor(QPalette::Highlight, StudioPalette::withOpacity(StudioPalette::amber(), 0.85));
  palette.setColor(QPalette::HighlightedText, StudioPalette::chassis());
  palette.setColor(QPalette::Link, StudioPalette::amber());
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, muted);
  }
  application.setPalette(palette);
}
