// Where the panel opens and how it comes and goes. The geometry is worked out
// in window-system coordinates (origin bottom-left of the main display, y up)
// and turned into Qt's top-left coordinates only where the window is placed.
#include "BTPanelViewController.h"

#include "BTBackgroundView.h"
#include "BTDriverManager.h"
#include "BTMonitorView.h"
#include "BTPanelView.h"
#include "BTStatusItemView.h"
#include "PanelControllerDelegate.h"
#include "PlatformServices.h"
#include "SafeAccess.h"
#include "ScreenAdditions.h"
#include "SystemLog.h"
#include "WindowFrame.h"
#include "ui_Panel.h"

#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QTimer>

#include <cmath>

namespace {

// An animation's end points: the frames in Qt's coordinates.
QRect qtGeometry(const Rect& frame)
{
    const Rect q = WindowFrame::toQt(frame);
    return QRect(static_cast<int>(std::lround(q.x())), static_cast<int>(std::lround(q.y())),
                 static_cast<int>(std::lround(q.width())), static_cast<int>(std::lround(q.height())));
}

} // namespace

Rect BTPanelViewController::statusRect(const Rect& screen, Size item)
{
    const double x = std::round((screen.width() - item.width) / 2) + screen.x();
    const double y = screen.y() + screen.height() - 2 * item.height;
    return Rect(x, y, item.width, item.height);
}

Rect BTPanelViewController::panelFrame(const Rect& screen, const Rect& status)
{
    double x = std::round(status.x() + status.width() / 2 - kHalfPanelWidth);
    const double y = status.y() + status.height() - kPanelHeight;
    // Kept inside the display's right edge; nothing keeps it off the left one.
    const double limit = screen.x() + screen.width() - kRightMargin;
    if (x + kPanelWidth > limit) x -= x + kPanelWidth - limit;
    return Rect(x, y, kPanelWidth, kPanelHeight);
}

int64_t BTPanelViewController::arrowPosition(const Rect& status, const Rect& panel)
{
    return static_cast<int64_t>(std::round(status.x() + status.width() / 2) - panel.x());
}

int BTPanelViewController::openDurationMs(Qt::KeyboardModifiers modifiers)
{
    const auto held = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return held == Qt::ShiftModifier || held == (Qt::ShiftModifier | Qt::AltModifier) ? kSlowOpenMs : kOpenMs;
}

void BTPanelViewController::setKeyboardModifiersSource(std::function<Qt::KeyboardModifiers()> source)
{
    keyboardModifiers_ = std::move(source);
}

Rect BTPanelViewController::selectedScreenFrame() const
{
    const DisplayService* displays = Platform::services().displays;
    const auto list = displays ? displays->activeDisplays() : std::vector<DisplayID>();
    const DisplayID* display = safeObjectAtIndexForScreen(list, static_cast<size_t>(selectedDisplayRow()));
    return display ? screenSize(*display) : Rect();
}

Rect BTPanelViewController::statusRectForWindow(BTPanelView*) const
{
    auto* self = const_cast<BTPanelViewController*>(this);
    const BTStatusItemView* view = delegate_ ? delegate_->statusItemViewForPanelController(self) : nullptr;
    const Size item = view ? view->globalRect().size : Size{kFallbackItemWidth, kFallbackBarThickness};
    return statusRect(selectedScreenFrame(), item);
}

bool BTPanelViewController::hasActivePanel() const
{
    return hasActivePanel_;
}

void BTPanelViewController::setHasActivePanel(bool active)
{
    if (active == hasActivePanel_) return; // a second open does not restart the animation
    hasActivePanel_ = active;
    if (active)
        openPanel();
    else
        closePanel();
    emit hasActivePanelChanged(active);
}

void BTPanelViewController::openPanel()
{
    BTPanelView* panel = window();
    const Rect screen = selectedScreenFrame();
    const Rect status = statusRectForWindow(panel);
    const Rect frame = panelFrame(screen, status);

    // An earlier close must not hide the panel opened now.
    if (orderOutTimer_) orderOutTimer_->stop();
    if (animation_) animation_->stop();

    panel->setWindowOpacity(0);
    WindowFrame::setFrame(panel, status);
    panel->show();
    panel->raise();
    panel->activateWindow();
    panel->setFocus(Qt::PopupFocusReason); // arrow keys reach the panel at once

    const Qt::KeyboardModifiers modifiers = keyboardModifiers_ ? keyboardModifiers_() : Qt::NoModifier;
    const int duration = openDurationMs(modifiers);
    if ((modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ==
        (Qt::ShiftModifier | Qt::AltModifier))
        SystemLog::logPlain("Icon is at %s\n\tMenu is on screen %s\n\tWill be animated to %s",
                            NSStringFromRect(status).c_str(), NSStringFromRect(screen).c_str(),
                            NSStringFromRect(frame).c_str());

    auto* group = new QParallelAnimationGroup(this);
    auto* grow = new QPropertyAnimation(panel, "geometry", group);
    grow->setDuration(duration);
    grow->setStartValue(qtGeometry(status));
    grow->setEndValue(qtGeometry(frame));
    auto* fadeIn = new QPropertyAnimation(panel, "windowOpacity", group);
    fadeIn->setDuration(duration);
    fadeIn->setStartValue(0.0);
    fadeIn->setEndValue(1.0);
    animation_ = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);

    driver().setShowPressure(true);
    ui_->monitorView->setShowScreen(true);
}

void BTPanelViewController::closePanel()
{
    driver().setShowPressure(false);
    if (!window_) return;
    if (animation_) animation_->stop();
    auto* fadeOut = new QPropertyAnimation(window_, "windowOpacity", this);
    fadeOut->setDuration(kCloseFadeMs);
    fadeOut->setEndValue(0.0);
    animation_ = fadeOut;
    fadeOut->start(QAbstractAnimation::DeleteWhenStopped);

    if (!orderOutTimer_) {
        orderOutTimer_ = std::make_unique<QTimer>();
        orderOutTimer_->setSingleShot(true);
        connect(orderOutTimer_.get(), &QTimer::timeout, this, [this] { window_->hide(); });
    }
    orderOutTimer_->start(kOrderOutMs);
    ui_->monitorView->setShowScreen(false);
}

void BTPanelViewController::windowDidResize()
{
    if (!window_ || !ui_) return;
    const Rect status = statusRectForWindow(window_);
    ui_->backgroundView->setArrowX(arrowPosition(status, WindowFrame::frame(window_)));
}

void BTPanelViewController::windowWillClose()
{
    // A panel opened at launch is open without having been asked to be:
    // closing it still stops the live pressure and the display pictures.
    if (hasActivePanel_)
        setHasActivePanel(false);
    else
        closePanel();
}

void BTPanelViewController::cancelOperation()
{
    if (hasActivePanel_)
        setHasActivePanel(false);
    else if (window_ && window_->isVisible())
        closePanel();
}
