// Running a piece of a test in a forked child under resource limits (file
// size, address space), reporting through the exit status. The limits are
// soft ones, lifted again before the child ends so that coverage data, when
// the build collects it, can still be written.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#ifdef KORIMO_COVERAGE_BUILD
extern "C" void __gcov_dump(void);
#endif

namespace korimo::test {

// Sets the soft limit of `resource` to `value` (the hard limit stays).
inline void SetSoftLimit(int resource, rlim_t value) {
  rlimit rl{};
  ::getrlimit(resource, &rl);
  rl.rlim_cur = value;
  ::setrlimit(resource, &rl);
}

// Forks; the child runs `body` and exits with its result. Returns the child's
// exit status (128 + n when killed by signal n).
inline int RunInChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int code = body();
    for (int resource : {RLIMIT_FSIZE, RLIMIT_AS}) {
      rlimit rl{};
      ::getrlimit(resource, &rl);
      rl.rlim_cur = rl.rlim_max;
      ::setrlimit(resource, &rl);
    }
#ifdef KORIMO_COVERAGE_BUILD
    __gcov_dump();  // _exit skips the handler that writes coverage data
#endif
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace korimo::test
