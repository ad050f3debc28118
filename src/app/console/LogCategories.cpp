#include "app/console/LogCategories.h"

Q_LOGGING_CATEGORY(vxRouteLog, "vexmora.route", QtWarningMsg)
Q_LOGGING_CATEGORY(vxDevicesLog, "vexmora.devices", QtWarningMsg)
