#include "app/SingleInstance.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Points the runtime folder (through XDG_RUNTIME_DIR, or the temporary folder when unset) into
// a folder of the test, and puts both variables back afterwards.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"})
            m_saved.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qputenv("TMPDIR", QFile::encodeName(m_folder.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_folder.path()));
    }
    void TearDown() override
    {
        for (const Saved& saved : m_saved) {
            if (saved.set)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }

    struct Saved {
        const char* name;
        bool set;
        QByteArray value;
    };
    QTemporaryDir m_folder;
    QList<Saved> m_saved;
};

mode_t modeOf(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST_F(SingleInstanceTest, WithoutXdgRuntimeDirOnlyAPrivateFolderOfOursIsUsed)
{
    qunsetenv("XDG_RUNTIME_DIR");
    const QString base = m_folder.filePath(QStringLiteral("fennick-%1").arg(::geteuid()));
    ASSERT_EQ(SingleInstance::runtimeFolder(), base + QStringLiteral("/fennick"));

    // Made by us: private, and the lock is taken.
    {
        SingleInstance instance;
        QString error;
        EXPECT_EQ(instance.acquire(&error), SingleInstance::Role::First) << error.toStdString();
        EXPECT_EQ(modeOf(base), 0700u);
        EXPECT_EQ(modeOf(SingleInstance::runtimeFolder()), 0700u);
    }
    ASSERT_TRUE(QDir(base).removeRecursively());

    const QString elsewhere = m_folder.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_EQ(::chmod(QFile::encodeName(elsewhere).constData(), 0700), 0);
    const QByteArray baseName = QFile::encodeName(base);
    const struct {
        const char* planted;
        std::function<bool()> plant;
        const char* why;
    } refused[] = {
        {"a folder left open to everybody", [&] { return ::mkdir(baseName.constData(), 0700) == 0 && ::chmod(baseName.constData(), 0777) == 0; },
         "has mode 0777"},
        {"a folder others may read", [&] { return ::mkdir(baseName.constData(), 0700) == 0 && ::chmod(baseName.constData(), 0750) == 0; },
         "has mode 0750"},
        {"a link to a private folder", [&] { return QFile::link(elsewhere, base); }, "is a link"},
        {"a file", [&] { QFile file(base); return file.open(QIODevice::WriteOnly); }, "is not a folder"},
        {"a folder of another user",
         [&] { return ::geteuid() == 0 && ::mkdir(baseName.constData(), 0700) == 0 && ::chown(baseName.constData(), 65534, 65534) == 0; },
         "belongs to user 65534"},
    };
    for (const auto& row : refused) {
        if (!row.plant()) {
            // Only root can give a folder to another user.
            EXPECT_NE(::geteuid(), 0u) << row.planted;
            continue;
        }
        SingleInstance instance;
        QString error;
        EXPECT_EQ(instance.acquire(&error), SingleInstance::Role::Failed) << row.planted;
        EXPECT_TRUE(error.contains(base)) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(row.why))) << error.toStdString();
        // Nothing was made in it.
        EXPECT_FALSE(QFileInfo::exists(SingleInstance::runtimeFolder())) << row.planted;
        EXPECT_FALSE(QFileInfo::exists(elsewhere + QStringLiteral("/fennick"))) << row.planted;
        QFile::remove(base);
        QDir(base).removeRecursively();
    }
}

TEST_F(SingleInstanceTest, TheRuntimeFolderItselfMustBeOursAndPrivate)
{
    const QString folder = SingleInstance::runtimeFolder();
    ASSERT_EQ(folder, m_folder.filePath(QStringLiteral("fennick")));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    SingleInstance instance;
    QString error;
    EXPECT_EQ(instance.acquire(&error), SingleInstance::Role::Failed);
    EXPECT_TRUE(error.contains(folder) && error.contains(QStringLiteral("0777"))) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder + u'/' + SingleInstance::Identifier + QStringLiteral(".lock")));

    // XDG_RUNTIME_DIR naming a folder that is not there.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_folder.filePath(QStringLiteral("missing"))));
    EXPECT_EQ(instance.acquire(&error), SingleInstance::Role::Failed);
    EXPECT_TRUE(error.contains(QStringLiteral("cannot make the folder"))) << error.toStdString();
}

// Runs the event loop until `done` says so, or a generous bound passes (then the test fails
// on its own assertions).
void runUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
}

TEST_F(SingleInstanceTest, ALineLongerThanTheLimitDropsTheConnection)
{
    SingleInstance instance;
    QString error;
    ASSERT_EQ(instance.acquire(&error), SingleInstance::Role::First) << error.toStdString();
    ASSERT_TRUE(instance.listen(&error)) << error.toStdString();
    QList<qint64> handOffs;
    QObject::connect(&instance, &SingleInstance::handOffPosted, [&](qint64 bytes) { handOffs << bytes; });

    // "handoff 12" padded with zeros to exactly the limit, newline included, is still read.
    const QByteArray longest = "handoff " + QByteArray::number(12).rightJustified(SingleInstance::MaxLineBytes - 9, '0') + '\n';
    ASSERT_EQ(longest.size(), SingleInstance::MaxLineBytes);
    const struct {
        QByteArray sent;
        bool dropped;
    } rows[] = {
        {longest, false},
        {"handoff 0" + longest, true},                        // one byte more
        {QByteArray(64 * 1024, 'x'), true},                   // no newline at all
        {"raise\n" + QByteArray(1000, ' ') + "handoff 7\n", true},
    };
    for (const auto& row : rows) {
        handOffs.clear();
        QLocalSocket client;
        client.connectToServer(SingleInstance::socketName());
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write(row.sent);
        client.write("handoff 5\n");  // a well-formed line after it
        if (row.dropped) {
            runUntil([&] { return client.state() == QLocalSocket::UnconnectedState; });
            EXPECT_EQ(client.state(), QLocalSocket::UnconnectedState) << row.sent.left(80).toStdString();
            EXPECT_TRUE(handOffs.isEmpty()) << row.sent.left(80).toStdString();
        } else {
            runUntil([&] { return handOffs.size() == 2; });
            EXPECT_EQ(handOffs, QList<qint64>({12, 5}));
            EXPECT_EQ(client.state(), QLocalSocket::ConnectedState);
        }
    }
}

}  // namespace
