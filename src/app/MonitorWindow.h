#pragma once

// The one window: the main panel, at least 560 × 700 and opening at 620 × 700. Closing it only
// hides it; the program, the controller and any running route carry on until the user quits
// (Ctrl+Q here, or the desktop's quit). It tells the controller whether the meters can be seen:
// shown and not minimised. Main thread.

#include <QWidget>
#include <functional>

#include "controller/MonitorViewModel.h"
#include "platform/Workspace.h"

class MonitorView;

class MonitorWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr QSize minimumWindowSize{560, 700};
  static constexpr QSize openingWindowSize{620, 700};

  MonitorWindow(MonitorViewModel& model, Workspace& workspace, std::function<bool()> reduceMotion,
                QWidget* parent = nullptr);

  MonitorView* view() const { return view_; }

  // Shows the window again after it was closed, or brings it to the front.
  void showAndRaise();

 signals:
  void quitRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void reportVisibility();

  MonitorViewModel& model_;
  MonitorView* view_;
};
