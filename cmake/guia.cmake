# The guide as one page, <build dir>/GUIA.html, with its pictures and style inside it: made by
# pandoc when pandoc is found, so that a plain build still needs only a compiler.
find_program(DEMOS_PANDOC pandoc)
if(NOT DEMOS_PANDOC)
  return()
endif()

# pandoc 2.19 renamed --self-contained to --embed-resources --standalone, and 3.x warns on the old
# name; the warning would fail the build, which turns every warning into an error.
execute_process(COMMAND "${DEMOS_PANDOC}" --version OUTPUT_VARIABLE salida ERROR_QUIET)
string(REGEX MATCH "^pandoc[^ ]* ([0-9]+\\.[0-9]+)" version "${salida}")
set(version "${CMAKE_MATCH_1}")
if(version VERSION_LESS 2.19)
  set(incrustar --standalone --self-contained)
else()
  set(incrustar --standalone --embed-resources)
endif()

# New pictures are found at the next build; dibujos/ may not exist yet.
file(GLOB dibujos CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/dibujos/*.svg")

set(DEMOS_GUIA_HTML "${PROJECT_BINARY_DIR}/GUIA.html")
# Relative paths from the source folder: the guide names its pictures that way, and pandoc 2 takes
# a Windows absolute path for a URL.
add_custom_command(
  OUTPUT "${DEMOS_GUIA_HTML}"
  COMMAND "${DEMOS_PANDOC}" GUIA.md --from markdown --to html5 ${incrustar} --fail-if-warnings
          --metadata lang=es --css packaging/guia.css --lua-filter packaging/guia.lua
          --output "${DEMOS_GUIA_HTML}"
  DEPENDS "${PROJECT_SOURCE_DIR}/GUIA.md" "${PROJECT_SOURCE_DIR}/packaging/guia.css"
          "${PROJECT_SOURCE_DIR}/packaging/guia.lua" ${dibujos}
  WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
  COMMENT "Making GUIA.html with pandoc ${version}"
  VERBATIM)
add_custom_target(guia ALL DEPENDS "${DEMOS_GUIA_HTML}")
