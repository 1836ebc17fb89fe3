# Compiles the korTools type library with widl (package mingw-w64-tools):
# stdole2.tlb first, which it imports, then korTools.tlb, both into OUT.
#
#   cmake -DWIDL=<widl> -DIDL=<korTools.idl> -DSTUBS=<dir> -DOUT=<dir>
#         [-DWIDL_TARGET=-m32|-m64] [-DPYTHON=<python3> -DSTRING_DEFAULTS=<type_library.py>]
#         -P CompileTypeLibrary.cmake
#
# With STRING_DEFAULTS, the string defaults of by-reference parameters, which
# widl compiles as a stand-in 0, are put into korTools.tlb afterwards.
#
# The IDL files it imports are the system's (libwine-dev) when they are
# installed, otherwise the stand-ins in STUBS. widl warns about every default
# on a by-reference parameter, which the type library format allows and the
# library publishes on purpose; that warning is not repeated, anything else
# widl says is.
file(MAKE_DIRECTORY "${OUT}")
set(_include "${STUBS}")
foreach(dir /usr/include/wine/wine/windows /usr/include/wine/windows /usr/share/mingw-w64/include)
  if(EXISTS "${dir}/oaidl.idl" AND EXISTS "${dir}/stdole2.idl")
    set(_include "${dir}")
    break()
  endif()
endforeach()

function(_kortools_widl output input)
  file(REMOVE "${output}")
  execute_process(COMMAND "${WIDL}" ${WIDL_TARGET} -t -I "${_include}" -L "${OUT}" -o "${output}" "${input}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[^\n]*warning: non-null pointer default value\n?" "" said "${out}${err}")
  if(NOT rc EQUAL 0 OR NOT EXISTS "${output}")
    message(FATAL_ERROR "widl could not compile ${input} (${rc}, IDL files from ${_include}):\n${out}${err}")
  elseif(NOT said STREQUAL "")
    message("${said}")
  endif()
endfunction()

_kortools_widl("${OUT}/stdole2.tlb" "${_include}/stdole2.idl")
_kortools_widl("${OUT}/korTools.tlb" "${IDL}")
if(STRING_DEFAULTS)
  execute_process(COMMAND "${PYTHON}" "${STRING_DEFAULTS}" put-string-defaults "${OUT}/korTools.tlb" "${IDL}"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    file(REMOVE "${OUT}/korTools.tlb")
    message(FATAL_ERROR "The string defaults could not be put into korTools.tlb:\n${err}")
  endif()
endif()
