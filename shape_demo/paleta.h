// La paleta de diez colores que comparten los dos programas de figuras, y la regla del color
// siguiente.
#pragma once

// El nombre del color con ese número, del 1 ("Blanco") al 10 ("Negro"); nullptr si el número no
// nombra ningún color.
const char* nombreDeColor(int numero);

// 1 después del 10, y numero + 1 después de cualquier otro número. El número no se comprueba: el
// resultado se busca en la paleta como cualquier otro, así que 0 da 1, y 11 da un número que no
// nombra ningún color.
int siguienteColor(int numero);
