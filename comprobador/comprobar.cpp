// The learners' check: `comprobar <programa> <n>` builds the learner's program with the checks'
// console (no pause, no clear, marks for screens and echoed input), runs it on the exercise's input
// and tells, in Spanish and for a beginner, whether its standard output is the one that
// ejercicios/<programa>-<n>/salida.txt expects; if not, what went wrong and where to look. Its last
// lines are the verdict. Exit status: 0 right, 1 not yet, 2 bad usage. With --vpl it grades for
// Moodle's VPL (tools/vpl.py): the same answer as a comment, then the grade.
//
// It needs only a C++17 compiler: the guide builds it with one command line, and CMake's
// comprobar-<programa>-<n> targets run it. Each of its jobs is a header of comprobador/;
// comprobador/proceso_*.cpp is all it knows of the system.

// Said in one line, before a page of errors, where the compiler cannot build the checker.
#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 201703L || \
    (defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 9)
#error "comprobar necesita C++17 (-std=c++17) y <filesystem>: g++ 9, clang++ 9 o posterior"
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "comprobador/comparacion.h"
#include "comprobador/compilacion.h"
#include "comprobador/lineas.h"
#include "comprobador/marcas.h"
#include "comprobador/mensajes.h"
#include "comprobador/pistas.h"
#include "comprobador/proceso.h"
#include "comprobador/programas.h"
#include "comprobador/reservas.h"
#include "comprobador/terminacion.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLineasErrores = 5;  // lines of the program's standard error shown
constexpr std::size_t kTopeLeido = std::size_t{1024} * 1024;  // bytes of its output read

// The kind of compiler that built the checker, where none is named.
#if defined(_MSC_VER) && !defined(__clang__)
constexpr const char* kCompiladorPropio = "cl";
#elif defined(__clang__)
constexpr const char* kCompiladorPropio = "clang++";
#else
constexpr const char* kCompiladorPropio = "g++";
#endif

int uso()
{
    std::cout << "Uso: comprobar <garaxo|pintafor|polifor> <número del ejercicio> [--raiz CARPETA]"
                 " [--carpeta CARPETA] [--compilador COMPILADOR]\n"
                 "Por ejemplo, desde la carpeta del proyecto: comprobar garaxo 1\n"
                 "Para ver la memoria del programa paso a paso: comprobar --memoria garaxo\n";
    return 2;
}

struct Opciones {
    std::string programa;
    std::string numero;
    fs::path raiz = ".";
    fs::path carpeta;
    std::string compilador;
    bool fuentes = false;    // --fuentes: only list the program's own sources, one a line
    bool construir = false;  // --construir: only build the program, with the system's console
    bool memoria = false;    // --memoria: draw the program's memory, step by step, in a page
    bool vpl = false;        // --vpl: the answer and the grade as Moodle's VPL reads them
    fs::path pagina;         // --pagina: where that page goes
};

bool leerOpciones(int argc, char** argv, Opciones& opciones)
{
    std::vector<std::string> sueltos;
    for (int i = 1; i < argc; ++i) {
        const std::string argumento = argv[i];
        fs::path* const ruta = argumento == "--raiz"      ? &opciones.raiz
                               : argumento == "--carpeta" ? &opciones.carpeta
                               : argumento == "--pagina"  ? &opciones.pagina
                                                          : nullptr;
        if (argumento == "--fuentes" || argumento == "--memoria" || argumento == "--vpl" ||
            argumento == "--construir") {
            (argumento == "--fuentes"     ? opciones.fuentes
             : argumento == "--memoria"   ? opciones.memoria
             : argumento == "--construir" ? opciones.construir
                                          : opciones.vpl) = true;
        } else if (argumento.rfind('-', 0) != 0) {
            sueltos.push_back(argumento);
        } else if (i + 1 >= argc || (ruta == nullptr && argumento != "--compilador")) {
            return false;
        } else if (ruta != nullptr) {
            *ruta = argv[++i];
        } else {
            opciones.compilador = argv[++i];
        }
    }
    // --fuentes, --memoria and --construir: a program and no exercise, and none with another.
    const bool deUnPrograma[] = {opciones.fuentes, opciones.memoria, opciones.construir};
    const auto solos = std::count(std::begin(deUnPrograma), std::end(deUnPrograma), true);
    const bool solo = solos > 0;
    if (sueltos.size() != (solo ? 1U : 2U) || solos > 1 || (solo && opciones.vpl)) return false;
    opciones.programa = sueltos[0];
    if (solo) return true;
    opciones.numero = sueltos[1];
    return !opciones.numero.empty() && opciones.numero.size() <= 3 && opciones.numero[0] != '0' &&
           opciones.numero.find_first_not_of("0123456789") == std::string::npos;
}

