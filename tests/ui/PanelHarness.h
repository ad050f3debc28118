#pragma once

// The main panel on the simulated platform (ControllerHarness: virtual-time main thread, devices
// playing a sine), and readers that meet it as a person or a screen reader does.

#include <QAccessible>
#include <QMenu>
#include <memory>

#include "controller/ControllerHarness.h"
#include "ui/HardwareButton.h"
#include "ui/MonitorView.h"
#include "ui/PickerButton.h"

// The picker's menu as it would open now: "---" a divider, "* " checked, "(…)" disabled.
inline std::string menuEntries(PickerButton& picker) {
  picker.rebuildMenu();
  QStringList entries;
  for (QAction* a : picker.menu()->actions()) {
    const QString title = (a->isCheckable() && a->isChecked() ? "* " : "") + a->text();
    entries << (a->isSeparator() ? "---" : a->isEnabled() ? title : "(" + title + ")");
  }
  return entries.join(" | ").toStdString();
}

inline QString accessibleText(QWidget* widget, QAccessible::Text kind) {
  const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible ? accessible->text(kind) : QString();
}

// What a screen reader says for the widget, and its tooltip: "name | value | description | tip".
inline std::string spoken(QWidget* w) {
  return QStringList{accessibleText(w, QAccessible::Name), accessibleText(w, QAccessible::Value),
                     accessibleText(w, QAccessible::Description), w->toolTip()}
      .join(" | ")
      .toStdString();
}

struct PanelHarness {
  // The desktop's default output and a four-input interface.
  ControllerHarness& plugStandardDevices() {
    speakers = controller.plugOutput("Studio Speakers", "speakers");
    interface = controller.plugInput("Scarlett 4i4", "scarlett");
    return controller;
  }
  MonitorView& open() {
    controller.launch();
    view = std::make_unique<MonitorView>(vm(), controller.workspace, [] { return true; });
    view->resize(620, 700);
    return *view;
  }
  MonitorViewModel& vm() { return controller.vm(); }
  void run(std::chrono::milliseconds duration) { controller.advance(duration); }
  void clickPrimary() {
    view->primaryButton()->click();
    controller.settle();
  }

  ControllerHarness controller;
  AudioObjectID speakers = 0;
  AudioObjectID interface = 0;
  std::unique_ptr<MonitorView> view;
};
