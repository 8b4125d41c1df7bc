// The bounded copy, from any text into a field of any capacity from 1 to 40.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/invariantes.h"
#include "platform/texto.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano)
{
    if (tamano == 0) return 0;
    const std::size_t capacidad = 1 + datos[0] % 40;
    const std::string entrada(datos + 1, datos + tamano);

    // Exactly the capacity, so that AddressSanitizer sees a single byte written past it.
    const auto campo = std::make_unique<char[]>(capacidad);
    std::memset(campo.get(), 'Z', capacidad);
    texto::copiarTexto(campo.get(), capacidad, entrada.c_str());

    // The field is read up to its terminator: without one, the read runs past it and is caught.
    invariantes::exigirCorte(entrada.c_str(), campo.get(), capacidad);
    return 0;
}