// Runs one compiler command, its messages added to `mensajes`; false if it did not succeed.
bool compilar(const std::vector<std::string>& orden, const fs::path& registro,
              std::vector<std::string>& mensajes, proceso::Resultado& resultado)
{
    resultado = proceso::ejecutar({orden, "", registro.string(), registro.string()});
    const std::vector<std::string> nuevas = lineas::partir(lineas::leer(registro).value_or(""));
    mensajes.insert(mensajes.end(), nuevas.begin(), nuevas.end());
    return resultado.fin == proceso::Fin::Estado && resultado.codigo == 0;
}

// Builds the program as `<carpeta>/<nombre>`, making again only the objects that changed. Its
// path; empty, with what the learner reads already written, when it could not. `consola`: the
// checks' console, or the system's for a program to use.
fs::path construir(const Opciones& opciones, const std::string& ejercicio, bool depurar = false,
                   const std::string& consola = "comprobador/consola_comprobacion.cpp")
{
    const std::string& compilador = opciones.compilador;
    const fs::path& carpeta = opciones.carpeta;
    std::error_code fallo;
    const fs::path ejecutable =
        fs::absolute(carpeta / (ejercicio + (proceso::enWindows() ? ".exe" : "")), fallo);
    const programas::Programa programa = *programas::buscar(opciones.raiz, opciones.programa);
    std::vector<std::string> fuentes = programas::propias(opciones.raiz, programa);
    const std::vector<std::string> comunes = programas::comunes(consola);
    fuentes.insert(fuentes.end(), comunes.begin(), comunes.end());
    const fs::path raiz = opciones.raiz.lexically_normal();
    const fs::path objetos = (carpeta / "objetos").lexically_normal();
    const auto muestra = compilacion::compilarObjeto(compilador, raiz, "fuente", "objeto");
    std::string sello;
    for (const std::string& parte : muestra) sello += parte + "\n";
    const compilacion::Plan plan = compilacion::planear(
        raiz, fuentes, objetos, sello, compilacion::esCl(compilador) ? ".obj" : ".o");

    if (plan.deCero) {
        fs::remove_all(objetos, fallo);
        fs::create_directories(objetos, fallo);
        std::ofstream(objetos / "sello.txt", std::ios::binary) << sello;
    }
    std::vector<std::string> mensajes;
    bool bien = true;
    proceso::Resultado resultado;
    for (const compilacion::Paso& paso : plan.compilar) {
        fs::create_directories(paso.objeto.parent_path(), fallo);
        fs::remove(paso.objeto, fallo);  // an old object must not outlive a failed compile
        const bool hecho =
            compilar(compilacion::compilarObjeto(compilador, raiz, paso.fuente, paso.objeto),
                     carpeta / "compilador.txt", mensajes, resultado);
        if (hecho) compilacion::anotar(paso);
        bien = hecho && bien;
        if (resultado.fin == proceso::Fin::NoArranca) break;
    }
    fs::remove(ejecutable, fallo);
    const bool enlazando = bien;  // the stage that fails is the one explained
    if (enlazando)
        bien = compilar(
                   compilacion::enlazar(compilador, plan.objetos, ejecutable, proceso::enWindows()),
                   carpeta / "enlazador.txt", mensajes, resultado) &&
               fs::is_regular_file(ejecutable, fallo);
    if (resultado.fin == proceso::Fin::NoArranca) {
        std::cout << ejercicio
                  << (depurar ? ": no se ha podido dibujar la memoria.\n"
                              : ": no se ha podido comprobar.\n")
                  << "No se ha podido ejecutar el compilador «" << compilador << "» ("
                  << resultado.error
                  << "). ¿Está instalado, y se encuentra en el PATH? Puedes decir cuál usar con "
                     "--compilador, por ejemplo: comprobar "
                  << (depurar ? "--memoria " + opciones.programa
                              : opciones.programa + " " + opciones.numero)
                  << " --compilador clang++\n";
        return {};
    }
    if (!bien) {
        const std::string porque =
            enlazando ? "el programa compila, pero no se puede enlazar (unir sus archivos ya "
                        "compilados en un ejecutable)"
                      : "el programa no compila";
        std::cout << mensajes::mostrar(mensajes, opciones.raiz) << ejercicio
                  << (depurar
                          ? ": " + porque +
                                ", así que su memoria no se puede dibujar (la página lo dice).\n"
                          : ": todavía no está bien: " + porque + ".\n")
                  << mensajes::explicar(mensajes, opciones.raiz, enlazando);
    }
    return bien ? ejecutable : fs::path();
}

