# Generates a C++ source that holds every stored text of templates/ as bytes followed by a zero
# byte. Run as a script: cmake -DTEXT_DIR=... -DOUTPUT=... -P EmbedTexts.cmake
# Files are named KIND_ID.txt (TXT_161.txt, STR_188.txt); the bytes are taken as they are.

file(GLOB texts "${TEXT_DIR}/*.txt")
list(SORT texts)
set(arrays "")
set(entries "")
foreach(path IN LISTS texts)
  get_filename_component(name "${path}" NAME_WE)
  if(NOT name MATCHES "^(TXT|STR)_([0-9]+)$")
    message(FATAL_ERROR "stored text ${path}: name it KIND_ID.txt, for example STR_188.txt")
  endif()
  set(kind "${CMAKE_MATCH_1}")
  set(id "${CMAKE_MATCH_2}")
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const char k${name}[] = {${bytes}0x00};\n")
  string(APPEND entries "    {\"${kind}\", ${id}, k${name}, ${size}},\n")
endforeach()

file(WRITE "${OUTPUT}.tmp" "// Generated from templates/ by cmake/EmbedTexts.cmake; do not edit.\n"
  "#include \"engine/embedded_texts.h\"\n\nnamespace kitbuilder {\nnamespace {\n"
  "${arrays}}  // namespace\n\nconst EmbeddedText kEmbeddedTexts[] = {\n${entries}};\n"
  "const std::size_t kEmbeddedTextCount = sizeof(kEmbeddedTexts) / sizeof(kEmbeddedTexts[0]);\n\n"
  "}  // namespace kitbuilder\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
