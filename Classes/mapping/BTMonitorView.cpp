#include "BTMonitorView.h"

#include "BTScreenManager.h"
#include "BTViewCoordinates.h"
#include "ScreenAdditions.h"
#include "SystemLog.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

// The tablet pictures are linked from a static library: register them by hand.
static void registerMappingResources() { Q_INIT_RESOURCE(mapping); }

namespace {

// The bottom of the view belongs to the tablet; the display sits above it.
constexpr double kTabletSide = 270;
constexpr int kScreenRefreshMs = 2000;

// Where the tablet's active area (185 by 123.3 points, the tablet's
// proportions) and the tablet picture lie, by rotation index.
constexpr std::array<Rect, 4> kTabletRects{{
    {98.60000562667847, 55.1796875, 185, 123.30859375},
    {118.60000562667847, 34.1796875, 123.30859375, 185},
    {78.60000562667847, 55.1796875, 185, 123.30859375},
    {118.60000562667847, 54.1796875, 123.30859375, 185},
}};
constexpr std::array<Rect, 4> kTabletImagesRects{{
    {61.60000562667847, 40, 236, 153},
    {101.60000562667847, 20, 153, 236},
    {61.60000562667847, 40, 236, 153},
    {101.60000562667847, 20, 153, 236},
}};
const std::array<const char*, 4> kTabletImages{{
    ":/mapping/tablet0.png",
    ":/mapping/tablet90.png",
    ":/mapping/tablet180.png",
    ":/mapping/tablet270.png",
}};

// Settings are whole numbers, truncated toward zero. A value within a
// millionth of a whole number is taken as that number, so that an area read
// and written back unchanged keeps its value through the floating-point
// round trip; values past the range saturate.
int32_t truncated(double v)
{
    if (!std::isfinite(v)) return 0;
    const double whole = std::nearbyint(v);
    const double t = std::fabs(v - whole) < 1e-6 ? whole : std::trunc(v);
    return truncatedInt32(t);
}

// Inner lies wholly in outer; a hair of rounding on a shared edge still counts.
bool containsRect(const Rect& outer, const Rect& inner)
{
    constexpr double slack = 1e-9;
    return inner.x() >= outer.x() - slack && inner.y() >= outer.y() - slack && inner.maxX() <= outer.maxX() + slack &&
           inner.maxY() <= outer.maxY() + slack;
}

double ratioOr0(double over, double under) { return under == 0 ? 0 : over / under; }

QColor rgba(double r, double g, double b, double a)
{
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
                            static_cast<float>(a));
}

} // namespace

BTMonitorView::BTMonitorView(QWidget* parent) : QWidget(parent)
{
    static std::once_flag resources;
    std::call_once(resources, registerMappingResources);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    screenTimer_ = new QTimer(this);
    screenTimer_->setInterval(kScreenRefreshMs);
    connect(screenTimer_, &QTimer::timeout, this, [this] {
        refreshScreenImage();
        update();
    });
    screenTimer_->start();
}

BTMonitorView::~BTMonitorView() = default;

void BTMonitorView::setDriver(BTDriverManager* driver) { driver_ = driver; }

BTDriverManager& BTMonitorView::driver() const { return driver_ ? *driver_ : BTDriverManager::shared(); }

BTScreenManager* BTMonitorView::screenManager() const
{
    if (!driver_) return &BTScreenManager::shared();
    // Before the driver's first screen settings there is only the manager it
    // will take; with none, the next draw's updateScreenSettings hands the
    // stored rotation on.
    if (BTScreenManager* manager = driver_->screenManager()) return manager;
    return driver_->screenManagerSource();
}

Rect BTMonitorView::tabletRect(int32_t rotationIndex)
{
    return kTabletRects[static_cast<size_t>(std::clamp(rotationIndex, 0, 3))];
}

