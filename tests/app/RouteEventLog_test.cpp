#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <string>
#include <vector>

#include "app/console/RouteEventLog.h"
#include "controller/ControllerHarness.h"

namespace {

std::vector<std::string> logged;

// A 1-channel microphone stays out of the picker; the catalog, the log (once for each device) and
// the status shown while nothing else can be chosen say why.
TEST(RouteEventLog, AnInputLeftOutIsToldOnceWithItsReason) {
  QLoggingCategory::setFilterRules(QStringLiteral("vexmora.devices.info=true"));
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& line) {
        if (line.contains(QStringLiteral("left out"))) logged.push_back(line.toStdString());
      });
  ControllerHarness h;
  h.plugOutput("Speakers", "speakers");
  h.plugInput("USB Mic", "usb-mic", 1);
  MonitorViewModel& vm = h.launch();
  const RouteEventLog log(vm);
  h.plugInput("Other Mic", "other-mic", 1);  // a refresh that leaves the first out again
  h.settleRefresh();
  qInstallMessageHandler(previous);
  const std::string reason = "1 input channel; monitoring needs a stereo pair";
  EXPECT_TRUE(vm.inputDevices().empty());
  EXPECT_EQ(vm.leftOutInputs().front(),
            (AudioDeviceService::LeftOutInput{"usb-mic", "USB Mic", reason}));
  EXPECT_EQ(vm.status().detail, "USB Mic: " + reason + ".");
  EXPECT_EQ(logged, (std::vector<std::string>{"input left out usb-mic (USB Mic): " + reason,
                                              "input left out other-mic (Other Mic): " + reason}));
}

}  // namespace
