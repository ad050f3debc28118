#pragma once

// The engraved title of a faceplate section, exposed to assistive technology as a heading.

#include <QLabel>

class SectionHeading : public QLabel {
  Q_OBJECT

 public:
  explicit SectionHeading(const QString& title, QWidget* parent = nullptr);
};
