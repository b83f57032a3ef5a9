// The program's own pictures: each one loads and draws something at the sizes the screens ask
// for, tree icons are drawn afresh at any size, and the shortcut arrow stays in its corner.
#include "resources/Pictures.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

QImage toArgb(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

bool hasVisiblePixel(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

bool isFullyOpaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
    return true;
}

// How many pixels of `rect` differ between two images of one size.
int differingPixels(const QImage& a, const QImage& b, const QRect& rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                ++count;
    return count;
}

struct Drawing {
    const char* name;
    std::function<QPixmap(int px)> draw;
    std::function<QSize(int px)> expectedSize;
};

QList<Drawing> everyDrawing()
{
    const auto square = [](int px) { return QSize(px, px); };
    // The bands are far wider than high; the indicators a little wider than high.
    const auto band = [](int px) { return QSize(px * 11, px); };
    const auto indicatorSize = [](int px) { return QSize(px, px * 7 / 8); };
    QList<Drawing> drawings;
    for (int index = 0; index < FixedTreeImageCount; ++index)
        drawings.append({"tree image", [index](int px) { return Pictures::treeImage(index, px); }, square});
    drawings.append({"status bar icon", [](int px) { return Pictures::statusBarIcon(px); }, square});
    drawings.append({"file", [](int px) { return Pictures::file(px); }, square});
    drawings.append({"selection band", [band](int px) { return Pictures::selectionBandBackground(band(px)); }, band});
    drawings.append({"status bar", [band](int px) { return Pictures::statusBarBackground(band(px)); }, band});
    drawings.append({"indicator set",
                     [indicatorSize](int px) { return Pictures::indicator(true, indicatorSize(px)); }, indicatorSize});
    drawings.append({"indicator clear",
                     [indicatorSize](int px) { return Pictures::indicator(false, indicatorSize(px)); }, indicatorSize});
    return drawings;
}

} // namespace

TEST(PicturesTest, EveryPictureIsAValidSvgInTheResources)
{
    const QStringList paths = Pictures::allPicturePaths();
    ASSERT_EQ(paths.size(), FixedTreeImageCount + 6);
    EXPECT_EQ(QSet<QString>(paths.begin(), paths.end()).size(), paths.size()) << "a picture is listed twice";
    for (const QString& path : paths) {
        EXPECT_TRUE(QFile::exists(path)) << qPrintable(path);
        EXPECT_TRUE(QSvgRenderer(path).isValid()) << qPrintable(path);
    }
}

TEST(PicturesTest, EveryPictureDrawsSomethingAtEverySize)
{
    const QList<Drawing> drawings = everyDrawing();
    for (int px : {16, 22, 44}) {
        for (int i = 0; i < drawings.size(); ++i) {
            const Drawing& drawing = drawings[i];
            SCOPED_TRACE(std::string(drawing.name) + " #" + std::to_string(i) + " at " + std::to_string(px) + " px");
            const QPixmap pixmap = drawing.draw(px);
            ASSERT_FALSE(pixmap.isNull());
            EXPECT_EQ(pixmap.size(), drawing.expectedSize(px));
            EXPECT_TRUE(hasVisiblePixel(toArgb(pixmap)));
        }
    }
}

TEST(PicturesTest, TreeImagesCanBeToldApartAtTheSmallestSize)
{
    QList<QImage> images;
    for (int index = 0; index < FixedTreeImageCount; ++index)
        images.append(toArgb(Pictures::treeImage(index, 16)));
    for (int a = 0; a < images.size(); ++a)
        for (int b = a + 1; b < images.size(); ++b)
            EXPECT_NE(images[a], images[b]) << "tree images " << a << " and " << b << " look the same";
}

TEST(PicturesTest, RequestsThatCannotBeServedGiveNothing)
{
    for (int index : {-1, FixedTreeImageCount, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(Pictures::treeImagePath(index).isEmpty());
        EXPECT_TRUE(Pictures::treeImage(index, 16).isNull());
        EXPECT_TRUE(Pictures::treeIcon(index).isNull());
    }
    const int folder = static_cast<int>(TreeImage::FolderClosed);
    EXPECT_TRUE(Pictures::treeImage(folder, 0).isNull());
    EXPECT_TRUE(Pictures::treeImage(folder, -16).isNull());
    EXPECT_TRUE(Pictures::treeImage(folder, 16, 0.0).isNull());
    EXPECT_TRUE(Pictures::treeImage(folder, 16, -1.0).isNull());
    EXPECT_TRUE(Pictures::selectionBandBackground(QSize(0, 20)).isNull());
    EXPECT_TRUE(Pictures::indicator(true, QSize()).isNull());
    EXPECT_TRUE(Pictures::withShortcutOverlay(QPixmap()).isNull());
}

TEST(PicturesTest, DevicePixelRatioAddsPixelsButKeepsTheLogicalSize)
{
    const int folder = static_cast<int>(TreeImage::FolderOpen);
    for (qreal dpr : {1.0, 1.5, 2.0, 3.0}) {
        SCOPED_TRACE(dpr);
        const QPixmap pixmap = Pictures::treeImage(folder, 22, dpr);
        EXPECT_EQ(pixmap.size(), QSize(qRound(22 * dpr), qRound(22 * dpr)));
        EXPECT_EQ(pixmap.devicePixelRatio(), dpr);
        EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(22, 22));
        // 27 x 1.5 is no whole number of pixels; the band keeps its logical size as near as
        // whole pixels allow.
        const QPixmap band = Pictures::statusBarBackground(QSize(240, 27), dpr);
        EXPECT_EQ(band.deviceIndependentSize().toSize(), QSize(240, 27));
    }
}

TEST(PicturesTest, TreeIconIsDrawnAfreshAtAnyAskedSize)
{
    for (int index = 0; index < FixedTreeImageCount; ++index) {
        const QIcon icon = Pictures::treeIcon(index);
        ASSERT_FALSE(icon.isNull());
        for (int px : {16, 37, 128}) {
            SCOPED_TRACE(std::to_string(index) + " at " + std::to_string(px));
            const QImage drawn = toArgb(icon.pixmap(QSize(px, px)));
            ASSERT_EQ(drawn.size(), QSize(px, px));
            // The same picture as the pixmap of that size, not a scaled copy of another size.
            EXPECT_EQ(drawn, toArgb(Pictures::treeImage(index, px)));
        }
        // A disabled tree item shows its picture fainter, not gone.
        const QImage normal = toArgb(icon.pixmap(QSize(22, 22), QIcon::Normal));
        const QImage disabled = toArgb(icon.pixmap(QSize(22, 22), QIcon::Disabled));
        EXPECT_TRUE(hasVisiblePixel(disabled));
        EXPECT_NE(normal, disabled);
    }
}

TEST(PicturesTest, ShortcutArrowCoversTheBottomLeftAndLeavesTheTopRight)
{
    QPixmap solid(16, 16);
    solid.fill(QColor(0x80, 0x20, 0x60));
    struct Base {
        const char* name;
        QPixmap pixmap;
    };
    const QList<Base> bases = {
        {"folder 16", Pictures::treeImage(static_cast<int>(TreeImage::FolderClosed), 16)},
        {"card 22", Pictures::treeImage(static_cast<int>(TreeImage::CardClosed), 22)},
        {"storage 44", Pictures::treeImage(static_cast<int>(TreeImage::StorageClosed), 44)},
        {"folder 22 at ratio 2", Pictures::treeImage(static_cast<int>(TreeImage::FolderClosed), 22, 2.0)},
        {"solid 16", solid},
    };
    for (const Base& base : bases) {
        SCOPED_TRACE(base.name);
        const QPixmap overlaid = Pictures::withShortcutOverlay(base.pixmap);
        ASSERT_EQ(overlaid.size(), base.pixmap.size());
        EXPECT_EQ(overlaid.devicePixelRatio(), base.pixmap.devicePixelRatio());
        const QImage before = toArgb(base.pixmap);
        const QImage after = toArgb(overlaid);
        const int half = before.width() / 2;
        const QRect topRight(half, 0, before.width() - half, half);
        const QRect bottomLeft(0, half, half, before.height() - half);
        EXPECT_EQ(differingPixels(before, after, topRight), 0);
        // A small part of the corner would not read as an arrow.
        EXPECT_GT(differingPixels(before, after, bottomLeft), bottomLeft.width() * bottomLeft.height() / 4);
    }
}

TEST(PicturesTest, BandBackgroundsCoverTheWholeBandAtAnyWidth)
{
    for (const QSize size : {QSize(176, 20), QSize(240, 27), QSize(480, 20), QSize(1000, 30)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        EXPECT_TRUE(isFullyOpaque(toArgb(Pictures::selectionBandBackground(size))));
        EXPECT_TRUE(isFullyOpaque(toArgb(Pictures::statusBarBackground(size))));
    }
}
