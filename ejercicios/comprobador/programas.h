// The three programs a check can build, each from the .cpp files of its folder: a source file
// added to a program's folder is compiled by the next check with no other change.
#pragma once

#include <algorithm>
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

}  // namespace programas
