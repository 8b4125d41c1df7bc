// The pause and the clear in the browser lab (laboratorio/), a WebAssembly program under WASI with
// the page's terminal. As on POSIX, the key is read from /dev/tty, never from standard input: the
// page answers a read there with one key, and a read of standard input with a line typed and
// echoed.
#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "platform/consola.h"

namespace consola {
namespace {

constexpr char kAviso[] = "Pulsa una tecla para continuar . . . ";

}  // namespace

void pausa()
{
    std::cout.flush();
    const int terminal = open("/dev/tty", O_RDWR);
    if (terminal < 0) return;  // no terminal: nobody to wait for
    char tecla = 0;
    if (write(terminal, kAviso, sizeof kAviso - 1) > 0 && read(terminal, &tecla, 1) >= 0)
        (void)write(terminal, "\n", 1);
    close(terminal);
}

void limpiar()
{
    // Cursor home, erase the screen, erase the scrollback.
    if (isatty(STDOUT_FILENO) != 0) std::cout << "\x1b[H\x1b[2J\x1b[3J" << std::flush;
}

}  // namespace consola
