#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <map>
#include <set>
#include <sstream>

#include "ui/ButtonFace.h"
#include "ui/DiagnosticsDisclosure.h"
#include "ui/DiagnosticsView.h"
#include "ui/LatencyLatch.h"
#include "ui/LevelMeterView.h"
#include "ui/MeterWell.h"
#include "ui/MuteLatch.h"
#include "ui/OffscreenApplication.h"
#include "ui/OutputBox.h"
#include "ui/PanelHarness.h"
#include "ui/PanelHeader.h"
#include "ui/RecoveryButton.h"
#include "ui/StatusConsole.h"
#include "ui/StudioPalette.h"

namespace {

using Step = std::function<void(PanelHarness&)>;

const std::string kPair12 = "Inputs 1 / 2 — Left: Input 1 · Right: Input 2";
const std::string kPair34 = "Inputs 3 / 4 — Left: Input 3 · Right: Input 4";
const std::string kStart = "START MONITORING / ENGAGE ROUTE ▶ green";
const std::string kStop = "STOP MONITORING / DISENGAGE ROUTE ■ red lit, latched";

// Runs a script of words, each one thing a person or the system does to the panel.
void act(PanelHarness& p, const std::string& script) {
  static const std::map<std::string, Step> steps{
      {"speakers",
       [](auto& p) { p.speakers = p.controller.plugOutput("Studio Speakers", "speakers"); }},
      {"scarlett",
       [](auto& p) { p.interface = p.controller.plugInput("Scarlett 4i4", "scarlett"); }},
      {"second-input", [](auto& p) { p.controller.plugInput("Second Interface", "second", 2); }},
      {"headphones", [](auto& p) { p.controller.plugOutput("Headphones", "headphones"); }},
      {"unplug-input", [](auto& p) { p.controller.unplug(p.interface); }},
      {"unplug-output", [](auto& p) { p.controller.unplug(p.speakers); }},
      {"input-384k", [](auto& p) { p.controller.setRate(p.interface, 384000.0); }},
      {"input-48k", [](auto& p) { p.controller.setRate(p.interface, 48000.0); }},
      {"ask",
       [](auto& p) { p.controller.authorization.setStatus(AVAuthorizationStatusNotDetermined); }},
      {"deny", [](auto& p) { p.controller.authorization.setStatus(AVAuthorizationStatusDenied); }},
      {"allow", [](auto& p) { p.controller.authorization.answer(true); }},
      {"fail-format",
       [](auto& p) {
         p.controller.failUnitCall(SimulatedAudioOperation::initialize,
                                   kAudioDeviceUnsupportedFormatError, 1);
       }},
      {"fail-render",
       [](auto& p) {
         p.controller.components.failOnAudioPath(
             {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
       }},
      {"heal", [](auto& p) { p.controller.components.clearAudioPathFailure(); }},
      {"press", [](auto& p) { p.clickPrimary(); }},
      {"space",
       [](auto& p) {
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
         p.controller.settle();
       }},
      {"choose-second",
       [](auto& p) {
         chooseMenuItem(*p.view->inputPicker(), "Second Interface");
         p.controller.settle();
       }},
      {"choose-none", [](auto& p) { chooseMenuItem(*p.view->inputPicker(), "Choose an input…"); }},
      {"mute", [](auto& p) { p.view->muteLatch()->click(); }},
      {"expand", [](auto& p) { p.view->diagnostics()->toggle()->click(); }},
      {"recover", [](auto& p) { p.view->recoveryButton()->click(); }},
      {"shorten", [](auto& p) { p.view->latencyLatch()->click(); }},
      {"wait", [](auto& p) { p.run(200ms); }},
      {"wait-3s", [](auto& p) { p.run(3000ms); }},
      {"refresh", [](auto& p) { p.controller.settleRefresh(); }},
      {"recatalog", [](auto& p) { p.vm().refreshCatalog(false); }},
      {"reconcile", [](auto& p) { p.vm().reconcileActiveRoute(true); }},
      {"events", [](auto&) { QCoreApplication::processEvents(); }},
  };
  std::istringstream words(script);
  for (std::string word; words >> word;) {
    if (const auto step = steps.find(word); step != steps.end())
      step->second(p);
    else
      ADD_FAILURE() << "no step " << word;
  }
}

std::string nameOf(const QColor& colour) {
  for (const auto& [known, name] : {std::pair{StudioPalette::textPrimary(), "white"},
                                    {StudioPalette::green(), "green"},
                                    {StudioPalette::amber(), "amber"},
                                    {StudioPalette::red(), "red"}})
    if (colour == known) return name;
  return colour.name().toStdString();
}

std::string nameOf(PanelSymbol symbol) {
  for (const auto& [known, name] : {std::pair{PanelSymbol::playFill, "▶"},
                                    {PanelSymbol::stopFill, "■"},
                                    {PanelSymbol::speakerWave2Fill, "speaker"},
                                    {PanelSymbol::speakerSlashFill, "speaker off"},
                                    {PanelSymbol::gear, "gear"},
                                    {PanelSymbol::sliderHorizontal3, "sliders"},
                                    {PanelSymbol::arrowClockwise, "retry arrow"}})
    if (symbol == known) return name;
  return "?";
}

// A hardware button as seen: captions, symbol, lamp, latch and whether it can be pressed.
std::string face(const ButtonFaceLook& look, const HardwareButton& button) {
  return (look.caption + " / " + look.subCaption).toStdString() + " " + nameOf(look.symbol) + " " +
         nameOf(look.lampColor) + (look.lampLit ? " lit" : "") +
         (button.isLatched() ? ", latched" : "") + (button.isEnabled() ? "" : ", disabled");
}

// Each part of the panel as a person or a screen reader finds it, read back as text.
std::map<std::string, std::string> readBack(PanelHarness& p) {
  MonitorView& v = *p.view;
  const DiagnosticsView& diagnostics = *v.diagnostics()->diagnostics();
  const DiagnosticRow& lastRow = diagnostics.shownRows().back();
  const RecoveryButton& recovery = *v.recoveryButton();
  std::string opened;
  for (const auto& target : p.controller.workspace.openedURLs) opened += target;
  for (const auto& target : p.controller.workspace.openedApplications) opened += target;
  return {
      {"status", v.statusConsole()->status().title},
      {"header", v.header()->word().toStdString() + " " + nameOf(v.header()->lightColor())},
      {"primary", face(v.primaryFace()->look(), *v.primaryButton())},
      {"recovery", recovery.isVisibleTo(&v)
                       ? recovery.text().toStdString() + " " + nameOf(recovery.symbol())
                       : ""},
      {"pickers", std::string(v.inputPicker()->isEnabled() ? "input" : "-") +
                      (v.channelPicker()->isEnabled() ? " channels" : " -")},
      {"input menu", menuEntries(*v.inputPicker())},
      {"channel menu", menuEntries(*v.channelPicker())},
      {"input", spoken(v.inputPicker())},
      {"channels", spoken(v.channelPicker())},
      {"output", spoken(v.outputBox())},
      {"mute",
       spoken(v.muteLatch()) +
           (QAccessible::queryAccessibleInterface(v.muteLatch())->state().checked ? " checked"
                                                                                  : "")},
      {"mute face", face(v.muteLatch()->buttonFace()->look(), *v.muteLatch())},
      {"start", spoken(v.primaryButton())},
      {"header text", spoken(v.header())},
      {"left meter",
       QString::number(v.meters()->left()->reading().levelDBFS, 'f', 0).toStdString()},
      {"diagnostics", (diagnostics.isVisibleTo(&v) ? "shown, " : "hidden, ") +
                          std::to_string(diagnostics.shownRows().size()) + " rows, last " +
                          lastRow.label.toStdString() + (lastRow.isError ? " (error)" : "")},
      {"last error", lastRow.value.toStdString() == p.vm().technicalError().value_or("?")
                         ? "as reported"
                         : "differs"},
      {"ring", std::to_string(p.vm().diagnostics().targetBufferedFrames) +
                   (v.latencyLatch()->isLatched() ? " latched" : "")},
      {"opened", opened},
  };
}

// Every text the panel shows or speaks now.
QStringList shownTexts(MonitorView& view) {
  QStringList texts;
  QList<QWidget*> widgets = view.findChildren<QWidget*>();
  for (QWidget* widget : widgets << &view) {
    texts << QString::fromStdString(spoken(widget)) << accessibleText(widget, QAccessible::Help);
    if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
  }
  const StatusPresentation& status = view.statusConsole()->status();
  return texts << QString::fromStdString(status.title + " " + status.detail.value_or(""));
}

// One phase of the panel on the simulated platform: the devices and permission before it opens,
// the script after, and what then shows: the status title, the header's word and light, the
// primary button and the recovery button, joined by " · ", and any other `parts`. Some text seen
// on the way must read `mustShow`, and no text may name another platform's audio service.
void expectPhase(const std::string& before, const std::string& after, const std::string& shows,
                 const std::string& mustShow,
                 const std::map<std::string, std::string>& parts = {}) {
  SCOPED_TRACE(before + " / " + after);
  PanelHarness panel;
  act(panel, before);
  MonitorView& view = panel.open();
  QStringList seen = shownTexts(view);
  const auto id = panel.vm().subscribe([&] { seen << shownTexts(view); });
  act(panel, after);
  panel.vm().unsubscribe(id);
  seen << shownTexts(view);
  std::map<std::string, std::string> shown = readBack(panel);
  EXPECT_EQ(shown["status"] + " · " + shown["header"] + " · " + shown["primary"] + " · " +
                shown["recovery"],
            shows);
  for (const auto& [part, expected] : parts) EXPECT_EQ(shown[part], expected) << part;
  seen.removeDuplicates();
  EXPECT_TRUE(mustShow.empty() || seen.join('\n').contains(QString::fromStdString(mustShow)))
      << mustShow;
  for (const QString& text : seen) {
    for (const char* name :
         {"macOS", "Core Audio", "CORE AUDIO", "AirPlay", "Audio MIDI Setup", "OSStatus"})
      EXPECT_FALSE(text.contains(QLatin1String(name))) << text.toStdString();
  }
}

TEST(MonitorViewTest, EachPhaseShowsItsStatusButtonsControlsAndPlatformWording) {
  const std::string sound = "Choose an audio output in the desktop's Sound settings.";
  expectPhase("speakers", "", "Choose an audio input · READY white · " + kStart + ", disabled · ",
              "",
              {{"input menu", "* Choose an input… | ---"},
               {"channel menu", "* Choose channels… | ---"},
               {"input", "Input | Choose an input… | Choose an input… | Choose an input…"},
               {"pickers", "input -"}});
  expectPhase("speakers scarlett", "choose-none",
              "Choose an audio input · READY white · " + kStart + ", disabled · ", "",
              {{"pickers", "input -"}});
  expectPhase(
      "scarlett", "", "System output unavailable · FAULT red · " + kStart + ", disabled · ", sound,
      {{"output",
        "System output | Unavailable | System output unavailable | System output unavailable"}});
  expectPhase("speakers scarlett", "unplug-output refresh",
              "System output unavailable · FAULT red · " + kStart + ", disabled · ", sound);
  expectPhase(
      "speakers scarlett", "", "Ready · READY white · " + kStart + " · ",
      "Ready 48.0 kHz input → 48.0 kHz system output. Monitoring is off.",
      {{"input menu", "Choose an input… | --- | * Scarlett 4i4"},
       {"channel menu", "Choose channels… | --- | * " + kPair12 + " | " + kPair34},
       {"input", "Input | Scarlett 4i4, 48.0 kHz / 24-bit | Scarlett 4i4 | Scarlett 4i4"},
       {"channels", "Channels | " + kPair12 + " |  | "},
       {"output",
        "System output | Studio Speakers, 48.0 kHz / 32-bit float | Studio Speakers | Studio "
        "Speakers"},
       {"mute", "Mute output | Off | Toggles output mute without stopping monitoring | "},
       {"start", "Start Monitoring |  | Starts audio monitoring | "},
       {"header text", "VEXMORA MONITOR, STEREO INPUT  ·  SYSTEM OUTPUT, SM-01, READY |  |  | "},
       {"diagnostics", "hidden, 7 rows, last LATENCY"}});
  expectPhase("speakers scarlett", "press wait", "Monitoring · ACTIVE green · " + kStop + " · ", "",
              {{"pickers", "input channels"},
               {"left meter", "-6"},
               {"start", "Stop Monitoring |  | Stops audio monitoring | "}});
  expectPhase(
      "speakers scarlett", "press wait mute", "Monitoring · Muted · MUTED green · " + kStop + " · ",
      "",
      {{"mute face", "MUTE / LATCHED speaker off amber lit, latched"},
       {"mute", "Mute output | On | Toggles output mute without stopping monitoring |  checked"},
       {"header text", "VEXMORA MONITOR, STEREO INPUT  ·  SYSTEM OUTPUT, SM-01, MUTED |  |  | "}});
  expectPhase("speakers scarlett", "press wait mute mute press wait",
              "Ready · READY white · " + kStart + " · ", "",
              {{"mute face", "MUTE / OUTPUT ON speaker amber"},
               {"mute", "Mute output | Off | Toggles output mute without stopping monitoring | "}});
  // The prompt outlasts this turn of the event loop, so the controls are held back.
  expectPhase("speakers scarlett ask", "press events",
              "Requesting audio input access… · SYNC white · STOP MONITORING / ROUTE TRANSITION ■ "
              "red lit, latched, disabled · ",
              "", {{"pickers", "- -"}});
  expectPhase("speakers scarlett ask", "press events allow wait",
              "Monitoring · ACTIVE green · " + kStop + " · ", "", {{"pickers", "input channels"}});
  const std::string waiting =
      "Waiting for the selected input · WAIT amber · CANCEL AUTO-RESUME / DISENGAGE ROUTE ■ red "
      "lit, latched · ";
  expectPhase("speakers scarlett", "press wait unplug-input refresh", waiting, "",
              {{"input menu", "Choose an input… | --- | (Saved device (disconnected)) | ---"},
               {"channel menu", "Choose channels… | --- | (Saved pair (unavailable)) | ---"},
               {"input",
                "Input | Saved device (disconnected) | Saved device (disconnected) | Saved device "
                "(disconnected)"},
               {"channels", "Channels | Saved pair (unavailable) |  | "},
               {"pickers", "input -"}});
  expectPhase("speakers scarlett", "press wait unplug-input refresh wait-3s", waiting, "",
              {{"left meter", "-60"}});
  expectPhase(
      "speakers scarlett", "fail-render press wait expand",
      "Monitoring couldn't start · FAULT red · CANCEL RETRY / DISENGAGE ROUTE ■ red lit, latched · "
      "Retry retry arrow",
      "failed (invalid parameter, -50).",
      {{"diagnostics", "shown, 8 rows, last LAST ERROR (error)"}, {"last error", "as reported"}});
  // Retrying once the fault clears; the running route is then rebuilt around a smaller ring.
  expectPhase("speakers scarlett", "fail-render press wait expand heal recover wait shorten wait",
              "Monitoring · ACTIVE green · " + kStop + " · ", "",
              {{"diagnostics", "shown, 7 rows, last LATENCY"}, {"ring", "1025 latched"}});
  expectPhase("speakers scarlett", "fail-format press refresh",
              "Monitoring couldn't start · FAULT red · " + kStart + " · Retry retry arrow",
              "PipeWire couldn't open the current input/output format. Keep the Scarlett at its "
              "working rate, check that both devices are available, then retry.");
  // Passing waits whose wording must still be the platform's; monitoring resumes after each.
  const std::string running = "Monitoring · ACTIVE green · " + kStop + " · ";
  expectPhase("speakers scarlett", "press reconcile refresh", running,
              "Network and Bluetooth outputs may take a moment to become ready.");
  expectPhase("speakers scarlett", "press unplug-output refresh speakers recatalog refresh",
              running, "Monitoring will resume when the system output is ready.");
  expectPhase("speakers scarlett", "press input-384k refresh input-48k recatalog refresh", running,
              "Monitoring will resume when PipeWire reports a usable PCM format.");
  expectPhase("speakers scarlett deny", "recover",
              "Audio input access is off · FAULT red · " + kStart +
                  ", disabled · Open Microphone Settings gear",
              "", {{"opened", MonitorViewModel::microphoneSettingsURL}});
  expectPhase("speakers scarlett input-384k", "recover",
              "Unsupported input sample rate · WAIT amber · " + kStart +
                  ", disabled · Open Audio Setup sliders",
              "PipeWire reported 384.0 kHz for the input. VEXMORA MONITOR accepts standard PCM "
              "rates through 192 kHz.",
              {{"opened", "/System/Applications/Utilities/Audio MIDI Setup.app"}});
}

TEST(DiagnosticsViewTest, RowsFormatTheirValues) {
  const auto rows = DiagnosticsView::rows({0, 48000, 1024, 1536, -12.6, 3, 1, 12.34}, "boom");
  QStringList values;
  for (const DiagnosticRow& row : rows) values << row.value;
  EXPECT_EQ(values.join(" | "),
            "— | 48000 Hz | 1024 / 1536 frames | -13 ppm | 3 | 1 | 12.3 ms | boom");
  EXPECT_EQ(rows.back(), (DiagnosticRow{"LAST ERROR", "boom", true}));
}

// The meters publish about ninety changes a second; the route texts must not be re-announced.
TEST(MonitorViewTest, MeterTrafficSendsNoAccessibilityEventsForUnchangedTexts) {
  PanelHarness panel;
  panel.plugStandardDevices();
  MonitorView& view = panel.open();
  act(panel, "press wait");
  static std::set<QObject*> changed;
  changed.clear();
  QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
    if (event->type() == QAccessible::ValueChanged || event->type() == QAccessible::NameChanged ||
        event->type() == QAccessible::DescriptionChanged)
      changed.insert(event->object());
  });
  QAccessible::setActive(true);
  panel.run(500ms);
  QAccessible::installUpdateHandler(nullptr);
  for (QObject* control : std::initializer_list<QObject*>{
           view.inputPicker(), view.channelPicker(), view.outputBox(), view.muteLatch(),
           view.primaryButton(), view.header(), view.statusConsole()})
    EXPECT_EQ(changed.count(control), 0u) << control->metaObject()->className();
  EXPECT_EQ(QAccessible::queryAccessibleInterface(view.header())->role(), QAccessible::StaticText);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(view.meters())->role(), QAccessible::Grouping);
}

