#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <set>

#include "ui/ButtonFace.h"
#include "ui/DiagnosticsDisclosure.h"
#include "ui/DiagnosticsView.h"
#include "ui/FormatReadoutView.h"
#include "ui/HardwareButton.h"
#include "ui/LatencyLatch.h"
#include "ui/LevelMeterView.h"
#include "ui/MeterWell.h"
#include "ui/MuteLatch.h"
#include "ui/OffscreenApplication.h"
#include "ui/OutputBox.h"
#include "ui/PanelHarness.h"
#include "ui/PanelHeader.h"
#include "ui/RecoveryButton.h"
#include "ui/RouteLabel.h"
#include "ui/StatusConsole.h"
#include "ui/StudioPalette.h"

namespace {

using Kind = MonitoringPhase::Kind;

const std::string kPair12 = "Inputs 1 / 2 — Left: Input 1 · Right: Input 2";
const std::string kPair34 = "Inputs 3 / 4 — Left: Input 3 · Right: Input 4";

// What the primary button shows.
struct PrimaryFace {
  std::string caption;
  std::string subCaption;
  PanelSymbol symbol;
  QColor lamp;
  bool lampLit;
  bool latched;
  bool enabled;

  bool operator==(const PrimaryFace&) const = default;
};

void PrintTo(const PrimaryFace& face, std::ostream* out) {
  *out << "{" << face.caption << ", " << face.subCaption << ", symbol "
       << static_cast<int>(face.symbol) << ", lamp " << face.lamp.name().toStdString()
       << (face.lampLit ? " lit" : " dark") << (face.latched ? ", latched" : "")
       << (face.enabled ? ", enabled" : ", disabled") << "}";
}

class MonitorViewTest : public ::testing::Test {
 protected:
  MonitorView& view() { return *panel.view; }
  MonitorViewModel& vm() { return panel.vm(); }

  PrimaryFace primary() {
    const ButtonFaceLook& look = view().primaryFace()->look();
    return {look.caption.toStdString(),
            look.subCaption.toStdString(),
            look.symbol,
            look.lampColor,
            look.lampLit,
            view().primaryButton()->isLatched(),
            view().primaryButton()->isEnabled()};
  }

  std::string headerWord() { return view().header()->word().toStdString(); }
  std::string consoleTitle() { return view().statusConsole()->status().title; }
  std::string inputFace() { return view().inputPicker()->value().toStdString(); }
  std::string channelFace() { return view().channelPicker()->value().toStdString(); }
  bool recoveryShown() { return view().recoveryButton()->isVisibleTo(&view()); }
  std::string recoveryTitle() { return view().recoveryButton()->text().toStdString(); }

