# Builds for 32-bit x86 Linux with Debian's g++-i686-linux-gnu, against the
# i386 packages that multiarch installs beside this machine's (dpkg
# --add-architecture i386): libseccomp-dev:i386, libstdc++6:i386 and
# pkgconf:i386 for their pkg-config. An x86-64 kernel runs the result
# natively, seccomp included, where it runs 32-bit programs at all.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(PKG_CONFIG_EXECUTABLE i686-linux-gnu-pkg-config)
# Some x86-64 kernels run no 32-bit program (IA32 emulation left out, or a
# hypervisor without the 32-bit mode); there qemu-user runs the tests, as
# it does for arm64. The i386 loader, itself a program, tells which.
execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE loader_status
  OUTPUT_QUIET ERROR_QUIET)
if(NOT loader_status EQUAL 0)
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
endif()
