// One full repaint of the main panel at its opening size (620 × 700) while monitoring, the meters
// lit by the simulated interface's sine: every widget paints into one image, as when the window is
// exposed. Argument: the device pixel ratio (1 for a standard display, 2 for a high-density one).
// Offscreen platform, raster painting, as a Linux desktop without OpenGL widgets paints.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "ui/HardwareButton.h"
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

void PanelRepaint(benchmark::State& state) {
  ensureOffscreenApplication();
  PanelHarness panel;
  panel.plugStandardDevices();
  MonitorView& view = panel.open();
  panel.clickPrimary();
  panel.run(500ms);
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

}  // namespace
