#pragma once

// Runs a test body in a child process as the user "nobody", where permission bits hold (root
// passes them all).

#include <functional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace OrdinaryUser {

// The child's exit code when it cannot leave root (the test then skips).
constexpr int Unavailable = 99;
constexpr uid_t Id = 65534;

// The child's exit code, or Unavailable, or -1 when it did not end normally.
inline int run(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(Id) != 0 || setuid(Id) != 0))
            _exit(Unavailable);
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace OrdinaryUser
