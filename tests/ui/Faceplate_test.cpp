#include <gtest/gtest.h>

#include <QAccessible>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QTest>

#include "ui/ControlLamp.h"
#include "ui/FaceplateBackground.h"
#include "ui/FaceplateScrew.h"
#include "ui/FaceplateSection.h"
#include "ui/HardwareButton.h"
#include "ui/OffscreenApplication.h"
#include "ui/PilotLight.h"
#include "ui/PixelSampling.h"
#include "ui/SectionHeading.h"
#include "ui/StatusConsole.h"
#include "ui/StudioPalette.h"

namespace {

using StudioPalette::withOpacity;

TEST(FaceplateBackgroundTest, HairlinesEveryThreePixelsFromHalfAPixelUpToTheBottom) {
  const std::vector<double> lines = FaceplateBackground::hairlinePositions(700.0);
  ASSERT_EQ(lines.size(), 234u);
  EXPECT_EQ(lines.front(), 0.5);
  EXPECT_EQ(lines.back(), 699.5);
  EXPECT_EQ(FaceplateBackground::hairlinePositions(699.5).size(), 233u);
  EXPECT_EQ(FaceplateBackground::hairlinePositions(0.5).size(), 0u);
}

TEST(FaceplateBackgroundTest, GradientRunsFromChassisThroughLighterMetalAndScrewsSitInTheCorners) {
  FaceplateBackground background;
  background.resize(200, 300);
  const QImage image = render(background);
  const QColor middle = image.pixelColor(100, 150);
  EXPECT_TRUE(colorNear(middle, QColor::fromRgbF(0.065f, 0.075f, 0.08f)));
  EXPECT_TRUE(colorNear(image.pixelColor(100, 299), StudioPalette::chassis()));
  // Screw heads: the gradient's light edge at the top-left of each 9 × 9 head, inset 9.
  for (const QPoint head :
       {QPoint(9, 9), QPoint(200 - 18, 9), QPoint(9, 300 - 18), QPoint(200 - 18, 300 - 18)}) {
    const QColor centre = image.pixelColor(head + QPoint(2, 4));
    EXPECT_GT(centre.lightness(), middle.lightness() + 10) << head.x() << "," << head.y();
  }
}

TEST(PilotLightTest, LitLightGlowsInItsColourAndDarkLightOnlyTints) {
  QWidget host;
  host.setAutoFillBackground(true);
  host.setPalette(QPalette(Qt::black));
  auto* light = new PilotLight(StudioPalette::green(), true, &host);
  host.resize(light->size());
  QImage image = render(host);
  const QPoint centre(PilotLight::glowReach + 4, PilotLight::glowReach + 4);
  EXPECT_TRUE(colorNear(image.pixelColor(centre), StudioPalette::green()));
  EXPECT_GT(image.pixelColor(centre.x(), 1).green(), 10);  // glow above the light

  light->setLit(false);
  image = render(host);
  EXPECT_TRUE(colorNear(image.pixelColor(centre),
                        over(withOpacity(StudioPalette::green(), 0.17), Qt::black)));
  EXPECT_EQ(image.pixelColor(centre.x(), 1), QColor(Qt::black));
}

TEST(ControlLampTest, LitAndDarkFillStrengths) {
  QWidget host;
  host.setAutoFillBackground(true);
  host.setPalette(QPalette(Qt::black));
  auto* lamp = new ControlLamp(StudioPalette::amber(), true, &host);
  host.resize(lamp->size());
  const QPoint centre(ControlLamp::glowReach + 2, ControlLamp::glowReach + 15);
  // The lit fill lets a little of its own glow through from beneath.
  EXPECT_TRUE(colorNear(render(host).pixelColor(centre),
                        over(withOpacity(StudioPalette::amber(), 0.95), Qt::black), 12));
  EXPECT_GT(render(host).pixelColor(centre.x(), 1).red(), 10);  // glow above the bar
  lamp->setLit(false);
  const QImage dark = render(host);
  EXPECT_TRUE(colorNear(dark.pixelColor(centre),
                        over(withOpacity(StudioPalette::amber(), 0.48), Qt::black)));
  EXPECT_EQ(dark.pixelColor(centre.x(), 0), QColor(Qt::black));
}

TEST(DecorationsTest, HiddenFromAssistiveTechnology) {
  PilotLight light(StudioPalette::red(), true);
  ControlLamp lamp(StudioPalette::red(), true);
  FaceplateScrew screw;
  for (QWidget* widget : {static_cast<QWidget*>(&light), static_cast<QWidget*>(&lamp),
                          static_cast<QWidget*>(&screw)}) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::NoRole);
    EXPECT_TRUE(accessible->state().invisible);
    EXPECT_TRUE(accessible->text(QAccessible::Name).isEmpty());
  }
}

TEST(FaceplateSectionTest, PlateHasBevelledOutlineOverAGradient) {
  QWidget host;
  host.setAutoFillBackground(true);
  host.setPalette(QPalette(Qt::black));
  auto* section = new FaceplateSection("SIGNAL PATH", std::nullopt, new QWidget, &host);
  section->resize(300, 120);
  host.resize(300, 120);
  const QImage image = render(host);
  const QMargins shadow = FaceplateSection::shadowMargins();
  const int x = 150;
  const QColor top = image.pixelColor(x, shadow.top());
  const QColor bottom = image.pixelColor(x, 119 - shadow.bottom());
  EXPECT_TRUE(colorNear(top, StudioPalette::edge(), 6));
  EXPECT_LT(bottom.lightness(), 8);
  EXPECT_TRUE(colorNear(image.pixelColor(x, shadow.top() + 3),
                        over(withOpacity(StudioPalette::panel(), 0.98), Qt::black), 4));
  EXPECT_GT(image.pixelColor(x, 118).alpha(), 0);
}

