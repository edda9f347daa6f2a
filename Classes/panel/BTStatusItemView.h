#pragma once
// The tray icon's content: one 16 x 16 image that also shows whether the
// tablet is connected; a left click sends its action.
#include "Geometry.h"

#include <QByteArray>
#include <QIcon>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>

class QMenu;
class QPainter;
class QSystemTrayIcon;

class BTStatusItemView : public QObject {
    Q_OBJECT
public:
    // The size the icon is drawn at and placed by when the tray reports no
    // geometry: the status item's length and the thickness of a desktop panel.
    static constexpr double kFallbackWidth = 24;
    static constexpr double kBarThickness = 22;
    static constexpr int kIconSize = 16;
    static constexpr int kFirstClickDelayMilliseconds = 100;
    // How often, and how many times, the size the tray gives is looked at after start.
    static constexpr int kSettleIntervalMilliseconds = 200;
    static constexpr int kSettleTicks = 25;

    // Keeps the item, draws itself as its icon and shows it; clicks itself
    // once kFirstClickDelayMilliseconds later.
    explicit BTStatusItemView(std::unique_ptr<QSystemTrayIcon> statusItem, QObject* parent = nullptr);
    ~BTStatusItemView() override;

    // The icon's frame in window-system coordinates (origin bottom-left of the
    // main display, y up), from the tray's geometry of the icon.
    Rect globalRect() const;
    // The same from a tray geometry in Qt's coordinates; an empty one (no tray,
    // or one that does not tell) gives kFallbackWidth x kBarThickness at the
    // main display's top-left corner.
    static Rect globalRectForGeometry(const QRect& trayGeometry);

    QSystemTrayIcon* statusItem() const { return statusItem_.get(); }
    // The tray's context menu.
    void setMenu(QMenu* menu);

    // Drawn while not highlighted.
    QIcon image() const { return image_; }
    void setImage(const QIcon& image);
    // Drawn while highlighted.
    QIcon alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QIcon& image);

    // Callable from any thread: stores the flag there, redraws on the main queue.
    bool isHighlighted() const { return highlighted_.load(std::memory_order_acquire); }
    void setHighlighted(bool highlighted);

    // The method sent on a click, with this view as its one QObject* argument,
    // to target; without a target, to the first of this view's QObject
    // parents that has the method.
    QByteArray action() const { return action_; }
    void setAction(QByteArray method) { action_ = std::move(method); }
    QObject* target() const { return target_; }
    void setTarget(QObject* target) { target_ = target; }

    // A click, from the tray or from the automatic first click.
    void mouseDown();

    // Paints the view over bounds (Qt's coordinates): the tray background,
    // highlighted or plain, and the image of the state centred on it.
    void drawRect(QPainter& painter, const QRectF& bounds) const;
    // The icon as the tray shows it, for a view of size bounds.
    QImage render(QSize bounds, qreal devicePixelRatio = 1) const;

private:
    // The size drawn at: the tray's for the icon, else the fallback.
    QSize bounds() const;
    void redraw();
    void redrawIfResized();
    QObject* responder() const;

    std::unique_ptr<QSystemTrayIcon> statusItem_;
    QIcon image_;
    QIcon alternateImage_;
    std::atomic<bool> highlighted_{false};
    QByteArray action_;
    QPointer<QObject> target_;
    QSize drawnBounds_;
    // Queued redraws hold it weakly, so that one queued from the driver's
    // thread before this view went does nothing after.
    std::shared_ptr<BTStatusItemView*> self_;
};