  PanelHarness panel;
};

PrimaryFace engage(std::string caption = "START MONITORING", bool enabled = true) {
  return {std::move(caption),
          "ENGAGE ROUTE",
          PanelSymbol::playFill,
          StudioPalette::green(),
          false,
          false,
          enabled};
}

PrimaryFace disengage(std::string caption, std::string subCaption = "DISENGAGE ROUTE",
                      bool enabled = true) {
  return {std::move(caption),
          std::move(subCaption),
          PanelSymbol::stopFill,
          StudioPalette::red(),
          true,
          true,
          enabled};
}

TEST_F(MonitorViewTest, FirstLaunchWithNoInput) {
  panel.speakers = panel.controller.plugOutput("Studio Speakers", "speakers", 48000.0);
  panel.open();
  EXPECT_EQ(consoleTitle(), "Choose an audio input");
  EXPECT_EQ(view().statusConsole()->status().severity, StatusSeverity::neutral);
  EXPECT_EQ(headerWord(), "READY");
  EXPECT_EQ(view().header()->lightColor(), StudioPalette::textPrimary());
  EXPECT_EQ(inputFace(), "Choose an input…");
  EXPECT_EQ(menuEntries(*view().inputPicker()),
            (std::vector{MenuEntry::item("Choose an input…", true), MenuEntry::divider()}));
  EXPECT_TRUE(view().inputPicker()->isEnabled());
  EXPECT_EQ(channelFace(), "Choose channels…");
  EXPECT_FALSE(view().channelPicker()->isEnabled());
  EXPECT_EQ(menuEntries(*view().channelPicker()),
            (std::vector{MenuEntry::item("Choose channels…", true), MenuEntry::divider()}));
  EXPECT_TRUE(view().inputFormat()->format().isEmpty());
  EXPECT_EQ(primary(), engage("START MONITORING", false));
  EXPECT_FALSE(recoveryShown());
}

TEST_F(MonitorViewTest, NoSystemOutput) {
  panel.interface = panel.controller.plugInput("Scarlett 4i4", "scarlett", 4, 48000.0);
  panel.open();
  EXPECT_EQ(consoleTitle(), "System output unavailable");
  EXPECT_EQ(headerWord(), "FAULT");
  EXPECT_EQ(view().header()->lightColor(), StudioPalette::red());
  EXPECT_TRUE(view().outputBox()->shownName().isEmpty());
  EXPECT_TRUE(view().outputBox()->format().isEmpty());
  EXPECT_EQ(view().outputBox()->toolTip(), "System output unavailable");
  EXPECT_EQ(accessibleText(view().outputBox(), QAccessible::Value), "Unavailable");
  EXPECT_FALSE(recoveryShown());
}

TEST_F(MonitorViewTest, ReadyRouteOffersItsDevicesAndPairs) {
  panel.plugStandardDevices();
  panel.open();
  EXPECT_EQ(consoleTitle(), "Ready");
  EXPECT_EQ(view().statusConsole()->status().detail,
            "48.0 kHz input → 48.0 kHz system output. Monitoring is off.");
  EXPECT_EQ(headerWord(), "READY");
  EXPECT_EQ(inputFace(), "Scarlett 4i4");
  EXPECT_EQ(view().inputPicker()->toolTip(), "Scarlett 4i4");
  EXPECT_EQ(view().inputFormat()->format(), "48.0 kHz / 24-bit");
  EXPECT_EQ(menuEntries(*view().inputPicker()),
            (std::vector{MenuEntry::item("Choose an input…"), MenuEntry::divider(),
                         MenuEntry::item("Scarlett 4i4", true)}));
  EXPECT_EQ(channelFace(), kPair12);
  EXPECT_EQ(menuEntries(*view().channelPicker()),
            (std::vector{MenuEntry::item("Choose channels…"), MenuEntry::divider(),
                         MenuEntry::item(kPair12, true), MenuEntry::item(kPair34)}));
  EXPECT_EQ(view().outputBox()->shownName(), "Studio Speakers");
  EXPECT_EQ(view().outputBox()->toolTip(), "Studio Speakers");
  EXPECT_EQ(primary(), engage());
  EXPECT_FALSE(recoveryShown());
}

TEST_F(MonitorViewTest, MenuChoicesReachTheController) {
  panel.plugStandardDevices();
  panel.open();
  chooseMenuItem(*view().channelPicker(), kPair34);
  EXPECT_EQ(vm().selectedPairID(), "2-3");
  EXPECT_EQ(channelFace(), kPair34);
  chooseMenuItem(*view().inputPicker(), "Choose an input…");
  EXPECT_EQ(vm().selectedDeviceUID(), std::nullopt);
  EXPECT_EQ(inputFace(), "Choose an input…");
  EXPECT_FALSE(view().channelPicker()->isEnabled());
  chooseMenuItem(*view().inputPicker(), "Scarlett 4i4");
  EXPECT_EQ(vm().selectedDeviceUID(), "scarlett");
}

TEST_F(MonitorViewTest, RunningThenMutedThenStopped) {
  panel.plugStandardDevices();
  panel.open();
  panel.clickPrimary();
  panel.run(200ms);
  ASSERT_EQ(vm().phase().kind(), Kind::running);
  EXPECT_EQ(consoleTitle(), "Monitoring");
  EXPECT_EQ(view().statusConsole()->status().severity, StatusSeverity::active);
  EXPECT_EQ(headerWord(), "ACTIVE");
  EXPECT_EQ(view().header()->lightColor(), StudioPalette::green());
  EXPECT_EQ(primary(), disengage("STOP MONITORING"));
  EXPECT_TRUE(view().inputPicker()->isEnabled());
  EXPECT_GT(view().meters()->left()->reading().levelDBFS, -12.0);

  view().muteLatch()->click();
  EXPECT_TRUE(vm().isMuted());
  EXPECT_EQ(headerWord(), "MUTED");
  EXPECT_EQ(consoleTitle(), "Monitoring · Muted");
  const ButtonFaceLook& mute = view().muteLatch()->buttonFace()->look();
  EXPECT_EQ(mute.subCaption, "LATCHED");
  EXPECT_TRUE(mute.lampLit);
  EXPECT_EQ(mute.lampColor, StudioPalette::amber());
  EXPECT_EQ(mute.symbol, PanelSymbol::speakerSlashFill);
  EXPECT_TRUE(view().muteLatch()->isLatched());
  const QAccessible::State latched =
      QAccessible::queryAccessibleInterface(view().muteLatch())->state();
  EXPECT_TRUE(latched.checkable);
  EXPECT_TRUE(latched.checked);
  EXPECT_EQ(primary(), disengage("STOP MONITORING"));

  view().muteLatch()->click();
  EXPECT_FALSE(vm().isMuted());
  EXPECT_EQ(view().muteLatch()->buttonFace()->look().subCaption, "OUTPUT ON");
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(view().muteLatch())->state().checked);

