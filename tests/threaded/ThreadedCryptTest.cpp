// Cancel on the progress page of an encryption and of a decryption, pressed while the worker
// is inside a large file: the file that was to be replaced stays as it was, and nothing else
// is left. The work runs on a worker thread, hence this binary.
#include "FaultyFileSystem.h"
#include "FileContent.h"
#include "TemporaryRegistry.h"

#include "app/MainFrame.h"
#include "crypt/CrfFile.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/JobDialog.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "tree/FolderTree.h"

#include <QApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(ThreadedCrypt, CancelWithinALargeFileLeavesEveryFileAsItWas)
{
    for (const bool encrypting : {true, false}) {
        SCOPED_TRACE(encrypting ? "encrypting" : "decrypting");
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        TemporaryRegistry registry;
        TestDialogs::reset();
        const auto file = [&](const char* name) { return folder.filePath(QString::fromLatin1(name)); };
        QByteArray content(4 * CrfFile::Piece, '\0');
        QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(content.data()), content.size() / 4);
        ASSERT_TRUE(FileContent::write(file("big.bin"), content));
        FaultyFileSystem fileSystem(QFile::encodeName(folder.path()));
        platform::OpenFolder root;
        ASSERT_EQ(fileSystem.openFolder(QStringLiteral("\\"), root), platform::FsError::None);
        // The answered password dialog hands over an empty password, which is a password too.
        ASSERT_EQ(CrfFile::encrypt(fileSystem, root, QStringLiteral("big.bin"), root, QStringLiteral("big.crf"), QString(),
                                   false, nullptr).outcome, CrfFile::Outcome::Done);
        // The file to be replaced holds something that the job would not write.
        ASSERT_TRUE(FileContent::write(file(encrypting ? "big.crf" : "big.bin"), "older"));
        const QByteArray bin = FileContent::read(file("big.bin"));
        const QByteArray crf = FileContent::read(file("big.crf"));

        MainFrame frame(fileSystem);
        ASSERT_TRUE(frame.create());
        frame.resize(240, 320);
        frame.reveal(encrypting ? QStringLiteral("\\big.bin") : QStringLiteral("\\big.crf"));
        // The dialog's Done, then Yes to replacing the file of the output's name.
        TestDialogs::answerNext(Cmd::Ok);
        TestDialogs::answerNext(Cmd::Yes);
        fileSystem.gateReads = true;
        bool cancelled = false;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            auto* page = qobject_cast<JobDialog*>(QApplication::activeModalWidget());
            if (!cancelled && page && page->isVisible() && fileSystem.readsWaiting > 0) {
                cancelled = true;
                page->softKeyBar()->press(SoftKeyBar::Left);  // Cancel
                fileSystem.releaseReads = true;
            }
        });
        watcher.start(20);
        frame.dispatch(Cmd::Encrypt);
        watcher.stop();

        EXPECT_TRUE(cancelled);
        EXPECT_EQ(TestDialogs::pendingAnswers(), 0);
        // Nothing to tell after a Cancel.
        for (const TestDialogs::Shown& shown : TestDialogs::shownHistory())
            EXPECT_NE(shown.caption, QStringLiteral("An error occured")) << shown.text.toStdString();
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  (QStringList{QStringLiteral("big.bin"), QStringLiteral("big.crf")}));
        EXPECT_TRUE(FileContent::read(file("big.bin")) == bin);
        EXPECT_TRUE(FileContent::read(file("big.crf")) == crf);
        TestDialogs::reset();
    }
}

}  // namespace
