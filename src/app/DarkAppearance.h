#pragma once

// The application looks the same on every desktop: the Fusion style with a dark palette built
// from the faceplate's colours, whatever theme the desktop uses. Menus, tooltips and scroll bars
// follow it.

class QApplication;

void applyDarkAppearance(QApplication& application);
