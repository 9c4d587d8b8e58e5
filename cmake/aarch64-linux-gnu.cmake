# Cross-compiles for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu.
# libseccomp comes from the arm64 packages that multiarch installs beside
# this machine's (dpkg --add-architecture arm64), in /usr/lib/aarch64-linux-gnu,
# where the multiarch C library that qemu-user runs the tests with lives too;
# pkgconf:arm64 gives the pkg-config that reads their .pc files.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
