# Cross-compiles for IBM Z Linux (Debian's s390x) with Debian's
# g++-s390x-linux-gnu, against the s390x packages that multiarch installs
# beside this machine's, as the arm64 toolchain does; qemu-user runs the
# tests.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(CMAKE_CXX_COMPILER s390x-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE s390x-linux-gnu)
set(PKG_CONFIG_EXECUTABLE s390x-linux-gnu-pkg-config)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-s390x)
