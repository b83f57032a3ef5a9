// The associations of HKEY_CLASSES_ROOT as the file type manager reads, checks, writes and
// deletes them.
#include "PeBuilder.h"
#include "TemporaryRegistry.h"

#include "settings/FileTypes.h"
#include "filetypes/OpenWithList.h"
#include "filetypes/TypeIcons.h"
#include "filetypes/FileTypeCommands.h"
#include "tree/TreeImageList.h"

#include <QFile>
#include <QTemporaryDir>
#include "resources/StringTable.h"

#include <gtest/gtest.h>

namespace {

using platform::Hive;

const QString Default = QStringLiteral("");

void put(const QString& key, const QString& text)
{
    ASSERT_TRUE(RegKey(Hive::ClassesRoot, key).writeString(Default, text));
}

bool keyExists(const QString& path)
{
    platform::RegistryStore::KeyId key = 0;
    return RegKey::store()->openKey(Hive::ClassesRoot, path, false, key);
}

TEST(FileTypes, ListingShowsEveryUnprotectedExtensionAndCreatesNothing)
{
    TemporaryRegistry registry;
    put(QStringLiteral(".txt"), QStringLiteral("txtfile"));
    put(QStringLiteral("txtfile"), QStringLiteral("Text"));
    put(QStringLiteral("txtfile\\Shell\\Open\\Command"), QStringLiteral("\"/bin/ed\" %1"));
    put(QStringLiteral("txtfile\\DefaultIcon"), QStringLiteral("/bin/ed,-1"));
    ASSERT_TRUE(RegKey(Hive::ClassesRoot, QStringLiteral("txtfile")).writeDword(QStringLiteral("EditFlags"), 0x10000));
    put(QStringLiteral(".EXE"), QStringLiteral("exefile"));
    put(QStringLiteral(".Cab"), QStringLiteral("cabfile"));
    put(QStringLiteral("notanextension"), QStringLiteral("x"));
    put(QStringLiteral(".bare"), QStringLiteral("bareclass"));  // a class key that does not exist
    ASSERT_TRUE(RegKey(Hive::ClassesRoot, QStringLiteral(".odd")).writeDword(Default, 7));  // a number for a name
    ASSERT_TRUE(RegKey(Hive::ClassesRoot, QStringLiteral(".flags")).writeString(Default, QStringLiteral("flagclass")));
    ASSERT_TRUE(RegKey(Hive::ClassesRoot, QStringLiteral("flagclass")).writeString(QStringLiteral("EditFlags"), QStringLiteral("65536")));

    const QList<FileType> types = FileTypes::list();
    QStringList listed;
    for (const FileType& type : types)
        listed << type.extension + u'=' + type.className + u'|' + type.description + u'|' + type.command + u'|'
                      + type.icon + u'|' + type.acceptDownload;
    EXPECT_EQ(listed, (QStringList{QStringLiteral(".txt=txtfile|Text|\"/bin/ed\" %1|/bin/ed,-1|1"),
                                   QStringLiteral(".bare=bareclass||||0"), QStringLiteral(".odd=||||0"),
                                   QStringLiteral(".flags=flagclass||||0")}));
    EXPECT_FALSE(keyExists(QStringLiteral("bareclass")));
    EXPECT_FALSE(keyExists(QStringLiteral("flagclass\\DefaultIcon")));
}

TEST(FileTypes, ThePageIsCheckedInTheOrderTheUserIsTold)
{
    const struct {
        bool hasIcon;
        const char* extension;
        const char* command;
        int problem;
        const char* savedAs;
    } cases[] = {
        {false, "", "", Str::FileTypeNoIcon, ""},
        {true, "", "x", Str::FileTypeNoExtension, ""},
        {true, ".", "x", Str::FileTypeNoExtension, "."},
        {true, "a\\b", "x", Str::FileTypeNoExtension, ".a\\b"},
        {true, "Exe", "", Str::FileTypeProtected, ".Exe"},
        {true, ".HME", "x", Str::FileTypeProtected, ".HME"},
        {true, "txt", "", Str::FileTypeNoCommand, ".txt"},
        {true, "txt", "ed %1", 0, ".txt"},
        {true, ".tar", "ed %1", 0, ".tar"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.extension);
        QString extension = QString::fromUtf8(entry.extension);
        EXPECT_EQ(FileTypes::check(entry.hasIcon, extension, QString::fromUtf8(entry.command)), entry.problem);
        if (entry.hasIcon) {
            EXPECT_EQ(extension, QString::fromUtf8(entry.savedAs));
        }
    }
}

TEST(FileTypes, SavingMakesTheDefaultsAndKeepsASharedClass)
{
    TemporaryRegistry registry;
    FileType added;
    added.extension = QStringLiteral(".TXT");
    added.command = QStringLiteral("\"/bin/ed\" %1");
    added.icon = QStringLiteral("/bin/ed,-1");
    added.acceptDownload = QStringLiteral("1");
    ASSERT_TRUE(FileTypes::save(added));
    EXPECT_EQ(added.className, QStringLiteral("TXTFile"));
    EXPECT_EQ(added.description, QStringLiteral("TXT File"));
    EXPECT_EQ(RegKey(Hive::ClassesRoot, QStringLiteral(".txt")).readString(Default), QStringLiteral("TXTFile"));
    EXPECT_EQ(RegKey(Hive::ClassesRoot, QStringLiteral("TXTFile")).readDword(QStringLiteral("EditFlags"), 0), 0x10000u);
    EXPECT_EQ(RegKey(Hive::ClassesRoot, QStringLiteral("TXTFile\\DefaultIcon")).readString(Default), added.icon);

    // Another extension of the same class keeps it; the class's values are overwritten.
    put(QStringLiteral(".text"), QStringLiteral("TXTFile"));
    FileType shared;
    shared.extension = QStringLiteral(".text");
    shared.description = QStringLiteral("Plain text");
    shared.command = QStringLiteral("\"/bin/vi\" %1");
    shared.icon = QStringLiteral("/bin/vi,-1");
    ASSERT_TRUE(FileTypes::save(shared));
    EXPECT_EQ(shared.className, QStringLiteral("TXTFile"));
    EXPECT_EQ(RegKey(Hive::ClassesRoot, QStringLiteral("TXTFile")).readString(Default), QStringLiteral("Plain text"));
    EXPECT_EQ(RegKey(Hive::ClassesRoot, QStringLiteral("TXTFile\\Shell\\Open\\Command")).readString(Default), shared.command);
    EXPECT_EQ(RegKey(Hive::ClassesRoot, QStringLiteral("TXTFile")).readDword(QStringLiteral("EditFlags"), 0), 0u);

    // Deleting removes the extension with its sub-keys, and the class only when asked.
    ASSERT_TRUE(FileTypes::removeExtension(QStringLiteral(".TEXT")));
    EXPECT_FALSE(keyExists(QStringLiteral(".text")));
    EXPECT_TRUE(keyExists(QStringLiteral("TXTFile")));
    EXPECT_FALSE(FileTypes::removeExtension(QStringLiteral(".text")));
    EXPECT_FALSE(FileTypes::removeClass(QString()));
    ASSERT_TRUE(FileTypes::removeClass(QStringLiteral("TXTFile")));
    EXPECT_FALSE(keyExists(QStringLiteral("TXTFile\\DefaultIcon")));
}

TEST(FileTypes, IconStringsSplitIntoModuleAndNumber)
{
    const struct {
        const char* icon;
        const char* module;
        const char* number;
    } cases[] = {
        {"\\Windows\\app.exe,-101", "\\Windows\\app.exe", "101"},
        {"\"/usr/bin/fennick\",-123", "\"/usr/bin/fennick\"", "123"},
        {"/bin/app, -7 ", "/bin/app", "7"},
        {"/bin/app,5", "/bin/app", "5"},
        {"/bin/app", "/bin/app", ""},
        {",-3", ",-3", ""},  // a comma first is part of the module
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.icon);
        QString module;
        QString number;
        FileTypes::splitIcon(QString::fromUtf8(entry.icon), module, number);
        EXPECT_EQ(module, QString::fromUtf8(entry.module));
        EXPECT_EQ(number, QString::fromUtf8(entry.number));
    }
    EXPECT_EQ(FileTypes::iconString(QStringLiteral("/bin/app"), QStringLiteral("3")), QStringLiteral("/bin/app,-3"));
}

