#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>
#include <limits>

#include "ui/ClipLampButton.h"
#include "ui/FaceplateBackground.h"
#include "ui/LevelMeterTexts.h"
#include "ui/LevelMeterView.h"
#include "ui/MeterSegmentBar.h"
#include "ui/OffscreenApplication.h"
#include "ui/PanelHarness.h"
#include "ui/PeakMemoryReadout.h"
#include "ui/PixelSampling.h"
#include "ui/StudioPalette.h"

namespace {

using namespace StudioPalette;

TEST(FaceplateBackgroundTest, HairlinesEveryThreePixelsFromHalfAPixelUpToTheBottom) {
  const std::vector<double> lines = FaceplateBackground::hairlinePositions(700.0);
  ASSERT_EQ(lines.size(), 234u);
  EXPECT_EQ(lines.front(), 0.5);
  EXPECT_EQ(lines.back(), 699.5);
  EXPECT_EQ(FaceplateBackground::hairlinePositions(699.5).size(), 233u);
  EXPECT_EQ(FaceplateBackground::hairlinePositions(0.5).size(), 0u);
}

struct LevelMeterViewTest : ::testing::Test {
  void build(const MeterReading& reading) {
    view = std::make_unique<LevelMeterView>(
        "Left", reading, true, [this] { ++releases; }, [this] { ++clears; });
    view->resize(600, view->sizeHint().height());
  }
  std::unique_ptr<LevelMeterView> view;
  int releases = 0, clears = 0;
};

// Lit and peak segments show their zone's colour, the rest a 12 % tint; the peak is outlined.
TEST_F(LevelMeterViewTest, RenderedSegmentsShowLitCountAndPeakMarker) {
  const struct {
    double level, peak;
    int lit, peakSegment;
  } rows[] = {{-60.0, -60.0, 0, -1}, {-59.9, -59.9, 1, 0},
              {-57.0, -30.0, 1, 9},  {-56.9, -12.0, 2, 15},
              {-12.0, -6.0, 16, 23}, {-0.75, 0.0, 31, 31},
              {-0.5, 3.0, 32, 31},   {-20.0, -22.0, 14, 12},
              {-75.0, 4.0, 0, 31},   {std::numeric_limits<double>::quiet_NaN(), -70.0, 0, -1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.level);
    build({row.level, row.peak, row.peak, false});
    const QImage image = render(*view);
    for (int i = 0; i < 32; ++i) {
      const QColor zone = i < 16 ? green() : i < 28 ? amber() : red();
      const QRectF r = view->segmentBar()->segmentRect(i).translated(view->segmentBar()->pos());
      const bool full = i < row.lit || row.peakSegment == i;
      EXPECT_TRUE(colorNear(image.pixelColor(r.center().toPoint()),
                            full ? zone : over(withOpacity(zone, 0.12), inset())))
          << "segment " << i;
      const QColor outline = image.pixelColor(int(r.center().x()), int(r.top()));
      const QColor bright = over(withOpacity(textPrimary(), 0.95), zone);
      EXPECT_EQ(bool(colorNear(outline, bright, 12)), row.peakSegment == i) << "segment " << i;
    }
  }
}

TEST_F(LevelMeterViewTest, ReadoutReleasesThePeakAndOnlyTheLitLampClearsOnClickOrPress) {
  build({-20.0, -20.0, -8.26, false});
  EXPECT_EQ(view->peakReadout()->number(), "-8.3");
  QTest::mouseClick(view->clipLamp(), Qt::LeftButton);
  QTest::mouseClick(view->peakReadout(), Qt::LeftButton);
  EXPECT_EQ(clears, 0);
  EXPECT_EQ(releases, 1);
  view->setReading({-20.0, -20.0, -8.26, true});
  QTest::mouseClick(view->clipLamp(), Qt::LeftButton);
  EXPECT_EQ(clears, 1);
  QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(view->clipLamp());
  lamp->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(clears, 1);  // the press is queued, so the caller never waits on the button
  QCoreApplication::processEvents();
  EXPECT_EQ(clears, 2);
}

// A new reading repaints only the segments it changes; the window then shows what a full repaint
// of the same reading shows.
TEST_F(LevelMeterViewTest, RepaintingChangedSegmentsShowsWhatAFullRepaintShows) {
  build({});
  view->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  for (const double level : {-40.0, -25.5, -59.0, -0.1, -12.0, -3.0, -50.0}) {
    view->setReading({level, std::min(0.0, level + 9.0), -0.1, false});
    QCoreApplication::processEvents();
  }
  const QImage shown = view->screen()->grabWindow(view->winId()).toImage();
  EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
            view->grab().toImage().convertToFormat(QImage::Format_RGB32));
}

// The program's check on the accessibility bus reads the meters at rest; here the held peak, the
// latched lamp and the rounding of spoken decibels.
TEST_F(LevelMeterViewTest, BarAndLatchedLampSpeakTheirValuesAndHints) {
  build({-18.4, -6.5, -12.34, false});
  EXPECT_EQ(spoken(view->segmentBar()),
            "Left input level | -18 decibels full scale, held peak -7 decibels full scale, no "
            "clipping |  | ");
  view->setReading({-0.4, -0.4, -0.4, true});
  EXPECT_EQ(spoken(view->segmentBar()),
            "Left input level | 0 decibels full scale, held peak 0 decibels full scale, clipping "
            "indicator latched |  | ");
  EXPECT_EQ(spoken(view->clipLamp()),
            "Clear left clipping indicator | Clipping detected | Press to clear the latched "
            "indicator | Click to clear the latched clip indicator");
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(view->clipLamp())->state().disabled);
  const double infinity = std::numeric_limits<double>::infinity();
  const std::pair<double, const char*> rows[] = {
      {-12.5, "-13"},     {-12.49, "-12"}, {-0.4, "0"},
      {-0.5, "-1"},       {0.5, "1"},      {-60.0, "-60"},
      {-infinity, "-60"}, {infinity, "0"}, {std::numeric_limits<double>::quiet_NaN(), "-60"}};
  for (const auto& [dBFS, words] : rows)
    EXPECT_EQ(LevelMeterTexts::spokenDecibels(dBFS), words) << dBFS;
}

}  // namespace