// What a check and a drawing of the memory both need, set in `opciones`: a folder to work in,
// shared, so that an attempt checked is drawn with no compiling again; a compiler. 0, or the exit
// status after saying what is missing.
int preparar(Opciones& opciones)
{
    std::error_code fallo;
    if (opciones.carpeta.empty()) opciones.carpeta = opciones.raiz / "comprobacion";
    fs::create_directories(opciones.carpeta, fallo);
    if (fallo) {
        std::cout << "No se puede crear la carpeta «" << opciones.carpeta.string()
                  << "»: " << fallo.message() << ".\n";
        return 2;
    }
    if (opciones.compilador.empty()) opciones.compilador = proceso::variable("CXX");
    if (opciones.compilador.empty()) opciones.compilador = kCompiladorPropio;
    // The compilers' messages in English, the language of mensajes.h (cl reads VSLANG).
    proceso::fijarVariable("LC_ALL", "C");
    proceso::fijarVariable("VSLANG", "1033");
    std::cout << "Compilando " << opciones.programa << " con " << opciones.compilador << "...\n"
              << std::flush;
    return 0;
}

// The program's input in the checks: garaxo's four words, nothing for the others.
fs::path entradaDe(const Opciones& opciones)
{
    std::error_code fallo;
    fs::path entrada = opciones.raiz / "ejercicios" / (opciones.programa + ".entrada");
    if (!fs::is_regular_file(entrada, fallo)) {
        entrada = opciones.carpeta / "vacia.entrada";
        std::ofstream vacia(entrada, std::ios::binary | std::ios::trunc);
    }
    return entrada;
}

// The texts of the program's own files, its sources and the headers beside them.
std::vector<std::string> textosDe(const Opciones& opciones)
{
    const std::vector<std::string> fuentes =
        programas::propias(opciones.raiz, *programas::buscar(opciones.raiz, opciones.programa));
    const std::vector<fs::path> cabeceras = compilacion::cabecerasJunto(opciones.raiz, fuentes);
    const auto leer = [](const fs::path& archivo) {
        return lineas::leer(archivo, kTopeLeido).value_or("");
    };
    std::vector<std::string> textos;
    std::transform(cabeceras.begin(), cabeceras.end(), std::back_inserter(textos), leer);
    std::transform(fuentes.begin(), fuentes.end(), std::back_inserter(textos),
                   [&](const std::string& fuente) { return leer(opciones.raiz / fuente); });
    return textos;
}

