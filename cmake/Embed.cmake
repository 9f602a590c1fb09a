# Writes OUTPUT, a C++ file holding the files in INPUTS (a ;-list) as the table
# tomeshelf::cli::kWebFiles of {name, bytes}, so the viewer's pages live in the program.
set(body "")
foreach(input IN LISTS INPUTS)
  get_filename_component(name ${input} NAME)
  file(READ ${input} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(MAKE_C_IDENTIFIER ${name} id)
  string(APPEND arrays "const char k_${id}[] = {${bytes} 0};\n")
  string(APPEND body "    {\"${name}\", std::string_view(k_${id}, sizeof k_${id} - 1)},\n")
endforeach()
file(WRITE ${OUTPUT} "// Generated from tools/web by cmake/Embed.cmake.\n#include \"web_files.h\"\n\nnamespace tomeshelf::cli {\nnamespace {\n${arrays}}  // namespace\n\nconst WebFile kWebFiles[] = {\n${body}};\nconst size_t kWebFileCount = sizeof kWebFiles / sizeof kWebFiles[0];\n\n}  // namespace tomeshelf::cli\n")
