#include "BTBackgroundView.h"

#include <QPainter>

namespace {
constexpr double kArrowHalfWidth = 6;
constexpr double kArrowHeight = 8;
constexpr double kRadius = 6;
} // namespace

BTBackgroundView::BTBackgroundView(QWidget* parent) : QWidget(parent)
{
    // The corners and the sides of the arrow show what lies behind.
    setAttribute(Qt::WA_TranslucentBackground);
}

int64_t BTBackgroundView::arrowX() const { return arrowX_; }

void BTBackgroundView::setArrowX(int64_t x)
{
    arrowX_ = x;
    update();
}

QPainterPath BTBackgroundView::cardPath(Size bounds, double a)
{
    // Inset by one point so that the 2-point stroke's outer half stays inside.
    const double minX = 1, minY = 1, maxX = bounds.width - 1, maxY = bounds.height - 1;
    const double shoulder = maxY - kArrowHeight; // the card's top edge, below the arrow
    QPainterPath path;
    path.moveTo(a, maxY);
    path.lineTo(a + kArrowHalfWidth, shoulder);
    path.lineTo(maxX - kRadius, shoulder);
    path.cubicTo(maxX, shoulder, maxX, shoulder, maxX, shoulder - kRadius);
    path.lineTo(maxX, minY + kRadius);
    path.cubicTo(maxX, minY, maxX, minY, maxX - kRadius, minY);
    path.lineTo(minX + kRadius, minY);
    path.cubicTo(minX, minY, minX, minY, minX, minY + kRadius);
    path.lineTo(minX, shoulder - kRadius);
    path.cubicTo(minX, shoulder, minX, shoulder, minX + kRadius, shoulder);
    path.lineTo(a - kArrowHalfWidth, shoulder);
    path.closeSubpath();
    return path;
}

void BTBackgroundView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The card is drawn in view coordinates, y up.
    painter.translate(0, height());
    painter.scale(1, -1);
    const QPainterPath card = cardPath(Size{double(width()), double(height())}, double(arrowX_));
    QColor fill(Qt::white);
    fill.setAlphaF(0.95f);
    painter.fillPath(card, fill);

    // The bounds run one way round and the card the other, so under the
    // non-zero rule the clip is the bounds less the card: only the stroke's
    // outer half shows, a white rim around the card.
    painter.save();
    QPainterPath clip;
    clip.setFillRule(Qt::WindingFill);
    clip.addRect(QRectF(0, 0, width(), height()));
    clip.addPath(card);
    painter.setClipPath(clip);
    QPen rim(Qt::white, 2);
    rim.setJoinStyle(Qt::MiterJoin);
    painter.strokePath(card, rim);
    painter.restore();
}
