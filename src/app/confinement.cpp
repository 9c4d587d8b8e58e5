#include "app/confinement.hpp"

// Sanitizers write reports, read /proc and keep leak checkers running: they
// need far more of the system than the program does. A sanitizer build
// configured by hand is known by its compiler's marks.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define INVENTORY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define INVENTORY_SANITIZED 1
#endif
#endif

#if defined(INVENTORY_SANITIZED) || defined(INVENTORY_UNCONFINED)
#elif defined(INVENTORY_SECCOMP)
#include <fcntl.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <initializer_list>
#include <memory>

// Only its header, where valgrind is installed: see under_valgrind().
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#endif
#elif defined(__FreeBSD__)
#include <capsicum_helpers.h>
#elif defined(__OpenBSD__)
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace inventory {

#if defined(INVENTORY_SANITIZED) || defined(INVENTORY_UNCONFINED)

Confinement confine() { return Confinement::not_built; }

#elif defined(INVENTORY_SECCOMP)

namespace {

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

scmp_arg_cmp argument_lacks(unsigned argument, scmp_datum_t bits) {
  return {argument, SCMP_CMP_MASKED_EQ, bits, 0};
}

using Filter = std::unique_ptr<void, decltype(&seccomp_release)>;

// valgrind runs the program on a simulated processor inside its own
// process, so a filter would hold valgrind to the program's list as well
// and end the run without a word. As under man-db, the run goes unconfined
// there. The check is a no-op instruction sequence outside valgrind.
bool under_valgrind() {
#ifdef RUNNING_ON_VALGRIND
  return RUNNING_ON_VALGRIND != 0U;
#else
  return false;
#endif
}

}  // namespace

Confinement confine() {
  // Any call not listed fails with EPERM, as under Docker's default profile,
  // rather than ending the process: a call that a preloaded library or a new
  // C library makes on its own then shows as a visible read or write error
  // instead of killing a person's run. No new privileges is set first, as
  // an unprivileged filter requires.
  if (under_valgrind() || ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
    return Confinement::unavailable;
  }
  const Filter filter{seccomp_init(SCMP_ACT_ERRNO(EPERM)), &seccomp_release};
  if (!filter) {
    return Confinement::unavailable;
  }
  constexpr scmp_datum_t input = 0;
  constexpr scmp_datum_t output = 1;
  constexpr scmp_datum_t errors = 2;
  const auto self = static_cast<scmp_datum_t>(::getpid());
  const Rule rules[] = {
      // The run: answers in, transcript and diagnostics out.
      allow(SCMP_SYS(read), {argument_is(0, input)}),
      allow(SCMP_SYS(write), {argument_is(0, output)}),
      allow(SCMP_SYS(write), {argument_is(0, errors)}),
      // A stream that another process left non-blocking is waited on.
      allow(SCMP_SYS(poll)),
      allow(SCMP_SYS(ppoll)),
      // Is a stream a terminal (isatty); the typeahead left at a terminal is
      // dropped at the end; a closed input is told from an unreadable one.
      allow(SCMP_SYS(ioctl), {argument_is(0, input), argument_is(1, TCGETS)}),
      allow(SCMP_SYS(ioctl), {argument_is(0, output), argument_is(1, TCGETS)}),
      allow(SCMP_SYS(ioctl), {argument_is(0, errors), argument_is(1, TCGETS)}),
      allow(SCMP_SYS(ioctl),
            {argument_is(0, input), argument_is(1, TCFLSH), argument_is(2, TCIFLUSH)}),
      allow(SCMP_SYS(fcntl), {argument_is(0, input), argument_is(1, F_GETFD)}),
      // Memory, never executable.
      allow(SCMP_SYS(brk)),
      allow(SCMP_SYS(mmap), {argument_lacks(2, PROT_EXEC)}),
      allow(SCMP_SYS(mprotect), {argument_lacks(2, PROT_EXEC)}),
      allow(SCMP_SYS(munmap)),
      allow(SCMP_SYS(mremap)),
      allow(SCMP_SYS(madvise)),
      // What C libraries and preloaded allocators call on their own.
      allow(SCMP_SYS(futex)),
      allow(SCMP_SYS(getrandom)),
      allow(SCMP_SYS(sched_yield)),
      allow(SCMP_SYS(clock_gettime)),
      allow(SCMP_SYS(clock_getres)),
      allow(SCMP_SYS(gettimeofday)),
      allow(SCMP_SYS(time)),
      // The end of the process, and the return from a signal handler or a
      // stop (Ctrl-Z).
      allow(SCMP_SYS(exit)),
      allow(SCMP_SYS(exit_group)),
      allow(SCMP_SYS(rt_sigreturn)),
      allow(SCMP_SYS(restart_syscall)),
      // A failed library check prints its message and aborts: SIGABRT, to
      // this process only.
      allow(SCMP_SYS(writev), {argument_is(0, errors)}),
      allow(SCMP_SYS(rt_sigprocmask)),
      allow(SCMP_SYS(rt_sigaction), {argument_is(0, SIGABRT)}),
      allow(SCMP_SYS(getpid)),
      allow(SCMP_SYS(gettid)),
      allow(SCMP_SYS(tgkill), {argument_is(0, self), argument_is(2, SIGABRT)}),
  };
  for (const Rule& rule : rules) {
    // A call that this architecture lacks (time on arm64) is passed over.
    const int added = seccomp_rule_add_array(filter.get(), SCMP_ACT_ALLOW, rule.call,
                                             rule.condition_count, rule.conditions.data());
    if (added != 0 && rule.call >= 0) {
      return Confinement::unavailable;
    }
  }
  // Kernels and emulators without seccomp (qemu-user, WSL 1, some sandboxes)
  // refuse the filter; the run goes on unconfined there.
  if (seccomp_load(filter.get()) != 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

#elif defined(__FreeBSD__)

// Capability mode, as FreeBSD's base utilities enter it: the standard
// streams keep only the rights that reading and writing them need.
Confinement confine() {
  if (caph_limit_stdio() < 0 || caph_enter() < 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

#elif defined(__OpenBSD__)

// "tty" beside "stdio" lets the typeahead left at a terminal be dropped at
// the end: under "stdio" alone that request would end the process.
Confinement confine() {
  if (::pledge("stdio tty", nullptr) != 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

#elif defined(_WIN32)

namespace {

template <typename Policy>
bool set_policy(PROCESS_MITIGATION_POLICY kind, Policy policy) {
  return SetProcessMitigationPolicy(kind, &policy, sizeof policy) != 0;
}

}  // namespace

// Mitigation policies: no child process, no code made at run time, no
// image from a share or of low integrity, no injected extension DLLs. Older
// Windows and wine may refuse some; the run goes on all the same.
Confinement confine() {
  PROCESS_MITIGATION_CHILD_PROCESS_POLICY children{};
  children.NoChildProcessCreation = 1;
  PROCESS_MITIGATION_DYNAMIC_CODE_POLICY dynamic_code{};
  dynamic_code.ProhibitDynamicCode = 1;
  PROCESS_MITIGATION_IMAGE_LOAD_POLICY images{};
  images.NoRemoteImages = 1;
  images.NoLowMandatoryLabelImages = 1;
  PROCESS_MITIGATION_EXTENSION_POINT_DISABLE_POLICY extension_points{};
  extension_points.DisableExtensionPoints = 1;
  // Each is tried, whatever became of the one before.
  bool all_set = set_policy(ProcessChildProcessPolicy, children);
  all_set = set_policy(ProcessDynamicCodePolicy, dynamic_code) && all_set;
  all_set = set_policy(ProcessImageLoadPolicy, images) && all_set;
  all_set = set_policy(ProcessExtensionPointDisablePolicy, extension_points) && all_set;
  return all_set ? Confinement::confined : Confinement::unavailable;
}

#else

Confinement confine() { return Confinement::not_built; }

#endif

}  // namespace inventory