class StatusConsoleTest : public ::testing::Test {
 protected:
  StatusConsoleTest() {
    host.setAutoFillBackground(true);
    host.setPalette(QPalette(Qt::black));
  }

  QWidget host;
  StatusConsole& console = *new StatusConsole(&host);
};

TEST_F(StatusConsoleTest, SmokedGlassWithLampAndTitleInTheSeverityColour) {
  for (StatusSeverity severity : {StatusSeverity::neutral, StatusSeverity::active,
                                  StatusSeverity::warning, StatusSeverity::error}) {
    console.setStatus({"Ready", "Press start.", severity});
    console.resize(400, console.heightForWidth(400));
    host.resize(console.size());
    const QImage image = render(host);
    const QColor& colour = StudioPalette::severityColor(severity);
    EXPECT_TRUE(
        colorNear(image.pixelColor(200, console.height() - 5), StudioPalette::smokedGlass()));
    EXPECT_TRUE(colorNear(image.pixelColor(29, 14), colour));  // pilot light centre
    // The outline's row is half over the glass, half over the black beneath.
    const QColor halfGlass = over(withOpacity(StudioPalette::smokedGlass(), 0.5), Qt::black);
    EXPECT_TRUE(colorNear(image.pixelColor(200, 0), over(withOpacity(colour, 0.25), halfGlass), 4));
  }
}

TEST_F(StatusConsoleTest, OneAccessibleElementReadingItsVisibleTexts) {
  console.setStatus({"Waiting for the selected input", "Reconnect it.", StatusSeverity::warning});
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&console);
  EXPECT_EQ(accessible->role(), QAccessible::StaticText);
  EXPECT_EQ(accessible->childCount(), 0);
  EXPECT_EQ(accessible->text(QAccessible::Name),
            "STATUS, WAITING FOR THE SELECTED INPUT, Reconnect it.");
  console.setStatus({"Ready", std::nullopt, StatusSeverity::neutral});
  EXPECT_EQ(accessible->text(QAccessible::Name), "STATUS, READY");
}

class HardwareButtonTest : public ::testing::Test {
 protected:
  HardwareButtonTest() {
    host.setAutoFillBackground(true);
    host.setPalette(QPalette(Qt::black));
  }

  bool reduceMotion = true;
  QWidget host;
  HardwareButton& button = *new HardwareButton([this] { return reduceMotion; }, &host);
};

TEST_F(HardwareButtonTest, LatchedButtonIsSunkAtRestAndPressingMovesItDown) {
  button.setText("MUTE");
  button.resize(160, button.sizeHint().height());
  host.resize(button.size());
  const QRect body = button.rect() - HardwareButtonStyle::shadowMargins();
  const QPoint nearTop(body.center().x(), body.top() + 2);

  const QColor raisedTop = render(host).pixelColor(nearTop);
  button.setLatched(true);
  const QImage latched = render(host);
  EXPECT_LT(latched.pixelColor(nearTop).lightness(), raisedTop.lightness() - 10);
  // At rest the latched body's outline stays on its first row.
  EXPECT_TRUE(
      colorNear(latched.pixelColor(body.center().x(), body.top()), StudioPalette::edge(), 6));

  QTest::mousePress(&button, Qt::LeftButton);
  EXPECT_EQ(button.pressProgress(), 1.0);  // reduce motion: no transition
  const QImage pressed = render(host);
  EXPECT_TRUE(
      colorNear(pressed.pixelColor(body.center().x(), body.top() + 1), StudioPalette::edge(), 6));
  EXPECT_FALSE(
      colorNear(pressed.pixelColor(body.center().x(), body.top()), StudioPalette::edge(), 6));
  QTest::mouseRelease(&button, Qt::LeftButton);
  EXPECT_EQ(button.pressProgress(), 0.0);
}

TEST_F(HardwareButtonTest, DisabledButtonIsEngravedAndDimmed) {
  auto* face = new QLabel("ENGAGE ROUTE");
  button.setFace(face);
  button.setEnabled(false);
  auto* dim = qobject_cast<QGraphicsOpacityEffect*>(button.graphicsEffect());
  ASSERT_NE(dim, nullptr);
  EXPECT_DOUBLE_EQ(dim->opacity(), 0.62);
  EXPECT_EQ(face->palette().color(QPalette::Disabled, QPalette::WindowText),
            StudioPalette::engraved());
  EXPECT_FALSE(face->isEnabled());
  button.setEnabled(true);
  EXPECT_EQ(button.graphicsEffect(), nullptr);
  EXPECT_EQ(face->palette().color(QPalette::Active, QPalette::WindowText),
            StudioPalette::textPrimary());
}

TEST_F(HardwareButtonTest, ClicksReachTheButtonThroughItsFace) {
  int clicks = 0;
  QObject::connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
  button.setFace(new QLabel("MUTE"));
  button.resize(160, button.sizeHint().height());
  host.show();
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_GE(button.height() - HardwareButtonStyle::shadowMargins().top() -
                HardwareButtonStyle::shadowMargins().bottom(),
            HardwareButtonStyle::minimumHeight);
}

}  // namespace
