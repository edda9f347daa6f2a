// The stylus state machine: compares the record of this report with that of
// the previous one and posts proximity, button and movement events, and hands
// hardware-key and stylus-button presses to the shortcut path.
#include "BTDriverManager.h"

#include "MainQueue.h"
#include "PlatformServices.h"
#include "SystemLog.h"

void BTDriverManager::updateStylusStatus()
{
    const uint16_t mask = stylus_.button_mask;
    const bool tip = mask & StylusMask::kTip;
    const bool wasTip = oldStylus_.button_mask & StylusMask::kTip;
    const uint16_t keys = mask & 0x7F;
    const bool release = (mask & StylusMask::kRelease) || (oldStylus_.button[StylusMask::kButton1Key] && !(mask & StylusMask::kButton1)) ||
                         (oldStylus_.button[StylusMask::kButton2Key] && !(mask & StylusMask::kButton2));
    const bool moved = stylus_.motion.x != 0 || stylus_.motion.y != 0;
    const bool pressureChanged = stylus_.pressure != oldStylus_.pressure;

    if (keys != 0) {
        const uint16_t pressed = mask & 0xFF7F;
        for (int b = 0; b < 16; ++b) {
            if (!((pressed >> b) & 1)) continue;
            if (b == StylusMask::kButton1Key || b == StylusMask::kButton2Key) {
                // A held stylus button fires once.
                if (!stylus_.pen_near) {
                    dispatchShortcut(b, true);
                    stylus_.pen_near = true;
                }
            } else {
                dispatchShortcut(b, true);
            }
        }
    }

    if (release) {
        for (int b = 0; b < StylusRecord::kHeldButtons; ++b) {
            if (b == StylusMask::kTipKey || !oldStylus_.button[b]) continue;
            dispatchShortcut(b, keys != 0);
            oldStylus_.button[b] = false;
            stylus_.button[b] = false;
        }
        stylus_.pen_near = false;
        oldStylus_.pen_near = false;
    }

    if (stylus_.off_tablet != oldStylus_.off_tablet) {
        // A pen lifted away fast leaves with its tip still down: free the button first.
        if (stylus_.off_tablet && wasTip) {
            BTLogInfo("-[BTDriverManager updateStylusStatus]", ">>>mouseUp -drag ended");
            postButtonEvent(NX::kLeftMouseUp, 0);
        }
        postProximityEvent();
        BTLogInfo("-[BTDriverManager updateStylusStatus]", ">>>Stylus has %s proximity",
                  stylus_.off_tablet ? "exited" : "entered");
        oldStylus_.off_tablet = stylus_.off_tablet;
        _isDragging = false;
        // A pen that arrives already pressing starts its stroke with the button down.
        if (!(tip && !wasTip && keys == 0)) return;
    } else if (!tip && wasTip) {
        BTLogInfo("-[BTDriverManager updateStylusStatus]", ">>>mouseUp -drag ended");
        postButtonEvent(NX::kLeftMouseUp, 0);
        _isDragging = false;
        return;
    }

    if (tip && !wasTip && keys == 0) {
        BTLogInfo("-[BTDriverManager updateStylusStatus]", ">>>mouseDown");
        postButtonEvent(NX::kLeftMouseDown, 0);
        stylus_.motion = {0, 0};
        _isDragging = false;
        return;
    }

    if (tip && !_isDragging) {
        if (!moved && !pressureChanged) return;
        BTLogInfo("-[BTDriverManager updateStylusStatus]", ">>>drag started");
        _isDragging = true;
        postMoveOrDragEvent(NX::kLeftMouseDragged);
    } else if (moved && !_isDragging) {
        postMoveOrDragEvent(NX::kMouseMoved);
    } else if (_isDragging && (moved || pressureChanged)) {
        postMoveOrDragEvent(NX::kLeftMouseDragged);
    }
}

void BTDriverManager::dispatchShortcut(int32_t keyId, bool down)
{
    if (!_vexloSettings.tabletKeys.load(std::memory_order_relaxed)) return;
    const ShortcutDispatch& d = shortcutDispatch_;
    std::string command = d.readShortcutForCmd ? d.readShortcutForCmd(keyId) : std::string();
    if (d.queued) d.queued(keyId, down, command);
    MainQueue::async([this, command = std::move(command), down, keyId] {
        if (shortcutDispatch_.sendKeyboard) shortcutDispatch_.sendKeyboard(command, down, keyId);
    });
}

HIDEvent BTDriverManager::eventAtStylus(int32_t type, uint32_t options) const
{
    HIDEvent event;
    event.type = type;
    event.location = {static_cast<int16_t>(StylusRecord::truncated(stylus_.scrPos.x)),
                      static_cast<int16_t>(StylusRecord::truncated(stylus_.scrPos.y))};
    event.options = options;
    return event;
}

void BTDriverManager::post(const HIDEvent& event)
{
    // With no connection open the event is lost, as it would be on the platform.
    HIDEventSystem* system = Platform::services().hidEventSystem;
    const uint32_t connection = gEventDriver();
    if (!system || connection == 0) return;
    system->postEvent(connection, event);
}

void BTDriverManager::postProximityEvent()
{
    NX::_NXTabletProximityData proximity = stylus_.proximity;
    proximity.enterProximity = !stylus_.off_tablet;

    HIDEvent move = eventAtStylus(NX::kMouseMoved, 0);
    NX::MouseMoveData& m = move.data.mouseMove;
    m.subx = stylus_.subx;
    m.suby = stylus_.suby;
    m.subType = NX::kSubtypeTabletProximity;
    m.tablet.proximity = proximity;
    post(move);

    HIDEvent prox = eventAtStylus(NX::kTabletProximity, 0);
    prox.data.proximity = proximity;
    post(prox);
}

void BTDriverManager::fillTabletPoint(NX::_NXTabletPointData& point) const
{
    point.x = stylus_.report.x;
    point.y = stylus_.report.y;
    point.buttons = static_cast<uint16_t>(stylus_.report.buttons);
    point.pressure = stylus_.pressure;
    point.deviceID = stylus_.proximity.deviceID;
}

void BTDriverManager::postMoveOrDragEvent(int32_t type)
{
    HIDEvent event = eventAtStylus(type, NX::kSetCursorPosition);
    NX::MouseMoveData& m = event.data.mouseMove;
    m.dx = int32_t{stylus_.ioPos.x} - int32_t{oldStylus_.ioPos.x};
    m.dy = int32_t{stylus_.ioPos.y} - int32_t{oldStylus_.ioPos.y};
    m.subx = stylus_.subx;
    m.suby = stylus_.suby;
    m.subType = NX::kSubtypeTabletPoint;
    fillTabletPoint(m.tablet.point);
    post(event);
}

void BTDriverManager::postButtonEvent(int32_t type, int32_t buttonNumber)
{
    HIDEvent event = eventAtStylus(type, 0);
    NX::MouseData& m = event.data.mouse;
    m.subx = stylus_.subx;
    m.suby = stylus_.suby;
    m.eventNum = _eventNumber++;
    m.click = 0;
    m.pressure = static_cast<uint8_t>(stylus_.pressure >> 8);
    m.buttonNumber = static_cast<uint8_t>(buttonNumber);
    m.subType = NX::kSubtypeTabletPoint;
    // The stroke's real pressure too, so a press registers with the force it has.
    fillTabletPoint(m.tablet.point);
    post(event);
}

void BTDriverManager::sendMouseUpEventToUnblockTheMouse()
{
    postButtonEvent(NX::kLeftMouseUp, 0);
}