// addr2line's lines for some addresses of the program; none where it cannot run. It comes with
// g++ and clang, beside the compiler (x86_64-w64-mingw32-g++: x86_64-w64-mingw32-addr2line).
std::vector<std::string> resolver(const Opciones& opciones, const fs::path& ejecutable,
                                  const std::vector<std::uint64_t>& direcciones)
{
    if (compilacion::esCl(opciones.compilador) || direcciones.empty()) return {};
    // The compiler's own prefix and folder (x86_64-w64-mingw32-g++), then PATH's.
    const fs::path compilador(opciones.compilador);
    const std::string nombre = compilador.filename().string();
    const std::size_t cual = nombre.rfind("++");
    std::vector<std::string> candidatos{"addr2line"};
    if (cual != std::string::npos && cual > 0) {
        const std::size_t antes = nombre.find_last_not_of("gclang", cual - 1);
        const std::string prefijo = antes == std::string::npos ? "" : nombre.substr(0, antes + 1);
        candidatos.insert(candidatos.begin(),
                          (compilador.parent_path() / (prefijo + "addr2line")).string());
    }
    const std::uint64_t base = reservas::baseDeImagen(ejecutable);
    const fs::path registro = opciones.carpeta / "addr2line.txt";
    for (const std::string& programa : candidatos) {
        std::vector<std::string> orden{programa, "-f", "-e", compilacion::nativa(ejecutable)};
        for (const std::uint64_t d : direcciones) {
            std::ostringstream hex;
            hex << std::hex << "0x" << d + base;
            orden.push_back(hex.str());
        }
        const proceso::Resultado r = proceso::ejecutar(
            {orden, "", registro.string(), (opciones.carpeta / "addr2line.errores.txt").string()});
        if (r.fin == proceso::Fin::Estado && r.codigo == 0)
            return lineas::partir(lineas::leer(registro).value_or(""));
    }
    return {};
}

