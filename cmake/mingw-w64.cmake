# Cross-building the Windows programs from Linux with Debian's MinGW-w64.
# Everything is linked statically so each .exe runs on a bare Windows 10/11
# without extra DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUIL_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model: with GCC 12 the win32 one has no std::mutex or
# std::thread, which GoogleTest (and any standard threading) needs. The
# pthread runtime is linked in statically like the rest.
set(CMAKE_C_COMPILER ${QUIL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUIL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUIL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUIL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