bool BTMonitorView::showScreen() const { return showScreen_; }
void BTMonitorView::setShowScreen(bool on)
{
    showScreen_ = on;
    // No wake-ups while the panel is closed.
    if (on && !screenTimer_->isActive()) screenTimer_->start();
    else if (!on) screenTimer_->stop();
}
bool BTMonitorView::isActive() const { return isActive_; }
void BTMonitorView::setIsActive(bool on) { isActive_ = on; }

Rect BTMonitorView::visibleRect() const { return Rect(0, 0, width(), height()); }

void BTMonitorView::refreshScreenImage() { _monitorViewInfo._screenImage = screenShot(_monitorIndex); }

// --- Drawing ---------------------------------------------------------------

void BTMonitorView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawRect(painter);
}

void BTMonitorView::drawRect(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    clearDisplay(painter);
    tabletUpdate(&painter);
    monitorUpdate(&painter);
    updateLine(painter);
}

void BTMonitorView::clearDisplay(QPainter& painter)
{
    painter.fillRect(toQt(visibleRect(), height()), rgba(0.8902, 0.8902, 0.8902, 1));
}

void BTMonitorView::drawAreas(QPainter& painter, const BTViewInfo& info, double rectAlpha)
{
    const double h = height();
    QPen outline(rgba(0, 0, 0, rectAlpha), 1);
    outline.setJoinStyle(Qt::MiterJoin);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(toQt(info._monitorRect, h));
    painter.fillRect(toQt(info._monitorDropArea, h), rgba(0.49, 0.99, 0.49, 0.2));
    QPen area(rgba(0.19, 0.99, 0.19, 1), 2);
    area.setJoinStyle(Qt::MiterJoin);
    painter.setPen(area);
    painter.drawRect(toQt(info._monitorDropArea, h));
}

void BTMonitorView::monitorUpdate(QPainter* painter)
{
    BTViewInfo& info = _monitorViewInfo;
    if (_tabletSettings) {
        BTDriverManager::_settings& s = *_tabletSettings;
        const Rect v = visibleRect();
        const Rect monitorArea = s.monitorArea.load();
        const double regionHeight = v.height() - kTabletSide;
        // An empty display or view has no scale: nothing is read or written.
        if (monitorArea.width() > 0 && monitorArea.height() > 0 && v.width() > 0 && regionHeight > 0) {
            const double scale = std::max(monitorArea.width() / v.width(), monitorArea.height() / regionHeight);
            const double dw = monitorArea.width() / scale;
            const double dh = monitorArea.height() / scale;
            const Rect d(v.width() / 2 - dw / 2, v.y() + kTabletSide, dw, dh);
            if (painter && !info._screenImage.isNull()) painter->drawImage(toQt(d, height()), info._screenImage);
            const double sx = monitorArea.width() / dw;
            const double sy = monitorArea.height() / dh;
            Rect& a = info._monitorDropArea;
            if (flushMonitorCount == 0) {
                a = Rect((s.screenOffsetX - monitorArea.x()) / sx + d.x(), (s.screenOffsetY - monitorArea.y()) / sy + d.y(),
                         s.screenWidth / sx, s.screenHeight / sy);
                info._monitorRect = d;
                info.resetDropBoundleArea();
            }
            flushMonitorCount = std::min(flushMonitorCount + 1, std::numeric_limits<int32_t>::max() - 1);
            const Rect& r = info._monitorRect;
            s.screenWidth = truncated(a.width() * sx);
            s.screenHeight = truncated(a.height() * sy);
            s.screenOffsetX = truncated((a.x() - r.x()) * sx + monitorArea.x());
            s.screenOffsetY = truncated((a.y() - r.y()) * sy + monitorArea.y());
            driver().updateScreenSettings();
        }
    }
    if (painter && info._dropBoundleArea) drawAreas(*painter, info, 0.1);
}