int comprobar(Opciones& opciones)
{
    const std::string ejercicio = opciones.programa + "-" + opciones.numero;
    const fs::path carpetaEjercicios = opciones.raiz / "ejercicios";
    const fs::path datos[] = {carpetaEjercicios / ejercicio / "salida.txt",
                              carpetaEjercicios / (opciones.programa + ".original"),
                              carpetaEjercicios / ejercicio / "pistas.txt"};
    const auto esperadaBruta = lineas::leer(datos[0]);
    const auto original = lineas::leer(datos[1]);
    const std::string textoPistas = lineas::leer(datos[2]).value_or("");
    // In VPL the program runs as the same user as the checker: what it is compared with must be
    // gone from the disk before it runs.
    std::error_code borrado;
    if (opciones.vpl)
        for (const fs::path& dato : datos) fs::remove(dato, borrado);
    if (!esperadaBruta) {
        std::cout << ejercicio << ": no hay ningún ejercicio " << opciones.numero << " de "
                  << opciones.programa << " (falta el archivo ejercicios/" << ejercicio
                  << "/salida.txt). Mira en la guía el número del ejercicio.\n";
        return 2;
    }
    if (const int mal = preparar(opciones)) return mal;
    const fs::path ejecutable = construir(opciones, ejercicio);
    if (ejecutable.empty()) return 1;

    const fs::path reservas = opciones.carpeta / (ejercicio + ".reservas.txt");
    std::error_code fallo;
    fs::remove(reservas, fallo);
    proceso::fijarVariable("COMPROBAR_RESERVAS", fs::absolute(reservas, fallo).string().c_str());
    const proceso::Orden ejecutar{{compilacion::nativa(ejecutable)},
                                  entradaDe(opciones).string(),
                                  (opciones.carpeta / (ejercicio + ".salida.txt")).string(),
                                  (opciones.carpeta / (ejercicio + ".errores.txt")).string(),
                                  terminacion::kPlazo};
    const proceso::Resultado fin = proceso::ejecutar(ejecutar);

    const std::string errores = lineas::leer(ejecutar.errores, kTopeLeido).value_or("");
    const comparacion::Obtenida obtenida = comparacion::nombrar(
        comparacion::separar(lineas::leer(ejecutar.salida, kTopeLeido).value_or("")));
    const std::string esperada = comparacion::esperada(*esperadaBruta);
    std::string estado = terminacion::comoTermino(fin);
    const std::vector<pistas::Pista> conocidas = pistas::leer(textoPistas);
    const std::string deMemoria = reservas::explicar(
        reservas::leer(lineas::leer(reservas, kTopeLeido).value_or("")),
        pistas::pideBorrarTodo(conocidas), opciones.raiz,
        [&](const std::vector<std::uint64_t>& d) { return resolver(opciones, ejecutable, d); });
    if (!deMemoria.empty() && fin.fin == proceso::Fin::Anormal) estado = deMemoria;  // its abort
    if (obtenida.texto == esperada && estado.empty() && deMemoria.empty()) {
        const std::string codigo = pistas::enElCodigo(conocidas, textosDe(opciones));
        if (codigo.empty()) {
            std::cout << ejercicio << ": bien hecho, la salida es la que espera el ejercicio.\n";
            return 0;
        }
        std::cout << ejercicio << ": todavía no está bien.\nLa salida es la esperada, pero "
                  << codigo << "\n";
        return 1;
    }

    std::cout << ejercicio << ": todavía no está bien.\n";
    if (!estado.empty()) std::cout << estado << (estado == deMemoria ? "" : "\n");
    // Objects never deleted, where they count, are told with the output; an abort's fault above.
    const std::string fugas = estado == deMemoria ? "" : deMemoria;
    if (!errores.empty()) {
        const std::vector<std::string> escritas = lineas::partir(errores);
        std::cout << "El programa ha escrito en la salida de errores:\n"
                  << lineas::sangradas(escritas, 0, kLineasErrores);
        if (escritas.size() > kLineasErrores) std::cout << "  (y más líneas)\n";
    }
    if (obtenida.texto == esperada) {
        std::cout << fugas;
        if (estado.empty()) return 1;
        std::cout << "La salida es la esperada, pero el programa no ha terminado bien.\n";
        return 1;
    }
    const char* const otraVez = opciones.vpl ? "vuelve a pulsar Evaluar" : "vuelve a comprobar";
    const comparacion::Diferencia diferencia = comparacion::primeraDiferencia(obtenida, esperada);
    const std::string pista = pistas::para(conocidas, diferencia);
    // Said only of a program that ended well: a loop added to it changed something after all. A
    // hint known for it says more than the advice to save. The unchanged program's objects are
    // never deleted: that is the exercise, not news.
    if (estado.empty() && original && comparacion::esperada(*original) == obtenida.texto) {
        std::cout << "Lo que escribe el programa no ha cambiado todavía: es lo mismo que escribe "
                     "sin ningún cambio. ";
        const programas::Programa programa = *programas::buscar(opciones.raiz, opciones.programa);
        const programas::Guardado otro = programas::guardadoEnOtro(opciones.raiz, programa);
        if (!otro.de.empty()) {
            std::cout << "El archivo cambiado más recientemente es " << otro.ruta << ", de "
                      << otro.de << ", pero este ejercicio es de " << programa.nombre
                      << ": si hiciste allí el cambio, hazlo en los archivos de " << programa.nombre
                      << ", en " << programa.carpeta << "/, y " << otraVez << ".\n";
        } else if (!pista.empty() && deMemoria.empty()) {  // it deleted what it made: it changed
            std::cout << "\nPista: " << pista << "\n";
        } else {
            std::cout << "Haz el cambio que pide el ejercicio, o lo que le falte si ya has "
                         "cambiado algo; guarda los archivos y "
                      << otraVez << ".\n";
        }
        return 1;
    }
    std::cout << fugas << comparacion::describir(diferencia);
    // A hint is for a program whose new and delete went well: the fault above comes first.
    if (!pista.empty() && deMemoria.empty()) std::cout << "Pista: " << pista << "\n";
    return 1;
}

