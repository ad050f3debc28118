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
#include "ui/MonitorView.h"
#include "ui/PickerButton.h"

// One menu entry as shown: a divider, or an item with its title, check and enabled state.
struct MenuEntry {
  bool isDivider = false;
  std::string title;
  bool isChecked = false;
  bool isEnabled = true;

  bool operator==(const MenuEntry&) const = default;

  static MenuEntry divider() { return {true, {}, false, true}; }
  static MenuEntry item(std::string title, bool checked = false) {
    return {false, std::move(title), checked, true};
  }
  static MenuEntry disabled(std::string title) { return {false, std::move(title), false, false}; }
};

inline void PrintTo(const MenuEntry& entry, std::ostream* out) {
  if (entry.isDivider) {
    *out << "----";
  } else {
    *out << '"' << entry.title << '"' << (entry.isChecked ? " ✓" : "")
         << (entry.isEnabled ? "" : " (disabled)");
  }
}

// The picker's menu as it would open now.
inline std::vector<MenuEntry> menuEntries(PickerButton& picker) {
  picker.rebuildMenu();
  std::vector<MenuEntry> entries;
  for (QAction* action : picker.menu()->actions()) {
    if (action->isSeparator()) {
      entries.push_back(MenuEntry::divider());
    } else {
      entries.push_back({false, action->text().toStdString(),
                         action->isCheckable() && action->isChecked(), action->isEnabled()});
    }
  }
  return entries;
}

// Chooses the menu item titled `title`, as a click on it would.
inline void chooseMenuItem(PickerButton& picker, const std::string& title) {
  picker.rebuildMenu();
  for (QAction* action : picker.menu()->actions()) {
    if (action->text().toStdString() == title) {
      action->trigger();
      return;
    }
  }
  ADD_FAILURE() << "no menu item " << title;
}

inline QString accessibleText(QWidget* widget, QAccessible::Text kind) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible ? accessible->text(kind) : QString();
}

class PanelHarness {
 public:
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

  void clickPrimary();
  void run(std::chrono::milliseconds duration) { controller.advance(duration); }

  ControllerHarness controller;
  AudioObjectID speakers = 0;
  AudioObjectID interface = 0;
  std::unique_ptr<MonitorView> view;
};

inline void PanelHarness::clickPrimary() {
  view->primaryButton()->click();
  controller.settle();
}
