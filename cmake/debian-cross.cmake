# What each cross toolchain for Debian takes, from the row of
# architectures.txt of the Debian architecture that the including toolchain
# file sets in inventory_architecture: Debian's compiler and pkg-config of
# its triplet, the architecture's packages that multiarch installs beside
# the build machine's (dpkg --add-architecture), where the multiarch C
# library that qemu-user runs the tests with lives too, and qemu-user, under
# which the tests also start the program, so that no binfmt_misc
# registration is needed.
include(${CMAKE_CURRENT_LIST_DIR}/architectures.cmake)
inventory_architecture(debian ${inventory_architecture})
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${inventory_uname})
set(CMAKE_CXX_COMPILER ${inventory_triplet}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${inventory_triplet})
set(PKG_CONFIG_EXECUTABLE ${inventory_triplet}-pkg-config)
set(CMAKE_CROSSCOMPILING_EMULATOR ${inventory_qemu_user})
