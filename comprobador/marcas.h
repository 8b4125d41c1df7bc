// The marks that the checks' console (consola_comprobacion.cpp) writes into a program's standard
// output: where a terminal would clear the screen, and each line the program read, which a
// terminal would have echoed. comparacion::separar takes them out again. Nothing else here: the
// console is built into every learner's program, and in VPL that build must stay small.
#pragma once

namespace marcas {

inline constexpr char kPausa = '\f';        // at each pause: a terminal would clear after it
inline constexpr char kEcoInicio = '\x01';  // before a line taken from std::cin
inline constexpr char kEcoFin = '\x02';     // after it

}  // namespace marcas
