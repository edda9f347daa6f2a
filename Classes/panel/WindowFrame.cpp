#include "WindowFrame.h"

#include "DisplayService.h"
#include "PlatformServices.h"

#include <QWidget>
#include <cmath>

namespace WindowFrame {

double mainDisplayHeight()
{
    const DisplayService* displays = Platform::services().displays;
    return displays ? displays->bounds(displays->mainDisplay()).height() : 0;
}

Rect toQt(const Rect& frame)
{
    return Rect(frame.x(), mainDisplayHeight() - frame.maxY(), frame.width(), frame.height());
}

Rect fromQt(const Rect& geometry) { return toQt(geometry); }

Rect frame(const QWidget* window)
{
    const QRect g = window->frameGeometry();
    return fromQt(Rect(g.x(), g.y(), g.width(), g.height()));
}

void setFrame(QWidget* window, const Rect& frame)
{
    const Rect q = toQt(frame);
    window->setGeometry(static_cast<int>(std::lround(q.x())), static_cast<int>(std::lround(q.y())),
                        static_cast<int>(std::lround(q.width())), static_cast<int>(std::lround(q.height())));
}

void setFrameOrigin(QWidget* window, Point origin)
{
    const QRect g = window->frameGeometry();
    const Rect q = toQt(Rect(origin.x, origin.y, g.width(), g.height()));
    window->move(static_cast<int>(std::lround(q.x())), static_cast<int>(std::lround(q.y())));
}

} // namespace WindowFrame
