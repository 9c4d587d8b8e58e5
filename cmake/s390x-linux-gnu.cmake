# Cross-compiles for IBM Z Linux.
set(inventory_architecture s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
