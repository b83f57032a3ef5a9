#include "TemporaryRegistry.h"
#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"

#include <gtest/gtest.h>

#include <functional>

using platform::Hive;
using platform::RegValue;
namespace RegType = platform::RegType;
namespace Schema = SettingsSchema;

namespace {

// One setting as users' registries hold it, and what its typed read makes of the store, shown
// as text so that settings of every type share one table.
struct Row {
    QString what;
    Hive hive;
    QString path;
    QString name;
    RegValue writtenBack;              // what the first read leaves in an empty store
    QString defaultText;
    std::function<QString()> read;
    std::function<bool()> writeOther;  // a value that is not the default
    QString otherText;
    RegValue wrongType;                // stored by hand, of a type the setting does not have
    QString wrongTypeText;             // what a read makes of it
    RegValue afterWrongType;           // what the store holds after that read
};

Row number(const Schema::Setting<quint32>& setting, Hive hive, const QString& path, const QString& name, quint32 value)
{
    const RegValue written{RegType::Dword, RegKey::encodeDword(value)};
    return {name, hive, path, name, written, QString::number(value),
            [setting] { return QString::number(Schema::read(setting)); },
            [setting, value] { return Schema::write(setting, value + 7); }, QString::number(value + 7),
            // Eight bytes are too long for a number: the default is used and written over them.
            {RegType::String, RegKey::encodeString(QStringLiteral("abc"))}, QString::number(value), written};
}

Row flag(const Schema::Setting<bool>& setting, Hive hive, const QString& path, const QString& name, bool value)
{
    const auto text = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    const RegValue written{RegType::Dword, RegKey::encodeDword(value ? 1 : 0)};
    return {name, hive, path, name, written, text(value),
            [setting, text] { return text(Schema::read(setting)); },
            [setting, value] { return Schema::write(setting, !value); }, text(!value),
            {RegType::String, RegKey::encodeString(QStringLiteral("abc"))}, text(value), written};
}

Row string(const Schema::Setting<QStringView>& setting, Hive hive, const QString& path, const QString& name,
           const QString& value)
{
    // A string is read from the bytes of whatever type is stored, and nothing is written back.
    const RegValue number{RegType::Dword, RegKey::encodeDword(0x41)};
    return {name, hive, path, name, {RegType::String, RegKey::encodeString(value)}, value,
            [setting] { return Schema::read(setting); },
            [setting] { return Schema::write(setting, QStringLiteral("other")); }, QStringLiteral("other"),
            number, QStringLiteral("A"), number};
}

RegValue raw(Hive hive, const QString& path, const QString& name)
{
    platform::RegistryStore::KeyId key = 0;
    RegValue value;
    if (RegKey::store()->openKey(hive, path, false, key))
        (void)RegKey::store()->readValue(key, name, value);
    return value;
}

void putRaw(Hive hive, const QString& path, const QString& name, const RegValue& value)
{
    platform::RegistryStore::KeyId key = 0;
    ASSERT_TRUE(RegKey::store()->openKey(hive, path, true, key));
    ASSERT_TRUE(RegKey::store()->writeValue(key, name, value));
}

TEST(SettingsSchema, EverySettingKeepsItsKeyNameTypeAndDefault)
{
    const QString program = QStringLiteral("Software\\Corvane\\Fennick");
    const QString question = QStringLiteral("Software\\Microsoft\\Shell\\Rai\\:QuestionBox");
    const QString activeSync = QStringLiteral("Software\\Microsoft\\Inbox\\Svc\\ActiveSync");
    const Hive user = Hive::CurrentUser;
    const Hive machine = Hive::LocalMachine;
    const Row rows[] = {
        number(Schema::SortMode, user, program, QStringLiteral("SortMode"), 0),
        flag(Schema::MarksInBold, user, program, QStringLiteral("ShowBold"), true),
        flag(Schema::StatusHidden, user, program, QStringLiteral("HideStatus"), false),
        flag(Schema::ShowHidden, user, program, QStringLiteral("ShowHidden"), false),
        flag(Schema::CheckZipAssociation, user, program, QStringLiteral("CheckZip"), true),
        string(Schema::Composer, user, program, QStringLiteral("Composer"), QStringLiteral("xdg-email")),
        string(Schema::ReceiveAddress, user, program + QStringLiteral("\\Receive"), QStringLiteral("Address"), QStringLiteral("")),
        number(Schema::ReceivePort, user, program + QStringLiteral("\\Receive"), QStringLiteral("Port"), 6500),
        string(Schema::QuestionPicture, machine, question, QStringLiteral("BKBitmapFile"), QStringLiteral("")),
        number(Schema::QuestionPictureTransparent, machine, question, QStringLiteral("BKBitmapTransparent"), 0xFF00FF),
        string(Schema::ActiveSyncName, machine, activeSync, QStringLiteral("FriendlyName"), QStringLiteral("")),
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what.toStdString());
        TemporaryRegistry registry;
        ASSERT_TRUE(registry.isOpen());

        EXPECT_EQ(row.read(), row.defaultText);
        const RegValue written = raw(row.hive, row.path, row.name);
        EXPECT_EQ(written.type, row.writtenBack.type);
        EXPECT_EQ(written.data, row.writtenBack.data);

        ASSERT_TRUE(row.writeOther());
        EXPECT_EQ(row.read(), row.otherText);

        putRaw(row.hive, row.path, row.name, row.wrongType);
        EXPECT_EQ(row.read(), row.wrongTypeText);
        const RegValue after = raw(row.hive, row.path, row.name);
        EXPECT_EQ(after.type, row.afterWrongType.type);
        EXPECT_EQ(after.data, row.afterWrongType.data);
    }
}

}  // namespace
