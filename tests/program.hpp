// The built program's command line for the tests that start it. Where the
// tests themselves run under an emulator (qemu-user, for a cross build), the
// program starts under it too, as the kernel alone cannot start a binary of
// another machine.
#pragma once

#include <array>

inline std::array<char*, 3> program_command() {
  static char emulator[] = PROGRAM_EMULATOR;
  static char program[] = PROGRAM_PATH;
  if (emulator[0] == '\0') {
    return {program, nullptr, nullptr};
  }
  return {emulator, program, nullptr};
}
