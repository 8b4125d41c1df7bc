// The program's output against the expected one: every address renamed [dirección 1],
// [dirección 2]... in order of first appearance on both sides, so that only which ones are the same
// matters; and the first difference named by screen and line, as a terminal shows them.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comprobador/lineas.h"
#include "comprobador/marcas.h"

namespace comparacion {

inline constexpr std::string_view kMarcaDireccion = "[dirección ";

// A pause or a line of input (the marks of marcas.h), at an offset of the output without marks.
struct Suceso {
    std::size_t donde;
    bool pausa;
    std::string eco;
};

struct Salida {
    std::string texto;  // what the program wrote, CR LF read as LF
    std::vector<Suceso> sucesos;
};

// The program's output with the marks taken out, and where each was.
inline Salida separar(const std::string& bruta)
{
    Salida salida;
    bool enEco = false;
    std::string eco;
    for (const char c : lineas::sinRetornos(bruta)) {
        if (enEco && c != marcas::kEcoFin) {
            eco += c;
        } else if (enEco || c == marcas::kPausa) {
            salida.sucesos.push_back({salida.texto.size(), !enEco, enEco ? eco : ""});
            enEco = false;
        } else if (c == marcas::kEcoInicio) {
            enEco = true;
            eco.clear();
        } else {
            salida.texto += c;
        }
    }
    if (enEco) salida.sucesos.push_back({salida.texto.size(), false, eco});
    return salida;
}

// A letter, a digit or '_' (the checker keeps the "C" locale): what an address is not inside.
inline bool esPalabra(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The length of an address at `i` as std::cout writes a pointer, or 0: "0x" and hex digits
// (g++, clang, MinGW) or exactly 16 hex digits (MSVC), not inside a longer word.
inline std::size_t direccionEn(const std::string& texto, std::size_t i)
{
    if (i > 0 && esPalabra(texto[i - 1])) return 0;
    const bool conPrefijo = texto.compare(i, 2, "0x") == 0;
    const std::size_t desde = conPrefijo ? i + 2 : i;
    const std::size_t fin =
        std::min(texto.find_first_not_of("0123456789abcdefABCDEF", desde), texto.size());
    if (fin == desde || (!conPrefijo && fin - i != 16)) return 0;
    if (fin < texto.size() && esPalabra(texto[fin])) return 0;
    return fin - i;
}

// The length of a placeholder "[dirección <digits>]" at `i`, or 0.
inline std::size_t marcadorEn(const std::string& texto, std::size_t i)
{
    if (texto.compare(i, kMarcaDireccion.size(), kMarcaDireccion) != 0) return 0;
    const std::size_t desde = i + kMarcaDireccion.size();
    const std::size_t cierre = texto.find_first_not_of("0123456789", desde);
    return cierre > desde && cierre != std::string::npos && texto[cierre] == ']' ? cierre + 1 - i
                                                                                 : 0;
}

// A text with its addresses renamed, and where each offset was before.
struct Obtenida {
    std::string texto;
    std::vector<std::size_t> antes;  // one per byte of `texto`, and one for its end
    std::vector<Suceso> sucesos;     // offsets into `texto`
    std::string real;                // the output as it came
};

// Each piece that `largoEn` finds (its length at an offset, or 0) renamed [dirección 1],
// [dirección 2]... in order of first appearance: the same piece, the same name.
template <typename Largo>
Obtenida renombrar(const std::string& texto, Largo largoEn)
{
    Obtenida r;
    std::map<std::string, std::size_t> nombres;
    for (std::size_t i = 0; i < texto.size();) {
        const std::size_t largo = largoEn(texto, i);
        if (largo == 0) {
            r.texto += texto[i];
            r.antes.push_back(i++);
            continue;
        }
        const auto numero = nombres.emplace(texto.substr(i, largo), nombres.size() + 1).first;
        const std::string puesto =
            std::string(kMarcaDireccion) + std::to_string(numero->second) + "]";
        r.texto += puesto;
        r.antes.insert(r.antes.end(), puesto.size(), i);
        i += largo;
    }
    r.antes.push_back(texto.size());
    return r;
}

inline Obtenida nombrar(const Salida& salida)
{
    Obtenida r = renombrar(salida.texto, direccionEn);
    r.real = salida.texto;
    std::vector<std::size_t> despues(salida.texto.size() + 1, r.texto.size());
    for (std::size_t i = r.antes.size(); i-- > 0;) despues[r.antes[i]] = i;
    r.sucesos = salida.sucesos;
    for (Suceso& suceso : r.sucesos) suceso.donde = despues[suceso.donde];
    return r;
}

// An expected text (a salida.txt, a hint's line) with its placeholders numbered again by first
// appearance, and LF for CR LF.
inline std::string esperada(const std::string& bruta)
{
    return renombrar(lineas::sinRetornos(bruta), marcadorEn).texto;
}

struct Lugar {
    std::size_t pantalla = 1;
    std::size_t linea = 1;
    std::size_t inicio = 0;  // offset of that line's start in the output
};

// The screen and line of the terminal at which byte `donde` of the output stands.
inline Lugar lugarDe(const std::string& texto, const std::vector<Suceso>& sucesos,
                     std::size_t donde)
{
    Lugar lugar;
    std::size_t s = 0;
    for (std::size_t i = 0; i <= donde && i <= texto.size(); ++i) {
        for (; s < sucesos.size() && sucesos[s].donde == i; ++s) {
            const Suceso& suceso = sucesos[s];
            if (suceso.pausa) {
                // Every pause but garaxo's last is followed by a clear: what comes next, or is
                // missing, stands on the next screen.
                ++lugar.pantalla;
                lugar.linea = 1;
                lugar.inicio = i;
            } else if (suceso.eco.find('\n') != std::string::npos) {
                lugar.linea += static_cast<std::size_t>(
                    std::count(suceso.eco.begin(), suceso.eco.end(), '\n'));
                lugar.inicio = i;
            }
        }
        if (i < donde && i < texto.size() && texto[i] == '\n') {
            ++lugar.linea;
            lugar.inicio = i + 1;
        }
    }
    return lugar;
}

// The text from `desde` to the end of its line; none past the end of `texto`.
inline std::optional<std::string> lineaDesde(const std::string& texto, std::size_t desde)
{
    if (desde >= texto.size()) return std::nullopt;
    return texto.substr(desde, texto.find('\n', desde) - desde);  // npos: to the end
}

struct Diferencia {
    Lugar lugar;
    // The line as the terminal shows it, from its start or the echo; and the one expected there.
    std::optional<std::string> vino;
    std::optional<std::string> iba;
    std::string entera;  // the whole line of the output, as a salida.txt writes it
    std::string real;    // `vino` with its addresses as they came
};

inline Diferencia primeraDiferencia(const Obtenida& obtenida, const std::string& esperada)
{
    const std::string& texto = obtenida.texto;
    const auto distinto =
        std::mismatch(texto.begin(), texto.end(), esperada.begin(), esperada.end());
    Diferencia d;
    d.lugar =
        lugarDe(texto, obtenida.sucesos, static_cast<std::size_t>(distinto.first - texto.begin()));
    d.vino = lineaDesde(texto, d.lugar.inicio);
    d.iba = lineaDesde(esperada, d.lugar.inicio);
    const std::size_t inicioEntero =
        d.lugar.inicio == 0 ? 0 : texto.rfind('\n', d.lugar.inicio - 1) + 1;
    d.entera = lineaDesde(texto, inicioEntero).value_or("");
    d.real = lineaDesde(obtenida.real, obtenida.antes[d.lugar.inicio]).value_or("");
    return d;
}

// What the learner reads about a difference.
inline std::string describir(const Diferencia& d)
{
    std::string r =
        "La salida no es la esperada. Primera diferencia, en la pantalla " +
        std::to_string(d.lugar.pantalla) + ", línea " + std::to_string(d.lugar.linea) +
        ":\n  se esperaba: " +
        (d.iba ? lineas::mostrar(*d.iba) : "(nada: la salida esperada termina antes)") +
        "\n  ha salido:   " +
        (d.vino ? lineas::mostrar(*d.vino) : "(nada: la salida del programa termina antes)") + "\n";
    if (d.vino && lineas::legible(*d.vino) != *d.vino)
        r += "Cada � es un byte que no es texto: el programa ha escrito como texto una memoria "
             "que no lo guarda, como la de un objeto ya borrado con delete.\n";
    if (d.vino && d.vino == d.iba)
        r += "Las dos líneas se ven iguales: la diferencia está en el salto de línea del final, "
             "que falta o sobra.\n";
    if (d.vino.value_or("").find(kMarcaDireccion) != std::string::npos ||
        d.iba.value_or("").find(kMarcaDireccion) != std::string::npos) {
        if (d.vino && d.real != *d.vino) r += "  tal cual:    " + lineas::mostrar(d.real) + "\n";
        r += "[dirección 1], [dirección 2]... están en lugar de las direcciones de memoria que "
             "escribe el programa (como 0x7ffd5e8c1a40), que cambian de una ejecución a otra: el "
             "mismo número es la misma dirección, y números distintos son direcciones distintas.\n";
    }
    return r;
}

}  // namespace comparacion
