# The learners' checks: `cmake --build build --target comprobar-<programa>-<n>` builds the checker,
# comprobador/comprobar.cpp, which builds the learner's program itself with this build's compiler,
# runs it on the exercise's input and compares its standard output with
# ejercicios/<programa>-<n>/salida.txt. The same checker runs with no CMake at all (see the guide).
#
# The targets exist for numbers 1 to 20 of each program whatever ejercicios/ holds, so that a build
# configured before an exercise was added checks it too; the checker says when there is no such
# exercise. A cross build defines none: the checker would have to run the target's compiler here.

# Developers build the checks' console and the checker with the rest, so that the warnings and the
# analysis see them. DEMOS_PRUEBAS_DE_FUENTES (tests/CMakeLists.txt) turns them off with the proofs
# that depend only on the sources, in the presets that build the same sources again.
set(fuera_de_all EXCLUDE_FROM_ALL)
if(DEMOS_DEVELOPER_MODE)
  option(DEMOS_PRUEBAS_DE_FUENTES
         "Run the proofs that depend only on the sources: the exercises, the pictures, the books" ON)
  if(DEMOS_PRUEBAS_DE_FUENTES)
    set(fuera_de_all)
  endif()
endif()

set(comprobador "${PROJECT_SOURCE_DIR}/comprobador")
add_library(consola_comprobacion STATIC ${fuera_de_all}
            "${PROJECT_SOURCE_DIR}/platform/consola.cpp" "${comprobador}/consola_comprobacion.cpp"
            "${comprobador}/reservas.cpp")

# How the checker runs a program on this system; its unit tests take the same.
if(WIN32)
  set(proceso_del_sistema proceso_windows.cpp)
else()
  set(proceso_del_sistema proceso_posix.cpp)
endif()

if(CMAKE_CROSSCOMPILING)
  return()
endif()

add_executable(comprobar ${fuera_de_all}
               "${comprobador}/comprobar.cpp"
               "${comprobador}/${proceso_del_sistema}")
set_target_properties(comprobar PROPERTIES FOLDER comprobar
  RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/comprobacion")

set_property(GLOBAL PROPERTY USE_FOLDERS ON)
set(DEMOS_EJERCICIOS_MAXIMO 20 CACHE STRING "Check targets made for each program: 1 to this number")
# `cmake --build build --target memoria-<programa>`: the learner's program seen from inside, each
# line of main and every object then, read from the running program under gdb, in
# <build>/memoria-<programa>.html. A program's checks and its page share one folder of objects:
# an attempt is compiled once, whichever of them looks at it first.
foreach(programa IN LISTS DEMOS_PROGRAMAS)
  set(opciones --raiz "${PROJECT_SOURCE_DIR}" --carpeta "${PROJECT_BINARY_DIR}/comprobacion/${programa}"
      --compilador "${CMAKE_CXX_COMPILER}")
  foreach(numero RANGE 1 ${DEMOS_EJERCICIOS_MAXIMO})
    add_custom_target(comprobar-${programa}-${numero}
                      COMMAND comprobar ${programa} ${numero} ${opciones} VERBATIM)
    set_target_properties(comprobar-${programa}-${numero} PROPERTIES FOLDER comprobar)
  endforeach()
  add_custom_target(memoria-${programa} COMMAND comprobar --memoria ${programa} ${opciones}
                    --pagina "${PROJECT_BINARY_DIR}/memoria-${programa}.html" VERBATIM)
  set_target_properties(memoria-${programa} PROPERTIES FOLDER comprobar)
endforeach()