// The panel with the standard devices, shown in the active window so that keys reach it.
MonitorView& showActive(PanelHarness& panel) {
  panel.plugStandardDevices();
  MonitorView& view = panel.open();
  view.show();
  QApplication::setActiveWindow(&view);
  EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
  return view;
}

TEST(MonitorViewTest, KeyboardReachesEveryControlAndOpensThePickers) {
  PanelHarness panel;
  MonitorView& view = showActive(panel);
  view.inputPicker()->setFocus(Qt::TabFocusReason);
  std::set<QWidget*> reached;
  for (int i = 0; i < 24; ++i) {
    reached.insert(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  for (QWidget* control :
       std::initializer_list<QWidget*>{view.inputPicker(), view.channelPicker(), view.muteLatch(),
                                       view.primaryButton(), view.diagnostics()->toggle()})
    EXPECT_EQ(reached.count(control), 1u) << control->metaObject()->className();

  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
    bool opened = false;
    QTimer::singleShot(0, [&] {
      QMenu* menu = view.channelPicker()->menu();
      opened = menu->isVisible();
      menu->setActiveAction(menu->actions().back());
      QTest::keyClick(menu, Qt::Key_Return);
    });
    view.channelPicker()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view.channelPicker(), key);
    EXPECT_TRUE(opened) << key;
    EXPECT_EQ(panel.vm().selectedPairID(), "2-3") << key;
    panel.vm().selectChannelPair("0-1");
  }
  view.diagnostics()->toggle()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(view.diagnostics()->toggle(), Qt::Key_Space);
  EXPECT_TRUE(view.diagnostics()->isExpanded());
}

