# Installation folders (GNUInstallDirs) and the helper that turns the way
# from one installed folder to another into a run-time search path. Included
# before the subdirectories, so every folder can set its INSTALL_RPATH.
include(GNUInstallDirs)

# Sets out to "$ORIGIN" followed by the way from the installed folder `from`
# to `to` (both relative to the prefix), e.g. "$ORIGIN/../lib" for bin -> lib.
function(vellum_origin_path out from to)
  file(RELATIVE_PATH relative ${CMAKE_INSTALL_PREFIX}/${from} ${CMAKE_INSTALL_PREFIX}/${to})
  if(relative STREQUAL "")
    set(${out} "$ORIGIN" PARENT_SCOPE)
  else()
    set(${out} "$ORIGIN/${relative}" PARENT_SCOPE)
  endif()
endfunction()
