#include "app/confinement.hpp"

#if defined(INVENTORY_UNCONFINED)
#elif defined(INVENTORY_SECCOMP)
// The kernel's own request numbers: TCGETS2 is measured by struct termios2,
// which glibc's <termios.h> would clash with.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <fcntl.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <initializer_list>
#include <memory>
#elif defined(__FreeBSD__)
#include <capsicum_helpers.h>
#elif defined(__OpenBSD__)
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

#include <cstdlib>
#include <cstring>

// Where the process confines itself on an ELF system: entry points of the
// runtimes that instrument a run, referenced weakly, so that each is null
// unless its runtime is linked in, however the build was configured. Every
// sanitizer runtime defines the first; GCC's coverage runtime the second,
// clang's the other two.
#if !defined(INVENTORY_UNCONFINED) && \
    (defined(INVENTORY_SECCOMP) || defined(__FreeBSD__) || defined(__OpenBSD__))
extern "C" {
// NOLINTBEGIN(bugprone-reserved-identifier,readability-redundant-declaration)
[[gnu::weak]] void __sanitizer_set_report_path(const char* path);
[[gnu::weak]] void __gcov_init(void* object);
[[gnu::weak]] void llvm_gcov_init(void (*write_out)(), void (*reset)());
[[gnu::weak]] int __llvm_profile_write_file();
// NOLINTEND(bugprone-reserved-identifier,readability-redundant-declaration)
}

namespace {

// Sanitizers read /proc, write reports and run leak checkers; coverage
// counters are written to files at the end; valgrind runs the program on a
// simulated processor inside its own process, so a filter would hold
// valgrind to the program's list as well. Such a run is left unconfined.
// valgrind is known by its preload, as man-db knows it: whoever sets the
// environment already decides what is preloaded, so this opens nothing.
bool instrumented() {
  const char* const preload = std::getenv("LD_PRELOAD");
  return &__sanitizer_set_report_path != nullptr || &__gcov_init != nullptr ||
         &llvm_gcov_init != nullptr || &__llvm_profile_write_file != nullptr ||
         (preload != nullptr && std::strstr(preload, "/vgpreload") != nullptr);
}

}  // namespace
#endif

namespace inventory {

#if defined(INVENTORY_UNCONFINED)

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

// The kernel reads an ioctl request as 32 bits, and musl passes it as a
// signed int, which a 64-bit register holds sign-extended.
scmp_arg_cmp request_is(scmp_datum_t request) {
  return {1, SCMP_CMP_MASKED_EQ, 0xffffffffU, request};
}

scmp_arg_cmp argument_lacks(unsigned argument, scmp_datum_t bits) {
  return {argument, SCMP_CMP_MASKED_EQ, bits, 0};
}

using Filter = std::unique_ptr<void, decltype(&seccomp_release)>;

// A call that this architecture lacks (mmap2 on x86-64, time on arm64) has
// a negative number and is passed over.
bool add(const Filter& filter, const Rule& rule) {
  return seccomp_rule_add_array(filter.get(), SCMP_ACT_ALLOW, rule.call, rule.condition_count,
                                rule.conditions.data()) == 0 ||
         rule.call < 0;
}

}  // namespace

