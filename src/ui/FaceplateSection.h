#pragma once

// A raised, engraved plate holding one section of the panel: a header with the title (a heading
// for assistive technology) and an optional trailing label, then the content.
// The plate's drop shadow is painted inside the widget, so the widget extends beyond the plate by
// shadowMargins() on each side.

#include <QMargins>
#include <QWidget>
#include <optional>

class QLabel;
class QVBoxLayout;
class SectionHeading;

class FaceplateSection : public QWidget {
  Q_OBJECT

 public:
  FaceplateSection(const QString& title, const std::optional<QString>& trailingLabel,
                   QWidget* content, QWidget* parent = nullptr);

  static QMargins shadowMargins();

  SectionHeading* heading() const { return heading_; }
  QLabel* trailingLabel() const { return trailing_; }  // null without a trailing label
  QWidget* content() const { return content_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  SectionHeading* heading_;
  QLabel* trailing_ = nullptr;
  QWidget* content_;
};
