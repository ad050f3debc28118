#pragma once

// The system output row's box: the default output's name, a "SYSTEM" badge and its signal format,
// all painted in one recessed box. Assistive technology reads it as one element named
// "System output" whose value is the name and format.

#include <QWidget>

#include "ui/AccessibleValueSource.h"

class OutputBox : public QWidget, public AccessibleValueSource {
  Q_OBJECT

 public:
  explicit OutputBox(QWidget* parent = nullptr);

  // `name` empty means there is no output device; `format` empty means no format.
  void setOutput(const QString& name, const QString& format, const QString& accessibleValue);
  const QString& shownName() const { return name_; }
  const QString& format() const { return format_; }

  QString accessibleValueText() const override { return accessibleValue_; }
  QAccessible::Role accessibleRole() const override { return QAccessible::StaticText; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int trailingWidth() const;

  QString name_;
  QString format_;
  QString accessibleValue_;
};
