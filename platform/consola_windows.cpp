// The pause and the clear in a Windows console, through the console API alone: no command processor
// and no child process. The keyboard is reached through CONIN$, never through the standard input
// handle, so input redirected from a file or a pipe stays whole for the program's reads.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstddef>
#include <iostream>

#include "platform/consola.h"

namespace consola {
namespace {

constexpr char kAviso[] = "Pulsa una tecla para continuar . . . ";

// How long the console may stay quiet between events that belong to one key press: the rest of a
// paste, or auto-repeat.
constexpr DWORD kRafagaMs = 50;

// A console device opened by name, closed on every way out.
class Dispositivo {
public:
    explicit Dispositivo(const wchar_t* nombre)
        : manejador(CreateFileW(nombre, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr))
    {
    }
    ~Dispositivo()
    {
        if (manejador != INVALID_HANDLE_VALUE) CloseHandle(manejador);
    }
    Dispositivo(const Dispositivo&) = delete;
    Dispositivo& operator=(const Dispositivo&) = delete;

    bool esConsola() const
    {
        DWORD modo = 0;
        return manejador != INVALID_HANDLE_VALUE && GetConsoleMode(manejador, &modo) != 0;
    }
    HANDLE get() const { return manejador; }

private:
    HANDLE manejador;
};

// A key pressed down; Shift, Ctrl, Alt or Caps Lock alone is not one.
bool esTecla(const INPUT_RECORD& evento)
{
    if (evento.EventType != KEY_EVENT || evento.Event.KeyEvent.bKeyDown == 0) return false;
    switch (evento.Event.KeyEvent.wVirtualKeyCode) {
        case VK_SHIFT:
        case VK_CONTROL:
        case VK_MENU:
        case VK_CAPITAL:
            return false;
        default:
            return true;
    }
}

template <std::size_t N>
void escribir(HANDLE consola, const char (&texto)[N])
{
    DWORD escritos = 0;
    WriteConsoleA(consola, texto, static_cast<DWORD>(N - 1), &escritos, nullptr);
}

// Ctrl+C or Ctrl+Break at a pause ends the program with the status Windows gives an interrupted
// program; some consoles' own handler (Wine's) would report success instead.
BOOL WINAPI interrumpir(DWORD evento)
{
    if (evento != CTRL_C_EVENT && evento != CTRL_BREAK_EVENT) return FALSE;
    const Dispositivo pantalla(L"CONOUT$");
    escribir(pantalla.get(), "\r\n");
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace

void pausa()
{
    std::cout.flush();
    const Dispositivo teclado(L"CONIN$");
    const Dispositivo pantalla(L"CONOUT$");
    if (!teclado.esConsola() || !pantalla.esConsola()) return;  // no console: nobody to wait for

    // Keys typed before the prompt appears are dropped, never taken as the key.
    SetConsoleCtrlHandler(interrumpir, TRUE);
    FlushConsoleInputBuffer(teclado.get());
    escribir(pantalla.get(), kAviso);
    INPUT_RECORD evento{};
    DWORD leidos = 0;
    while (ReadConsoleInputW(teclado.get(), &evento, 1, &leidos) != 0 && !esTecla(evento)) {
    }
    // The rest of the key press goes with it.
    do FlushConsoleInputBuffer(teclado.get());
    while (WaitForSingleObject(teclado.get(), kRafagaMs) == WAIT_OBJECT_0);
    escribir(pantalla.get(), "\r\n");
    SetConsoleCtrlHandler(interrumpir, FALSE);
}

void limpiar()
{
    std::cout.flush();
    const HANDLE salida = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO pantalla{};
    if (GetConsoleScreenBufferInfo(salida, &pantalla) == 0) return;  // output is not a console
    // The whole buffer, scrollback included, blank in the current colours; the cursor at the top.
    const DWORD celdas =
        static_cast<DWORD>(pantalla.dwSize.X) * static_cast<DWORD>(pantalla.dwSize.Y);
    const COORD origen{0, 0};
    DWORD hechas = 0;
    FillConsoleOutputCharacterW(salida, L' ', celdas, origen, &hechas);
    FillConsoleOutputAttribute(salida, pantalla.wAttributes, celdas, origen, &hechas);
    SetConsoleCursorPosition(salida, origen);
}

}  // namespace consola
