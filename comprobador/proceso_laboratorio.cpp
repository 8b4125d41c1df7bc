// Running the check's child programs in the browser lab (laboratorio/), where the checker is a
// WebAssembly program under WASI, which cannot start processes: each command goes, as text, to the
// page's worker, which runs clang or the learner's program on the same files and answers how it
// ended. The worker also keeps the time limit and the 16 MB a child may write.
#include <cstdlib>
#include <map>
#include <string>

#include "comprobador/proceso.h"

extern "C" __attribute__((import_module("laboratorio"), import_name("ejecutar"))) unsigned long
laboratorioEjecutar(const char* orden, unsigned long largo, char* respuesta, unsigned long cabida);

namespace proceso {
namespace {

// The variables the children get: WASI has no setenv.
std::map<std::string, std::string>& variables()
{
    static std::map<std::string, std::string> todas;
    return todas;
}

}  // namespace

// The command, one field a line: the limit, the three files, each variable, an empty line, then the
// arguments. The answer: "<fin> <codigo> <clase>", then the reason a command could not start.
Resultado ejecutar(const Orden& orden)
{
    std::string texto = std::to_string(orden.segundos) + "\n" + orden.entrada + "\n" +
                        orden.salida + "\n" + orden.errores + "\n";
    for (const auto& [nombre, valor] : variables()) texto += nombre + "=" + valor + "\n";
    texto += "\n";
    for (const std::string& argumento : orden.argumentos) texto += argumento + "\n";
    std::string respuesta(4096, '\0');
    respuesta.resize(
        laboratorioEjecutar(texto.data(), texto.size(), respuesta.data(), respuesta.size()));
    Resultado resultado;
    char* resto = nullptr;
    resultado.fin = static_cast<Fin>(std::strtoul(respuesta.c_str(), &resto, 10));
    resultado.codigo = std::strtoul(resto, &resto, 10);
    resultado.clase = static_cast<Clase>(std::strtoul(resto, &resto, 10));
    if (*resto == '\n') resultado.error = resto + 1;
    return resultado;
}

// A trap of WebAssembly, as the browser names it ("memory access out of bounds", "unreachable").
std::string nombre(const Resultado& resultado) { return resultado.error; }

std::string variable(const char* nombre)
{
    const auto valor = variables().find(nombre);
    return valor == variables().end() ? std::string() : valor->second;
}

void fijarVariable(const char* nombre, const char* valor) { variables()[nombre] = valor; }

void proteger() {}

void salidaUtf8() {}

bool enWindows() { return false; }

std::string consola() { return "platform/consola_wasi.cpp"; }

}  // namespace proceso
