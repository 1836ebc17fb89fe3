# Installs a build into a scratch prefix and uses it as a consumer would.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DCXX=c++ [-DCXX_FLAGS=...]
#         [-DEXE_LINKER_FLAGS=...] [-DGENERATOR=...] [-DLIBDIR=lib] -P install_test.cmake

foreach(var BUILD_DIR SOURCE_DIR WORK_DIR CXX)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
if(NOT LIBDIR)
  set(LIBDIR lib)
endif()
set(prefix "${WORK_DIR}/prefix")

function(run what)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT;WORKING_DIRECTORY" "COMMAND")
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY "${WORK_DIR}")
  endif()
  execute_process(COMMAND ${arg_COMMAND} WORKING_DIRECTORY "${arg_WORKING_DIRECTORY}"
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(JOIN arg_COMMAND " " cmd)
    message(FATAL_ERROR "${what} failed (${rc}):\n$ ${cmd}\n${out}\n${err}")
  endif()
  if(arg_OUTPUT)
    set(${arg_OUTPUT} "${out}" PARENT_SCOPE)
  endif()
endfunction()

function(expect_output what text)
  foreach(want IN LISTS ARGN)
    string(FIND "${text}" "${want}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${what}: expected '${want}' in its output:\n${text}")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# 1. Install.
run("install" COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
# The headers, libraries, package files and the host are used below; the
# shell completion is looked for here.
if(NOT EXISTS "${prefix}/share/bash-completion/completions/kortools")
  message(FATAL_ERROR "not installed: the bash completion of kortools")
endif()
file(GLOB private_headers "${prefix}/include/kortools/*.cpp" "${prefix}/include/frame" "${prefix}/include/platform")
if(private_headers)
  message(FATAL_ERROR "private files installed: ${private_headers}")
endif()

# 2. The installed host starts (finds its library through its run path).
execute_process(COMMAND "${prefix}/bin/kortools" call korParse.ParseString "a,b,c" "," 2
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(rc EQUAL 127 OR err MATCHES "error while loading shared libraries")
  message(FATAL_ERROR "the installed kortools does not start:\n${err}")
endif()

# 3. The example, built against the installed CMake package.
set(example_build "${WORK_DIR}/example")
set(gen_args "")
if(GENERATOR)
  set(gen_args -G "${GENERATOR}")
endif()
run("configuring the example" COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/examples" -B "${example_build}"
  ${gen_args}
  "-DCMAKE_PREFIX_PATH=${prefix}"
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
  "-DCMAKE_CXX_COMPILER=${CXX}"
  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
  "-DCMAKE_EXE_LINKER_FLAGS=${EXE_LINKER_FLAGS}"
  OUTPUT out)
expect_output("configuring the example" "${out}" "from ${prefix}/${LIBDIR}/cmake/korTools")
run("building the example" COMMAND "${CMAKE_COMMAND}" --build "${example_build}")
foreach(exe parse_line parse_line_static)
  run("${exe}" COMMAND "${example_build}/${exe}" "x;y;z" ";" 3 OUTPUT out)
  expect_output("${exe}" "${out}"
    "ParseString field 3: z"
    "SmartParse: 3 values"
    "late-bound ParseString: b")
endforeach()

# 4. A one-file program built with pkg-config, against each library, in
# the C++ standard the pkg-config file names.
find_program(PKG_CONFIG NAMES pkg-config pkgconf REQUIRED)
set(ENV{PKG_CONFIG_PATH} "${prefix}/${LIBDIR}/pkgconfig")
file(WRITE "${WORK_DIR}/pc_main.cpp" [=[
#include <kortools/korParse.h>

#include <cstdio>

int main() {
  kor::korParse parse;
  kor::String line = u"a,b,c";
  std::puts(parse.ParseString(line, u",", 2) == u"b" ? "ok" : "wrong field");
}
]=])
separate_arguments(cxx_flags UNIX_COMMAND "${CXX_FLAGS} ${EXE_LINKER_FLAGS}")
run("pkg-config --variable=cxx_standard" COMMAND "${PKG_CONFIG}" --variable=cxx_standard kortools OUTPUT std)
string(STRIP "${std}" std)
foreach(pc kortools kortools-static)
  run("pkg-config ${pc}" COMMAND "${PKG_CONFIG}" --cflags --libs ${pc} OUTPUT pc_flags)
  separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
  set(exe "${WORK_DIR}/pc_main_${pc}")
  run("compiling with ${pc}.pc" COMMAND "${CXX}" -std=${std} ${cxx_flags} "${WORK_DIR}/pc_main.cpp" -o "${exe}"
    ${pc_flags} "-Wl,-rpath,${prefix}/${LIBDIR}")
  run("${exe}" COMMAND "${exe}" OUTPUT out)
  expect_output("${exe}" "${out}" "ok")
endforeach()

# The static builds really carry the library.
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES "${example_build}/parse_line_static" "${WORK_DIR}/pc_main_kortools-static"
  RESOLVED_DEPENDENCIES_VAR deps UNRESOLVED_DEPENDENCIES_VAR unresolved
  DIRECTORIES "${prefix}/${LIBDIR}")
if(deps MATCHES "libkortools" OR unresolved MATCHES "libkortools")
  message(FATAL_ERROR "a static build loads the shared library: ${deps} ${unresolved}")
endif()

message(STATUS "installed package works from ${prefix}")
