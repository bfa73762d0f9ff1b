# Writes OUTPUT, a C++ file that defines PageHtml(), PageScript() and
# PageStyle() (app/serve/web_page.h) from the files HTML, SCRIPT and STYLE.
# Run as `cmake -DHTML=... -DSCRIPT=... -DSTYLE=... -DOUTPUT=... -P embed_page.cmake`.
set(delimiter "LINKAN_PAGE")
set(body "// Generated from app/serve/page/ by cmake/embed_page.cmake; do not edit.\n#include \"serve/web_page.h\"\n\nnamespace linkan::app {\n")
foreach(pair "PageHtml;${HTML}" "PageScript;${SCRIPT}" "PageStyle;${STYLE}")
  list(GET pair 0 name)
  list(GET pair 1 file)
  file(READ "${file}" content)
  string(FIND "${content}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the embedding delimiter")
  endif()
  string(APPEND body "\nstd::string_view ${name}() {\n  static constexpr char kText[] = R\"${delimiter}(${content})${delimiter}\";\n  return {kText, sizeof(kText) - 1};\n}\n")
endforeach()
string(APPEND body "\n}  // namespace linkan::app\n")
file(WRITE "${OUTPUT}.tmp" "${body}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
