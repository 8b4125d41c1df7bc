// The learners' check: `comprobar <programa> <n>` compiles the learner's program with the checks'
// console (no pause, no clear, marks for screens and echoed input), runs it on the exercise's input
// and tells, in Spanish and for a beginner, whether its standard output is the one that
// ejercicios/<programa>-<n>.salida expects; if not, what went wrong and where to look. Its last
// lines are the verdict. Exit status: 0 right, 1 not yet, 2 bad usage.
//
// It needs only a C++17 compiler: the guide builds it with one command line, and CMake's
// comprobar-<programa>-<n> targets run it. platform/proceso_*.cpp is all it knows of the system.
#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/proceso.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPlazo = 10;                  // seconds a program may run; every exercise needs <1
constexpr std::size_t kAncho = 100;            // bytes of a program's line shown
constexpr std::size_t kAnchoCompilador = 200;  // bytes of a compiler's line shown
constexpr std::size_t kLineasCompilador = 30;  // lines of the compiler's output shown
constexpr std::size_t kLineasErrores = 5;      // lines of the program's standard error shown
constexpr std::size_t kExplicados = 3;         // kinds of compiler error explained
constexpr std::size_t kLugares = 4;            // places named for each kind

// The marks that platform/consola_comprobacion.cpp writes into standard output.
constexpr char kPausa = '\f';
constexpr char kEcoInicio = '\x01';
constexpr char kEcoFin = '\x02';

constexpr std::string_view kMarcaDireccion = "[dirección ";

struct Programa {
    const char* nombre;
    std::vector<const char*> fuentes;
};

// Each program's own sources, then what every program takes from platform/, with the checks'
// console in place of the system's.
const std::vector<Programa>& programas()
{
    static const std::vector<Programa> lista = {
        {"garaxo",
         {"car_owner_demo/coche.cpp", "car_owner_demo/propietario.cpp", "car_owner_demo/main.cpp"}},
        {"pintafor",
         {"shape_demo/paleta.cpp", "shape_demo/figura.cpp", "shape_demo/formas.cpp",
          "shape_demo/main.cpp"}},
        {"polifor",
         {"figure_demo/figura.cpp", "figure_demo/formas.cpp", "figure_demo/main.cpp",
          "shape_demo/paleta.cpp"}},
    };
    return lista;
}

const std::vector<const char*> kComunes = {"platform/texto.cpp", "platform/consola.cpp",
                                           "platform/consola_comprobacion.cpp"};

const char* compiladorPropio()
{
#if defined(_MSC_VER) && !defined(__clang__)
    return "cl";
#elif defined(__clang__)
    return "clang++";
#else
    return "g++";
#endif
}

void uso()
{
    std::cout << "Uso: comprobar <garaxo|pintafor|polifor> <número del ejercicio> [--raiz CARPETA]"
                 " [--carpeta CARPETA] [--compilador COMPILADOR]\n"
                 "Por ejemplo, desde la carpeta del proyecto: comprobar garaxo 1\n";
}

bool leer(const fs::path& ruta, std::string& texto)
{
    std::ifstream archivo(ruta, std::ios::binary);
    if (!archivo) return false;
    texto.assign(std::istreambuf_iterator<char>(archivo), std::istreambuf_iterator<char>());
    return true;
}

