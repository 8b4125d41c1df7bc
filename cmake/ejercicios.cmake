# The learners' checks: `cmake --build build --target comprobar-<programa>-<n>` rebuilds what the
# learner changed, runs that program on the exercise's input and compares its standard output with
# ejercicios/<programa>-<n>.salida. Only CMake and the compiler are needed, on every platform.
#
# Each program is built a second time from its own sources and libraries with one thing swapped:
# the console of the checks, which neither pauses nor clears and caps the output. Nothing of this
# is built unless a check asks for it.
add_library(consola_comprobacion STATIC EXCLUDE_FROM_ALL
            "${PROJECT_SOURCE_DIR}/platform/consola.cpp"
            "${PROJECT_SOURCE_DIR}/platform/consola_comprobacion.cpp")

# Developers test the exercises (tests/e2e_ejercicios.py), and build this console with the rest so
# that the warnings and the analysis see it; the sanitizer and coverage presets turn both off.
if(DEMOS_DEVELOPER_MODE)
  option(DEMOS_EJERCICIOS "Test the exercises and their checks; build the checks' console" ON)
  if(DEMOS_EJERCICIOS)
    set_target_properties(consola_comprobacion PROPERTIES EXCLUDE_FROM_ALL OFF)
  endif()
endif()

foreach(programa IN ITEMS garaxo pintafor polifor)
  get_target_property(carpeta ${programa} SOURCE_DIR)
  get_target_property(relativas ${programa} SOURCES)
  get_target_property(bibliotecas ${programa} LINK_LIBRARIES)
  set(fuentes)
  foreach(fuente IN LISTS relativas)
    get_filename_component(fuente "${fuente}" ABSOLUTE BASE_DIR "${carpeta}")
    list(APPEND fuentes "${fuente}")
  endforeach()
  list(TRANSFORM bibliotecas REPLACE "^consola$" consola_comprobacion)
  add_executable(${programa}-comprobacion EXCLUDE_FROM_ALL ${fuentes})
  target_link_libraries(${programa}-comprobacion PRIVATE ${bibliotecas})
  set_target_properties(${programa}-comprobacion PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/comprobacion")
endforeach()

# garaxo reads the names and DNIs of the guide's screens; the other two get an empty input, a file
# all the same, so that no check ever reads the terminal.
set(entrada_vacia "${PROJECT_BINARY_DIR}/comprobacion/vacia.entrada")
file(WRITE "${entrada_vacia}" "")
# What the script writes for an attempt that is right.
set(bien "${PROJECT_BINARY_DIR}/comprobacion/bien")
file(WRITE "${bien}" "bien\n")

file(GLOB salidas CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/ejercicios/*.salida")
foreach(salida IN LISTS salidas)
  get_filename_component(ejercicio "${salida}" NAME_WE)
  string(REGEX REPLACE "-[0-9]+$" "" programa "${ejercicio}")
  set(entrada "${PROJECT_SOURCE_DIR}/ejercicios/${programa}.entrada")
  if(NOT EXISTS "${entrada}")
    set(entrada "${entrada_vacia}")
  endif()
  add_custom_target(comprobar-${ejercicio}
    COMMAND "${CMAKE_COMMAND}" "-DEJERCICIO=${ejercicio}"
            "-DPROGRAMA=$<TARGET_FILE:${programa}-comprobacion>" "-DENTRADA=${entrada}"
            "-DEMULADOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
            "-DESPERADA=${salida}" "-DVEREDICTO=${PROJECT_BINARY_DIR}/comprobacion/${ejercicio}"
            -P "${PROJECT_SOURCE_DIR}/cmake/comprobar.cmake"
    # compare_files says nothing: a wrong attempt fails the build without a CMake error banner
    # under the script's own message.
    COMMAND "${CMAKE_COMMAND}" -E compare_files "${PROJECT_BINARY_DIR}/comprobacion/${ejercicio}"
            "${bien}"
    VERBATIM)
  add_dependencies(comprobar-${ejercicio} ${programa}-comprobacion)
endforeach()