// The check as Moodle's VPL grades it: the answer a comment, each line after '>' so that nothing
// the program wrote reads as a grade, and the grade last, written once every process the program
// started is gone. A check that could not run is the activity's fault: it says so, with no grade.
int calificar(Opciones& opciones)
{
    proceso::proteger();
    std::ostringstream respuesta;
    std::streambuf* const consola = std::cout.rdbuf(respuesta.rdbuf());
    const int fin = comprobar(opciones);
    std::cout.rdbuf(consola);
    std::cout << "<|--\n-"
              << (fin == 2 ? "La actividad no está bien preparada y no se puede evaluar. No es un "
                             "fallo de tu programa: avisa a tu profesor."
                           : "Comprobación de " + opciones.programa + "-" + opciones.numero)
              << "\n";
    for (const std::string& linea : lineas::partir(respuesta.str()))
        std::cout << ">" << lineas::legible(linea) << "\n";
    std::cout << "--|>\n";
    if (fin == 2) return 2;
    const std::string nota = proceso::variable(fin == 0 ? "VPL_GRADEMAX" : "VPL_GRADEMIN");
    std::cout << "Grade :=>>" << (nota.empty() ? (fin == 0 ? "10" : "0") : nota) << std::endl;
    return fin;
}

// A text for a gdb command line, between quotes; a control character (the marks) as an octal
// escape.
std::string paraGdb(const std::string& texto)
{
    std::string r = "\"";
    for (const char c : texto) {
        const auto codigo = static_cast<unsigned char>(c);
        if (codigo < 32)  // below octal 40: the first of the three digits is 0
            r += {'\\', '0', static_cast<char>('0' + codigo / 8),
                  static_cast<char>('0' + codigo % 8)};
        else if (c == '"' || c == '\\')
            r += {'\\', c};
        else
            r += c;
    }
    return r + "\"";
}

