// The program's confinement on Linux, tried in child processes: what a
// confined process may still do, what it is refused, and that a process
// whose kernel refuses the filter still completes its run.
#include "app/confinement.hpp"

// The kernel's terminal requests, which glibc's <termios.h> would clash with.
#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/futex.h>
#include <poll.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/personality.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "program.hpp"

namespace {

// The child's exit status, or how it ended.
enum class Outcome { done = 0, refused = 1, failed = 2, unconfined = 3, instrumented = 4, aborted };

[[noreturn]] void exit_with(Outcome outcome) { _exit(static_cast<int>(outcome)); }

// What the confined child's standard input is.
enum class Input { null_device, terminal, read_write_file };

// A process of the child's own that a probe may try to signal; it ends with
// the child.
pid_t victim = -1;

// A file that the child holds open before it is confined, as a descriptor
// inherited from whoever started the program.
int inherited = -1;

// A page that the child maps before it is confined, and a page of the
// inherited file that it maps then too, as a loader maps libraries.
void* spare = nullptr;
void* file_page = nullptr;

std::string transcript(const char* name) {
  return test_file("transcripts", TRANSCRIPT_DIR) + "/" + name;
}

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
    dup2(input == Input::terminal          ? open_terminal()
         : input == Input::read_write_file ? fileno(std::tmpfile())
                                           : null,
         0);
    dup2(null, 1);
    inherited = open(transcript("score_94.out").c_str(), O_RDONLY);
    spare = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    file_page = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE, inherited, 0);
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

long map(int protection, int flags, int descriptor) {
  return mmap(nullptr, 4096, protection, flags, descriptor, 0) == MAP_FAILED ? -1 : 0;
}

long page(int protection) { return map(protection, MAP_PRIVATE | MAP_ANONYMOUS, -1); }

// s390's mmap reads its arguments from memory, where a filter cannot read
// them, so no mapping is allowed there at all.
#if defined(__s390__)
constexpr Outcome anonymous_mapping = Outcome::refused;
#else
constexpr Outcome anonymous_mapping = Outcome::done;
#endif

#if defined(__i386__) || defined(__s390__)
// The old mmap, which reads its six arguments from a block in memory: the
// registers that a filter reads ask for what an allowed mapping would.
long old_map(int protection, int flags, int descriptor) {
  const std::array<unsigned long, 6> block{0,
                                           4096,
                                           static_cast<unsigned long>(protection),
                                           static_cast<unsigned long>(flags),
                                           static_cast<unsigned long>(descriptor),
                                           0};
  return syscall(SYS_mmap, block.data(), 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) == -1
             ? -1
             : 0;
}
#endif

void on_abort(int /*signal*/) {}
void on_abort_with_information(int /*signal*/, siginfo_t* /*information*/, void* /*context*/) {}

// Handles SIGABRT, raises it and returns from the handler.
long handled_abort(int flags) {
  struct sigaction action {};
  action.sa_flags = flags;
  if ((flags & SA_SIGINFO) != 0) {
    action.sa_sigaction = on_abort_with_information;
  } else {
    action.sa_handler = on_abort;
  }
  return sigaction(SIGABRT, &action, nullptr) == 0 ? long{raise(SIGABRT)} : -1;
}

