// The console of the exercise checks: the same program, but it never waits and never clears, so a
// check runs the same at a terminal, in an IDE or in CI. It also bounds what the program may write:
// an attempt that writes without end is stopped long before it fills memory or a log.
//
// So that the checker can name a screen and a line as a learner at a terminal sees them, standard
// output also carries the marks of marcas.h: one at each pause, and each line the program takes
// from std::cin, at the moment it is read, as a terminal echoes what is typed.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

#include "comprobador/marcas.h"
#include "platform/consola.h"

namespace consola {
namespace {

// Far more than any exercise writes (the longest, a few hundred bytes per screen).
constexpr std::size_t kTope = std::size_t{64} * 1024;

// Passes every byte on to the stream's own buffer, until the cap.
class Tope : public std::streambuf {
public:
    explicit Tope(std::ostream& flujo) : flujo(flujo), destino(flujo.rdbuf()) { flujo.rdbuf(this); }
    // The streams are flushed once more after this object is gone.
    ~Tope() override { flujo.rdbuf(destino); }
    Tope(const Tope&) = delete;
    Tope& operator=(const Tope&) = delete;

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }

    std::streamsize xsputn(const char* texto, std::streamsize largo) override
    {
        if (static_cast<std::size_t>(largo) > quedan) detener();
        quedan -= static_cast<std::size_t>(largo);
        return destino->sputn(texto, largo);
    }

    int sync() override { return destino->pubsync(); }

private:
    // What was written so far stays, so the check can show where it first differs. The notice
    // goes straight to the C standard error, past the cap on std::cerr.
    [[noreturn]] void detener()
    {
        destino->pubsync();
        std::fputs(
            "El programa ha escrito mas de 64 KiB, mucho mas de lo que pide el ejercicio: "
            "se ha detenido.\n",
            stderr);
        std::fflush(stderr);
        std::_Exit(3);
    }

    std::ostream& flujo;
    std::streambuf* destino;
    std::size_t quedan = kTope;
};

// Hands std::cin one line at a time, taken whole from the stream's own buffer, and writes each
// line to std::cout between the echo marks as it is taken. The program's reads then see the same
// bytes as before.
class Eco : public std::streambuf {
public:
    Eco(std::istream& flujo, std::ostream& salida)
        : flujo(flujo), salida(salida), origen(flujo.rdbuf())
    {
        flujo.rdbuf(this);
    }
    ~Eco() override { flujo.rdbuf(origen); }
    Eco(const Eco&) = delete;
    Eco& operator=(const Eco&) = delete;

protected:
    int_type underflow() override
    {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        std::size_t largo = 0;
        while (largo < sizeof linea) {
            const int_type c = origen->sbumpc();
            if (traits_type::eq_int_type(c, traits_type::eof())) break;
            linea[largo++] = traits_type::to_char_type(c);
            if (linea[largo - 1] == '\n') break;
        }
        if (largo == 0) return traits_type::eof();
        salida.put(marcas::kEcoInicio);
        salida.write(linea, static_cast<std::streamsize>(largo));
        salida.put(marcas::kEcoFin);
        setg(linea, linea, linea + largo);
        return traits_type::to_int_type(*gptr());
    }

private:
    std::istream& flujo;
    std::ostream& salida;
    std::streambuf* origen;
    // A longer line is echoed in pieces, each as it is reached, as a terminal would show it.
    char linea[4096]{};
};

// Installed before main runs. <iostream> above sets up the standard streams first. Under the memory
// page's gdb, standard output is unbuffered, so that each step finds everything the program has
// written so far without gdb calling into the program.
[[maybe_unused]] const bool sinBuffer =
    std::getenv("COMPROBAR_SIN_BUFFER") != nullptr && std::setvbuf(stdout, nullptr, _IONBF, 0) == 0;
Tope salida{std::cout};
Tope errores{std::cerr};
Eco eco{std::cin, std::cout};

}  // namespace

void pausa()
{
    std::cout.put(marcas::kPausa);
    std::cout.flush();
}

void limpiar() {}

}  // namespace consola
