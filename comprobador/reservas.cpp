// The free store of an attempt, kept track of for the check: linked into every attempt with the
// checks' console, it replaces the global operator new and operator delete. Where the environment
// variable COMPROBAR_RESERVAS names a file, each block remembers where it was made, and the file
// gets one line per fault:
//   fuga <bytes> <frames of its new>                      (a block never freed, written at exit)
//   doble <frames of the delete>|<of the first delete>|<of the new>  (freed twice)
//   ajeno <frames of the delete>           (freeing what no new made: a variable, an array)
//   mezcla <frames of the delete>|<of the new>            (new[] freed by delete, or new by
//   delete[])
// A frame is the address of a call, in hexadecimal, as the executable's file places it
// (addr2line reads it); a line with no frames where they cannot be taken (cl). After any fault but
// a leak the program aborts, as the C library would, so that every system ends it alike. Without
// the variable (a plain run, the memory page's gdb) new and delete are malloc and free.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__wasm__)
// WebAssembly has no unwinder: the browser lab's worker reads the frames off its own stack, each
// the place of a call in the program's code.
extern "C" __attribute__((import_module("laboratorio"), import_name("marcos"))) int
laboratorioMarcos(std::uintptr_t* dir, int cabida);
#elif defined(__GNUC__) || defined(__clang__)
#include <unwind.h>
#endif
#if defined(__linux__)
#include <link.h>
#endif

#if defined(_WIN32)
extern "C" const char __ImageBase;  // where the loader put the executable
#endif

namespace {

constexpr int kMarcos = 12;               // frames kept of each new and delete
constexpr int kCuarentena = 512;          // freed blocks kept, to tell a second delete of one
constexpr unsigned char kBorrado = 0xDD;  // what a freed object reads as: not text

enum class Forma : unsigned char { Uno, Array };

struct Marcos {
    int cuantos = 0;
    std::uintptr_t dir[kMarcos]{};
};

struct alignas(std::max_align_t) Bloque {
    Bloque* anterior = nullptr;
    Bloque* siguiente = nullptr;
    std::size_t bytes = 0;
    Forma forma = Forma::Uno;
    Marcos hecho;
    Marcos borrado;
};

struct Lista {
    Bloque* primero = nullptr;
    Bloque* ultimo = nullptr;
    int cuantos = 0;