TEST(OpenWithList, ValuesOfAnyNameAreReadAndRewrittenInOrder)
{
    TemporaryRegistry registry;
    const QString key = QStringLiteral("Software\\Corvane\\Fennick\\OpenWith");
    registry.putRaw(key, QStringLiteral("Zeta"), {platform::RegType::String, RegKey::encodeString(QStringLiteral("/bin/b"))});
    registry.putRaw(key, QStringLiteral("App7"), {platform::RegType::String, RegKey::encodeString(QStringLiteral(""))});
    registry.putRaw(key, QStringLiteral("App0"), {platform::RegType::String, RegKey::encodeString(QStringLiteral("/bin/a"))});
    registry.putRaw(key, QStringLiteral("App1"), {platform::RegType::Dword, RegKey::encodeDword(0x2f)});  // "/" as a number
    EXPECT_EQ(OpenWithList::load(), (QStringList{QStringLiteral("/bin/b"), QStringLiteral("/bin/a")}));

    ASSERT_TRUE(OpenWithList::save({QStringLiteral("/bin/a"), QStringLiteral("/bin/c"), QStringLiteral("/bin/a")}));
    EXPECT_EQ(OpenWithList::load(), (QStringList{QStringLiteral("/bin/a"), QStringLiteral("/bin/c"), QStringLiteral("/bin/a")}));
    EXPECT_EQ(registry.raw(key, QStringLiteral("Zeta")).type, 0u);
    EXPECT_EQ(registry.raw(key, QStringLiteral("App2")).data, RegKey::encodeString(QStringLiteral("/bin/a")));
}

