# Settings of the native Windows build (cross-compiled with mingw-w64, see
# toolchain-mingw64.cmake). The output is Vellum_XP.dll with LICENSE and
# THIRD-PARTY-NOTICES beside it: no tests, benchmarks, tools or browser, and
# no DLL of the compiler's beside it.
set(VELLUM_TESTS OFF CACHE BOOL "" FORCE)
set(VELLUM_BENCH OFF CACHE BOOL "" FORCE)
set(VELLUM_GUIDEBOOK OFF CACHE BOOL "" FORCE)
set(VELLUM_PYTHON OFF CACHE BOOL "" FORCE)

# Windows 7 API level; gmtime_r/localtime_r from mingw-w64's <time.h>.
add_compile_definitions(_WIN32_WINNT=0x0601 _POSIX_THREAD_SAFE_FUNCTIONS=200112L)

# libstdc++, libgcc and winpthread linked in.
add_link_options(-static -static-libgcc -static-libstdc++)

# The DLL travels with our licence and the notices of the code linked into
# it, beside it in the output folder.
foreach(_notice LICENSE THIRD-PARTY-NOTICES)
  configure_file(${PROJECT_SOURCE_DIR}/${_notice} ${CMAKE_BINARY_DIR}/bin/${_notice} COPYONLY)
endforeach()
