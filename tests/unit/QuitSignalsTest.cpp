#include "app/QuitSignals.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace {

// A program whose thread is stuck in a system call (here the open of a named pipe that no
// writer ever opens) cannot take the orderly way out, which waits for that thread; a quit
// signal must still end it, with the exit code of the signal.
TEST(QuitSignals, AQuitSignalEndsTheProgramEvenWhenItIsStuckInASystemCall)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray pipePath = QFile::encodeName(folder.filePath(QStringLiteral("never-written")));
    ASSERT_EQ(::mkfifo(pipePath.constData(), 0600), 0);
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            QuitSignals quitSignals;
            if (!quitSignals.isValid())
                _exit(2);
            const char byte = 1;
            if (::write(ready[1], &byte, 1) != 1)
                _exit(3);
            ::open(pipePath.constData(), O_RDONLY);  // waits for a writer that never comes
            _exit(4);
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ASSERT_EQ(::kill(child, signalNumber), 0);
        // Bounded: a child that is still there after a minute never ends by itself.
        int status = 0;
        pid_t ended = 0;
        for (int i = 0; i < 1200 && ended == 0; ++i) {
            ended = ::waitpid(child, &status, WNOHANG);
            if (ended == 0)
                ::usleep(50 * 1000);
        }
        if (ended == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "the stuck program did not end after the signal";
            continue;
        }
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 128 + signalNumber);
    }
}

}  // namespace
