// One full repaint of the main panel at its opening size (620 × 700) while monitoring, the meters
// lit by the simulated interface's sine: every widget paints into one image, as when the window is
// exposed. Argument: the device pixel ratio (1 for a standard display, 2 for a high-density one).
// Offscreen platform, raster painting, as a Linux desktop without OpenGL widgets paints.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "ui/HardwareButton.h"
#include "ui/LevelMeterView.h"
#include "ui/MeterSegmentBar.h"
#include "ui/MeterWell.h"
#include "ui/MonitorView.h"
#include "ui/PanelHarness.h"

namespace {

void ensureOffscreenApplication() {
  static int argc = 1;
  static char name[] = "vx_benchmarks";
  static char* argv[] = {name, nullptr};
  // Left for the process's end: Qt's globals outlive any static destructor order we could pick.
  static const QApplication* application = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  static_cast<void>(application);
}

// The panel monitoring on the standard devices, with both meters lit.
MonitorView& openMonitoringPanel(PanelHarness& panel) {
  ensureOffscreenApplication();
  panel.plugStandardDevices();
  MonitorView& view = panel.open();
  panel.clickPrimary();
  panel.run(500ms);
  return view;
}

void PanelRepaint(benchmark::State& state) {
  PanelHarness panel;
  MonitorView& view = openMonitoringPanel(panel);
  const auto ratio = static_cast<double>(state.range(0));
  QImage image(view.size() * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  for (auto _ : state) {
    view.render(&image);
    benchmark::DoNotOptimize(image.constBits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PanelRepaint)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// What one meter frame repaints: the first N segments of the left bar (32: the whole bar, 2: a
// level moving by a segment and its peak), with every layer beneath them that is not covered by
// an opaque widget, at ratio 1. The panel is shown, as only shown widgets cover what is beneath.
void PanelRepaintMeterSegments(benchmark::State& state) {
  PanelHarness panel;
  MonitorView& view = openMonitoringPanel(panel);
  view.show();
  const MeterSegmentBar& bar = *view.meters()->left()->segmentBar();
  const QRectF segments = bar.segmentRect(0).united(bar.segmentRect(state.range(0) - 1));
  const QRect aligned = segments.toAlignedRect();
  const QRegion region(QRect(bar.mapTo(&view, aligned.topLeft()), aligned.size()));
  QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    view.render(&image, region.boundingRect().topLeft(), region);
    benchmark::DoNotOptimize(image.constBits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PanelRepaintMeterSegments)->Arg(32)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