Confinement confine() {
  if (instrumented()) {
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
  constexpr scmp_datum_t input = 0;
  constexpr scmp_datum_t output = 1;
  constexpr scmp_datum_t errors = 2;
  const auto self = static_cast<scmp_datum_t>(::getpid());
  // 32-bit systems name some calls apart: fcntl64 and mmap2, and the
  // _time64 calls that take a 64-bit time.
  const Rule rules[] = {
      // The run: answers in, transcript and diagnostics out.
      allow(SCMP_SYS(read), {argument_is(0, input)}),
      allow(SCMP_SYS(write), {argument_is(0, output)}),
      allow(SCMP_SYS(write), {argument_is(0, errors)}),
      // A stream that another process left non-blocking is waited on.
      allow(SCMP_SYS(poll)),
      allow(SCMP_SYS(ppoll)),
      allow(SCMP_SYS(ppoll_time64)),
      // The typeahead left at a terminal is dropped at the end.
      allow(SCMP_SYS(ioctl), {argument_is(0, input), request_is(TCFLSH), argument_is(2, TCIFLUSH)}),
      // A closed input is told from an unreadable one.
      allow(SCMP_SYS(fcntl), {argument_is(0, input), argument_is(1, F_GETFD)}),
      allow(SCMP_SYS(fcntl64), {argument_is(0, input), argument_is(1, F_GETFD)}),
      // Memory, never executable.
      allow(SCMP_SYS(brk)),
      allow(SCMP_SYS(mmap), {argument_lacks(2, PROT_EXEC)}),
      allow(SCMP_SYS(mmap2), {argument_lacks(2, PROT_EXEC)}),
      allow(SCMP_SYS(mprotect), {argument_lacks(2, PROT_EXEC)}),
      allow(SCMP_SYS(munmap)),
      allow(SCMP_SYS(mremap)),
      allow(SCMP_SYS(madvise)),
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
      // The end of the process, and the return from a signal handler (the
      // old form too, on 32-bit x86) or a stop (Ctrl-Z).
      allow(SCMP_SYS(exit)),
      allow(SCMP_SYS(exit_group)),
      allow(SCMP_SYS(rt_sigreturn)),
      allow(SCMP_SYS(sigreturn)),
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
    if (!add(filter, rule)) {
      return Confinement::unavailable;
    }
  }
  // Whether a stream is a terminal (isatty): glibc asks with TCGETS, and
  // from 2.42 with TCGETS2; musl asks with TIOCGWINSZ.
  for (const scmp_datum_t stream : {input, output, errors}) {
    for (const scmp_datum_t request :
         std::initializer_list<scmp_datum_t>{TCGETS, TCGETS2, TIOCGWINSZ}) {
      if (!add(filter, allow(SCMP_SYS(ioctl), {argument_is(0, stream), request_is(request)}))) {
        return Confinement::unavailable;
      }
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
  if (instrumented()) {
    return Confinement::instrumented;
  }
  if (caph_limit_stdio() < 0 || caph_enter() < 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

#elif defined(__OpenBSD__)

// "tty" beside "stdio" lets the typeahead left at a terminal be dropped at
// the end: under "stdio" alone that request would end the process.
Confinement confine() {
  if (instrumented()) {
    return Confinement::instrumented;
  }
  if (::pledge("stdio tty", nullptr) != 0) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

#elif defined(_WIN32)

namespace {

// Looked up at run time, as Chromium does: Windows 7 has no such function,
// and a program that imported it would not start there.
using SetPolicy = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);

SetPolicy find_set_policy() {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) {
    return nullptr;
  }
  // Through the generic function type, which a cast to any other may pass.
  const FARPROC found = GetProcAddress(kernel32, "SetProcessMitigationPolicy");
  return reinterpret_cast<SetPolicy>(reinterpret_cast<void (*)()>(found));
}

template <typename Policy>
bool set_policy(SetPolicy set, PROCESS_MITIGATION_POLICY kind, Policy policy) {
  return set(kind, &policy, sizeof policy) != 0;
}

}  // namespace

// Mitigation policies: no child process, no code made at run time, no
// image from a share or of low integrity, no injected extension DLLs.
// Windows before 8 has none of them, and wine accepts each without
// enforcing it; the run goes on all the same.
Confinement confine() {
  const SetPolicy set = find_set_policy();
  if (set == nullptr) {
    return Confinement::unavailable;
  }
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
  bool all_set = set_policy(set, ProcessChildProcessPolicy, children);
  all_set = set_policy(set, ProcessDynamicCodePolicy, dynamic_code) && all_set;
  all_set = set_policy(set, ProcessImageLoadPolicy, images) && all_set;
  all_set = set_policy(set, ProcessExtensionPointDisablePolicy, extension_points) && all_set;
  return all_set ? Confinement::confined : Confinement::unavailable;
}

#else

Confinement confine() { return Confinement::not_built; }

#endif

}  // namespace inventory
