// Linux: a libseccomp filter that holds the process to its standard streams.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <fcntl.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "app/confinement.hpp"

namespace inventory {

namespace {

// valgrind runs the program on a simulated processor inside its own
// process, so a filter would hold valgrind to the program's list as well.
// Its tool is mapped into the process as an executable of its own
// (.../valgrind/memcheck-amd64-linux), which neither the environment nor a
// preloaded library can make appear; its preloads (vgpreload_*.so) can be
// preloaded without it, so they tell nothing. Where /proc cannot be read,
// the process confines itself. Plain reads, as a file stream would cost
// every run's start-up more than the rest of the confinement does.
bool under_valgrind() {
  const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (maps < 0) {
    return false;
  }
  std::string text;
  std::array<char, 4096> block{};
  for (ssize_t count = 0; (count = ::read(maps, block.data(), block.size())) > 0;) {
    text.append(block.data(), static_cast<std::size_t>(count));
  }
  ::close(maps);
  for (std::string_view rest = text; !rest.empty();) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    if (line.find("/valgrind/") != std::string_view::npos && line.ends_with("-linux")) {
      return true;
    }
  }
  return false;
}

// One allowed system call, with the conditions on its arguments.
struct Rule {
  int call;
  unsigned condition_count = 0;
  std::array<scmp_arg_cmp, 3> conditions{};
};

Rule allow(int call, std::initializer_list<scmp_arg_cmp> conditions = {}) {
  Rule rule{call};
  for (const scmp_arg_cmp& condition : conditions) {
    rule.conditions[rule.condition_count++] = condition;
  }
  return rule;
}

scmp_arg_cmp argument_is(unsigned argument, scmp_datum_t value) {
  return {argument, SCMP_CMP_EQ, value, 0};
}

// The kernel reads an ioctl request as 32 bits, and musl passes it as a
// signed int, which a 64-bit register holds sign-extended.
scmp_arg_cmp request_is(scmp_datum_t request) {
  return {1, SCMP_CMP_MASKED_EQ, 0xffffffffU, request};
}

scmp_arg_cmp argument_lacks(unsigned argument, scmp_datum_t bits) {
  return {argument, SCMP_CMP_MASKED_EQ, bits, 0};
}

scmp_arg_cmp argument_has(unsigned argument, scmp_datum_t bits) {
  return {argument, SCMP_CMP_MASKED_EQ, bits, bits};
}

using Filter = std::unique_ptr<void, decltype(&seccomp_release)>;

// A call that this architecture lacks (mmap2 on x86-64, time on arm64) has
// a negative number and is passed over.
bool add(const Filter& filter, const Rule& rule) {
  return seccomp_rule_add_array(filter.get(), SCMP_ACT_ALLOW, rule.call, rule.condition_count,
                                rule.conditions.data()) == 0 ||
         rule.call < 0;
}

bool add_each(const Filter& filter, std::initializer_list<Rule> rules) {
  for (const Rule& rule : rules) {
    if (!add(filter, rule)) {
      return false;
    }
  }
  return true;
}

constexpr scmp_datum_t input = 0;
constexpr scmp_datum_t output = 1;
constexpr scmp_datum_t errors = 2;

// Memory comes from anonymous mappings alone, never executable: a mapping
// of a descriptor would read or change a file that read and write refuse.
// The old mmap, which is mmap's number on 32-bit x86 and on s390, takes one
// pointer to its six arguments, which a filter cannot read: a condition on
// its registers would hold whatever the call asked for. It is left out
// there. C libraries map with mmap2 on 32-bit x86; s390x has no mmap2, and
// its allocators fall back to brk. Every other rule here reads arguments
// that the call takes in registers on every architecture the program ships
// for.
bool allow_anonymous_memory(const Filter& filter) {
#if defined(__i386__) || defined(__s390__)
  const std::initializer_list<int> mappers{SCMP_SYS(mmap2)};
#else
  const std::initializer_list<int> mappers{SCMP_SYS(mmap), SCMP_SYS(mmap2)};
#endif
  for (const int mapper : mappers) {
    if (!add(filter,
             allow(mapper, {argument_lacks(2, PROT_EXEC), argument_has(3, MAP_ANONYMOUS)}))) {
      return false;
    }
  }
  // The advice that allocators give when they hand memory back or ask for
  // huge pages; no other, such as MADV_HWPOISON.
  for (const scmp_datum_t advice : std::initializer_list<scmp_datum_t>{
           MADV_DONTNEED, MADV_FREE, MADV_HUGEPAGE, MADV_NOHUGEPAGE}) {
    if (!add(filter, allow(SCMP_SYS(madvise), {argument_is(2, advice)}))) {
      return false;
    }
  }
  return true;
}

// Whether a stream is a terminal (isatty): glibc asks with TCGETS, and from
// 2.42 with TCGETS2 where the architecture has it (powerpc has none: its
// TCGETS carries the speeds); musl asks with TIOCGWINSZ.
bool allow_terminal_queries(const Filter& filter) {
  const std::initializer_list<scmp_datum_t> requests {
    TCGETS, TIOCGWINSZ,
#if defined(TCGETS2)
        TCGETS2,
#endif
  };
  for (const scmp_datum_t stream : {input, output, errors}) {
    for (const scmp_datum_t request : requests) {
      if (!add(filter, allow(SCMP_SYS(ioctl), {argument_is(0, stream), request_is(request)}))) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

Confinement confine() {
  if (under_valgrind()) {
    return Confinement::instrumented;
  }
  // Any call not listed fails with EPERM, as under Docker's default profile,
  // rather than ending the process: a call that a preloaded library or a new
  // C library makes on its own then shows as a visible read or write error
  // instead of killing a person's run. No new privileges is set first, as
  // an unprivileged filter requires.
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
    return Confinement::unavailable;
  }
  const Filter filter{seccomp_init(SCMP_ACT_ERRNO(EPERM)), &seccomp_release};
  if (!filter) {
    return Confinement::unavailable;
  }
#if defined(INVENTORY_LOG_REFUSALS)
  // A build for the checks alone: the kernel logs each call that the filter
  // refuses, so that a run can show it made none.
  if (seccomp_attr_set(filter.get(), SCMP_FLTATR_CTL_LOG, 1) != 0) {
    return Confinement::unavailable;
  }
#endif
  const auto self = static_cast<scmp_datum_t>(::getpid());
  // 32-bit systems name some calls apart: fcntl64 and mmap2, and the
  // _time64 calls that take a 64-bit time.
  const bool listed =
      add_each(filter,
               {
                   // The run: answers in, transcript and diagnostics out.
                   allow(SCMP_SYS(read), {argument_is(0, input)}),
                   allow(SCMP_SYS(write), {argument_is(0, output)}),
                   allow(SCMP_SYS(write), {argument_is(0, errors)}),
                   // A stream that another process left non-blocking is waited on.
                   allow(SCMP_SYS(poll)),
                   allow(SCMP_SYS(ppoll)),
                   allow(SCMP_SYS(ppoll_time64)),
                   // The typeahead left at a terminal is dropped at the end.
                   allow(SCMP_SYS(ioctl),
                         {argument_is(0, input), request_is(TCFLSH), argument_is(2, TCIFLUSH)}),
                   // A closed input is told from an unreadable one.
                   allow(SCMP_SYS(fcntl), {argument_is(0, input), argument_is(1, F_GETFD)}),
                   allow(SCMP_SYS(fcntl64), {argument_is(0, input), argument_is(1, F_GETFD)}),
                   // Memory, never executable.
                   allow(SCMP_SYS(brk)),
                   allow(SCMP_SYS(mprotect), {argument_lacks(2, PROT_EXEC)}),
                   allow(SCMP_SYS(munmap)),
                   allow(SCMP_SYS(mremap)),
                   // What C libraries and preloaded allocators call on their own.
                   allow(SCMP_SYS(futex)),
                   allow(SCMP_SYS(futex_time64)),
                   allow(SCMP_SYS(getrandom)),
                   allow(SCMP_SYS(sched_yield)),
                   allow(SCMP_SYS(clock_gettime)),
                   allow(SCMP_SYS(clock_gettime64)),
                   allow(SCMP_SYS(clock_getres)),
                   allow(SCMP_SYS(clock_getres_time64)),
                   allow(SCMP_SYS(gettimeofday)),
                   allow(SCMP_SYS(time)),
                   // The end of the process, and the return from a signal handler
                   // (the old form too, on 32-bit x86) or a stop (Ctrl-Z).
                   allow(SCMP_SYS(exit)),
                   allow(SCMP_SYS(exit_group)),
                   allow(SCMP_SYS(rt_sigreturn)),
                   allow(SCMP_SYS(sigreturn)),
                   allow(SCMP_SYS(restart_syscall)),
                   // A failed library check prints its message and aborts:
                   // SIGABRT, to this process only.
                   allow(SCMP_SYS(writev), {argument_is(0, errors)}),
                   allow(SCMP_SYS(rt_sigprocmask)),
                   allow(SCMP_SYS(rt_sigaction), {argument_is(0, SIGABRT)}),
                   allow(SCMP_SYS(getpid)),
                   allow(SCMP_SYS(gettid)),
                   allow(SCMP_SYS(tgkill), {argument_is(0, self), argument_is(2, SIGABRT)}),
                   // musl's raise signals the thread alone, which is the process here.
                   allow(SCMP_SYS(tkill), {argument_is(0, self), argument_is(1, SIGABRT)}),
               }) &&
      allow_anonymous_memory(filter) && allow_terminal_queries(filter);
  // Kernels and emulators without seccomp (qemu-user, WSL 1, some sandboxes)
  // refuse the filter; the run goes on unconfined there.
  if (!listed || seccomp_load(filter.get()) != 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

}  // namespace inventory
