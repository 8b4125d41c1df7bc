// Known wrong answers: ejercicios/<programa>-<n>/pistas.txt pairs the line a wrong attempt prints
// first where another is expected ("sale: ...") with a hint for a beginner ("pista: ..."); "#"
// starts a comment. An address in a "sale:" line is named as the check names it in the whole
// output, in order of first appearance there: the line alone cannot say which address it is.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "comprobador/comparacion.h"
#include "comprobador/lineas.h"

namespace pistas {

// A known wrong answer: the first wrong line it prints ("sale:"; empty where the output ends
// early), or what its code does that the output cannot show: a text written between quotes more
// often than the unchanged program does ("literal: <veces> <texto>"), words that must not be in
// the code ("sobra: <palabras>"). Then its hint.
struct Pista {
    std::string sale;
    std::string pista;
    std::string regla;  // "", "literal" or "sobra"
    std::string texto;
    int veces = 0;
};

inline std::vector<Pista> leer(const std::string& texto)
{
    std::vector<Pista> lista;
    std::optional<Pista> actual;
    // Any other line, a comment included, is read as nothing.
    for (const std::string& linea : lineas::partir(texto)) {
        if (linea.empty()) continue;
        const std::size_t dos = linea.find(": ");  // "sale:" alone: the output ends early
        const std::string clave = linea.substr(
            0, dos != std::string::npos ? dos : linea.size() - (linea.back() == ':' ? 1 : 0));
        const std::string valor = dos == std::string::npos ? "" : linea.substr(dos + 2);
        if (clave == "sale") actual = Pista{valor, "", "", "", 0};
        if (clave == "sobra") actual = Pista{"", "", clave, valor, 0};
        if (clave == "literal") {
            const std::size_t espacio = valor.find(' ');
            const std::string literal =
                espacio == std::string::npos ? "" : valor.substr(espacio + 1);
            actual = Pista{"", "", clave, literal, std::atoi(valor.substr(0, espacio).c_str())};
        }
        if (clave == "pista" && actual) {
            actual->pista = valor;
            lista.push_back(*actual);
        }
        if (clave == "fugas") lista.push_back({"", "", "fugas", valor, 0});
    }
    return lista;
}

// "fugas: ninguna": the exercise asks for every object made with new to be deleted.
inline bool pideBorrarTodo(const std::vector<Pista>& lista)
{
    return std::any_of(lista.begin(), lista.end(),
                       [](const Pista& p) { return p.regla == "fugas" && p.texto == "ninguna"; });
}

// The hint for a first wrong line: one that names the line as the terminal shows it, or the whole
// line of the output (where a prompt and what follows the typed answer share one line), or the
// end of the output. Empty for none.
inline std::string para(const std::vector<Pista>& lista, const comparacion::Diferencia& diferencia)
{
    const auto encaja = std::find_if(lista.begin(), lista.end(), [&](const Pista& p) {
        return p.regla.empty() &&
               (diferencia.vino ? p.sale == diferencia.vino || p.sale == diferencia.entera
                                : p.sale.empty());
    });
    return encaja != lista.end() ? encaja->pista : "";
}

// A source's words, each literal between double quotes one word with its quotes, and the texts of
// those literals; comments and character literals left out.
struct Codigo {
    std::vector<std::string> palabras;
    std::vector<std::string> literales;
};

inline Codigo leerCodigo(const std::string& texto)
{
    Codigo r;
    for (std::size_t i = 0; i < texto.size();) {
        const char c = texto[i];
        if (texto.compare(i, 2, "//") == 0) {
            i = texto.find('\n', i);
        } else if (texto.compare(i, 2, "/*") == 0) {
            i = texto.find("*/", i + 2);
            i = i == std::string::npos ? i : i + 2;
        } else if (c == '"' || c == '\'') {
            std::size_t fin = i + 1;
            while (fin < texto.size() && texto[fin] != c && texto[fin] != '\n')
                fin += texto[fin] == '\\' ? 2U : 1U;
            if (c == '"') {
                r.literales.push_back(texto.substr(i + 1, fin - i - 1));
                r.palabras.push_back(texto.substr(i, fin + 1 - i));
            }
            i = fin + 1;
        } else if (comparacion::esPalabra(c)) {
            std::size_t fin = i;
            while (fin < texto.size() && comparacion::esPalabra(texto[fin])) ++fin;
            r.palabras.push_back(texto.substr(i, fin - i));
            i = fin;
        } else {
            if (std::isspace(static_cast<unsigned char>(c)) == 0) r.palabras.emplace_back(1, c);
            ++i;
        }
    }
    return r;
}

// What the code of a program whose output is right does that the exercise does not ask, told
// after "La salida es la esperada, pero "; empty for nothing. `textos`: its own sources.
inline std::string enElCodigo(const std::vector<Pista>& lista,
                              const std::vector<std::string>& textos)
{
    std::vector<Codigo> codigos(textos.size());
    std::transform(textos.begin(), textos.end(), codigos.begin(), leerCodigo);
    for (const Pista& p : lista) {
        if (p.regla == "literal") {
            std::ptrdiff_t veces = 0;
            for (const Codigo& c : codigos)
                veces += std::count_if(c.literales.begin(), c.literales.end(), [&](const auto& l) {
                    return l.find(p.texto) != std::string::npos;
                });
            if (veces > p.veces)
                return "el programa escribe «" + p.texto +
                       "» tal cual, entre comillas, en vez de leerlo del objeto: así la línea no "
                       "cambiaría si el objeto cambia.\nPista: " +
                       p.pista;
        }
        if (p.regla == "sobra") {
            const std::vector<std::string> buscadas = leerCodigo(p.texto).palabras;
            for (const Codigo& c : codigos)
                if (!buscadas.empty() &&
                    std::search(c.palabras.begin(), c.palabras.end(), buscadas.begin(),
                                buscadas.end()) != c.palabras.end())
                    return "el código no hace lo que pide el ejercicio.\nPista: " + p.pista;
        }
    }
    return "";
}

}  // namespace pistas
