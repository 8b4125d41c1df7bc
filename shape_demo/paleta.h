// The ten-colour palette that both shape programs share, and the rule that steps through it.
#pragma once

// The name of colour number 1 to 10, "Blanco" to "Negro"; null for a number that names no colour.
const char* nombreDeColor(int numero);

// 1 after 10, and numero + 1 after any other number. The input is not checked: the result is
// looked up like any other number, so 0 gives 1 and 11 gives a number that names no colour.
int siguienteColor(int numero);
