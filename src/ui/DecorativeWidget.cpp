#include "ui/DecorativeWidget.h"

#include "ui/FaceplateAccessibility.h"

DecorativeWidget::DecorativeWidget(QWidget* parent) : QWidget(parent) {
  FaceplateAccessibility::install();
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}
