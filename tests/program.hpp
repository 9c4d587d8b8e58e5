// The built program's command line for the tests that start it. Where the
// tests themselves run under an emulator (qemu-user, for a cross build), the
// program starts under it too, as the kernel alone cannot start a binary of
// another machine.
#pragma once

#include <array>

// The emulator, if any, then the program, then a null pointer: an argument
// vector for execvp or posix_spawnp.
std::array<char*, 3> program_command();
