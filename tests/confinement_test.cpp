// The program's confinement on Linux, tried in child processes: what a
// confined process may still do, what it is refused, and that a process
// whose kernel refuses the filter still completes its run.
#include "app/confinement.hpp"

// The kernel's struct termios2, which glibc's <termios.h> would clash with.
#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "program.hpp"

namespace {

// The child's exit status, or how it ended.
enum class Outcome { done = 0, refused = 1, failed = 2, unconfined = 3, instrumented = 4, aborted };

[[noreturn]] void exit_with(Outcome outcome) { _exit(static_cast<int>(outcome)); }

// What the confined child's standard input is.
enum class Input { null_device, terminal };

// A process of the child's own that a probe may try to signal; it ends with
// the child.
pid_t victim = -1;

int open_terminal() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  return grantpt(master) == 0 && unlockpt(master) == 0 ? open(ptsname(master), O_RDWR | O_NOCTTY)
                                                       : -1;
}

bool kernel_takes_filters() {
  const pid_t child = fork();
  if (child == 0) {
    const scmp_filter_ctx allow_all = seccomp_init(SCMP_ACT_ALLOW);
    _exit(allow_all != nullptr && seccomp_load(allow_all) == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs probe in a child confined as the program confines itself, with
// /dev/null as its output.
Outcome confined(long (*probe)(), Input input) {
  const pid_t child = fork();
  if (child == 0) {
    const pid_t parent = getpid();
    victim = fork();
    if (victim == 0) {
      // Whether the parent ended before the signal was asked for or after.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() == parent) {
        pause();
      }
      _exit(0);
    }
    const int null = open("/dev/null", O_RDWR);
    dup2(input == Input::terminal ? open_terminal() : null, 0);
    dup2(null, 1);
    switch (inventory::confine()) {
      case inventory::Confinement::confined:
        exit_with(probe() >= 0     ? Outcome::done
                  : errno == EPERM ? Outcome::refused
                                   : Outcome::failed);
      case inventory::Confinement::instrumented:
        exit_with(Outcome::instrumented);
      default:
        exit_with(Outcome::unconfined);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) {
    return Outcome::aborted;
  }
  return WIFEXITED(status) ? static_cast<Outcome>(WEXITSTATUS(status)) : Outcome::failed;
}

// Probes' calls, each giving -1 on failure.
long read_byte(int descriptor) {
  char byte = 0;
  return long{read(descriptor, &byte, 1)};
}

long page(int protection) {
  return mmap(nullptr, 4096, protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) == MAP_FAILED ? -1 : 0;
}

TEST(Confinement, KeepsTheStreamsAndRefusesAllElse) {
  if (!kernel_takes_filters()) {
    GTEST_SKIP() << "this kernel or emulator takes no seccomp filter";
  }
  const struct {
    const char* what = nullptr;
    long (*probe)() = nullptr;
    Outcome outcome = Outcome::done;
    Input input = Input::null_device;
  } cases[] = {
      {"read the input", [] { return read_byte(0); }, Outcome::done},
      {"write the output", [] { return long{write(1, "x", 1)}; }, Outcome::done},
      {"ask a terminal as glibc 2.42 does",
       [] {
         termios2 settings{};
         return long{ioctl(0, TCGETS2, &settings)};
       },
       Outcome::done, Input::terminal},
      {"take memory", [] { return page(PROT_READ | PROT_WRITE); }, Outcome::done},
      {"abort", []() -> long { std::abort(); }, Outcome::aborted},
      {"read the output", [] { return read_byte(1); }, Outcome::refused},
      {"write the input", [] { return long{write(0, "x", 1)}; }, Outcome::refused},
      {"write the input in pieces",
       [] {
         iovec piece{const_cast<char*>("x"), 1};
         return long{writev(0, &piece, 1)};
       },
       Outcome::refused},
      {"type into the input (TIOCSTI)", [] { return long{ioctl(0, TIOCSTI, "x")}; },
       Outcome::refused},
      {"flush the output", [] { return long{ioctl(1, TCFLSH, TCIFLUSH)}; }, Outcome::refused},
      {"duplicate the input (F_DUPFD)", [] { return long{fcntl(0, F_DUPFD, 0)}; },
       Outcome::refused},
      {"map executable memory", [] { return page(PROT_READ | PROT_EXEC); }, Outcome::refused},
      {"make memory executable",
       [] {
         void* const memory = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
         return long{mprotect(memory, 4096, PROT_READ | PROT_EXEC)};
       },
       Outcome::refused},
      {"signal another process", [] { return long{syscall(SYS_tgkill, victim, victim, SIGABRT)}; },
       Outcome::refused},
      {"handle another signal", [] { return signal(SIGINT, SIG_IGN) == SIG_ERR ? -1L : 0L; },
       Outcome::refused},
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
    const Outcome outcome = confined(expected.probe, expected.input);
    if (outcome == Outcome::instrumented) {
      GTEST_SKIP() << "an instrumented run is left unconfined";
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
    dup2(open(TRANSCRIPT_DIR "/a_line_per_answer.in", O_RDONLY), 0);
    dup2(open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    char mode[] = "no-seccomp";
    char* command[] = {const_cast<char*>(OUTER_FILTER_PATH), mode, program_command()[0],
                       program_command()[1], nullptr};
    execv(command[0], command);
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) {
    GTEST_SKIP() << "this kernel or emulator takes no seccomp filter";
  }
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream output{output_path, std::ios::binary};
  std::ifstream expected{TRANSCRIPT_DIR "/score_94.out", std::ios::binary};
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(output), {}),
            std::string(std::istreambuf_iterator<char>(expected), {}));
  unlink(output_path.c_str());
}

}  // namespace
