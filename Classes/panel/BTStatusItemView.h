#pragma once
// The tray icon's content: one 16 x 16 image that also shows whether the
// tablet is connected; a left click sends its action.
#include "Geometry.h"

#include <QObject>

class BTStatusItemView : public QObject {
    Q_OBJECT
public:
    // The icon's frame in window-system coordinates (origin bottom-left of the
    // main display, y up), from the tray's geometry of the icon.
    Rect globalRect() const;
};
