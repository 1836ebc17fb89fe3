# Every symbol that libkortools.so exports must belong to namespace kor.
#   cmake -DLIBRARY=libkortools.so -DNM=nm -P exports_test.cmake

foreach(var LIBRARY NM)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

function(dynamic_symbols out)
  execute_process(COMMAND "${NM}" -D --defined-only ${ARGN} "${LIBRARY}"
    OUTPUT_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
  endif()
  # One symbol per line: "address type name". Demangled names hold spaces,
  # and the characters with a meaning in CMake lists are set aside.
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "[" "<lb>" text "${text}")
  string(REPLACE "]" "<rb>" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]* +[A-Za-z] +" "" name "${line}")
    list(APPEND names "${name}")
  endforeach()
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

dynamic_symbols(mangled)
dynamic_symbols(demangled -C)
list(LENGTH mangled count)
list(LENGTH demangled count_demangled)
if(NOT count EQUAL count_demangled)
  message(FATAL_ERROR "nm listed ${count} symbols, ${count_demangled} demangled")
endif()
if(count EQUAL 0)
  message(FATAL_ERROR "${LIBRARY} exports nothing")
endif()

set(symbol_kinds "^(vtable for |VTT for |construction vtable for |typeinfo for |typeinfo name for |guard variable for |non-virtual thunk to |virtual thunk to |covariant return thunk to )+")
set(bad "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET mangled ${i} m)
  list(GET demangled ${i} d)
  string(REGEX REPLACE "${symbol_kinds}" "" entity "${d}")
  if(entity MATCHES "^kor::")
    continue()
  endif()
  # A function template's demangled name starts with its return type
  # ("short kor::ChangeType<short>(kor::Variant const&)"); its mangled name
  # still says where it lives.
  if(m MATCHES "^_ZN[rVK]*3kor")
    continue()
  endif()
  list(APPEND bad "  ${d}  (${m})")
endforeach()

if(bad)
  list(LENGTH bad nbad)
  list(JOIN bad "\n" text)
  string(REPLACE "<semicolon>" ";" text "${text}")
  string(REPLACE "<lb>" "[" text "${text}")
  string(REPLACE "<rb>" "]" text "${text}")
  message(FATAL_ERROR "${nbad} of ${count} exported symbols are outside namespace kor:\n${text}")
endif()
message(STATUS "all ${count} exported symbols are in namespace kor")