    void poner(Bloque* b)
    {
        b->anterior = ultimo;
        b->siguiente = nullptr;
        (ultimo != nullptr ? ultimo->siguiente : primero) = b;
        ultimo = b;
        ++cuantos;
    }
    void quitar(Bloque* b)
    {
        (b->anterior != nullptr ? b->anterior->siguiente : primero) = b->siguiente;
        (b->siguiente != nullptr ? b->siguiente->anterior : ultimo) = b->anterior;
        --cuantos;
    }
    Bloque* buscar(const void* objeto) const
    {
        for (Bloque* b = primero; b != nullptr; b = b->siguiente)
            if (b + 1 == objeto) return b;
        return nullptr;
    }
};

// Plain data, set before the first new of the program (the standard streams' set-up): no
// constructor runs on it.
Lista vivos;
Lista libres;
char informe[1024];
int activo = -1;  // -1: the variable not read yet

bool seguir()
{
    if (activo < 0) {
        const char* ruta = std::getenv("COMPROBAR_RESERVAS");
        const std::size_t largo = ruta == nullptr ? 0 : std::strlen(ruta);
        activo = largo > 0 && largo < sizeof informe ? 1 : 0;
        if (activo == 1) std::memcpy(informe, ruta, largo + 1);
    }
    return activo == 1;
}

#if (defined(__GNUC__) || defined(__clang__)) && !defined(__wasm__)
_Unwind_Reason_Code anotarMarco(_Unwind_Context* contexto, void* datos)
{
    auto* marcos = static_cast<Marcos*>(datos);
    if (marcos->cuantos == kMarcos) return _URC_END_OF_STACK;
    marcos->dir[marcos->cuantos++] = static_cast<std::uintptr_t>(_Unwind_GetIP(contexto));
    return _URC_NO_REASON;
}
#endif

Marcos marcosDeAhora()
{
    Marcos marcos;
#if defined(__wasm__)
    marcos.cuantos = laboratorioMarcos(marcos.dir, kMarcos);
#elif defined(__GNUC__) || defined(__clang__)
    _Unwind_Backtrace(anotarMarco, &marcos);
#endif
    return marcos;
}

#if defined(__linux__)
int primerModulo(dl_phdr_info* info, std::size_t, void* datos)
{
    *static_cast<std::uintptr_t*>(datos) = info->dlpi_addr;
    return 1;  // the executable comes first
}
#endif

// What to take off an address to have it as the executable's file places it.
std::uintptr_t desplazamiento()
{
    std::uintptr_t base = 0;
#if defined(__linux__)
    dl_iterate_phdr(primerModulo, &base);
#elif defined(_WIN32)
    base = reinterpret_cast<std::uintptr_t>(&__ImageBase);
#endif
    return base;
}

void escribirMarcos(std::FILE* archivo, const Marcos& marcos)
{
    const std::uintptr_t base = desplazamiento();
    // A return address is just past its call: one byte back is the call's own line.
    for (int i = 0; i < marcos.cuantos; ++i)
        std::fprintf(archivo, " %llx", static_cast<unsigned long long>(marcos.dir[i] - 1 - base));
}

void anotar(const char* suceso, const Bloque* bloque, const Marcos* borrado, const Marcos* primero)
{
    std::FILE* archivo = std::fopen(informe, "a");
    if (archivo == nullptr) return;
    std::fputs(suceso, archivo);
    if (bloque != nullptr && borrado == nullptr)
        std::fprintf(archivo, " %llu", static_cast<unsigned long long>(bloque->bytes));
    if (borrado != nullptr) escribirMarcos(archivo, *borrado);
    if (primero != nullptr) {
        std::fputc('|', archivo);
        escribirMarcos(archivo, *primero);
    }
    if (bloque != nullptr) {
        if (borrado != nullptr) std::fputc('|', archivo);
        escribirMarcos(archivo, bloque->hecho);
    }
    std::fputc('\n', archivo);
    std::fclose(archivo);
}

void fugas()
{
    for (const Bloque* b = vivos.primero; b != nullptr; b = b->siguiente)
        anotar("fuga", b, nullptr, nullptr);
}

// With no exceptions (the browser lab's WebAssembly), a new that cannot be met ends the program
// as an uncaught bad_alloc would, with a line that says why.
[[noreturn]] void sinMemoria()
{
#if defined(__cpp_exceptions) || defined(_CPPUNWIND)
    throw std::bad_alloc();
#else
    std::fputs("std::bad_alloc: no queda memoria para new\n", stderr);
    std::abort();
#endif
}

void* reservar(std::size_t bytes, Forma forma)
{
    for (;;) {
        void* memoria = nullptr;
        if (!seguir()) {
            memoria = std::malloc(bytes == 0 ? 1 : bytes);
        } else if (bytes <= SIZE_MAX - sizeof(Bloque)) {
            if (void* crudo = std::malloc(sizeof(Bloque) + bytes)) {
                if (vivos.cuantos == 0 && libres.cuantos == 0) std::atexit(fugas);
                auto* b = new (crudo) Bloque();
                b->bytes = bytes;
                b->forma = forma;
                b->hecho = marcosDeAhora();
                vivos.poner(b);
                memoria = b + 1;
            }
        }
        if (memoria != nullptr) return memoria;
        const std::new_handler manejador = std::get_new_handler();
        if (manejador == nullptr) sinMemoria();
        manejador();
    }
}

void liberar(void* objeto, Forma forma) noexcept
{
    if (objeto == nullptr) return;
    if (!seguir()) {
        std::free(objeto);
        return;
    }
    const Marcos ahora = marcosDeAhora();
    Bloque* const vivo = vivos.buscar(objeto);
    if (vivo == nullptr) {
        const Bloque* const libre = libres.buscar(objeto);
        if (libre != nullptr)
            anotar("doble", libre, &ahora, &libre->borrado);
        else
            anotar("ajeno", nullptr, &ahora, nullptr);
        std::abort();
    }
    if (vivo->forma != forma) {
        anotar("mezcla", vivo, &ahora, nullptr);
        std::abort();
    }
    vivos.quitar(vivo);
    vivo->borrado = ahora;
    std::memset(static_cast<void*>(vivo + 1), kBorrado, vivo->bytes);
    libres.poner(vivo);
    if (libres.cuantos > kCuarentena) {
        Bloque* const viejo = libres.primero;
        libres.quitar(viejo);
        std::free(viejo);
    }
}

}  // namespace

void* operator new(std::size_t bytes) { return reservar(bytes, Forma::Uno); }
void* operator new[](std::size_t bytes) { return reservar(bytes, Forma::Array); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept
{
#if defined(__cpp_exceptions) || defined(_CPPUNWIND)
    try {
        return reservar(bytes, Forma::Uno);
    } catch (...) {
        return nullptr;
    }
#else
    return reservar(bytes, Forma::Uno);
#endif
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept
{
#if defined(__cpp_exceptions) || defined(_CPPUNWIND)
    try {
        return reservar(bytes, Forma::Array);
    } catch (...) {
        return nullptr;
    }
#else
    return reservar(bytes, Forma::Array);
#endif
}
void operator delete(void* objeto) noexcept { liberar(objeto, Forma::Uno); }
void operator delete[](void* objeto) noexcept { liberar(objeto, Forma::Array); }
void operator delete(void* objeto, std::size_t) noexcept { liberar(objeto, Forma::Uno); }
void operator delete[](void* objeto, std::size_t) noexcept { liberar(objeto, Forma::Array); }
void operator delete(void* objeto, const std::nothrow_t&) noexcept { liberar(objeto, Forma::Uno); }
void operator delete[](void* objeto, const std::nothrow_t&) noexcept
{
    liberar(objeto, Forma::Array);
}
