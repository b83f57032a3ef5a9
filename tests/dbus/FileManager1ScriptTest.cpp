// "Show in folder" from another program: while Fennick runs it owns org.freedesktop.FileManager1
// on the (private) session bus, and `gdbus call`, as any program would, asks it to show an item,
// open a folder or show Properties. URIs that are not files under the root are refused with a
// D-Bus error and change nothing. A file manager that owns the name first keeps it.
#include "MockService.h"
#include "ProgramFixture.h"

#include <QUrl>

namespace {

struct Answer {
    int exitCode = -1;
    QString said;  // what gdbus printed: the reply or the error
};

// Calls a method of org.freedesktop.FileManager1 with `gdbus`, as another program would.
Answer gdbusCall(const char* method, const QStringList& uris)
{
    QStringList quoted;
    for (const QString& uri : uris)
        quoted << u'\'' + uri + u'\'';
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                 QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("--object-path"),
                 QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("--method"),
                 QStringLiteral("org.freedesktop.FileManager1.") + QString::fromUtf8(method),
                 u'[' + quoted.join(u',') + u']', QStringLiteral("")});
    EXPECT_TRUE(gdbus.waitForFinished(-1));
    return {gdbus.exitCode(), QString::fromUtf8(gdbus.readAllStandardOutput() + gdbus.readAllStandardError())};
}

// The screens a playing program dumps, one at a time: each ends with its key bar's line.
class Dumps {
public:
    explicit Dumps(QProcess& process) : m_process(process) {}

    QString next()
    {
        const auto end = [this] {
            const qsizetype keys = m_out.indexOf(QStringLiteral("keys: ["));
            return keys < 0 ? qsizetype(-1) : m_out.indexOf(u'\n', keys);
        };
        while (end() < 0 && m_process.waitForReadyRead(-1))
            m_out += QString::fromUtf8(m_process.readAllStandardOutput());
        const qsizetype last = end() + 1;
        const QString dump = m_out.left(last);
        m_out.remove(0, last);
        return dump;
    }

private:
    QProcess& m_process;
    QString m_out;
};

class FileManager1Script : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.folder("Docs/Photos");
        program.file("Docs/report.txt");
        program.file("Docs/Photos/cat.jpg");
        program.file("zebra.txt");
    }
    QString uri(const char* relative) const
    {
        return QString::fromUtf8(QUrl::fromLocalFile(program.root() + u'/' + QString::fromUtf8(relative)).toEncoded());
    }

    ProgramFixture program;
};

TEST_F(FileManager1Script, AnotherProgramRevealsAnItemOpensAFolderAndShowsProperties)
{
    QProcess process;
    Dumps dumps(process);
    program.startPlaying(process, QStringLiteral(
        "wait idle\ndump\nwait input\n"           // the name is Fennick's
        "wait idle\ndump\nwait input\n"           // after the refused calls
        "wait idle\ndump\nwait input\n"           // after ShowFolders
        "wait idle\ndump\nwait input\n"           // after ShowItems
        "wait idle\ndump\n"                       // after ShowItemProperties
        "key F2\nwait idle\nkey F2\n"));
    const QString start = dumps.next();
    EXPECT_TRUE(start.contains(QStringLiteral("> + Docs"))) << start.toStdString();

    // Each is refused whole, one wrong URI with a right one too.
    const QStringList refused[] = {
        {QStringLiteral("file:///etc/passwd")},
        {QStringLiteral("https://example.org/zebra.txt")},
        {uri("Docs") + QStringLiteral("/../../outside.txt")},
        {uri("zebra.txt"), QStringLiteral("file:///etc/passwd")},
        {},
    };
    for (const QStringList& uris : refused) {
        const Answer answer = gdbusCall("ShowItems", uris);
        EXPECT_NE(answer.exitCode, 0) << uris.join(u' ').toStdString();
        EXPECT_TRUE(answer.said.contains(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs")))
            << answer.said.toStdString();
    }
    process.write("\n");
    const QString unchanged = dumps.next();
    EXPECT_TRUE(unchanged.contains(QStringLiteral("> + Docs"))) << unchanged.toStdString();

    const Answer folders = gdbusCall("ShowFolders", {uri("Docs")});
    EXPECT_EQ(folders.exitCode, 0) << folders.said.toStdString();
    process.write("\n");
    const QString opened = dumps.next();
    EXPECT_TRUE(opened.contains(QStringLiteral("> - Docs"))) << opened.toStdString();
    EXPECT_TRUE(opened.contains(QStringLiteral("report.txt"))) << opened.toStdString();

    const Answer items = gdbusCall("ShowItems", {uri("Docs/Photos/cat.jpg"), uri("zebra.txt")});
    EXPECT_EQ(items.exitCode, 0) << items.said.toStdString();
    process.write("\n");
    const QString revealed = dumps.next();
    EXPECT_TRUE(revealed.contains(QStringLiteral(">       cat.jpg"))) << revealed.toStdString();  // the first

    const Answer properties = gdbusCall("ShowItemProperties", {uri("zebra.txt")});
    EXPECT_EQ(properties.exitCode, 0) << properties.said.toStdString();
    process.write("\n");
    const QString page = dumps.next();
    EXPECT_TRUE(page.contains(QStringLiteral("== Properties =="))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("zebra.txt"))) << page.toStdString();

    ASSERT_TRUE(process.waitForFinished(-1));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

}  // namespace

namespace {

TEST_F(FileManager1Script, AFileManagerThatOwnsTheNameFirstKeepsIt)
{
    MockService other(MockService::Bus::Session, QStringLiteral(FENNICK_DBUS_TEMPLATES "/file_manager.py"),
                      QStringLiteral("org.freedesktop.FileManager1"));
    QProcess process;
    Dumps dumps(process);
    program.startPlaying(process, QStringLiteral("wait idle\ndump\nwait input\nwait idle\ndump\n"));
    (void)dumps.next();
    const Answer items = gdbusCall("ShowItems", {uri("zebra.txt")});
    EXPECT_EQ(items.exitCode, 0) << items.said.toStdString();
    process.write("\n");
    const QString after = dumps.next();
    EXPECT_FALSE(after.contains(QStringLiteral(">   zebra.txt"))) << after.toStdString();
    EXPECT_EQ(other.callsOf(QStringLiteral("ShowItems")).size(), 1);
    ASSERT_TRUE(process.waitForFinished(-1));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

}  // namespace
