# The board: a 32-bit ARM Cortex-A8 with NEON and the hard-float ABI, built
# with Debian's cross compiler against Debian's armhf (multiarch) libraries.
# Programs built with it run on the host under qemu's user-mode emulator, so
# CTest and GoogleTest's discovery run them the same way as native ones.
#
#   tools/install-cross-deps.sh
#   cmake -S . -B build-armhf -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_ASM_COMPILER arm-linux-gnueabihf-gcc)

set(_board_flags "-mcpu=cortex-a8 -mfpu=neon -mfloat-abi=hard")
set(CMAKE_C_FLAGS_INIT "${_board_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_board_flags}")
set(CMAKE_ASM_FLAGS_INIT "${_board_flags}")

# Debian's cross compiler already looks in the multiarch directories
# (/usr/include/arm-linux-gnueabihf, /usr/lib/arm-linux-gnueabihf) and in its
# own runtime (/usr/arm-linux-gnueabihf). CMake's searches and pkg-config look
# in the same places, and CMAKE_LIBRARY_ARCHITECTURE makes them take the armhf
# library directory, never the host's x86_64 one.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig)

# Programs run through cmake/qemu-armhf.sh, which emulates the board's
# processor, so an instruction it lacks fails here too. A missing emulator
# stops the configuration rather than every test.
find_program(VELMORA_QEMU_ARM NAMES qemu-arm qemu-arm-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/qemu-armhf.sh)
