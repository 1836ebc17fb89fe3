# Install rules and package files of korTools: the shared and static
# libraries, the public headers, the `kortools` host, the CMake package
# (find_package(korTools CONFIG) -> korTools::korTools, korTools::korTools_static)
# and the pkg-config files kortools.pc and kortools-static.pc.
#
# Included from the top level after the library targets and the host exist.

include_guard(GLOBAL)
include(CMakePackageConfigHelpers)

set(KORTOOLS_CMAKE_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/korTools")

# The public headers are C++20; consumers get the standard with the target.
target_compile_features(korTools PUBLIC cxx_std_20)
target_compile_features(korTools_static PUBLIC cxx_std_20)

# Only namespace kor leaves the shared library (see cmake/kortools.map).
if(NOT WIN32)  # a DLL exports only what KORTOOLS_API marks for export
  target_link_options(korTools PRIVATE "LINKER:--version-script=${PROJECT_SOURCE_DIR}/cmake/kortools.map")
  set_property(TARGET korTools APPEND PROPERTY LINK_DEPENDS "${PROJECT_SOURCE_DIR}/cmake/kortools.map")
endif()

# The installed host finds the library beside it whatever the prefix.
if(TARGET kortools)
  set_property(TARGET kortools PROPERTY INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS kortools RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT host)
endif()

install(TARGETS korTools korTools_static
  EXPORT korToolsTargets
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT dev
  RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT runtime)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/include/kortools"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}" COMPONENT dev
  FILES_MATCHING PATTERN "*.h")

# CMake package.
kortools_describe_link_deps(KORTOOLS)
install(EXPORT korToolsTargets
  NAMESPACE korTools::
  FILE korToolsTargets.cmake
  DESTINATION "${KORTOOLS_CMAKE_INSTALL_DIR}" COMPONENT dev)
configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/korToolsConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/korToolsConfig.cmake"
  INSTALL_DESTINATION "${KORTOOLS_CMAKE_INSTALL_DIR}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/korToolsConfigVersion.cmake"
  COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/korToolsConfig.cmake" "${PROJECT_BINARY_DIR}/korToolsConfigVersion.cmake"
  DESTINATION "${KORTOOLS_CMAKE_INSTALL_DIR}" COMPONENT dev)

# pkg-config files: kortools.pc for the shared library (its dependencies are
# private: Requires.private, Libs.private), kortools-static.pc for the static
# one (the dependencies are part of what it links).
# The prefix is the one given at install time (cmake --install build --prefix
# /opt/x), so the template is filled in two steps: everything but the prefix
# now, the prefix when installing.
set(KORTOOLS_PC_PREFIX "@CMAKE_INSTALL_PREFIX@")
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(KORTOOLS_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(KORTOOLS_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
foreach(variant shared static)
  if(variant STREQUAL "shared")
    set(KORTOOLS_PC_NAME kortools)
    set(KORTOOLS_PC_VARIANT "")
    set(KORTOOLS_PC_CFLAGS "")
    set(KORTOOLS_PC_LINK "-L\${libdir} -lkortools")
    set(KORTOOLS_PC_REQUIRES_PUBLIC "")
    set(KORTOOLS_PC_REQUIRES_PRIVATE "${KORTOOLS_PC_REQUIRES}")
    set(KORTOOLS_PC_LIBS_PRIVATE "${KORTOOLS_PC_LIBS}")
  else()
    set(KORTOOLS_PC_NAME kortools-static)
    set(KORTOOLS_PC_VARIANT " (static library)")
    set(KORTOOLS_PC_CFLAGS " -DKORTOOLS_STATIC")
    string(STRIP "\${libdir}/libkortools.a ${KORTOOLS_PC_LIBS}" KORTOOLS_PC_LINK)
    set(KORTOOLS_PC_REQUIRES_PUBLIC "${KORTOOLS_PC_REQUIRES}")
    set(KORTOOLS_PC_REQUIRES_PRIVATE "")
    set(KORTOOLS_PC_LIBS_PRIVATE "")
  endif()
  set(stage "${PROJECT_BINARY_DIR}/pkgconfig/${KORTOOLS_PC_NAME}.pc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/kortools.pc.in" "${stage}.in" @ONLY)
  install(CODE "configure_file(\"${stage}.in\" \"${stage}\" @ONLY)" COMPONENT dev)
  install(FILES "${stage}" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig" COMPONENT dev)
endforeach()
