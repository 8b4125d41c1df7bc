// The marks that the checks' console (consola_comprobacion.cpp) writes into a program's standard
// output, and how the checker takes them out again before it compares: where a terminal would
// clear the screen, and each line the program read, which a terminal would have echoed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ejercicios/comprobador/lineas.h"

namespace marcas {

inline constexpr char kPausa = '\f';        // at each pause: a terminal would clear after it
inline constexpr char kEcoInicio = '\x01';  // before a line taken from std::cin
inline constexpr char kEcoFin = '\x02';     // after it

// A pause or a line of input, at an offset of the output without marks.
struct Suceso {
    std::size_t donde;
    bool pausa;
    std::string eco;
};

struct Salida {
    std::string texto;  // what the program wrote, CR LF read as LF
    std::vector<Suceso> sucesos;
};

inline Salida separar(const std::string& bruta)
{
    Salida salida;
    bool enEco = false;
    std::string eco;
    for (const char c : lineas::sinRetornos(bruta)) {
        if (enEco && c != kEcoFin) {
            eco += c;
        } else if (enEco || c == kPausa) {
            salida.sucesos.push_back({salida.texto.size(), !enEco, enEco ? eco : ""});
            enEco = false;
        } else if (c == kEcoInicio) {
            enEco = true;
            eco.clear();
        } else {
            salida.texto += c;
        }
    }
    if (enEco) salida.sucesos.push_back({salida.texto.size(), false, eco});
    return salida;
}

}  // namespace marcas
