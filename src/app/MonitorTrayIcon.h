#pragma once

// The status-notifier icon that shows the program runs while its window is closed. Its look and
// tooltip follow the route; its menu shows the window, starts or stops monitoring, mutes and
// quits; a click shows or hides the window. Made only where the desktop has a tray.
// Main thread.

#include <QMenu>
#include <QSystemTrayIcon>
#include <cstdint>
#include <optional>

#include "app/MonitorWindow.h"
#include "app/TrayLook.h"
#include "controller/MonitorViewModel.h"

class MonitorTrayIcon : public QObject {
  Q_OBJECT

 public:
  MonitorTrayIcon(MonitorViewModel& model, MonitorWindow& window, QObject* parent = nullptr);
  ~MonitorTrayIcon() override;

  QSystemTrayIcon& icon() { return icon_; }
  QMenu& menu() { return menu_; }
  TrayLook look() const { return look_; }

 signals:
  void quitRequested();

 private:
  void refresh();
  void toggleWindow();

  MonitorViewModel& model_;
  MonitorWindow& window_;
  QMenu menu_;
  QSystemTrayIcon icon_;
  QAction* showWindow_;
  QAction* monitoring_;
  QAction* mute_;
  TrayLook look_ = TrayLook::off;
  bool hasLook_ = false;
  // The controller's revision shown; a poll changes nothing the tray shows.
  std::optional<std::uint64_t> shownRevision_;
  MonitorViewModel::ObserverID subscription_;
};
