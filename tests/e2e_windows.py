"""The Windows build under Wine, the two ways a person runs it: with no console, its streams
redirected as in a script, and at a console, which Wine gives a program whose terminal is a tmux
pane. BINARIOS names the folder of the .exe files; WINEPREFIX and WINEDEBUG come from the caller."""

import os
import re
import subprocess
import tempfile
import termios
import time
import unittest

import arnes
import e2e_garaxo
import e2e_polifor
from arnes import crlf

BINARIOS = os.environ.get("BINARIOS", "")
ESPERA = 60.0  # seconds; Wine's first start in a new prefix is slow
GARAXO = arnes.original("garaxo")
AVISO = "Pulsa una tecla para continuar . . ."


def ejecutable(programa: str) -> str:
    return os.path.join(BINARIOS, programa + ".exe")


class SinConsola(unittest.TestCase):
    """No terminal at all, so Wine gives no console: each pause returns at once."""

    def ejecutar(self, programa: str, entrada: bytes) -> subprocess.CompletedProcess:
        resultado = arnes.ejecutar(entrada, orden=["wine", ejecutable(programa)], espera=ESPERA,
                                   env=dict(os.environ, WINEDEBUG="+process"))
        self.assertTerminaSinInterprete(resultado.returncode, resultado.stderr)
        return resultado

    def assertTerminaSinInterprete(self, estado: int, error: bytes):
        """Status 0, and no command processor started: pause and clear are the program's own."""
        iniciados = re.findall(rb"CreateProcessInternalW app .*", error)
        self.assertEqual([l for l in iniciados if b"cmd.exe" in l.lower()], [])
        self.assertEqual(estado, 0)

    def test_each_program_needs_only_the_dlls_that_a_bare_windows_has(self):
        for programa in arnes.CARPETAS:
            with self.subTest(programa=programa):
                cabeceras = subprocess.run(
                    ["x86_64-w64-mingw32-objdump", "-p", ejecutable(programa)],
                    capture_output=True, text=True, check=True).stdout
                self.assertEqual(sorted(re.findall(r"DLL Name: (\S+)", cabeceras)),
                                 ["KERNEL32.dll", "msvcrt.dll"])

    def test_redirected_output_is_the_linux_transcript_with_crlf_line_ends(self):
        for programa, entrada, esperada in (
                ("garaxo", b"Juan\r\n12345678-Z\r\nAna\r\n87654321-X\r\n", GARAXO),
                ("garaxo", b"", e2e_garaxo.sin_eco("", "", "", "")),
                ("pintafor", b"x", arnes.original("pintafor")),
                ("polifor", b"", arnes.original("polifor"))):
            with self.subTest(programa=programa, entrada=entrada):
                self.assertEqual(self.ejecutar(programa, entrada).stdout, crlf(esperada))

    def test_a_file_longer_than_one_buffer_reaches_the_reads_whole(self):
        primera = b"Juan\r\n12345678-Z\r\n"
        entrada = primera + b" " * (4096 - len(primera)) + b"Ana\r\n87654321-X\r\n"
        self.assertEqual(self.ejecutar("garaxo", entrada).stdout, crlf(GARAXO))

    def test_lines_arriving_slowly_through_a_pipe_reach_the_reads_whole(self):
        proceso = subprocess.Popen(
            ["wine", ejecutable("garaxo")], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, env=dict(os.environ, WINEDEBUG="+process"),
            start_new_session=True)
        try:
            for linea in (b"A\r\n", b"B\r\n", b"C D\r\n", b"E F\r\n"):
                proceso.stdin.write(linea)
                proceso.stdin.flush()
                time.sleep(1.5)  # the pauses come and go while the pipe is empty
        except BrokenPipeError:
            pass  # the fourth word ends the program's reads: "E F" may find it gone
        salida, error = proceso.communicate(timeout=ESPERA)
        self.assertTerminaSinInterprete(proceso.returncode, error)
        self.assertEqual(salida, crlf(e2e_garaxo.sin_eco("A", "B", "C", "D")))


