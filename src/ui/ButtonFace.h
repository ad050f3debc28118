#pragma once

// The face of a monitor-control button: a control lamp, an icon, a bold caption and a small
// monospaced sub-caption. Painted in one piece and hidden from assistive technology; the button
// carries the spoken texts.

#include <QColor>
#include <QString>

#include "ui/DecorativeWidget.h"
#include "ui/PanelSymbol.h"

struct ButtonFaceLook {
  QColor lampColor;
  bool lampLit = false;
  PanelSymbol symbol = PanelSymbol::playFill;
  QColor symbolColor;
  QString caption;
  QString subCaption;

  bool operator==(const ButtonFaceLook&) const = default;
};

class ButtonFace : public DecorativeWidget {
  Q_OBJECT

 public:
  explicit ButtonFace(QWidget* parent = nullptr);

  void setLook(const ButtonFaceLook& look);
  const ButtonFaceLook& look() const { return look_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ButtonFaceLook look_;
};
