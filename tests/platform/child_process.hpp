#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <string>

namespace torvane::test {

// The ordinary user tests run as where they need permissions to apply: root
// may read and write any file whatever its mode, and CI runs as root.
inline constexpr uid_t kNobody = 65534;

struct ChildReport {
  enum class Outcome { Finished, Skipped, Died };
  Outcome outcome;
  std::string text;  // what the body returned, or why it was skipped or died
};

// Runs `body` (a callable returning std::string) in a forked child and gives
// back what it returned. With `as_ordinary_user`, a child of root first
// becomes `nobody`; where that is impossible the report says Skipped. The
// child ends with _exit, so nothing of the test program runs twice.
template <typename Body>
ChildReport RunInChild(Body body, bool as_ordinary_user = false) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return {ChildReport::Outcome::Died, "no pipe"};
  const pid_t child = ::fork();
  if (child < 0) return {ChildReport::Outcome::Died, "no fork"};
  if (child == 0) {
    ::close(pipe_fds[0]);
    const auto send = [&](const std::string& text, int status) {
      for (std::size_t sent = 0; sent < text.size();) {
        const ssize_t n = ::write(pipe_fds[1], text.data() + sent, text.size() - sent);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      ::_exit(status);
    };
    if (as_ordinary_user && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      send("cannot become the ordinary user nobody", 77);
    }
    try {
      send(body(), 0);
    } catch (const std::exception& error) {
      send(std::string("exception: ") + error.what(), 1);
    } catch (...) {
      send("unknown exception", 1);
    }
  }
  ::close(pipe_fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {ChildReport::Outcome::Finished, text};
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return {ChildReport::Outcome::Skipped, text};
  return {ChildReport::Outcome::Died, text.empty() ? "status " + std::to_string(status) : text};
}

}  // namespace torvane::test

// Skips the test where the child could not drop root, and fails it where
// the child died; otherwise the report's text is what the body returned.
#define TORVANE_EXPECT_CHILD_FINISHED(report)                                      \
  do {                                                                              \
    if ((report).outcome == ::torvane::test::ChildReport::Outcome::Skipped) {       \
      GTEST_SKIP() << (report).text;                                                \
    }                                                                               \
    ASSERT_EQ((report).outcome, ::torvane::test::ChildReport::Outcome::Finished)    \
        << (report).text;                                                           \
  } while (false)
