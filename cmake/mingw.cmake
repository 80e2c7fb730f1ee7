# Shared part of the MinGW-w64 cross builds; the toolchain files set VELKAR_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR first. The .exe links statically so it needs no MinGW DLLs.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers carry std::thread and std::mutex; the -win32 ones do not.
set(CMAKE_C_COMPILER ${VELKAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELKAR_MINGW_PREFIX}-windres)
set(CMAKE_AR ${VELKAR_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELKAR_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${VELKAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Cross-built test programs run under Wine through this wrapper, which picks the 32-bit or the
# 64-bit Wine from the program's own format.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