void BTMonitorView::tabletUpdate(QPainter* painter)
{
    BTViewInfo& info = _tabletViewInfo;
    const auto index = static_cast<size_t>(_rotationIndex);
    if (info._screenImage.isNull()) info._screenImage = QImage(QString::fromLatin1(kTabletImages[0]));
    if (painter) painter->drawImage(toQt(kTabletImagesRects[index], height()), info._screenImage);
    if (_tabletSettings) {
        BTDriverManager::_settings& s = *_tabletSettings;
        const Rect p = kTabletRects[index];
        const Size tablet = s.tabletArea.load().size;
        if (tablet.width > 0 && tablet.height > 0) {
            const double sx = tablet.width / p.width();
            const double sy = tablet.height / p.height();
            Rect& a = info._monitorDropArea;
            const Rect& r = info._monitorRect;
            const bool firstDraw = flushTabletCount == 0;
            if (firstDraw) {
                // The stored y runs down from the tablet's top edge, the view's up from the bottom.
                a = Rect(p.x() + s.tabletOffsetX / sx, p.y() + (tablet.height - s.tabletOffestY - s.tabletHeight) / sy,
                         s.tabletWidth / sx, s.tabletHeight / sy);
                info._monitorRect = p;
                info.resetDropBoundleArea();
                info._monitorDrop = BTViewInfo::kIdle;
            }
            flushTabletCount = std::min(flushTabletCount + 1, std::numeric_limits<int32_t>::max() - 1);
            s.tabletWidth = truncated(a.width() * sx);
            s.tabletHeight = truncated(a.height() * sy);
            s.tabletOffsetX = truncated((a.x() - r.x()) * sx);
            s.tabletOffestY = truncated(tablet.height - (a.y() - r.y()) * sy - s.tabletHeight);
            if (!firstDraw && info._monitorDrop != BTViewInfo::kIdle) {
                driver().updateTabletMapping();
                if (_updateTabletOffset) _updateTabletOffset(getTabletOffset());
            }
        }
    }
    if (painter && info._dropBoundleArea) drawAreas(*painter, info, 0.2);
}

void BTMonitorView::updateLine(QPainter& painter)
{
    if (!_monitorViewInfo._dropBoundleArea || !_tabletViewInfo._dropBoundleArea) return;
    const Rect& m = _monitorViewInfo._monitorDropArea;
    const Rect& t = _tabletViewInfo._monitorDropArea;
    QPen dashed(Qt::black, 1, Qt::CustomDashLine, Qt::FlatCap);
    dashed.setDashPattern({2, 2});
    dashed.setDashOffset(0);
    painter.setPen(dashed);
    const double h = height();
    const auto line = [&](Point from, Point to) { painter.drawLine(toQt(from, h), toQt(to, h)); };
    line({m.x(), m.y()}, {t.x(), t.y()});
    line({m.maxX(), m.y()}, {t.maxX(), t.y()});
    line({m.maxX(), m.maxY()}, {t.maxX(), t.maxY()});
    line({m.x(), m.maxY()}, {t.x(), t.maxY()});
}

// --- Mouse -----------------------------------------------------------------

void BTMonitorView::mousePressEvent(QMouseEvent* event) { router_.press(event); }
void BTMonitorView::mouseMoveEvent(QMouseEvent* event) { router_.move(event); }
void BTMonitorView::mouseReleaseEvent(QMouseEvent* event) { router_.release(event); }
void BTMonitorView::enterEvent(QEnterEvent* event) { router_.enter(event); }
void BTMonitorView::leaveEvent(QEvent*) { router_.leave(); }

void BTMonitorView::mouseDown(const BTMouseEvent& event)
{
    const Point p = event.locationInView;
    for (BTViewInfo* info : {&_monitorViewInfo, &_tabletViewInfo}) {
        const Rect& a = info->_monitorDropArea;
        const Rect grip(a.x() + BTDropBoundleArea::kStrip, a.y() + BTDropBoundleArea::kStrip,
                        a.width() - BTDropBoundleArea::kStrip, a.height() - BTDropBoundleArea::kStrip);
        info->_pressedInside = info->_dropBoundleArea && grip.contains(p);
        info->_monitorDrop = info->_pressedInside ? BTViewInfo::kMoving : BTViewInfo::kIdle;
        if (info->_pressedInside) info->_monitorPoint = p;
    }
    logEvent(event, "DOWN");
}