// A phase that passes inside one call must leave the keyboard focus where the user put it.
TEST(MonitorViewTest, FocusStaysOnTheControlThroughPassingPhases) {
  const struct {
    bool onInput;
    const char* script;
    std::string part, shows;
  } paths[] = {
      {false, "space events space", "status", "Ready"},  // Start, then Stop, from the keyboard
      {true, "press second-input refresh choose-second", "input", "Input | Second Interface"},
      {false, "press headphones refresh", "output", "System output | Headphones"},
  };
  for (const auto& path : paths) {
    SCOPED_TRACE(path.script);
    PanelHarness panel;
    MonitorView& view = showActive(panel);
    QWidget* focused =
        path.onInput ? static_cast<QWidget*>(view.inputPicker()) : view.primaryButton();
    focused->setFocus(Qt::TabFocusReason);
    act(panel, path.script);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), focused);
    EXPECT_EQ(readBack(panel)[path.part].rfind(path.shows, 0), 0u) << readBack(panel)[path.part];
  }
}

TEST(MonitorViewTest, BecomingTheActiveApplicationRereadsTheHardwareAtOnce) {
  PanelHarness panel;
  panel.plugStandardDevices();
  panel.open();
  panel.controller.plugInput("Another Box", "box", 2);
  ASSERT_EQ(panel.vm().inputDevices().size(), 1u);  // no time has passed for the debounced refresh
  Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
  EXPECT_EQ(panel.vm().inputDevices().size(), 1u);
  Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(panel.vm().inputDevices().size(), 2u);
}

}  // namespace
