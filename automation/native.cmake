# The native in-process server Vellum_XP.dll: exports from VELLUM_XP.def, the
# type library compiled from VELLUM_XP.idl with widl and embedded as resource
# TYPELIB 1, registration in the system registry.
find_program(VELLUM_WIDL_PROGRAM NAMES ${VELLUM_WIDL} x86_64-w64-mingw32-widl widl REQUIRED)
find_path(VELLUM_IDL_INCLUDE oaidl.idl PATHS /usr/include/wine/windows /usr/include/wine/wine/windows
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(VELLUM_STDOLE_DIR stdole2.tlb PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows
          NO_CMAKE_FIND_ROOT_PATH)

set(_tlb ${CMAKE_CURRENT_BINARY_DIR}/VELLUM_XP.tlb)
set(_widl_search -I${VELLUM_IDL_INCLUDE})
if(VELLUM_STDOLE_DIR)
  list(APPEND _widl_search -L${VELLUM_STDOLE_DIR})
endif()
add_custom_command(OUTPUT ${_tlb}
  COMMAND ${VELLUM_WIDL_PROGRAM} -m64 -t ${_widl_search} -o ${_tlb} ${CMAKE_CURRENT_SOURCE_DIR}/VELLUM_XP.idl
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/VELLUM_XP.idl
  COMMENT "Compiling the type library VELLUM_XP.tlb"
  VERBATIM)
set_source_files_properties(VELLUM_XP.rc PROPERTIES OBJECT_DEPENDS ${_tlb})

# Type information from the embedded type library, type_info.cpp's from the
# member table standing in when it cannot be loaded.
target_sources(vellum_automation PRIVATE type_info_win.cpp)

add_library(VELLUM_XP SHARED server.cpp registration_win.cpp VELLUM_XP.def VELLUM_XP.rc)
set_target_properties(VELLUM_XP PROPERTIES
  PREFIX "" OUTPUT_NAME "Vellum_XP" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_include_directories(VELLUM_XP PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(VELLUM_XP PRIVATE vellum_automation)
