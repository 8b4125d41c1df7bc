// The pause and the clear on a POSIX terminal (Linux, macOS).
//
// The keyboard is reached through the controlling terminal, /dev/tty, never through standard input.
// While a pause waits, the terminal is in key mode (no line editing, no echo). Every way out puts
// the settings back: the key, a signal that ends the process, and Ctrl+Z, after which `fg` sets key
// mode again and shows the prompt anew.
#include <fcntl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <iostream>

#include "platform/consola.h"

namespace consola {
namespace {

constexpr char kAviso[] = "Pulsa una tecla para continuar . . . ";

// How long the terminal may stay quiet between bytes that belong to one key press: the rest of an
// escape sequence or of a UTF-8 character, of a paste, or auto-repeat.
constexpr suseconds_t kRafagaUs = 50'000;

// The pause in progress, in one place: signal handlers can reach only globals. While `terminal` is
// not -1, the handlers are installed and the terminal may be in key mode.
struct Pausa {
    int terminal = -1;
    termios previos{};     // the settings before the pause: every way out restores them
    termios unaTecla{};    // key mode: set on entry, and again after a stop
    sigset_t cambiadas{};  // the signals whose default action the pause replaced...
    struct sigaction anteriores[NSIG] {};  // ...and what they had, given back at the end
    // Stops survived: the key that ends the pause must come after the last.
    volatile std::sig_atomic_t reanudaciones = 0;
};
Pausa pausaEnCurso;

// Every signal but the two that stop a background process that touches the terminal: held back
// while the pause changes its state, so that a stop comes before a change and never after it.
sigset_t todasMenosTtinTtou()
{
    sigset_t senales;
    sigfillset(&senales);
    sigdelset(&senales, SIGTTIN);
    sigdelset(&senales, SIGTTOU);
    return senales;
}

class SenalesRetenidas {
public:
    SenalesRetenidas()
    {
        const sigset_t retenidas = todasMenosTtinTtou();
        sigprocmask(SIG_BLOCK, &retenidas, &antes);
    }
    ~SenalesRetenidas() { sigprocmask(SIG_SETMASK, &antes, nullptr); }
    SenalesRetenidas(const SenalesRetenidas&) = delete;
    SenalesRetenidas& operator=(const SenalesRetenidas&) = delete;

private:
    sigset_t antes{};
};

// Whether a signal's default action ends the process. The others are ignored, stop or continue the
// process by default, or cannot be caught.
bool terminaElProceso(int senal)
{
    switch (senal) {
        case SIGKILL:
        case SIGSTOP:
        case SIGTSTP:
        case SIGTTIN:
        case SIGTTOU:
        case SIGCONT:
        case SIGCHLD:
        case SIGURG:
        case SIGWINCH:
#ifdef SIGINFO
        case SIGINFO:
#endif
#ifndef __linux__
        case SIGIO:  // ignored by default on macOS and the BSDs
#endif
            return false;
        default:
            return true;
    }
}

// Async-signal-safe: the handlers use it too.
void escribir(int terminal, const char* texto, std::size_t largo)
{
    while (largo > 0) {
        const ssize_t escrito = write(terminal, texto, largo);
        if (escrito < 0 && errno == EINTR) continue;
        if (escrito <= 0) return;  // a prompt that cannot be shown does not stop the program
        texto += escrito;
        largo -= static_cast<std::size_t>(escrito);
    }
}

template <std::size_t N>
void escribir(int terminal, const char (&texto)[N])
{
    escribir(terminal, texto, N - 1);
}

void ponerPorDefecto(int senal)
{
    struct sigaction porDefecto {};
    porDefecto.sa_handler = SIG_DFL;
    sigemptyset(&porDefecto.sa_mask);
    sigaction(senal, &porDefecto, nullptr);
}

extern "C" void restaurarYTerminar(int senal)
{
    tcsetattr(pausaEnCurso.terminal, TCSANOW, &pausaEnCurso.previos);
    escribir(pausaEnCurso.terminal, "\n");
    ponerPorDefecto(senal);
    // Held back until this handler returns; then it ends the process as it would have.
    raise(senal);
}

// Ctrl+Z: the shell gets its terminal back while the process is stopped; after `fg` the pause
// starts over, with key mode and the prompt.
extern "C" void detenerYSeguir(int /*senal*/)
{
    const int errorPrevio = errno;
    Pausa& enCurso = pausaEnCurso;
    tcsetattr(enCurso.terminal, TCSANOW, &enCurso.previos);
    escribir(enCurso.terminal, "\n");

    struct sigaction propio {};
    sigaction(SIGTSTP, nullptr, &propio);
    ponerPorDefecto(SIGTSTP);
    kill(getpid(), SIGTSTP);
    sigset_t parada;
    sigemptyset(&parada);
    sigaddset(&parada, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &parada, nullptr);  // the process stops here...
    sigaction(SIGTSTP, &propio, nullptr);        // ...and goes on from here after fg

    tcsetattr(enCurso.terminal, TCSAFLUSH, &enCurso.unaTecla);
    escribir(enCurso.terminal, kAviso);
    enCurso.reanudaciones = enCurso.reanudaciones + 1;
    errno = errorPrevio;
}

// Installs the handlers, then sets key mode; false if the terminal refused it.
bool entrar(int terminal, const termios& previos)
{
    Pausa& enCurso = pausaEnCurso;
    enCurso.terminal = terminal;
    enCurso.previos = previos;
    enCurso.reanudaciones = 0;
    enCurso.unaTecla = previos;
    enCurso.unaTecla.c_lflag &= ~static_cast<tcflag_t>(ICANON);  // each key as it comes, not lines
    enCurso.unaTecla.c_lflag &= ~static_cast<tcflag_t>(ECHO);    // the key is not shown
    // ISIG stays on: Ctrl+C and Ctrl+Z keep their meaning, and the handlers restore the terminal.
    enCurso.unaTecla.c_cc[VMIN] = 1;   // a read waits for at least one byte...
    enCurso.unaTecla.c_cc[VTIME] = 0;  // ...for as long as it takes

    struct sigaction manejo {};
    manejo.sa_mask = todasMenosTtinTtou();  // no handler runs inside another
    // No SA_RESTART: a read interrupted by a stop returns, and the wait starts over.
    sigemptyset(&enCurso.cambiadas);
    for (int senal = 1; senal < NSIG; ++senal) {
        struct sigaction& anterior = enCurso.anteriores[senal];
        // A signal the caller ignores or handles itself is left as it is.
        if (sigaction(senal, nullptr, &anterior) != 0 || anterior.sa_handler != SIG_DFL ||
            (anterior.sa_flags & SA_SIGINFO) != 0)
            continue;
        if (terminaElProceso(senal)) {
            manejo.sa_handler = restaurarYTerminar;
        } else if (senal == SIGTSTP) {
            manejo.sa_handler = detenerYSeguir;
        } else {
            continue;
        }
        if (sigaction(senal, &manejo, nullptr) == 0) sigaddset(&enCurso.cambiadas, senal);
    }
    // TCSAFLUSH: keys typed before the prompt appears are dropped, never taken as the key.
    return tcsetattr(terminal, TCSAFLUSH, &enCurso.unaTecla) == 0;
}

void salir()
{
    Pausa& enCurso = pausaEnCurso;
    // TCSAFLUSH: whatever is still pending came with the key.
    tcsetattr(enCurso.terminal, TCSAFLUSH, &enCurso.previos);
    for (int senal = 1; senal < NSIG; ++senal)
        if (sigismember(&enCurso.cambiadas, senal) == 1)
            sigaction(senal, &enCurso.anteriores[senal], nullptr);
    enCurso.terminal = -1;
}

// Whether another byte arrives within a moment. select, not poll: macOS's poll does not serve
// terminals.
bool llegaMas(int terminal)
{
    for (;;) {
        fd_set listos;
        FD_ZERO(&listos);
        FD_SET(terminal, &listos);
        timeval plazo{0, kRafagaUs};
        const int hay = select(terminal + 1, &listos, nullptr, nullptr, &plazo);
        if (hay >= 0 || errno != EINTR) return hay > 0;
    }
}

// Waits for a key and takes it whole, with all that arrives in the same burst.
void tomarTecla(int terminal)
{
    for (;;) {
        const std::sig_atomic_t vistas = pausaEnCurso.reanudaciones;
        char tecla[64];
        const ssize_t leido = read(terminal, tecla, sizeof tecla);
        if (leido < 0 && errno == EINTR) continue;  // a signal, or a stop and fg: wait on
        if (leido <= 0) return;                     // the terminal is gone: nobody to wait for
        while (llegaMas(terminal)) tcflush(terminal, TCIFLUSH);
        if (pausaEnCurso.reanudaciones == vistas) return;  // else a stop came: the prompt is new
    }
}

}  // namespace

void pausa()
{
    std::cout.flush();
    const int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return;  // no controlling terminal: nobody to wait for
    termios previos{};
    if (tcgetattr(terminal, &previos) == 0) {
        bool enModoTecla = false;
        {
            const SenalesRetenidas retenidas;
            enModoTecla = entrar(terminal, previos);
            if (enModoTecla) escribir(terminal, kAviso);
        }
        if (enModoTecla) tomarTecla(terminal);
        {
            const SenalesRetenidas retenidas;
            salir();
        }
        if (enModoTecla) escribir(terminal, "\n");
    }
    close(terminal);
}

void limpiar()
{
    // Cursor home, erase the screen, erase the scrollback.
    if (isatty(STDOUT_FILENO) != 0) std::cout << "\x1b[H\x1b[2J\x1b[3J" << std::flush;
}

}  // namespace consola
