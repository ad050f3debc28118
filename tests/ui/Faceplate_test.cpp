#include <gtest/gtest.h>

#include <QAccessible>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QTest>

#include "ui/ControlLamp.h"
#include "ui/FaceplateBackground.h"
#include "ui/FaceplateScrew.h"
#include "ui/FaceplateSection.h"
#include "ui/HardwareButton.h"
#include "ui/OffscreenApplication.h"
#include "ui/PilotLight.h"
#include "ui/PixelSampling.h"
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
  for (const QPoint head : {QPoint(9, 9), QPoint(182, 9), QPoint(9, 282), QPoint(182, 282)}) {
    EXPECT_GT(image.pixelColor(head + QPoint(2, 4)).lightness(), middle.lightness() + 10)
        << head.x() << "," << head.y();
  }
}

// A lit lamp shows its colour (the control lamp lets a little of its glow through) and glows
// beyond its body; a dark one only tints and does not glow.
template <typename Lamp>
void expectLitAndDark(const QColor& colour, QPoint centre, double litOpacity, int tolerance,
                      double darkOpacity, int aboveRow) {
  Lamp lamp(colour, true);
  QImage image = render(lamp, Qt::black);
  EXPECT_TRUE(colorNear(image.pixelColor(centre), over(withOpacity(colour, litOpacity), Qt::black),
                        tolerance));
  const QColor glow = image.pixelColor(centre.x(), 1);
  EXPECT_GT(std::max(glow.red(), glow.green()), 10);
  lamp.setLit(false);
  image = render(lamp, Qt::black);
  EXPECT_TRUE(
      colorNear(image.pixelColor(centre), over(withOpacity(colour, darkOpacity), Qt::black)));
  EXPECT_EQ(image.pixelColor(centre.x(), aboveRow), QColor(Qt::black));
}

TEST(LampTest, LitLampsGlowInTheirColourAndDarkLampsOnlyTint) {
  {
    SCOPED_TRACE("pilot light");
    const int c = PilotLight::glowReach + 4;
    expectLitAndDark<PilotLight>(StudioPalette::green(), {c, c}, 1.0, 3, 0.17, 1);
  }
  SCOPED_TRACE("control lamp");
  expectLitAndDark<ControlLamp>(StudioPalette::amber(),
                                {ControlLamp::glowReach + 2, ControlLamp::glowReach + 15}, 0.95, 12,
                                0.48, 0);
}

TEST(DecorationsTest, HiddenFromAssistiveTechnology) {
  PilotLight light(StudioPalette::red(), true);
  ControlLamp lamp(StudioPalette::red(), true);
  FaceplateScrew screw;
  for (QWidget* widget : std::initializer_list<QWidget*>{&light, &lamp, &screw}) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::NoRole);
    EXPECT_TRUE(accessible->state().invisible);
    EXPECT_TRUE(accessible->text(QAccessible::Name).isEmpty());
  }
}

TEST(FaceplateSectionTest, PlateHasBevelledOutlineOverAGradient) {
  FaceplateSection section("SIGNAL PATH", std::nullopt, new QWidget);
  section.resize(300, 120);
  const QImage image = render(section, Qt::black);
  const QMargins shadow = FaceplateSection::shadowMargins();
  EXPECT_TRUE(colorNear(image.pixelColor(150, shadow.top()), StudioPalette::edge(), 6));
  EXPECT_LT(image.pixelColor(150, 119 - shadow.bottom()).lightness(), 8);
  EXPECT_TRUE(colorNear(image.pixelColor(150, shadow.top() + 3),
                        over(withOpacity(StudioPalette::panel(), 0.98), Qt::black), 4));
  EXPECT_GT(image.pixelColor(150, 118).alpha(), 0);
}

TEST(StatusConsoleTest, SmokedGlassWithLampAndTitleInTheSeverityColourReadAsOneElement) {
  StatusConsole console;
  for (StatusSeverity severity : {StatusSeverity::neutral, StatusSeverity::active,
                                  StatusSeverity::warning, StatusSeverity::error}) {
    console.setStatus({"Ready", "Press start.", severity});
    console.resize(400, console.heightForWidth(400));
    const QImage image = render(console, Qt::black);
    const QColor& colour = StudioPalette::severityColor(severity);
    EXPECT_TRUE(
        colorNear(image.pixelColor(200, console.height() - 5), StudioPalette::smokedGlass()));
    EXPECT_TRUE(colorNear(image.pixelColor(29, 14), colour));  // pilot light centre
    // The outline's row is half over the glass, half over the black beneath.
    const QColor halfGlass = over(withOpacity(StudioPalette::smokedGlass(), 0.5), Qt::black);
    EXPECT_TRUE(colorNear(image.pixelColor(200, 0), over(withOpacity(colour, 0.25), halfGlass), 4));
  }
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
  HardwareButton button{[] { return true; }};  // reduce motion
};

TEST_F(HardwareButtonTest, LatchedButtonIsSunkAtRestAndPressingMovesItDown) {
  button.setText("MUTE");
  button.resize(160, button.sizeHint().height());
  const QRect body = button.rect() - HardwareButtonStyle::shadowMargins();
  const int x = body.center().x();
  const QColor raisedTop = render(button, Qt::black).pixelColor(x, body.top() + 2);
  button.setLatched(true);
  const QImage latched = render(button, Qt::black);
  EXPECT_LT(latched.pixelColor(x, body.top() + 2).lightness(), raisedTop.lightness() - 10);
  // At rest the latched body's outline stays on its first row; pressed, it moves one row down.
  EXPECT_TRUE(colorNear(latched.pixelColor(x, body.top()), StudioPalette::edge(), 6));
  QTest::mousePress(&button, Qt::LeftButton);
  EXPECT_EQ(button.pressProgress(), 1.0);  // no transition
  const QImage pressed = render(button, Qt::black);
  EXPECT_TRUE(colorNear(pressed.pixelColor(x, body.top() + 1), StudioPalette::edge(), 6));
  EXPECT_FALSE(colorNear(pressed.pixelColor(x, body.top()), StudioPalette::edge(), 6));
  QTest::mouseRelease(&button, Qt::LeftButton);
  EXPECT_EQ(button.pressProgress(), 0.0);
}

TEST_F(HardwareButtonTest, ClicksReachTheButtonThroughItsFaceAndADisabledButtonIsEngravedAndDim) {
  int clicks = 0;
  QObject::connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
  auto* face = new QLabel("ENGAGE ROUTE");
  button.setFace(face);
  button.resize(160, button.sizeHint().height());
  button.show();
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);

  button.setEnabled(false);
  auto* dim = qobject_cast<QGraphicsOpacityEffect*>(button.graphicsEffect());
  ASSERT_NE(dim, nullptr);
  EXPECT_LT(dim->opacity(), 1.0);
  EXPECT_FALSE(face->isEnabled());
  EXPECT_EQ(face->palette().color(QPalette::Disabled, QPalette::WindowText),
            StudioPalette::engraved());
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  button.setEnabled(true);
  EXPECT_EQ(button.graphicsEffect(), nullptr);
  EXPECT_EQ(face->palette().color(QPalette::Active, QPalette::WindowText),
            StudioPalette::textPrimary());
}

}  // namespace
