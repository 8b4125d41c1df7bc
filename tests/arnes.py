"""Runs a built program the two ways a learner does: fed from a file with no terminal at all, and
at a keyboard, on a pseudo-terminal that is the program's controlling terminal."""

import fcntl
import os
import re
import resource
import select
import shlex
import signal
import subprocess
import tempfile
import termios
import time
import sys
import unittest
from pathlib import Path

PROGRAMA = os.environ.get("PROGRAMA", "")
ENVOLTORIO = shlex.split(os.environ.get("ENVOLTORIO", ""))  # such as valgrind and its options
BORRADO = b"\x1b[H\x1b[2J\x1b[3J"
ESPERA = 120.0 if ENVOLTORIO else 10.0  # seconds before a missing output counts as a failure


# Where a program prints an address (0x and hex digits, or MSVC's 16 hex digits), an expected output
# writes a placeholder, [dirección N]: the same number, the same address.
MARCADOR = re.compile(r"\[dirección (\d+)\]")
DIRECCION = r"(?:0x[0-9a-fA-F]+|[0-9a-fA-F]{16})"
RAIZ = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(RAIZ / "tools"))
import comun  # noqa: E402  (what the tools read of the tree, the tests read through it too)

CARPETAS = comun.carpetas(RAIZ)


def con_nombres(texto: str) -> str:
    """Every address and every placeholder renamed [dirección N], numbered by first appearance:
    a program's output and its expected one compare equal when the same ones stand together."""
    nombres = {}
    patron = re.compile(f"(?<![0-9A-Za-z_]){DIRECCION}(?![0-9A-Za-z_])|{MARCADOR.pattern}")
    return patron.sub(lambda m: f"[dirección {nombres.setdefault(m.group(0), len(nombres) + 1)}]",
                      texto)


def original(programa: str) -> str:
    """A program's output with no terminal, as ejercicios/<programa>.original writes it by hand."""
    return (RAIZ / "ejercicios" / f"{programa}.original").read_text(encoding="utf-8")


def pantallas(programa: str, primera: str) -> list:
    """Its .original cut before each line that starts with `primera`: its screens, each one a
    pause ends at a terminal."""
    return re.split(f"(?m)^(?={re.escape(primera)})", original(programa))[1:]


def crlf(texto: str) -> bytes:
    """Each line break as CR LF: a text as a terminal shows it (its output processing does that),
    and as a Windows program writes it in text mode."""
    return texto.replace("\n", "\r\n").encode()


def ejecutar(entrada: bytes, stdout=subprocess.PIPE, orden=None, espera=ESPERA,
             **opciones) -> subprocess.CompletedProcess:
    """The program, or `orden`: input from a file, a new session with no controlling terminal, as
    under CI or cron."""
    with tempfile.TemporaryFile() as fichero:
        fichero.write(entrada)
        fichero.seek(0)
        return subprocess.run(orden or ENVOLTORIO + [PROGRAMA], stdin=fichero, stdout=stdout,
                              stderr=subprocess.PIPE, start_new_session=True, timeout=espera,
                              check=False, **opciones)


class CasoSinTerminal(unittest.TestCase):
    def assertTranscripcion(self, entrada: bytes, esperada: str):
        """`esperada` may carry bytes that are not UTF-8 as surrogate escapes."""
        resultado = ejecutar(entrada)
        self.maxDiff = None
        self.assertEqual(resultado.stdout.decode("utf-8", "surrogateescape"), esperada,
                         "the program's output (-) against its screens, ejercicios/<programa>."
                         "original, for this input (+): line by line")
        self.assertEqual(resultado.stderr, b"")
        self.assertEqual(resultado.returncode, 0)

    def assertFallaSinPoderEscribir(self, entrada: bytes = b""):
        with open("/dev/full", "wb") as lleno:
            resultado = ejecutar(entrada, stdout=lleno)
        self.assertEqual(resultado.returncode, 1)
        self.assertEqual(resultado.stderr, "No se pudo escribir la salida estandar.\n".encode())


