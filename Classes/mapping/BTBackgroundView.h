#pragma once
// The panel's background: a rounded, nearly opaque white card with a small
// arrow on its top edge pointing at the tray icon.
#include <QWidget>
#include <cstdint>

class BTBackgroundView : public QWidget {
    Q_OBJECT
public:
    explicit BTBackgroundView(QWidget* parent = nullptr);

    // The x of the arrow's tip, in view points; setting it redraws.
    int64_t arrowX() const;
    void setArrowX(int64_t x);
};
