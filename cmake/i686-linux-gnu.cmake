# Builds for 32-bit x86 Linux with Debian's g++-i686-linux-gnu, against the
# i386 packages that multiarch installs beside this machine's (dpkg
# --add-architecture i386): libseccomp-dev:i386, libstdc++6:i386 and
# pkgconf:i386 for their pkg-config. An x86-64 kernel runs the result
# natively, seccomp included, so no emulator is needed.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(PKG_CONFIG_EXECUTABLE i686-linux-gnu-pkg-config)
