// Linux: a seccomp filter, compiled ahead of time for each architecture
// (seccomp/), that holds the process to its standard streams.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/futex.h>
#include <linux/seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/personality.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "app/confinement.hpp"
#include "app/seccomp/policy.hpp"

namespace inventory {

namespace {

namespace compiled {
#include INVENTORY_SECCOMP_POLICY
}  // namespace compiled

// The generator cannot read the target's headers; this build can.
constexpr seccomp::Constants c = compiled::constants;
static_assert(c.tcgets == TCGETS && c.tiocgwinsz == TIOCGWINSZ && c.tcflsh == TCFLSH &&
                  c.tciflush == TCIFLUSH && c.f_getfd == F_GETFD && c.prot_exec == PROT_EXEC &&
                  c.map_anonymous == MAP_ANONYMOUS && c.madv_dontneed == MADV_DONTNEED &&
                  c.madv_free == MADV_FREE && c.madv_hugepage == MADV_HUGEPAGE &&
                  c.madv_nohugepage == MADV_NOHUGEPAGE && c.sigabrt == SIGABRT &&
                  c.futex_wait == FUTEX_WAIT && c.futex_wake == FUTEX_WAKE &&
                  c.futex_wait_bitset == FUTEX_WAIT_BITSET &&
                  c.futex_wake_bitset == FUTEX_WAKE_BITSET &&
                  c.futex_private_flag == FUTEX_PRIVATE_FLAG &&
                  c.futex_clock_realtime == FUTEX_CLOCK_REALTIME,
              "the compiled filter compares with another architecture's values");
#if defined(TCGETS2)
static_assert(c.tcgets2 == TCGETS2, "the compiled filter asks for another TCGETS2");
#else
static_assert(c.tcgets2 == 0, "the compiled filter asks for a TCGETS2 this system lacks");
#endif

static_assert(sizeof(seccomp::Instruction) == sizeof(sock_filter) &&
              offsetof(seccomp::Instruction, value) == offsetof(sock_filter, k));

// Each placeholder for the process id is in a slot that the generator
// recorded, and each slot holds one: the program patches exactly those.
constexpr bool slots_match() {
  std::size_t placeholders = 0;
  for (const seccomp::Instruction& instruction : compiled::filter) {
    placeholders += instruction.value == seccomp::pid_placeholder ? 1 : 0;
  }
  return placeholders == std::size(compiled::pid_slots) &&
         std::all_of(std::begin(compiled::pid_slots), std::end(compiled::pid_slots),
                     [](unsigned slot) {
                       return slot < std::size(compiled::filter) &&
                              compiled::filter[slot].value == seccomp::pid_placeholder;
                     });
}
static_assert(slots_match(), "the compiled filter's pid slots are not where it says");

// The process's mappings as the kernel lists them, a line each; false where
// /proc cannot be read. Plain reads, as a file stream would cost every
// run's start-up more than the rest of the confinement does.
bool read_maps(std::string& text) {
  const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (maps < 0) {
    return false;
  }
  std::array<char, 4096> block{};
  for (ssize_t count = 0; (count = ::read(maps, block.data(), block.size())) > 0;) {
    text.append(block.data(), static_cast<std::size_t>(count));
  }
  ::close(maps);
  return true;
}

template <typename Visit>
bool each_line(std::string_view text, Visit visit) {
  for (std::string_view rest = text; !rest.empty();) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    if (!visit(line)) {
      return false;
    }
  }
  return true;
}

// valgrind runs the program on a simulated processor inside its own
// process, so a filter would hold valgrind to the program's list as well.
// Its tool is mapped into the process as an executable of its own
// (.../valgrind/memcheck-amd64-linux), which neither the environment nor a
// preloaded library can make appear; its preloads (vgpreload_*.so) can be
// preloaded without it, so they tell nothing. Where /proc cannot be read,
// the process confines itself.
bool under_valgrind(std::string_view maps) {
  return !each_line(maps, [](std::string_view line) {
    return line.find("/valgrind/") == std::string_view::npos || !line.ends_with("-linux");
  });
}

// A parent that set READ_IMPLIES_EXEC (setarch -X) has the kernel add
// execute permission to every readable mapping, after the filter has
// checked what the call asked for. The flag is cleared, so that no later
// mapping gets it, and the writable mappings that it made executable (the
// data segment, the heap, the stack) lose it. Where they cannot be listed,
// the process is not confined.
bool drop_implied_execute(std::string_view maps, bool listed) {
  const int persona = ::personality(0xffffffff);
  if (persona == -1 || (persona & READ_IMPLIES_EXEC) == 0) {
    return true;
  }
  if (!listed || ::personality(static_cast<unsigned>(persona & ~READ_IMPLIES_EXEC)) == -1) {
    return false;
  }
  // start-end perms offset device inode path
  return each_line(maps, [](std::string_view line) {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    const char* const last = line.data() + line.size();
    const auto [dash, low] = std::from_chars(line.data(), last, start, 16);
    if (low != std::errc{} || dash == last) {
      return false;
    }
    const auto [space, high] = std::from_chars(dash + 1, last, end, 16);
    if (high != std::errc{} || last - space < 4 || end < start) {
      return false;
    }
    const char* const perms = space + 1;
    // An address that the kernel listed, not one that code derived.
    return perms[1] != 'w' || perms[2] != 'x' ||
           ::mprotect(reinterpret_cast<void*>(start),  // NOLINT(performance-no-int-to-ptr)
                      end - start, PROT_WRITE | (perms[0] == 'r' ? PROT_READ : 0)) == 0;
  });
}

}  // namespace

Confinement confine() {
  std::string maps;
  const bool listed = read_maps(maps);
  if (under_valgrind(maps)) {
    return Confinement::instrumented;
  }
  if (!drop_implied_execute(maps, listed)) {
    return Confinement::unavailable;
  }
  // Any call not listed fails with EPERM, as under Docker's default profile,
  // rather than ending the process: a call that a preloaded library or a new
  // C library makes on its own then shows as a visible read or write error
  // instead of killing a person's run. No new privileges is set first, as
  // an unprivileged filter requires.
  std::array<sock_filter, std::size(compiled::filter)> instructions{};
  std::transform(std::begin(compiled::filter), std::end(compiled::filter), instructions.begin(),
                 [](const seccomp::Instruction& instruction) {
                   return sock_filter{instruction.code, instruction.jump_true,
                                      instruction.jump_false, instruction.value};
                 });
  for (const unsigned slot : compiled::pid_slots) {
    instructions[slot].k = static_cast<std::uint32_t>(::getpid());
  }
  sock_fprog program{static_cast<unsigned short>(instructions.size()), instructions.data()};
#if defined(INVENTORY_LOG_REFUSALS)
  // A build for the checks alone: the kernel logs each call that the filter
  // refuses, so that a run can show it made none.
  constexpr unsigned flags = SECCOMP_FILTER_FLAG_LOG;
#else
  constexpr unsigned flags = 0;
#endif
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
    return Confinement::unavailable;
  }
  // Kernels and emulators without seccomp (qemu-user, WSL 1, some sandboxes)
  // refuse the filter; the run goes on unconfined there.
  if (::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, flags, &program) != 0 &&
      (errno != ENOSYS || flags != 0 ||
       ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program, 0, 0) != 0)) {
    return Confinement::unavailable;
  }
  return Confinement::confined;
}

}  // namespace inventory
