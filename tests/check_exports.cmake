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
string(REGEX MATCHALL " T [^\n]+" all "${out}")
foreach(line IN LISTS all)
  string(SUBSTRING "${line}" 3 -1 name)
  if(NOT name IN_LIST expected AND NOT name MATCHES "^Tomeshelf")
    message(FATAL_ERROR "unexpected export ${name}")
  endif()
endforeach()
