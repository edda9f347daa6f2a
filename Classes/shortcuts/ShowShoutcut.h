#pragma once
// The tips window: for three seconds, at the top centre of a display, the key
// row with the pressed key marked and what its shortcut does. Each press opens
// a new window, destroyed when it closes; the opener keeps no reference.
#include "Geometry.h"

#include <QWidget>
#include <cstdint>

class Configure;

class ShowShoutcut : public QWidget {
    Q_OBJECT
public:
    // store: where the key's command is read; null: the process's store.
    explicit ShowShoutcut(Configure* store = nullptr, QWidget* parent = nullptr);
    ~ShowShoutcut() override;

    // The frame of the display to show on, window-system coordinates (y up).
    void setScreenSize(const Rect& frame);
    Rect screenSize() const;
    // Places the window and shows the pieces of that key.
    void setId(int32_t keyId);
};
