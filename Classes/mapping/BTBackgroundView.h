#pragma once
// The panel's background: a rounded, nearly opaque white card with a small
// arrow on its top edge pointing at the tray icon.
#include "Geometry.h"

#include <QPainterPath>
#include <QWidget>
#include <cstdint>

class BTBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit BTBackgroundView(QWidget* parent = nullptr);

    // The x of the arrow's tip, in view points; setting it redraws.
    int64_t arrowX() const;
    void setArrowX(int64_t x);

    // The card's outline in view coordinates (y up) for a view of this size.
    static QPainterPath cardPath(Size bounds, double arrowX);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int64_t arrowX_ = 0;
};
