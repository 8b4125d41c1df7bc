// The console operations the demos need from the system: the key-press pause between screens, the
// clearing of the screen, and an exit status that tells whether the screens reached their reader.
// This is the only code in the project that knows which operating system it runs on.
#pragma once

namespace consola {

// Waits for one key on the keyboard. Standard input is never read, so words the user typed ahead,
// or input piped into the program, stay for the program's own reads. With no terminal (a pipe, CI,
// cron) it returns at once and writes nothing.
void pausa();

// Clears the terminal before the next screen; writes nothing when standard output is not a
// terminal.
void limpiar();

// The status for `main` to return: 0, or 1 after a line on standard error when standard output
// could not be written (a full disk, a closed descriptor).
int estadoDeSalida();

}  // namespace consola
