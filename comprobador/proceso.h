// Running one child program for the learners' check: its standard input from a file, its standard
// output and error into files, an optional time limit, and how it ended, told apart in the terms a
// beginner's answer needs. proceso_posix.cpp and proceso_windows.cpp are the only code of the
// checker that knows the system; a build compiles exactly one of them.
#pragma once

#include <string>
#include <vector>

namespace proceso {

enum class Fin {
    Estado,     // it returned from main or called exit: `codigo` is the exit status
    Anormal,    // killed by signal `codigo` (POSIX), or ended by exception `codigo` (Windows)
    Plazo,      // still running when the time limit passed: it was killed
    NoArranca,  // could not be started at all: `error` says why
};

// What a crash usually means, so that the answer can explain it.
enum class Clase {
    Otra,     // nothing to explain: no crash, or any other signal or exception
    Memoria,  // invalid memory access: SIGSEGV, SIGBUS, 0xC0000005, 0xC00000FD...
    Aborto,   // abort: SIGABRT, 0xC0000409 (exit status 3 from msvcrt's abort is left as a status)
    Escritura,  // wrote more to a file than a child may (SIGXFSZ)
};

struct Resultado {
    Fin fin = Fin::NoArranca;
    unsigned long codigo = 0;
    Clase clase = Clase::Otra;
    std::string error;
};

struct Orden {
    std::vector<std::string> argumentos;  // the first is the program, looked up on PATH
    std::string entrada;                  // file for standard input; empty for the null device
    std::string salida;                   // file for standard output
    std::string errores;                  // file for standard error; equal to `salida`: one file
    double segundos = 0;                  // time limit; 0 for none
};

Resultado ejecutar(const Orden& orden);

// An abnormal end named for an answer: "señal 11, SIGSEGV" ("señal 42" for a signal not named
// here) on POSIX, "0xC0000005" on Windows.
std::string nombre(const Resultado& resultado);

// An environment variable's value; empty when it is not set.
std::string variable(const char* nombre);

// Sets an environment variable that the children started after it inherit.
void fijarVariable(const char* nombre, const char* valor);

// Keeps the checker's memory from other processes of the same user (Linux); nothing elsewhere.
void proteger();

// Makes the checker's own UTF-8 text show as such in a console (Windows); nothing elsewhere.
void salidaUtf8();

// True on Windows, where executables end in ".exe" and a MinGW program is linked statically, so
// that it starts with no DLL.
bool enWindows();

// The lesson's console for this system, as a path from the project's root: what `comprobar
// --construir` links in place of the checks' one.
std::string consola();

}  // namespace proceso
