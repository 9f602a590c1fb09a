# Tomeshelf.dll: the 29 exports by undecorated name at ordinals 2 to 30 (from the .def
# file), the version record, and no run-time DLL beyond the system's own.
enable_language(RC)

set(TOMESHELF_DEF ${PROJECT_SOURCE_DIR}/src/api/tomeshelf.def)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # 64-bit names carry no stdcall decoration; same names, same ordinals.
  file(READ ${TOMESHELF_DEF} def)
  string(REGEX REPLACE "@[0-9]+ @" " @" def "${def}")
  set(TOMESHELF_DEF ${CMAKE_CURRENT_BINARY_DIR}/tomeshelf64.def)
  file(CONFIGURE OUTPUT ${TOMESHELF_DEF} CONTENT "${def}" @ONLY)
endif()

add_library(tomeshelf SHARED $<TARGET_OBJECTS:tomeshelf_objects> ${TOMESHELF_DEF}
            ${PROJECT_SOURCE_DIR}/src/api/tomeshelf.rc)
set_target_properties(tomeshelf PROPERTIES OUTPUT_NAME Tomeshelf PREFIX "" IMPORT_PREFIX "")
target_include_directories(tomeshelf PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
# --kill-at drops the @N of the .def names; -static keeps libgcc, libstdc++ and winpthread
# inside; debug information goes, the symbols stay (the export check reads them).
target_link_options(tomeshelf PRIVATE -static -static-libgcc -static-libstdc++
                    -Wl,--kill-at -Wl,--strip-debug)
target_link_libraries(tomeshelf PRIVATE user32 gdi32)

set(TOMESHELF_DLL_IMPORTS KERNEL32.dll USER32.dll GDI32.dll msvcrt.dll)

# Each export returns through its own `ret N` (the DLL check reads it) rather than jumping
# into the Library method, whose thiscall frame happens to pop the same bytes.
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/api/exports.cpp TARGET_DIRECTORY tomeshelf_objects
                            PROPERTIES COMPILE_OPTIONS -fno-optimize-sibling-calls)
