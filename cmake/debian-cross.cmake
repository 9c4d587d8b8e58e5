# What each cross toolchain for Debian takes, from the GNU triplet that the
# including toolchain file sets in inventory_triplet: Debian's compiler
# and pkg-config of that triplet, the architecture's packages that multiarch
# installs beside the build machine's (dpkg --add-architecture), where the
# multiarch C library that qemu-user runs the tests with lives too, and
# qemu-user (inventory_emulator), under which the tests also start the
# program, so that no binfmt_misc registration is needed.
# inventory_processor is what uname -m says there.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${inventory_processor})
set(CMAKE_CXX_COMPILER ${inventory_triplet}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${inventory_triplet})
set(PKG_CONFIG_EXECUTABLE ${inventory_triplet}-pkg-config)
set(CMAKE_CROSSCOMPILING_EMULATOR ${inventory_emulator})
