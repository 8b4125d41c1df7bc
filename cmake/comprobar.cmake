# Runs one exercise's program and tells the learner, in Spanish, whether its standard output is the
# expected one; if not, where it first differs. Run by the comprobar-<programa>-<n> targets:
#   cmake -DEJERCICIO=<name> -DPROGRAMA=<program> -DENTRADA=<input> -DESPERADA=<expected output>
#         -DVEREDICTO=<file> [-DEMULADOR=<emulator>] -P comprobar.cmake
# It writes "bien" or "mal" to VEREDICTO; the target fails unless it says "bien".
cmake_minimum_required(VERSION 3.18)

set(plazo 10)      # seconds a program may run: every exercise ends in well under one
set(ancho 100)     # characters of a line shown, so that a runaway line cannot flood the screen
set(errores_max 5) # lines of the program's standard error shown

file(WRITE "${VEREDICTO}" "mal\n")

# One line to show: between « and », so that blanks at its end can be seen; cut if too long.
function(mostrar texto salida)
  string(LENGTH "${texto}" largo)
  if(largo GREATER ancho)
    string(SUBSTRING "${texto}" 0 ${ancho} texto)
    set(texto "${texto}...")
  endif()
  set(${salida} "«${texto}»" PARENT_SCOPE)
endfunction()

# The first line at which two texts differ, found with string operations only: a program's output
# may hold characters such as ";" that CMake's lists would take apart.
function(primera_diferencia esperada obtenida numero_var esperada_var obtenida_var)
  set(numero 1)
  while(TRUE)
    string(FIND "${esperada}" "\n" fin_e)
    string(FIND "${obtenida}" "\n" fin_o)
    if(fin_e EQUAL -1)
      set(linea_e "${esperada}")
    else()
      string(SUBSTRING "${esperada}" 0 ${fin_e} linea_e)
    endif()
    if(fin_o EQUAL -1)
      set(linea_o "${obtenida}")
    else()
      string(SUBSTRING "${obtenida}" 0 ${fin_o} linea_o)
    endif()
    if(NOT linea_e STREQUAL linea_o OR NOT fin_e EQUAL fin_o OR fin_e EQUAL -1)
      break()
    endif()
    math(EXPR desde "${fin_e} + 1")
    string(SUBSTRING "${esperada}" ${desde} -1 esperada)
    string(SUBSTRING "${obtenida}" ${desde} -1 obtenida)
    math(EXPR numero "${numero} + 1")
  endwhile()
  # A text that has ended shows no line at all, not an empty one.
  if(fin_e EQUAL -1 AND esperada STREQUAL "")
    set(texto_e "(nada: la salida esperada termina antes)")
  else()
    mostrar("${linea_e}" texto_e)
  endif()
  if(fin_o EQUAL -1 AND obtenida STREQUAL "")
    set(texto_o "(nada: la salida del programa termina antes)")
  else()
    mostrar("${linea_o}" texto_o)
  endif()
  set(${numero_var} ${numero} PARENT_SCOPE)
  set(${esperada_var} "${texto_e}" PARENT_SCOPE)
  set(${obtenida_var} "${texto_o}" PARENT_SCOPE)
endfunction()

# EMULADOR, empty but in a cross build, runs the program for another system (wine).
execute_process(COMMAND ${EMULADOR} "${PROGRAMA}"
                INPUT_FILE "${ENTRADA}"
                OUTPUT_VARIABLE obtenida
                ERROR_VARIABLE errores
                RESULT_VARIABLE estado
                TIMEOUT ${plazo})
file(READ "${ESPERADA}" esperada)
# A Windows program writes CR LF, and a checkout may have turned the expected file's ends into it.
string(REPLACE "\r\n" "\n" esperada "${esperada}")
string(REPLACE "\r\n" "\n" obtenida "${obtenida}")

if(estado STREQUAL "0" AND obtenida STREQUAL esperada)
  message("${EJERCICIO}: bien hecho, la salida es la que espera el ejercicio.")
  file(WRITE "${VEREDICTO}" "bien\n")
  return()
endif()

set(informe "${EJERCICIO}: todavía no está bien.")
if(estado MATCHES "timeout")
  string(APPEND informe "\nEl programa no ha terminado en ${plazo} segundos y se ha detenido:"
         " ¿hay un bucle que no acaba, o espera algo que nunca llega?")
elseif(NOT estado MATCHES "^-?[0-9]+$")
  # Not a number: the system's word for how the program died (a crash, an abort).
  string(APPEND informe "\nEl programa ha terminado de forma anormal (${estado}).")
elseif(estado LESS 0 OR estado GREATER 255)
  # Windows gives a crash the exception's code as the exit status: 0xC0000005 and the like.
  string(APPEND informe "\nEl programa ha terminado de forma anormal (estado ${estado}).")
elseif(NOT estado STREQUAL "0")
  string(APPEND informe "\nEl programa ha terminado con el estado ${estado}, no con 0.")
endif()

if(NOT errores STREQUAL "")
  string(APPEND informe "\nEl programa ha escrito en la salida de errores:")
  string(REPLACE "\r\n" "\n" errores "${errores}")
  set(mostradas 0)
  while(NOT errores STREQUAL "" AND mostradas LESS errores_max)
    string(FIND "${errores}" "\n" fin)
    if(fin EQUAL -1)
      set(linea "${errores}")
      set(errores "")
    else()
      string(SUBSTRING "${errores}" 0 ${fin} linea)
      math(EXPR fin "${fin} + 1")
      string(SUBSTRING "${errores}" ${fin} -1 errores)
    endif()
    string(LENGTH "${linea}" largo)
    if(largo GREATER ancho)
      string(SUBSTRING "${linea}" 0 ${ancho} linea)
      set(linea "${linea}...")
    endif()
    string(APPEND informe "\n  ${linea}")
    math(EXPR mostradas "${mostradas} + 1")
  endwhile()
endif()

if(obtenida STREQUAL esperada)
  string(APPEND informe "\nLa salida es la esperada, pero el programa no ha terminado bien.")
else()
  primera_diferencia("${esperada}" "${obtenida}" numero texto_e texto_o)
  string(APPEND informe "\nLa salida no es la esperada. Primera diferencia, en la línea ${numero} de la salida:"
         "\n  se esperaba: ${texto_e}"
         "\n  ha salido:   ${texto_o}")
endif()
message("${informe}")
