#include "BTBackgroundView.h"

#include <QImage>
#include <gtest/gtest.h>

// The card at 300 x 200 with the arrow at x 100: the tip one point below the
// top edge, the card's top edge (the arrow's base) at row 9, the white rim
// (the stroke's outer half) on the row above.
TEST(BackgroundView, CardWithItsArrowAtArrowX)
{
    BTBackgroundView view;
    view.resize(300, 200);
    view.setArrowX(100);
    EXPECT_EQ(view.arrowX(), 100);
    QImage picture(300, 200, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    view.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    const auto alpha = [&](int x, int y) { return qAlpha(picture.pixel(x, y)); };

    const struct {
        int x, y, alpha;
    } probes[] = {
        {150, 100, 242}, {150, 9, 242}, // the card: white at 0.95
        {150, 8, 255}, {0, 100, 255},   // the rim above it and beside it
        {150, 6, 0},
        {100, 4, 242}, {91, 5, 0}, {109, 5, 0}, // the arrow and beside it
        {92, 8, 255},                           // its base spans x 94 to 106
    };
    for (const auto& p : probes) EXPECT_EQ(alpha(p.x, p.y), p.alpha) << p.x << ", " << p.y;
}