  panel.clickPrimary();
  panel.run(100ms);
  EXPECT_EQ(vm().phase().kind(), Kind::stopped);
  EXPECT_EQ(primary(), engage());
  EXPECT_EQ(headerWord(), "READY");
}

TEST_F(MonitorViewTest, TransitionalPhaseHoldsThePickersAndTheButton) {
  panel.plugStandardDevices();
  panel.controller.authorization.setStatus(AVAuthorizationStatusNotDetermined);
  panel.open();
  panel.clickPrimary();
  ASSERT_EQ(vm().phase().kind(), Kind::requestingPermission);
  // The prompt lasts past this event-loop turn, so the controls are held back.
  QCoreApplication::processEvents();
  EXPECT_EQ(headerWord(), "SYNC");
  EXPECT_EQ(primary(), disengage("STOP MONITORING", "ROUTE TRANSITION", false));
  EXPECT_FALSE(view().inputPicker()->isEnabled());
  EXPECT_FALSE(view().channelPicker()->isEnabled());
  panel.controller.authorization.answer(true);
  panel.run(200ms);
  EXPECT_EQ(vm().phase().kind(), Kind::running);
  EXPECT_TRUE(view().inputPicker()->isEnabled());
}

TEST_F(MonitorViewTest, SavedDeviceUnpluggedWhileMonitoring) {
  panel.plugStandardDevices();
  panel.open();
  panel.clickPrimary();
  panel.run(100ms);
  panel.controller.unplug(panel.interface);
  panel.controller.settleRefresh();
  ASSERT_EQ(vm().phase().kind(), Kind::waitingForInput);
  EXPECT_EQ(consoleTitle(), "Waiting for the selected input");
  EXPECT_EQ(headerWord(), "WAIT");
  EXPECT_EQ(view().header()->lightColor(), StudioPalette::amber());
  EXPECT_EQ(primary(), disengage("CANCEL AUTO-RESUME"));
  EXPECT_EQ(inputFace(), "Saved device (disconnected)");
  EXPECT_EQ(
      menuEntries(*view().inputPicker()),
      (std::vector{MenuEntry::item("Choose an input…"), MenuEntry::divider(),
                   MenuEntry::disabled("Saved device (disconnected)"), MenuEntry::divider()}));
  EXPECT_FALSE(view().channelPicker()->isEnabled());
  EXPECT_EQ(channelFace(), "Saved pair (unavailable)");
  EXPECT_EQ(menuEntries(*view().channelPicker()),
            (std::vector{MenuEntry::item("Choose channels…"), MenuEntry::divider(),
                         MenuEntry::disabled("Saved pair (unavailable)"), MenuEntry::divider()}));
  EXPECT_TRUE(view().inputFormat()->format().isEmpty());
  panel.run(3000ms);
  EXPECT_EQ(view().meters()->left()->reading().levelDBFS, -60.0);
}

