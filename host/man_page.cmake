# Writes the manual page kortools.1.gz from the built program's --help and
# --version, each command's --help, and the hand-written sections of
# kortools.h2m, so that the page says what the program does.
#   cmake -DKORTOOLS=<binary> -DHELP2MAN=<help2man> -DINCLUDE=kortools.h2m -DOUT=kortools.1.gz -P man_page.cmake

foreach(var KORTOOLS HELP2MAN INCLUDE OUT)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
get_filename_component(dir "${OUT}" DIRECTORY)

# Each command's options, from its own --help, as one more section.
set(options "[COMMAND OPTIONS]\n")
foreach(command call serve describe path)
  execute_process(COMMAND "${KORTOOLS}" ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "kortools ${command} --help failed (${rc})")
  endif()
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND options ".SS \"kortools ${command}\"\n.nf\n${help}.fi\n")
endforeach()
file(WRITE "${dir}/kortools-options.h2m" "${options}")

execute_process(
  COMMAND "${HELP2MAN}" --no-info --section=1 --version-option=--version
    --include=${INCLUDE} --include=${dir}/kortools-options.h2m
    --output=${dir}/kortools.1 "${KORTOOLS}"
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man failed (${rc}): ${err}")
endif()
# Compressed as Debian's tools want it: best compression, no name or time
# stamp in the header, so that the same page gives the same bytes.
execute_process(COMMAND gzip -9nf "${dir}/kortools.1" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS "${OUT}")
  message(FATAL_ERROR "gzip failed (${rc})")
endif()
