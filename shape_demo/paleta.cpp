#include "shape_demo/paleta.h"

#include <iterator>

namespace {

constexpr const char* kColores[] = {
    "Blanco", "Verde", "Azul", "Rojo", "Naranja", "Violeta", "Amarillo", "Marron", "Rosa", "Negro",
};

}  // namespace

const char* nombreDeColor(int numero)
{
    if (numero < 1 || numero > static_cast<int>(std::size(kColores))) return nullptr;
    return kColores[numero - 1];
}

int siguienteColor(int numero)
{
    if (numero == 10) return 1;
    // Stepped in unsigned arithmetic, which wraps, so the largest int gives the smallest (a number
    // that names no colour) instead of overflowing.
    return static_cast<int>(static_cast<unsigned>(numero) + 1U);
}
