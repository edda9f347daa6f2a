#include "ShowShoutcut.h"

#include "Configure.h"
#include "KeyMapInfo.h"
#include "WindowFrame.h"
#include "ui_ShowShoutcut.h"

#include <QLabel>
#include <QTimer>

// The key row pictures live in the interface library; registering them keeps
// the linker from dropping them.
static void registerShortcutPictures()
{
    Q_INIT_RESOURCE(shortcuts);
}

namespace {

void registerPicturesOnce()
{
    static const bool registered = (registerShortcutPictures(), true);
    (void)registered;
}

// The value rounded to single precision. Through memory: GCC 12's vectoriser
// drops the float round trip of two coordinates made side by side at -O2.
double singlePrecision(double value)
{
    volatile float single = static_cast<float>(value);
    return single;
}

// The key id a piece belongs to; -1 for an untagged child.
int tagOf(const QWidget* piece)
{
    bool ok = false;
    const int tag = piece->property("tag").toInt(&ok);
    return ok ? tag : -1;
}

} // namespace

ShowShoutcut::ShowShoutcut(Configure* store, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ShowShoutcut>()), store_(store)
{
    registerPicturesOnce();
    ui_->setupUi(this);
    // Above everything, never focused, and placed exactly where asked: on X11
    // the window manager is bypassed; the tool type keeps it off the taskbar
    // where there is one that honours it; clicks go through to what is below.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setWindowOpacity(kOpacity);

    // Every key's pieces stay hidden until that key is shown.
    for (QWidget* piece : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (tagOf(piece) >= 0) piece->hide();

    // A coarse timer may fire up to 5 % early; the tip stays its full time.
    QTimer::singleShot(kLifetimeMs, Qt::PreciseTimer, this, &QWidget::close);
}

ShowShoutcut::~ShowShoutcut() = default;

QWidget* ShowShoutcut::view() { return this; }

QPixmap ShowShoutcut::keyRowPicture(int keyId)
{
    registerPicturesOnce();
    if (keyId < 0 || keyId > 4) return {};
    return QPixmap(QStringLiteral(":/keyrow/keyrow-%1.png").arg(keyId));
}

void ShowShoutcut::setScreenSize(const Rect& frame) { screenSize_ = frame; }

Rect ShowShoutcut::screenSize() const { return screenSize_; }

Point ShowShoutcut::windowOrigin(const Rect& screen, const Size& window)
{
    const double x = screen.x() + screen.width() * 0.5 - window.width * 0.5;
    const double y = screen.y() + screen.height() - window.height - kTopMargin;
    return Point{singlePrecision(x), singlePrecision(y)};
}

void ShowShoutcut::setId(int32_t keyId)
{
    const Rect frame = WindowFrame::frame(this);
    WindowFrame::setFrameOrigin(this, windowOrigin(screenSize_, frame.size));

    for (QWidget* piece : view()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (tagOf(piece) != keyId) continue;
        piece->show();
        // The plain label among the pieces tells what the key does; the
        // picture is no label, so it keeps its drawing.
        if (piece->metaObject() == &QLabel::staticMetaObject) {
            const std::string text = KeyMapInfo::shortkeyToChina((store_ ? *store_ : Configure::instance()).readShortcutForCmd(keyId));
            static_cast<QLabel*>(piece)->setText(QString::fromStdString(text));
        }
    }
}
