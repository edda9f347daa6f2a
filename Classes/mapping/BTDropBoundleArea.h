#pragma once
// The edges of one editable area of the map view: which edge (if any) the
// pointer is on, the cursor that goes with it, and the resize of the area
// while an edge is dragged, each dragged edge kept inside a limiting
// rectangle. Moving the whole area is the view's work; this only reports that
// the pointer is inside. View coordinates, y up.
#include "BTMouseEvent.h"
#include "Geometry.h"

#include <Qt>
#include <cstdint>

class BTDropBoundleArea {
public:
    // Hits, as update() answers them.
    enum : int32_t { kOutside = -2, kInside = -1, kLeft = 0, kRight = 1, kBottom = 2, kTop = 3 };
    // Width of the edge strips, and the least width and height an edge drag leaves.
    static constexpr double kStrip = 5;

    // Edits *mainRect in place, never carrying a dragged edge outside
    // *originalRect; both belong to the caller and must outlive this.
    BTDropBoundleArea(Rect* mainRect, const Rect* originalRect);
    BTDropBoundleArea(const BTDropBoundleArea&) = delete;
    BTDropBoundleArea& operator=(const BTDropBoundleArea&) = delete;

    // The hit for p after the event (see the enum), with its cursor; a press
    // on an edge starts a drag of that edge, which keeps it until the release
    // however the pointer strays; drag events resize.
    int32_t update(const BTMouseEvent& event, Point p);

    int32_t orient() const { return orient_; }
    bool isResize() const { return _isResize; }
    // Size-horizontal on the left and right edges, size-vertical on the top
    // and bottom ones, an open hand inside, an arrow outside.
    Qt::CursorShape cursor() const { return cursor_; }

private:
    void resizeMainRect(const BTMouseEvent& event, Point p, int32_t orient);

    Rect _left;
    Rect _right;
    Rect _top;    // largest y
    Rect _buttom; // smallest y
    Rect* _mainRect;
    const Rect* _originalRect;
    Point _movePoint;
    int32_t orient_ = 0;
    bool _isResize = false;
    Qt::CursorShape cursor_ = Qt::ArrowCursor;
};