TEST_F(MonitorViewTest, FailedStartOffersRetryAndShowsTheErrorInTheDiagnostics) {
  panel.plugStandardDevices();
  panel.open();
  const DiagnosticsDisclosure& disclosure = *view().diagnostics();
  EXPECT_FALSE(disclosure.isExpanded());
  EXPECT_FALSE(disclosure.diagnostics()->isVisibleTo(&view()));
  EXPECT_EQ(disclosure.diagnostics()->shownRows().size(), 7u);

  panel.controller.components.failOnAudioPath(
      {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
  panel.clickPrimary();
  panel.run(100ms);
  ASSERT_EQ(vm().phase().kind(), Kind::failed);
  EXPECT_EQ(consoleTitle(), "Monitoring couldn't start");
  EXPECT_EQ(view().statusConsole()->status().severity, StatusSeverity::error);
  EXPECT_EQ(headerWord(), "FAULT");
  EXPECT_EQ(view().header()->lightColor(), StudioPalette::red());
  EXPECT_EQ(primary(), disengage("CANCEL RETRY"));
  ASSERT_TRUE(recoveryShown());
  EXPECT_EQ(recoveryTitle(), "Retry");
  EXPECT_EQ(view().recoveryButton()->symbol(), PanelSymbol::arrowClockwise);

  view().diagnostics()->toggle()->click();
  EXPECT_TRUE(disclosure.diagnostics()->isVisibleTo(&view()));
  const auto& rows = disclosure.diagnostics()->shownRows();
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows.back().label, "LAST ERROR");
  EXPECT_EQ(rows.back().value.toStdString(), *vm().technicalError());
  EXPECT_TRUE(rows.back().isError);

  panel.controller.components.clearAudioPathFailure();
  view().recoveryButton()->click();
  panel.run(200ms);
  EXPECT_EQ(vm().phase().kind(), Kind::running);
  EXPECT_FALSE(recoveryShown());
  EXPECT_EQ(disclosure.diagnostics()->shownRows().size(), 7u);
  // The latch shows with the readouts; the running route is rebuilt around a smaller ring.
  ASSERT_TRUE(view().latencyLatch()->isVisibleTo(&view()));
  view().latencyLatch()->click();
  panel.run(200ms);
  EXPECT_EQ(vm().phase().kind(), Kind::running);
  EXPECT_EQ(vm().diagnostics().targetBufferedFrames, 1025u);
  EXPECT_TRUE(view().latencyLatch()->isLatched());
}

TEST_F(MonitorViewTest, RefusedPermissionIsTheOnlyRecovery) {
  panel.plugStandardDevices();
  panel.controller.authorization.setStatus(AVAuthorizationStatusDenied);
  panel.open();
  EXPECT_EQ(consoleTitle(), "Audio input access is off");
  EXPECT_EQ(headerWord(), "FAULT");
  EXPECT_EQ(recoveryTitle(), "Open Microphone Settings");
  EXPECT_EQ(view().recoveryButton()->symbol(), PanelSymbol::gear);
  EXPECT_EQ(primary(), engage("START MONITORING", false));
  view().recoveryButton()->click();
  EXPECT_EQ(panel.controller.workspace.openedURLs,
            std::vector<std::string>{MonitorViewModel::microphoneSettingsURL});
}

TEST_F(MonitorViewTest, UnsupportedRateOffersTheAudioSetupUtility) {
  panel.speakers = panel.controller.plugOutput("Studio Speakers", "speakers", 48000.0);
  panel.interface = panel.controller.plugInput("Scarlett 4i4", "scarlett", 4, 384000.0);
  panel.open();
  EXPECT_EQ(consoleTitle(), "Unsupported input sample rate");
  EXPECT_EQ(recoveryTitle(), "Open Audio Setup");
  EXPECT_EQ(view().recoveryButton()->symbol(), PanelSymbol::sliderHorizontal3);
  view().recoveryButton()->click();
  EXPECT_EQ(panel.controller.workspace.openedApplications,
            std::vector<std::string>{"/System/Applications/Utilities/Audio MIDI Setup.app"});
}

// Everything the panel shows or speaks, collected after every change while each route below runs:
// each row must show its platform text, and no text may name another platform's audio service or
// status type.
TEST(MonitorViewWordingTest, NoTextNamesAnotherPlatform) {
  struct Route {
    std::string mustShow;
    std::function<void(PanelHarness&)> drive;
  };
  const std::vector<Route> routes{
      {"Choose an audio output in the desktop's Sound settings.",
       [](PanelHarness& p) { p.controller.unplug(p.speakers); }},
      {"Open Audio Setup", [](PanelHarness& p) { p.controller.setRate(p.interface, 384000.0); }},
      {"PipeWire reported 384.0 kHz for the input. VEXMORA MONITOR accepts standard PCM rates "
       "through 192 kHz.",
       [](PanelHarness& p) { p.controller.setRate(p.interface, 384000.0); }},
      {"PipeWire couldn't open the current input/output format. Keep the Scarlett at its working "
       "rate, check that both devices are available, then retry.",
       [](PanelHarness& p) {
         p.controller.failUnitCall(SimulatedAudioOperation::initialize,
                                   kAudioDeviceUnsupportedFormatError, 1);
         p.clickPrimary();
       }},
      {"failed (invalid parameter, -50).",
       [](PanelHarness& p) {
         p.controller.components.failOnAudioPath(
             {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
         p.clickPrimary();
         p.run(100ms);
       }},
      {"Network and Bluetooth outputs may take a moment to become ready.",
       [](PanelHarness& p) {
         p.clickPrimary();
         p.vm().reconcileActiveRoute(true);
       }},
      {"Monitoring will resume when the system output is ready.",
       [](PanelHarness& p) {
         p.clickPrimary();
         p.controller.unplug(p.speakers);
         p.controller.settleRefresh();
         p.speakers = p.controller.plugOutput("Studio Speakers", "speakers", 48000.0);
         p.vm().refreshCatalog(false);
       }},
      {"Monitoring will resume when PipeWire reports a usable PCM format.",
       [](PanelHarness& p) {
         p.clickPrimary();
         p.controller.setRate(p.interface, 384000.0);
         p.controller.settleRefresh();
         p.controller.setRate(p.interface, 48000.0);
         p.vm().refreshCatalog(false);
       }},
  };
  for (const Route& route : routes) {
    PanelHarness panel;
    panel.plugStandardDevices();
    MonitorView& view = panel.open();
    std::set<QString> seen;
    const auto collect = [&] {
      QList<QWidget*> widgets = view.findChildren<QWidget*>();
      widgets.push_back(&view);
      for (QWidget* widget : widgets) {
        for (QAccessible::Text kind :
             {QAccessible::Name, QAccessible::Description, QAccessible::Value, QAccessible::Help})
          seen.insert(accessibleText(widget, kind));
        seen.insert(widget->toolTip());
        if (auto* label = qobject_cast<QLabel*>(widget)) seen.insert(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) seen.insert(button->text());
      }
      const StatusPresentation& status = view.statusConsole()->status();
      seen.insert(QString::fromStdString(status.title));
      seen.insert(QString::fromStdString(status.detail.value_or("")));
    };
    collect();
    const auto id = panel.vm().subscribe(collect);
    route.drive(panel);
    panel.controller.settleRefresh();
    panel.vm().unsubscribe(id);
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](const QString& text) {
      return text.contains(QString::fromStdString(route.mustShow));
    })) << route.mustShow;
    for (const QString& text : seen) {
      for (const char* name :
           {"macOS", "Core Audio", "CORE AUDIO", "AirPlay", "Audio MIDI Setup", "OSStatus"})
        EXPECT_FALSE(text.contains(QLatin1String(name))) << text.toStdString();
    }
  }
}

