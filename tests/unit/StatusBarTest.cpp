// The status bar on a phone-sized page: its two lines are drawn whole beside the indicators,
// and each of the four indicators can be read as what it is, lit or not.
#include "dialogs/PhonePage.h"
#include "dialogs/ScreenDump.h"
#include "platform/FileSystem.h"
#include "tree/StatusBar.h"

#include <QImage>
#include <QLabel>
#include <QLayout>

#include <gtest/gtest.h>

namespace {

namespace Attr = platform::Attr;

TEST(StatusBar, LinesAndIndicatorsFitA240PixelScreenAndTheIndicatorsReadAsWhatTheyAre)
{
    PhonePage page;
    auto* bar = new StatusBar;
    page.setContent(bar);
    page.resize(PhonePage::DefaultWidth, PhonePage::DefaultHeight);
    page.show();
    page.layout()->activate();
    bar->setLines(QStringLiteral("31 Dec 2024 23:59:00"), QStringLiteral("Fold.: 151, Files: 1235"));

    for (const QLabel* line : {bar->firstLineLabel(), bar->secondLineLabel()}) {
        SCOPED_TRACE(line->text().toStdString());
        EXPECT_GE(line->width(), line->fontMetrics().horizontalAdvance(line->text()));
        EXPECT_TRUE(bar->rect().contains(line->geometry()));
        for (int index = 0; index < StatusBar::IndicatorCount; ++index)
            EXPECT_FALSE(line->geometry().intersects(bar->indicatorRect(index))) << index;
    }
    for (int index = 0; index < StatusBar::IndicatorCount; ++index) {
        EXPECT_TRUE(bar->rect().contains(bar->indicatorRect(index))) << index;
        for (int other = index + 1; other < StatusBar::IndicatorCount; ++other)
            EXPECT_FALSE(bar->indicatorRect(index).intersects(bar->indicatorRect(other))) << index << " " << other;
    }

    // What each indicator shows, all clear and all set. Read-only, hidden and system stand in
    // boxes of one width; in ROM needs a wider one.
    const auto shown = [bar](quint32 attributes) {
        bar->setIndicators(attributes);
        const QImage screen = bar->grab().toImage();
        QList<QImage> parts;
        for (int index = 0; index < StatusBar::IndicatorCount; ++index)
            parts << screen.copy(bar->indicatorRect(index));
        return parts;
    };
    const QList<QImage> clear = shown(0);
    const QList<QImage> set = shown(Attr::ReadOnly | Attr::Hidden | Attr::System | Attr::InRom);
    for (int index = 0; index < StatusBar::IndicatorCount; ++index) {
        EXPECT_NE(clear.at(index), set.at(index)) << index;
        for (int other = index + 1; other < StatusBar::IndicatorCount; ++other) {
            EXPECT_NE(clear.at(index), clear.at(other)) << index << " " << other;
            EXPECT_NE(set.at(index), set.at(other)) << index << " " << other;
        }
    }

    // The dump keeps its letters.
    bar->setIndicators(Attr::Hidden | Attr::InRom);
    EXPECT_TRUE(ScreenDump::dump(&page).contains(
        QStringLiteral("status: 31 Dec 2024 23:59:00 | Fold.: 151, Files: 1235 | - H - ROM")))
        << ScreenDump::dump(&page).toStdString();
}

}  // namespace
