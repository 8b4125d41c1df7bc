// The word read, over any input and into a buffer of any capacity from 1 to 40: each read gives a
// prefix of the next word, and once the words run out every read gives the empty text.
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/invariantes.h"
#include "platform/texto.h"

namespace {

// The words of the input, found independently of the code under test.
std::vector<std::string_view> palabras(std::string_view entrada)
{
    constexpr std::string_view kSeparadores{" \t\n\v\f\r\0", 7};
    std::vector<std::string_view> resultado;
    std::size_t inicio = entrada.find_first_not_of(kSeparadores);
    while (inicio != std::string_view::npos) {
        const std::size_t fin = entrada.find_first_of(kSeparadores, inicio);
        resultado.push_back(entrada.substr(inicio, fin - inicio));
        inicio = fin == std::string_view::npos ? fin : entrada.find_first_not_of(kSeparadores, fin);
    }
    return resultado;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano)
{
    if (tamano == 0) return 0;
    const std::size_t capacidad = 1 + datos[0] % 40;
    const std::string entrada(datos + 1, datos + tamano);
    std::istringstream flujo(entrada);
    const auto buffer = std::make_unique<char[]>(capacidad);  // exact, as in the copy target

    for (const std::string_view palabra : palabras(entrada)) {
        texto::leerPalabra(flujo, buffer.get(), capacidad);
        invariantes::exigirCorte(palabra, buffer.get(), capacidad);
    }
    for (int vez = 0; vez < 2; ++vez) {
        texto::leerPalabra(flujo, buffer.get(), capacidad);
        invariantes::exigir(buffer[0] == '\0');
    }
    return 0;
}
