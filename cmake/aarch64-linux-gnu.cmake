# Cross-compiles for 64-bit ARM Linux.
set(inventory_architecture arm64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
