// Known wrong answers: ejercicios/<programa>-<n>.pistas pairs the line a wrong attempt prints first
// where another is expected ("sale: ...") with a hint for a beginner ("pista: ..."); "#" starts a
// comment. An address in a "sale:" line is named as the check names it in the whole output, in
// order of first appearance there: the line alone cannot say which address it is.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ejercicios/comprobador/comparacion.h"
#include "ejercicios/comprobador/lineas.h"

namespace pistas {

struct Pista {
    std::string sale;
    std::string pista;
};

inline std::vector<Pista> leer(const std::string& texto)
{
    std::vector<Pista> lista;
    std::optional<std::string> sale;
    // Any other line, a comment included, is read as nothing.
    for (const std::string& linea : lineas::partir(texto)) {
        if (linea.compare(0, 6, "sale: ") == 0) sale = linea.substr(6);
        if (linea.compare(0, 7, "pista: ") == 0 && sale) lista.push_back({*sale, linea.substr(7)});
    }
    return lista;
}

// The hint for a first wrong line: one that names the line as the terminal shows it, or the whole
// line of the output (where a prompt and what follows the typed answer share one line). Empty for
// none.
inline std::string para(const std::vector<Pista>& lista, const comparacion::Diferencia& diferencia)
{
    const auto encaja = std::find_if(lista.begin(), lista.end(), [&](const Pista& p) {
        return p.sale == diferencia.vino || p.sale == diferencia.entera;
    });
    return diferencia.vino && encaja != lista.end() ? encaja->pista : "";
}

}  // namespace pistas
