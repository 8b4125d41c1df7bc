"""The guide's exercises and the check that learners run, in a plain build of a clean copy of the
tree, as a learner has it: each solution gives the screens its exercise promises and passes its
check, the unmodified code fails every check, and a bad attempt always gets an answer in time."""

import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import arnes

FUENTES = os.environ.get("FUENTES", os.path.join(os.path.dirname(__file__), ".."))
CMAKE = os.environ.get("CMAKE", "cmake")
GENERADOR = os.environ.get("GENERADOR", "")
LIMITE = 300.0  # seconds for any one build; the check's own limit on a program is 10
BIEN = "bien hecho"
MAL = "todavía no está bien"

copia = ""


def setUpModule():
    """One copy of the files git tracks, one plain configure and build: the exercises after it
    rebuild only what they change."""
    global copia
    copia = tempfile.mkdtemp(prefix="ejercicios-")
    listados = subprocess.run(["git", "-C", FUENTES, "ls-files", "-z"], capture_output=True,
                              check=True).stdout.decode().split("\0")
    for archivo in filter(None, listados):
        origen = os.path.join(FUENTES, archivo)
        if os.path.isfile(origen):  # a file deleted but not yet committed is not in the copy
            os.makedirs(os.path.dirname(os.path.join(copia, archivo)), exist_ok=True)
            shutil.copy(origen, os.path.join(copia, archivo))
    generador = ["-G", GENERADOR] if GENERADOR else []
    ejecutar([CMAKE, "-S", copia, "-B", os.path.join(copia, "build")] + generador, check=True)
    construir(check=True)


def tearDownModule():
    shutil.rmtree(copia, ignore_errors=True)


def ejecutar(orden, check=False, **kwargs) -> subprocess.CompletedProcess:
    resultado = subprocess.run(orden, cwd=copia, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               stdin=subprocess.DEVNULL, start_new_session=True, timeout=LIMITE,
                               check=False, **kwargs)
    if check and resultado.returncode != 0:
        raise AssertionError(f"{orden} failed:\n{resultado.stdout.decode(errors='replace')}")
    return resultado


def construir(*objetivos, check=False) -> subprocess.CompletedProcess:
    orden = [CMAKE, "--build", "build", "-j", "2"]
    for objetivo in objetivos:
        orden += ["--target", objetivo]
    return ejecutar(orden, check=check)


def comprobar(ejercicio: str) -> tuple:
    """The learner's check: its exit status and its whole output."""
    resultado = construir(f"comprobar-{ejercicio}")
    return resultado.returncode, resultado.stdout.decode(errors="replace")


def ejercicios() -> list:
    carpeta = os.path.join(copia, "ejercicios")
    return sorted(nombre[:-len(".salida")] for nombre in os.listdir(carpeta)
                  if nombre.endswith(".salida"))


def programa(ejercicio: str) -> str:
    return ejercicio.rsplit("-", 1)[0]


def entrada(ejercicio: str) -> bytes:
    ruta = os.path.join(copia, "ejercicios", programa(ejercicio) + ".entrada")
    if not os.path.exists(ruta):
        return b""
    with open(ruta, "rb") as fichero:
        return fichero.read()


def parche(ejercicio: str, *opciones):
    ejecutar(["git", "apply", *opciones, os.path.join("ejercicios", ejercicio + ".patch")],
             check=True)


class Soluciones(unittest.TestCase):
    def test_every_exercise_in_the_guide_has_a_patch_an_expected_output_and_nothing_else(self):
        with open(os.path.join(copia, "GUIA.md"), encoding="utf-8") as guia:
            en_la_guia = set(re.findall(r"--target comprobar-(\w+-\d+)", guia.read()))
        carpeta = os.listdir(os.path.join(copia, "ejercicios"))
        parches = {nombre[:-len(".patch")] for nombre in carpeta if nombre.endswith(".patch")}
        self.assertEqual(set(ejercicios()), en_la_guia)
        self.assertEqual(parches, en_la_guia)
        self.assertGreaterEqual(len(en_la_guia), 11)

    def test_each_solution_passes_its_check_and_the_program_itself_gives_the_promised_screens(self):
        for ejercicio in ejercicios():
            with self.subTest(ejercicio=ejercicio):
                parche(ejercicio)
                try:
                    fallo, salida = comprobar(ejercicio)
                    self.assertEqual(fallo, 0, salida)
                    self.assertIn(f"{ejercicio}: {BIEN}", salida)
                    # The real program, with its own console, run as CI or cron runs it.
                    construir(programa(ejercicio), check=True)
                    with tempfile.TemporaryFile() as fichero:
                        fichero.write(entrada(ejercicio))
                        fichero.seek(0)
                        real = subprocess.run(
                            [os.path.join(copia, "build", "bin", programa(ejercicio))],
                            stdin=fichero, capture_output=True, start_new_session=True,
                            timeout=arnes.ESPERA, check=False)
                    with open(os.path.join(copia, "ejercicios", ejercicio + ".salida"), "rb") as f:
                        self.assertEqual(real.stdout.decode(), f.read().decode())
                    self.assertEqual(real.returncode, 0)
                finally:
                    parche(ejercicio, "-R")

    def test_the_unmodified_code_fails_every_check(self):
        for ejercicio in ejercicios():
            with self.subTest(ejercicio=ejercicio):
                fallo, salida = comprobar(ejercicio)
                self.assertNotEqual(fallo, 0, salida)
                self.assertIn(f"{ejercicio}: {MAL}", salida)
                self.assertIn("Primera diferencia", salida)
                self.assertNotIn(BIEN, salida)

    def test_the_first_wrong_line_is_shown_numbered_with_what_was_expected_and_what_came(self):
        _, salida = comprobar("pintafor-1")
        self.assertIn("Primera diferencia, en la línea 14 de la salida:\n"
                      "  se esperaba: «El Circulo 2: radio 15 y color Negro»\n"
                      "  ha salido:   «El Circulo 2: radio 15 y color Blanco»\n", salida)

    def test_a_missing_line_is_told_apart_from_an_empty_one(self):
        _, salida = comprobar("polifor-3")  # expects one line more than the program writes
        self.assertIn("en la línea 12 de la salida:\n"
                      "  se esperaba: «Se destruye el Circulo de color Negro»\n"
                      "  ha salido:   (nada: la salida del programa termina antes)\n", salida)


