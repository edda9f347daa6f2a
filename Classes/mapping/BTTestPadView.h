#pragma once
// The white pad the user tries the pen on: each drag segment is drawn at once
// in blue, its width and opacity following the pen pressure, and every mouse
// or pen event is logged with its tablet fields.
#include "Geometry.h"

#include <QWidget>

class BTTestPadView : public QWidget {
    Q_OBJECT
public:
    explicit BTTestPadView(QWidget* parent = nullptr);
    ~BTTestPadView() override;

    // Paints the whole pad white, forgetting every stroke.
    void clearDisplay();

    bool isActive() const;
    void setIsActive(bool on);
    Point previousLocation() const;
};
