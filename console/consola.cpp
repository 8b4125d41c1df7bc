#include "console/consola.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <cstdlib>
#else
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#endif

namespace consola {

#ifdef _WIN32

// The command processor has its own pause, which reads the console rather than our buffered input.
void pausa()
{
    std::cout.flush();
    std::system("pause");
}

void limpiar()
{
    std::cout.flush();
    std::system("cls");
}

#else

namespace {

constexpr const char* kAviso = "Pulsa una tecla para continuar . . . ";

constexpr int kSenales[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The terminal a pause has changed and how it was before: globals, the only state a signal
// handler can reach.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
int terminalCambiado = -1;
termios ajustesPrevios{};
struct sigaction accionesPrevias[std::size(kSenales)];
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

extern "C" void restaurarYTerminar(int senal)
{
    // Only async-signal-safe calls here.
    tcsetattr(terminalCambiado, TCSANOW, &ajustesPrevios);
    const ssize_t escrito = write(terminalCambiado, "\n", 1);
    (void)escrito;
    struct sigaction porDefecto {};
    porDefecto.sa_handler = SIG_DFL;
    sigemptyset(&porDefecto.sa_mask);
    sigaction(senal, &porDefecto, nullptr);
    raise(senal);  // blocked until this handler returns, then it ends the process as it would have
}

void instalarManejadores()
{
    struct sigaction manejo {};
    manejo.sa_handler = restaurarYTerminar;
    sigemptyset(&manejo.sa_mask);
    for (const int senal : kSenales) sigaddset(&manejo.sa_mask, senal);
    for (std::size_t i = 0; i < std::size(kSenales); ++i) {
        sigaction(kSenales[i], nullptr, &accionesPrevias[i]);
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        if (accionesPrevias[i].sa_handler != SIG_IGN) sigaction(kSenales[i], &manejo, nullptr);
    }
}

void restaurarManejadores()
{
    for (std::size_t i = 0; i < std::size(kSenales); ++i)
        sigaction(kSenales[i], &accionesPrevias[i], nullptr);
}

void escribirEnTerminal(int terminal, const char* texto)
{
    std::size_t resta = std::strlen(texto);
    while (resta > 0) {
        const ssize_t escrito = write(terminal, texto, resta);
        if (escrito < 0 && errno == EINTR) continue;
        if (escrito <= 0) return;  // a prompt that cannot be shown does not stop the program
        texto += escrito;
        resta -= static_cast<std::size_t>(escrito);
    }
}

// Takes all the bytes of one key press: a plain key sends one, an arrow or function key sends an
// escape sequence of several, and none of them may be left for the program's next read.
void tomarTecla(int terminal)
{
    char bytes[32];
    ssize_t leido = 0;
    do leido = read(terminal, bytes, sizeof bytes);
    while (leido < 0 && errno == EINTR);
    if (leido <= 0 || bytes[0] != '\x1b') return;
    // A terminal writes a sequence at once, but it may still come in two reads: take what follows
    // within a moment.
    pollfd espera{terminal, POLLIN, 0};
    while (poll(&espera, 1, 50) > 0 && read(terminal, bytes, sizeof bytes) > 0) {
    }
}

void esperarTecla(int terminal, const termios& ajustes)
{
    terminalCambiado = terminal;
    ajustesPrevios = ajustes;
    instalarManejadores();  // before the change, so no signal can leave it behind

    termios unaTecla = ajustes;
    unaTecla.c_lflag &= ~static_cast<tcflag_t>(ICANON);  // hand over each key, not whole lines
    unaTecla.c_lflag &= ~static_cast<tcflag_t>(ECHO);    // the key is not shown
    // ISIG stays on: Ctrl-C still interrupts, and the handlers above put the terminal back.
    unaTecla.c_cc[VMIN] = 1;   // a read waits for at least one byte...
    unaTecla.c_cc[VTIME] = 0;  // ...for as long as it takes
    // TCSANOW, not TCSAFLUSH: keys typed ahead are not thrown away.
    if (tcsetattr(terminal, TCSANOW, &unaTecla) == 0) {
        tomarTecla(terminal);
        tcsetattr(terminal, TCSANOW, &ajustes);
    }

    restaurarManejadores();
    terminalCambiado = -1;
}

}  // namespace

void pausa()
{
    std::cout.flush();
    // The keyboard is reached through the controlling terminal, never through standard input.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg): open is variadic in C
    const int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return;  // no terminal: nobody to wait for
    termios ajustes{};
    if (tcgetattr(terminal, &ajustes) == 0) {
        escribirEnTerminal(terminal, kAviso);
        esperarTecla(terminal, ajustes);
        escribirEnTerminal(terminal, "\n");
    }
    close(terminal);
}

void limpiar()
{
    // Cursor home, erase the screen, erase the scrollback.
    if (isatty(STDOUT_FILENO) != 0) std::cout << "\x1b[H\x1b[2J\x1b[3J" << std::flush;
}

#endif

int estadoDeSalida()
{
    std::cout.flush();
    if (std::cout.good() && std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return 0;
    std::cerr << "No se pudo escribir la salida estandar." << std::endl;
    return 1;
}

}  // namespace consola
