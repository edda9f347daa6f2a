#pragma once
// A button with a pointer shape of its own over its whole area (the panel's
// refresh and link buttons take the pointing hand). Without one it shows the
// default pointer.
#include <QPushButton>

class BTCustomCursorButton : public QPushButton {
    Q_OBJECT
public:
    explicit BTCustomCursorButton(QWidget* parent = nullptr);

    // Whether a shape of its own was given (QWidget::setCursor); unsetCursor() removes it.
    bool hasCustomCursor() const { return testAttribute(Qt::WA_SetCursor); }
};
