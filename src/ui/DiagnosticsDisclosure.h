#pragma once

// The collapsible "SERVICE · TECHNICAL DIAGNOSTICS" box under the status console. Its toggle is a
// checkable button (expanded while checked) reachable with Tab and Space; the body is the
// DiagnosticsView and its controls, shown only while expanded. Collapsed when created; never saved.

#include <QAbstractButton>
#include <QWidget>

class DiagnosticsView;

class DisclosureToggle : public QAbstractButton {
  Q_OBJECT

 public:
  explicit DisclosureToggle(QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class DiagnosticsDisclosure : public QWidget {
  Q_OBJECT

 public:
  explicit DiagnosticsDisclosure(QWidget* parent = nullptr);

  DisclosureToggle* toggle() const { return toggle_; }
  DiagnosticsView* diagnostics() const { return view_; }
  bool isExpanded() const;
  void setExpanded(bool expanded);
  // Takes ownership of `control`; it sits under the readouts and is shown with them.
  void addBodyControl(QWidget* control);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  DisclosureToggle* toggle_;
  DiagnosticsView* view_;
};
