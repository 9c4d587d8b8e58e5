#include "program.hpp"

std::array<char*, 3> program_command() {
  static char emulator[] = PROGRAM_EMULATOR;
  static char program[] = PROGRAM_PATH;
  if (emulator[0] == '\0') {
    return {program, nullptr, nullptr};
  }
  return {emulator, program, nullptr};
}
