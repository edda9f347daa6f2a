#pragma once
// One editable area of the map view: the area, the picture rectangle it is
// kept inside, the edit state, and the picture drawn under it. The edge
// hit-tester points into this record, so a record stays where it was made.
#include "BTDropBoundleArea.h"
#include "Geometry.h"

#include <QImage>
#include <cstdint>
#include <memory>

struct BTViewInfo {
    // The edit states of _monitorDrop besides the edges of BTDropBoundleArea.
    static constexpr int32_t kIdle = BTDropBoundleArea::kOutside;
    static constexpr int32_t kMoving = BTDropBoundleArea::kInside;

    BTViewInfo() = default;
    BTViewInfo(const BTViewInfo&) = delete;
    BTViewInfo& operator=(const BTViewInfo&) = delete;

    // A new edge hit-tester on this record's area and rectangle.
    void resetDropBoundleArea()
    {
        _dropBoundleArea = std::make_unique<BTDropBoundleArea>(&_monitorDropArea, &_monitorRect);
    }

    Rect _monitorDropArea;     // the mapped area being edited, view points
    Rect _monitorRect;         // the picture rectangle the area is kept inside
    int32_t _monitorDrop = kIdle; // idle, moving, or the edge being dragged
    Point _monitorPoint;       // the last pointer position of a move
    bool _pressedInside = false; // this gesture's press landed inside the area: it may move
    QImage _screenImage;       // the picture drawn in this part of the view
    std::unique_ptr<BTDropBoundleArea> _dropBoundleArea;
};
