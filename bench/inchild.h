#ifndef CALORIVECTRIX_BENCH_INCHILD_H
#define CALORIVECTRIX_BENCH_INCHILD_H

// A benchmark case run in a child process, so that its peak memory and processor time are
// its own and a case that runs out of memory does not end the whole benchmark.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `work` in a child; its result (a plain struct) comes back through a pipe, and the
// child's processor time and peak resident memory into `usage` when one is given.
template <class Work, class Outcome>
bool InChild(Work work, Outcome& outcome, rusage* usage = nullptr) {
  int fds[2];
  if (pipe(fds) != 0)
    return false;
  const pid_t child = fork();
  if (child < 0)
    return false;
  if (child == 0) {
    close(fds[0]);
    const Outcome result = work();
    const ssize_t written = write(fds[1], &result, sizeof result);
    _exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
  }
  close(fds[1]);
  const ssize_t got = read(fds[0], &outcome, sizeof outcome);
  close(fds[0]);
  int status = 0;
  rusage ignored{};
  if (wait4(child, &status, 0, usage ? usage : &ignored) != child ||
      got != static_cast<ssize_t>(sizeof outcome))
    return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#endif  // CALORIVECTRIX_BENCH_INCHILD_H
