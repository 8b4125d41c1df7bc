// The text helpers over any input: its first byte a capacity from 1 to 40, the rest a text, copied
// into a field of that capacity and read word by word into a buffer of that capacity. Each field
// and buffer is exactly the capacity, so that AddressSanitizer sees a single byte written past it,
// and is read up to its terminator: without one, the read runs past it and is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/texto.h"

namespace {

// A broken invariant is a crash, which libFuzzer keeps as a failing input.
void exigir(bool cumple)
{
    if (!cumple) std::abort();
}

// Every character is a lead byte followed by as many continuation bytes as it announces.
bool esUtf8(std::string_view texto)
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
void exigirCorte(std::string_view original, std::string_view guardado, std::size_t capacidad)
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

    // The bounded copy, of the text up to its first NUL.
    const auto campo = std::make_unique<char[]>(capacidad);
    std::memset(campo.get(), 'Z', capacidad);
    texto::copiarTexto(campo.get(), capacidad, entrada.c_str());
    exigirCorte(entrada.c_str(), campo.get(), capacidad);

    // The word read: each read gives a prefix of the next word, and once the words run out every
    // read gives the empty text.
    std::istringstream flujo(entrada);
    const auto buffer = std::make_unique<char[]>(capacidad);
    for (const std::string_view palabra : palabras(entrada)) {
        texto::leerPalabra(flujo, buffer.get(), capacidad);
        exigirCorte(palabra, buffer.get(), capacidad);
    }
    for (int vez = 0; vez < 2; ++vez) {
        texto::leerPalabra(flujo, buffer.get(), capacidad);
        exigir(buffer[0] == '\0');
    }
    return 0;
}
