// The program that the tests start, and the files they read. Each is found
// at run time, so that the same tests run on another build of the program
// (a release's static one), in another root or in a kernel of the
// architecture's own, without being rebuilt:
//   INVENTORY_PROGRAM     the program (default: the build's)
//   INVENTORY_EMULATOR    what starts it, empty for nothing (default: the
//                         emulator that runs a cross build's tests, if any)
//   INVENTORY_TEST_FILES  a folder that holds transcripts/ and the build's
//                         test helpers (default: where the build has each)
#pragma once

#include <array>
#include <string>

// The emulator, if any, then the program, then a null pointer: an argument
// vector for execvp or posix_spawnp.
std::array<char*, 3> program_command();

// NAME in INVENTORY_TEST_FILES where that is set, else BUILT.
std::string test_file(const char* name, const char* built);
