#include "ScreenAdditions.h"

#include "PlatformServices.h"
#include "SystemLog.h"

#include <QPainter>

namespace {
const DisplayService* displays() { return Platform::services().displays; }
constexpr size_t kMaxDisplays = 10;
constexpr const char* kScreenShot = "+[NSScreen(BTAdditions) screenShot:]";
// Larger composites are refused rather than allocated (eight 8K displays in a row fit).
constexpr double kMaxSide = 1 << 16;

// Where each display lies in the composite: its bounds turned to y up about
// the first display's bottom edge. Mirrors take no room.
struct Placed {
    DisplayID display;
    Rect frame;
};

std::vector<Placed> placeDisplays(const std::vector<DisplayID>& list)
{
    std::vector<Placed> placed;
    Rect first;
    for (size_t i = 0; i < list.size(); ++i) {
        if (displays()->mirrorOf(list[i]) != 0) continue;
        Rect b = displays()->bounds(list[i]);
        if (i == 0) first = b;
        b.origin.y = first.maxY() - b.maxY();
        placed.push_back({list[i], b});
    }
    return placed;
}

QImage composite(const std::vector<DisplayID>& list)
{
    const std::vector<Placed> placed = placeDisplays(list);
    Rect all = Rect::null();
    for (const Placed& p : placed) all = all.unionWith(p.frame);
    const double w = all.isNull() ? 0 : all.width();
    const double h = all.isNull() ? 0 : all.height();
    QImage picture;
    if (w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide)
        picture = QImage(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) {
        BTLogInfo(kScreenShot, "failed to create bitmap context");
        return {};
    }
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const Placed& p : placed) {
        const QImage one = displays()->picture(p.display);
        if (one.isNull()) continue;
        // The frame is y up from the composite's bottom; the image's rows run down.
        const QRectF target(p.frame.x() - all.x(), all.maxY() - p.frame.maxY(), p.frame.width(), p.frame.height());
        painter.drawImage(target, one);
    }
    return picture;
}

} // namespace

Rect screenSize(DisplayID screen)
{
    return displays() ? displays()->frame(screen) : Rect();
}

Rect mainScreenSize()
{
    return displays() ? displays()->bounds(displays()->mainDisplay()) : Rect();
}

Rect allScreenSize()
{
    Rect all = Rect::null();
    if (!displays()) return all;
    for (DisplayID id : displays()->activeDisplays(kMaxDisplays)) all = all.unionWith(displays()->bounds(id));
    return all;
}

QImage screenShot(int32_t index)
{
    if (!displays()) return {};
    const std::vector<DisplayID> list = displays()->activeDisplays(kMaxDisplays);
    if (static_cast<uint32_t>(index) < list.size()) return displays()->picture(list[static_cast<size_t>(index)]);
    return composite(list);
}

std::string screenName(DisplayID screen)
{
    return displays() ? displays()->modelName(screen) : std::string();
}
