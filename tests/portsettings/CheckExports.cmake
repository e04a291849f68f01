# cmake -DNM=<nm> -DBINARY=<file> -DDEFINED=<a;b> [-DUNDEFINED=<c;d>] -P CheckExports.cmake
# Fails unless the dynamic symbols BINARY defines are exactly DEFINED and every symbol of
# UNDEFINED is one it takes from elsewhere.
cmake_minimum_required(VERSION 3.25)

function(dynamic_symbols out)
  execute_process(COMMAND ${NM} -D ${ARGN} ${BINARY}
                  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} ${ARGN} ${BINARY} failed: ${errors}")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  set(symbols "")
  foreach(line IN LISTS lines)
    if(line MATCHES "([^ \t]+)$")
      list(APPEND symbols "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(SORT symbols)
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

dynamic_symbols(defined --defined-only)
set(expected ${DEFINED})
list(SORT expected)
if(NOT defined STREQUAL expected)
  message(FATAL_ERROR "${BINARY} defines the dynamic symbols [${defined}], expected [${expected}]")
endif()

if(UNDEFINED)
  dynamic_symbols(undefined --undefined-only)
  foreach(symbol IN LISTS UNDEFINED)
    if(NOT symbol IN_LIST undefined)
      message(FATAL_ERROR "${BINARY} does not take ${symbol} from elsewhere")
    endif()
  endforeach()
endif()
message(STATUS "${BINARY}: defines [${defined}]")
