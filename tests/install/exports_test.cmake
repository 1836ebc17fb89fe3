# Every symbol that libkortools.so exports must belong to namespace kor.
#   cmake -DLIBRARY=libkortools.so -DNM=nm -P exports_test.cmake

foreach(var LIBRARY NM)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

execute_process(COMMAND "${NM}" -D --defined-only --format=just-symbols "${LIBRARY}"
  OUTPUT_VARIABLE text RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(STRIP "${text}" text)
string(REPLACE "\n" ";" symbols "${text}")
list(LENGTH symbols count)
if(count EQUAL 0)
  message(FATAL_ERROR "${LIBRARY} exports nothing")
endif()

# The mangled name of an entity of namespace kor, or of its virtual table,
# type information, guard variable or thunk (a function template's too,
# whose demangled name starts with its return type).
list(FILTER symbols EXCLUDE REGEX "^_Z(T[VITST]|GVZ?|Th[n0-9]+_|Tv[n0-9_]+_)?N[rVKRO]*3kor")
if(symbols)
  list(LENGTH symbols nbad)
  list(JOIN symbols "\n  " text)
  message(FATAL_ERROR "${nbad} of ${count} exported symbols are outside namespace kor (c++filt names them):\n  ${text}")
endif()
message(STATUS "all ${count} exported symbols are in namespace kor")
