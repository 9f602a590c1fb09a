# Reads the 32-bit Tomeshelf.dll with objdump and checks what a caller of the DLL relies on:
# the 29 names at ordinals 2 to 30, each stdcall returning with `ret` of its argument bytes,
# only system DLLs imported, and version 1.0.0.1 in the version record.
# Use: cmake -DDLL=path/Tomeshelf.dll -DOBJDUMP=i686-w64-mingw32-objdump -P check_dll.cmake
cmake_policy(SET CMP0057 NEW)
if(NOT DLL OR NOT EXISTS "${DLL}")
  message(FATAL_ERROR "no DLL at '${DLL}'")
endif()
if(NOT OBJDUMP)
  set(OBJDUMP i686-w64-mingw32-objdump)
endif()
get_filename_component(file_name "${DLL}" NAME)
if(NOT file_name STREQUAL "Tomeshelf.dll")
  message(FATAL_ERROR "the DLL is named ${file_name}, not Tomeshelf.dll")
endif()

# Ordinal, name and argument bytes, in ordinal order from 2.
set(exports
  OpenEpwing 4  CloseEpwing 0  epwGetBooks 0  epwGetBookInfo 8  epwSelectBook 4
  epwBooksOpen 0  epwBooksClose 0  epwGetWordProperties 8  epwGetWordItem 8
  epwGetWordContent 16  epwGetImageSize 8  epwGetImage 12  epwGetSoundProp 8
  epwGetPcmSize 4  epwGetPcmCont 8  epwGetNextContentByWord 12  epwGetLastContentByWord 12
  epwShowExCode 40  epwExCode2Bmp 32  epwShowExCodePixel 36  epwGetLinkContent 16
  GetWordCont 16  GetWordContLast 12  GetWordContNext 12  GetLinkContent 16
  GetLinkContByPt 16  IsEpwBook 8  GetMenuHead 0  GetContLastNoSet 12)
set(allowed_imports KERNEL32.dll USER32.dll GDI32.dll msvcrt.dll)

set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

execute_process(COMMAND ${OBJDUMP} -p "${DLL}" OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${DLL}")
endif()

if(NOT headers MATCHES "file format pei-i386")
  fail("not a 32-bit x86 image")
endif()
if(NOT headers MATCHES "Ordinal Base[ \t]+2\n")
  fail("the ordinal base is not 2")
endif()
if(NOT headers MATCHES "\nName[ \t]+[0-9a-f]+ Tomeshelf\\.dll\n")
  fail("the export table does not name Tomeshelf.dll")
endif()

# The name table lists each name with its index from the ordinal base.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" name_table "${headers}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" name_lines "${name_table}")
list(LENGTH name_lines name_count)
if(NOT name_count EQUAL 29)
  fail("${name_count} exported names, not 29")
endif()
set(exported "")
foreach(line IN LISTS name_lines)
  string(REGEX REPLACE "^\\[ *([0-9]+)\\] (.*)$" "\\1;\\2" pair "${line}")
  list(GET pair 0 index)
  list(GET pair 1 name)
  math(EXPR ordinal "${index} + 2")
  list(APPEND exported "${ordinal}:${name}")
endforeach()

execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn "${DLL}"
                OUTPUT_VARIABLE code RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -d failed on ${DLL}")
endif()

set(ordinal 2)
list(LENGTH exports pairs)
math(EXPR last "${pairs} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET exports ${i} name)
  list(GET exports ${j} bytes)
  if(NOT "${ordinal}:${name}" IN_LIST exported)
    fail("${name} is not exported by name at ordinal ${ordinal}")
  endif()
  math(EXPR ordinal "${ordinal} + 1")

  # The function body, from its stdcall symbol to the blank line after it.
  string(FIND "${code}" "<_${name}@${bytes}>:\n" at)
  if(at EQUAL -1)
    fail("no function _${name}@${bytes} in the disassembly")
    continue()
  endif()
  string(SUBSTRING "${code}" ${at} -1 body)
  string(FIND "${body}" "\n\n" end)
  string(SUBSTRING "${body}" 0 ${end} body)
  string(REGEX MATCHALL "\tret[ \t]*[^\n]*" rets "${body}")
  if(bytes EQUAL 0)
    set(want "\tret")
  else()
    math(EXPR hex "${bytes}" OUTPUT_FORMAT HEXADECIMAL)
    set(want "\tret    $${hex}")
  endif()
  if(NOT rets)
    fail("${name} has no ret of its own")
  endif()
  foreach(ret IN LISTS rets)
    string(STRIP "${ret}" ret)
    string(STRIP "${want}" stripped_want)
    if(NOT ret STREQUAL stripped_want)
      fail("${name} returns with '${ret}', not '${stripped_want}'")
    endif()
  endforeach()
endforeach()

string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${headers}")
set(has_kernel32 FALSE)
foreach(line IN LISTS import_lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  if(NOT dll IN_LIST allowed_imports)
    fail("imports ${dll}, which is not a system DLL")
  endif()
  if(dll STREQUAL "KERNEL32.dll")
    set(has_kernel32 TRUE)
  endif()
endforeach()
if(NOT has_kernel32)
  fail("does not import KERNEL32.dll")
endif()

# VS_FIXEDFILEINFO: signature, structure version, then file and product version, each as
# two little-endian words (major.minor, build.revision).
file(READ "${DLL}" image HEX)
set(v1001 "0000010001000000")
if(NOT image MATCHES "bd04effe[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]${v1001}${v1001}")
  fail("file and product version are not 1.0.0.1")
endif()

if(failures)
  message(FATAL_ERROR "${DLL}:\n${failures}")
endif()
message(STATUS "${DLL}: 29 exports, ordinals 2-30, stdcall returns, system imports, version 1.0.0.1")
