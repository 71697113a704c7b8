# The engine on the native Windows build. libdeflate and HarfBuzz are
# compiled here from Debian's source packages (scripts/build-windows.sh
# fetches them), the same versions as the Linux build links, so both write the
# same compressed pages and the same font subsets; libidn, expat, FriBidi and
# libunibreak likewise, below.
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

# FriBidi orders right-to-left and mixed text, libunibreak finds line break
# opportunities: both compiled here, static, from Debian's source packages,
# the same versions as the Linux build links, so both builds lay out text
# alike.
set(VELLUM_FRIBIDI_SOURCE "" CACHE PATH "FriBidi's source tree (the folder holding lib/fribidi.h)")
if(NOT EXISTS "${VELLUM_FRIBIDI_SOURCE}/lib/fribidi.h")
  message(FATAL_ERROR "VELLUM_FRIBIDI_SOURCE must name FriBidi's source tree; scripts/build-windows.sh fetches it")
endif()
# Its release ships the Unicode tables its gen.tab programs make (lib/*.tab.i),
# so no host program has to run; without them the tree is not a release.
if(NOT EXISTS "${VELLUM_FRIBIDI_SOURCE}/lib/bidi-type.tab.i"
   OR NOT EXISTS "${VELLUM_FRIBIDI_SOURCE}/lib/fribidi-unicode-version.h")
  message(FATAL_ERROR "${VELLUM_FRIBIDI_SOURCE} lacks FriBidi's generated tables (lib/*.tab.i)")
endif()
# fribidi-config.h as its own build writes it, the version taken from the tree.
function(vellum_fribidi_config_header)
  file(STRINGS ${VELLUM_FRIBIDI_SOURCE}/meson.build project REGEX "version *: *'[0-9.]+'")
  file(STRINGS ${VELLUM_FRIBIDI_SOURCE}/meson.build interface REGEX "^interface_version *= *[0-9]+")
  if(NOT project MATCHES "'(([0-9]+)\\.([0-9]+)\\.([0-9]+))'" OR interface STREQUAL "")
    message(FATAL_ERROR "No version in ${VELLUM_FRIBIDI_SOURCE}/meson.build")
  endif()
  set(FRIBIDI_VERSION ${CMAKE_MATCH_1})
  set(FRIBIDI_MAJOR_VERSION ${CMAKE_MATCH_2})
  set(FRIBIDI_MINOR_VERSION ${CMAKE_MATCH_3})
  set(FRIBIDI_MICRO_VERSION ${CMAKE_MATCH_4})
  string(REGEX REPLACE "[^0-9]" "" FRIBIDI_INTERFACE_VERSION "${interface}")
  set(PACKAGE fribidi)
  set(PACKAGE_NAME "GNU FriBidi")
  set(PACKAGE_BUGREPORT "https://github.com/fribidi/fribidi/issues/new")
  set(SIZEOF_INT 4)
  set(FRIBIDI_MSVC_BUILD_PLACEHOLDER "#undef FRIBIDI_BUILT_WITH_MSVC")
  configure_file(${VELLUM_FRIBIDI_SOURCE}/lib/fribidi-config.h.in ${CMAKE_CURRENT_BINARY_DIR}/fribidi/fribidi-config.h @ONLY)
endfunction()
vellum_fribidi_config_header()
# What its configure finds on mingw-w64; debugging code left out, as in a
# release build.
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/fribidi/config.h CONTENT [[
#define HAVE_MEMMOVE 1
#define HAVE_MEMSET 1
#define HAVE_STRDUP 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define HAVE_MEMORY_H 1
#define HAVE_STRINGS_H 1
#define STDC_HEADERS 1
#define HAVE_STRINGIZE 1
]])
foreach(_source fribidi fribidi-arabic fribidi-bidi fribidi-bidi-types fribidi-brackets fribidi-char-sets
        fribidi-char-sets-cap-rtl fribidi-char-sets-cp1255 fribidi-char-sets-cp1256 fribidi-char-sets-iso8859-6
        fribidi-char-sets-iso8859-8 fribidi-char-sets-utf8 fribidi-deprecated fribidi-joining fribidi-joining-types
        fribidi-mirroring fribidi-run fribidi-shape)
  list(APPEND _fribidi_sources ${VELLUM_FRIBIDI_SOURCE}/lib/${_source}.c)
endforeach()
add_library(vellum_fribidi STATIC ${_fribidi_sources})
target_compile_definitions(vellum_fribidi PRIVATE HAVE_CONFIG_H)
target_include_directories(vellum_fribidi PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/fribidi)
target_include_directories(vellum_fribidi SYSTEM PUBLIC ${VELLUM_FRIBIDI_SOURCE}/lib ${CMAKE_CURRENT_BINARY_DIR}/fribidi)
# Its own project's warnings, not ours: its code is not ours to change. It
# asks for hidden visibility, which Windows objects do not have.
set_target_properties(vellum_fribidi PROPERTIES COMPILE_OPTIONS "-Wall;-Wno-attributes")

# libunibreak: its library files only (src/filter_dup.c is a tool), no
# configuration. A mirror need not serve its source; without it the DLL is
# built all the same, and the font code learns from VELLUM_WITHOUT_LIBUNIBREAK
# to ask the system's line breaker (Uniscribe) instead.
set(VELLUM_LIBUNIBREAK_SOURCE "" CACHE PATH "libunibreak's source tree (the folder holding src/linebreak.c), or empty")
if(EXISTS "${VELLUM_LIBUNIBREAK_SOURCE}/src/linebreak.c")
  set(_libunibreak_sources)
  foreach(_source linebreak linebreakdata linebreakdef wordbreak wordbreakdata)
    list(APPEND _libunibreak_sources ${VELLUM_LIBUNIBREAK_SOURCE}/src/${_source}.c)
  endforeach()
  add_library(vellum_libunibreak STATIC ${_libunibreak_sources})
  target_include_directories(vellum_libunibreak SYSTEM PUBLIC ${VELLUM_LIBUNIBREAK_SOURCE}/src)
  set_target_properties(vellum_libunibreak PROPERTIES COMPILE_OPTIONS "-Wall")  # as for FriBidi
else()
  message(WARNING "No libunibreak source (VELLUM_LIBUNIBREAK_SOURCE): the DLL breaks lines with the system's "
                  "line breaker (Uniscribe)")
  add_library(vellum_libunibreak INTERFACE)
  target_compile_definitions(vellum_libunibreak INTERFACE VELLUM_WITHOUT_LIBUNIBREAK)
endif()

# No module loading here: the picture and font code are linked in
# (platform/pictures, platform/fonts, picture_codec.cpp, font_services_loader.cpp).
# The cryptography is the system's (platform/crypto).
target_link_libraries(vellum_engine PUBLIC vellum_fonts vellum_pictures_api
                      PRIVATE vellum_libdeflate vellum_font_services vellum_crypto vellum_libidn vellum_expat
                              Threads::Threads)
