# Cross-compiles for 64-bit little-endian POWER Linux (Debian's ppc64el) with
# Debian's g++-powerpc64le-linux-gnu, against the ppc64el packages that
# multiarch installs beside this machine's, as the arm64 toolchain does;
# qemu-user runs the tests.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(CMAKE_CXX_COMPILER powerpc64le-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE powerpc64le-linux-gnu)
set(PKG_CONFIG_EXECUTABLE powerpc64le-linux-gnu-pkg-config)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc64le)
