#pragma once
// What a mapping view does with the mouse. BTMouseRouter calls these in the
// order a press, a drag and a release arrive.
#include "BTMouseEvent.h"

class BTMouseResponder {
public:
    // The handlers other than entered and exited act only while this holds.
    virtual bool isActive() const = 0;
    virtual void mouseDown(const BTMouseEvent& event) = 0;
    // A release that ends a click without a drag.
    virtual void mouseUp(const BTMouseEvent& event) = 0;
    // Writes the event down under a type word ("DOWN", "DRAGGED", "Move", ...).
    virtual void logEvent(const BTMouseEvent& event, const char* type) = 0;
    // One further step of a drag.
    virtual void drawLineWithEvent(const BTMouseEvent& event) = 0;

protected:
    ~BTMouseResponder() = default;
};
