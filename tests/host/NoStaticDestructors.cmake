# Fails when one of the libraries in LIBRARIES (separated by "|") registers the destructor of a
# static object (a call of __cxa_atexit). What the library keeps until the process ends is built
# in a TImmortal (tarnwick/platform/detail/Immortal.h), so that a host's static destructors may
# still use the library; a static object with a destructor would be gone by then.
string(REPLACE "|" ";" _libraries "${LIBRARIES}")
foreach(_lib ${_libraries})
  execute_process(COMMAND ${NM} -D --undefined-only ${_lib}
    OUTPUT_VARIABLE _symbols RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${_lib}")
  endif()
  if(_symbols MATCHES "__cxa_atexit")
    message(FATAL_ERROR "${_lib} registers the destructor of a static object: keep it in a TImmortal "
      "(objdump -dC ${_lib} | grep -B40 'call.*__cxa_atexit' shows where)")
  endif()
endforeach()
