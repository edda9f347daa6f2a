#pragma once
// Owner of the tray icon: creates the status item and its view with the two
// images, "StatusHighlighted" while the tablet is not connected and "Status"
// (on the highlighted background) while it is; a click sends togglePanel to
// the first QObject parent that has it (the application delegate).
// Destroying the controller removes the icon.
#include <QObject>

#include <atomic>

class BTStatusItemView;
class QSystemTrayIcon;

class BTMenubarController : public QObject {
    Q_OBJECT
public:
    static constexpr int kStatusItemLength = 24;

    explicit BTMenubarController(QObject* parent = nullptr);
    ~BTMenubarController() override;

    BTStatusItemView* statusItemView() const { return statusItemView_; }
    QSystemTrayIcon* statusItem() const;

    // The application delegate's record of whether the panel is open; not drawn.
    bool hasActiveIcon() const { return active_; }
    void setHasActiveIcon(bool active) { active_ = active; }

    // Whether the tablet is connected. Callable from the driver's thread.
    bool isConnect() const { return isConnect_.load(std::memory_order_acquire); }
    void setIsConnect(bool connected);

private:
    BTStatusItemView* statusItemView_ = nullptr;
    bool active_ = false;
    std::atomic<bool> isConnect_{false};
};
