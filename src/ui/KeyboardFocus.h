#pragma once

// Whether a chrome-less control should draw its focus mark: only when focus arrived from the
// keyboard, so that the control focused when the window opens is not highlighted for mouse users.

#include <QWidget>

inline bool showsKeyboardFocus(const QWidget& widget) {
  return widget.hasFocus() && widget.window()->testAttribute(Qt::WA_KeyboardFocusChange);
}
