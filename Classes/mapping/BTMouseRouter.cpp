#include "BTMouseRouter.h"

#include "BTMouseResponder.h"
#include "BTViewCoordinates.h"

#include <QCursor>
#include <QMouseEvent>
#include <QTabletEvent>
#include <QWidget>

#include <bit>

namespace {

int32_t buttonNumber(Qt::MouseButton button)
{
    const auto bits = static_cast<uint32_t>(button);
    return bits == 0 ? 0 : std::countr_zero(bits);
}

void fillFrom(BTMouseEvent& event, const QSinglePointEvent& qt)
{
    event.pressure = static_cast<float>(qt.points().isEmpty() ? 0.0 : qt.points().first().pressure());
    event.capabilityMask = qt.pointingDevice() ? static_cast<int32_t>(qt.pointingDevice()->capabilities()) : 0;
    event.buttonNumber = buttonNumber(qt.button());
    event.buttonMask = static_cast<int32_t>(qt.buttons());
}

} // namespace

BTMouseRouter::BTMouseRouter(QWidget& view, BTMouseResponder& responder) : view_(view), responder_(responder) {}

BTMouseEvent BTMouseRouter::eventAt(BTMouseEvent::Type type, QPointF position) const
{
    BTMouseEvent event;
    event.type = type;
    event.locationInView = fromQt(position, view_.height());
    return event;
}

void BTMouseRouter::route(BTMouseEvent event)
{
    switch (event.type) {
    case BTMouseEvent::LeftMouseDown:
        dragging_ = false;
        if (responder_.isActive()) responder_.mouseDown(event);
        break;
    case BTMouseEvent::LeftMouseDragged:
        if (dragging_) {
            responder_.logEvent(event, "DRAGGED-LOOP");
            responder_.drawLineWithEvent(event);
        } else if (responder_.isActive()) {
            dragging_ = true;
            responder_.logEvent(event, "DRAGGED");
        }
        break;
    case BTMouseEvent::LeftMouseUp:
        if (dragging_) {
            dragging_ = false;
            responder_.logEvent(event, "DOWN-LOOP");
        } else if (responder_.isActive()) {
            responder_.mouseUp(event);
        }
        break;
    case BTMouseEvent::MouseMoved:
        if (responder_.isActive()) responder_.logEvent(event, "Move");
        break;
    case BTMouseEvent::MouseEntered:
        responder_.logEvent(event, "entered");
        break;
    case BTMouseEvent::MouseExited:
        responder_.logEvent(event, "exited");
        break;
    }
}

void BTMouseRouter::press(QMouseEvent* qt)
{
    if (qt->button() != Qt::LeftButton) return;
    clickCount_ = qt->type() == QEvent::MouseButtonDblClick ? 2 : 1;
    BTMouseEvent event = eventAt(BTMouseEvent::LeftMouseDown, qt->position());
    fillFrom(event, *qt);
    event.clickCount = clickCount_;
    route(event);
}

void BTMouseRouter::move(QMouseEvent* qt)
{
    BTMouseEvent::Type type;
    if (qt->buttons() & Qt::LeftButton) type = BTMouseEvent::LeftMouseDragged;
    else if (qt->buttons() == Qt::NoButton) type = BTMouseEvent::MouseMoved;
    else return; // drags of other buttons are not the views' business
    BTMouseEvent event = eventAt(type, qt->position());
    fillFrom(event, *qt);
    event.clickCount = type == BTMouseEvent::LeftMouseDragged ? clickCount_ : 0;
    route(event);
}

void BTMouseRouter::release(QMouseEvent* qt)
{
    if (qt->button() != Qt::LeftButton) return;
    BTMouseEvent event = eventAt(BTMouseEvent::LeftMouseUp, qt->position());
    fillFrom(event, *qt);
    event.clickCount = clickCount_;
    route(event);
}

void BTMouseRouter::tablet(QTabletEvent* qt)
{
    qt->accept();
    BTMouseEvent::Type type;
    switch (qt->type()) {
    case QEvent::TabletPress:
        if (qt->button() != Qt::LeftButton) return;
        type = BTMouseEvent::LeftMouseDown;
        clickCount_ = 1;
        break;
    case QEvent::TabletRelease:
        if (qt->button() != Qt::LeftButton) return;
        type = BTMouseEvent::LeftMouseUp;
        break;
    case QEvent::TabletMove:
        if (qt->buttons() & Qt::LeftButton) type = BTMouseEvent::LeftMouseDragged;
        else if (qt->buttons() == Qt::NoButton) type = BTMouseEvent::MouseMoved;
        else return;
        break;
    default:
        return;
    }
    BTMouseEvent event = eventAt(type, qt->position());
    fillFrom(event, *qt);
    event.clickCount = type == BTMouseEvent::MouseMoved ? 0 : clickCount_;
    route(event);
}

void BTMouseRouter::enter(QEnterEvent* qt)
{
    route(eventAt(BTMouseEvent::MouseEntered, qt->position()));
}

void BTMouseRouter::leave()
{
    // Qt's leave event carries no position: take the pointer's.
    route(eventAt(BTMouseEvent::MouseExited, view_.mapFromGlobal(QCursor::pos())));
}