void BTMonitorView::logEvent(const BTMouseEvent& event, const char*)
{
    const Point p = event.locationInView;
    BTDropBoundleArea* screen = _monitorViewInfo._dropBoundleArea.get();
    BTDropBoundleArea* tablet = _tabletViewInfo._dropBoundleArea.get();
    _monitorViewInfo._monitorDrop = screen ? screen->update(event, p) : BTDropBoundleArea::kOutside;
    Qt::CursorShape shape = screen ? screen->cursor() : Qt::ArrowCursor;
    if (_monitorViewInfo._monitorDrop == BTDropBoundleArea::kOutside) {
        _tabletViewInfo._monitorDrop = tablet ? tablet->update(event, p) : BTDropBoundleArea::kOutside;
        if (tablet) shape = tablet->cursor();
    } else if (event.type == BTMouseEvent::LeftMouseUp && tablet && tablet->isResize()) {
        // A tablet edge released over the screen area ends its drag too, or
        // the next press anywhere would carry on resizing it.
        tablet->update(event, p);
    }
    setCursor(shape);
    update();
}

void BTMonitorView::drawLineWithEvent(const BTMouseEvent& event)
{
    if (event.type != BTMouseEvent::LeftMouseDragged) return;
    const Point p = event.locationInView;
    for (BTViewInfo* info : {&_monitorViewInfo, &_tabletViewInfo}) {
        // A drag that began elsewhere and crosses the area leaves it where it is.
        if (info->_monitorDrop != BTViewInfo::kMoving || !info->_pressedInside) continue;
        Rect moved = info->_monitorDropArea;
        moved.origin.x += p.x - info->_monitorPoint.x;
        moved.origin.y += p.y - info->_monitorPoint.y;
        // A step that would leave the picture is dropped whole, not clamped.
        if (containsRect(info->_monitorRect, moved)) info->_monitorDropArea = moved;
        info->_monitorPoint = p;
    }
    update();
}

void BTMonitorView::mouseUp(const BTMouseEvent& event)
{
    _monitorViewInfo._monitorDrop = BTViewInfo::kIdle;
    _tabletViewInfo._monitorDrop = BTViewInfo::kIdle;
    logEvent(event, "UP");
}

// --- Panel operations --------------------------------------------------------

bool BTMonitorView::applyRotation(double degrees)
{
    const auto index = truncatedInt32(degrees / 90);
    if (index < 0 || index > 3 || index * 90.0 != degrees) {
        BTLogWarn("-[BTMonitorView setTabletRotate:]", "rotation %g is not one of 0, 90, 180, 270; ignored", degrees);
        return false;
    }
    if (_tabletSettings) _tabletSettings->rotation = index * 90;
    _rotationIndex = index;
    BTViewInfo& tablet = _tabletViewInfo;
    tablet._monitorRect = kTabletRects[static_cast<size_t>(index)];
    tablet._monitorDropArea = tablet._monitorRect;
    tablet._screenImage = QImage(QString::fromLatin1(kTabletImages[static_cast<size_t>(index)]));
    if (BTScreenManager* manager = screenManager()) manager->setRotation(degrees);
    return true;
}

void BTMonitorView::initTabletRotate(double degrees)
{
    if (applyRotation(degrees)) update();
}

void BTMonitorView::setTabletRotate(double degrees)
{
    if (applyRotation(degrees)) setForceAspect(true);
}

void BTMonitorView::setForceAspect(bool force)
{
    if (!_tabletSettings) return;
    BTDriverManager::_settings& s = *_tabletSettings;
    const Rect monitorArea = s.monitorArea.load();
    const Size tablet = s.tabletArea.load().size;
    const double mw = monitorArea.width(), mh = monitorArea.height();
    const double a = force ? mw : s.screenWidth.load();
    const double b = force ? mh : s.screenHeight.load();
    // An empty screen area has no proportions to follow.
    if (!force && !(a > 0 && b > 0)) return;
    if (mw > 0 && mh > 0) {
        s.tabletHeight = truncated(tablet.height / mh * b);
        s.tabletWidth = truncated(tablet.width / mw * a);
    }
    const Rect p = kTabletRects[static_cast<size_t>(_rotationIndex)];
    Size size{tablet.width / p.width(), tablet.height / p.height()};
    if (!force) size.height *= (p.width() / p.height()) / (a / b);
    resizeTabletArea(size);
    update();
}

