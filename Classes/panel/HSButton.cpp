#include "HSButton.h"

namespace {
std::vector<QPointer<HSButton>>& buttons()
{
    static std::vector<QPointer<HSButton>> list;
    return list;
}
} // namespace

HSButton::HSButton(QWidget* parent) : QPushButton(parent)
{
    setMouseTracking(true);
    buttons().emplace_back(this);
}

const std::vector<QPointer<HSButton>>& HSButton::registry() { return buttons(); }

void HSButton::setAlphaValue(double alpha)
{
    alpha_ = alpha;
    keepAlpha_ = true;
    update();
}

void HSButton::paintEvent(QPaintEvent* event)
{
    if (!keepAlpha_) alpha_ = hover_ ? 1 : 0;
    keepAlpha_ = false;
    if (alpha_ > 0) QPushButton::paintEvent(event);
}

void HSButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    hover_ = true;
    emit clicked(false); // the action, as a click would send it
    update();
    for (const QPointer<HSButton>& other : buttons())
        if (other && other != this) other->setAlphaValue(0);
}