// Builds the program for debugging and runs it under gdb with the checks' input; memoria.py
// writes a page of every line of main and every object then. 0; 1 where the program does not
// compile (the page then says so); 2 where it cannot run.
int memoria(Opciones& opciones)
{
    if (const int mal = preparar(opciones)) return mal;
    const std::string& programa = opciones.programa;
    if (compilacion::esCl(opciones.compilador)) {
        std::cout << programa
                  << ": la memoria se dibuja con gdb, que sigue programas hechos con "
                     "g++ o clang++, no con cl. Usa, por ejemplo: comprobar --memoria "
                  << programa << " --compilador g++\n";
        return 2;
    }
    std::error_code fallo;
    const fs::path pagina = fs::absolute(
        opciones.pagina.empty() ? fs::path("memoria-" + programa + ".html") : opciones.pagina,
        fallo);
    const fs::path memoria = fs::absolute(opciones.raiz / "memoria", fallo);
    // A page of the program as it was before must not stay to be taken for this one's.
    fs::remove(pagina, fallo);
    const fs::path ejecutable = construir(opciones, programa, true);
    if (ejecutable.empty()) {
        if (auto plantilla = lineas::leer(memoria / "memoria.html")) {
            for (const auto& [marca, texto] :
                 {std::pair<std::string, std::string>{"@PROGRAMA@", programa},
                  {"@TRAZA@",
                   R"({"programa": ")" + programa + R"(", "compila": false, "pasos": []})"},
                  {"@FUENTES@", "{}"}})
                for (auto donde = plantilla->find(marca); donde != std::string::npos;
                     donde = plantilla->find(marca, donde + texto.size()))
                    plantilla->replace(donde, marca.size(), texto);
            std::ofstream(pagina, std::ios::binary) << *plantilla;
        }
        return 1;
    }

    const fs::path registro = opciones.carpeta / "gdb.txt";
    // Nothing fetched or loaded that the trace does not read: no symbol servers, no printers.
    proceso::Orden gdb{
        {"gdb", "-nx", "-batch", "-iex", "set debuginfod enabled off", "-iex", "set auto-load off"},
        "",
        registro.string(),
        registro.string(),
        6 * terminacion::kPlazo};
    const std::pair<const char*, std::string> variables[] = {
        {"memoria_programa", programa},
        {"memoria_marcas", {marcas::kPausa, marcas::kEcoInicio, marcas::kEcoFin}},
        {"memoria_raiz", fs::absolute(opciones.raiz, fallo).generic_string()},
        {"memoria_entrada", fs::absolute(entradaDe(opciones), fallo).generic_string()},
        {"memoria_salida", fs::absolute(opciones.carpeta / "salida.txt", fallo).generic_string()},
        {"memoria_plantilla", (memoria / "memoria.html").generic_string()},
        {"memoria_pagina", pagina.generic_string()}};
    for (const auto& [nombre, valor] : variables)
        gdb.argumentos.insert(gdb.argumentos.end(),
                              {"-ex", std::string("set $") + nombre + " = " + paraGdb(valor)});
    gdb.argumentos.insert(gdb.argumentos.end(), {"-x", compilacion::nativa(memoria / "memoria.py"),
                                                 compilacion::nativa(ejecutable)});
    const proceso::Resultado corrio = proceso::ejecutar(gdb);
    if (corrio.fin == proceso::Fin::NoArranca) {
        std::cout << programa
                  << ": no se encuentra gdb, el depurador que sigue al programa paso a paso. "
                     "Instálalo: en Debian o Ubuntu, sudo apt install gdb; en Windows con MSYS2, "
                     "pacman -S mingw-w64-ucrt-x86_64-gdb; con WinLibs o Code::Blocks ya viene "
                     "(gdb.exe, en la carpeta bin de MinGW, que debe estar en el PATH).\n";
        return 2;
    }
    if (!fs::is_regular_file(pagina, fallo)) {
        const std::string dicho = lineas::leer(registro).value_or("");
        if (dicho.find("Python scripting is not supported") != std::string::npos) {
            std::cout << programa
                      << ": este gdb no tiene Python, que hace falta para leer la "
                         "memoria del programa. Instala un gdb con Python (el de "
                         "Debian, Ubuntu o MSYS2 lo tiene).\n";
        } else if (dicho.find("ptrace") != std::string::npos ||
                   dicho.find("Operation not permitted") != std::string::npos) {
            std::cout << programa
                      << ": el sistema no deja que un depurador siga al programa. En "
                         "Linux lo permite sudo sysctl kernel.yama.ptrace_scope=0; en "
                         "un contenedor, la opción --cap-add=SYS_PTRACE.\n";
        } else {
            // Its last lines, where the failure is.
            const std::vector<std::string> escritas = lineas::partir(dicho);
            std::cout << programa << ": no se ha podido dibujar la memoria. gdb dice:\n"
                      << lineas::sangradas(escritas,
                                           std::max<std::size_t>(escritas.size(), 10) - 10,
                                           escritas.size());
        }
        return 2;
    }
    std::cout << programa << ": la memoria, paso a paso, está en " << pagina.string()
              << " (ábrela con el navegador).\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    proceso::salidaUtf8();
    Opciones opciones;
    if (!leerOpciones(argc, argv, opciones)) return uso();
    std::error_code fallo;
    // --raiz, or the current folder, must hold the project.
    if (!fs::is_regular_file(opciones.raiz / "comprobador" / "consola_comprobacion.cpp", fallo)) {
        std::cout << "No se encuentra el proyecto en la carpeta «" << opciones.raiz.string()
                  << "». Ejecuta comprobar desde la carpeta del proyecto, la que tiene GUIA.md y "
                     "la carpeta ejercicios.\n";
        return 2;
    }
    const auto programa = programas::buscar(opciones.raiz, opciones.programa);
    if (!programa) return uso();
    if (opciones.fuentes) {
        for (const std::string& fuente : programas::propias(opciones.raiz, *programa))
            std::cout << fuente << "\n";
        return 0;
    }
    if (opciones.vpl) return calificar(opciones);
    if (opciones.construir) {  // the lab's way to build what it runs in its terminal
        // Objects of their own: the checks' see their console's headers too, and each set would
        // make the other's objects again.
        if (opciones.carpeta.empty())
            opciones.carpeta = opciones.raiz / "comprobacion" / "programas";
        if (const int mal = preparar(opciones)) return mal;
        return construir(opciones, opciones.programa, false, proceso::consola()).empty() ? 1 : 0;
    }
    return opciones.memoria ? memoria(opciones) : comprobar(opciones);
}