void BTMonitorView::resizeTabletArea(Size size)
{
    if (!_tabletSettings) return;
    const Size tablet = _tabletSettings->tabletArea.load().size;
    if (!(tablet.width > 0 && tablet.height > 0)) return;
    const Rect p = kTabletRects[static_cast<size_t>(_rotationIndex)];
    Size v{size.width * p.width() / tablet.width * p.width(), size.height * p.height() / tablet.height * p.height()};
    if (v.height > p.height()) {
        const double f = v.height / p.height();
        const double g = v.width / p.width();
        v = Size{v.width * g / f, v.height / f};
    }
    BTViewInfo& info = _tabletViewInfo;
    const Rect& r = info._monitorRect;
    info._monitorDropArea = Rect(r.x() + (r.width() - v.width) * 0.5, r.y() + (r.height() - v.height) * 0.5, v.width,
                                 v.height);
}

void BTMonitorView::setFullScreen()
{
    flushMonitorCount = 0;
    if (_tabletSettings) {
        BTDriverManager::_settings& s = *_tabletSettings;
        const Rect monitorArea = s.monitorArea.load();
        s.screenOffsetX = truncated(monitorArea.x());
        s.screenOffsetY = truncated(monitorArea.y());
        s.screenWidth = truncated(monitorArea.width());
        s.screenHeight = truncated(monitorArea.height());
    }
    update();
}

void BTMonitorView::selectMonitorIndex(int32_t index)
{
    _monitorIndex = index;
    refreshScreenImage();
    setFullScreen();
    monitorUpdate(nullptr);
}

void BTMonitorView::restoreMonitorIndex(int32_t index)
{
    if (!_tabletSettings) return selectMonitorIndex(index);
    const BTDriverManager::_settings& s = *_tabletSettings;
    const Rect monitorArea = s.monitorArea.load();
    const Rect stored(s.screenOffsetX, s.screenOffsetY, s.screenWidth, s.screenHeight);
    // Whole numbers were stored: allow their truncation at the far edges.
    const bool onDisplay = stored.width() > 0 && stored.height() > 0 && stored.x() >= monitorArea.x() - 1 &&
                           stored.y() >= monitorArea.y() - 1 && stored.maxX() <= monitorArea.maxX() + 1 &&
                           stored.maxY() <= monitorArea.maxY() + 1;
    if (!onDisplay) return selectMonitorIndex(index);
    _monitorIndex = index;
    refreshScreenImage();
    flushMonitorCount = 0; // the next draw reads the stored area against this display
    monitorUpdate(nullptr);
    update();
}

void BTMonitorView::adjustTabletOffset(const Rect& r)
{
    BTViewInfo& info = _tabletViewInfo;
    const Rect& rect = info._monitorRect;
    info._monitorDropArea = Rect(rect.x() + r.x() * rect.width(), rect.y() + r.y() * rect.height(),
                                 r.width() * rect.width(), r.height() * rect.height());
    update();
}

Rect BTMonitorView::getTabletOffset() const
{
    const Rect& a = _tabletViewInfo._monitorDropArea;
    const Rect& r = _tabletViewInfo._monitorRect;
    // Before the tablet rectangle is known every ratio is 0, never a division by zero.
    if (r.width() <= 0 || r.height() <= 0) return Rect();
    return Rect(std::fabs(1 - ratioOr0(a.x(), r.x())), std::fabs(1 - (r.maxY() - a.y()) / r.height()),
                ratioOr0(a.maxX(), r.maxX()), ratioOr0(a.maxY(), r.maxY()));
}
