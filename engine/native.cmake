# The engine on the native Windows build. libdeflate and HarfBuzz are
# compiled here from Debian's source packages (scripts/build-windows.sh
# fetches them), the same versions as the Linux build links, so both write the
# same compressed pages and the same font subsets; libidn and expat likewise,
# below.
set(VELLUM_LIBDEFLATE_SOURCE "" CACHE PATH "Unpacked libdeflate source tree (the folder holding libdeflate.h)")
if(NOT EXISTS "${VELLUM_LIBDEFLATE_SOURCE}/libdeflate.h")
  message(FATAL_ERROR "VELLUM_LIBDEFLATE_SOURCE must name libdeflate's source tree; scripts/build-windows.sh fetches it")
endif()
file(GLOB _libdeflate_sources ${VELLUM_LIBDEFLATE_SOURCE}/lib/*.c ${VELLUM_LIBDEFLATE_SOURCE}/lib/x86/*.c)
add_library(vellum_libdeflate STATIC ${_libdeflate_sources})
target_include_directories(vellum_libdeflate SYSTEM PUBLIC ${VELLUM_LIBDEFLATE_SOURCE})
# Built with its own project's warnings (-Wall, not -Wextra): its code is not ours to change.
get_target_property(_libdeflate_options vellum_libdeflate COMPILE_OPTIONS)
list(REMOVE_ITEM _libdeflate_options -Wextra)
set_target_properties(vellum_libdeflate PROPERTIES COMPILE_OPTIONS "${_libdeflate_options}")

set(VELLUM_HARFBUZZ_SOURCE "" CACHE PATH "Unpacked HarfBuzz source tree (the folder holding src/hb.h)")
if(NOT EXISTS "${VELLUM_HARFBUZZ_SOURCE}/src/harfbuzz-subset.cc")
  message(FATAL_ERROR "VELLUM_HARFBUZZ_SOURCE must name HarfBuzz's source tree; scripts/build-windows.sh fetches it")
endif()
# HarfBuzz's single-file build of the library with its subsetter, compiled
# the way its own build compiles it.
add_library(vellum_harfbuzz STATIC ${VELLUM_HARFBUZZ_SOURCE}/src/harfbuzz-subset.cc)
target_include_directories(vellum_harfbuzz SYSTEM PUBLIC ${VELLUM_HARFBUZZ_SOURCE}/src)
set_target_properties(vellum_harfbuzz PROPERTIES COMPILE_OPTIONS "-fno-exceptions;-fno-rtti;-fno-threadsafe-statics")

# libidn's stringprep for SASLprep of AES-256 passwords
# (encryption_saslprep.cpp), the same version as the Linux build links. Its
# own build system makes the static library (scripts/build-windows.sh): the
# headers it generates for the target are part of it.
set(VELLUM_LIBIDN_SOURCE "" CACHE PATH "libidn's source tree, configured and built for the target")
set(_libidn_archive ${VELLUM_LIBIDN_SOURCE}/lib/.libs/libidn.a)
if(NOT EXISTS "${_libidn_archive}" OR NOT EXISTS "${VELLUM_LIBIDN_SOURCE}/lib/idn-int.h")
  message(FATAL_ERROR "VELLUM_LIBIDN_SOURCE must name libidn's source tree built for the target; "
                      "scripts/build-windows.sh builds it")
endif()
add_library(vellum_libidn STATIC IMPORTED)
set_target_properties(vellum_libidn PROPERTIES IMPORTED_LOCATION ${_libidn_archive})
target_include_directories(vellum_libidn SYSTEM INTERFACE ${VELLUM_LIBIDN_SOURCE}/lib)

# expat reads callers' XMP descriptions (xmp_extension.cpp). Its three
# library files are compiled here, static, with the settings of Debian's
# build (namespaces, DTD handling, 1024 bytes of context); on Windows it
# draws its hash salt from rand_s.
set(VELLUM_EXPAT_SOURCE "" CACHE PATH "expat's source tree (the folder holding lib/xmlparse.c)")
if(NOT EXISTS "${VELLUM_EXPAT_SOURCE}/lib/xmlparse.c")
  message(FATAL_ERROR "VELLUM_EXPAT_SOURCE must name expat's source tree; scripts/build-windows.sh fetches it")
endif()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/expat/expat_config.h CONTENT [[
#define BYTEORDER 1234
#define XML_CONTEXT_BYTES 1024
#define XML_DTD 1
#define XML_NS 1
]])
add_library(vellum_expat STATIC ${VELLUM_EXPAT_SOURCE}/lib/xmlparse.c ${VELLUM_EXPAT_SOURCE}/lib/xmlrole.c
                                ${VELLUM_EXPAT_SOURCE}/lib/xmltok.c)
target_include_directories(vellum_expat PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/expat)
target_include_directories(vellum_expat SYSTEM PUBLIC ${VELLUM_EXPAT_SOURCE}/lib)
# Linked in, not imported from a DLL.
target_compile_definitions(vellum_expat PUBLIC XML_STATIC)
# Its debugging report prints sizes with MinGW's "I64" length, which GCC's
# format check does not know: a false alarm in code not ours to change.
target_compile_options(vellum_expat PRIVATE -Wno-format)

# No module loading here: the picture and font code are linked in
# (platform/pictures, platform/fonts, picture_codec.cpp, font_services_loader.cpp).
# The cryptography is the system's (platform/crypto).
target_link_libraries(vellum_engine PUBLIC vellum_fonts vellum_pictures_api
                      PRIVATE vellum_libdeflate vellum_font_services vellum_crypto vellum_libidn vellum_expat
                              Threads::Threads)
