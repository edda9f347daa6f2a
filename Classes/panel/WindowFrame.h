#pragma once
// Window frames in window-system coordinates (origin at the lower-left corner
// of the main display, y up), as the interface's geometry is computed, and
// their conversion to Qt's top-left screen coordinates, done here and only
// here, where a window is placed or read back.
#include "Geometry.h"

class QWidget;

namespace WindowFrame {

// The main display's height the two systems are flipped about (0 without displays).
double mainDisplayHeight();

// The same rectangle in Qt's coordinates (origin top-left, y down), and back:
// the flip is its own inverse.
Rect toQt(const Rect& frame);
Rect fromQt(const Rect& geometry);

// The window's frame, and placing it by its frame or by its lower-left corner.
Rect frame(const QWidget* window);
void setFrame(QWidget* window, const Rect& frame);
void setFrameOrigin(QWidget* window, Point origin);

} // namespace WindowFrame
