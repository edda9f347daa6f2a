#include "MonitorFlag.h"

#include "ui_MonitorFlag.h"

#include <QTimer>

MonitorFlag::MonitorFlag(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::MonitorFlag>())
{
    ui_->setupUi(this);
    // Above everything and exactly where it is put: no window-manager placement, no focus.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::X11BypassWindowManagerHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowOpacity(0.8);
    QTimer::singleShot(kLifetimeMilliseconds, Qt::PreciseTimer, this, &QWidget::close); // the default timer may fire early
}

MonitorFlag::~MonitorFlag() = default;

void MonitorFlag::SetFlag(int32_t number) { ui_->flagTextField->setNum(number); }

QLabel* MonitorFlag::flagTextField() const { return ui_->flagTextField; }
