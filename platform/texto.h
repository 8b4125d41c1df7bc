// Copias con límite en campos de texto de tamaño fijo, y la lectura con límite de una palabra que
// los llena desde un flujo. Cada capacidad sale del tipo del propio array, así que ningún tamaño se
// escribe dos veces.
#pragma once

#include <cstddef>
#include <iosfwd>

namespace texto {

void copiarTexto(char* campo, std::size_t capacidad, const char* texto);
void leerPalabra(std::istream& entrada, char* buffer, std::size_t capacidad);

// En una primera lectura puedes saltarte las dos plantillas (template) que siguen. Lo que hacen:
// reciben el array mismo, `char (&campo)[N]`, y no un puntero, así que el compilador conoce su
// tamaño N y lo pasa como capacidad a las funciones de arriba.

// Un texto que cabe se copia entero; uno más largo se corta a N - 1 bytes sin partir ningún
// carácter. Si `texto` es un puntero nulo, guarda el texto vacío.
template <std::size_t N>
void copiarTexto(char (&campo)[N], const char* texto)
{
    static_assert(N > 0, "un campo de texto necesita lugar para su '\\0' final");
    copiarTexto(campo, N, texto);
}

// Como `entrada >> buffer`, pero nunca guarda más de N - 1 bytes: el resto de una palabra demasiado
// larga se lee y se descarta, así que la lectura siguiente empieza en la palabra siguiente. Al
// final de la entrada guarda "".
template <std::size_t N>
void leerPalabra(std::istream& entrada, char (&buffer)[N])
{
    static_assert(N > 0, "un buffer necesita lugar para su '\\0' final");
    leerPalabra(entrada, buffer, N);
}

}  // namespace texto
