#include "platform/texto.h"

#include <cstring>
#include <istream>
#include <string_view>

namespace texto {
namespace {

bool esContinuacion(unsigned char byte) { return (byte & 0xC0U) == 0x80U; }

// The number of bytes of the UTF-8 character that this byte starts (1 for ASCII and for bytes
// that cannot start a character).
std::size_t largoDeCaracter(unsigned char inicio)
{
    if (inicio >= 0xC0U && inicio <= 0xDFU) return 2;
    if (inicio >= 0xE0U && inicio <= 0xEFU) return 3;
    if (inicio >= 0xF0U && inicio <= 0xF7U) return 4;
    return 1;
}

// What ends a word: the white space of the "C" locale (CR included) and the NUL byte.
bool esSeparador(int c)
{
    return c == '\0' || c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// How many bytes of `guardado` to keep when the byte `siguiente` no longer fits after them: all
// of them, unless they end in the middle of a UTF-8 character that `siguiente` would continue.
std::size_t longitudSinPartir(std::string_view guardado, unsigned char siguiente)
{
    if (!esContinuacion(siguiente)) return guardado.size();
    // A character has at most four bytes, so its first byte is at most three places back.
    for (std::size_t atras = 1; atras <= 3 && atras <= guardado.size(); ++atras) {
        const auto byte = static_cast<unsigned char>(guardado[guardado.size() - atras]);
        if (esContinuacion(byte)) continue;
        return largoDeCaracter(byte) > atras ? guardado.size() - atras : guardado.size();
    }
    return guardado.size();  // a run of stray continuation bytes: no character to keep whole
}

}  // namespace

void copiarTexto(char* campo, std::size_t capacidad, const char* texto)
{
    if (texto == nullptr) texto = "";
    std::size_t largo = 0;
    while (largo + 1 < capacidad && texto[largo] != '\0') ++largo;
    if (texto[largo] != '\0')
        largo = longitudSinPartir({texto, largo}, static_cast<unsigned char>(texto[largo]));
    std::memmove(campo, texto, largo);  // memmove: a field may be set from its own getter
    campo[largo] = '\0';
}

void leerPalabra(std::istream& entrada, char* buffer, std::size_t capacidad)
{
    using Rasgos = std::istream::traits_type;
    buffer[0] = '\0';
    // The sentry flushes the tied output stream, so a prompt is visible before the read waits;
    // it skips no white space itself, since NUL bytes are skipped too.
    const std::istream::sentry centinela(entrada, true);
    if (!centinela) return;

    std::streambuf& fuente = *entrada.rdbuf();
    auto c = fuente.sgetc();
    while (!Rasgos::eq_int_type(c, Rasgos::eof()) && esSeparador(c)) c = fuente.snextc();

    std::size_t largo = 0;
    bool lleno = false;
    bool tomado = false;
    while (!Rasgos::eq_int_type(c, Rasgos::eof()) && !esSeparador(c)) {
        const auto byte = static_cast<unsigned char>(Rasgos::to_char_type(c));
        if (lleno) {
            // the rest of an over-long word is read and dropped
        } else if (largo + 1 < capacidad) {
            buffer[largo++] = static_cast<char>(byte);
        } else {
            largo = longitudSinPartir({buffer, largo}, byte);
            lleno = true;
        }
        tomado = true;
        c = fuente.snextc();
    }
    buffer[largo] = '\0';
    if (Rasgos::eq_int_type(c, Rasgos::eof()))
        entrada.setstate(tomado ? std::ios::eofbit : std::ios::eofbit | std::ios::failbit);
}

}  // namespace texto
