#include "ui/LevelMeterView.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QTest>
#include <memory>

#include "ui/ClipLampButton.h"
#include "ui/MeterScaleMarks.h"
#include "ui/MeterSegmentBar.h"
#include "ui/OffscreenApplication.h"
#include "ui/PeakMemoryReadout.h"
#include "ui/PixelSampling.h"
#include "ui/StudioPalette.h"

namespace {

using StudioPalette::withOpacity;

class LevelMeterViewTest : public ::testing::Test {
 protected:
  void build(const MeterReading& reading, bool showsScale = true) {
    view = std::make_unique<LevelMeterView>(
        "Left", reading, showsScale, [this] { ++releases; }, [this] { ++clears; });
    view->resize(600, view->sizeHint().height());
    view->show();
    QCoreApplication::processEvents();
  }

  // Colour at the centre of segment i, and on its top outline, in a fresh rendering.
  QColor segmentCentre(const QImage& image, int i) const {
    const QRectF r = view->segmentBar()->segmentRect(i).translated(view->segmentBar()->pos());
    return image.pixelColor(r.center().toPoint());
  }
  QColor segmentTopEdge(const QImage& image, int i) const {
    const QRectF r = view->segmentBar()->segmentRect(i).translated(view->segmentBar()->pos());
    return image.pixelColor(static_cast<int>(r.center().x()), static_cast<int>(r.top()));
  }

  static QColor zoneColor(int i) {
    return i < 16 ? StudioPalette::green() : i < 28 ? StudioPalette::amber() : StudioPalette::red();
  }