TEST(TypeIcons, TheTreeShowsTheIconATypeNamesLookedUpOncePerRun)
{
    TemporaryRegistry registry;
    QTemporaryDir folder;
    const QString dll = folder.filePath(QStringLiteral("icons.dll"));
    QFile out(dll);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(PeBuilder().icon(1, 16, 0xffff0000).group(9, {1}).bytes());
    out.close();
    put(QStringLiteral(".pic"), QStringLiteral("PicFile"));
    put(QStringLiteral("PicFile\\DefaultIcon"), dll + QStringLiteral(",-9"));
    put(QStringLiteral(".odd"), QStringLiteral("OddFile"));
    put(QStringLiteral("OddFile\\DefaultIcon"), dll + QStringLiteral(",-8"));  // a number the module lacks
    QString key;
    EXPECT_FALSE(TypeIcons::iconFor(QStringLiteral("PIC"), key).isNull());
    EXPECT_EQ(key, dll + QStringLiteral(",-9"));
    EXPECT_TRUE(TypeIcons::iconFor(QStringLiteral("odd"), key).isNull());
    EXPECT_TRUE(TypeIcons::iconFor(QStringLiteral("none"), key).isNull());

    TreeImageList images;
    int lookUps = 0;
    images.setTypeIconSource([&](const QString& extension, QString& iconKey) {
        ++lookUps;
        return TypeIcons::iconFor(extension, iconKey);
    });
    images.beginPopulation();
    const int picture = images.fileImage(QStringLiteral("a.pic"));
    EXPECT_EQ(images.iconName(picture), dll + QStringLiteral(",-9"));
    EXPECT_NE(images.iconName(images.fileImage(QStringLiteral("b.odd"))), dll + QStringLiteral(",-8"));
    images.endPopulation();
    // A type changed while the program runs keeps its first icon until the next start.
    put(QStringLiteral("PicFile\\DefaultIcon"), QStringLiteral("/nothing,-1"));
    images.beginPopulation();
    EXPECT_EQ(images.fileImage(QStringLiteral("c.PIC")), picture);
    images.endPopulation();
    EXPECT_EQ(lookUps, 2);
}

TEST(FileTypeCommands, TheExtensionOpenWithOffersComesFromTheNameAlone)
{
    const struct {
        const char* path;
        const char* extension;
    } cases[] = {
        {"\\Docs\\photo.JPG", "JPG"},
        {"\\Docs\\archive.tar.gz", "gz"},
        {"\\my.folder\\README", ""},   // a dot in a folder's name is not the file's
        {"\\Docs\\.profile", ""},      // a hidden name, not an extension
        {"\\Docs\\end.", ""},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(FileTypeCommands::extensionOf(QString::fromUtf8(entry.path)), QString::fromUtf8(entry.extension)) << entry.path;
}

}  // namespace
