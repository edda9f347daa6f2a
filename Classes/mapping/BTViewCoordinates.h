#pragma once
// The mapping views keep their geometry in view coordinates growing upward;
// Qt's grow downward. These convert, for a view of the given height, where a
// view paints and where it reads an event's position.
#include "Geometry.h"

#include <QPointF>
#include <QRectF>

inline QRectF toQt(const Rect& r, double viewHeight)
{
    return QRectF(r.x(), viewHeight - r.maxY(), r.width(), r.height());
}

inline QPointF toQt(Point p, double viewHeight) { return QPointF(p.x, viewHeight - p.y); }

inline Point fromQt(QPointF p, double viewHeight) { return Point{p.x(), viewHeight - p.y()}; }
