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

constexpr std::uint32_t allow = 0x7fff0000;   // SECCOMP_RET_ALLOW
constexpr std::uint32_t refuse = 0x00050001;  // SECCOMP_RET_ERRNO | EPERM
constexpr std::uint32_t kill = 0;             // SECCOMP_RET_KILL_THREAD

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
        return kill;
    }
    if (!fault.empty()) {
      return kill;
    }
  }
  fault = "ran past the end";
  return kill;
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
        {"read the input", "read", {0}, allow},
        {"read another descriptor", "read", {3}, refuse},
        {"write the output", "write", {1}, allow},
        {"write diagnostics", "write", {2}, allow},
        {"write the input", "write", {0}, refuse},
        {"ask whether the input is a terminal", "ioctl", {0, c.tcgets}, allow},
        {"ask the output's size", "ioctl", {1, c.tiocgwinsz}, allow},
        {"ask as musl does, sign-extended", "ioctl", {2, 0xffffffff00000000U | c.tcgets}, allow},
        {"ask another descriptor", "ioctl", {3, c.tcgets}, refuse},
        {"drop the typeahead", "ioctl", {0, c.tcflsh, c.tciflush}, allow},
        {"drop the unsent output", "ioctl", {0, c.tcflsh, c.tciflush + 1}, refuse},
        {"tell a closed input", "fcntl", {0, c.f_getfd}, allow},
        {"duplicate the input", "fcntl", {0, 0}, refuse},
        {"take memory",
         "mmap",
         {0, 4096, readable_writable, private_anonymous},
         old_mmap ? refuse : allow},
        {"take memory through mmap2",
         "mmap2",
         {0, 4096, readable_writable, private_anonymous},
         allow},
        {"map executable memory", "mmap", {0, 4096, executable, private_anonymous}, refuse},
        {"map executable memory through mmap2",
         "mmap2",
         {0, 4096, executable, private_anonymous},
         refuse},
        {"map a file", "mmap", {0, 4096, 1, 2, 3}, refuse},
        {"map a file through mmap2", "mmap2", {0, 4096, 1, 2, 3}, refuse},
        {"make memory read-only", "mprotect", {0, 4096, 1}, allow},
        {"make memory executable", "mprotect", {0, 4096, executable | 1}, refuse},
        {"grow a mapping", "mremap", {0, 4096, 8192, 1}, refuse},
        {"advise that memory is unused", "madvise", {0, 4096, c.madv_dontneed}, allow},
        {"poison memory", "madvise", {0, 4096, 100}, refuse},
        {"wake a futex", "futex", {0, c.futex_wake | c.futex_private_flag}, allow},
        {"wait on a futex with a deadline",
         "futex",
         {0, c.futex_wait_bitset | c.futex_private_flag | c.futex_clock_realtime},
         allow},
        {"wait on a futex in 64-bit time", "futex_time64", {0, c.futex_wait}, allow},
        {"requeue a futex's waiters", "futex", {0, 3}, refuse},
        {"compare and requeue", "futex", {0, 4 | c.futex_private_flag}, refuse},
        {"wake and operate", "futex", {0, 5}, refuse},
        {"lock a futex with priority inheritance", "futex", {0, 6}, refuse},
        {"lock-pi in 64-bit time", "futex_time64", {0, 6}, refuse},
        {"handle an abort", "rt_sigaction", {c.sigabrt}, allow},
        {"handle another signal", "rt_sigaction", {2}, refuse},
        {"abort itself", "tgkill", {self, self, c.sigabrt}, allow},
        {"abort itself as musl does", "tkill", {self, c.sigabrt}, allow},
        {"signal itself otherwise", "tgkill", {self, self, 10}, refuse},
        {"abort another process", "tgkill", {other, other, c.sigabrt}, refuse},
        {"abort another thread as musl does", "tkill", {other, c.sigabrt}, refuse},
        {"abort a process with the placeholder's id",
         "tgkill",
         {inventory::seccomp::pid_placeholder, 1, c.sigabrt},
         refuse},
        {"open a file", "openat", {0}, refuse},
        {"start a program", "execve", {0}, refuse},
        {"make a socket", "socket", {2, 1}, refuse},
        {"fork", "clone", {0}, refuse},
        {"change its personality", "personality", {0x0400000}, refuse},
        {"end", "exit_group", {0}, allow},
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
    EXPECT_EQ(run(filter, {architecture ^ 1, read, {0}}, big_endian, wide, fault), kill)
        << "a call of another architecture";
    if (name == "x86_64") {
      EXPECT_EQ(run(filter, {architecture, 0x40000000 | read, {0}}, big_endian, wide, fault), kill)
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
      int refused = 0;
      for (const Call& call : aborts) {
        refused += run(missed, call, big_endian, wide, fault) == refuse ? 1 : 0;
      }
      EXPECT_EQ(refused, 1) << "slot " << slot;
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
