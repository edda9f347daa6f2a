// The tray icon: its frame in window-system coordinates, its drawing per
// connection state, the click and the automatic first click, and the
// connection flag set from another thread.
#include "BTMenubarController.h"
#include "BTStatusItemView.h"
#include "MainQueue.h"
#include "PlatformServices.h"
#include "QtDisplayService.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>

namespace {

// What the application delegate is to the icon: the receiver of its action.
class Responder : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void togglePanel(QObject* sender) { senders.push_back(sender); }
    std::vector<QObject*> senders;
};

class StatusItemTest : public ::testing::Test {
protected:
    StatusItemTest() : previous_(Platform::services().displays) { Platform::services().displays = &displays_; }
    ~StatusItemTest() override { Platform::services().displays = previous_; }

    // The rows and columns holding a pixel that is not fully transparent.
    static QRect paintedArea(const QImage& image, QRgb background = 0)
    {
        QRect area;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != background) area |= QRect(x, y, 1, 1);
        return area;
    }

    QtDisplayService displays_;
    DisplayService* previous_;
};

} // namespace

TEST_F(StatusItemTest, GlobalRectIsTheTrayGeometryInWindowSystemCoordinatesWithAFallbackSize)
{
    // Main display 1920 x 1080: Qt's y from the top becomes y from the bottom.
    EXPECT_EQ(BTStatusItemView::globalRectForGeometry(QRect(1880, 0, 22, 22)), Rect(1880, 1058, 22, 22));
    EXPECT_EQ(BTStatusItemView::globalRectForGeometry(QRect(2000, 770, 24, 30)), Rect(2000, 280, 24, 30));
    EXPECT_EQ(BTStatusItemView::globalRectForGeometry(QRect()), Rect(0, 1058, 24, 22));
    // The offscreen platform has no tray: the fallback.
    BTMenubarController controller;
    EXPECT_EQ(controller.statusItemView()->globalRect().size, (Size{24, 22}));
}

TEST_F(StatusItemTest, DrawsStatusHighlightedPlainWhileDisconnectedAndStatusOnTheHighlightWhileConnected)
{
    BTMenubarController controller;
    BTStatusItemView& view = *controller.statusItemView();
    const QRgb highlight = QGuiApplication::palette().color(QPalette::Highlight).rgba();
    const QImage statusHighlighted = QImage(":/app/StatusHighlighted.png").convertToFormat(QImage::Format_ARGB32);
    const QImage status = QImage(":/app/Status.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(status.size(), QSize(16, 16));
    ASSERT_EQ(statusHighlighted.size(), QSize(16, 16));

    struct Case {
        QSize bounds;
        QPoint imageAt; // Qt's top-left of the 16 x 16 image
    };
    // x = round((w - 16) / 2); y = round((h - 16) / 2) upward, halves away from zero.
    const Case cases[] = {{{24, 22}, {4, 3}}, {{24, 23}, {4, 3}}, {{25, 21}, {5, 2}}, {{16, 16}, {0, 0}}};
    // Where the image is opaque the picture is the image; where it is clear, the background.
    auto expectShows = [](const QImage& picture, QPoint at, const QImage& image, QRgb background) {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb source = image.pixel(x, y);
                const QRgb shown = picture.pixel(at + QPoint(x, y));
                const QRgb expected = qAlpha(source) == 255 ? source : qAlpha(source) == 0 ? background : shown;
                EXPECT_EQ(shown, expected) << x << "," << y;
            }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bounds.width() << "x" << c.bounds.height());
        controller.setIsConnect(false);
        const QImage plain = view.render(c.bounds).convertToFormat(QImage::Format_ARGB32);
        expectShows(plain, c.imageAt, statusHighlighted, 0);
        EXPECT_EQ(paintedArea(plain), paintedArea(plain).intersected(QRect(c.imageAt, QSize(16, 16))));

        controller.setIsConnect(true);
        const QImage lit = view.render(c.bounds).convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(lit.pixel(0, 0), highlight);
        EXPECT_EQ(lit.pixel(c.bounds.width() - 1, c.bounds.height() - 1), highlight);
        expectShows(lit, c.imageAt, status, highlight);
    }
}

TEST_F(StatusItemTest, ClicksItselfOnceAfterCreationThenOnEachLeftClick)
{
    Responder responder;
    auto* controller = new BTMenubarController(&responder);
    BTStatusItemView* view = controller->statusItemView();
    EXPECT_TRUE(responder.senders.empty());
    QTest::qWait(BTStatusItemView::kFirstClickDelayMilliseconds + 100);
    ASSERT_EQ(responder.senders.size(), 1u);
    EXPECT_EQ(responder.senders[0], view);

    // A double click is two presses; the menu's button and the middle one are none.
    emit view->statusItem()->activated(QSystemTrayIcon::Trigger);
    emit view->statusItem()->activated(QSystemTrayIcon::DoubleClick);
    emit view->statusItem()->activated(QSystemTrayIcon::Context);
    emit view->statusItem()->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(responder.senders.size(), 3u);
    QTest::qWait(200);
    EXPECT_EQ(responder.senders.size(), 3u); // the automatic click runs once

    // An explicit target is asked instead of the parents.
    Responder other;
    view->setTarget(&other);
    view->mouseDown();
    EXPECT_EQ(other.senders.size(), 1u);
    EXPECT_EQ(responder.senders.size(), 3u);

    // The controller takes its icon with it.
    QPointer<QSystemTrayIcon> item = view->statusItem();
    EXPECT_TRUE(item->isVisible());
    delete controller;
    EXPECT_TRUE(item.isNull());
}

TEST_F(StatusItemTest, Concurrency_ARedrawQueuedByTheDriverThreadDrawsTheStateOrNothingOnceTheIconIsGone)
{
    const QRgb highlight = QGuiApplication::palette().color(QPalette::Highlight).rgba();
    BTMenubarController controller;
    auto shownCorner = [&] {
        const QImage shown = controller.statusItem()->icon().pixmap(QSize(24, 22)).toImage();
        return shown.convertToFormat(QImage::Format_ARGB32).pixel(0, 0);
    };
    EXPECT_NE(shownCorner(), highlight);
    std::thread plug([&] { controller.setIsConnect(true); });
    plug.join();
    MainQueue::drain();
    EXPECT_EQ(shownCorner(), highlight);

    auto gone = std::make_unique<BTMenubarController>();
    std::thread late([&] { gone->setIsConnect(true); });
    late.join();
    gone.reset();
    MainQueue::drain(); // the queued redraw finds no view
}

#include "StatusItemTest.moc"
