# The toolchain of every Linux architecture of architectures.txt but the
# build machine's, named by INVENTORY_ARCHITECTURE (its Debian name, as the
# package-ARCH presets set it): Debian's g++ and pkg-config of its triplet,
# its libraries installed through multiarch, and qemu-user to run its tests
# and programs, so that no binfmt_misc registration is needed.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES INVENTORY_ARCHITECTURE)
include(${CMAKE_CURRENT_LIST_DIR}/architectures.cmake)
inventory_architecture(debian "${INVENTORY_ARCHITECTURE}")
if(NOT inventory_debian)
  message(FATAL_ERROR "architectures.txt has no row for INVENTORY_ARCHITECTURE "
    "'${INVENTORY_ARCHITECTURE}'")
endif()
execute_process(COMMAND dpkg-architecture -a${inventory_debian} -qDEB_HOST_GNU_TYPE
  OUTPUT_VARIABLE triplet OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
execute_process(COMMAND dpkg-architecture -a${inventory_debian} -qDEB_HOST_MULTIARCH
  OUTPUT_VARIABLE CMAKE_LIBRARY_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${inventory_uname})
set(CMAKE_CXX_COMPILER ${triplet}-g++)
set(PKG_CONFIG_EXECUTABLE ${triplet}-pkg-config)
set(CMAKE_CROSSCOMPILING_EMULATOR ${inventory_qemu_user})
# An x86-64 kernel runs 32-bit x86 programs itself, seccomp included, unless
# it was built without IA32 emulation: its C library, itself a program, tells.
if(CMAKE_HOST_SYSTEM_PROCESSOR STREQUAL "x86_64" AND inventory_uname STREQUAL "i686")
  execute_process(COMMAND /lib/${CMAKE_LIBRARY_ARCHITECTURE}/libc.so.6
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(status EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR "")
  endif()
endif()
# GCC notes where GCC 7.1 changed how an ARM structure is passed, which
# matters only beside code that an older GCC built; nothing here is.
if(inventory_uname MATCHES "^arm")
  set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
endif()
