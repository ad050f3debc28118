#pragma once

// What the tray icon shows of the route: its look, drawn as a pilot light, and its tooltip.
// Pure functions of the controller's state. Main thread.

#include <QIcon>
#include <QString>

#include "controller/MonitorViewModel.h"

enum class TrayLook { off, running, muted, waiting, failed };

TrayLook trayLook(const MonitorViewModel& model);
// "VEXMORA MONITOR · " and the status console's title.
QString trayToolTip(const MonitorViewModel& model);
// A lit green light (running), a lit amber light crossed out (muted), an amber ring (waiting,
// starting), a lit red light (failed) or a grey ring (off), on the dark faceplate.
QIcon trayIcon(TrayLook look);
