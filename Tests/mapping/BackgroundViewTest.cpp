#include "BTBackgroundView.h"

#include <QImage>
#include <gtest/gtest.h>

#include <tuple>

TEST(BackgroundView, CardWithItsArrowAtArrowX)
{
    BTBackgroundView view;
    view.resize(300, 200);
    view.setArrowX(100);
    QImage picture(300, 200, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    view.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    // The card at 300 x 200 with the arrow at x 100: the tip one point below
    // the top edge, the card's top edge (the arrow's base) at row 9, the white
    // rim (the stroke's outer half) on the row above. Probed: the card, white
    // at 0.95, inside and at its top edge; the rim above it and beside it and
    // nothing above the rim; the arrow and nothing beside it; the rim at the
    // arrow's base, which spans x 94 to 106.
    const std::tuple<int, int, int> probes[] = {{150, 100, 242}, {150, 9, 242}, {150, 8, 255}, {0, 100, 255},
                                                {150, 6, 0},     {100, 4, 242}, {91, 5, 0},    {109, 5, 0},
                                                {92, 8, 255}};
    for (const auto& [x, y, alpha] : probes) EXPECT_EQ(qAlpha(picture.pixel(x, y)), alpha) << x << ", " << y;
}
