// Runs a piece of a test as an ordinary user, so behaviour that depends on permissions is
// proven even though the tests themselves run as root.
#pragma once

#include <functional>
#include <string>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testutil {

inline constexpr unsigned kNobodyId = 65534;

// Calls fn in a forked child that has dropped to uid/gid 65534 (when started as root; an
// ordinary user already is one) and returns the text fn returned. A child that could not
// drop its privileges or did not end normally yields a text starting with "<child".
inline std::string RunAsNobody(const std::function<std::string()>& fn) {
    int fds[2];
    if (pipe(fds) != 0)
        return "<child: no pipe>";
    const pid_t pid = fork();
    if (pid < 0)
        return "<child: no fork>";
    if (pid == 0) {
        close(fds[0]);
        std::string out;
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(kNobodyId, kNobodyId, kNobodyId) != 0 ||
             setresuid(kNobodyId, kNobodyId, kNobodyId) != 0))
            out = "<child: cannot drop privileges>";
        else
            out = fn();
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0)
                break;
            done += std::size_t(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, std::size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "<child: ended abnormally>";
    return out;
}

}  // namespace testutil
