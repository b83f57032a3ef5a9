// The selection band on a phone-sized page: every count and the size are drawn whole, and the
// two counts can be told apart by the pictures before them.
#include "dialogs/PhonePage.h"
#include "tree/SelectionBand.h"

#include <QImage>
#include <QLabel>
#include <QLayout>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(SelectionBand, CountsAndSizeAreDrawnWholeOnA240PixelScreen)
{
    const struct {
        qint64 folders;
        qint64 files;
        qint64 bytes;
    } cases[] = {
        {0, 0, 0},
        {151, 1235, 5120LL * 1024 * 1024},  // "5120.00 MB"
        {9999, 99999, 1023LL * 1024 * 1024 + 1},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << test.folders << " " << test.files << " " << test.bytes);
        PhonePage page;
        auto* band = new SelectionBand;
        page.setContent(band);
        page.resize(PhonePage::DefaultWidth, PhonePage::DefaultHeight);
        page.show();
        band->showSummary(test.folders, test.files, test.bytes);
        page.layout()->activate();
        band->layout()->activate();

        QList<QLabel*> parts = band->findChildren<QLabel*>();
        std::sort(parts.begin(), parts.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
        ASSERT_EQ(parts.size(), 6);  // "Sel:", two pictures, two counts, the size
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QLabel* part = parts.at(i);
            SCOPED_TRACE(part->text().isEmpty() ? part->accessibleName().toStdString() : part->text().toStdString());
            EXPECT_TRUE(band->rect().contains(part->geometry()));
            if (!part->text().isEmpty()) {
                EXPECT_GE(part->width(), part->fontMetrics().horizontalAdvance(part->text()));
            }
            if (i > 0) {
                EXPECT_LT(parts.at(i - 1)->geometry().right(), part->x());
            }
        }

        // A picture right before each count, a folder's and a file's, and not alike.
        EXPECT_LE(band->folderCount()->x() - band->folderPicture()->geometry().right(), 4);
        EXPECT_LE(band->fileCount()->x() - band->filePicture()->geometry().right(), 4);
        const QImage folder = band->folderPicture()->pixmap().toImage();
        const QImage file = band->filePicture()->pixmap().toImage();
        ASSERT_FALSE(folder.isNull());
        ASSERT_FALSE(file.isNull());
        EXPECT_NE(folder, file);
        EXPECT_EQ(band->sizeLabel()->geometry().right(), band->width() - 5);  // the size keeps to the right end
    }
}

}  // namespace
