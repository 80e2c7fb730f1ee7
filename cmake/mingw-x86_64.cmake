# Cross build for 64-bit Windows with MinGW-w64 (x86_64): the same sources as the 32-bit program,
# tested under 64-bit Wine on machines that run no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELKAR_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
