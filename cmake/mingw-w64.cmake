# Cross build for 64-bit Windows with Debian's mingw-w64 compilers.
#   cmake -S . -B build/mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The posix thread model is required: the win32 one has no std::thread or
# std::mutex, and GoogleTest does not compile with it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TEV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TEV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TEV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TEV_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TEV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The cross build makes the programs that are shipped: optimised unless the
# build type is given (its tests run on the same optimised code).
set(CMAKE_BUILD_TYPE_INIT Release)

# Link the C and C++ runtimes and winpthread in, so an .exe needs no MinGW DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs (add_test with a target) run under Wine. `wine` picks the
# 64-bit loader; `wine64` alone is not on PATH on Debian.
find_program(TEV_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TEV_WINE})
