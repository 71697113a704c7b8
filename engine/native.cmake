# The engine on the native Windows build. libdeflate is compiled here from
# Debian's source package (scripts/build-windows.sh fetches it), the same
# version as the Linux build links, so both write the same compressed pages.
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

# No HarfBuzz for the target: Unicode fonts are refused with a clear message.
target_sources(vellum_engine PRIVATE unicode_font_unavailable.cpp)
set_source_files_properties(unicode_font.cpp PROPERTIES HEADER_FILE_ONLY ON)

# No module loading here: the picture code and its entry points are linked
# in (platform/pictures, picture_codec.cpp).
target_link_libraries(vellum_engine PUBLIC vellum_fonts vellum_pictures_api
                      PRIVATE vellum_libdeflate Threads::Threads)
