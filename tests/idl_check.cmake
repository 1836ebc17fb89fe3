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
  include("${CMAKE_CURRENT_LIST_DIR}/../cmake/CompileTypeLibrary.cmake")
else()
  message(FATAL_ERROR "unknown CASE ${CASE}")
endif()