// Room for whatever a terminal request fills in: termios2 where the
// architecture has it, winsize, or powerpc's termios.
long terminal_query(int descriptor, unsigned long request) {
  std::array<std::uint64_t, 16> settings{};
  return long{ioctl(descriptor, request, settings.data())};
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
#if defined(TCGETS2)
    {"ask a terminal as glibc 2.42 does", [] { return terminal_query(0, TCGETS2); }, Outcome::done,
     Input::terminal},
#endif
    {"take memory", [] { return page(PROT_READ | PROT_WRITE); }, anonymous_mapping},
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
    {"duplicate the input (F_DUPFD)", [] { return long{fcntl(0, F_DUPFD, 0)}; }, Outcome::refused},
    {"map executable memory", [] { return page(PROT_READ | PROT_EXEC); }, Outcome::refused},
    {"make memory executable", [] { return long{mprotect(spare, 4096, PROT_READ | PROT_EXEC)}; },
     Outcome::refused},
    {"signal another process", [] { return long{syscall(SYS_tgkill, victim, victim, SIGABRT)}; },
     Outcome::refused},
    {"signal another process as musl does", [] { return syscall(SYS_tkill, victim, SIGABRT); },
     Outcome::refused},
    {"handle another signal", [] { return signal(SIGINT, SIG_IGN) == SIG_ERR ? -1L : 0L; },
     Outcome::refused},
    {"open a file", [] { return long{open("/etc/hostname", O_RDONLY)}; }, Outcome::refused},
    {"create a file", [] { return long{open("/tmp/confined", O_WRONLY | O_CREAT | O_EXCL, 0600)}; },
     Outcome::refused},
    {"make a socket", [] { return long{socket(AF_INET, SOCK_STREAM, 0)}; }, Outcome::refused},
    {"duplicate a stream", [] { return long{dup(1)}; }, Outcome::refused},
    {"start a program", [] { return long{execl("/bin/true", "true", nullptr)}; }, Outcome::refused},
    {"fork", [] { return long{fork()}; }, Outcome::refused},
    // Each allowed call, and each condition on one.
    {"write diagnostics", [] { return long{write(2, "", 0)}; }, Outcome::done},
    {"write diagnostics in pieces", [] { return long{writev(2, nullptr, 0)}; }, Outcome::done},
    {"wait on the input",
     [] {
       pollfd stream{0, POLLIN, 0};
       return long{poll(&stream, 1, 0)};
     },
     Outcome::done},
    {"wait on the input with a time limit",
     [] {
       pollfd stream{0, POLLIN, 0};
       const timespec none{};
       return long{ppoll(&stream, 1, &none, nullptr)};
     },
     Outcome::done},
    {"ask whether the input is a terminal", [] { return terminal_query(0, TCGETS); }, Outcome::done,
     Input::terminal},
    {"ask the terminal's size as musl does", [] { return terminal_query(0, TIOCGWINSZ); },
     Outcome::done, Input::terminal},
    {"ask whether another descriptor is a terminal",
     [] { return terminal_query(inherited, TCGETS); }, Outcome::refused},
    {"drop the typeahead", [] { return long{ioctl(0, TCFLSH, TCIFLUSH)}; }, Outcome::done,
     Input::terminal},
    {"drop the terminal's unsent output", [] { return long{ioctl(0, TCFLSH, TCOFLUSH)}; },
     Outcome::refused, Input::terminal},
    {"stop the terminal's output", [] { return long{ioctl(0, TCXONC, TCOOFF)}; }, Outcome::refused,
     Input::terminal},
    {"tell a closed input", [] { return long{fcntl(0, F_GETFD)}; }, Outcome::done},
    {"read another descriptor's flags", [] { return long{fcntl(inherited, F_GETFD)}; },
     Outcome::refused},
    {"move the break", [] { return syscall(SYS_brk, 0); }, Outcome::done},
    {"give memory back", [] { return long{munmap(spare, 4096)}; }, Outcome::done},
    // The C libraries' realloc copies instead.
    {"grow memory",
     [] { return mremap(spare, 4096, 8192, MREMAP_MAYMOVE) == MAP_FAILED ? -1L : 0L; },
     Outcome::refused},
    {"grow a mapping of a file past its end",
     [] { return mremap(file_page, 4096, 1 << 20, MREMAP_MAYMOVE) == MAP_FAILED ? -1L : 0L; },
     Outcome::refused},
    {"make memory read-only", [] { return long{mprotect(spare, 4096, PROT_READ)}; }, Outcome::done},
    {"advise that memory is unused", [] { return long{madvise(spare, 4096, MADV_DONTNEED)}; },
     Outcome::done},
    {"poison memory (MADV_HWPOISON)", [] { return long{madvise(nullptr, 0, MADV_HWPOISON)}; },
     Outcome::refused},
    {"map an inherited file", [] { return map(PROT_READ, MAP_PRIVATE, inherited); },
     Outcome::refused},
#if defined(__i386__) || defined(__s390__)
    {"map executable memory through the old mmap",
     [] { return old_map(PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1); },
     Outcome::refused},
    {"map an inherited file through the old mmap",
     [] { return old_map(PROT_READ, MAP_PRIVATE, inherited); }, Outcome::refused},
#endif
    {"map the input to change it", [] { return map(PROT_READ | PROT_WRITE, MAP_SHARED, 0); },
     Outcome::refused, Input::read_write_file},
    {"wake a futex",
     [] {
       int word = 0;
       return syscall(SYS_futex, &word, FUTEX_WAKE, 1, nullptr, nullptr, 0);
     },
     Outcome::done},
    // The kernel's own answer (EAGAIN): the word holds another value.
    {"wait on a futex until a deadline",
     [] {
       int word = 1;
       return syscall(SYS_futex, &word, FUTEX_WAIT_BITSET | FUTEX_PRIVATE_FLAG, 0, nullptr, nullptr,
                      FUTEX_BITSET_MATCH_ANY);
     },
     Outcome::failed},
    {"lock a futex with priority inheritance",
     [] {
       int word = 0;
       return syscall(SYS_futex, &word, FUTEX_LOCK_PI, 0, nullptr, nullptr, 0);
     },
     Outcome::refused},
    {"requeue a futex's waiters",
     [] {
       int word = 0;
       int other = 0;
       return syscall(SYS_futex, &word, FUTEX_CMP_REQUEUE, 1, 1, &other, 0);
     },
     Outcome::refused},
    {"take random bytes",
     [] {
       char bytes[8];
       return long{getrandom(bytes, sizeof bytes, 0)};
     },
     Outcome::done},
    {"yield", [] { return long{sched_yield()}; }, Outcome::done},
    {"read the clock",
     [] {
       timespec now{};
       return syscall(SYS_clock_gettime, CLOCK_REALTIME, &now);
     },
     Outcome::done},
    {"read the clock's resolution",
     [] {
       timespec resolution{};
       return syscall(SYS_clock_getres, CLOCK_REALTIME, &resolution);
     },
     Outcome::done},
    {"read the time of day",
     [] {
       timeval now{};
       return syscall(SYS_gettimeofday, &now, nullptr);
     },
     Outcome::done},
#if defined(SYS_time)
    {"read the time", [] { return syscall(SYS_time, nullptr); }, Outcome::done},
#endif
#if defined(SYS_clock_gettime64)
    {"read the clock in 64 bits",
     [] {
       std::array<std::int64_t, 2> now{};
       return syscall(SYS_clock_gettime64, CLOCK_REALTIME, now.data());
     },
     Outcome::done},
#endif
    {"ask its process id", [] { return syscall(SYS_getpid); }, Outcome::done},
    {"ask its thread id", [] { return syscall(SYS_gettid); }, Outcome::done},
    {"block no signals",
     [] {
       sigset_t none;
       sigemptyset(&none);
       return long{sigprocmask(SIG_BLOCK, &none, nullptr)};
     },
     Outcome::done},
    {"handle an abort and go on", [] { return handled_abort(0); }, Outcome::done},
    {"handle an abort with its details and go on", [] { return handled_abort(SA_SIGINFO); },
     Outcome::done},
    {"signal itself with another signal",
     [] { return syscall(SYS_tgkill, getpid(), gettid(), SIGUSR1); }, Outcome::refused},
    {"abort as musl does", [] { return syscall(SYS_tkill, gettid(), SIGABRT); }, Outcome::aborted},
    {"signal itself with another signal as musl does",
     [] { return syscall(SYS_tkill, gettid(), SIGUSR1); }, Outcome::refused},
    // The kernel's own answer (EINTR) where nothing was interrupted.
    {"restart an interrupted call", [] { return syscall(SYS_restart_syscall); }, Outcome::failed},
    {"end its thread", [] { return syscall(SYS_exit, 0); }, Outcome::done},
    {"end its process", [] { return syscall(SYS_exit_group, 0); }, Outcome::done},
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

// A parent that asks for READ_IMPLIES_EXEC (setarch -X): the program, once
// confined and waiting for its first answer, holds no memory that is both
// writable and executable, and cannot be given any.
TEST(Confinement, LeavesNoMemoryWritableAndExecutable) {
  if (!kernel_takes_filters()) {
    GTEST_SKIP() << "this kernel or emulator takes no seccomp filter";
  }
  int answers[2];
  int questions[2];
  ASSERT_EQ(pipe(answers), 0);
  ASSERT_EQ(pipe(questions), 0);
  const pid_t child = fork();
  if (child == 0) {
    dup2(answers[0], 0);
    dup2(questions[1], 1);
    close(answers[1]);
    close(questions[0]);
    personality(READ_IMPLIES_EXEC);
    execvp(program_command()[0], program_command().data());
    _exit(127);
  }
  close(answers[0]);
  close(questions[1]);
  char first = 0;
  ASSERT_EQ(read(questions[0], &first, 1), 1) << "the program asked nothing";
  std::ifstream maps{"/proc/" + std::to_string(child) + "/maps"};
  std::string line;
  int mappings = 0;
  std::string both;
  while (std::getline(maps, line)) {
    ++mappings;
    const std::string perms = line.substr(line.find(' ') + 1, 4);
    if (perms[1] == 'w' && perms[2] == 'x') {
      both += line + "\n";
    }
  }
  std::ifstream status{"/proc/" + std::to_string(child) + "/status"};
  std::string seccomp;
  while (std::getline(status, line)) {
    if (line.starts_with("Seccomp:")) {
      seccomp = line;
    }
  }
  close(answers[1]);
  close(questions[0]);
  int ended = 0;
  waitpid(child, &ended, 0);
  EXPECT_GT(mappings, 0);
  EXPECT_EQ(both, "");
  EXPECT_EQ(seccomp, "Seccomp:\t2") << "the program is not confined";
}

// As on a kernel or emulator with no seccomp: the program cannot load its
// filter, and answers exactly all the same.
TEST(Confinement, WithoutAFilterTheRunStillCompletes) {
  const std::string output_path = testing::TempDir() + "unconfined." + std::to_string(getpid());
  const pid_t child = fork();
  if (child == 0) {
    dup2(open(transcript("a_line_per_answer.in").c_str(), O_RDONLY), 0);
    dup2(open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    char mode[] = "no-seccomp";
    std::string outer_filter = test_file("outer_filter", OUTER_FILTER_PATH);
    char* command[] = {outer_filter.data(), mode, program_command()[0], program_command()[1],
                       nullptr};
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
  std::ifstream expected{transcript("score_94.out"), std::ios::binary};
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(output), {}),
            std::string(std::istreambuf_iterator<char>(expected), {}));
  unlink(output_path.c_str());
}

}  // namespace
