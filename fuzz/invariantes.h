// What the fuzz targets hold the text helpers to.
#pragma once

#include <cstdlib>
#include <string_view>

namespace invariantes {

// A broken invariant is a crash, which libFuzzer keeps as a failing input.
inline void exigir(bool cumple)
{
    if (!cumple) std::abort();
}

// Every character is a lead byte followed by as many continuation bytes as it announces.
inline bool esUtf8(std::string_view texto)
{
    for (std::size_t i = 0; i < texto.size();) {
        const auto inicio = static_cast<unsigned char>(texto[i]);
        std::size_t largo = 1;
        if (inicio >= 0xF8U || (inicio & 0xC0U) == 0x80U) return false;
        if (inicio >= 0xF0U) {
            largo = 4;
        } else if (inicio >= 0xE0U) {
            largo = 3;
        } else if (inicio >= 0xC0U) {
            largo = 2;
        }
        if (i + largo > texto.size()) return false;
        for (std::size_t j = 1; j < largo; ++j)
            if ((static_cast<unsigned char>(texto[i + j]) & 0xC0U) != 0x80U) return false;
        i += largo;
    }
    return true;
}

// A cut that fits `capacidad` keeps the text whole, or drops at most the three bytes of a
// character that would not fit; it is always a prefix, and valid UTF-8 stays valid.
inline void exigirCorte(std::string_view original, std::string_view guardado, std::size_t capacidad)
{
    exigir(guardado.size() + 1 <= capacidad);
    exigir(original.substr(0, guardado.size()) == guardado);
    if (original.size() + 1 <= capacidad) {
        exigir(guardado == original);
    } else {
        exigir(guardado.size() + 3 >= capacidad - 1);
    }
    if (esUtf8(original)) exigir(esUtf8(guardado));
}

}  // namespace invariantes
