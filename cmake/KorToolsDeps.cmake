# Link dependencies of the library.
#
# The library's sources live in subfolders that add themselves to the object
# library `kortools_objects`; the shared and static libraries are packed from
# its objects afterwards, so a dependency has to be recorded where the top
# level can find it. It is kept in the target property KORTOOLS_LINK_DEPS of
# `kortools_objects`, and the install step turns the same list into the
# package files (find_dependency in korToolsConfig.cmake, Requires.private and
# Libs.private in kortools.pc).
#
# Two kinds of dependency are understood:
#
#   kortools_link_pkgconfig(hivex)
#       a library found through pkg-config: the objects get its compile flags,
#       both libraries link it, the CMake package looks it up again through
#       pkg-config, and kortools.pc lists it in Requires.private.
#
#   kortools_link_system(dl)
#       a plain system library linked by name (-ldl); kortools.pc lists it in
#       Libs.private. Functions that live in the C library itself (iconv,
#       dlopen on glibc 2.34 and later) need nothing.
#
# Other imported targets (Foo::Foo) cannot be written into kortools.pc, so the
# top level refuses them with a message pointing here.

include_guard(GLOBAL)

function(kortools_link_pkgconfig module)
  find_package(PkgConfig REQUIRED)
  string(MAKE_C_IDENTIFIER "${module}" id)
  if(NOT TARGET PkgConfig::kortools_dep_${id})
    pkg_check_modules(kortools_dep_${id} REQUIRED IMPORTED_TARGET GLOBAL "${module}")
  endif()
  target_link_libraries(kortools_objects PRIVATE PkgConfig::kortools_dep_${id})
  get_target_property(mods kortools_objects KORTOOLS_PKGCONFIG_MODULES)
  if(NOT mods OR NOT module IN_LIST mods)
    set_property(TARGET kortools_objects APPEND PROPERTY KORTOOLS_PKGCONFIG_MODULES "${module}")
    set_property(TARGET kortools_objects APPEND PROPERTY KORTOOLS_LINK_DEPS PkgConfig::kortools_dep_${id})
  endif()
endfunction()

function(kortools_link_system name)
  get_target_property(deps kortools_objects KORTOOLS_LINK_DEPS)
  if(NOT deps OR NOT name IN_LIST deps)
    set_property(TARGET kortools_objects APPEND PROPERTY KORTOOLS_LINK_DEPS "${name}")
  endif()
endfunction()

# Splits the recorded dependencies for the package files:
#   <prefix>_PC_REQUIRES  pkg-config modules (Requires.private)
#   <prefix>_PC_LIBS      linker flags of plain libraries (Libs.private)
# and stops with an error on an entry that cannot be written down.
function(kortools_describe_link_deps prefix)
  get_target_property(deps kortools_objects KORTOOLS_LINK_DEPS)
  get_target_property(mods kortools_objects KORTOOLS_PKGCONFIG_MODULES)
  if(NOT deps)
    set(deps "")
  endif()
  if(NOT mods)
    set(mods "")
  endif()
  set(libs "")
  foreach(dep IN LISTS deps)
    if(dep MATCHES "^PkgConfig::kortools_dep_")
      continue()
    elseif(dep MATCHES "::")
      message(FATAL_ERROR "KORTOOLS_LINK_DEPS holds the target '${dep}', which the installed package cannot "
                          "recreate. Use kortools_link_pkgconfig(<module>) or kortools_link_system(<name>) "
                          "(cmake/KorToolsDeps.cmake).")
    elseif(dep MATCHES "^-")
      list(APPEND libs "${dep}")
    else()
      list(APPEND libs "-l${dep}")
    endif()
  endforeach()
  list(JOIN mods " " req)
  list(JOIN libs " " libs)
  set(${prefix}_PC_REQUIRES "${req}" PARENT_SCOPE)
  set(${prefix}_PC_LIBS "${libs}" PARENT_SCOPE)
  set(${prefix}_PKGCONFIG_MODULES "${mods}" PARENT_SCOPE)
endfunction()
