#pragma once

// The status console's one recovery action ("Retry", "Open Microphone Settings", …): a chrome-less
// amber button across the full width, its title beside an icon.

#include <QAbstractButton>

#include "ui/PanelSymbol.h"

class RecoveryButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit RecoveryButton(QWidget* parent = nullptr);

  void setAction(const QString& title, PanelSymbol symbol);
  PanelSymbol symbol() const { return symbol_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  PanelSymbol symbol_ = PanelSymbol::arrowClockwise;
};
