// What a peer's name becomes on the disk: always one plain name inside the destination.
#include "transfer/ReceivedName.h"

#include <gtest/gtest.h>

namespace {

TEST(ReceivedName, KeepsTheLastPlainComponentOfWhateverWasSent)
{
    const struct {
        QString sent;
        QString stored;
    } cases[] = {
        {QStringLiteral("photo.jpg"), QStringLiteral("photo.jpg")},
        {QStringLiteral("Grüße €.txt"), QStringLiteral("Grüße €.txt")},
        {QStringLiteral("../../etc/passwd"), QStringLiteral("passwd")},
        {QStringLiteral("..\\..\\Windows\\win.ini"), QStringLiteral("win.ini")},
        {QStringLiteral("/abs/olute"), QStringLiteral("olute")},
        {QStringLiteral("dir/.."), QStringLiteral("dir")},
        {QStringLiteral("a\tb\nc\x7f"), QStringLiteral("a_b_c_")},
        {QStringLiteral(".hidden"), QStringLiteral(".hidden")},
        {QString(), QStringLiteral("received")},
        {QStringLiteral(".."), QStringLiteral("received")},
        {QStringLiteral("/./"), QStringLiteral("received")},
    };
    for (const auto& test : cases)
        EXPECT_EQ(ReceivedName::neutralise(test.sent), test.stored) << test.sent.toStdString();
}

TEST(ReceivedName, ALongNameIsCutInItsStemAtACharacterAndKeepsItsExtension)
{
    const QString stem = QString(200, u'é');  // two bytes each in UTF-8
    const QString stored = ReceivedName::neutralise(stem + QStringLiteral(".jpeg"));
    EXPECT_LE(stored.toUtf8().size(), ReceivedName::MaxBytes);
    EXPECT_EQ(stored, QString(125, u'é') + QStringLiteral(".jpeg"));

    const QString emoji = QString::fromUcs4(U"\U0001F600");  // four bytes, two UTF-16 units
    QString many;
    for (int i = 0; i < 70; ++i)
        many += emoji;
    const QString cut = ReceivedName::neutralise(many);
    EXPECT_EQ(cut.toUtf8().size(), 252);
    EXPECT_FALSE(cut.back().isHighSurrogate());
}

}  // namespace
