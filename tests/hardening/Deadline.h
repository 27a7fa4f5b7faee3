#pragma once

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace texkit2::testing {

// Runs `body` in a child process that is killed after a while, so that a call that blocks
// fails the test instead of hanging the suite. True when the child exited with status 0.
inline bool inChildWithDeadline(const std::function<bool()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(30);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace texkit2::testing
