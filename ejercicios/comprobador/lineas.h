// Text as the checker reads and shows it: files read whole, lines without their CR, lines cut for
// a beginner's screen.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace lineas {

inline constexpr std::size_t kAncho = 100;  // bytes of a program's line shown

inline bool leer(const std::filesystem::path& ruta, std::string& texto)
{
    std::ifstream archivo(ruta, std::ios::binary);
    if (!archivo) return false;
    texto.assign(std::istreambuf_iterator<char>(archivo), std::istreambuf_iterator<char>());
    return true;
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
    std::string linea;
    while (std::getline(flujo, linea)) {
        if (!linea.empty() && linea.back() == '\r') linea.pop_back();
        resultado.push_back(linea);
    }
    return resultado;
}

// A line cut to `ancho` bytes, never inside a UTF-8 character.
inline std::string cortar(const std::string& linea, std::size_t ancho)
{
    if (linea.size() <= ancho) return linea;
    std::size_t fin = ancho;
    while (fin > 0 && (static_cast<unsigned char>(linea[fin]) & 0xC0U) == 0x80U) --fin;
    return linea.substr(0, fin) + "...";
}

// Up to `maximo` lines from `desde`, each indented and cut to `ancho` bytes, as the checker shows
// what a compiler or a program wrote.
template <typename Iterador>
std::string sangradas(Iterador desde, Iterador hasta, std::size_t maximo, std::size_t ancho)
{
    std::string r;
    for (std::size_t n = 0; desde != hasta && n < maximo; ++desde, ++n)
        r += "  " + cortar(*desde, ancho) + "\n";
    return r;
}

// Between « and », so that blanks at the end can be seen.
inline std::string mostrar(const std::string& linea) { return "«" + cortar(linea, kAncho) + "»"; }

}  // namespace lineas
