#include <gtest/gtest.h>

#include <QKeySequence>
#include <QMenu>

#include "ui/OffscreenApplication.h"
#include "ui/PanelHarness.h"
#include "ui/PixelSampling.h"

// Whatever a device is called, its picker face keeps to one line, its menu to the window's width,
// and its name gives the menu no shortcut key.
TEST(OddNames, EachNameKeepsToOneLineAndTheWindowsWidth) {
  for (const std::string& name : {std::string(500, 'L'), std::string("line one\nline two\nthree"),
                                  std::string("Rock & Roll")}) {
    SCOPED_TRACE(name.substr(0, 20));
    PanelHarness panel;
    panel.plugStandardDevices().plugInput(name, "odd", 2);
    panel.open().show();
    panel.vm().selectInputDevice("odd");
    panel.controller.settle();
    PickerButton& picker = *panel.view->inputPicker();
    picker.rebuildMenu();
    EXPECT_LE(picker.menu()->sizeHint().width(), panel.view->width());
    for (QAction* entry : picker.menu()->actions())
      EXPECT_TRUE(QKeySequence::mnemonic(entry->text()).isEmpty());
    // The rows the face's text covers: one line's height at most.
    const QImage face = render(picker, Qt::black);
    int first = face.height(), last = -1;
    for (int y = 0; y < face.height(); ++y) {
      for (int x = 0; x < face.width() - 30; ++x)
        if (qGray(face.pixel(x, y)) > 128) first = std::min(first, y), last = std::max(last, y);
    }
    EXPECT_LE(last - first + 1, picker.fontMetrics().height()) << "rows " << first << "–" << last;
  }
}
