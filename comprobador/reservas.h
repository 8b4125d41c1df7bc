// What reservas.cpp noted of the attempt's new and delete, told to a beginner with the line of
// each new and delete in the learner's own files: a delete of something already deleted, or not
// made with new, or of the other form (new[] and delete), always; objects never deleted, where the
// exercise asks for every one to be ("fugas:" in its pistas.txt). Lines come from addr2line, which
// comes with g++ and clang; without it, or with cl, the faults are told without their lines.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "comprobador/lineas.h"
#include "comprobador/mensajes.h"

namespace reservas {

namespace fs = std::filesystem;

struct Suceso {
    std::string clase;  // fuga, doble, ajeno, mezcla
    std::vector<std::vector<std::uint64_t>>
        marcos;  // per group: the delete's, the first delete's...
};

inline std::vector<Suceso> leer(const std::string& texto)
{
    std::vector<Suceso> sucesos;
    for (const std::string& linea : lineas::partir(texto)) {
        std::istringstream grupos(linea);
        Suceso suceso;
        grupos >> suceso.clase;
        if (suceso.clase != "fuga" && suceso.clase != "doble" && suceso.clase != "ajeno" &&
            suceso.clase != "mezcla")
            continue;
        for (std::string grupo; std::getline(grupos, grupo, '|');) {
            std::istringstream marcos(grupo);
            if (suceso.clase == "fuga") {
                std::string bytes;
                marcos >> bytes;  // not told
            }
            suceso.marcos.emplace_back();
            for (std::uint64_t marco = 0; marcos >> std::hex >> marco;)
                suceso.marcos.back().push_back(marco);
        }
        sucesos.push_back(std::move(suceso));
    }
    return sucesos;
}

// Where a Windows executable expects to be loaded: addr2line reads its addresses from there; 0 for
// any other file.
inline std::uint64_t baseDeImagen(const fs::path& ejecutable)
{
    const std::string bytes = lineas::leer(ejecutable, 4096).value_or("");
    const auto numero = [&](std::size_t desde, std::size_t largo) {
        std::uint64_t n = 0;
        for (std::size_t i = largo; i-- > 0;)
            n = n << 8U |
                static_cast<unsigned char>(desde + i < bytes.size() ? bytes[desde + i] : 0);
        return n;
    };
    if (bytes.compare(0, 2, "MZ") != 0) return 0;
    const std::size_t pe = numero(0x3C, 4);
    if (bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
    const std::size_t opcional = pe + 24;
    return numero(opcional, 2) == 0x20B ? numero(opcional + 24, 8) : numero(opcional + 28, 4);
}

struct Lugar {
    std::string funcion;  // as the object file names it (a deleting destructor ends in D0Ev)
    std::string archivo;  // relative to the project, only for the learner's own files
    std::string linea;
};

// addr2line's answer, two lines per address ("function", "file:line"), read into places; only
// files of the lesson's folders count, not the library's nor the checker's.
inline std::vector<Lugar> lugares(const std::vector<std::string>& respuesta, const fs::path& raiz,
                                  std::size_t cuantas)
{
    std::vector<Lugar> r(cuantas);
    for (std::size_t i = 0; i < cuantas && 2 * i + 1 < respuesta.size(); ++i) {
        std::string donde = respuesta[2 * i + 1];
        donde.resize(std::min(donde.find(" ("), donde.size()));  // "(discriminator 1)"
        const std::size_t dos = donde.rfind(':');
        if (dos == std::string::npos || donde.compare(0, 2, "??") == 0) continue;
        const std::string relativa = mensajes::relativa(donde.substr(0, dos), raiz);
        // As it came where it is not the project's; "/usr/..." has a root, absolute or not.
        const fs::path ruta(relativa);
        const std::string primera = ruta.empty() ? ".." : ruta.begin()->string();
        if (ruta.has_root_path() || primera == ".." || primera == "comprobador" ||
            primera == "platform")
            continue;
        r[i] = {respuesta[2 * i], relativa, donde.substr(dos + 1)};
    }
    return r;
}

// The learner's place of a group of frames: the first in their own files, a delete's skipping the
// destructor that a virtual one runs it through. None where no frame is theirs.
inline const Lugar* lugarDe(const std::vector<std::uint64_t>& marcos,
                            const std::map<std::uint64_t, Lugar>& sabidos, bool borra)
{
    for (const std::uint64_t marco : marcos) {
        const auto l = sabidos.find(marco);
        if (l == sabidos.end() || l->second.archivo.empty() || l->second.linea == "0") continue;
        const std::string& f = l->second.funcion;
        if (borra && f.size() > 4 && f.compare(f.size() - 4, 4, "D0Ev") == 0) continue;
        return &l->second;
    }
    return nullptr;
}

// The explanation of the faults noted, "" for none that counts. `resolver` answers addr2line's
// lines for some addresses (empty where it cannot run).
template <typename Resolver>
std::string explicar(const std::vector<Suceso>& sucesos, bool fugasCuentan, const fs::path& raiz,
                     Resolver resolver)
{
    std::vector<const Suceso*> cuentan;
    for (const Suceso& s : sucesos)
        if (s.clase != "fuga" || fugasCuentan) cuentan.push_back(&s);
    if (cuentan.empty()) return "";
    std::set<std::uint64_t> unicas;
    for (const Suceso* s : cuentan)
        for (const auto& grupo : s->marcos) unicas.insert(grupo.begin(), grupo.end());
    const std::vector<std::uint64_t> todas(unicas.begin(), unicas.end());
    const std::vector<Lugar> hallados = lugares(resolver(todas), raiz, todas.size());
    std::map<std::uint64_t, Lugar> sabidos;
    for (std::size_t i = 0; i < todas.size(); ++i) sabidos[todas[i]] = hallados[i];
    const auto donde = [&](const Suceso& s, std::size_t grupo) {
        return grupo < s.marcos.size()
                   ? lugarDe(s.marcos[grupo], sabidos, s.clase != "fuga" && grupo < 2)
                   : nullptr;
    };
    const auto lugar = [&](const Suceso& s, std::size_t grupo) {
        const Lugar* l = donde(s, grupo);
        return l == nullptr ? std::string() : " de " + l->archivo + ", línea " + l->linea;
    };

    // A fault that stops the program is the one told; then every object never deleted.
    std::string r;
    std::map<std::string, std::set<int>> nunca;  // lines of each file
    std::size_t cuantos = 0;
    for (const Suceso* s : cuentan) {
        if (s->clase == "doble")
            r += "El programa ha hecho delete dos veces del mismo objeto: el delete" +
                 lugar(*s, 0) + " borra un objeto que ya había borrado el delete" + lugar(*s, 1) +
                 " (el objeto lo creó el new" + lugar(*s, 2) +
                 "). Después de un delete el puntero sigue guardando la dirección, pero allí ya "
                 "no hay ningún objeto: cada objeto se borra una sola vez.\n";
        if (s->clase == "ajeno")
            r += "El programa ha hecho delete de algo que no se creó con new: el delete" +
                 lugar(*s, 0) +
                 " recibe la dirección de una variable, de un array (un array de punteros no se "
                 "crea con new: se borra cada elemento) o una dirección que no es la que dio "
                 "new. delete solo borra objetos creados con new.\n";
        if (s->clase == "mezcla")
            r += "El delete" + lugar(*s, 0) + " no es de la forma del new" + lugar(*s, 1) +
                 ": lo que se crea con new[] se borra con delete[], y lo que se crea con new, "
                 "con delete.\n";
        const Lugar* hecho = s->clase == "fuga" ? donde(*s, 0) : nullptr;
        if (hecho != nullptr) {  // the library's own objects are not the learner's
            nunca[hecho->archivo].insert(std::atoi(hecho->linea.c_str()));
            ++cuantos;
        }
    }
    if (cuantos > 0) {
        r += cuantos == 1 ? "Un objeto creado con new no se borra nunca con delete: el del new de "
                          : std::to_string(cuantos) +
                                " objetos creados con new no se borran nunca con delete: los de "
                                "los new de ";
        std::string archivos;
        for (const auto& [archivo, numeros] : nunca) {
            std::string dicho = archivo + (numeros.size() == 1 ? ", línea " : ", líneas ");
            for (const int n : numeros)  // in order, each once
                dicho += (n == *numeros.begin()    ? ""
                          : n == *numeros.rbegin() ? " y "
                                                   : ", ") +
                         std::to_string(n);
            archivos += (archivos.empty() ? "" : "; ") + dicho;
        }
        r += archivos +
             ". Un objeto creado con new vive hasta que un delete lo borra, aunque su puntero ya "
             "no exista: haz delete de cada uno cuando ya no se use.\n";
    }
    return r;
}

}  // namespace reservas
