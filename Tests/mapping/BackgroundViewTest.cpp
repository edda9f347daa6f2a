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

    EXPECT_EQ(alpha(150, 100), 242); // the card: white at 0.95
    EXPECT_EQ(alpha(150, 9), 242);
    EXPECT_EQ(alpha(150, 8), 255);   // the rim
    EXPECT_EQ(alpha(150, 6), 0);
    EXPECT_EQ(alpha(100, 4), 242);   // inside the arrow
    EXPECT_EQ(alpha(100 - 9, 5), 0); // beside it
    EXPECT_EQ(alpha(100 + 9, 5), 0);
    EXPECT_GT(alpha(100 - 5, 8), 200); // the base spans x 94 to 106
    EXPECT_EQ(alpha(100 - 8, 8), 255);
    EXPECT_EQ(alpha(0, 100), 255);   // the rim fills the 1-point inset on the left
    EXPECT_EQ(alpha(1, 100), 242);
    EXPECT_EQ(qRed(picture.pixel(150, 100)), 242); // premultiplied white

    view.setArrowX(200);
    picture.fill(Qt::transparent);
    view.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(alpha(100, 4), 0);
    EXPECT_EQ(alpha(200, 4), 242);
}
