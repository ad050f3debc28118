#pragma once

// The smoked-glass status console: a pilot light in the severity colour over an engraved
// "STATUS", beside the status title in upper case and its wrapping detail. The console grows in
// height for a long detail. Assistive technology reads it as one element whose name is its
// visible texts joined with ", "; everything inside is painted, so nothing else is exposed.

#include <QString>
#include <QWidget>

#include "controller/StatusPresentation.h"

class StatusConsole : public QWidget {
  Q_OBJECT

 public:
  explicit StatusConsole(QWidget* parent = nullptr);

  void setStatus(const StatusPresentation& status);
  const StatusPresentation& status() const { return status_; }

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString titleText() const;
  QRect titleRect(int width) const;
  QRect detailRect(int width) const;

  StatusPresentation status_;
};
