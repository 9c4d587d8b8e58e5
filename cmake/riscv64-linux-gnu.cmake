# Cross-compiles for 64-bit RISC-V Linux (Debian's riscv64). Debian releases
# riscv64 from Debian 13 on, so it is built in a Debian 13 root
# (tests/check-riscv64).
set(inventory_triplet riscv64-linux-gnu)
set(inventory_processor riscv64)
set(inventory_emulator qemu-riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