  std::unique_ptr<LevelMeterView> view;
  int releases = 0;
  int clears = 0;
};

TEST_F(LevelMeterViewTest, RenderedSegmentsShowLitCountAndPeakMarker) {
  struct Case {
    double level;
    double peak;
    int lit;
    std::optional<int> peakSegment;
  };
  for (const Case& c :
       {Case{-60.0, -60.0, 0, std::nullopt}, Case{-59.9, -59.9, 1, 0}, Case{-57.0, -30.0, 1, 9},
        Case{-56.9, -12.0, 2, 15}, Case{-12.0, -6.0, 16, 23}, Case{-0.75, 0.0, 31, 31},
        Case{-0.5, 3.0, 32, 31}, Case{-20.0, -22.0, 14, 12}}) {
    SCOPED_TRACE(c.level);
    build({c.level, c.peak, c.peak, false});
    const QImage image = render(*view);
    for (int i = 0; i < 32; ++i) {
      const bool full = i < c.lit || c.peakSegment == i;
      const QColor expected =
          full ? zoneColor(i) : over(withOpacity(zoneColor(i), 0.12), StudioPalette::inset());
      // Lit and peak segments show their colour at full strength, the rest a 12 % tint.
      EXPECT_TRUE(colorNear(segmentCentre(image, i), expected)) << "segment " << i;
      // Only the peak segment carries the bright outline.
      const QColor bright = over(withOpacity(StudioPalette::textPrimary(), 0.95), zoneColor(i));
      EXPECT_EQ(static_cast<bool>(colorNear(segmentTopEdge(image, i), bright, 12)),
                c.peakSegment == i)
          << "segment " << i;
    }
  }
}

TEST_F(LevelMeterViewTest, ClipLampIgnoresClicksWhileDarkAndClearsOnceWhenLit) {
  build({-20.0, -20.0, -20.0, false});
  QTest::mouseClick(view->clipLamp(), Qt::LeftButton);
  EXPECT_EQ(clears, 0);
  EXPECT_FALSE(view->clipLamp()->isEnabled());

  view->setReading({-20.0, -20.0, -20.0, true});
  ASSERT_TRUE(view->clipLamp()->isEnabled());
  QTest::mouseClick(view->clipLamp(), Qt::LeftButton);
  EXPECT_EQ(clears, 1);
  EXPECT_EQ(releases, 0);
}

TEST_F(LevelMeterViewTest, ReadoutClickReleasesThePeakMemory) {
  build({-20.0, -20.0, -8.26, false});
  EXPECT_EQ(view->peakReadout()->number(), "-8.3");
  QTest::mouseClick(view->peakReadout(), Qt::LeftButton);
  EXPECT_EQ(releases, 1);
  EXPECT_EQ(clears, 0);
}

TEST_F(LevelMeterViewTest, AccessibleTextsOfBarReadoutAndLamp) {
  build({-18.4, -6.5, -12.34, false});
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(view->segmentBar());
  ASSERT_NE(bar, nullptr);
  const QString barValue = "-18 decibels full scale, held peak -7 decibels full scale, no clipping";
  EXPECT_EQ(bar->text(QAccessible::Name), "Left input level");
  EXPECT_EQ(bar->text(QAccessible::Value), barValue);
  EXPECT_EQ(bar->text(QAccessible::Description), "");
  EXPECT_EQ(bar->childCount(), 0);

  QAccessibleInterface* readout = QAccessible::queryAccessibleInterface(view->peakReadout());
  ASSERT_NE(readout, nullptr);
  EXPECT_EQ(readout->role(), QAccessible::Button);
  EXPECT_EQ(readout->text(QAccessible::Name), "Reset left peak memory");
  EXPECT_EQ(readout->text(QAccessible::Value), "-12.3 decibels full scale");
  EXPECT_EQ(readout->text(QAccessible::Description), "The next measured peak starts a new maximum");
  ASSERT_NE(readout->textInterface(), nullptr);
  EXPECT_EQ(readout->textInterface()->text(0, readout->textInterface()->characterCount()),
            "-12.3 decibels full scale");
  EXPECT_EQ(view->peakReadout()->toolTip(),
            QString::fromUtf8("Reset left peak memory · the next peak starts a new maximum"));

  QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(view->clipLamp());
  ASSERT_NE(lamp, nullptr);
  EXPECT_EQ(lamp->text(QAccessible::Name), "Left clipping indicator");
  EXPECT_EQ(lamp->text(QAccessible::Value), "No clipping");
  EXPECT_EQ(lamp->text(QAccessible::Description), "The lamp latches when clipping is detected");
  EXPECT_EQ(view->clipLamp()->toolTip(), "No clipping detected");
  EXPECT_TRUE(lamp->state().disabled);

  view->setReading({-0.4, -0.4, -0.4, true});
  EXPECT_EQ(bar->text(QAccessible::Value),
            "0 decibels full scale, held peak 0 decibels full scale, clipping indicator latched");
  EXPECT_EQ(lamp->text(QAccessible::Name), "Clear left clipping indicator");
  EXPECT_EQ(lamp->text(QAccessible::Value), "Clipping detected");
  EXPECT_EQ(lamp->text(QAccessible::Description), "Press to clear the latched indicator");
  EXPECT_EQ(view->clipLamp()->toolTip(), "Click to clear the latched clip indicator");
  EXPECT_FALSE(lamp->state().disabled);
}

TEST_F(LevelMeterViewTest, AssistiveTechnologyPressesTheLitLamp) {
  build({-20.0, -20.0, -20.0, true});
  QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(view->clipLamp());
  ASSERT_NE(lamp->actionInterface(), nullptr);
  lamp->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(clears, 0);  // the press is queued, so the caller never waits on the button
  QCoreApplication::processEvents();
  EXPECT_EQ(clears, 1);
}

TEST_F(LevelMeterViewTest, ScaleMarksSitOverTheirSegmentBoundaries) {
  build({-60.0, -60.0, -60.0, false});
  const QRect row = view->scaleRowRect();
  EXPECT_EQ(row.width(), view->segmentBar()->width());
  EXPECT_EQ(row.height(), 16);
  EXPECT_EQ(view->segmentBar()->geometry().top() - row.bottom() - 1, 4);
  EXPECT_DOUBLE_EQ(MeterScaleMarks::centreX(-60, row.width()), 10.0);
  EXPECT_DOUBLE_EQ(MeterScaleMarks::centreX(0, row.width()), row.width() - 5.0);
  EXPECT_DOUBLE_EQ(MeterScaleMarks::centreX(-12, row.width()), row.width() / 2.0);
  EXPECT_DOUBLE_EQ(MeterScaleMarks::centreX(-6, 400.0), 300.0);
  EXPECT_DOUBLE_EQ(MeterScaleMarks::centreX(-60, 15.0), 5.0);

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
      if (event->type() == QEvent::Paint) ++paints;
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
