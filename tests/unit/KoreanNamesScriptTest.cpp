// Names in Korean, as archives in code page 949 carry them, are drawn with real glyphs, not
// with the empty box a font draws for a character it lacks.
#include "ProgramFixture.h"

#include <QApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QImage>

namespace {

// Tangut: a script that no font of a device running Fennick carries, so each of its characters
// is drawn as the empty box.
constexpr char32_t FirstMissing = 0x17000;

// The screen as the program draws it over a root that holds one file named `name`, with the
// same time and size whatever the name.
QImage screenWithOneFile(const QString& name)
{
    ProgramFixture program;
    const QString file = program.root() + u'/' + name;
    program.file(name.toUtf8().constData());
    QFile written(file);
    EXPECT_TRUE(written.open(QIODevice::ReadWrite));
    EXPECT_TRUE(written.setFileTime(QDateTime(QDate(2026, 1, 2), QTime(3, 4)), QFileDevice::FileModificationTime));
    const QString picture = program.path(QStringLiteral("screen.png"));
    const ProgramRun run = program.play(QStringLiteral("wait idle\n"
                                                       "expect screen >   %1\n"
                                                       "shot %2\n")
                                            .arg(name, picture));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QImage(picture);
}

// The name with each character but a blank replaced by a missing one: where the name's glyphs
// are empty boxes, its screen is this one's, pixel for pixel.
QString missingLike(const QString& name)
{
    QString missing;
    char32_t next = FirstMissing;
    for (const char32_t character : name.toUcs4()) {
        const char32_t standIn = character == U' ' ? U' ' : next++;
        missing += QString::fromUcs4(&standIn, 1);
    }
    return missing;
}

TEST(KoreanNamesScript, HangulAndHanjaNamesAreDrawnWithTheirGlyphs)
{
    // Without this, the screens below could differ by a missing glyph that is not a box.
    ASSERT_FALSE(QFontMetrics(QApplication::font()).inFontUcs4(FirstMissing));
    const QString names[] = {
        QStringLiteral("한국어 문서"),  // Hangul syllables
        QStringLiteral("韓國 文書"),    // Hanja, which code page 949 has too
    };
    for (const QString& name : names) {
        const QImage shown = screenWithOneFile(name);
        ASSERT_FALSE(shown.isNull()) << name.toStdString();
        EXPECT_TRUE(shown != screenWithOneFile(missingLike(name))) << name.toStdString() << " is drawn as empty boxes";
    }
}

}  // namespace
