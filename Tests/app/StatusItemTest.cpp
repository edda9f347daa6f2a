// The tray icon: its frame in window-system coordinates, its drawing per
// connection state, the click and the automatic first click. (Changes from
// the driver's thread: AppDelegateTest.)
#include "BTMenubarController.h"
#include "BTStatusItemView.h"
#include "PlatformServices.h"
#include "QtDisplayService.h"

#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

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

    const QRgb highlight_ = QGuiApplication::palette().color(QPalette::Highlight).rgba();
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
    const QImage statusHighlighted = QImage(":/app/StatusHighlighted.png").convertToFormat(QImage::Format_ARGB32);
    const QImage status = QImage(":/app/Status.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(status.size(), QSize(16, 16));
    ASSERT_EQ(statusHighlighted.size(), QSize(16, 16));
    // Where the image is opaque the picture is the image; where it is clear,
    // the background, as it is everywhere outside the image.
    auto expectShows = [](const QImage& picture, QPoint at, const QImage& image, QRgb background) {
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QPoint p(x, y);
                const QRgb source = image.valid(p - at) ? image.pixel(p - at) : qRgba(0, 0, 0, 0);
                const QRgb shown = picture.pixel(p);
                const QRgb expected = qAlpha(source) == 255 ? source : qAlpha(source) == 0 ? background : shown;
                EXPECT_EQ(shown, expected) << x << "," << y;
            }
    };
    // x = round((w - 16) / 2); y = round((h - 16) / 2) upward, halves away from zero.
    const std::pair<QSize, QPoint> cases[] = {{{24, 22}, {4, 3}}, {{24, 23}, {4, 3}}, {{25, 21}, {5, 2}}, {{16, 16}, {0, 0}}};
    for (const auto& [bounds, imageAt] : cases) {
        SCOPED_TRACE(testing::Message() << bounds.width() << "x" << bounds.height());
        controller.setIsConnect(false);
        expectShows(view.render(bounds).convertToFormat(QImage::Format_ARGB32), imageAt, statusHighlighted, 0);
        controller.setIsConnect(true);
        expectShows(view.render(bounds).convertToFormat(QImage::Format_ARGB32), imageAt, status, highlight_);
    }
}

TEST_F(StatusItemTest, ClicksItselfOnceAfterCreationThenOnEachLeftClick)
{
    Responder responder;
    auto* controller = new BTMenubarController(&responder);
    BTStatusItemView* view = controller->statusItemView();
    EXPECT_TRUE(responder.senders.empty());
    QTest::qWait(BTStatusItemView::kFirstClickDelayMilliseconds + 100);
    ASSERT_EQ(responder.senders, std::vector<QObject*>{view});

    // A double click is two presses; the menu's button and the middle one are none.
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
                        QSystemTrayIcon::MiddleClick})
        emit view->statusItem()->activated(reason);
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

#include "StatusItemTest.moc"
