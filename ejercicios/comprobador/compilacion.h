// The learner's program built as a rebuild by hand would: each source compiled to an object of its
// own in the check's folder, and compiled again only when it, or any header beside the sources,
// changed since; then every object linked. The command lines for g++ and clang, and for cl.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace compilacion {

namespace fs = std::filesystem;

inline bool esCl(const std::string& compilador)
{
    std::string base = fs::path(compilador).stem().string();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return base == "cl" || base == "clang-cl";
}

inline std::string nativa(const fs::path& ruta)
{
    fs::path copia = ruta;
    return copia.make_preferred().string();
}

// A compiler named with no folder is looked up on PATH as it is written.
inline std::string programa(const std::string& compilador)
{
    return compilador.find_first_of("/\\") == std::string::npos ? compilador : nativa(compilador);
}

// `depurar`: with what a debugger needs to follow the program line by line.
inline std::vector<std::string> compilarObjeto(const std::string& compilador, const fs::path& raiz,
                                               const fs::path& fuente, const fs::path& objeto,
                                               bool depurar = false)
{
    std::vector<std::string> orden{programa(compilador)};
    if (esCl(compilador)) {
        orden.insert(orden.end(), {"/nologo", "/std:c++17", "/EHsc", "/utf-8"});
        if (depurar) orden.insert(orden.end(), {"/Zi", "/Od"});
        orden.insert(orden.end(),
                     {"/I" + nativa(raiz), "/c", nativa(fuente), "/Fo" + nativa(objeto)});
        return orden;
    }
    orden.emplace_back("-std=c++17");
    if (depurar) orden.insert(orden.end(), {"-g", "-O0"});
    orden.insert(orden.end(), {"-I" + nativa(raiz), "-c", nativa(fuente), "-o", nativa(objeto)});
    return orden;
}

// `estatico`: a MinGW program links statically, so that it starts with no DLL beside it.
inline std::vector<std::string> enlazar(const std::string& compilador,
                                        const std::vector<fs::path>& objetos,
                                        const fs::path& ejecutable, bool estatico)
{
    std::vector<std::string> orden{programa(compilador)};
    if (esCl(compilador)) {
        orden.insert(orden.end(), {"/nologo", "/Fe" + nativa(ejecutable)});
    } else {
        if (estatico) orden.emplace_back("-static");
        orden.insert(orden.end(), {"-o", nativa(ejecutable)});
    }
    std::transform(objetos.begin(), objetos.end(), std::back_inserter(orden),
                   [](const fs::path& o) { return nativa(o); });
    return orden;
}

struct Plan {
    bool deCero = false;  // the objects were made another way: every one goes
    std::vector<std::pair<fs::path, fs::path>> compilar;  // each source to make again, its object
    std::vector<fs::path> objetos;                        // what the link takes, in order
};

// `sello` says how the objects are made (the compiler and its options); the folder keeps the one
// its objects were made with, and a different one makes every object again.
inline Plan planear(const fs::path& raiz, const std::vector<std::string>& fuentes,
                    const fs::path& carpeta, const std::string& sello, const std::string& extension)
{
    Plan plan;
    std::error_code fallo;
    std::string antes;
    {
        std::ifstream archivo(carpeta / "sello.txt", std::ios::binary);
        std::getline(archivo, antes, '\0');
    }
    plan.deCero = antes != sello;

    // Any header in a folder the sources come from may be included by any of them.
    fs::file_time_type cabeceras = fs::file_time_type::min();
    std::vector<fs::path> carpetas;
    for (const std::string& fuente : fuentes) {
        const fs::path de = (raiz / fuente).parent_path();
        if (std::find(carpetas.begin(), carpetas.end(), de) != carpetas.end()) continue;
        carpetas.push_back(de);
        for (fs::directory_iterator i(de, fallo), fin; !fallo && i != fin; i.increment(fallo))
            if (i->path().extension() == ".h")
                cabeceras = std::max(cabeceras, fs::last_write_time(i->path(), fallo));
    }
    for (const std::string& fuente : fuentes) {
        fs::path objeto = carpeta / fuente;
        objeto.replace_extension(extension);
        plan.objetos.push_back(objeto);
        const fs::path ruta = (raiz / fuente).lexically_normal();
        std::error_code sinObjeto;
        std::error_code sinFuente;
        const auto hecho = fs::last_write_time(objeto, sinObjeto);
        const auto cambiada = fs::last_write_time(ruta, sinFuente);
        // Not newer than what it is made from: a file saved within the same tick is made again.
        if (plan.deCero || sinObjeto || sinFuente || hecho <= cambiada || hecho <= cabeceras)
            plan.compilar.emplace_back(ruta, objeto);
    }
    return plan;
}

}  // namespace compilacion
