#pragma once
// The settings panel's window: frameless, translucent around the card its
// background paints, above normal windows, and able to take keyboard focus
// (the user types offsets and arrow keys into it). It tells its controller of
// the keys no control took, of Escape, of closing and of every size change.
#include <QWidget>

#include <functional>

class QKeyEvent;

class BTPanelView : public QWidget {
    Q_OBJECT
public:
    explicit BTPanelView(QWidget* parent = nullptr);
    ~BTPanelView() override;

    // The controller's hooks; each may be empty.
    std::function<void(QKeyEvent*)> keyDown;
    std::function<void(QKeyEvent*)> keyUp;
    std::function<void()> cancelOperation; // Escape
    std::function<void()> windowWillClose;
    std::function<void()> windowDidResize;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
