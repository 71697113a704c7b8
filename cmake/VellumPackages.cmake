# cpack -G DEB: one Debian package per install component, so that a machine
# that only writes PDFs installs libvellum1 (and vellum) without Qt or Python.
# dpkg-shlibdeps declares the system libraries each package links; a package
# that needs our own libraries or pages depends on that package of the same
# version.

# Each package's /usr/share/doc/PACKAGE: `copyright` in Debian's
# machine-readable format (our MIT licence, taken from LICENSE, and the terms
# of the third-party files that package carries, cmake/debian/*.copyright),
# and THIRD-PARTY-NOTICES.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _licence)
string(REGEX REPLACE "^.*\nCopyright [^\n]*\n" "" _licence "${_licence}")
string(STRIP "${_licence}" _licence)
string(REPLACE "\n\n" "\n.\n" _licence "${_licence}")
string(REPLACE "\n" "\n " _licence "${_licence}")
set(VELLUM_EXPAT_PARAGRAPH "License: Expat\n ${_licence}\n")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

function(vellum_package_docs component package)
  set(text "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vellum
Comment: THIRD-PARTY-NOTICES beside this file lists the third-party code in
 all of Vellum's packages and in its Windows DLL, with the full licence texts.

Files: *
Copyright: 2026 The Vellum developers
License: Expat
")
  foreach(fragment ${ARGN})
    set(fragment_file ${PROJECT_SOURCE_DIR}/cmake/debian/${fragment}.copyright)
    file(READ ${fragment_file} fragment_text)
    string(APPEND text "\n${fragment_text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${fragment_file})
  endforeach()
  string(APPEND text "\n${VELLUM_EXPAT_PARAGRAPH}")

  set(copyright ${PROJECT_BINARY_DIR}/package-docs/${package}/copyright)
  file(WRITE ${copyright}.new "${text}")
  file(COPY_FILE ${copyright}.new ${copyright} ONLY_IF_DIFFERENT)
  file(REMOVE ${copyright}.new)
  install(FILES ${copyright} ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endfunction()

# Sets the name, section, architecture and description of a component's
# package; the description's first line is the synopsis.
function(vellum_package component package section architecture description)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package} PARENT_SCOPE)
  set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${description}" PARENT_SCOPE)
  if(NOT architecture STREQUAL "")
    set(CPACK_DEBIAN_${upper}_PACKAGE_ARCHITECTURE ${architecture} PARENT_SCOPE)
  endif()
endfunction()

set(_about "Vellum writes PDF 1.3 documents on behalf of other programs through one\n\
automation object, PDFDocument: text, shapes, pictures, links, notes and\n\
bookmarks.")

vellum_package(library libvellum1 libs "" "library writing PDF documents through the PDFDocument object
${_about}

This package holds the libraries: Vellum_XP.so, the object's in-process
server, which carries the Liberation 2 faces archival documents embed, and
libvellum_com.so.1, and the modules they load on first use for pictures,
metafiles and font files.")
vellum_package_docs(library libvellum1 liberation2-fonts)

vellum_package(client vellum text "" "command-line client running Vellum call scripts
${_about}

This package holds vellum, which runs call scripts (one call on the object
per line), and the example scripts with the pictures and fonts they use.")
vellum_package_docs(client vellum liberation-fonts)
set(CPACK_COMPONENT_CLIENT_DEPENDS library)

vellum_package(development libvellum-dev libdevel "" "development files for the Vellum PDF library
${_about}

This package holds the C++ headers (vellum/document.hpp over the object's
interface), the CMake package (find_package(Vellum), Vellum::Vellum) and
the pkg-config file vellum.pc.")
vellum_package_docs(development libvellum-dev)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
set(VELLUM_PACKAGE_COMPONENTS library client development)

if(TARGET vellum_python)
  vellum_package(python python3-vellum python "" "Python 3 module for the Vellum PDF library
${_about}

This package holds the module vellum: vellum.Dispatch() gives the object,
its properties as attributes and its methods as functions.")
  vellum_package_docs(python python3-vellum pybind11)
  set(CPACK_COMPONENT_PYTHON_DEPENDS library)
  # An extension module links no libpython: it needs the interpreter whose
  # ABI its file name carries.
  get_target_property(_suffix vellum_python SUFFIX)
  if(_suffix MATCHES "cpython-3([0-9]+)")
    math(EXPR _next "${CMAKE_MATCH_1} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= 3.${CMAKE_MATCH_1}), python3 (<< 3.${_next})")
  else()
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3")
  endif()
  list(APPEND VELLUM_PACKAGE_COMPONENTS python)
endif()

if(TARGET vellum_manual)
  vellum_package(manual vellum-doc doc all "manual of the Vellum PDF library
${_about}

This package holds the manual as HTML pages: a page for every member of the
object, and pages on units, fonts, pictures, international text and errors.")
  vellum_package_docs(manual vellum-doc)
  list(APPEND VELLUM_PACKAGE_COMPONENTS manual)
endif()

if(TARGET guidebook)
  vellum_package(guidebook vellum-guidebook doc "" "documentation browser for the Vellum manual
${_about}

This package holds guidebook, a small Qt browser that searches the manual's
pages for words and shows them.")
  vellum_package_docs(guidebook vellum-guidebook)
  # It reads the pages of vellum-doc.
  if(TARGET vellum_manual)
    set(CPACK_COMPONENT_GUIDEBOOK_DEPENDS manual)
  endif()
  list(APPEND VELLUM_PACKAGE_COMPONENTS guidebook)
endif()

set(CPACK_PACKAGE_NAME vellum)
set(CPACK_PACKAGE_VENDOR "The Vellum developers")
set(CPACK_PACKAGE_CONTACT "Vellum developers <vellum@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
# Only these; tests/install/debian_package.sh fails when a file is installed
# outside them.
set(CPACK_COMPONENTS_ALL ${VELLUM_PACKAGE_COMPONENTS})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are found in the build, not on the system; the
# dependency on their package is declared above.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
include(CPack)
