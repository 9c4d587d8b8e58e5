# Cross-compiles for 64-bit ARM Linux (Debian's arm64).
set(inventory_triplet aarch64-linux-gnu)
set(inventory_processor aarch64)
set(inventory_emulator qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
