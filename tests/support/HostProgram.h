#pragma once

// Runs a program of the host (a reader a test checks an archive with) to its end and gives how
// it ended and what it wrote.
//
// Started with posix_spawnp rather than QProcess: Qt starts a program from a child made by
// clone() with CLONE_VM, which runs in the test's own memory until it starts the program.
// ThreadSanitizer takes every clone() for a fork of a process with threads and, in that child,
// makes the thread ignore all locks from then on; sharing the memory, the test's thread that
// started the program ignores them too, and a hand-over it later takes under a mutex is
// reported as a race. posix_spawnp is followed by the checker as the spawn it is.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

struct HostProgram {
    bool started = false;
    int exitCode = -1;  // -1 when it did not end on its own
    QByteArray output;  // standard output
    QByteArray errors;  // standard error

    static HostProgram run(const QString& program, const QStringList& arguments)
    {
        HostProgram result;
        std::vector<QByteArray> words{QFile::encodeName(program)};
        for (const QString& argument : arguments)
            words.push_back(QFile::encodeName(argument));
        std::vector<char*> argv;
        for (QByteArray& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return result;
        if (::pipe2(err, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return result;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        pid_t pid = 0;
        result.started = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);

        // Both pipes are drained as they fill, so a program that writes much to one never waits
        // for the other to be read.
        pollfd ends[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        QByteArray* into[2] = {&result.output, &result.errors};
        int open = 2;
        while (open > 0) {
            if (::poll(ends, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            for (int i = 0; i < 2; ++i) {
                if (ends[i].fd < 0 || ends[i].revents == 0)
                    continue;
                char buffer[65536];
                const ssize_t got = ::read(ends[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    into[i]->append(buffer, got);
                } else if (got == 0 || errno != EINTR) {
                    ::close(ends[i].fd);
                    ends[i].fd = -1;
                    --open;
                }
            }
        }
        for (const pollfd& end : ends)
            if (end.fd >= 0)
                ::close(end.fd);
        if (result.started) {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return result;
    }
};
