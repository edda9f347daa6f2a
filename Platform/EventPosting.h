#pragma once
// Posting keyboard, mouse and scroll events into the window system, and
// reading the pointer's location (display space).
#include "Geometry.h"

class EventPosting {
public:
    virtual ~EventPosting() = default;

    // The pointer's current location, as a new source-less event reports it.
    virtual Point pointerLocation() const = 0;
};
