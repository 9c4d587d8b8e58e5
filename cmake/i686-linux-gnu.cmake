# Cross-compiles for 32-bit x86 Linux, whose multiarch folder is named
# apart from its compiler's triplet.
set(inventory_architecture i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# An x86-64 kernel runs the tests natively, seccomp included, where it runs
# 32-bit programs at all; some leave IA32 emulation out, and there qemu-user
# runs them. The i386 loader, itself a program, tells which.
execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE loader_status
  OUTPUT_QUIET ERROR_QUIET)
if(loader_status EQUAL 0)
  set(CMAKE_CROSSCOMPILING_EMULATOR "")
endif()
