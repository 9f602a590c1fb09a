# Reads the 32-bit Tomeshelf.dll with objdump and checks what a caller of the DLL relies on:
# the 29 names at ordinals 2 to 30, each stdcall returning with `ret` of its argument bytes,
# only system DLLs imported, and version 1.0.0.1 in the version record.
# Use: cmake -DDLL=path/Tomeshelf.dll -DOBJDUMP=i686-w64-mingw32-objdump -P check_dll.cmake
cmake_policy(SET CMP0057 NEW)
if(NOT DLL MATCHES "(^|/)Tomeshelf\\.dll$" OR NOT EXISTS "${DLL}")
  message(FATAL_ERROR "no Tomeshelf.dll at '${DLL}'")
endif()
if(NOT OBJDUMP)
  set(OBJDUMP i686-w64-mingw32-objdump)
endif()
execute_process(COMMAND ${OBJDUMP} -p "${DLL}" OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn "${DLL}" OUTPUT_VARIABLE code
                COMMAND_ERROR_IS_FATAL ANY)

set(failures "")
foreach(pattern "file format pei-i386" "Ordinal Base[ \t]+2\n" "\nName[ \t]+[0-9a-f]+ Tomeshelf\\.dll\n"
        "DLL Name: KERNEL32.dll")
  if(NOT headers MATCHES "${pattern}")
    string(APPEND failures "  no '${pattern}' in the headers\n")
  endif()
endforeach()

# Name and argument bytes, in ordinal order from 2. The name table lists each name with its
# index from the ordinal base.
set(exports
  OpenEpwing:4  CloseEpwing:0  epwGetBooks:0  epwGetBookInfo:8  epwSelectBook:4
  epwBooksOpen:0  epwBooksClose:0  epwGetWordProperties:8  epwGetWordItem:8
  epwGetWordContent:16  epwGetImageSize:8  epwGetImage:12  epwGetSoundProp:8
  epwGetPcmSize:4  epwGetPcmCont:8  epwGetNextContentByWord:12  epwGetLastContentByWord:12
  epwShowExCode:40  epwExCode2Bmp:32  epwShowExCodePixel:36  epwGetLinkContent:16
  GetWordCont:16  GetWordContLast:12  GetWordContNext:12  GetLinkContent:16
  GetLinkContByPt:16  IsEpwBook:8  GetMenuHead:0  GetContLastNoSet:12)
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" name_table "${headers}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" name_lines "${name_table}")
list(LENGTH name_lines name_count)
if(NOT name_count EQUAL 29)
  string(APPEND failures "  ${name_count} exported names, not 29\n")
endif()
set(index 0)
foreach(export IN LISTS exports)
  string(REPLACE ":" ";" export "${export}")
  list(GET export 0 name)
  list(GET export 1 bytes)
  if(NOT name_table MATCHES "\\[ *${index}\\] ${name}\n")
    string(APPEND failures "  ${name} is not exported by name at ordinal ${index} + 2\n")
  endif()
  math(EXPR index "${index} + 1")
  # Every ret from the function's stdcall symbol to the blank line after it pops its arguments.
  string(FIND "${code}" "<_${name}@${bytes}>:\n" at)
  set(rets "")
  if(NOT at EQUAL -1)
    string(SUBSTRING "${code}" ${at} -1 body)
    string(FIND "${body}" "\n\n" end)
    string(SUBSTRING "${body}" 0 ${end} body)
    string(REGEX MATCHALL "\tret[^\n]*" rets "${body}")
    list(REMOVE_DUPLICATES rets)
  endif()
  math(EXPR hex "${bytes}" OUTPUT_FORMAT HEXADECIMAL)
  set(want "^\tret +\\$${hex} *$")
  if(bytes EQUAL 0)
    set(want "^\tret *$")
  endif()
  if(NOT rets MATCHES "${want}")
    string(APPEND failures "  _${name}@${bytes} does not return with 'ret ${hex}' alone\n")
  endif()
endforeach()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(FILTER imports EXCLUDE REGEX "DLL Name: (KERNEL32|USER32|GDI32|msvcrt)\\.dll$")
if(imports)
  string(APPEND failures "  imports that are not system DLLs: ${imports}\n")
endif()

# VS_FIXEDFILEINFO: signature, structure version, then file and product version, each as
# two little-endian words (major.minor, build.revision).
file(READ "${DLL}" image HEX)
set(v1001 "0000010001000000")
if(NOT image MATCHES "bd04effe[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]${v1001}${v1001}")
  string(APPEND failures "  file and product version are not 1.0.0.1\n")
endif()
if(failures)
  message(FATAL_ERROR "${DLL}:\n${failures}")
endif()
message(STATUS "${DLL}: 29 exports, ordinals 2-30, stdcall returns, system imports, version 1.0.0.1")