TEST_F(MonitorViewTest, DiagnosticRowsFormatTheirValues) {
  EngineDiagnostics diagnostics;
  diagnostics.outputSampleRate = 48000;
  diagnostics.bufferedFrames = 1024;
  diagnostics.targetBufferedFrames = 1536;
  diagnostics.rateCorrectionPPM = -12.6;
  diagnostics.underruns = 3;
  diagnostics.overruns = 1;
  diagnostics.latencyMilliseconds = 12.34;
  const auto rows = DiagnosticsView::rows(diagnostics, std::nullopt);
  const std::vector<DiagnosticRow> expected{{"INPUT RATE", "—"},
                                            {"OUTPUT RATE", "48000 Hz"},
                                            {"DRIFT BUFFER", "1024 / 1536 frames"},
                                            {"RATE CORRECTION", "-13 ppm"},
                                            {"UNDERRUNS", "3"},
                                            {"OVERRUNS", "1"},
                                            {"LATENCY", "12.3 ms"}};
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(DiagnosticsView::rows(diagnostics, "boom").back(),
            (DiagnosticRow{"LAST ERROR", "boom", true}));
}

TEST_F(MonitorViewTest, EveryControlSpeaksItsLabelValueAndHint) {
  panel.plugStandardDevices();
  panel.open();
  EXPECT_EQ(accessibleText(view().inputPicker(), QAccessible::Name), "Input");
  EXPECT_EQ(accessibleText(view().inputPicker(), QAccessible::Value),
            "Scarlett 4i4, 48.0 kHz / 24-bit");
  EXPECT_EQ(accessibleText(view().channelPicker(), QAccessible::Name), "Channels");
  EXPECT_EQ(accessibleText(view().channelPicker(), QAccessible::Value),
            QString::fromStdString(kPair12));
  EXPECT_EQ(accessibleText(view().outputBox(), QAccessible::Name), "System output");
  EXPECT_EQ(accessibleText(view().outputBox(), QAccessible::Value),
            "Studio Speakers, 48.0 kHz / 32-bit float");
  EXPECT_EQ(accessibleText(view().muteLatch(), QAccessible::Name), "Mute output");
  EXPECT_EQ(accessibleText(view().muteLatch(), QAccessible::Value), "Off");
  EXPECT_EQ(accessibleText(view().muteLatch(), QAccessible::Description),
            "Toggles output mute without stopping monitoring");
  EXPECT_EQ(accessibleText(view().primaryButton(), QAccessible::Name), "Start Monitoring");
  EXPECT_EQ(accessibleText(view().primaryButton(), QAccessible::Description),
            "Starts audio monitoring");
  EXPECT_EQ(accessibleText(view().header(), QAccessible::Name),
            "VEXMORA MONITOR, STEREO INPUT  ·  SYSTEM OUTPUT, SM-01, READY");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(view().header())->role(),
            QAccessible::StaticText);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(view().meters())->role(), QAccessible::Grouping);

  panel.clickPrimary();
  view().muteLatch()->click();
  EXPECT_EQ(accessibleText(view().muteLatch(), QAccessible::Value), "On");
  EXPECT_EQ(accessibleText(view().primaryButton(), QAccessible::Name), "Stop Monitoring");
  EXPECT_EQ(accessibleText(view().primaryButton(), QAccessible::Description),
            "Stops audio monitoring");
  EXPECT_EQ(accessibleText(view().header(), QAccessible::Name),
            "VEXMORA MONITOR, STEREO INPUT  ·  SYSTEM OUTPUT, SM-01, MUTED");
}

