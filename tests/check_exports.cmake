cmake_policy(SET CMP0057 NEW)
# Checks that the shared library defines exactly the documented exports, unmangled.
set(expected OpenEpwing CloseEpwing epwGetBooks epwGetBookInfo epwSelectBook epwBooksOpen
    epwBooksClose epwGetWordProperties epwGetWordItem epwGetWordContent epwGetImageSize
    epwGetImage epwGetSoundProp epwGetPcmSize epwGetPcmCont epwGetNextContentByWord
    epwGetLastContentByWord epwShowExCode epwExCode2Bmp epwShowExCodePixel epwGetLinkContent
    GetWordCont GetWordContLast GetWordContNext GetLinkContent GetLinkContByPt IsEpwBook
    GetMenuHead GetContLastNoSet)
execute_process(COMMAND nm -D --defined-only ${LIB} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()
list(LENGTH expected n)
if(NOT n EQUAL 29)
  message(FATAL_ERROR "the list holds ${n} names")
endif()
foreach(name IN LISTS expected)
  if(NOT out MATCHES " T ${name}\n")
    message(FATAL_ERROR "${name} is not exported by ${LIB}")
  endif()
endforeach()
# Any other defined symbol, of whatever kind (a C++ name leaking out shows here mangled),
# is a mistake; the POSIX stand-ins for the Windows platform carry the Tomeshelf prefix.
string(REGEX MATCHALL "[0-9a-fA-F]+ [A-Za-z] [^\n]+" all "${out}")
list(LENGTH all defined)
if(defined LESS 29)
  message(FATAL_ERROR "only ${defined} defined symbols in ${LIB}")
endif()
foreach(line IN LISTS all)
  string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" name "${line}")
  if(NOT name IN_LIST expected AND NOT name MATCHES "^Tomeshelf[A-Za-z]+$")
    message(FATAL_ERROR "unexpected export ${name}")
  endif()
endforeach()
