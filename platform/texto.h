// Bounded stores into fixed text fields, and the bounded word read that fills them from a stream.
// Every capacity is taken from the array's own type, so no size is ever written twice.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string_view>

namespace texto {

// How many of the bytes of `guardado` to keep when the byte `siguiente` does not fit after them:
// all of them, unless they end inside a UTF-8 character that `siguiente` would have continued.
std::size_t longitudSinPartir(std::string_view guardado, unsigned char siguiente);

void copiarTexto(char* campo, std::size_t capacidad, const char* texto);
void leerPalabra(std::istream& entrada, char* buffer, std::size_t capacidad);

// A text that fits is copied whole; a longer one is cut to N - 1 bytes at a character boundary.
// A null pointer stores the empty text.
template <std::size_t N>
void copiarTexto(char (&campo)[N], const char* texto)
{
    static_assert(N > 0, "a text field needs room for its terminator");
    copiarTexto(campo, N, texto);
}

// Like `entrada >> buffer`, but never stores more than N - 1 bytes: the rest of an over-long word
// is read and dropped, so the next read starts at the next word. At the end of input it stores "".
template <std::size_t N>
void leerPalabra(std::istream& entrada, char (&buffer)[N])
{
    static_assert(N > 0, "a buffer needs room for its terminator");
    leerPalabra(entrada, buffer, N);
}

}  // namespace texto
