#include "bench/ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace bench {

int runInChild(const std::function<int()>& work) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        int rc = 1;
        try {
            rc = work();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "olvarin-bench: %s\n", e.what());
        }
        std::fflush(stdout);
        std::fflush(stderr);
        std::exit(rc);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace bench
