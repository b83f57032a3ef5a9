#include "tree/NodeName.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// Names kept inline and names kept apart read back the same, copy and move without losing or
// sharing anything, and compare as QString compares them, across both forms.
TEST(NodeName, EveryNameReadsBackAsGivenWhereverItIsKept)
{
    const QString names[] = {
        QString(),
        QStringLiteral("a"),
        QStringLiteral("file-000001.txt"),
        QString(23, u'x'),                   // the longest kept inline
        QString(24, u'x'),                   // the shortest kept apart
        QStringLiteral("Caf\u00e9 \u00ff\u00a0.txt"),  // Latin-1 beyond ASCII
        QStringLiteral("\u0150r\u00fcl\u0151"),      // beyond Latin-1
        QStringLiteral("\ud55c\uad6d\uc5b4 \ubb38\uc11c"),
        QStringLiteral("\U0001F600.png"),  // a surrogate pair
    };
    for (const QString& text : names) {
        SCOPED_TRACE(text.toStdString());
        NodeName name(text);
        EXPECT_EQ(name.toString(), text);
        EXPECT_EQ(name.size(), text.size());
        EXPECT_EQ(name.isEmpty(), text.isEmpty());
        EXPECT_TRUE(name == text);

        NodeName copy(name);
        NodeName assigned;
        assigned = name;
        name = QStringLiteral("other");  // the copies keep their own name
        EXPECT_EQ(copy.toString(), text);
        EXPECT_EQ(assigned.toString(), text);
        NodeName moved(std::move(copy));
        EXPECT_EQ(moved.toString(), text);
        NodeName movedInto(QString(40, u'y'));
        movedInto = std::move(moved);
        EXPECT_EQ(movedInto.toString(), text);
        movedInto = movedInto;  // NOLINT: assigned to itself, it keeps its name
        EXPECT_EQ(movedInto.toString(), text);
    }
}

TEST(NodeName, ComparesAsItsTextDoesInlineOrApart)
{
    const QString texts[] = {
        QStringLiteral("abc"),
        QStringLiteral("ABD"),
        QStringLiteral("\u00c9t\u00e9"),
        QStringLiteral("\u00e9t\u00e9"),
        QString(30, u'a'),
        QString(30, u'A') + u'b',
        QStringLiteral("\u0150"),
        QStringLiteral("\u0151"),
        QString(),
    };
    for (const QString& a : texts)
        for (const QString& b : texts)
            for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
                SCOPED_TRACE(a.toStdString() + " / " + b.toStdString());
                const int expected = a.compare(b, cs);
                const int got = NodeName(a).compare(NodeName(b), cs);
                EXPECT_EQ(got < 0, expected < 0);
                EXPECT_EQ(got == 0, expected == 0);
                EXPECT_EQ(NodeName(a).compare(b, cs) == 0, expected == 0);
            }
    EXPECT_TRUE(NodeName(QStringLiteral("x.LNK")).endsWith(QLatin1StringView(".lnk"), Qt::CaseInsensitive));
    EXPECT_FALSE(NodeName(QStringLiteral("x.lnk.txt")).endsWith(QLatin1StringView(".lnk"), Qt::CaseInsensitive));
}

}  // namespace
