# Cross-compiles for IBM Z Linux (Debian's s390x).
set(inventory_triplet s390x-linux-gnu)
set(inventory_processor s390x)
set(inventory_emulator qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
