// The types that the compiled filters are written in. Each ARCH.inc beside
// this file is the filter for one architecture as the kernel runs it,
// written by generate.cpp from its table of rules; ARCH.pfc renders it for
// a reviewer (CONTRIBUTING.md, "Confinement").
#pragma once

#include <cstdint>

namespace inventory::seccomp {

// One classic BPF instruction, laid out as the kernel's struct sock_filter.
struct Instruction {
  std::uint16_t code;
  std::uint8_t jump_true;
  std::uint8_t jump_false;
  std::uint32_t value;
};

// The values that the rules compare arguments with, as the generator took
// them for the architecture; the program's build checks each against the
// target's own headers, which the generator cannot read.
struct Constants {
  std::uint32_t tcgets;
  std::uint32_t tcgets2;  // 0 where the architecture has none (powerpc)
  std::uint32_t tiocgwinsz;
  std::uint32_t tcflsh;
  std::uint32_t tciflush;
  std::uint32_t f_getfd;
  std::uint32_t prot_exec;
  std::uint32_t map_anonymous;
  std::uint32_t madv_dontneed;
  std::uint32_t madv_free;
  std::uint32_t madv_hugepage;
  std::uint32_t madv_nohugepage;
  std::uint32_t sigabrt;
  std::uint32_t futex_wait;
  std::uint32_t futex_wake;
  std::uint32_t futex_wait_bitset;
  std::uint32_t futex_wake_bitset;
  std::uint32_t futex_private_flag;
  std::uint32_t futex_clock_realtime;
};

// Stands for the process's own id, which is known only at run time: above
// any pid the kernel gives (pid_max is at most 2^22), so that a comparison
// the program failed to patch refuses rather than allows.
inline constexpr std::uint32_t pid_placeholder = 0x7e57ab1e;

}  // namespace inventory::seccomp
