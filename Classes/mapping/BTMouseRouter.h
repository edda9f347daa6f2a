#pragma once
// Turns a widget's Qt mouse, pen and crossing events into the mapping views'
// handlers. A left press goes to mouseDown ("DOWN" is the view's to log); the
// first move with the left button held is logged "DRAGGED" and starts a drag,
// whose further moves are logged "DRAGGED-LOOP" and drawn, and whose release
// is logged "DOWN-LOOP" and never reaches mouseUp; a release without a drag
// goes to mouseUp. Moves without a button are logged "Move", crossings
// "entered" and "exited" (these two also while the view is inactive).
#include "BTMouseEvent.h"

#include <QPointF>

class BTMouseResponder;
class QEnterEvent;
class QMouseEvent;
class QTabletEvent;
class QWidget;

class BTMouseRouter {
public:
    BTMouseRouter(QWidget& view, BTMouseResponder& responder);

    void press(QMouseEvent* event);
    void move(QMouseEvent* event);
    void release(QMouseEvent* event);
    // Pen events carry the pressure; they are accepted, so Qt makes no mouse
    // events of them.
    void tablet(QTabletEvent* event);
    void enter(QEnterEvent* event);
    void leave();

    bool isDragging() const { return dragging_; }

private:
    void route(BTMouseEvent event);
    BTMouseEvent eventAt(BTMouseEvent::Type type, QPointF position) const;

    QWidget& view_;
    BTMouseResponder& responder_;
    bool dragging_ = false;
    int32_t clickCount_ = 0;
};
