# Cross-compiles for 64-bit little-endian POWER Linux.
set(inventory_architecture ppc64el)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
