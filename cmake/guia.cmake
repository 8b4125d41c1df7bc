# The books as pages, made by pandoc when pandoc is found, so that a plain build still needs only a
# compiler; each page is one file with its pictures and style inside it:
#   target guia:   <build>/GUIA.html (the learner's guide) and PROFESOR.html (the teacher's edition,
#                  where its Markdown is there: the learners' download has none);
#   target clase:  the teacher's class materials from clase/, each program's prediction sheet,
#                  <build>/clase/<programa>-hoja.html, and its slides,
#                  <build>/clase/<programa>-diapositivas.html, a reveal.js deck (the reveal.js that
#                  tests/package-lock.json pins: npm ci --prefix tests), and the quizzes for
#                  Moodle, <build>/clase/cuestionario.gift.
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
set(estilo packaging/guia.css packaging/guia.lua packaging/libro.html)
list(TRANSFORM estilo PREPEND "${PROJECT_SOURCE_DIR}/" OUTPUT_VARIABLE dependencias)
set(como_libro --from markdown --to html5 ${incrustar} --fail-if-warnings --metadata lang=es
               --template packaging/libro.html --css packaging/guia.css --lua-filter packaging/guia.lua)

# Relative paths from the source folder: the books name their pictures that way, and pandoc 2
# takes a Windows absolute path for a URL.
function(pagina_de_pandoc salida fuente)
  add_custom_command(
    OUTPUT "${salida}"
    COMMAND "${DEMOS_PANDOC}" ${fuente} ${ARGN} --output "${salida}"
    DEPENDS "${PROJECT_SOURCE_DIR}/${fuente}" ${dependencias} ${dibujos}
    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
    COMMENT "Making ${salida} with pandoc ${version}"
    VERBATIM)
endfunction()

set(DEMOS_GUIA_HTML "${PROJECT_BINARY_DIR}/GUIA.html")
pagina_de_pandoc("${DEMOS_GUIA_HTML}" GUIA.md ${como_libro} --toc --toc-depth=2)
set(libros "${DEMOS_GUIA_HTML}")
# The teacher's edition lists what each class needs down to its plan, questions and quiz.
if(EXISTS "${PROJECT_SOURCE_DIR}/PROFESOR.md")
  set(DEMOS_PROFESOR_HTML "${PROJECT_BINARY_DIR}/PROFESOR.html")
  pagina_de_pandoc("${DEMOS_PROFESOR_HTML}" PROFESOR.md ${como_libro} --toc --toc-depth=3)
  list(APPEND libros "${DEMOS_PROFESOR_HTML}")
endif()
add_custom_target(guia ALL DEPENDS ${libros})

file(GLOB hojas CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}" "${PROJECT_SOURCE_DIR}/clase/*-hoja.md")
file(GLOB diapositivas CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}"
     "${PROJECT_SOURCE_DIR}/clase/*-diapositivas.md")
if(NOT hojas AND NOT diapositivas)
  return()
endif()
set(DEMOS_CLASE_HTML "")
# The quizzes for Moodle, made from the teacher's edition's (GIFT, by packaging/cuestionario.lua).
if(EXISTS "${PROJECT_SOURCE_DIR}/PROFESOR.md")
  set(DEMOS_CUESTIONARIO "${PROJECT_BINARY_DIR}/clase/cuestionario.gift")
  list(APPEND dependencias "${PROJECT_SOURCE_DIR}/packaging/cuestionario.lua")
  pagina_de_pandoc("${DEMOS_CUESTIONARIO}" PROFESOR.md --from markdown-smart
                   --lua-filter packaging/cuestionario.lua --to plain)
endif()
foreach(hoja IN LISTS hojas)
  string(REGEX REPLACE "\\.md$" ".html" salida "${PROJECT_BINARY_DIR}/${hoja}")
  pagina_de_pandoc("${salida}" ${hoja} ${como_libro})
  list(APPEND DEMOS_CLASE_HTML "${salida}")
endforeach()

set(DEMOS_REVEALJS "${PROJECT_SOURCE_DIR}/tests/node_modules/reveal.js"
    CACHE PATH "reveal.js, for the slides (npm ci --prefix tests)")
if(EXISTS "${DEMOS_REVEALJS}/dist/reveal.js")
  # A 16:9 slide of 1280 by 720 that the browser scales to the screen, with no transition, its
  # number and its place in the address, so that a teacher goes back to a slide by its link.
  set(como_diapositivas --from markdown --to revealjs --slide-level=2 ${incrustar} --fail-if-warnings
      --metadata lang=es --variable revealjs-url=${DEMOS_REVEALJS} --variable theme=serif
      --variable width=1280 --variable height=720 --variable transition=none --variable hash=true
      --variable slideNumber=true --css packaging/diapositivas.css)
  list(APPEND dependencias "${PROJECT_SOURCE_DIR}/packaging/diapositivas.css")
  foreach(deck IN LISTS diapositivas)
    string(REGEX REPLACE "\\.md$" ".html" salida "${PROJECT_BINARY_DIR}/${deck}")
    pagina_de_pandoc("${salida}" ${deck} ${como_diapositivas})
    list(APPEND DEMOS_CLASE_HTML "${salida}")
  endforeach()
  set(DEMOS_DIAPOSITIVAS ON)
else()
  message(STATUS "No slides: reveal.js is not in ${DEMOS_REVEALJS} (npm ci --prefix tests)")
  set(DEMOS_DIAPOSITIVAS OFF)
endif()
file(MAKE_DIRECTORY "${PROJECT_BINARY_DIR}/clase")
add_custom_target(clase ALL DEPENDS ${DEMOS_CLASE_HTML} ${DEMOS_CUESTIONARIO})
