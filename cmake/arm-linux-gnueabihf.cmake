# Cross-compiles for 32-bit ARM Linux with hardware floating point (Debian's
# armhf, as Raspberry Pi OS is) with Debian's g++-arm-linux-gnueabihf, against
# the armhf packages that multiarch installs beside this machine's, as the
# arm64 toolchain does; qemu-user runs the tests.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
set(PKG_CONFIG_EXECUTABLE arm-linux-gnueabihf-pkg-config)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm)
# GCC notes where GCC 7.1 changed how a structure is passed, which matters
# only beside code that an older GCC built; nothing here is.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
