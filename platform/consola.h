// The console operations the demos need from the system: the key-press pause between screens, the
// clearing of the screen, and an exit status that tells whether the screens reached their reader.
// Each platform has a source file of its own: the only code in the project that knows the system.
#pragma once

namespace consola {

// Shows "Pulsa una tecla para continuar . . . " on the terminal or console itself (never on
// standard output) and waits for one key pressed while it is shown. Keys typed before it appears,
// and whatever arrives with the key (the rest of a paste or of an escape sequence), are dropped.
// Standard input is never read: what the program has not read yet, from a file, a pipe or an
// entered line, stays for its own reads. With no controlling terminal or console (a script, CI,
// cron, a detached process) it returns at once and writes nothing; redirecting standard input or
// output does not decide that.
void pausa();

// Clears the terminal or console before the next screen; writes nothing when standard output is
// not one.
void limpiar();

// The status for `main` to return: 0, or 1 after a line on standard error when standard output
// could not be written (a full disk, a closed descriptor).
int estadoDeSalida();

}  // namespace consola
