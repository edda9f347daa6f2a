#include "BTDropBoundleArea.h"

#include <array>

BTDropBoundleArea::BTDropBoundleArea(Rect* mainRect, const Rect* originalRect)
    : _mainRect(mainRect), _originalRect(originalRect)
{
}

int32_t BTDropBoundleArea::update(const BTMouseEvent& event, Point p)
{
    const Rect& m = *_mainRect;
    _left = Rect(m.x(), m.y(), kStrip, m.height());
    _right = Rect(m.maxX() - kStrip, m.y(), kStrip, m.height());
    _top = Rect(m.x(), m.maxY() - kStrip, m.width(), kStrip);
    _buttom = Rect(m.x(), m.y(), m.width(), kStrip);

    struct Edge {
        const Rect& strip;
        int32_t orient;
        Qt::CursorShape cursor;
    };
    // Corners belong to the left and right edges, tried first.
    const std::array<Edge, 4> edges{{{_left, kLeft, Qt::SizeHorCursor},
                                     {_right, kRight, Qt::SizeHorCursor},
                                     {_top, kTop, Qt::SizeVerCursor},
                                     {_buttom, kBottom, Qt::SizeVerCursor}}};
    const Edge* hit = nullptr;
    // An edge being dragged keeps the drag, even over another edge's strip.
    for (const Edge& edge : edges)
        if (_isResize && orient_ == edge.orient) hit = &edge;
    for (const Edge& edge : edges)
        if (!hit && edge.strip.contains(p)) hit = &edge;
    if (hit) {
        orient_ = hit->orient;
        cursor_ = hit->cursor;
        resizeMainRect(event, p, orient_);
        return orient_;
    }
    if (m.contains(p)) {
        cursor_ = Qt::OpenHandCursor;
        orient_ = kInside;
    } else {
        cursor_ = Qt::ArrowCursor;
        orient_ = kOutside;
    }
    return orient_;
}

void BTDropBoundleArea::resizeMainRect(const BTMouseEvent& event, Point p, int32_t orient)
{
    switch (event.type) {
    case BTMouseEvent::LeftMouseDown:
        _movePoint = p;
        _isResize = true;
        return;
    case BTMouseEvent::LeftMouseUp:
        _isResize = false;
        return;
    case BTMouseEvent::LeftMouseDragged:
        break;
    default:
        return;
    }
    // Only a press on an edge starts a resize: a drag that merely passes over
    // a strip (a move stopped at the limit) would otherwise step from a stale
    // point.
    const Point d{p.x - _movePoint.x, p.y - _movePoint.y};
    _movePoint = p;
    if (!_isResize) return;

    // A step that would carry the edge past the limit, or shrink the area
    // below a strip's width or height, is dropped whole.
    Rect& m = *_mainRect;
    const Rect& o = *_originalRect;
    const auto keepsSize = [](double now, double next) { return next >= kStrip || next >= now; };
    switch (orient) {
    case kLeft:
        if (m.x() + d.x >= o.x() && keepsSize(m.width(), m.width() - d.x)) {
            m.origin.x += d.x;
            m.size.width -= d.x;
        }
        break;
    case kRight:
        if (m.maxX() + d.x <= o.maxX() && keepsSize(m.width(), m.width() + d.x)) m.size.width += d.x;
        break;
    case kBottom:
        if (m.y() + d.y >= o.y() && keepsSize(m.height(), m.height() - d.y)) {
            m.origin.y += d.y;
            m.size.height -= d.y;
        }
        break;
    case kTop:
        if (m.maxY() + d.y <= o.maxY() && keepsSize(m.height(), m.height() + d.y)) m.size.height += d.y;
        break;
    default:
        break;
    }
}
