# Checks the type library's IDL. Called by ctest:
#   cmake -DCASE=current -DKORTOOLS=<kortools> -DIDL=<korTools.idl> -DOUT=<dir> -P idl_check.cmake
#     the file matches what the built kortools writes now;
#   cmake -DCASE=widl -DWIDL=<widl> -DIDL=<korTools.idl> -DSTUBS=<dir> -DOUT=<dir> -P idl_check.cmake
#     widl compiles it to a type library.
file(MAKE_DIRECTORY "${OUT}")
if(CASE STREQUAL "current")
  execute_process(COMMAND "${KORTOOLS}" describe --idl RESULT_VARIABLE rc OUTPUT_VARIABLE now ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "kortools describe --idl failed (${rc}): ${err}")
  endif()
  file(READ "${IDL}" kept)
  if(NOT now STREQUAL kept)
    file(WRITE "${OUT}/korTools.idl" "${now}")
    execute_process(COMMAND diff -u "${IDL}" "${OUT}/korTools.idl")
    message(FATAL_ERROR "${IDL} is out of date with the type information; regenerate it with:\n"
                        "  \"${KORTOOLS}\" describe --idl > \"${IDL}\"")
  endif()
elseif(CASE STREQUAL "widl")
  # The system's IDL files when they are installed, otherwise the stand-ins
  # next to this script (the automation declarations and stdole2).
  set(include "${STUBS}")
  foreach(dir /usr/include/wine/wine/windows /usr/include/wine/windows /usr/share/mingw-w64/include)
    if(EXISTS "${dir}/oaidl.idl" AND EXISTS "${dir}/stdole2.idl")
      set(include "${dir}")
      break()
    endif()
  endforeach()
  execute_process(COMMAND "${WIDL}" -t -I "${include}" -o "${OUT}/stdole2.tlb" "${include}/stdole2.idl"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "widl could not build stdole2.tlb from ${include}: ${err}")
  endif()
  file(REMOVE "${OUT}/korTools.tlb")
  execute_process(COMMAND "${WIDL}" -t -I "${include}" -L "${OUT}" -o "${OUT}/korTools.tlb" "${IDL}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT EXISTS "${OUT}/korTools.tlb")
    message(FATAL_ERROR "widl rejects ${IDL} (${rc}): ${err}")
  endif()
else()
  message(FATAL_ERROR "unknown CASE ${CASE}")
endif()
