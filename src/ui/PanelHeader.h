#pragma once

// The header plate: the round waveform badge, the product name and line, the unit number and a
// pilot light beside the one-word state of the route. Painted in one piece; assistive technology
// reads it as one element whose name is its visible texts joined with ", ".

#include <QColor>
#include <QString>
#include <QWidget>

class PanelHeader : public QWidget {
  Q_OBJECT

 public:
  explicit PanelHeader(QWidget* parent = nullptr);

  void setState(const QString& word, const QColor& lightColor);
  const QString& word() const { return word_; }
  const QColor& lightColor() const { return lightColor_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString word_;
  QColor lightColor_;
};
