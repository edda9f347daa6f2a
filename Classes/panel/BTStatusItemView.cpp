#include "BTStatusItemView.h"

#include "MainQueue.h"
#include "SystemLog.h"
#include "WindowFrame.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cmath>

BTStatusItemView::BTStatusItemView(std::unique_ptr<QSystemTrayIcon> statusItem, QObject* parent)
    : QObject(parent), statusItem_(std::move(statusItem)), self_(std::make_shared<BTStatusItemView*>(this))
{
    connect(statusItem_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Every press is a click: the second of a double click too.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) mouseDown();
    });
    redraw();
    statusItem_->show();
    // Lets the application delegate run its first-show handling shortly after launch.
    QTimer::singleShot(kFirstClickDelayMilliseconds, this, [this] { mouseDown(); });
    // The tray gives the icon its place some time after it is shown, and
    // tells nobody: draw again at that size once it is known, so that the
    // tray does not scale the picture.
    auto* settle = new QTimer(this);
    settle->setInterval(kSettleIntervalMilliseconds);
    connect(settle, &QTimer::timeout, this, [this, settle, ticks = 0]() mutable {
        redrawIfResized();
        if (++ticks == kSettleTicks) settle->deleteLater();
    });
    settle->start();
}

BTStatusItemView::~BTStatusItemView()
{
    if (statusItem_) statusItem_->hide();
}

Rect BTStatusItemView::globalRectForGeometry(const QRect& g)
{
    if (g.isEmpty()) return WindowFrame::fromQt(Rect(0, 0, kFallbackWidth, kBarThickness));
    return WindowFrame::fromQt(Rect(g.x(), g.y(), g.width(), g.height()));
}

Rect BTStatusItemView::globalRect() const { return globalRectForGeometry(statusItem_->geometry()); }

void BTStatusItemView::setMenu(QMenu* menu) { statusItem_->setContextMenu(menu); }

void BTStatusItemView::setImage(const QIcon& image)
{
    if (image.cacheKey() == image_.cacheKey()) return;
    image_ = image;
    redraw();
}

void BTStatusItemView::setAlternateImage(const QIcon& image)
{
    if (image.cacheKey() == alternateImage_.cacheKey()) return;
    alternateImage_ = image;
    if (isHighlighted()) redraw();
}

void BTStatusItemView::setHighlighted(bool highlighted)
{
    if (highlighted_.exchange(highlighted, std::memory_order_acq_rel) == highlighted) return;
    MainQueue::async([self = std::weak_ptr<BTStatusItemView*>(self_)] {
        if (const auto view = self.lock()) (*view)->redraw();
    });
}

QObject* BTStatusItemView::responder() const
{
    const QByteArray signature = action_ + "(QObject*)";
    if (target_) return target_->metaObject()->indexOfMethod(signature) >= 0 ? target_.data() : nullptr;
    for (QObject* o = parent(); o; o = o->parent())
        if (o->metaObject()->indexOfMethod(signature) >= 0) return o;
    return nullptr;
}

void BTStatusItemView::mouseDown()
{
    redrawIfResized();
    if (action_.isEmpty()) return;
    QObject* receiver = responder();
    if (!receiver) {
        BTLogWarn("-[BTStatusItemView mouseDown:]", "no receiver for %s", action_.constData());
        return;
    }
    QMetaObject::invokeMethod(receiver, action_.constData(), Qt::DirectConnection,
                              Q_ARG(QObject*, static_cast<QObject*>(this)));
}

void BTStatusItemView::drawRect(QPainter& painter, const QRectF& bounds) const
{
    const bool highlighted = isHighlighted();
    if (highlighted) painter.fillRect(bounds, QGuiApplication::palette().color(QPalette::Highlight));
    const QIcon& icon = highlighted ? alternateImage_ : image_;
    // Centred, rounded half away from zero, in the item's upward y; then flipped once.
    const double x = std::round((bounds.width() - kIconSize) / 2);
    const double yUp = std::round((bounds.height() - kIconSize) / 2);
    const double top = bounds.height() - yUp - kIconSize;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    icon.paint(&painter, QRect(static_cast<int>(bounds.x() + x), static_cast<int>(bounds.y() + top), kIconSize,
                               kIconSize));
}

QImage BTStatusItemView::render(QSize bounds, qreal devicePixelRatio) const
{
    QImage image(bounds * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawRect(painter, QRectF(QPointF(0, 0), QSizeF(bounds)));
    return image;
}

QSize BTStatusItemView::bounds() const
{
    const Rect frame = globalRect();
    return QSize(static_cast<int>(std::lround(frame.width())), static_cast<int>(std::lround(frame.height())));
}

void BTStatusItemView::redraw()
{
    drawnBounds_ = bounds();
    statusItem_->setIcon(QIcon(QPixmap::fromImage(render(drawnBounds_, qApp->devicePixelRatio()))));
}

void BTStatusItemView::redrawIfResized()
{
    if (bounds() != drawnBounds_) redraw();
}
