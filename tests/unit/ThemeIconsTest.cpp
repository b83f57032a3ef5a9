#include "resources/ThemeIcons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

// A PNG file of one colour, written byte by byte: Qt's writer would itself ask every
// image-format plugin whether it writes PNG, and load them all.
QByteArray pngOf(int side, QRgb colour)
{
    const auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray bytes(4, '\0');
        qToBigEndian(static_cast<quint32>(data.size()), bytes.data());
        const QByteArray body = QByteArray(type, 4) + data;
        QByteArray crc(4, '\0');
        qToBigEndian(static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(body.constData()),
                                                static_cast<uInt>(body.size()))),
                     crc.data());
        return bytes + body + crc;
    };
    QByteArray header(13, '\0');
    qToBigEndian(static_cast<quint32>(side), header.data());
    qToBigEndian(static_cast<quint32>(side), header.data() + 4);
    header[8] = 8;  // bits per sample
    header[9] = 6;  // RGBA
    QByteArray rows;
    for (int y = 0; y < side; ++y) {
        rows.append('\0');  // no filter
        for (int x = 0; x < side; ++x)
            rows.append(static_cast<char>(qRed(colour)))
                .append(static_cast<char>(qGreen(colour)))
                .append(static_cast<char>(qBlue(colour)))
                .append(static_cast<char>(qAlpha(colour)));
    }
    QByteArray packed(static_cast<qsizetype>(compressBound(static_cast<uLong>(rows.size()))), '\0');
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(rows.constData()),
             static_cast<uLong>(rows.size()));
    packed.resize(static_cast<qsizetype>(packedSize));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", packed)
           + chunk("IEND", QByteArray());
}

// The image-format plugins this process has loaded.
QSet<QString> loadedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    QSet<QString> plugins;
    if (!maps.open(QIODevice::ReadOnly))
        return plugins;
    for (const QByteArray& line : maps.readAll().split('\n'))
        if (line.contains("/imageformats/"))
            plugins.insert(QString::fromUtf8(line.mid(line.indexOf('/'))));
    return plugins;
}

