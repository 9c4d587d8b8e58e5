# Cross-compiles for 64-bit RISC-V Linux with Debian's g++-riscv64-linux-gnu,
# against the riscv64 packages that multiarch installs beside the build
# machine's, as the arm64 toolchain does; qemu-user runs the tests. Debian
# releases riscv64 from Debian 13 on, so it is built in a Debian 13 root
# (tests/check-riscv64).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(CMAKE_CXX_COMPILER riscv64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE riscv64-linux-gnu)
set(PKG_CONFIG_EXECUTABLE riscv64-linux-gnu-pkg-config)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-riscv64)
