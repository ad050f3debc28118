#pragma once

// The program's log categories. Their informational messages are off unless --verbose or
// QT_LOGGING_RULES (for example "vexmora.*.info=true") turns them on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(vxRouteLog)
Q_DECLARE_LOGGING_CATEGORY(vxDevicesLog)
