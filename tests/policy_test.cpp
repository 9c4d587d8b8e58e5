// Every architecture's compiled filter, run on a small interpreter of the
// kernel's classic BPF with that architecture's own call numbers (as
// libseccomp names them): what the program needs is allowed, the rest is
// refused, and the process id is compared only where the program patched it.
#include <gtest/gtest.h>
#include <seccomp.h>
#include <sys/syscall.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/seccomp/policy.hpp"

namespace {

using inventory::seccomp::Constants;
using inventory::seccomp::Instruction;

struct Policy {
  const char* debian;
  const char* libseccomp;
  std::span<const Instruction> filter;
  std::span<const unsigned> pid_slots;
  Constants constants;
};

#include "policies.inc"

constexpr std::uint32_t allowed = 0x7fff0000;  // SECCOMP_RET_ALLOW
constexpr std::uint32_t refused = 0x00050001;  // SECCOMP_RET_ERRNO | EPERM
constexpr std::uint32_t killed = 0;            // SECCOMP_RET_KILL_THREAD

struct Call {
  std::uint32_t architecture;
  int number;
  std::array<std::uint64_t, 6> arguments;
};

// What the kernel's interpreter gives for a call, or a note of what it met
// that the filters are not expected to hold.
std::uint32_t run(std::span<const Instruction> filter, const Call& call, bool big_endian, bool wide,
                  std::string& fault) {
  const auto word = [&](std::uint32_t offset) -> std::uint32_t {
    if (offset == 0) {
      return static_cast<std::uint32_t>(call.number);
    }
    if (offset == 4) {
      return call.architecture;
    }
    const std::uint32_t argument = (offset - 16) / 8;
    if (offset < 16 || argument >= 6 || offset % 4 != 0) {
      fault = "a load outside the arguments";
      return 0;
    }
    const std::uint64_t value =
        wide ? call.arguments[argument] : call.arguments[argument] & 0xffffffffU;
    const bool high = (offset % 8 == 4) != big_endian;
    return static_cast<std::uint32_t>(high ? value >> 32 : value);
  };
  std::uint32_t accumulator = 0;
  for (std::size_t at = 0; at < filter.size(); ++at) {
    const Instruction& instruction = filter[at];
    const auto jump = [&](bool taken) {
      at += taken ? instruction.jump_true : instruction.jump_false;
    };
    switch (instruction.code) {
      case 0x20:  // ld [k]
        accumulator = word(instruction.value);
        break;
      case 0x54:  // and #k
        accumulator &= instruction.value;
        break;
      case 0x05:  // ja
        at += instruction.value;
        break;
      case 0x15:  // jeq #k
        jump(accumulator == instruction.value);
        break;
      case 0x25:  // jgt #k
        jump(accumulator > instruction.value);
        break;
      case 0x35:  // jge #k
        jump(accumulator >= instruction.value);
        break;
      case 0x45:  // jset #k
        jump((accumulator & instruction.value) != 0);
        break;
      case 0x06:  // ret #k
        return instruction.value;
      default:
        fault = "an instruction this interpreter lacks: " + std::to_string(instruction.code);
        return killed;
    }
    if (!fault.empty()) {
      return killed;
    }
  }
  fault = "ran past the end";
  return killed;
}

constexpr std::uint64_t readable_writable = 3;
constexpr std::uint64_t executable = 4;
constexpr std::uint64_t private_anonymous = 0x22;

TEST(Policy, AllowsWhatTheProgramNeedsAndRefusesTheRest) {
  const std::uint64_t self = 4242;
  const std::uint64_t other = 4243;
  for (const Policy& policy : {POLICIES}) {
    SCOPED_TRACE(policy.debian);
    const std::uint32_t architecture = seccomp_arch_resolve_name(policy.libseccomp);
    ASSERT_NE(architecture, 0U);
    const std::string name = policy.libseccomp;
    const bool old_mmap = name == "x86" || name == "s390x";
    const bool big_endian = name == "s390x";
    const bool wide = name != "x86" && name != "arm";
    const Constants& c = policy.constants;
    std::vector<Instruction> filter(policy.filter.begin(), policy.filter.end());
    for (const unsigned slot : policy.pid_slots) {
      filter[slot].value = static_cast<std::uint32_t>(self);
    }
    const struct {
      const char* what;
      const char* call;
      std::array<std::uint64_t, 6> arguments;
      std::uint32_t verdict;
    } cases[] = {
        {"read the input", "read", {0}, allowed},
        {"read another descriptor", "read", {3}, refused},
        {"write the output", "write", {1}, allowed},
        {"write diagnostics", "write", {2}, allowed},
        {"write the input", "write", {0}, refused},
        {"ask whether the input is a terminal", "ioctl", {0, c.tcgets}, allowed},
        {"ask the output's size", "ioctl", {1, c.tiocgwinsz}, allowed},
        {"ask as musl does, sign-extended", "ioctl", {2, 0xffffffff00000000U | c.tcgets}, allowed},
        {"ask another descriptor", "ioctl", {3, c.tcgets}, refused},
        {"drop the typeahead", "ioctl", {0, c.tcflsh, c.tciflush}, allowed},
        {"drop the unsent output", "ioctl", {0, c.tcflsh, c.tciflush + 1}, refused},
        {"tell a closed input", "fcntl", {0, c.f_getfd}, allowed},
        {"duplicate the input", "fcntl", {0, 0}, refused},
        {"take memory",
         "mmap",
         {0, 4096, readable_writable, private_anonymous},
         old_mmap ? refused : allowed},
        {"take memory through mmap2",
         "mmap2",
         {0, 4096, readable_writable, private_anonymous},
         allowed},
        {"map executable memory", "mmap", {0, 4096, executable, private_anonymous}, refused},
        {"map executable memory through mmap2",
         "mmap2",
         {0, 4096, executable, private_anonymous},
         refused},
        {"map a file", "mmap", {0, 4096, 1, 2, 3}, refused},
        {"map a file through mmap2", "mmap2", {0, 4096, 1, 2, 3}, refused},
        {"make memory read-only", "mprotect", {0, 4096, 1}, allowed},
        {"make memory executable", "mprotect", {0, 4096, executable | 1}, refused},
        {"grow a mapping", "mremap", {0, 4096, 8192, 1}, refused},
        {"advise that memory is unused", "madvise", {0, 4096, c.madv_dontneed}, allowed},
        {"poison memory", "madvise", {0, 4096, 100}, refused},
        {"wake a futex", "futex", {0, c.futex_wake | c.futex_private_flag}, allowed},
        {"wait on a futex with a deadline",
         "futex",
         {0, c.futex_wait_bitset | c.futex_private_flag | c.futex_clock_realtime},
         allowed},
        {"wait on a futex in 64-bit time", "futex_time64", {0, c.futex_wait}, allowed},
        {"requeue a futex's waiters", "futex", {0, 3}, refused},
        {"compare and requeue", "futex", {0, 4 | c.futex_private_flag}, refused},
        {"wake and operate", "futex", {0, 5}, refused},
        {"lock a futex with priority inheritance", "futex", {0, 6}, refused},
        {"lock-pi in 64-bit time", "futex_time64", {0, 6}, refused},
        {"handle an abort", "rt_sigaction", {c.sigabrt}, allowed},
        {"handle another signal", "rt_sigaction", {2}, refused},
        {"abort itself", "tgkill", {self, self, c.sigabrt}, allowed},
        {"abort itself as musl does", "tkill", {self, c.sigabrt}, allowed},
        {"signal itself otherwise", "tgkill", {self, self, 10}, refused},
        {"abort another process", "tgkill", {other, other, c.sigabrt}, refused},
        {"abort another thread as musl does", "tkill", {other, c.sigabrt}, refused},
        {"abort a process with the placeholder's id",
         "tgkill",
         {inventory::seccomp::pid_placeholder, 1, c.sigabrt},
         refused},
        {"open a file", "openat", {0}, refused},
        {"start a program", "execve", {0}, refused},
        {"make a socket", "socket", {2, 1}, refused},
        {"fork", "clone", {0}, refused},
        {"change its personality", "personality", {0x0400000}, refused},
        {"end", "exit_group", {0}, allowed},
    };
    int ran = 0;
    for (const auto& expected : cases) {
      SCOPED_TRACE(expected.what);
      const int number = seccomp_syscall_resolve_name_arch(architecture, expected.call);
      if (number < 0) {
        continue;  // the architecture lacks the call
      }
      std::string fault;
      EXPECT_EQ(run(filter, {architecture, number, expected.arguments}, big_endian, wide, fault),
                expected.verdict);
      EXPECT_EQ(fault, "");
      ++ran;
    }
    EXPECT_GE(ran, 40);
    std::string fault;
    const int read = seccomp_syscall_resolve_name_arch(architecture, "read");
    EXPECT_EQ(run(filter, {architecture ^ 1, read, {0}}, big_endian, wide, fault), killed)
        << "a call of another architecture";
    if (name == "x86_64") {
      EXPECT_EQ(run(filter, {architecture, 0x40000000 | read, {0}}, big_endian, wide, fault),
                killed)
          << "an x32 call";
    }
    // A slot left unpatched refuses what it guards, whatever the id.
    for (const unsigned slot : policy.pid_slots) {
      std::vector<Instruction> missed = filter;
      missed[slot].value = inventory::seccomp::pid_placeholder;
      const Call aborts[] = {
          {architecture,
           seccomp_syscall_resolve_name_arch(architecture, "tgkill"),
           {self, self, c.sigabrt}},
          {architecture,
           seccomp_syscall_resolve_name_arch(architecture, "tkill"),
           {self, c.sigabrt}},
      };
      int refusals = 0;
      for (const Call& call : aborts) {
        refusals += run(missed, call, big_endian, wide, fault) == refused ? 1 : 0;
      }
      EXPECT_EQ(refusals, 1) << "slot " << slot;
    }
    EXPECT_EQ(fault, "");
  }
}

// libseccomp's numbers, which the test above takes, against this system's
// own headers, for the architecture that this build is for.
TEST(Policy, NumbersAreThisSystemsOwn) {
  const struct {
    const char* call;
    long number;
  } calls[] = {
      {"read", SYS_read},     {"write", SYS_write},   {"ioctl", SYS_ioctl},
      {"futex", SYS_futex},   {"tgkill", SYS_tgkill}, {"mprotect", SYS_mprotect},
      {"mremap", SYS_mremap}, {"openat", SYS_openat}, {"exit_group", SYS_exit_group},
  };
  for (const auto& expected : calls) {
    EXPECT_EQ(seccomp_syscall_resolve_name(expected.call), expected.number) << expected.call;
  }
}

}  // namespace
