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
    // La suma se hace sin signo, que al pasarse del máximo vuelve a empezar: así el int más grande
    // da el más pequeño (un número que no nombra ningún color), en vez de desbordarse.
    return static_cast<int>(static_cast<unsigned>(numero) + 1U);
}
