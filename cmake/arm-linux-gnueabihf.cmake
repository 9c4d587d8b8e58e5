# Cross-compiles for 32-bit ARM Linux with hardware floating point, as
# Raspberry Pi OS is.
set(inventory_architecture armhf)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
# GCC notes where GCC 7.1 changed how a structure is passed, which matters
# only beside code that an older GCC built; nothing here is.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
