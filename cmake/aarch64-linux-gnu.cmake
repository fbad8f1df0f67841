# Cross build for Linux on arm64 (AArch64) with Debian's cross compiler and
# the :arm64 multiarch libraries; tests run under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# No -L: with it qemu pairs the cross toolchain's loader with the multiarch
# C library, and every thread start hangs. Without it the programs find
# libc6:arm64's loader and libraries in their multiarch places.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
