#include "BTPanelView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>

BTPanelView::BTPanelView(QWidget* parent) : QWidget(parent)
{
    // A tool window stays out of the task bar; on top of normal windows, as
    // the tray's drop-down panel should be. Not a popup: losing focus must
    // not close it.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

BTPanelView::~BTPanelView() = default;

void BTPanelView::keyPressEvent(QKeyEvent* event)
{
    // A held key repeats through the controller's own timer, not the keyboard's.
    if (event->isAutoRepeat()) return;
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cancelOperation) cancelOperation();
        return;
    }
    QWidget::keyPressEvent(event);
    // A text field lets Return go on after it has taken the number: that is
    // no cursor move.
    if (qobject_cast<QLineEdit*>(QApplication::focusWidget())) return;
    if (keyDown) keyDown(event);
}

void BTPanelView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat()) return;
    QWidget::keyReleaseEvent(event);
    if (keyUp) keyUp(event);
}

void BTPanelView::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (windowWillClose) windowWillClose();
}

void BTPanelView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (windowDidResize) windowDidResize();
}
