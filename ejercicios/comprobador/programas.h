// The three programs a check can build, each from the .cpp files of its folder: a source file
// added to a program's folder is compiled by the next check with no other change.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace programas {

struct Programa {
    const char* nombre;
    const char* carpeta;                 // every .cpp in it
    std::vector<const char*> prestados;  // files it takes from another program's folder
};

inline const std::vector<Programa>& todos()
{
    static const std::vector<Programa> lista = {
        {"garaxo", "car_owner_demo", {}},
        {"pintafor", "shape_demo", {}},
        {"polifor", "figure_demo", {"shape_demo/paleta.cpp"}},
    };
    return lista;
}

// What every program takes from platform/, with the checks' console in place of the system's.
inline const std::vector<const char*> kComunes = {
    "platform/texto.cpp", "platform/consola.cpp",
    "ejercicios/comprobador/consola_comprobacion.cpp"};

inline const Programa* buscar(std::string_view nombre)
{
    const auto p = std::find_if(todos().begin(), todos().end(), [&](const Programa& programa) {
        return nombre == programa.nombre;
    });
    return p == todos().end() ? nullptr : &*p;
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
            fuentes.push_back(std::string(programa.carpeta) + "/" + i->path().filename().string());
    }
    std::sort(fuentes.begin(), fuentes.end());
    fuentes.insert(fuentes.end(), programa.prestados.begin(), programa.prestados.end());
    return fuentes;
}

// Whether the file at `ruta` (from the root, with '/') is one of the program's.
inline bool esSuyo(const Programa& programa, const std::string& ruta)
{
    const std::string carpeta = std::string(programa.carpeta) + "/";
    return ruta.compare(0, carpeta.size(), carpeta) == 0 ||
           std::find(programa.prestados.begin(), programa.prestados.end(), ruta) !=
               programa.prestados.end();
}

struct Guardado {
    std::string ruta;              // from the root, with '/'
    const Programa* de = nullptr;  // the program whose folder holds it
};

// The lesson's file saved last, when it is another program's and was saved well after every file
// of `programa` (a copy of the tree dates them all within a moment): where a change meant for
// `programa` may have gone. Empty otherwise.
inline Guardado guardadoEnOtro(const std::filesystem::path& raiz, const Programa& programa)
{
    namespace fs = std::filesystem;
    Guardado ultimo;
    auto cuandoUltimo = fs::file_time_type::min();
    auto cuandoPropio = fs::file_time_type::min();
    for (const Programa& otro : todos()) {
        std::error_code fallo;
        for (fs::directory_iterator i(raiz / otro.carpeta, fallo), fin; !fallo && i != fin;
             i.increment(fallo)) {
            const std::string extension = i->path().extension().string();
            if (extension != ".cpp" && extension != ".h") continue;
            std::error_code sinFecha;
            const auto cuando = i->last_write_time(sinFecha);
            if (sinFecha) continue;
            const std::string ruta =
                std::string(otro.carpeta) + "/" + i->path().filename().string();
            if (esSuyo(programa, ruta)) {
                cuandoPropio = std::max(cuandoPropio, cuando);
            } else if (cuando > cuandoUltimo) {
                cuandoUltimo = cuando;
                ultimo = {ruta, &otro};
            }
        }
    }
    if (ultimo.de == nullptr || cuandoUltimo <= cuandoPropio + std::chrono::seconds(2)) return {};
    return ultimo;
}

}  // namespace programas