class Consola:
    """A program under Wine in a tmux pane of 80 by 24, on a tmux server of its own."""

    def __init__(self, orden: str):
        self.tmux = ["tmux", "-L", f"demos-{os.getpid()}-{time.monotonic_ns()}"]
        entorno = " ".join(f"{k}={os.environ[k]}" for k in ("WINEPREFIX", "WINEDEBUG")
                           if k in os.environ)
        subprocess.run(self.tmux + ["new-session", "-d", "-x", "80", "-y", "24",
                                    f"env {entorno} {orden}; echo estado=$?; sleep {ESPERA}"],
                       check=True)

    def pantalla(self) -> list:
        return subprocess.run(self.tmux + ["capture-pane", "-p"], capture_output=True, text=True,
                              check=True).stdout.split("\n")

    def hasta(self, condicion) -> list:
        """The pane's lines once `condicion(lines)` holds; fails if it never does."""
        limite = time.monotonic() + ESPERA
        while not condicion(lineas := self.pantalla()):
            if time.monotonic() > limite:
                raise AssertionError("the console never showed it:\n" + "\n".join(lineas))
            time.sleep(0.1)
        return lineas

    def lista(self):
        """Waits until Wine's console reads the keyboard: it takes the pane's terminal out of line
        mode at the program's first read, and keys typed before that are cooked by the terminal."""
        tty = subprocess.run(self.tmux + ["display", "-p", "#{pane_tty}"], capture_output=True,
                             text=True, check=True).stdout.strip()
        descriptor = os.open(tty, os.O_RDONLY | os.O_NOCTTY)
        try:
            limite = time.monotonic() + ESPERA
            while termios.tcgetattr(descriptor)[3] & termios.ICANON:
                if time.monotonic() > limite:
                    raise AssertionError("Wine's console never took the keyboard")
                time.sleep(0.1)
        finally:
            os.close(descriptor)

    def avisos(self, cuantos: int) -> list:
        return self.hasta(lambda lineas: sum(AVISO in l for l in lineas) == cuantos)

    def teclear(self, *teclas: str):
        subprocess.run(self.tmux + ["send-keys", *teclas], check=True)

    def cerrar(self):
        subprocess.run(self.tmux + ["kill-server"], check=False, stderr=subprocess.DEVNULL)


class EnConsola(unittest.TestCase):
    def abrir(self, orden: str) -> Consola:
        consola = Consola(orden)
        self.addCleanup(consola.cerrar)
        return consola

    def test_a_pause_waits_for_a_key_and_a_clear_puts_the_next_screen_at_the_top(self):
        consola = self.abrir(f"wine {ejecutable('polifor')}")
        for pantalla, tecla in ((e2e_polifor.PRIMERA, "x"), (e2e_polifor.SEGUNDA, "Escape"),
                                (e2e_polifor.TERCERA, "Enter")):
            arriba = pantalla.split("\n")[:3]
            lineas = consola.hasta(lambda lineas, arriba=arriba: lineas[:3] == arriba)
            if tecla != "Enter":
                lineas = consola.avisos(1)
                time.sleep(1)
                self.assertEqual(consola.pantalla(), lineas, "the pause did not wait")
            consola.teclear(tecla)
        consola.hasta(lambda lineas: "estado=0" in lineas)

    def test_with_output_redirected_the_prompt_stays_on_the_console_and_the_file_gets_the_screens(
            self):
        with tempfile.NamedTemporaryFile() as salida:
            consola = self.abrir(f"wine {ejecutable('garaxo')} > {salida.name}")
            consola.lista()
            consola.teclear("Juan 12345678-Z Ana", "Enter")  # "Ana" stays for screen 3
            consola.avisos(1)
            consola.teclear("Space")
            consola.avisos(2)
            consola.teclear("Space")
            time.sleep(1)  # the pause is over: this line is read by the program
            consola.teclear("87654321-X", "Enter")
            for cuantos in (3, 4):
                consola.avisos(cuantos)
                consola.teclear("q")
            consola.hasta(lambda lineas: "estado=0" in lineas)
            salida.seek(0)
            self.assertEqual(salida.read(), crlf(GARAXO))

    def test_ctrl_c_at_a_pause_ends_the_program_with_a_failure_status(self):
        consola = self.abrir(f"wine {ejecutable('pintafor')}")
        consola.avisos(1)
        consola.teclear("C-c")
        lineas = consola.hasta(lambda lineas: any(l.startswith("estado=") for l in lineas))
        self.assertNotIn("estado=0", lineas)


if __name__ == "__main__":
    unittest.main()
