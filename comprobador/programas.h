// The programs a check can build, as programas.txt at the project's root lists them, each from
// the .cpp files of its folder: a source file added to a program's folder is compiled by the next
// check with no other change.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace programas {

struct Programa {
    std::string nombre;
    std::string carpeta;                 // every .cpp in it
    std::vector<std::string> prestados;  // files it takes from another program's folder
};

// The table under `raiz`: a line a program, its name, its folder and what it borrows, between
// spaces; a line that starts with '#' is a comment. Empty when it cannot be read.
inline std::vector<Programa> todos(const std::filesystem::path& raiz)
{
    std::vector<Programa> lista;
    std::ifstream tabla(raiz / "programas.txt");
    for (std::string linea; std::getline(tabla, linea);) {
        std::istringstream campos(linea);
        Programa programa;
        if (linea.rfind('#', 0) == 0 || !(campos >> programa.nombre >> programa.carpeta)) continue;
        for (std::string prestado; campos >> prestado;) programa.prestados.push_back(prestado);
        lista.push_back(std::move(programa));
    }
    return lista;
}

// What every program takes from platform/ and `consola`: the checks' console and free store, or
// the system's console (proceso::consola()) for a program built to be used.
inline std::vector<std::string> comunes(const std::string& consola)
{
    std::vector<std::string> lista{"platform/texto.cpp", "platform/consola.cpp", consola};
    if (consola == "comprobador/consola_comprobacion.cpp")
        lista.emplace_back("comprobador/reservas.cpp");
    return lista;
}

inline std::optional<Programa> buscar(const std::filesystem::path& raiz, std::string_view nombre)
{
    const std::vector<Programa> lista = todos(raiz);
    const auto p = std::find_if(lista.begin(), lista.end(), [&](const Programa& programa) {
        return programa.nombre == nombre;
    });
    return p == lista.end() ? std::nullopt : std::optional<Programa>(*p);
}

// The program's own sources under `raiz`, as paths from it with '/': its folder's .cpp files in
// name order, then what it borrows. Empty when the folder cannot be read.
inline std::vector<std::string> propias(const std::filesystem::path& raiz, const Programa& programa)
{
    std::vector<std::string> fuentes;
    std::error_code fallo;
    for (std::filesystem::directory_iterator i(raiz / programa.carpeta, fallo), fin;
         !fallo && i != fin; i.increment(fallo)) {
        if (i->path().extension() == ".cpp" && i->is_regular_file(fallo))
            fuentes.push_back(programa.carpeta + "/" + i->path().filename().string());
    }
    std::sort(fuentes.begin(), fuentes.end());
    fuentes.insert(fuentes.end(), programa.prestados.begin(), programa.prestados.end());
    return fuentes;
}

struct Guardado {
    std::string ruta;  // from the root, with '/'
    std::string de;    // the program whose folder holds it
};

// The lesson's file changed last (by its date: a save, or git restoring it), when it is another
// program's and changed well after every file of `programa` (a copy of the tree dates them all
// within a moment): where a change meant for `programa` may have gone. Empty otherwise.
inline Guardado guardadoEnOtro(const std::filesystem::path& raiz, const Programa& programa)
{
    namespace fs = std::filesystem;
    Guardado ultimo;
    auto cuandoUltimo = fs::file_time_type::min();
    auto cuandoPropio = fs::file_time_type::min();
    for (const Programa& otro : todos(raiz)) {
        std::error_code fallo;
        for (fs::directory_iterator i(raiz / otro.carpeta, fallo), fin; !fallo && i != fin;
             i.increment(fallo)) {
            const std::string extension = i->path().extension().string();
            if (extension != ".cpp" && extension != ".h") continue;
            std::error_code sinFecha;
            const auto cuando = i->last_write_time(sinFecha);
            if (sinFecha) continue;
            const std::string ruta = otro.carpeta + "/" + i->path().filename().string();
            const auto& prestados = programa.prestados;
            if (otro.carpeta == programa.carpeta ||
                std::find(prestados.begin(), prestados.end(), ruta) != prestados.end()) {
                cuandoPropio = std::max(cuandoPropio, cuando);
            } else if (cuando > cuandoUltimo) {
                cuandoUltimo = cuando;
                ultimo = {ruta, otro.nombre};
            }
        }
    }
    if (ultimo.de.empty() || cuandoUltimo <= cuandoPropio + std::chrono::seconds(2)) return {};
    return ultimo;
}

}  // namespace programas
