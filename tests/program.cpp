#include "program.hpp"

#include <cstdlib>

namespace {

const char* setting(const char* name, const char* built) {
  const char* const value = std::getenv(name);
  return value != nullptr ? value : built;
}

}  // namespace

std::array<char*, 3> program_command() {
  static std::string emulator = setting("INVENTORY_EMULATOR", PROGRAM_EMULATOR);
  static std::string program = setting("INVENTORY_PROGRAM", PROGRAM_PATH);
  if (emulator.empty()) {
    return {program.data(), nullptr, nullptr};
  }
  return {emulator.data(), program.data(), nullptr};
}

std::string test_file(const char* name, const char* built) {
  const char* const folder = std::getenv("INVENTORY_TEST_FILES");
  return folder != nullptr ? std::string(folder) + "/" + name : built;
}
