# Cross-compiles for 64-bit RISC-V Linux, which Debian releases from Debian
# 13 on: it is built in a Debian 13 root (tests/check-release makes one).
set(inventory_architecture riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
