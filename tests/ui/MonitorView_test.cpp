#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <map>
#include <sstream>

#include "app/DarkAppearance.h"
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

using P = PanelHarness;

const std::string kPair12 = "Inputs 1 / 2 — Left: Input 1 · Right: Input 2";
const std::string kPair34 = "Inputs 3 / 4 — Left: Input 3 · Right: Input 4";
const std::string kStart = "START MONITORING / ENGAGE ROUTE green";
const std::string kStop = "STOP MONITORING / DISENGAGE ROUTE red lit, latched";

// Shows the panel as the active window with the keyboard focus on `widget`.
void focusOn(MonitorView& view, QWidget* widget) {
  view.show();
  QApplication::setActiveWindow(&view);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  widget->setFocus(Qt::TabFocusReason);
}

// Runs a script of words, each one thing a person or the system does to the panel.
void act(PanelHarness& p, const std::string& script) {
  static const std::map<std::string, std::function<void(P&)>> steps{
      {"speakers",
       [](P& p) { p.speakers = p.controller.plugOutput("Studio Speakers", "speakers"); }},
      {"scarlett", [](P& p) { p.interface = p.controller.plugInput("Scarlett 4i4", "scarlett"); }},
      {"unplug-input", [](P& p) { p.controller.unplug(p.interface); }},
      {"input-384k", [](P& p) { p.controller.setRate(p.interface, 384000.0); }},
      {"ask",
       [](P& p) { p.controller.authorization.setStatus(AVAuthorizationStatusNotDetermined); }},
      {"deny", [](P& p) { p.controller.authorization.setStatus(AVAuthorizationStatusDenied); }},
      {"fail-render",
       [](P& p) {
         p.controller.components.failOnAudioPath(
             {SimulatedAudioOperation::render, SimulatedUnitKind::input, 2, kAudio_ParamError});
       }},
      {"heal", [](P& p) { p.controller.components.clearAudioPathFailure(); }},
      {"press", [](P& p) { p.clickPrimary(); }},
      {"mute", [](P& p) { p.view->muteLatch()->click(); }},
      {"expand", [](P& p) { p.view->diagnostics()->toggle()->click(); }},
      {"recover", [](P& p) { p.view->recoveryButton()->click(); }},
      {"shorten", [](P& p) { p.view->latencyLatch()->click(); }},
      {"wait", [](P& p) { p.run(200ms); }},
      {"refresh", [](P& p) { p.controller.settleRefresh(); }},
      {"events", [](P&) { QCoreApplication::processEvents(); }},
      {"another-box", [](P& p) { p.controller.plugInput("Another Box", "box", 2); }},
      {"second-input", [](P& p) { p.controller.plugInput("Second Interface", "second", 2); }},
      {"headphones", [](P& p) { p.controller.plugOutput("Headphones", "headphones"); }},
      {"space",
       [](P& p) {
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
         p.controller.settle();
       }},
      {"choose-second-input",
       [](P& p) {
         p.view->inputPicker()->rebuildMenu();
         for (QAction* action : p.view->inputPicker()->menu()->actions())
           if (action->text() == "Second Interface") action->trigger();
         p.controller.settle();
       }},
      {"activate", [](P&) { Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive); }},
      {"focus-start", [](P& p) { focusOn(*p.view, p.view->primaryButton()); }},
      {"focus-input", [](P& p) { focusOn(*p.view, p.view->inputPicker()); }},
  };
  std::istringstream words(script);
  for (std::string word; words >> word;) {
    ASSERT_TRUE(steps.contains(word)) << "no step " << word;
    steps.at(word)(p);
  }
}

std::string nameOf(const QColor& colour) {
  using namespace StudioPalette;
  for (const auto& [known, name] :
       {std::pair{textPrimary(), "white"}, {green(), "green"}, {amber(), "amber"}, {red(), "red"}})
    if (colour == known) return name;
  return colour.name().toStdString();
}

// A hardware button as seen: captions, lamp, latch and whether it can be pressed.
std::string face(const ButtonFaceLook& look, const HardwareButton& button) {
  return (look.caption + " / " + look.subCaption).toStdString() + " " + nameOf(look.lampColor) +
         (look.lampLit ? " lit" : "") + (button.isLatched() ? ", latched" : "") +
         (button.isEnabled() ? "" : ", disabled");
}

