#include "BTCustomCursorButton.h"

BTCustomCursorButton::BTCustomCursorButton(QWidget* parent) : QPushButton(parent)
{
    setFlat(true); // a link, not a push button
}
