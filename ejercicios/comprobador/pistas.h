// Known wrong answers: ejercicios/<programa>-<n>.pistas pairs the line a wrong attempt prints first
// where another is expected ("sale: ...") with a hint for a beginner ("pista: ..."); "#" starts a
// comment. An address in a "sale:" line is named as the check names it in the whole output, in
// order of first appearance there: the line alone cannot say which address it is.
#pragma once

#include <algorithm>
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
    std::string sale;
    bool haySale = false;
    for (const std::string& linea : lineas::partir(texto)) {
        const std::size_t primero = linea.find_first_not_of(" \t");
        if (primero == std::string::npos || linea[primero] == '#') continue;
        if (linea.compare(0, 6, "sale: ") == 0) {
            sale = linea.substr(6);
            haySale = true;
        } else if (linea.compare(0, 7, "pista: ") == 0 && haySale) {
            lista.push_back({sale, linea.substr(7)});
        }
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
