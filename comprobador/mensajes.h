// The compiler's messages for a beginner: the first lines as the compiler wrote them, with the
// project's folder taken off their paths, then, for the first kinds of error recognized, what they
// usually mean and the places to look at. Signals are the English messages of g++, clang and cl
// (the check runs them with LC_ALL=C and VSLANG=1033).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comprobador/lineas.h"

namespace mensajes {

inline constexpr std::size_t kAncho = 200;     // bytes of a compiler's line shown
inline constexpr std::size_t kLineas = 30;     // lines of the compiler's output shown
inline constexpr std::size_t kExplicados = 3;  // kinds of compiler error explained
inline constexpr std::size_t kLugares = 4;     // places named for each kind

struct Explicacion {
    std::vector<const char*> senales;  // any of these in an error line
    const char* texto;
    bool delEnlazador = false;  // read only in the linker's lines
    bool enLaNota = false;      // the place to look at is the note that follows the error
};

// Checked in this order: a character pasted from a document makes the errors after it, "no
// matching function" lines also say "cannot convert", a name of std::
// is also a name not declared, and a missing destructor is also a missing body.
inline const std::vector<Explicacion> kExplicaciones = {
    {{"stray '", "unexpected character <U+", "non-ASCII characters are not allowed", "C2018"},
     "Hay un carácter que C++ no admite fuera de las comillas: unas comillas tipográficas (“ ” o "
     "‘ ’) o un espacio especial, que llegan al copiar el código de una página o de un "
     "documento. Bórralas y escríbelas de nuevo con el teclado: \" o '."},
    {{"file not found", "No such file or directory", "C1083"},
     "Un #include nombra un archivo que no existe: mira cómo está escrito su nombre (las "
     "mayúsculas y minúsculas cuentan) y su carpeta, como en los demás #include "
     "(\"car_owner_demo/coche.h\"); los de la biblioteca estándar van entre < >, como "
     "<iostream>."},
    {{"definition of explicitly-defaulted", "definition of explicitly defaulted",
      "is missing exception", "C2084"},
     "Esta función se declara en el .h con «= default» (así el compilador escribe su cuerpo) y "
     "además tiene cuerpo en el .cpp: una de las dos sobra. Si escribes su cuerpo, quita «= "
     "default» de su declaración en el .h y deja solo el «;».",
     false,
     true},
    {{"invalid constructor; you probably meant", "must pass its first argument by reference",
      "C2652"},
     "Un constructor de copia recibe el otro objeto por referencia, como Clase(const Clase& "
     "otro): recibirlo por valor sería copiarlo, y para copiarlo haría falta el mismo constructor "
     "que se está declarando."},
    {{"invalid use of 'this' in non-member function", "invalid use of 'this' outside of",
      "non-member function", "as non-member", "destructor must be a non-static member",
      "forbids declaration of", "C2355", "C2270"},
     "Una función de una clase, escrita en el .cpp, lleva delante el nombre de su clase: "
     "void coche::setColor(...), coche::coche(...), coche::~coche() (con tu clase y tu función). "
     "Sin «Clase::» es una función suelta, que no es de ningún objeto: no tiene this ni campos."},
    {{"invalid use of non-static member function", "reference to non-static member function",
      "C3867"},
     "Para llamar a una función hacen falta los paréntesis, aunque no reciba nada: "
     "ch2.getColor(), no ch2.getColor."},
    {{"marked 'override', but does not override", "marked 'override' but does not override",
      "only virtual member functions can be marked 'override'",
      "non-virtual member function marked 'override'", "C3668"},
     "Una función marcada con override no redefine ninguna función virtual de la clase base: o "
     "la de la base no es virtual, o el nombre, los parámetros o el const no son exactamente "
     "los mismos."},
    {{"no matching function for call to", "no matching member function", "no matching constructor",
      "too many arguments to function", "too few arguments to function", "C2660", "C2664"},
     "Ninguna función con ese nombre acepta esos argumentos: compara cuántos le pasas, y de "
     "qué tipo, con su declaración en el archivo .h."},
    {{"has no member named", "no member named", "C2039"},
     "La clase no tiene ningún miembro con ese nombre: mira cómo está escrito en su archivo .h "
     "(las mayúsculas y minúsculas cuentan)."},
    {{"request for member", "did you mean to use '->'", "C2228", "C2227"},
     "Se usa «.» con un puntero, o «->» con un objeto: con un objeto se escribe "
     "objeto.miembro, y con un puntero, puntero->miembro."},
    {{"no match for 'operator<<'", "invalid operands to binary expression ('std::ostream'",
      "invalid operands to binary expression ('std::basic_ostream", "C2679"},
     "cout no sabe escribir un objeto de una clase tuya: escribe sus campos, uno a uno, con sus "
     "get (por ejemplo, c1.getColor() o p1.getCoche()->getColor())."},
    {{"taking address of rvalue", "taking the address of a temporary",
      "cannot take the address of an rvalue", "C2102"},
     "Se pide con «&» la dirección de algo que no la tiene: lo que devuelve una función por "
     "valor (como p2.getCoche(), que devuelve una copia) es un temporal que desaparece al "
     "acabar la línea. Guárdalo antes en una variable, o usa la función que devuelve un puntero "
     "(getPunteroCoche)."},
    {{"invalid array assignment", "is not assignable", "C3863"},
     "Un array no se asigna con «=»: sus elementos se copian uno a uno. Un texto de la clase "
     "se copia con copiarTexto(destino, origen), de platform/texto.h, como en el constructor."},
    {{"invalid conversion from", "cannot convert", "cannot initialize", "no viable conversion",
      "to non-scalar type", "C2440"},
     "Se da un valor de un tipo donde hace falta otro que no se puede sacar de él: por "
     "ejemplo, un objeto donde se espera un puntero (¿falta un &?), o un puntero donde se "
     "espera un objeto (¿falta un *?)."},
    {{"did you mean 'std::", "is not a member of 'std'; did you mean"},
     "Los nombres de la biblioteca estándar (cout, endl, string...) están en el espacio de "
     "nombres std: escríbelos std::cout y std::endl, o pon using std::cout; y using "
     "std::endl; después de los #include, como en main.cpp."},
    {{"was not declared in this scope", "use of undeclared identifier", "C2065", "C3861",
      "does not name a type", "unknown type name", "has not been declared", "is not a member of"},
     "Se usa un nombre que el compilador no conoce en ese punto: puede estar mal escrito (las "
     "mayúsculas y minúsculas cuentan), declararse más abajo o dentro de otro bloque { }, o "
     "faltar el #include que lo declara: el de su archivo .h, o #include <iostream> para cout. "
     "Un campo solo se conoce en las funciones de su clase: en el .cpp, con Clase:: delante."},
    {{"expected '}' at end of input", "expected '}'", "expected ')'", "C1075", "missing ')'"},
     "Falta cerrar una llave «}» o un paréntesis «)»: cada «{» necesita su «}», y cada «(» su "
     "«)». El compilador lo nota más abajo de donde falta: busca hacia arriba dónde se abrió."},
    {{"expected ';'", "missing ';'"},
     "Falta un punto y coma (;) al final de una instrucción o de una declaración (también "
     "después de la «}» que cierra una clase). Con g++ y clang falta en la línea que se "
     "señala; con cl (Visual Studio), casi siempre al final de la línea anterior."},
    {{"vtable for", "::~"},
     "Falta el cuerpo de un destructor (o de otra función virtual) que se declara en el .h: "
     "escribe su cuerpo en el .cpp, como Clase::~Clase() { ... }, o vuelve a dejar su "
     "declaración con «= default».",
     true},
    {{"undefined reference to", "unresolved external symbol", "undefined symbol",
      "Undefined symbols"},
     "Falta el cuerpo de una función que se declara y se usa. Mira que esté escrito en su "
     "archivo .cpp, con la clase delante (Clase::) y los mismos parámetros que en el .h.",
     true},
};

struct ErrorDelCompilador {
    std::string archivo;
    std::string linea;
    std::string mensaje;
};

// "<file>:<line>:<col>: error: ..." (g++, clang) or "<file>(<line>): error C2143: ..." (cl);
// none for any other line.
inline std::optional<ErrorDelCompilador> leerError(const std::string& texto,
                                                   const std::string& clase = "error")
{
    if (texto.find(clase) == std::string::npos) return std::nullopt;
    // Where the digits from `i` end: `i` itself where there are none.
    const auto cifras = [&](std::size_t i) {
        while (i < texto.size() && texto[i] >= '0' && texto[i] <= '9') ++i;
        return i;
    };
    // cl
    const std::size_t abre = texto.find('(');
    if (abre != std::string::npos && abre > 0) {
        const std::size_t fin = cifras(abre + 1);
        const std::size_t cierre = texto.find(')', fin);
        if (fin > abre + 1 && fin < texto.size() && (texto[fin] == ')' || texto[fin] == ',') &&
            cierre != std::string::npos &&
            texto.compare(cierre, 3 + clase.size(), "): " + clase) == 0)
            return ErrorDelCompilador{texto.substr(0, abre), texto.substr(abre + 1, fin - abre - 1),
                                      texto.substr(cierre + 3)};
    }
    // g++ and clang: "<file>:<line>:[<column>:] [fatal ]error", the file perhaps with a drive
    // letter.
    for (std::size_t dos = texto.find(':', 2); dos != std::string::npos;
         dos = texto.find(':', dos + 1)) {
        const std::size_t fin = cifras(dos + 1);
        if (fin == dos + 1 || fin >= texto.size() || texto[fin] != ':') continue;
        std::size_t resto = cifras(fin + 1);
        if (resto > fin + 1 && resto < texto.size() && texto[resto] == ':') ++resto;
        resto = std::min(texto.find_first_not_of(' ', resto), texto.size());
        if (texto.compare(resto, clase.size(), clase) != 0 &&
            texto.compare(resto, 6 + clase.size(), "fatal " + clase) != 0)
            return std::nullopt;
        return ErrorDelCompilador{texto.substr(0, dos), texto.substr(dos + 1, fin - dos - 1),
                                  texto.substr(resto)};
    }
    return std::nullopt;
}

inline std::string relativa(const std::string& archivo, const std::filesystem::path& raiz)
{
    std::error_code fallo;
    const std::filesystem::path absoluta =
        std::filesystem::absolute(std::filesystem::path(archivo), fallo).lexically_normal();
    const std::filesystem::path base = std::filesystem::absolute(raiz, fallo).lexically_normal();
    const std::filesystem::path relativa = absoluta.lexically_relative(base);
    if (fallo || relativa.empty() || *relativa.begin() == "..") return archivo;
    return relativa.generic_string();
}

// A compiler's line with the project's folder taken off its paths, as the learner names them.
inline std::string sinRaiz(std::string linea, const std::filesystem::path& raiz)
{
    if (linea.compare(0, 2, "./") == 0 || linea.compare(0, 2, ".\\") == 0) linea.erase(0, 2);
    std::error_code fallo;
    std::filesystem::path base = std::filesystem::absolute(raiz, fallo).lexically_normal();
    for (std::string prefijo : {base.string(), base.generic_string()}) {
        if (!prefijo.empty() && (prefijo.back() == '/' || prefijo.back() == '\\'))
            prefijo.pop_back();
        if (prefijo.empty()) continue;  // a project at "/" (the lab's): never every slash
        for (const std::string& conBarra : {prefijo + '/', prefijo + '\\'})
            for (std::size_t i = linea.find(conBarra); i != std::string::npos;
                 i = linea.find(conBarra, i))
                linea.erase(i, conBarra.size());
    }
    return linea;
}

// g++ in a UTF-8 locale quotes with ‘ and ’; the signals above are written with '.
inline std::string comillasSimples(std::string texto)
{
    for (const std::string_view curva : {"\xE2\x80\x98", "\xE2\x80\x99"}) {
        for (std::size_t i = texto.find(curva); i != std::string::npos; i = texto.find(curva, i))
            texto.replace(i, curva.size(), "'");
    }
    return texto;
}

// The line of the learner's file that a compiler's line names; empty where there is none.
inline std::string fuente(const ErrorDelCompilador& donde, const std::filesystem::path& raiz)
{
    const std::vector<std::string> todas = lineas::partir(
        lineas::leer(std::filesystem::path(raiz) / relativa(donde.archivo, raiz)).value_or(""));
    const std::size_t n = std::strtoul(donde.linea.c_str(), nullptr, 10);
    return n == 0 || n > todas.size() ? "" : todas[n - 1];
}

// clang's only words for a constructor or destructor written in a .cpp without «Clase::» are
// "expected unqualified-id", at a line that starts with the bare name and its "(".
inline bool sinClase(const std::string& linea)
{
    std::size_t i = linea.find_first_not_of(" \t");
    if (i == std::string::npos) return false;
    if (linea[i] == '~') ++i;
    const std::size_t fin = linea.find_first_not_of(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_", i);
    return fin != std::string::npos && fin > i && linea[fin] == '(';
}

// Each kind of error recognized is explained once, with the places where it was seen.
struct Explicado {
    const Explicacion* explicacion;
    std::vector<std::string> lugares;
    std::string propuesta;  // the compiler's own suggestion, where it makes one
};

// What the learner reads of a compiler that failed: its first lines, then what they usually mean.
inline std::string mostrar(const std::vector<std::string>& salida,
                           const std::filesystem::path& raiz)
{
    std::string r = "El compilador dice:\n";
    for (std::size_t i = 0; i < salida.size() && i < kLineas; ++i)
        r += "  " + lineas::cortar(sinRaiz(salida[i], raiz), kAncho) + "\n";
    if (salida.size() > kLineas)
        r += "  (y " + std::to_string(salida.size() - kLineas) + " líneas más)\n";
    r += "\n";
    return r;
}

// What its errors usually mean, with the places where each kind was seen; the verdict comes
// between this and the compiler's lines. `enlazando`: the lines are the linker's, the sources
// having compiled; a compiler's context lines name destructors too.
inline std::string explicar(const std::vector<std::string>& salida,
                            const std::filesystem::path& raiz, bool enlazando)
{
    std::vector<Explicado> explicados;
    std::string primerLugar;
    std::size_t esperaNota = SIZE_MAX;  // the kind whose place is the next note's
    std::string sinClaseEn;             // the place of a constructor written without «Clase::»
    for (const std::string& bruta : salida) {
        const std::string linea = comillasSimples(bruta);
        const auto nota = leerError(linea, "note");
        if (nota && esperaNota < explicados.size()) {
            // clang says the same of a copy constructor it declared itself: then the note's line
            // is the class's, with no «= default» to take off.
            auto& lugares = explicados[esperaNota].lugares;
            const std::string lugar = relativa(nota->archivo, raiz) + ", línea " + nota->linea;
            if (fuente(*nota, raiz).find("default") == std::string::npos) {
                if (lugares.empty())
                    explicados.erase(explicados.begin() + static_cast<std::ptrdiff_t>(esperaNota));
            } else if (lugares.size() < kLugares &&
                       std::find(lugares.begin(), lugares.end(), lugar) == lugares.end()) {
                lugares.push_back(lugar);
            }
            esperaNota = SIZE_MAX;
        }
        const auto error = leerError(linea);
        const bool conLugar = error.has_value();
        const std::string lugar =
            conLugar ? relativa(error->archivo, raiz) + ", línea " + error->linea : "";
        if (primerLugar.empty()) primerLugar = lugar;
        const bool suelta = conLugar && error->mensaje == "error: expected unqualified-id" &&
                            sinClase(fuente(*error, raiz));
        // What clang says next at that line only follows from the same mistake.
        if (!suelta && conLugar && lugar == sinClaseEn) continue;
        if (suelta) sinClaseEn = lugar;
        const std::string mensaje = suelta     ? "non-member function"
                                    : conLugar ? error->mensaje
                                               : linea;
        const auto encaja = std::find_if(
            kExplicaciones.begin(), kExplicaciones.end(), [&](const Explicacion& explicacion) {
                // cl's codes, and "missing ';'" of its C2143, stand only in its error lines.
                const bool aqui =
                    enlazando ? explicacion.delEnlazador : conLugar && !explicacion.delEnlazador;
                return aqui && std::any_of(explicacion.senales.begin(), explicacion.senales.end(),
                                           [&](const char* senal) {
                                               return mensaje.find(senal) != std::string::npos;
                                           });
            });
        if (encaja == kExplicaciones.end()) continue;
        auto ya = std::find_if(explicados.begin(), explicados.end(),
                               [&](const Explicado& e) { return e.explicacion == &*encaja; });
        if (ya == explicados.end()) {
            if (explicados.size() == kExplicados) continue;
            explicados.push_back({&*encaja, {}, ""});
            ya = explicados.end() - 1;
        }
        for (const char* propone : {"did you mean", "you probably meant"})
            if (ya->propuesta.empty() && mensaje.find(propone) != std::string::npos)
                ya->propuesta = mensaje.substr(mensaje.find(propone));
        if (encaja->enLaNota) {
            esperaNota = static_cast<std::size_t>(ya - explicados.begin());
            continue;
        }
        if (conLugar && ya->lugares.size() < kLugares &&
            std::find(ya->lugares.begin(), ya->lugares.end(), lugar) == ya->lugares.end())
            ya->lugares.push_back(lugar);
    }
    if (explicados.empty()) {
        std::string r =
            "Lee arriba la primera línea que dice «error»: empieza por el archivo y el número de "
            "línea donde el compilador ha visto el fallo, y el fallo suele estar en esa línea o "
            "poco antes.";
        if (!primerLugar.empty()) r += " Mira " + primerLugar + ".";
        return r + "\n";
    }
    std::string r = "Lo que suele querer decir:\n";
    for (const Explicado& explicado : explicados) {
        r += "- ";
        if (!explicado.propuesta.empty())
            r += "El compilador propone: «" + explicado.propuesta + "». ";
        r += explicado.explicacion->texto;
        const auto& lugares = explicado.lugares;
        if (!lugares.empty()) r += " Mira " + lugares[0] + ".";
        for (std::size_t i = 1; i < lugares.size(); ++i) {
            r += (i == 1 ? " También en " : i + 1 == lugares.size() ? " y " : ", ") + lugares[i];
            if (i + 1 == lugares.size()) r += ".";
        }
        r += "\n";
    }
    return r;
}

}  // namespace mensajes
