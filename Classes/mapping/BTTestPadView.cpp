#include "BTTestPadView.h"

#include "BTViewCoordinates.h"
#include "SystemLog.h"

#include <QPainter>
#include <QResizeEvent>

#include <utility>

namespace {
// The platform's system blue, sRGB.
const QColor kSystemBlue(0, 122, 255);
constexpr double kMaxLineWidth = 30;
} // namespace

BTTestPadView::BTTestPadView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAttribute(Qt::WA_TabletTracking); // pen hover arrives as moves
    setFocusPolicy(Qt::ClickFocus);
    clearDisplay();
}

BTTestPadView::~BTTestPadView() = default;

bool BTTestPadView::isActive() const { return isActive_; }
void BTTestPadView::setIsActive(bool on) { isActive_ = on; }
Point BTTestPadView::previousLocation() const { return previousLocation_; }

void BTTestPadView::fitImage()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (image_.size() == pixels && image_.devicePixelRatio() == ratio) return;
    // A new size keeps the strokes that still fit; new room is white.
    QImage fitted(pixels, QImage::Format_ARGB32_Premultiplied);
    fitted.setDevicePixelRatio(ratio);
    fitted.fill(Qt::white);
    if (!image_.isNull()) {
        QPainter painter(&fitted);
        painter.drawImage(QPointF(0, 0), image_);
    }
    image_ = std::move(fitted);
}

void BTTestPadView::clearDisplay()
{
    fitImage();
    image_.fill(Qt::white);
    update();
}

void BTTestPadView::mouseDown(const BTMouseEvent& event)
{
    logEvent(event, "DOWN");
    previousLocation_ = event.locationInView;
}

void BTTestPadView::mouseUp(const BTMouseEvent& event) { logEvent(event, "UP"); }

void BTTestPadView::logEvent(const BTMouseEvent& event, const char* type)
{
    BTLogInfo("-[BTTestPadView logEvent:withType:]", "[%s] cap %d cc %d pres %f bn %d bm %d", type,
              event.capabilityMask, event.clickCount, static_cast<double>(event.pressure), event.buttonNumber,
              event.buttonMask);
}

void BTTestPadView::drawLineWithEvent(const BTMouseEvent& event)
{
    const Point p = event.locationInView;
    const double pressure = event.pressure;
    const double width = pressure * kMaxLineWidth;
    fitImage();
    // Qt draws a zero-width pen as a hairline; no pressure shows nothing.
    if (width > 0 && !image_.isNull()) {
        QColor colour = kSystemBlue;
        colour.setAlphaF(static_cast<float>(pressure * 0.4 + 0.1));
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        const QPointF from = toQt(previousLocation_, height());
        const QPointF to = toQt(p, height());
        painter.drawLine(from, to);
        const double margin = width / 2 + 2;
        update(QRectF(from, to).normalized().adjusted(-margin, -margin, margin, margin).toAlignedRect());
    }
    previousLocation_ = p;
}

void BTTestPadView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), image_);
}

void BTTestPadView::resizeEvent(QResizeEvent*)
{
    fitImage();
    update();
}

void BTTestPadView::showEvent(QShowEvent*) { clearDisplay(); }

void BTTestPadView::mousePressEvent(QMouseEvent* event) { router_.press(event); }
void BTTestPadView::mouseMoveEvent(QMouseEvent* event) { router_.move(event); }
void BTTestPadView::mouseReleaseEvent(QMouseEvent* event) { router_.release(event); }
void BTTestPadView::tabletEvent(QTabletEvent* event) { router_.tablet(event); }
void BTTestPadView::enterEvent(QEnterEvent* event) { router_.enter(event); }
void BTTestPadView::leaveEvent(QEvent*) { router_.leave(); }
