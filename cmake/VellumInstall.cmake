# What `cmake --install` puts where. Every rule names the component, and so
# the Debian package, its files belong to (VellumPackages.cmake):
#   library      libvellum1        the libraries and the modules they load
#   client       vellum            the command-line client and the examples
#   development  libvellum-dev     headers, CMake package, vellum.pc
#   python       python3-vellum    (bindings/python)
#   guidebook    vellum-guidebook  the documentation browser
#   manual       vellum-doc        the manual's pages
# Every run-time search path is relative to the file that carries it
# ($ORIGIN), so an installed tree works wherever it is moved.
include(CMakePackageConfigHelpers)

set(VELLUM_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vellum)
set(VELLUM_HTML_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vellum-doc/html)

# The platform library is versioned with a soname; the automation library is
# versioned too, and its unversioned name stays the one activation loads.
set_target_properties(vellum_com PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} EXPORT_NAME Platform)
set_target_properties(VELLUM_XP PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} INSTALL_RPATH "$ORIGIN")
vellum_origin_path(_bin_to_lib ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBDIR})
set_target_properties(vellum PROPERTIES INSTALL_RPATH "${_bin_to_lib}")

install(TARGETS vellum RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT client)
# Activation loads Vellum_XP.so by that name, so the name link is part of
# the run-time library, not of the development files.
install(TARGETS VELLUM_XP LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library)
# The modules loaded beside the library on first use: pictures (and the
# metafile player the picture module loads beside itself), font files, and
# cryptography for encrypted and signed documents.
set_target_properties(vellum_pictures_module vellum_metafiles_module vellum_fonts_module vellum_crypto_module
  PROPERTIES INSTALL_RPATH "\$ORIGIN")
install(TARGETS vellum_pictures_module vellum_metafiles_module vellum_fonts_module vellum_crypto_module
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library)
install(TARGETS vellum_com vellum_api EXPORT VellumTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development)

# Public headers: the C++ layer, the interface header and the platform
# headers these two include, nothing else.
install(FILES include/vellum/document.hpp include/vellum/document_members.hpp automation/VELLUM_XP_TLB.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vellum COMPONENT development)
install(FILES
    platform/com/activation.h platform/com/bstr.h platform/com/codepage.h platform/com/errorinfo.h
    platform/com/interfaces.h platform/com/raii.h platform/com/safearray.h platform/com/types.h
    platform/com/variant.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vellum/com COMPONENT development)

# find_package(Vellum): the imported target Vellum::Vellum.
install(EXPORT VellumTargets NAMESPACE Vellum:: DESTINATION ${VELLUM_CMAKE_DIR} COMPONENT development)
configure_package_config_file(cmake/VellumConfig.cmake.in ${PROJECT_BINARY_DIR}/VellumConfig.cmake
  INSTALL_DESTINATION ${VELLUM_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VellumConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VellumConfig.cmake ${PROJECT_BINARY_DIR}/VellumConfigVersion.cmake
  DESTINATION ${VELLUM_CMAKE_DIR} COMPONENT development)

# pkg-config: the prefix is found from the .pc file's own folder.
file(RELATIVE_PATH VELLUM_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig
  ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VELLUM_PC_TO_PREFIX "${VELLUM_PC_TO_PREFIX}")
configure_file(cmake/vellum.pc.in ${PROJECT_BINARY_DIR}/vellum.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vellum.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)

# The manual.
if(TARGET vellum_manual)
  get_target_property(_manual_dir vellum_manual VELLUM_MANUAL_DIR)
  install(DIRECTORY ${_manual_dir}/ DESTINATION ${VELLUM_HTML_DIR} COMPONENT manual)
endif()
# The example scripts and the pictures and fonts the manual's examples name,
# where the manual says they are.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vellum/examples
  COMPONENT client)

# The documentation browser reads html/ beside its program file: it lives in
# libexec/vellum beside a link to the manual, and bin/guidebook links to it.
if(TARGET guidebook)
  set(_guidebook_dir ${CMAKE_INSTALL_LIBEXECDIR}/vellum)
  install(TARGETS guidebook RUNTIME DESTINATION ${_guidebook_dir} COMPONENT guidebook)
  file(RELATIVE_PATH _to_html ${CMAKE_INSTALL_PREFIX}/${_guidebook_dir} ${CMAKE_INSTALL_PREFIX}/${VELLUM_HTML_DIR})
  file(RELATIVE_PATH _to_guidebook ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
    ${CMAKE_INSTALL_PREFIX}/${_guidebook_dir}/guidebook)
  install(CODE "
    set(_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    file(MAKE_DIRECTORY \"\${_root}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"${_to_html}\" \"\${_root}/${_guidebook_dir}/html\" SYMBOLIC)
    file(CREATE_LINK \"${_to_guidebook}\" \"\${_root}/${CMAKE_INSTALL_BINDIR}/guidebook\" SYMBOLIC)"
    COMPONENT guidebook)
endif()

include(cmake/VellumPackages.cmake)
