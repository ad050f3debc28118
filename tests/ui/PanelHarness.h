#pragma once

// The main panel on the simulated platform: a controller from ControllerHarness (virtual-time main
// thread, simulated devices playing a sine) and a MonitorView bound to it, with helpers that read
// the panel back the way a person or a screen reader meets it.

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <memory>
#include <string>
#include <vector>

#include "controller/ControllerHarness.h"
#include "ui/HardwareButton.h"
#include "ui/MonitorView.h"
#include "ui/PickerButton.h"

// The picker's menu as it would open now: "---" for a divider, "* " before a checked item, a
// disabled item in parentheses, entries joined by " | ".
inline std::string menuEntries(PickerButton& picker) {
  picker.rebuildMenu();
  QStringList entries;
  for (QAction* action : picker.menu()->actions()) {
    const QString title = action->text();
    if (action->isSeparator())
      entries << "---";
    else if (!action->isEnabled())
      entries << "(" + title + ")";
    else
      entries << (action->isCheckable() && action->isChecked() ? "* " : "") + title;
  }
  return entries.join(" | ").toStdString();
}

// Chooses the menu item titled `title`, as a click on it would.
inline void chooseMenuItem(PickerButton& picker, const std::string& title) {
  picker.rebuildMenu();
  for (QAction* action : picker.menu()->actions()) {
    if (action->text().toStdString() == title) return action->trigger();
  }
  ADD_FAILURE() << "no menu item " << title;
}

inline QString accessibleText(QWidget* widget, QAccessible::Text kind) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible ? accessible->text(kind) : QString();
}

// What a screen reader says for the widget, and its tooltip: "name | value | description | tip".
inline std::string spoken(QWidget* widget) {
  QStringList parts;
  for (QAccessible::Text kind : {QAccessible::Name, QAccessible::Value, QAccessible::Description})
    parts << accessibleText(widget, kind);
  return (parts << widget->toolTip()).join(" | ").toStdString();
}

struct PanelHarness {
  // The desktop's default output and a four-input interface, unless the test plugs its own.
  void plugStandardDevices() {
    speakers = controller.plugOutput("Studio Speakers", "speakers", 48000.0);
    interface = controller.plugInput("Scarlett 4i4", "scarlett", 4, 48000.0);
  }

  MonitorView& open(bool reduceMotion = true) {
    controller.launch();
    controller.settle();
    view = std::make_unique<MonitorView>(controller.vm(), controller.workspace,
                                         [reduceMotion] { return reduceMotion; });
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
