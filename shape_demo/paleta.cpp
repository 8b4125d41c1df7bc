#include "shape_demo/paleta.h"

#include <array>

namespace {

constexpr std::array<const char*, 10> kColores{
    "Blanco", "Verde", "Azul", "Rojo", "Naranja", "Violeta", "Amarillo", "Marron", "Rosa", "Negro",
};

}  // namespace

const char* nombreDeColor(int numero)
{
    if (numero < 1 || numero > static_cast<int>(kColores.size())) return nullptr;
    return kColores[static_cast<std::size_t>(numero - 1)];
}

int siguienteColor(int numero)
{
    if (numero == 10) return 1;
    // Stepped in unsigned arithmetic, which wraps, so the largest int gives the smallest (a number
    // that names no colour) instead of overflowing.
    return static_cast<int>(static_cast<unsigned>(numero) + 1U);
}