// The meters publish about ninety changes a second; the route texts must not be re-announced.
TEST_F(MonitorViewTest, MeterTrafficSendsNoAccessibilityEventsForUnchangedTexts) {
  panel.plugStandardDevices();
  panel.open();
  panel.clickPrimary();
  panel.run(100ms);
  static std::vector<QObject*> changed;
  changed.clear();
  QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
    if (event->type() == QAccessible::ValueChanged || event->type() == QAccessible::NameChanged ||
        event->type() == QAccessible::DescriptionChanged) {
      changed.push_back(event->object());
    }
  });
  QAccessible::setActive(true);
  panel.run(500ms);
  QAccessible::installUpdateHandler(nullptr);
  for (QObject* object : changed) {
    EXPECT_NE(object, view().inputPicker());
    EXPECT_NE(object, view().channelPicker());
    EXPECT_NE(object, view().outputBox());
    EXPECT_NE(object, view().muteLatch());
    EXPECT_NE(object, view().primaryButton());
    EXPECT_NE(object, view().header());
    EXPECT_NE(object, view().statusConsole());
  }
}

TEST_F(MonitorViewTest, KeyboardReachesEveryControlAndOpensThePickers) {
  panel.plugStandardDevices();
  panel.open();
  view().show();
  QApplication::setActiveWindow(&view());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&view()));
  view().inputPicker()->setFocus(Qt::TabFocusReason);
  std::vector<QWidget*> reached;
  for (int i = 0; i < 24; ++i) {
    reached.push_back(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  for (QWidget* control : std::initializer_list<QWidget*>{
           view().inputPicker(), view().channelPicker(), view().muteLatch(), view().primaryButton(),
           view().diagnostics()->toggle()}) {
    EXPECT_NE(std::find(reached.begin(), reached.end(), control), reached.end())
        << control->metaObject()->className();
  }

  for (int key : {Qt::Key_Space, Qt::Key_Return}) {
    bool opened = false;
    QTimer::singleShot(0, [&] {
      opened = view().channelPicker()->menu()->isVisible();
      QMenu* menu = view().channelPicker()->menu();
      menu->setActiveAction(menu->actions().back());
      QTest::keyClick(menu, Qt::Key_Return);
    });
    view().channelPicker()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view().channelPicker(), static_cast<Qt::Key>(key));
    EXPECT_TRUE(opened) << key;
    EXPECT_EQ(vm().selectedPairID(), "2-3") << key;
    vm().selectChannelPair("0-1");
  }

  view().diagnostics()->toggle()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(view().diagnostics()->toggle(), Qt::Key_Space);
  EXPECT_TRUE(view().diagnostics()->isExpanded());
}

