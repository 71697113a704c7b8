# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX threads
# variant, so std::thread and std::mutex work), e.g.:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELLUM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELLUM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELLUM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELLUM_MINGW_TRIPLE}-windres)
set(VELLUM_WIDL ${VELLUM_MINGW_TRIPLE}-widl CACHE STRING "IDL compiler for the type library")

# Libraries and headers of the target only.
set(CMAKE_FIND_ROOT_PATH /usr/${VELLUM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
