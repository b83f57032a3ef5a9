#include "resources/Pictures.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

bool hasPaint(const QImage& image, QRect area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

TEST(Pictures, EveryPictureRendersAtAnySize)
{
    for (int index = 0; index < Pictures::FixedTreeImageCount; ++index)
        for (int size : {16, 22, 44}) {
            const QImage image = Pictures::treeImage(index, size).toImage();
            EXPECT_EQ(image.size(), QSize(size, size));
            EXPECT_TRUE(hasPaint(image, image.rect())) << "tree image " << index << " at " << size;
        }
    EXPECT_TRUE(hasPaint(Pictures::selectionBandBackground({240, 20}).toImage(), QRect(200, 0, 40, 20)));
    EXPECT_TRUE(hasPaint(Pictures::statusBarBackground({240, 20}).toImage(), QRect(0, 0, 240, 20)));
    EXPECT_TRUE(hasPaint(Pictures::statusBarIcon(16).toImage(), QRect(0, 0, 16, 16)));
    EXPECT_NE(Pictures::indicator(true, {8, 7}).toImage(), Pictures::indicator(false, {8, 7}).toImage());
    EXPECT_FALSE(Pictures::treeIcon(Pictures::FolderOpen).pixmap(22, 22).isNull());
}

TEST(Pictures, TheShortcutArrowSitsInTheLowerLeftCorner)
{
    QPixmap base(32, 32);
    base.fill(Qt::transparent);
    const QImage overlaid = Pictures::withShortcutOverlay(base).toImage();
    EXPECT_TRUE(hasPaint(overlaid, QRect(0, 18, 14, 14)));
    EXPECT_FALSE(hasPaint(overlaid, QRect(18, 0, 14, 14)));
}

}  // namespace
