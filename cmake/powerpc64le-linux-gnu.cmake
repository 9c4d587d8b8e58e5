# Cross-compiles for 64-bit little-endian POWER Linux (Debian's ppc64el).
set(inventory_triplet powerpc64le-linux-gnu)
set(inventory_processor ppc64le)
set(inventory_emulator qemu-ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