class Terminal:
    """The program on a pseudo-terminal: its controlling terminal, and by default its standard
    input and output too."""

    def __init__(self, stdin=None, stdout=None, orden=None, ignoradas=()):
        """`orden` runs instead of the program (a shell, say); `ignoradas` are signals that it
        starts with ignored, as under nohup."""
        self.maestro, self.esclavo = os.openpty()
        self.ajustes_iniciales = termios.tcgetattr(self.esclavo)
        esclavo = self.esclavo

        def tomar_terminal():
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))  # SIGQUIT must not leave a core file
            fcntl.ioctl(esclavo, termios.TIOCSCTTY, 0)
            for senal in ignoradas:
                signal.signal(senal, signal.SIG_IGN)

        self.proceso = subprocess.Popen(
            orden or [PROGRAMA], stdin=esclavo if stdin is None else stdin,
            stdout=esclavo if stdout is None else stdout, stderr=esclavo,
            start_new_session=True, preexec_fn=tomar_terminal, pass_fds=(esclavo,))
        self.visto = b""

    def cerrar(self):
        if self.proceso.poll() is None:
            self.proceso.kill()
            self.proceso.wait()
        os.close(self.maestro)
        os.close(self.esclavo)

    def _leer(self, plazo: float) -> bool:
        listo, _, _ = select.select([self.maestro], [], [], max(0.0, plazo))
        if not listo:
            return False
        try:
            trozo = os.read(self.maestro, 4096)
        except OSError:
            return False
        self.visto += trozo
        return bool(trozo)

    def hasta(self, texto: bytes) -> bytes:
        """What the terminal showed up to and including `texto`; fails if it never comes."""
        limite = time.monotonic() + ESPERA
        while texto not in self.visto:
            if not self._leer(limite - time.monotonic()) and time.monotonic() >= limite:
                raise AssertionError(f"never shown: {texto!r}; shown: {self.visto!r}")
        fin = self.visto.index(texto) + len(texto)
        mostrado, self.visto = self.visto[:fin], self.visto[fin:]
        return mostrado

    def quieto(self, segundos: float = 0.5) -> bool:
        """True when the program shows nothing more and is still running for that long."""
        limite = time.monotonic() + segundos
        while time.monotonic() < limite:
            if self._leer(limite - time.monotonic()):
                return False
        return self.proceso.poll() is None and self.visto == b""

    def teclear(self, teclas: bytes):
        os.write(self.maestro, teclas)

    def fin(self, plazo: float = ESPERA) -> int:
        self.proceso.wait(timeout=plazo)
        while self._leer(0.1):
            pass
        return self.proceso.returncode

    def modo(self):
        return termios.tcgetattr(self.esclavo)[3]


class CasoEnTerminal(unittest.TestCase):
    AVISO = b"Pulsa una tecla para continuar . . . "

    def abrir(self, **kwargs) -> Terminal:
        terminal = Terminal(**kwargs)
        self.addCleanup(terminal.cerrar)
        return terminal

    def assertEsperaEnPausa(self, terminal: Terminal):
        """At a pause: the prompt is shown, and nothing happens until a key, read with no echo."""
        terminal.hasta(self.AVISO)
        self.assertTrue(terminal.quieto(), "the pause did not wait for a key")
        self.assertEqual(terminal.modo() & (termios.ICANON | termios.ECHO), 0,
                         "the pause reads whole lines")

    def assertPausaEspera(self, terminal: Terminal, tecla: bytes = b" "):
        """A pause waits for a key, then the screen clears."""
        self.assertEsperaEnPausa(terminal)
        terminal.teclear(tecla)
        terminal.hasta(b"\r\n")  # the pause ends its prompt's line...
        terminal.hasta(BORRADO)  # ...and the clear comes after it

    def assertPantallas(self, terminal: Terminal, *pantallas: str):
        """Each screen shown whole and alone, in order, a pause that waits and clears after each
        but the last."""
        for n, pantalla in enumerate(pantallas):
            if n:
                self.assertPausaEspera(terminal)
            self.assertEqual(terminal.hasta(crlf(pantalla)), crlf(pantalla))

    def assertTerminalComoAntes(self, terminal: Terminal):
        self.assertEqual(termios.tcgetattr(terminal.esclavo), terminal.ajustes_iniciales)

    def en_pausa(self, **kwargs) -> Terminal:
        """The program started as `abrir` starts it, waiting at its first pause."""
        terminal = self.abrir(**kwargs)
        self.preparar_pausa(terminal)
        self.assertEsperaEnPausa(terminal)
        return terminal

    def assertSenalRestauraTerminal(self, senal: int, con_tecla: bytes = b""):
        terminal = self.en_pausa()
        if con_tecla:
            terminal.teclear(con_tecla)
        else:
            terminal.proceso.send_signal(senal)
        self.assertEqual(terminal.fin(), -senal)
        self.assertTerminalComoAntes(terminal)

    def preparar_pausa(self, terminal: Terminal):
        """Brings the program to its first pause; each program's tests say how."""

    def test_a_signal_at_a_pause_puts_the_terminal_back_before_the_program_dies(self):
        self.assertSenalRestauraTerminal(signal.SIGINT, con_tecla=b"\x03")  # Ctrl-C
        for senal in (signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGUSR1, signal.SIGUSR2,
                      signal.SIGALRM, signal.SIGVTALRM, signal.SIGPROF, signal.SIGPIPE,
                      signal.SIGRTMIN):
            with self.subTest(senal=senal):
                self.assertSenalRestauraTerminal(senal)

    def test_a_signal_ignored_by_the_caller_stays_ignored_at_a_pause(self):
        terminal = self.en_pausa(ignoradas=(signal.SIGUSR1,))
        terminal.proceso.send_signal(signal.SIGUSR1)
        self.assertTrue(terminal.quieto(), "an ignored signal ended the pause or the program")
        terminal.teclear(b" ")
        terminal.hasta(b"\r\n")
