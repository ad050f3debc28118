#include "ui/LevelMeterView.h"

#include <gtest/gtest.h>

#include <QTest>

#include "ui/ClipLampButton.h"
#include "ui/MeterScaleMarks.h"
#include "ui/MeterSegmentBar.h"
#include "ui/OffscreenApplication.h"
#include "ui/PanelHarness.h"
#include "ui/PeakMemoryReadout.h"
#include "ui/PixelSampling.h"
#include "ui/StudioPalette.h"

namespace {

using StudioPalette::withOpacity;

class LevelMeterViewTest : public ::testing::Test {
 protected:
  void build(const MeterReading& reading) {
    view = std::make_unique<LevelMeterView>(
        "Left", reading, true, [this] { ++releases; }, [this] { ++clears; });
    view->resize(600, view->sizeHint().height());
    view->show();
    QCoreApplication::processEvents();
  }

  std::unique_ptr<LevelMeterView> view;
  int releases = 0;
  int clears = 0;
};

TEST_F(LevelMeterViewTest, RenderedSegmentsShowLitCountAndPeakMarker) {
  const struct {
    double level, peak;
    int lit;
    std::optional<int> peakSegment;
  } rows[] = {{-60.0, -60.0, 0, std::nullopt},
              {-59.9, -59.9, 1, 0},
              {-57.0, -30.0, 1, 9},
              {-56.9, -12.0, 2, 15},
              {-12.0, -6.0, 16, 23},
              {-0.75, 0.0, 31, 31},
              {-0.5, 3.0, 32, 31},
              {-20.0, -22.0, 14, 12}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.level);
    build({row.level, row.peak, row.peak, false});
    const QImage image = render(*view);
    for (int i = 0; i < 32; ++i) {
      const QColor zone = i < 16   ? StudioPalette::green()
                          : i < 28 ? StudioPalette::amber()
                                   : StudioPalette::red();
      const QRectF r = view->segmentBar()->segmentRect(i).translated(view->segmentBar()->pos());
      // Lit and peak segments show their colour at full strength, the rest a 12 % tint.
      const bool full = i < row.lit || row.peakSegment == i;
      EXPECT_TRUE(colorNear(image.pixelColor(r.center().toPoint()),
                            full ? zone : over(withOpacity(zone, 0.12), StudioPalette::inset())))
          << "segment " << i;
      // Only the peak segment carries the bright outline.
      const QColor outline = image.pixelColor(int(r.center().x()), int(r.top()));
      const QColor bright = over(withOpacity(StudioPalette::textPrimary(), 0.95), zone);
      EXPECT_EQ(bool(colorNear(outline, bright, 12)), row.peakSegment == i) << "segment " << i;
    }
  }
}

TEST_F(LevelMeterViewTest, ReadoutReleasesThePeakAndOnlyTheLitLampClearsOnClickOrPress) {
  build({-20.0, -20.0, -8.26, false});
  EXPECT_EQ(view->peakReadout()->number(), "-8.3");
  QTest::mouseClick(view->clipLamp(), Qt::LeftButton);
  EXPECT_EQ(clears, 0);
  QTest::mouseClick(view->peakReadout(), Qt::LeftButton);
  EXPECT_EQ(releases, 1);

  view->setReading({-20.0, -20.0, -8.26, true});
  QTest::mouseClick(view->clipLamp(), Qt::LeftButton);
  EXPECT_EQ(clears, 1);
  QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(view->clipLamp());
  lamp->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(clears, 1);  // the press is queued, so the caller never waits on the button
  QCoreApplication::processEvents();
  EXPECT_EQ(clears, 2);
  EXPECT_EQ(releases, 1);
}

TEST_F(LevelMeterViewTest, BarReadoutAndLampSpeakTheirNamesValuesAndHints) {
  build({-18.4, -6.5, -12.34, false});
  EXPECT_EQ(spoken(view->segmentBar()),
            "Left input level | -18 decibels full scale, held peak -7 decibels full scale, no "
            "clipping |  | ");
  EXPECT_EQ(spoken(view->peakReadout()),
            "Reset left peak memory | -12.3 decibels full scale | The next measured peak starts a "
            "new maximum | Reset left peak memory · the next peak starts a new maximum");
  QAccessibleInterface* readout = QAccessible::queryAccessibleInterface(view->peakReadout());
  EXPECT_EQ(readout->role(), QAccessible::Button);
  EXPECT_EQ(readout->textInterface()->text(0, readout->textInterface()->characterCount()),
            "-12.3 decibels full scale");
  EXPECT_EQ(spoken(view->clipLamp()),
            "Left clipping indicator | No clipping | The lamp latches when clipping is detected | "
            "No clipping detected");
  QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(view->clipLamp());
  EXPECT_TRUE(lamp->state().disabled);

  view->setReading({-0.4, -0.4, -0.4, true});
  EXPECT_EQ(spoken(view->segmentBar()),
            "Left input level | 0 decibels full scale, held peak 0 decibels full scale, clipping "
            "indicator latched |  | ");
  EXPECT_EQ(spoken(view->clipLamp()),
            "Clear left clipping indicator | Clipping detected | Press to clear the latched "
            "indicator | Click to clear the latched clip indicator");
  EXPECT_FALSE(lamp->state().disabled);
}

TEST_F(LevelMeterViewTest, ScaleMarksSitOverTheirSegmentBoundaries) {
  build({-60.0, -60.0, -60.0, false});
  const QRect row = view->scaleRowRect();
  EXPECT_EQ(row.width(), view->segmentBar()->width());
  const struct {
    int db;
    double width, centre;
  } marks[] = {{-60, 600, 10}, {0, 600, 595}, {-12, 600, 300}, {-6, 400, 300}, {-60, 15, 5}};
  for (const auto& mark : marks) {
    EXPECT_DOUBLE_EQ(MeterScaleMarks::centreX(mark.db, mark.width), mark.centre) << mark.db;
  }
  // The −12 tick is drawn at the middle of the row, just above the bar.
  const QImage image = render(*view);
  const QPoint tick(row.left() + row.width() / 2, row.bottom() - 2);
  EXPECT_TRUE(colorNear(
      image.pixelColor(tick),
      over(withOpacity(StudioPalette::textSecondary(), 0.8), image.pixelColor(tick + QPoint(6, 0))),
      40));
}

TEST_F(LevelMeterViewTest, EqualReadingsAndInvisibleChangesDoNotRepaintTheBar) {
  build({-20.0, -20.0, -20.0, false});
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint;
      return false;
    }
  } counter;
  view->segmentBar()->installEventFilter(&counter);
  QCoreApplication::processEvents();
  counter.paints = 0;
  view->setReading({-20.0, -20.0, -20.0, false});
  view->setReading({-20.1, -20.2, -20.0, false});  // same lit count and peak segment
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.paints, 0);
  view->setReading({-10.0, -10.0, -10.0, false});
  QCoreApplication::processEvents();
  EXPECT_GE(counter.paints, 1);
}

}  // namespace
