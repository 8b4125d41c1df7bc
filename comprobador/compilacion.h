// The learner's program built as a rebuild by hand would: each source compiled to an object of its
// own in the check's folder, and compiled again only when it, or any header beside the sources,
// reads otherwise than when it was made; then every object linked. The command lines for g++ and
// clang, and for cl.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "comprobador/lineas.h"

namespace compilacion {

namespace fs = std::filesystem;

inline bool esCl(const std::string& compilador)
{
    std::string base = fs::path(compilador).stem().string();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return base == "cl" || base == "clang-cl";
}

// A path with this system's separators; a compiler named with no folder stays as it is written,
// to be looked up on PATH.
inline std::string nativa(const fs::path& ruta) { return fs::path(ruta).make_preferred().string(); }

// g++ and clang compile with what gdb needs to follow the program line by line, so that a check
// and the memory page share one set of objects (cl's programs are never traced).
inline std::vector<std::string> compilarObjeto(const std::string& compilador, const fs::path& raiz,
                                               const fs::path& fuente, const fs::path& objeto)
{
    if (esCl(compilador))
        return {nativa(compilador),
                "/nologo",
                "/std:c++17",
                "/EHsc",
                "/utf-8",
                "/I" + nativa(raiz),
                "/c",
                nativa(fuente),
                "/Fo" + nativa(objeto)};
    return {nativa(compilador), "-std=c++17", "-g",          "-O0", "-I" + nativa(raiz), "-c",
            nativa(fuente),     "-o",         nativa(objeto)};
}

// `estatico`: a MinGW program links statically, so that it starts with no DLL beside it.
inline std::vector<std::string> enlazar(const std::string& compilador,
                                        const std::vector<fs::path>& objetos,
                                        const fs::path& ejecutable, bool estatico)
{
    std::vector<std::string> orden{nativa(compilador)};
    if (esCl(compilador)) {
        orden.insert(orden.end(), {"/nologo", "/Fe" + nativa(ejecutable)});
    } else {
        if (estatico) orden.emplace_back("-static");
        orden.insert(orden.end(), {"-o", nativa(ejecutable)});
    }
    std::transform(objetos.begin(), objetos.end(), std::back_inserter(orden),
                   [](const fs::path& objeto) { return nativa(objeto); });
    return orden;
}

// What an object is made from, as its contents: a file's bytes, or, for a folder, its headers'
// names and bytes. Kept beside the object, so that a file put back with an old date, as a copy
// of the folder restores it, is compiled again all the same.
inline std::string huella(const std::vector<fs::path>& archivos)
{
    std::string todo;
    for (const fs::path& archivo : archivos)
        todo += archivo.filename().string() + '\0' + lineas::leer(archivo).value_or("") + '\0';
    return std::to_string(std::hash<std::string>{}(todo));
}

struct Paso {
    fs::path fuente;
    fs::path objeto;
    std::string huella;  // noted beside the object once it is made: anotar()
};

struct Plan {
    bool deCero = false;            // the objects were made another way: every one goes
    std::vector<Paso> compilar;     // each source to make again
    std::vector<fs::path> objetos;  // what the link takes, in order
};

inline void anotar(const Paso& paso)
{
    std::ofstream(paso.objeto.string() + ".huella", std::ios::binary) << paso.huella;
}

// Every header in a folder the sources come from, in order: any of them may include it.
inline std::vector<fs::path> cabecerasJunto(const fs::path& raiz,
                                            const std::vector<std::string>& fuentes)
{
    std::set<fs::path> cabeceras;  // in order, each once however many sources share its folder
    std::error_code fallo;
    for (const std::string& fuente : fuentes) {
        const fs::path de = (raiz / fuente).lexically_normal().parent_path();
        for (fs::directory_iterator i(de, fallo), fin; !fallo && i != fin; i.increment(fallo))
            if (i->path().extension() == ".h") cabeceras.insert(i->path());
    }
    return {cabeceras.begin(), cabeceras.end()};
}

// `sello` says how the objects are made (the compiler and its options); the folder keeps the one
// its objects were made with, and a different one makes every object again. An object is made
// again when what it was made from, its source or any header it may include, reads otherwise.
inline Plan planear(const fs::path& raiz, const std::vector<std::string>& fuentes,
                    const fs::path& carpeta, const std::string& sello, const std::string& extension)
{
    const auto leer = [](const fs::path& ruta) { return lineas::leer(ruta).value_or(""); };
    Plan plan;
    plan.deCero = leer(carpeta / "sello.txt") != sello;

    const std::string deCabeceras = huella(cabecerasJunto(raiz, fuentes));
    std::error_code fallo;
    for (const std::string& fuente : fuentes) {
        Paso paso{(raiz / fuente).lexically_normal(), carpeta / fuente, ""};
        paso.objeto.replace_extension(extension);
        paso.huella = huella({paso.fuente}) + " " + deCabeceras;
        plan.objetos.push_back(paso.objeto);
        if (plan.deCero || !fs::is_regular_file(paso.objeto, fallo) ||
            leer(paso.objeto.string() + ".huella") != paso.huella)
            plan.compilar.push_back(std::move(paso));
    }
    return plan;
}

}  // namespace compilacion