// Each control of the panel as a person or a screen reader finds it, read back as text.
std::map<std::string, std::string> readBack(PanelHarness& p) {
  MonitorView& v = *p.view;
  const DiagnosticsView& diagnostics = *v.diagnostics()->diagnostics();
  const std::vector<DiagnosticRow> rows = diagnostics.shownRows();
  const DiagnosticRow& lastRow = rows.back();
  const RecoveryButton& recovery = *v.recoveryButton();
  const RecordingWorkspace& w = p.controller.workspace;
  return {
      {"status", v.statusConsole()->status().title},
      {"header", v.header()->word().toStdString() + " " + nameOf(v.header()->lightColor())},
      {"primary", face(v.primaryFace()->look(), *v.primaryButton())},
      {"recovery", recovery.isVisibleTo(&v) ? recovery.text().toStdString() : ""},
      {"pickers", std::string(v.inputPicker()->isEnabled() ? "input" : "-") +
                      (v.channelPicker()->isEnabled() ? " channels" : " -")},
      {"input menu", menuEntries(*v.inputPicker())},
      {"channel menu", menuEntries(*v.channelPicker())},
      {"input", spoken(v.inputPicker())},
      {"channels", spoken(v.channelPicker())},
      {"output", spoken(v.outputBox())},
      {"mute face", face(v.muteLatch()->buttonFace()->look(), *v.muteLatch())},
      {"left meter",
       QString::number(v.meters()->left()->reading().levelDBFS, 'f', 0).toStdString()},
      {"diagnostics",
       (diagnostics.isVisibleTo(&v) ? "shown, " : "hidden, ") + std::to_string(rows.size()) +
           " rows, last " + lastRow.label.toStdString() + (lastRow.isError ? " (error)" : "") +
           (lastRow.value.toStdString() == p.vm().technicalError() ? " as reported" : "")},
      {"ring", std::to_string(p.vm().diagnostics().targetBufferedFrames) +
                   (v.latencyLatch()->isLatched() ? " latched" : "")},
      {"focus", QApplication::focusWidget() == v.primaryButton() ? "start"
                : QApplication::focusWidget() == v.inputPicker() ? "input"
                                                                 : "elsewhere"},
      {"opened", w.openedURLs.size() + w.openedApplications.size() == 1
                     ? (w.openedURLs.empty() ? w.openedApplications : w.openedURLs).front()
                     : "?"},
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

// With VX_RENDER_DIR set, the phase is also drawn there, as the program shows it at twice the pixel
// density and scrolled to the bottom, so that people can look at the panel without audio hardware
// or a screen (scripts/render-window.sh).
void drawForPeople(MonitorView& view, const std::string& script) {
  const QString directory = qEnvironmentVariable("VX_RENDER_DIR");
  if (directory.isEmpty()) return;
  applyDarkAppearance(*qApp);
  view.show();
  QCoreApplication::processEvents();
  QScrollBar* scroll = view.scrollArea()->verticalScrollBar();
  scroll->setValue(scroll->maximum());
  QPixmap pixmap(view.size() * 2);
  pixmap.setDevicePixelRatio(2.0);
  view.render(&pixmap);
  const QString name = QString::fromStdString(script).simplified().replace(' ', '-');
  EXPECT_TRUE(QDir().mkpath(directory) && pixmap.save(QDir(directory).filePath(name + ".png")));
}

// One phase: the devices and permission before the panel opens, the script after, then the
// status title, header, primary button and recovery button joined by " · ", and the read-backs
// in `more`. No text seen on the way may name another platform's.
void expectPhase(const std::string& before, const std::string& after, const std::string& shows,
                 const std::map<std::string, std::string>& more = {}) {
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
  for (const auto& [key, expected] : more) EXPECT_EQ(shown[key], expected) << key;
  for (const char* name :
       {"macOS", "Core Audio", "CORE AUDIO", "AirPlay", "Audio MIDI Setup", "OSStatus"})
    EXPECT_FALSE(seen.join('\n').contains(QLatin1String(name))) << name;
  drawForPeople(view, before + " " + after);
}

TEST(MonitorViewTest, EachPhaseShowsItsStatusButtonsControlsAndPlatformWording) {
  const std::string noInput = "Choose an audio input · READY white · " + kStart + ", disabled · ";
  const std::string unavailable = "System output unavailable";
  const std::string noOutput = unavailable + " · FAULT red · " + kStart + ", disabled · ";
  const std::string ready = "Ready · READY white · " + kStart + " · ";
  const std::string running = "Monitoring · ACTIVE green · " + kStop + " · ";
  const std::string saved = "Saved device (disconnected)";
  expectPhase("speakers", "", noInput,
              {{"input menu", "* Choose an input… | ---"},
               {"channel menu", "* Choose channels… | ---"},
               {"input", "Input | Choose an input… | Choose an input… | Choose an input…"},
               {"pickers", "input -"}});
  expectPhase("scarlett", "", noOutput,
              {{"output", "System output | Unavailable | " + unavailable + " | " + unavailable}});
  // What the ready panel speaks, the program test reads on the accessibility bus.
  expectPhase("speakers scarlett", "", ready,
              {{"input menu", "Choose an input… | --- | * Scarlett 4i4"},
               {"channel menu", "Choose channels… | --- | * " + kPair12 + " | " + kPair34},
               {"mute face", "MUTE / OUTPUT ON amber"},
               {"diagnostics", "hidden, 7 rows, last LATENCY"}});
  // Coming to the front rereads the hardware at once, without waiting for the debounced refresh.
  expectPhase("speakers scarlett", "another-box activate", ready,
              {{"input menu", "Choose an input… | --- | Another Box | * Scarlett 4i4"}});
  expectPhase("speakers scarlett", "press wait mute",
              "Monitoring · Muted · MUTED green · " + kStop + " · ",
              {{"mute face", "MUTE / LATCHED amber lit, latched"}});
  // The prompt outlasts this turn of the event loop, so the controls are held back.
  expectPhase("speakers scarlett ask", "press events",
              "Requesting audio input access… · SYNC white · STOP MONITORING / ROUTE TRANSITION "
              "red lit, latched, disabled · ",
              {{"pickers", "- -"}});
  expectPhase("speakers scarlett", "press wait unplug-input refresh",
              "Waiting for the selected input · WAIT amber · CANCEL AUTO-RESUME / DISENGAGE ROUTE "
              "red lit, latched · ",
              {{"input menu", "Choose an input… | --- | (" + saved + ") | ---"},
               {"channel menu", "Choose channels… | --- | (Saved pair (unavailable)) | ---"},
               {"input", "Input | " + saved + " | " + saved + " | " + saved},
               {"channels", "Channels | Saved pair (unavailable) |  | "},
               {"pickers", "input -"}});
  expectPhase("speakers scarlett", "fail-render press wait expand",
              "Monitoring couldn't start · FAULT red · CANCEL RETRY / DISENGAGE ROUTE red lit, "
              "latched · Retry",
              {{"diagnostics", "shown, 8 rows, last LAST ERROR (error) as reported"}});
  // Retrying once the fault clears; the running route is then rebuilt around a smaller ring.
  expectPhase("speakers scarlett", "fail-render press wait expand heal recover wait shorten wait",
              running,
              {{"diagnostics", "shown, 7 rows, last LATENCY"},
               {"ring", "1025 latched"},
               {"pickers", "input channels"},
               {"left meter", "-6"}});
  expectPhase(
      "speakers scarlett deny", "recover",
      "Audio input access is off · FAULT red · " + kStart + ", disabled · Open Microphone Settings",
      {{"opened", MonitorViewModel::microphoneSettingsURL}});
  expectPhase(
      "speakers scarlett input-384k", "recover",
      "Unsupported input sample rate · WAIT amber · " + kStart + ", disabled · Open Audio Setup",
      {{"opened", "/System/Applications/Utilities/Audio MIDI Setup.app"}});
  // A phase that passes inside one call leaves the keyboard focus where the user put it: start
  // and stop from the keyboard, another input chosen while monitoring, new headphones.
  expectPhase("speakers scarlett", "focus-start space events space events", ready,
              {{"focus", "start"}});
  expectPhase("speakers scarlett",
              "focus-input press second-input refresh choose-second-input events", running,
              {{"focus", "input"},
               {"input",
                "Input | Second Interface, 48.0 kHz / 24-bit | Second Interface | Second "
                "Interface"}});
  expectPhase("speakers scarlett", "focus-start press headphones refresh events", running,
              {{"focus", "start"},
               {"output",
                "System output | Headphones, 48.0 kHz / 32-bit float | Headphones | "
                "Headphones"}});
}

}  // namespace