std::string sinRetornos(const std::string& texto)
{
    std::string limpio;
    limpio.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size(); ++i)
        if (!(texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n')) limpio += texto[i];
    return limpio;
}

std::vector<std::string> lineas(const std::string& texto)
{
    std::vector<std::string> resultado;
    std::istringstream flujo(texto);
    std::string linea;
    while (std::getline(flujo, linea)) {
        if (!linea.empty() && linea.back() == '\r') linea.pop_back();
        resultado.push_back(linea);
    }
    return resultado;
}

// A line cut to `ancho` bytes, never inside a UTF-8 character.
std::string cortar(const std::string& linea, std::size_t ancho)
{
    if (linea.size() <= ancho) return linea;
    std::size_t fin = ancho;
    while (fin > 0 && (static_cast<unsigned char>(linea[fin]) & 0xC0U) == 0x80U) --fin;
    return linea.substr(0, fin) + "...";
}

// Between « and », so that blanks at the end can be seen.
std::string mostrar(const std::string& linea) { return "«" + cortar(linea, kAncho) + "»"; }

// --- The program's output: marks taken out -----------------------------------------------------

// A pause or a line of input, at an offset of the output without marks.
struct Suceso {
    std::size_t donde;
    bool pausa;
    std::string eco;
};

struct Salida {
    std::string texto;  // what the program wrote, CR LF read as LF
    std::vector<Suceso> sucesos;
};

Salida separar(const std::string& bruta)
{
    Salida salida;
    bool enEco = false;
    std::string eco;
    for (std::size_t i = 0; i < bruta.size(); ++i) {
        const char c = bruta[i];
        if (enEco) {
            if (c == kEcoFin) {
                salida.sucesos.push_back({salida.texto.size(), false, sinRetornos(eco)});
                enEco = false;
            } else {
                eco += c;
            }
        } else if (c == kPausa) {
            salida.sucesos.push_back({salida.texto.size(), true, ""});
        } else if (c == kEcoInicio) {
            enEco = true;
            eco.clear();
        } else if (!(c == '\r' && i + 1 < bruta.size() && bruta[i + 1] == '\n')) {
            salida.texto += c;
        }
    }
    if (enEco) salida.sucesos.push_back({salida.texto.size(), false, sinRetornos(eco)});
    return salida;
}

// --- Addresses as names ------------------------------------------------------------------------

bool esHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool esPalabra(char c)
{
    return esHex(c) || (c >= 'g' && c <= 'z') || (c >= 'G' && c <= 'Z') || c == '_';
}

std::string placeholder(std::size_t numero)
{
    return std::string(kMarcaDireccion) + std::to_string(numero) + "]";
}

// A text with every address renamed [dirección 1], [dirección 2]... in order of first appearance,
// and where each of its offsets was in the text before.
struct Nombrado {
    std::string texto;
    std::vector<std::size_t> antes;  // one per byte of `texto`, and one for its end
    bool conDirecciones = false;
};

// The length of an address at `i` as std::cout writes a pointer, or 0: "0x" and hex digits
// (g++, clang, MinGW) or exactly 16 hex digits (MSVC), not inside a longer word.
std::size_t direccionEn(const std::string& texto, std::size_t i)
{
    if (i > 0 && esPalabra(texto[i - 1])) return 0;
    std::size_t fin = i;
    if (texto.compare(i, 2, "0x") == 0 && i + 2 < texto.size() && esHex(texto[i + 2])) {
        fin = i + 2;
        while (fin < texto.size() && esHex(texto[fin])) ++fin;
    } else {
        while (fin < texto.size() && esHex(texto[fin])) ++fin;
        if (fin - i != 16) return 0;
    }
    if (fin < texto.size() && esPalabra(texto[fin])) return 0;
    return fin - i;
}

Nombrado renombrarDirecciones(const std::string& texto)
{
    Nombrado r;
    std::map<std::string, std::size_t> nombres;
    for (std::size_t i = 0; i < texto.size();) {
        const std::size_t largo = direccionEn(texto, i);
        if (largo == 0) {
            r.texto += texto[i];
            r.antes.push_back(i);
            ++i;
            continue;
        }
        const auto nombre =
            nombres.emplace(texto.substr(i, largo), nombres.size() + 1).first->second;
        const std::string puesto = placeholder(nombre);
        r.texto += puesto;
        r.antes.insert(r.antes.end(), puesto.size(), i);
        r.conDirecciones = true;
        i += largo;
    }
    r.antes.push_back(texto.size());
    return r;
}

// The expected output's placeholders numbered again by first appearance, so that only which ones
// are the same matters.
std::string renumerar(const std::string& texto)
{
    std::string r;
    std::map<std::string, std::size_t> nombres;
    std::size_t i = 0;
    while (i < texto.size()) {
        const std::size_t marca = texto.find(kMarcaDireccion, i);
        if (marca == std::string::npos) break;
        const std::size_t cierre = texto.find(']', marca);
        const std::size_t desde = marca + kMarcaDireccion.size();
        if (cierre == std::string::npos || cierre == desde ||
            !std::all_of(texto.begin() + static_cast<std::ptrdiff_t>(desde),
                         texto.begin() + static_cast<std::ptrdiff_t>(cierre),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            r.append(texto, i, desde - i);
            i = desde;
            continue;
        }
        r.append(texto, i, marca - i);
        const auto nombre =
            nombres.emplace(texto.substr(desde, cierre - desde), nombres.size() + 1).first->second;
        r += placeholder(nombre);
        i = cierre + 1;
    }
    r.append(texto, i, std::string::npos);
    return r;
}

// --- Where a difference is, as a terminal shows it -----------------------------------------------

struct Lugar {
    std::size_t pantalla = 1;
    std::size_t linea = 1;
    std::size_t inicio = 0;  // offset of that line's start in the output without marks
};

// The screen and line of the terminal at which byte `donde` of the output stands. Sucesos hold
// offsets of the same (renamed) text.
Lugar lugarDe(const std::string& texto, const std::vector<Suceso>& sucesos, std::size_t donde)
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

// The text from `desde` to the end of its line, and whether there is any.
std::pair<std::string, bool> lineaDesde(const std::string& texto, std::size_t desde)
{
    if (desde >= texto.size()) return {"", false};
    const std::size_t fin = texto.find('\n', desde);
    return {texto.substr(desde, fin == std::string::npos ? std::string::npos : fin - desde), true};
}

// --- Known wrong answers ------------------------------------------------------------------------

std::vector<std::pair<std::string, std::string>> leerPistas(const fs::path& ruta)
{
    std::vector<std::pair<std::string, std::string>> pistas;
    std::string texto;
    if (!leer(ruta, texto)) return pistas;
    std::string sale;
    bool haySale = false;
    for (const std::string& linea : lineas(texto)) {
        const std::size_t primero = linea.find_first_not_of(" \t");
        if (primero == std::string::npos || linea[primero] == '#') continue;
        if (linea.compare(0, 6, "sale: ") == 0) {
            sale = linea.substr(6);
            haySale = true;
        } else if (linea.compare(0, 7, "pista: ") == 0 && haySale) {
            pistas.emplace_back(renumerar(sale), linea.substr(7));
        }
    }
    return pistas;
}

// --- The compiler and its errors ----------------------------------------------------------------

bool esCl(const std::string& compilador)
{
    std::string base = fs::path(compilador).stem().string();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return base == "cl" || base == "clang-cl";
}

std::string nativa(const fs::path& ruta)
{
    fs::path copia = ruta;
    return copia.make_preferred().string();
}

struct Explicacion {
    const char* que;
    std::vector<const char*> senales;  // any of these in an error line
    const char* texto;
};

// Checked in this order: "no matching function" lines also say "cannot convert".
const std::vector<Explicacion>& explicaciones()
{
    static const std::vector<Explicacion> lista = {
        {"override",
         {"marked 'override', but does not override", "marked 'override' but does not override",
          "only virtual member functions can be marked 'override'",
          "non-virtual member function marked 'override'", "C3668"},
         "Una función marcada con override no redefine ninguna función virtual de la clase base: o "
         "la de la base no es virtual, o el nombre, los parámetros o el const no son exactamente "
         "los mismos."},
        {"llamada",
         {"no matching function for call to", "no matching member function",
          "no matching constructor", "too many arguments to function",
          "too few arguments to function", "C2660", "C2664"},
         "Ninguna función con ese nombre acepta esos argumentos: compara cuántos le pasas, y de "
         "qué tipo, con su declaración en el archivo .h."},
        {"miembro",
         {"has no member named", "no member named", "C2039"},
         "La clase no tiene ningún miembro con ese nombre: mira cómo está escrito en su archivo .h "
         "(las mayúsculas y minúsculas cuentan)."},
        {"flecha",
         {"request for member", "did you mean to use '->'", "C2228", "C2227"},
         "Se usa «.» con un puntero, o «->» con un objeto: con un objeto se escribe "
         "objeto.miembro, y con un puntero, puntero->miembro."},
        {"conversion",
         {"invalid conversion from", "cannot convert", "cannot initialize", "no viable conversion",
          "C2440"},
         "Se da un valor de un tipo donde hace falta otro que no se puede sacar de él: por "
         "ejemplo, un objeto donde se espera un puntero (¿falta un &?), o un puntero donde se "
         "espera un objeto (¿falta un *?)."},
        {"declarado",
         {"was not declared in this scope", "use of undeclared identifier", "C2065", "C3861",
          "does not name a type", "unknown type name"},
         "Se usa un nombre que el compilador no conoce en ese punto: puede estar mal escrito (las "
         "mayúsculas y minúsculas cuentan), declararse más abajo o dentro de otro bloque { }, o "
         "faltar el #include de su archivo .h."},
        {"cierre",
         {"expected '}' at end of input", "expected '}'", "expected ')'", "C1075", "missing ')'"},
         "Falta cerrar una llave «}» o un paréntesis «)»: cada «{» necesita su «}», y cada «(» su "
         "«)». El compilador lo nota más abajo de donde falta: busca hacia arriba dónde se abrió."},
        {"punto y coma",
         {"expected ';'", "missing ';'"},
         "Falta un punto y coma (;) al final de una instrucción o de una declaración (también "
         "después de la «}» que cierra una clase). A menudo falta al final de la línea anterior a "
         "la que se señala."},
        {"enlace",
         {"undefined reference to", "unresolved external symbol", "undefined symbol",
          "Undefined symbols"},
         "El programa se compila, pero al enlazarlo falta el cuerpo de una función que se declara "
         "y se usa. Mira que esté escrito en su archivo .cpp, con la clase delante (Clase::) y los "
         "mismos parámetros que en el .h."},
    };
    return lista;
}

struct ErrorDelCompilador {
    std::string archivo;
    std::string linea;
    std::string mensaje;
};

// "<file>:<line>:<col>: error: ..." (g++, clang) or "<file>(<line>): error C2143: ..." (cl);
// false for any other line.
bool leerError(const std::string& texto, ErrorDelCompilador& error)
{
    if (texto.find("error") == std::string::npos) return false;
    // cl
    std::size_t abre = texto.find('(');
    if (abre != std::string::npos && abre > 0) {
        std::size_t cifras = abre + 1;
        while (cifras < texto.size() && texto[cifras] >= '0' && texto[cifras] <= '9') ++cifras;
        if (cifras > abre + 1 && cifras < texto.size() &&
            (texto[cifras] == ')' || texto[cifras] == ',')) {
            const std::size_t cierre = texto.find(')', cifras);
            if (cierre != std::string::npos && texto.compare(cierre, 3, "): ") == 0 &&
                texto.find("error", cierre) == cierre + 3) {
                error = {texto.substr(0, abre), texto.substr(abre + 1, cifras - abre - 1),
                         texto.substr(cierre + 3)};
                return true;
            }
        }
    }
    // g++ and clang: "<file>:<line>:[<column>:] [fatal ]error", the file perhaps with a drive
    // letter.
    for (std::size_t dos = texto.find(':', 2); dos != std::string::npos;
         dos = texto.find(':', dos + 1)) {
        std::size_t cifras = dos + 1;
        while (cifras < texto.size() && texto[cifras] >= '0' && texto[cifras] <= '9') ++cifras;
        if (cifras == dos + 1 || cifras >= texto.size() || texto[cifras] != ':') continue;
        std::size_t resto = cifras + 1;
        while (resto < texto.size() && texto[resto] >= '0' && texto[resto] <= '9') ++resto;
        if (resto > cifras + 1 && resto < texto.size() && texto[resto] == ':') ++resto;
        while (resto < texto.size() && texto[resto] == ' ') ++resto;
        if (texto.compare(resto, 5, "error") != 0 && texto.compare(resto, 11, "fatal error") != 0)
            return false;
        error = {texto.substr(0, dos), texto.substr(dos + 1, cifras - dos - 1),
                 texto.substr(resto)};
        return true;
    }
    return false;
}

std::string relativa(const std::string& archivo, const fs::path& raiz)
{
    std::error_code fallo;
    const fs::path absoluta = fs::absolute(fs::path(archivo), fallo).lexically_normal();
    const fs::path base = fs::absolute(raiz, fallo).lexically_normal();
    const fs::path relativa = absoluta.lexically_relative(base);
    if (fallo || relativa.empty() || *relativa.begin() == "..") return archivo;
    return relativa.generic_string();
}

// A compiler's line with the project's folder taken off its paths, as the learner names them.
std::string sinRaiz(std::string linea, const fs::path& raiz)
{
    if (linea.compare(0, 2, "./") == 0 || linea.compare(0, 2, ".\\") == 0) linea.erase(0, 2);
    std::error_code fallo;
    fs::path base = fs::absolute(raiz, fallo).lexically_normal();
    for (std::string prefijo : {base.string(), base.generic_string()}) {
        if (prefijo.empty()) continue;
        if (prefijo.back() == '/' || prefijo.back() == '\\') prefijo.pop_back();
        for (const char barra : {'/', '\\'}) {
            const std::string conBarra = prefijo + barra;
            for (std::size_t i = linea.find(conBarra); i != std::string::npos;
                 i = linea.find(conBarra, i))
                linea.erase(i, conBarra.size());
        }
    }
    return linea;
}

// g++ in a UTF-8 locale quotes with ‘ and ’; the signals above are written with '.
std::string comillasSimples(std::string texto)
{
    for (const std::string_view curva : {"\xE2\x80\x98", "\xE2\x80\x99"}) {
        for (std::size_t i = texto.find(curva); i != std::string::npos; i = texto.find(curva, i))
            texto.replace(i, curva.size(), "'");
    }
    return texto;
}

// Each kind of error recognized is explained once, with the places where it was seen.
struct Explicado {
    const Explicacion* explicacion;
    std::vector<std::string> lugares;
};

void explicarCompilador(const std::vector<std::string>& salida, const fs::path& raiz)
{
    std::vector<Explicado> explicados;
    ErrorDelCompilador primerError;
    bool hayPrimerError = false;
    for (const std::string& bruta : salida) {
        const std::string linea = comillasSimples(bruta);
        ErrorDelCompilador error;
        const bool conLugar = leerError(linea, error);
        if (conLugar && !hayPrimerError) {
            primerError = error;
            hayPrimerError = true;
        }
        const std::string& mensaje = conLugar ? error.mensaje : linea;
        const auto encaja = std::find_if(
            explicaciones().begin(), explicaciones().end(), [&](const Explicacion& explicacion) {
                // cl's codes, and "missing ';'" of its C2143, stand only in its error lines;
                // a linker's line has no place of its own.
                const bool aqui = conLugar || std::string_view(explicacion.que) == "enlace";
                return aqui && std::any_of(explicacion.senales.begin(), explicacion.senales.end(),
                                           [&](const char* senal) {
                                               return mensaje.find(senal) != std::string::npos;
                                           });
            });
        if (encaja == explicaciones().end()) continue;
        auto ya = std::find_if(explicados.begin(), explicados.end(),
                               [&](const Explicado& e) { return e.explicacion == &*encaja; });
        if (ya == explicados.end()) {
            if (explicados.size() == kExplicados) continue;
            explicados.push_back({&*encaja, {}});
            ya = explicados.end() - 1;
        }
        if (!conLugar) continue;
        const std::string lugar = relativa(error.archivo, raiz) + ", línea " + error.linea;
        if (ya->lugares.size() < kLugares &&
            std::find(ya->lugares.begin(), ya->lugares.end(), lugar) == ya->lugares.end())
            ya->lugares.push_back(lugar);
    }
    if (!explicados.empty()) {
        std::cout << "Lo que suele querer decir:\n";
        for (const Explicado& explicado : explicados) {
            std::cout << "- " << explicado.explicacion->texto;
            const auto& lugares = explicado.lugares;
            if (!lugares.empty()) std::cout << " Mira " << lugares[0] << ".";
            for (std::size_t i = 1; i < lugares.size(); ++i) {
                std::cout << (i == 1                    ? " También en "
                              : i + 1 == lugares.size() ? " y "
                                                        : ", ")
                          << lugares[i];
                if (i + 1 == lugares.size()) std::cout << ".";
            }
            std::cout << "\n";
        }
        return;
    }
    std::cout << "Lee arriba la primera línea que dice «error»: empieza por el archivo y el número "
                 "de línea donde el compilador ha visto el fallo, y el fallo suele estar en esa "
                 "línea o poco antes.";
    if (hayPrimerError) {
        std::cout << " Mira " << relativa(primerError.archivo, raiz) << ", línea "
                  << primerError.linea << ".";
    }
    std::cout << "\n";
}

// --- How the program ended ----------------------------------------------------------------------

// Empty for a program that ended with status 0.
std::string comoTermino(const proceso::Resultado& fin)
{
    const std::string nombre = proceso::nombre(fin);
    const std::string codigo =
        fin.fin == proceso::Fin::Senal
            ? "señal " + std::to_string(fin.codigo) + (nombre.empty() ? "" : ", " + nombre)
            : nombre;
    switch (fin.fin) {
        case proceso::Fin::Estado:
            if (fin.codigo == 0) return "";
            return "El programa ha terminado con el estado " + std::to_string(fin.codigo) +
                   ", no con 0.";
        case proceso::Fin::Plazo:
            return "El programa no ha terminado en " + std::to_string(static_cast<int>(kPlazo)) +
                   " segundos y se ha detenido. Suele ser un bucle que no acaba nunca, o una "
                   "lectura "
                   "que espera una entrada que nunca llega (aquí la entrada es un archivo que se "
                   "acaba).";
        case proceso::Fin::NoArranca:
            return "No se ha podido ejecutar el programa: " + fin.error + ".";
        case proceso::Fin::Senal:
        case proceso::Fin::Excepcion:
            break;
    }
    switch (fin.clase) {
        case proceso::Clase::Memoria:
            return "El programa ha terminado de forma anormal (" + codigo +
                   "): ha intentado usar memoria que no es suya. Suele ser un puntero nulo, un "
                   "puntero "
                   "a algo que ya no existe (un objeto borrado con delete, o una variable local de "
                   "una "
                   "función que ya terminó), o un índice que se sale del final de un array.";
        case proceso::Clase::Aborto:
            return "El programa ha terminado de forma anormal (" + codigo +
                   "): se ha detenido a sí mismo (abort) al ver un error grave, por ejemplo un "
                   "delete "
                   "repetido del mismo puntero, o un delete de algo que no se creó con new.";
        case proceso::Clase::Ninguna:
        case proceso::Clase::Otra:
            break;
    }
    return "El programa ha terminado de forma anormal (" + codigo + ").";
}

struct Opciones {
    std::string programa;
    std::string numero;
    fs::path raiz = ".";
    fs::path carpeta;
    std::string compilador;
};

bool leerOpciones(int argc, char** argv, Opciones& opciones)
{
    std::vector<std::string> sueltos;
    for (int i = 1; i < argc; ++i) {
        std::string argumento = argv[i];
        std::string valor;
        bool conValor = false;
        for (const char* nombre : {"--raiz", "--carpeta", "--compilador"}) {
            const std::string n = nombre;
            if (argumento == n) {
                if (i + 1 >= argc) return false;
                valor = argv[++i];
            } else if (argumento.compare(0, n.size() + 1, n + "=") == 0) {
                valor = argumento.substr(n.size() + 1);
            } else {
                continue;
            }
            conValor = true;
            if (n == "--raiz") opciones.raiz = valor;
            if (n == "--carpeta") opciones.carpeta = valor;
            if (n == "--compilador") opciones.compilador = valor;
            break;
        }
        if (conValor) continue;
        if (argumento.compare(0, 1, "-") == 0) return false;
        sueltos.push_back(argumento);
    }
    if (sueltos.size() != 2) return false;
    opciones.programa = sueltos[0];
    opciones.numero = sueltos[1];
    const bool conocido =
        std::any_of(programas().begin(), programas().end(),
                    [&](const Programa& p) { return opciones.programa == p.nombre; });
    const bool numero = !opciones.numero.empty() && opciones.numero.size() <= 3 &&
                        opciones.numero[0] != '0' &&
                        std::all_of(opciones.numero.begin(), opciones.numero.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
    return conocido && numero;
}

int comprobar(const Opciones& opciones)
{
    const std::string ejercicio = opciones.programa + "-" + opciones.numero;
    const fs::path carpetaEjercicios = opciones.raiz / "ejercicios";
    std::error_code fallo;
    if (!fs::is_regular_file(opciones.raiz / "platform" / "consola_comprobacion.cpp", fallo)) {
        std::cout << "No se encuentra el proyecto en la carpeta «" << opciones.raiz.string()
                  << "». Ejecuta comprobar desde la carpeta del proyecto, la que tiene GUIA.md y "
                     "la carpeta ejercicios.\n";
        return 2;
    }
    const fs::path esperadaRuta = carpetaEjercicios / (ejercicio + ".salida");
    std::string esperadaBruta;
    if (!leer(esperadaRuta, esperadaBruta)) {
        std::cout << ejercicio << ": no hay ningún ejercicio " << opciones.numero << " de "
                  << opciones.programa << " (falta el archivo ejercicios/" << ejercicio
                  << ".salida). Mira en la guía el número del ejercicio.\n";
        return 2;
    }

    const fs::path carpeta =
        opciones.carpeta.empty() ? opciones.raiz / "comprobacion" : opciones.carpeta;
    fs::create_directories(carpeta, fallo);
    if (fallo) {
        std::cout << "No se puede crear la carpeta «" << carpeta.string()
                  << "»: " << fallo.message() << ".\n";
        return 2;
    }

    // Compile.
    std::string compilador = opciones.compilador;
    if (compilador.empty()) {
        const std::string cxx = proceso::variable("CXX");
        compilador = cxx.empty() ? compiladorPropio() : cxx;
    }
    const fs::path ejecutable =
        fs::absolute(carpeta / (ejercicio + proceso::sufijoEjecutable()), fallo);
    fs::remove(ejecutable, fallo);
    proceso::Orden compilar;
    compilar.argumentos.push_back(
        compilador.find_first_of("/\\") == std::string::npos ? compilador : nativa(compilador));
    const std::string raiz = nativa(opciones.raiz.lexically_normal());
    if (esCl(compilador)) {
        for (const char* opcion : {"/nologo", "/std:c++17", "/EHsc", "/utf-8"})
            compilar.argumentos.emplace_back(opcion);
        compilar.argumentos.push_back("/I" + raiz);
        compilar.argumentos.push_back("/Fe" + nativa(ejecutable));
        compilar.argumentos.push_back("/Fo" + nativa(fs::absolute(carpeta, fallo)) + "\\");
    } else {
        compilar.argumentos.emplace_back("-std=c++17");
        compilar.argumentos.push_back("-I" + raiz);
        if (proceso::enWindows()) compilar.argumentos.emplace_back("-static");
        compilar.argumentos.emplace_back("-o");
        compilar.argumentos.push_back(nativa(ejecutable));
    }
    const Programa& programa =
        *std::find_if(programas().begin(), programas().end(),
                      [&](const Programa& p) { return opciones.programa == p.nombre; });
    std::vector<const char*> fuentes = programa.fuentes;
    fuentes.insert(fuentes.end(), kComunes.begin(), kComunes.end());
    for (const char* fuente : fuentes)
        compilar.argumentos.push_back(nativa((opciones.raiz / fuente).lexically_normal()));
    compilar.salida = (carpeta / "compilador.txt").string();
    compilar.errores = compilar.salida;

    // The compilers' messages in English, the language of the signals above (cl reads VSLANG).
    proceso::fijarVariable("LC_ALL", "C");
    proceso::fijarVariable("VSLANG", "1033");
    std::cout << "Compilando " << opciones.programa << " con " << compilador << "...\n"
              << std::flush;
    const proceso::Resultado compilado = proceso::ejecutar(compilar);
    if (compilado.fin == proceso::Fin::NoArranca) {
        std::cout << ejercicio << ": no se ha podido comprobar.\n"
                  << "No se ha podido ejecutar el compilador «" << compilador << "» ("
                  << compilado.error
                  << "). ¿Está instalado, y se encuentra en el PATH? Puedes decir cuál usar con "
                     "--compilador, por ejemplo: comprobar "
                  << opciones.programa << " " << opciones.numero << " --compilador clang++\n";
        return 1;
    }
    std::string textoCompilador;
    leer(compilar.salida, textoCompilador);
    const std::vector<std::string> mensajes = lineas(textoCompilador);
    if (compilado.fin != proceso::Fin::Estado || compilado.codigo != 0 ||
        !fs::is_regular_file(ejecutable, fallo)) {
        std::cout << "El compilador dice:\n";
        for (std::size_t i = 0; i < mensajes.size() && i < kLineasCompilador; ++i)
            std::cout << "  " << cortar(sinRaiz(mensajes[i], opciones.raiz), kAnchoCompilador)
                      << "\n";
        if (mensajes.size() > kLineasCompilador)
            std::cout << "  (y " << mensajes.size() - kLineasCompilador << " líneas más)\n";
        std::cout << "\n" << ejercicio << ": todavía no está bien: el programa no compila.\n";
        explicarCompilador(mensajes, opciones.raiz);
        return 1;
    }

    // Run.
    proceso::Orden ejecutar;
    ejecutar.argumentos.push_back(nativa(ejecutable));
    fs::path entrada = carpetaEjercicios / (opciones.programa + ".entrada");
    if (!fs::is_regular_file(entrada, fallo)) {
        entrada = carpeta / "vacia.entrada";
        std::ofstream vacia(entrada, std::ios::binary | std::ios::trunc);
    }
    ejecutar.entrada = entrada.string();
    ejecutar.salida = (carpeta / (ejercicio + ".salida.txt")).string();
    ejecutar.errores = (carpeta / (ejercicio + ".errores.txt")).string();
    ejecutar.segundos = kPlazo;
    const proceso::Resultado fin = proceso::ejecutar(ejecutar);

    std::string bruta;
    std::string errores;
    leer(ejecutar.salida, bruta);
    leer(ejecutar.errores, errores);
    Salida salida = separar(bruta);
    const Nombrado nombrada = renombrarDirecciones(salida.texto);
    // The marks' offsets, into the renamed text.
    {
        std::vector<std::size_t> despues(salida.texto.size() + 1, nombrada.texto.size());
        for (std::size_t i = nombrada.antes.size(); i-- > 0;) despues[nombrada.antes[i]] = i;
        for (Suceso& suceso : salida.sucesos) suceso.donde = despues[suceso.donde];
    }
    const std::string& obtenida = nombrada.texto;
    const std::string esperada = renumerar(sinRetornos(esperadaBruta));
    const std::string estado = comoTermino(fin);

    if (obtenida == esperada && estado.empty()) {
        std::cout << ejercicio << ": bien hecho, la salida es la que espera el ejercicio.\n";
        return 0;
    }

    std::cout << ejercicio << ": todavía no está bien.\n";
    if (!estado.empty()) std::cout << estado << "\n";
    if (!errores.empty()) {
        std::cout << "El programa ha escrito en la salida de errores:\n";
        const std::vector<std::string> escritas = lineas(errores);
        for (std::size_t i = 0; i < escritas.size() && i < kLineasErrores; ++i)
            std::cout << "  " << cortar(escritas[i], kAncho) << "\n";
        if (escritas.size() > kLineasErrores) std::cout << "  (y más líneas)\n";
    }
    if (obtenida == esperada) {
        std::cout << "La salida es la esperada, pero el programa no ha terminado bien.\n";
        return 1;
    }
    std::string original;
    // Said only of a program that ended well: a loop added to it changed something after all.
    if (estado.empty() && leer(carpetaEjercicios / (opciones.programa + ".original"), original) &&
        renumerar(sinRetornos(original)) == obtenida) {
        std::cout << "Lo que escribe el programa no ha cambiado todavía: es lo mismo que escribe "
                     "sin ningún cambio. Haz el cambio que pide el ejercicio, guarda el archivo y "
                     "vuelve a comprobar.\n";
        return 1;
    }

    const auto distinto =
        std::mismatch(obtenida.begin(), obtenida.end(), esperada.begin(), esperada.end());
    const auto donde = static_cast<std::size_t>(distinto.first - obtenida.begin());
    const Lugar lugar = lugarDe(obtenida, salida.sucesos, donde);
    const auto [vino, hayVino] = lineaDesde(obtenida, lugar.inicio);
    const auto [iba, hayIba] = lineaDesde(esperada, lugar.inicio);
    std::cout << "La salida no es la esperada. Primera diferencia, en la pantalla "
              << lugar.pantalla << ", línea " << lugar.linea << ":\n"
              << "  se esperaba: "
              << (hayIba ? mostrar(iba) : "(nada: la salida esperada termina antes)") << "\n"
              << "  ha salido:   "
              << (hayVino ? mostrar(vino) : "(nada: la salida del programa termina antes)") << "\n";
    if (hayVino && hayIba && vino == iba)
        std::cout << "Las dos líneas se ven iguales: la diferencia está en el salto de línea del "
                     "final, que falta o sobra.\n";
    const bool conMarcas = vino.find(kMarcaDireccion) != std::string::npos ||
                           iba.find(kMarcaDireccion) != std::string::npos;
    if (conMarcas) {
        if (hayVino && nombrada.conDirecciones) {
            const std::size_t desde = nombrada.antes[lugar.inicio];
            const std::size_t hasta = salida.texto.find('\n', desde);
            const std::string real = salida.texto.substr(
                desde, hasta == std::string::npos ? std::string::npos : hasta - desde);
            if (real != vino) std::cout << "  tal cual:    " << mostrar(real) << "\n";
        }
        std::cout << "[dirección 1], [dirección 2]... están en lugar de las direcciones de memoria "
                     "que escribe el programa (como 0x7ffd5e8c1a40), que cambian de una ejecución "
                     "a otra: el mismo número es la misma dirección, y números distintos son "
                     "direcciones distintas.\n";
    }
    if (hayVino) {
        // A hint names the line as the terminal shows it, or the whole line of the output, as a
        // .salida writes it (where a prompt and what follows the typed answer share one line).
        const std::size_t inicioEntero =
            lugar.inicio == 0 ? 0 : obtenida.rfind('\n', lugar.inicio - 1) + 1;
        const std::string entera = lineaDesde(obtenida, inicioEntero).first;
        for (const auto& [sale, pista] : leerPistas(carpetaEjercicios / (ejercicio + ".pistas"))) {
            if (sale == vino || sale == entera) {
                std::cout << "Pista: " << pista << "\n";
                break;
            }
        }
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    proceso::salidaUtf8();
    Opciones opciones;
    if (!leerOpciones(argc, argv, opciones)) {
        uso();
        return 2;
    }
    return comprobar(opciones);
}