// A theme of the test's own ("Fixture", inheriting "Parent", with hicolor after both) in a
// folder of its own, the only place themes are looked for while the test runs.
class ThemeIconsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_savedPaths = QIcon::themeSearchPaths();
        m_savedTheme = QIcon::themeName();
        m_savedFallback = QIcon::fallbackThemeName();
        m_savedFallbackPaths = QIcon::fallbackSearchPaths();
        writeTheme(QStringLiteral("Fixture"),
                   "[Icon Theme]\nName=Fixture\nInherits=Parent\n"
                   "Directories=16x16/mimetypes,32x32/mimetypes,48x48/legacy,scalable/apps\n\n"
                   "[16x16/mimetypes]\nSize=16\nType=Fixed\n\n"
                   "[32x32/mimetypes]\nSize=32\nType=Threshold\n\n"
                   "[48x48/legacy]\nSize=48\nType=Fixed\n\n"
                   "[scalable/apps]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        writeTheme(QStringLiteral("Parent"), "[Icon Theme]\nName=Parent\nDirectories=24x24/places\n\n"
                                             "[24x24/places]\nSize=24\nType=Fixed\n");
        writeTheme(QStringLiteral("hicolor"), "[Icon Theme]\nName=hicolor\nDirectories=22x22/apps\n\n"
                                              "[22x22/apps]\nSize=22\nType=Fixed\n");
        writeFile(QStringLiteral("Fixture/16x16/mimetypes/fennick-page.png"), pngOf(16, 0xffff0000));
        writeFile(QStringLiteral("Fixture/32x32/mimetypes/fennick-page.png"), pngOf(32, 0xff00ff00));
        writeFile(QStringLiteral("Fixture/48x48/legacy/fennick-page.png"), pngOf(48, 0x800000ff));
        writeFile(QStringLiteral("Parent/24x24/places/fennick-place.png"), pngOf(24, 0xff808000));
        writeFile(QStringLiteral("hicolor/22x22/apps/fennick-app.png"), pngOf(22, 0xff008080));
        writeFile(QStringLiteral("Fixture/16x16/mimetypes/fennick-drawn.png"), pngOf(16, 0xff000080));
        writeFile(QStringLiteral("Fixture/scalable/apps/fennick-drawn.svg"),
                  "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
                  "<rect width='16' height='16' fill='#804000'/></svg>");
        QIcon::setThemeSearchPaths({m_folder.path()});
        QIcon::setThemeName(QStringLiteral("Fixture"));
        QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
        writeFile(QStringLiteral("pixmaps/fennick-loose.png"), pngOf(16, 0xff404040));
        QIcon::setFallbackSearchPaths({m_folder.filePath(QStringLiteral("pixmaps"))});
    }
    void TearDown() override
    {
        QIcon::setThemeSearchPaths(m_savedPaths);
        QIcon::setThemeName(m_savedTheme);
        QIcon::setFallbackThemeName(m_savedFallback);
        QIcon::setFallbackSearchPaths(m_savedFallbackPaths);
    }

    void writeTheme(const QString& name, const char* index)
    {
        writeFile(name + QStringLiteral("/index.theme"), index);
    }
    void writeFile(const QString& relative, const QByteArray& bytes)
    {
        const QString path = m_folder.filePath(relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir m_folder;
    QStringList m_savedPaths;
    QString m_savedTheme;
    QString m_savedFallback;
    QStringList m_savedFallbackPaths;
};

TEST_F(ThemeIconsTest, APngIconIsReadWithoutLoadingAnyImageFormatPlugin)
{
    const QSet<QString> before = loadedImagePlugins();
    const QIcon icon = ThemeIcons::fromTheme(QStringLiteral("fennick-page"));
    const QImage image = icon.pixmap(16, 16).toImage();
    ASSERT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(image.pixel(8, 8), 0xffff0000u);
    const QSet<QString> loaded = loadedImagePlugins() - before;
    EXPECT_TRUE(loaded.isEmpty()) << QStringList(loaded.cbegin(), loaded.cend()).join(u' ').toStdString();
}

TEST_F(ThemeIconsTest, GivesTheSizesAndPixmapsOfQtsOwnThemeIcons)
{
    // Each name with what makes it differ: sizes of each directory type in the theme itself,
    // one found in a parent, one in hicolor alone, one with a scalable picture beside its PNG
    // file, one in a fallback search path alone, one that Qt finds under a shorter name only,
    // and one that no theme has.
    const char* names[] = {"fennick-page",  "fennick-place",      "fennick-app",    "fennick-drawn",
                           "fennick-loose", "fennick-page-extra", "fennick-missing"};
    const QIcon::Mode modes[] = {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected};
    for (const char* name : names) {
        const QIcon ours = ThemeIcons::fromTheme(QString::fromUtf8(name));
        const QIcon qts = QIcon::fromTheme(QString::fromUtf8(name));
        EXPECT_EQ(ThemeIcons::has(QString::fromUtf8(name)), QIcon::hasThemeIcon(QString::fromUtf8(name))) << name;
        EXPECT_EQ(ours.isNull(), qts.isNull()) << name;
        EXPECT_EQ(ours.availableSizes(), qts.availableSizes()) << name;
        for (int side : {8, 16, 20, 22, 24, 30, 32, 35, 40, 48, 64}) {
            EXPECT_EQ(ours.actualSize(QSize(side, side)), qts.actualSize(QSize(side, side))) << name << " " << side;
            for (const QIcon::Mode mode : modes) {
                const QImage mine = ours.pixmap(QSize(side, side), mode).toImage();
                const QImage theirs = qts.pixmap(QSize(side, side), mode).toImage();
                EXPECT_EQ(mine, theirs) << name << " " << side << " mode " << mode;
            }
        }
    }
}

}  // namespace

namespace {

// The theme the program names on this machine, with the index of icon names that GTK's tools
// make beside it, against Qt's reading of the same.
TEST(ThemeIcons, AgreeWithQtOnTheInstalledTheme)
{
    if (!QFile::exists(QStringLiteral("/usr/share/icons/Adwaita/index.theme")))
        GTEST_SKIP() << "the Adwaita icon theme is not installed";
    const QStringList savedPaths = QIcon::themeSearchPaths();
    const QString savedTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({QStringLiteral("/usr/share/icons")});
    QIcon::setThemeName(QStringLiteral("Adwaita"));
    for (const char* name : {"text-x-generic", "image-x-generic", "folder", "text-plain", "x-office-document",
                             "application-x-executable", "no-such-icon-anywhere"}) {
        const QString icon = QString::fromUtf8(name);
        EXPECT_EQ(ThemeIcons::has(icon), QIcon::hasThemeIcon(icon)) << name;
        const QIcon ours = ThemeIcons::fromTheme(icon);
        const QIcon qts = QIcon::fromTheme(icon);
        EXPECT_EQ(ours.availableSizes(), qts.availableSizes()) << name;
        for (int side : {16, 20, 32})
            EXPECT_EQ(ours.pixmap(side, side).toImage(), qts.pixmap(side, side).toImage()) << name << " " << side;
    }
    QIcon::setThemeSearchPaths(savedPaths);
    QIcon::setThemeName(savedTheme);
}

}  // namespace
