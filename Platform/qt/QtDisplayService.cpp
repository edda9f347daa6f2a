#include "QtDisplayService.h"

#include "NotificationCenter.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

// A display id is the screen's position in Qt's list plus one, primary first;
// 0 stays "no display" as the platform's ids do.
QtDisplayService::QtDisplayService()
{
    for (QScreen* s : QGuiApplication::screens()) watch(s);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        watch(s);
        changed();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this] { changed(); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this] { changed(); });
}

void QtDisplayService::watch(QScreen* s)
{
    connect(s, &QScreen::geometryChanged, this, [this] { changed(); });
}

void QtDisplayService::changed()
{
    NotificationCenter::defaultCenter().postNotification(kScreenParametersDidChange);
}

static QList<QScreen*> orderedScreens()
{
    QList<QScreen*> list = QGuiApplication::screens();
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        list.removeAll(primary);
        list.prepend(primary);
    }
    return list;
}

QScreen* QtDisplayService::screen(DisplayID display) const
{
    const auto list = orderedScreens();
    if (display == 0 || display > static_cast<DisplayID>(list.size())) return nullptr;
    return list[static_cast<qsizetype>(display - 1)];
}

std::vector<DisplayID> QtDisplayService::activeDisplays(size_t maxDisplays) const
{
    std::vector<DisplayID> ids;
    const auto list = orderedScreens();
    for (qsizetype i = 0; i < list.size() && ids.size() < maxDisplays; ++i) ids.push_back(static_cast<DisplayID>(i + 1));
    return ids;
}

DisplayID QtDisplayService::mainDisplay() const { return orderedScreens().isEmpty() ? 0 : 1; }

Rect QtDisplayService::bounds(DisplayID display) const
{
    QScreen* s = screen(display);
    if (!s) return Rect();
    const QRect g = s->geometry();
    return Rect(g.x(), g.y(), g.width(), g.height());
}

DisplayID QtDisplayService::mirrorOf(DisplayID display) const
{
    // Qt shows a mirrored output as a second screen with the same geometry.
    QScreen* s = screen(display);
    if (!s) return 0;
    const auto list = orderedScreens();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i] == s) break;
        if (list[i]->geometry() == s->geometry()) return static_cast<DisplayID>(i + 1);
    }
    return 0;
}

std::string QtDisplayService::productName(DisplayID display) const
{
    QScreen* s = screen(display);
    if (!s) return {};
    QString model = s->model().isEmpty() ? s->name() : s->model();
    if (model.isEmpty()) model = QStringLiteral("Display %1").arg(display); // some platforms name nothing
    return model.toStdString();
}

std::string QtDisplayService::modelName(DisplayID display) const
{
    QScreen* s = screen(display);
    return s ? s->model().toStdString() : std::string();
}

QImage QtDisplayService::picture(DisplayID display) const
{
    QScreen* s = screen(display);
    return s ? s->grabWindow(0).toImage() : QImage();
}
