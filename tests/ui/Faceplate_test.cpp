#include <gtest/gtest.h>

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QTest>

#include "ui/ControlLamp.h"
#include "ui/FaceplateBackground.h"
#include "ui/HardwareButton.h"
#include "ui/OffscreenApplication.h"
#include "ui/PilotLight.h"
#include "ui/PixelSampling.h"
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
  for (const QPoint head : {QPoint(9, 9), QPoint(182, 9), QPoint(9, 282), QPoint(182, 282)})
    EXPECT_GT(image.pixelColor(head + QPoint(2, 4)).lightness(), middle.lightness() + 10)
        << head.x();
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
  const int c = PilotLight::glowReach + 4;
  expectLitAndDark<PilotLight>(StudioPalette::green(), {c, c}, 1.0, 3, 0.17, 1);
  expectLitAndDark<ControlLamp>(StudioPalette::amber(),
                                {ControlLamp::glowReach + 2, ControlLamp::glowReach + 15}, 0.95, 12,
                                0.48, 0);
}

// Latched, the body is sunk; disabled, the button is dimmed, its face engraved, clicks ignored.
TEST(HardwareButtonTest, LatchSinksTheBodyAndDisabledIsDimEngravedAndDeaf) {
  HardwareButton button{[] { return true; }};  // reduce motion: no transition
  int clicks = 0;
  QObject::connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
  auto* face = new QLabel("ENGAGE ROUTE");
  button.setFace(face);
  button.resize(160, button.sizeHint().height());
  const QPoint top =
      (button.rect() - HardwareButtonStyle::shadowMargins()).topLeft() + QPoint(80, 2);
  const int raised = render(button, Qt::black).pixelColor(top).lightness();
  button.setLatched(true);
  EXPECT_LT(render(button, Qt::black).pixelColor(top).lightness(), raised - 10);
  QTest::mouseClick(&button, Qt::LeftButton);
  button.setEnabled(false);
  auto* dim = qobject_cast<QGraphicsOpacityEffect*>(button.graphicsEffect());
  EXPECT_TRUE(dim && dim->opacity() < 1.0);
  EXPECT_EQ(face->palette().color(QPalette::Disabled, QPalette::WindowText),
            StudioPalette::engraved());
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  button.setEnabled(true);
  EXPECT_EQ(button.graphicsEffect(), nullptr);
}

}  // namespace
