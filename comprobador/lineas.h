// Text as the checker reads and shows it: files read whole, lines without their CR, lines cut for
// a beginner's screen.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace lineas {

inline constexpr std::size_t kAncho = 100;  // bytes of a program's line shown

// A file's bytes, or its first `tope`; none where it cannot be read.
inline std::optional<std::string> leer(const std::filesystem::path& ruta,
                                       std::size_t tope = std::string::npos)
{
    std::ifstream archivo(ruta, std::ios::binary);
    if (!archivo) return std::nullopt;
    if (tope == std::string::npos)
        return std::string(std::istreambuf_iterator<char>(archivo),
                           std::istreambuf_iterator<char>());
    std::string texto(tope, '\0');
    archivo.read(texto.data(), static_cast<std::streamsize>(tope));
    texto.resize(static_cast<std::size_t>(archivo.gcount()));
    return texto;
}

inline std::string sinRetornos(const std::string& texto)
{
    std::string limpio;
    limpio.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size(); ++i)
        if (!(texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n')) limpio += texto[i];
    return limpio;
}

inline std::vector<std::string> partir(const std::string& texto)
{
    std::vector<std::string> resultado;
    std::istringstream flujo(texto);
    for (std::string linea; std::getline(flujo, linea);) {
        if (!linea.empty() && linea.back() == '\r') linea.pop_back();
        resultado.push_back(linea);
    }
    return resultado;
}

// A line as a terminal and VPL can show it: a byte that is not UTF-8 text (a deleted object's, a
// pointer read as text), or a control character, as U+FFFD.
inline std::string legible(const std::string& linea)
{
    std::string r;
    for (std::size_t i = 0; i < linea.size();) {
        const auto c = static_cast<unsigned char>(linea[i]);
        const std::size_t largo = c < 0x80U          ? 1
                                  : (c >> 5U) == 6U  ? 2
                                  : (c >> 4U) == 14U ? 3
                                  : (c >> 3U) == 30U ? 4
                                                     : 0;
        bool bien =
            largo > 0 && i + largo <= linea.size() && (c >= 0x20U || c == '\t') && c != 0x7FU;
        for (std::size_t j = 1; bien && j < largo; ++j)
            bien = (static_cast<unsigned char>(linea[i + j]) & 0xC0U) == 0x80U;
        r += bien ? linea.substr(i, largo) : "\xEF\xBF\xBD";
        i += bien ? largo : 1;
    }
    return r;
}

// A line cut to `ancho` bytes, never inside a UTF-8 character.
inline std::string cortar(const std::string& linea, std::size_t ancho)
{
    if (linea.size() <= ancho) return linea;
    std::size_t fin = ancho;
    while (fin > 0 && (static_cast<unsigned char>(linea[fin]) & 0xC0U) == 0x80U) --fin;
    return linea.substr(0, fin) + "...";
}

// The lines from `desde` up to `hasta`, of those there are, each indented and cut to kAncho bytes,
// as the checker shows what a program or gdb wrote.
inline std::string sangradas(const std::vector<std::string>& todas, std::size_t desde,
                             std::size_t hasta)
{
    std::string r;
    for (std::size_t i = desde; i < hasta && i < todas.size(); ++i)
        r += "  " + cortar(legible(todas[i]), kAncho) + "\n";
    return r;
}

// Between « and », so that blanks at the end can be seen; an empty line by name, as «» reads as
// nothing to a beginner.
inline std::string mostrar(const std::string& linea)
{
    return linea.empty() ? "(una línea vacía)" : "«" + cortar(legible(linea), kAncho) + "»";
}

}  // namespace lineas
