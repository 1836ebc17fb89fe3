# Debian packages, made by CPack from the install rules (scripts/package
# builds, checks and installs them):
#
#   libkortools4      the shared library                 (component runtime)
#   libkortools-dev   headers, static library, CMake package and pkg-config
#                     files                              (component dev)
#   kortools          the host, its manual page and bash completion
#                                                        (component host)
#
# Configure with -DKORTOOLS_DEBIAN=ON and -DCMAKE_INSTALL_PREFIX=/usr, then
# `cpack -G DEB` in the build tree. Each package carries the licence as
# /usr/share/doc/<package>/copyright and a changelog.gz beside it.

include_guard(GLOBAL)
option(KORTOOLS_DEBIAN "Install the Debian documentation files and set up the .deb packages" OFF)

set(KORTOOLS_DEB_MAINTAINER "korTools maintainers <kortools@example.org>")
set(KORTOOLS_DEB_RUNTIME "libkortools${PROJECT_VERSION_MAJOR}")
set(KORTOOLS_DEB_DEV "libkortools-dev")
set(KORTOOLS_DEB_HOST "kortools")

if(KORTOOLS_DEBIAN)
  # /usr/share/doc/<package>/{copyright,changelog.gz} for each package.
  set(stage ${PROJECT_BINARY_DIR}/debian)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${stage}/changelog @ONLY)
  add_custom_command(OUTPUT ${stage}/changelog.gz
    COMMAND gzip -9nkf ${stage}/changelog
    DEPENDS ${stage}/changelog
    VERBATIM)
  add_custom_target(kortools_deb_changelog ALL DEPENDS ${stage}/changelog.gz)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/libkortools4.lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${KORTOOLS_DEB_RUNTIME} COMPONENT runtime)
  foreach(component runtime dev host)
    string(TOUPPER ${component} upper)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${stage}/changelog.gz
      DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${KORTOOLS_DEB_${upper}} COMPONENT ${component})
  endforeach()
endif()

set(CPACK_PACKAGE_NAME kortools)
set(CPACK_PACKAGE_VENDOR "the korTools authors")
set(CPACK_PACKAGE_CONTACT "${KORTOOLS_DEB_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime dev host)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE kortools)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORTOOLS_DEB_MAINTAINER}")
# Depends: from the binaries' own needs (dpkg-shlibdeps), and on the library
# package of the same version for the -dev and host packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${KORTOOLS_DEB_RUNTIME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The shlibs file (only the library package has a shared library), and the
# ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What the library packages say of korTools, before what each one holds.
set(about "korTools gives programs five utility services with the behaviour of the
Windows automation component of the same name: INI-file settings (with
window placement), string parsing, CSV files, read access to a registry kept
in files, and file management with Windows path semantics.")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "INI, string, CSV, registry and file-management utilities (shared library)
${about}
.
This package holds the shared library.")

# The -dev package: the static library links the same libraries as the shared
# one, and the CMake package finds them through pkg-config.
set(dev_depends "")
if(KORTOOLS_DEBIAN)
  foreach(module IN LISTS KORTOOLS_PC_REQUIRES)
    execute_process(COMMAND pkg-config --variable=pcfiledir ${module} OUTPUT_VARIABLE dir
      OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND dpkg-query -S ${dir}/${module}.pc OUTPUT_VARIABLE owner RESULT_VARIABLE rc ERROR_QUIET)
    if(rc EQUAL 0 AND owner MATCHES "^([^:,]+)")
      list(APPEND dev_depends ${CMAKE_MATCH_1})
    else()
      message(WARNING "no Debian package holds ${module}.pc: libkortools-dev will not depend on it")
    endif()
  endforeach()
  if(KORTOOLS_PC_REQUIRES)
    list(APPEND dev_depends "pkgconf | pkg-config")
  endif()
endif()
list(JOIN dev_depends ", " dev_depends)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${KORTOOLS_DEB_DEV})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${dev_depends}")
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "INI, string, CSV, registry and file-management utilities (development files)
${about}
.
This package holds the C++20 headers, the static library, the CMake package
(find_package(korTools)) and the pkg-config files kortools.pc and
kortools-static.pc.")

set(CPACK_DEBIAN_HOST_PACKAGE_NAME ${KORTOOLS_DEB_HOST})
set(CPACK_DEBIAN_HOST_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_HOST_DEPENDS runtime)
set(CPACK_COMPONENT_HOST_DESCRIPTION
  "command-line automation host of the korTools utilities
kortools calls the classes of the korTools library by class and member name,
as a scripting host would: one call from the shell (kortools call), a
JSON-lines session for other programs (kortools serve), the type information
(kortools describe), and path names converted between the Windows and the
POSIX form (kortools path).")

include(CPack)