// A phase that passes inside one call must leave the keyboard focus where the user put it.
TEST(MonitorViewFocusTest, FocusStaysOnTheControlThroughPassingPhases) {
  struct Path {
    const char* name;
    std::function<QWidget*(MonitorView&)> focused;
    std::function<void(PanelHarness&)> act;
  };
  const auto space = [](PanelHarness& p) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    p.controller.settle();
  };
  const std::vector<Path> paths{
      {"Space on Start, then on Stop", [](MonitorView& v) { return v.primaryButton(); },
       [&](PanelHarness& p) {
         space(p);
         EXPECT_EQ(p.vm().phase().kind(), Kind::running);
         QCoreApplication::processEvents();
         ASSERT_EQ(QApplication::focusWidget(), p.view->primaryButton());
         space(p);
         EXPECT_EQ(p.vm().phase().kind(), Kind::stopped);
       }},
      {"another input while monitoring", [](MonitorView& v) { return v.inputPicker(); },
       [](PanelHarness& p) {
         p.clickPrimary();
         p.controller.plugInput("Second Interface", "second", 2);
         p.controller.settleRefresh();
         chooseMenuItem(*p.view->inputPicker(), "Second Interface");
         p.controller.settle();
         EXPECT_EQ(p.vm().selectedDeviceUID(), "second");
       }},
      {"headphones plugged in while focus is on Stop",
       [](MonitorView& v) { return v.primaryButton(); },
       [](PanelHarness& p) {
         p.clickPrimary();
         p.controller.plugOutput("Headphones", "headphones");
         p.controller.settleRefresh();
         EXPECT_EQ(p.vm().outputDevice()->uid, "headphones");
       }},
  };
  for (const Path& path : paths) {
    PanelHarness panel;
    panel.plugStandardDevices();
    MonitorView& view = panel.open();
    view.show();
    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QWidget* focused = path.focused(view);
    focused->setFocus(Qt::TabFocusReason);
    path.act(panel);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), focused) << path.name;
  }
}

TEST_F(MonitorViewTest, BecomingTheActiveApplicationRereadsTheHardwareAtOnce) {
  panel.plugStandardDevices();
  panel.open();
  panel.controller.plugInput("Another Box", "box", 2);
  ASSERT_EQ(vm().inputDevices().size(), 1u);  // no time has passed for the debounced refresh
  Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
  EXPECT_EQ(vm().inputDevices().size(), 1u);
  Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(vm().inputDevices().size(), 2u);
}

}  // namespace