class Comprobacion(unittest.TestCase):
    """Bad attempts, made by small edits of polifor's main.cpp, each undone afterwards."""

    MAIN = os.path.join("figure_demo", "main.cpp")

    def editar(self, cambio):
        ruta = os.path.join(copia, self.MAIN)
        with open(ruta, encoding="utf-8") as f:
            original = f.read()
        editado = cambio(original)
        self.assertNotEqual(editado, original, "the edit found nothing to change")

        def restaurar():
            with open(ruta, "w", encoding="utf-8") as f:
                f.write(original)
        self.addCleanup(restaurar)
        with open(ruta, "w", encoding="utf-8") as f:
            f.write(editado)

    def assertFallaATiempo(self, ejercicio: str, mensaje: str, segundos: float = 60.0) -> str:
        inicio = time.monotonic()
        fallo, salida = comprobar(ejercicio)
        self.assertLess(time.monotonic() - inicio, segundos, salida)
        self.assertNotEqual(fallo, 0, salida)
        self.assertIn(mensaje, salida)
        self.assertNotIn(BIEN, salida)
        return salida

    def test_at_a_terminal_the_check_neither_waits_nor_shows_a_pause(self):
        parche("garaxo-1")
        self.addCleanup(parche, "garaxo-1", "-R")
        construir("garaxo-comprobacion", check=True)
        terminal = arnes.Terminal(orden=[CMAKE, "--build", os.path.join(copia, "build"),
                                         "--target", "comprobar-garaxo-1"])
        self.addCleanup(terminal.cerrar)
        self.assertEqual(terminal.fin(plazo=60.0), 0, terminal.visto)
        self.assertIn(f"garaxo-1: {BIEN}".encode(), terminal.visto)
        self.assertNotIn(b"Pulsa una tecla", terminal.visto)

    def test_a_program_that_never_ends_is_stopped_after_ten_seconds(self):
        self.editar(lambda texto: texto.replace("std::getchar();", "for (;;) std::getchar();"))
        self.assertFallaATiempo("polifor-1", "El programa no ha terminado en 10 segundos")

    def test_a_crash_is_told_with_the_first_line_that_never_came(self):
        self.editar(lambda texto: re.sub(r"(fi\[2\] = new Circulo[^;]*;)", r"\1 fi[2] = nullptr;",
                                         texto))
        salida = self.assertFallaATiempo("polifor-1", "El programa ha terminado de forma anormal")
        self.assertIn("en la línea 3 de la salida:\n"
                      "  se esperaba: «El Circulo y color Rojo»\n", salida)

    def test_a_program_that_writes_without_end_is_stopped_and_only_the_start_is_shown(self):
        self.editar(lambda texto: texto.replace("std::getchar();",
                                                'for (;;) std::cout << "sin fin ";'))
        salida = self.assertFallaATiempo("polifor-3", "ha escrito mas de 64 KiB")
        self.assertIn("El programa ha terminado con el estado 3, no con 0.", salida)
        self.assertIn("en la línea 12 de la salida:\n"
                      "  se esperaba: «Se destruye el Circulo de color Negro»\n"
                      "  ha salido:   «" + "sin fin " * 12 + "sin ...»\n", salida)
        self.assertLess(len(salida), 4096)

    def test_an_attempt_that_does_not_compile_fails_with_the_compilers_message(self):
        self.editar(lambda texto: texto.replace("std::getchar();", "std::getchar() esto no;"))
        salida = self.assertFallaATiempo("polifor-1", "main.cpp")
        self.assertRegex(salida, r"(?i)error")
        self.assertNotIn(MAL, salida)  # the program was never run


if __name__ == "__main__":
    unittest.main()
