// The program's confinement on Linux, tried in child processes: what a
// confined process may still do, what it is refused, and that a process
// whose kernel refuses the filter still completes its run.
#include "app/confinement.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>

#include "program.hpp"

namespace {

// The child's exit status.
enum class Outcome { done = 0, refused = 1, failed = 2, unconfined = 3 };

[[noreturn]] void exit_with(Outcome outcome) { _exit(static_cast<int>(outcome)); }

// Runs probe in a child confined as the program confines itself, with
// /dev/null as its input and output.
Outcome confined(long (*probe)()) {
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    if (inventory::confine() != inventory::Confinement::confined) {
      exit_with(Outcome::unconfined);
    }
    exit_with(probe() >= 0 ? Outcome::done : errno == EPERM ? Outcome::refused : Outcome::failed);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? static_cast<Outcome>(WEXITSTATUS(status)) : Outcome::failed;
}

TEST(Confinement, KeepsTheStreamsAndRefusesAllElse) {
  const struct {
    const char* what;
    long (*probe)();
    Outcome outcome;
  } cases[] = {
      {"read the input",
       [] {
         char byte = 0;
         return long{read(0, &byte, 1)};
       },
       Outcome::done},
      {"write the output", [] { return long{write(1, "x", 1)}; }, Outcome::done},
      {"open a file", [] { return long{open("/etc/hostname", O_RDONLY)}; }, Outcome::refused},
      {"create a file",
       [] { return long{open("/tmp/confined", O_WRONLY | O_CREAT | O_EXCL, 0600)}; },
       Outcome::refused},
      {"make a socket", [] { return long{socket(AF_INET, SOCK_STREAM, 0)}; }, Outcome::refused},
      {"duplicate a stream", [] { return long{dup(1)}; }, Outcome::refused},
      {"start a program", [] { return long{execl("/bin/true", "true", nullptr)}; },
       Outcome::refused},
      {"fork", [] { return long{fork()}; }, Outcome::refused},
  };
  for (const auto& expected : cases) {
    SCOPED_TRACE(expected.what);
    const Outcome outcome = confined(expected.probe);
    if (outcome == Outcome::unconfined) {
      GTEST_SKIP() << "this kernel or emulator offers no seccomp filter";
    }
    EXPECT_EQ(outcome, expected.outcome);
  }
}

// As on a kernel or emulator with no seccomp: the program cannot load its
// filter, and answers exactly all the same.
TEST(Confinement, WithoutAFilterTheRunStillCompletes) {
  const std::string output_path = testing::TempDir() + "unconfined." + std::to_string(getpid());
  const pid_t child = fork();
  if (child == 0) {
    const scmp_filter_ctx no_seccomp = seccomp_init(SCMP_ACT_ALLOW);
    seccomp_rule_add(no_seccomp, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(seccomp), 0);
    const scmp_arg_cmp set_seccomp{0, SCMP_CMP_EQ, PR_SET_SECCOMP, 0};
    seccomp_rule_add_array(no_seccomp, SCMP_ACT_ERRNO(EINVAL), SCMP_SYS(prctl), 1, &set_seccomp);
    if (seccomp_load(no_seccomp) != 0) {
      exit_with(Outcome::unconfined);
    }
    dup2(open(TRANSCRIPT_DIR "/a_line_per_answer.in", O_RDONLY), 0);
    dup2(open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    execvp(program_command()[0], program_command().data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (static_cast<Outcome>(WEXITSTATUS(status)) == Outcome::unconfined) {
    GTEST_SKIP() << "this kernel or emulator offers no seccomp filter";
  }
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream output{output_path, std::ios::binary};
  std::ifstream expected{TRANSCRIPT_DIR "/score_94.out", std::ios::binary};
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(output), {}),
            std::string(std::istreambuf_iterator<char>(expected), {}));
  unlink(output_path.c_str());
}

}  // namespace
