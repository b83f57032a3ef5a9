// The reader of icon resources in Windows programs, over PE files built in the test: what a
// sound file offers, and a clear outcome for files that are damaged or built to mislead.
#include "PeBuilder.h"

#include "filetypes/PeIcons.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QByteArray sample()
{
    return PeBuilder()
        .icon(1, 16, 0xffff0000)
        .icon(2, 32, 0xff00ff00)
        .icon(3, 16, 0xff0000ff)
        .group(300, {3})
        .group(101, {1, 2})
        .bytes();
}

TEST(PeIcons, GroupIconsAreListedInOrderAndBecomeIconFiles)
{
    PeIcons pe;
    ASSERT_TRUE(pe.read(sample()));
    EXPECT_EQ(pe.groupIconIds(), (QList<int>{101, 300}));

    // A group of two images: both are in the icon file, the first decodes as it was made.
    const QByteArray ico = pe.iconFile(101);
    ASSERT_FALSE(ico.isEmpty());
    EXPECT_EQ(static_cast<unsigned char>(ico[4]), 2u);
    const QImage image = QImage::fromData(ico, "ICO");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(image.pixel(5, 5), 0xffff0000u);
    EXPECT_EQ(QImage::fromData(pe.iconFile(300), "ICO").pixel(0, 0), 0xff0000ffu);
    // A number that is no group has no icon.
    EXPECT_TRUE(pe.iconFile(1).isEmpty());
    EXPECT_TRUE(pe.iconFile(102).isEmpty());
}

TEST(PeIcons, DamagedFilesEndClearly)
{
    const QByteArray good = sample();
    const qsizetype root = PeBuilder::SectionFileOffset;
    struct Case {
        const char* what;
        QByteArray bytes;
        bool readable;
        QList<int> ids;
    };
    QList<Case> cases;
    cases.append({"empty", QByteArray(), false, {}});
    cases.append({"not a PE file", QByteArray("#!/bin/sh\necho hi\n"), false, {}});
    cases.append({"MZ only", QByteArray("MZ"), false, {}});
    {
        QByteArray bytes = good;
        PeBuilder::put32(bytes, 0x3C, 0x7ffffff0);  // the PE header far past the end
        cases.append({"header offset outside the file", bytes, false, {}});
    }
    {
        QByteArray bytes = good;
        PeBuilder::put32(bytes, 0x40 + 24 + 96 + 16, 0x900000);  // resource RVA in no section
        cases.append({"resource directory in no section", bytes, false, {}});
    }
    {
        QByteArray bytes = good;
        PeBuilder::put16(bytes, root + 14, 0xffff);  // the root claims 65535 types
        PeBuilder::put16(bytes, root + 12, 0xffff);
        cases.append({"entry counts beyond the directory", bytes, true, {101, 300}});
    }
    {
        QByteArray bytes = good;
        // The first type entry leads back to the root: a loop in the tree.
        PeBuilder::put32(bytes, root + 16 + 4, 0x80000000u);
        cases.append({"a loop back to the root", bytes, true, {101, 300}});
    }
    {
        QByteArray bytes = good;
        // The group type's directory lies far outside the section.
        PeBuilder::put32(bytes, root + 16 + 8 + 4, 0x80000000u | 0x7fff0000u);
        cases.append({"a type directory outside the file", bytes, true, {}});
    }
    for (const qsizetype cut : {qsizetype(64), qsizetype(0x150), root + 20, good.size() - 40})
        cases.append({"truncated", good.left(cut), cut > root, {}});
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.what);
        PeIcons pe;
        EXPECT_EQ(pe.read(entry.bytes), entry.readable);
        if (!entry.readable) {
            EXPECT_TRUE(pe.groupIconIds().isEmpty());
        } else if (entry.bytes.size() == good.size()) {
            EXPECT_EQ(pe.groupIconIds(), entry.ids);
        }
        // Whatever was found, building icons from it stays inside the bytes.
        for (const int id : pe.groupIconIds())
            (void)pe.iconFile(id);
    }
}

TEST(PeIcons, AGroupThatNamesManyImagesOrMissingOnesGivesNoIcon)
{
    QByteArray bytes = PeBuilder().icon(1, 16, 0xffffffff).group(5, {1, 9}).group(6, {1}).bytes();
    PeIcons pe;
    ASSERT_TRUE(pe.read(bytes));
    EXPECT_TRUE(pe.iconFile(5).isEmpty());   // image 9 is missing
    EXPECT_FALSE(pe.iconFile(6).isEmpty());
    // A group directory that claims more entries than it holds.
    const qsizetype group = bytes.indexOf(QByteArray("\0\0\1\0\1\0", 6), PeBuilder::SectionFileOffset);
    ASSERT_GT(group, 0);
    PeBuilder::put16(bytes, group + 4, 0xffff);
    ASSERT_TRUE(pe.read(bytes));
    EXPECT_TRUE(pe.iconFile(6).isEmpty());
}

}  // namespace
