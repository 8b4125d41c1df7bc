"""The guide's exercises and the learners' check (ejercicios/comprobar.cpp), in clean copies of the
tracked files, as a learner has them.

- Ejercicio: one exercise (EJERCICIO=garaxo-1; all of them when unset): its patch applies exactly
  where it was made, the check says the untouched code has not changed yet, the check passes with
  the solution, and the real program, built with its system console, writes the .salida.
- Comprobacion: the check's answers to bad attempts, each a small edit in a copy.
- Direcciones: addresses compared as names, with tiny exercises made in a copy.
- Objetivos: the CMake targets of a plain build, the guide's no-CMake lines as written, and the
  guide naming exactly the exercises in ejercicios/."""

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
LIMITE = 300.0  # seconds for any one build or check; the check's own limit on a program is 10
BIEN = "bien hecho, la salida es la que espera el ejercicio."
MAL = "todavía no está bien."
SIN_CAMBIOS = "Lo que escribe el programa no ha cambiado todavía"
REHACER = "tools/ejercicios.sh rehacer"
MARCA_GUIA = "<!-- comprobar sin CMake: g++ -->"

# Each program's sources with the system console, as the real program is built.
FUENTES_PROGRAMA = {
    "garaxo": ["car_owner_demo/coche.cpp", "car_owner_demo/propietario.cpp",
               "car_owner_demo/main.cpp"],
    "pintafor": ["shape_demo/paleta.cpp", "shape_demo/figura.cpp", "shape_demo/formas.cpp",
                 "shape_demo/main.cpp"],
    "polifor": ["figure_demo/figura.cpp", "figure_demo/formas.cpp", "figure_demo/main.cpp",
                "shape_demo/paleta.cpp"],
}
PLATAFORMA = ["platform/texto.cpp", "platform/consola.cpp", "platform/consola_posix.cpp"]


def copia_limpia() -> str:
    """A temporary folder with the files git tracks, as they are in the working tree."""
    copia = tempfile.mkdtemp(prefix="ejercicios-")
    listados = subprocess.run(["git", "-C", FUENTES, "ls-files", "-z"], capture_output=True,
                              check=True).stdout.decode().split("\0")
    for archivo in filter(None, listados):
        origen = os.path.join(FUENTES, archivo)
        if os.path.isfile(origen):  # a file deleted but not yet committed is not in the copy
            os.makedirs(os.path.dirname(os.path.join(copia, archivo)), exist_ok=True)
            shutil.copy(origen, os.path.join(copia, archivo))
    return copia


def ejecutar(orden, cwd, check=False, **kwargs) -> subprocess.CompletedProcess:
    resultado = subprocess.run(orden, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               stdin=subprocess.DEVNULL, start_new_session=True, timeout=LIMITE,
                               check=False, **kwargs)
    if check and resultado.returncode != 0:
        raise AssertionError(f"{orden} failed:\n{resultado.stdout.decode(errors='replace')}")
    return resultado


def construir_comprobador(copia: str):
    """The guide's first line, in the copy."""
    ejecutar(["g++", "-std=c++17", "-I.", "-o", "comprobar", "ejercicios/comprobar.cpp",
              "platform/proceso_posix.cpp"], copia, check=True)


def comprobar(copia: str, ejercicio: str, *opciones) -> tuple:
    """The learner's check, run from the copy's root: its exit status and whole output."""
    programa, numero = ejercicio.rsplit("-", 1)
    resultado = ejecutar(["./comprobar", programa, numero, *opciones], copia)
    return resultado.returncode, resultado.stdout.decode()


def ejercicios() -> list:
    carpeta = os.path.join(FUENTES, "ejercicios")
    return sorted(nombre[:-len(".salida")] for nombre in os.listdir(carpeta)
                  if nombre.endswith(".salida"))


def leer(copia: str, ruta: str) -> str:
    with open(os.path.join(copia, ruta), encoding="utf-8") as archivo:
        return archivo.read()


def escribir(copia: str, ruta: str, texto: str):
    with open(os.path.join(copia, ruta), "w", encoding="utf-8") as archivo:
        archivo.write(texto)


def aplicar_exactamente(copia: str, ejercicio: str):
    """Applies the exercise's patch and fails unless every hunk lands where it was made."""
    parche = os.path.join("ejercicios", ejercicio + ".patch")
    orden = ["git", "apply", "-v", parche]
    resultado = ejecutar(orden, copia)
    dicho = resultado.stdout.decode(errors="replace")
    if resultado.returncode != 0 or re.search(r"(?i)offset|fuzz", dicho):
        raise AssertionError(f"{parche} does not apply exactly where it was made "
                             f"({' '.join(orden)}):\n{dicho}\nRemake it: {REHACER}")


DIRECCION = re.compile(r"(?<![0-9A-Za-z_])(0x[0-9a-fA-F]+|[0-9A-Fa-f]{16})(?![0-9A-Za-z_])")
MARCA = re.compile(r"\[dirección (\d+)\]")


def con_nombres(texto: str, patron: re.Pattern) -> str:
    """Every match named [dirección N], numbered by first appearance."""
    nombres = {}
    return patron.sub(lambda m: f"[dirección {nombres.setdefault(m.group(0), len(nombres) + 1)}]",
                      texto)


class Ejercicio(unittest.TestCase):
    """One exercise from start to end, in a copy of its own."""

    def una(self, ejercicio: str):
        programa, _ = ejercicio.rsplit("-", 1)
        copia = copia_limpia()
        self.addCleanup(shutil.rmtree, copia, True)
        construir_comprobador(copia)

        fallo, salida = comprobar(copia, ejercicio)
        self.assertEqual(fallo, 1, salida)
        self.assertIn(f"{ejercicio}: {MAL}\n{SIN_CAMBIOS}", salida)
        self.assertNotIn("se esperaba", salida)
        self.assertNotIn("«", salida)  # no line of the expected output

        aplicar_exactamente(copia, ejercicio)
        fallo, salida = comprobar(copia, ejercicio)
        self.assertEqual(fallo, 0, salida)
        self.assertTrue(salida.endswith(f"{ejercicio}: {BIEN}\n"), salida)

        # The real program, with the system's console, run as CI or cron runs it.
        ejecutar(["g++", "-std=c++17", "-I.", "-o", programa, *FUENTES_PROGRAMA[programa],
                  *PLATAFORMA], copia, check=True)
        entrada = os.path.join(copia, "ejercicios", programa + ".entrada")
        with open(entrada if os.path.exists(entrada) else os.devnull, "rb") as archivo:
            real = subprocess.run([os.path.join(copia, programa)], stdin=archivo,
                                  capture_output=True, start_new_session=True,
                                  timeout=arnes.ESPERA, check=False)
        self.assertEqual(real.returncode, 0, real.stderr)
        esperada = leer(copia, os.path.join("ejercicios", ejercicio + ".salida"))
        self.assertEqual(con_nombres(real.stdout.decode(), DIRECCION), con_nombres(esperada, MARCA))

    def test_the_exercise_applies_exactly_fails_untouched_and_passes_with_its_solution(self):
        pedido = os.environ.get("EJERCICIO")
        for ejercicio in [pedido] if pedido else ejercicios():
            with self.subTest(ejercicio=ejercicio):
                self.una(ejercicio)

    def test_a_patch_moved_by_a_few_lines_fails_with_its_name_and_how_to_remake_it(self):
        copia = copia_limpia()
        self.addCleanup(shutil.rmtree, copia, True)
        ruta = os.path.join("figure_demo", "main.cpp")
        escribir(copia, ruta, "// uno\n// dos\n" + leer(copia, ruta))
        with self.assertRaises(AssertionError) as fallo:
            aplicar_exactamente(copia, "polifor-4")
        self.assertIn("ejercicios/polifor-4.patch", str(fallo.exception))
        self.assertIn("git apply -v", str(fallo.exception))
        self.assertIn(REHACER, str(fallo.exception))


class ConCopia(unittest.TestCase):
    """One clean copy with the checker built in it, for the tests of a class."""

    copia = ""

    @classmethod
    def setUpClass(cls):
        cls.copia = copia_limpia()
        construir_comprobador(cls.copia)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.copia, ignore_errors=True)


class Comprobacion(ConCopia):
    """Bad attempts, made by small edits of one copy, each undone afterwards."""

    def editar(self, ruta: str, antes: str, despues: str) -> int:
        """Replaces the first `antes` in a file of the copy until the test ends; returns the
        number of the line where the edit starts."""
        original = leer(self.copia, ruta)
        self.assertIn(antes, original, "the edit found nothing to change")
        self.addCleanup(escribir, self.copia, ruta, original)
        escribir(self.copia, ruta, original.replace(antes, despues, 1))
        return original[:original.index(antes)].count("\n") + 1

    def parche(self, ejercicio: str):
        ejecutar(["git", "apply", os.path.join("ejercicios", ejercicio + ".patch")], self.copia,
                 check=True)
        self.addCleanup(ejecutar, ["git", "apply", "-R",
                                   os.path.join("ejercicios", ejercicio + ".patch")], self.copia,
                        True)

    def mal(self, ejercicio: str, *opciones, segundos: float = 60.0) -> str:
        inicio = time.monotonic()
        fallo, salida = comprobar(self.copia, ejercicio, *opciones)
        self.assertLess(time.monotonic() - inicio, segundos, salida)
        self.assertEqual(fallo, 1, salida)
        self.assertIn(f"{ejercicio}: {MAL[:-1]}", salida)
        self.assertNotIn(BIEN, salida)
        return salida

    def test_a_wrong_line_is_named_by_screen_and_line_with_what_was_expected_and_what_came(self):
        self.parche("garaxo-3")  # the colour changed on a copy: screen 2 keeps «Rojo»
        salida = self.mal("garaxo-1")
        self.assertIn("Primera diferencia, en la pantalla 2, línea 6:\n"
                      "  se esperaba: «COCHE 2 Matricula: 3131-SBC Modelo: Audi A3 Color: Rosa»\n"
                      "  ha salido:   «COCHE 2 Matricula: 3131-SBC Modelo: Audi A3 Color: Rojo»\n",
                      salida)
        self.assertTrue(salida.endswith("Color: Rojo»\n"), salida)

    def test_lines_typed_at_a_prompt_count_as_a_terminal_shows_them(self):
        # "Introduce el nombre: Juan" is line 1 of screen 1, so the DNI prompt is line 2.
        self.editar("car_owner_demo/main.cpp", '"Introduce el DNI (01234567-z): "',
                    '"Introduce tu DNI: "')
        # A hint may name the whole line of the output, as a .salida writes it.
        pistas = os.path.join("ejercicios", "garaxo-1.pistas")
        self.addCleanup(os.remove, os.path.join(self.copia, pistas))
        escribir(self.copia, pistas, "# a test's hint\n\nsale: Introduce el nombre: "
                                     "Introduce tu DNI: \npista: Deja la pregunta como estaba.\n")
        salida = self.mal("garaxo-1")
        self.assertIn("en la pantalla 1, línea 2:\n"
                      "  se esperaba: «Introduce el DNI (01234567-z): »\n"
                      "  ha salido:   «Introduce tu DNI: »\n"
                      "Pista: Deja la pregunta como estaba.\n", salida)

    def test_a_missing_line_is_told_apart_from_an_empty_one(self):
        self.editar("figure_demo/main.cpp", "for (int i = 0; i < 3; ++i) fi[i]->setColor(9);",
                    "return 0;")
        salida = self.mal("polifor-1")
        self.assertIn("en la pantalla 3, línea 1:\n"
                      "  se esperaba: «El Triangulo y color Rosa»\n"
                      "  ha salido:   (nada: la salida del programa termina antes)\n", salida)

    def test_a_known_wrong_answer_gets_its_hint(self):
        self.parche("polifor-4")
        self.editar("figure_demo/main.cpp", "Figura copia = *fi[2];", "Figura& copia = *fi[2];")
        salida = self.mal("polifor-4")
        self.assertIn("en la pantalla 3, línea 4:\n"
                      "  se esperaba: «La copia: El Circulo y color Rosa»\n"
                      "  ha salido:   «La copia: El Circulo y color Negro»\n"
                      "Pista: Con «Figura& copia» (o un puntero) no hay copia", salida)

    def test_an_invalid_memory_access_is_explained_with_the_first_line_that_never_came(self):
        self.editar("figure_demo/main.cpp", 'fi[2] = new Circulo("Rojo", 14.0F);',
                    'fi[2] = nullptr;')
        salida = self.mal("polifor-1")
        self.assertIn("El programa ha terminado de forma anormal (señal 11, SIGSEGV): ha intentado "
                      "usar memoria que no es suya. Suele ser un puntero nulo", salida)
        self.assertIn("un índice que se sale del final de un array", salida)
        self.assertIn("en la pantalla 1, línea 3:\n"
                      "  se esperaba: «El Circulo y color Rojo»\n"
                      "  ha salido:   (nada: la salida del programa termina antes)\n", salida)

    def test_an_abort_is_explained(self):
        self.editar("figure_demo/main.cpp", "std::getchar();", "std::abort();")
        salida = self.mal("polifor-1")
        self.assertIn("(señal 6, SIGABRT): se ha detenido a sí mismo (abort)", salida)

    def test_a_program_that_never_ends_is_stopped_after_ten_seconds(self):
        self.editar("figure_demo/main.cpp", "std::getchar();", "for (;;) std::getchar();")
        salida = self.mal("polifor-1", segundos=40)
        self.assertIn("El programa no ha terminado en 10 segundos y se ha detenido. Suele ser un "
                      "bucle que no acaba nunca, o una lectura que espera una entrada", salida)
        self.assertNotIn(SIN_CAMBIOS, salida)  # its output is the untouched one, but it changed

    def test_a_program_that_writes_without_end_is_stopped_and_only_the_start_is_shown(self):
        self.editar("figure_demo/main.cpp", "std::getchar();",
                    'for (;;) std::cout << "sin fin ";')
        salida = self.mal("polifor-3")
        self.assertIn("El programa ha terminado con el estado 3, no con 0.", salida)
        self.assertIn("El programa ha escrito en la salida de errores:\n"
                      "  El programa ha escrito mas de 64 KiB", salida)
        self.assertIn("en la pantalla 3, línea 4:\n"
                      "  se esperaba: «Se destruye el Circulo de color Negro»\n"
                      "  ha salido:   «" + "sin fin " * 12 + "sin ...»\n", salida)
        self.assertLess(len(salida), 4096)

    def test_each_common_compiler_error_is_explained_with_its_file_and_line(self):
        ruta = "figure_demo/main.cpp"
        casos = [
            ("punto y coma", "imprimir(fi);\n", "imprimir(fi)\n",
             "Falta un punto y coma (;)"),
            ("no declarado", "imprimir(fi);", "imprimirr(fi);",
             "Se usa un nombre que el compilador no conoce"),
            ("sin función", "imprimir(fi);", "imprimir(fi, 2);",
             "Ninguna función con ese nombre acepta esos argumentos"),
            ("conversión", "imprimir(fi);", "int x = fi[0]; imprimir(fi);",
             "Se da un valor de un tipo donde hace falta otro"),
            ("sin miembro", "imprimir(fi);", "fi[0]->getColour(); imprimir(fi);",
             "La clase no tiene ningún miembro con ese nombre"),
            ("paréntesis", "imprimir(fi);", "imprimir(fi;",
             "Falta cerrar una llave «}» o un paréntesis «)»"),
            ("override", "namespace {", "struct Mal : Figura { void setColor(long color) override; "
             "};\nnamespace {", "Una función marcada con override no redefine ninguna"),
        ]
        compiladores = [c for c in ("g++", "clang++") if shutil.which(c)]
        original = leer(self.copia, ruta)
        self.addCleanup(escribir, self.copia, ruta, original)
        for nombre, antes, despues, explicacion in casos:
            self.assertIn(antes, original)
            linea = original[:original.index(antes)].count("\n") + 1
            escribir(self.copia, ruta, original.replace(antes, despues, 1))
            for compilador in compiladores:
                with self.subTest(error=nombre, compilador=compilador):
                    salida = self.mal("polifor-1", "--compilador", compilador)
                    self.assertIn("El compilador dice:\n", salida)
                    final = salida[salida.index("polifor-1: todavía no está bien: el programa "
                                                "no compila.\n"):]
                    self.assertIn(explicacion, final)
                    self.assertIn(f"Mira {ruta}, línea {linea}.", final)
                    self.assertNotIn("se esperaba", salida)

    def test_one_error_made_three_times_is_explained_once_with_its_three_places(self):
        ruta = "figure_demo/main.cpp"
        original = leer(self.copia, ruta)
        self.addCleanup(escribir, self.copia, ruta, original)
        escribir(self.copia, ruta, original.replace("imprimir(fi);", "imprimir(fi)"))
        lineas = [n + 1 for n, texto in enumerate(original.splitlines())
                  if texto.strip() == "imprimir(fi);"]
        self.assertEqual(len(lineas), 3)
        salida = self.mal("polifor-1")
        self.assertEqual(salida.count("Falta un punto y coma"), 1, salida)
        self.assertIn(f"Mira {ruta}, línea {lineas[0]}. También en {ruta}, línea {lineas[1]} y "
                      f"{ruta}, línea {lineas[2]}.\n", salida)

    def test_a_missing_brace_and_a_missing_body_are_explained(self):
        self.editar("figure_demo/main.cpp", "    return consola::estadoDeSalida();\n}",
                    "    return consola::estadoDeSalida();\n")
        salida = self.mal("polifor-1")
        self.assertIn("- Falta cerrar una llave «}» o un paréntesis «)»", salida)
        self.assertIn("Mira figure_demo/main.cpp, línea ", salida)
        self.doCleanups()
        self.editar("figure_demo/main.cpp", "namespace {", "void falta();\nnamespace {")
        self.editar("figure_demo/main.cpp", "std::getchar();", "falta();")
        salida = self.mal("polifor-1")
        self.assertIn("- El programa se compila, pero al enlazarlo falta el cuerpo de una función",
                      salida)

    def test_an_error_not_recognized_gets_the_general_advice_with_its_place(self):
        linea = self.editar("figure_demo/main.cpp", "std::getchar();", "std::getchar(); 3 = 4;")
        salida = self.mal("polifor-1")
        self.assertTrue(salida.endswith("Lee arriba la primera línea que dice «error»: empieza por "
                                        "el archivo y el número de línea donde el compilador ha "
                                        "visto el fallo, y el fallo suele estar en esa línea o "
                                        f"poco antes. Mira figure_demo/main.cpp, línea {linea}.\n"),
                        salida)

    def test_cl_gets_its_own_command_line_and_its_messages_are_explained(self):
        # A stand-in for Visual Studio's cl, named cl: it checks the command line it is given and
        # answers as cl does, on its standard output.
        carpeta = tempfile.mkdtemp(prefix="cl-")
        self.addCleanup(shutil.rmtree, carpeta, True)
        cl = os.path.join(carpeta, "cl")
        with open(cl, "w", encoding="utf-8") as archivo:
            archivo.write(
                "#!/bin/sh\n"
                'case "$*" in "/nologo /std:c++17 /EHsc /utf-8 /I. /Fe"*" /Fo"*"\\ '
                'figure_demo/figura.cpp figure_demo/formas.cpp figure_demo/main.cpp '
                'shape_demo/paleta.cpp platform/texto.cpp platform/consola.cpp '
                'platform/consola_comprobacion.cpp") ;;\n'
                '  *) echo "unexpected: $*"; exit 9 ;; esac\n'
                "printf '%s\\n' 'main.cpp'\n"
                "printf '%s\\n' 'figure_demo\\main.cpp(30): error C2065: \"fx\": undeclared identifier'\n"
                "printf '%s\\n' 'figure_demo\\main.cpp(31): error C2143: syntax error: missing \";\" "
                "before \"}\"'\n"
                "exit 2\n")
        os.chmod(cl, 0o755)
        salida = self.mal("polifor-1", "--compilador", cl)
        self.assertNotIn("unexpected", salida)
        self.assertIn("- Se usa un nombre que el compilador no conoce en ese punto", salida)
        self.assertIn("Mira figure_demo\\main.cpp, línea 30.", salida)


class Direcciones(ConCopia):
    """Tiny exercises in a copy: a .salida with placeholders, and a polifor that prints
    addresses."""

    def probar(self, imprime: str, esperada: str) -> tuple:
        """polifor-19, whose main prints `imprime` (C++ stream operands), against `esperada`."""
        escribir(self.copia, "figure_demo/main.cpp",
                 '#include <iostream>\nint main()\n{\n    int a = 0;\n    int b = 0;\n'
                 f'    std::cout << {imprime};\n    return 0;\n}}\n')
        escribir(self.copia, "ejercicios/polifor-19.salida", esperada)
        return comprobar(self.copia, "polifor-19")

    def test_the_same_addresses_where_the_same_placeholders_stand_pass(self):
        fallo, salida = self.probar(
            '"a " << &a << "\\nb " << &b << "\\nde nuevo a " << &a << "\\n"'
            ' << "fijo 00007FF6A1B2C3D4 y 00007FF6A1B2C3D4\\n"',
            "a [dirección 7]\nb [dirección 3]\nde nuevo a [dirección 7]\n"
            "fijo [dirección 1] y [dirección 1]\n")
        self.assertEqual(fallo, 0, salida)
        self.assertTrue(salida.endswith(f"polifor-19: {BIEN}\n"), salida)

    def test_different_addresses_where_the_same_placeholder_stands_fail(self):
        fallo, salida = self.probar('"a " << &a << "\\nde nuevo a " << &b << "\\n"',
                                    "a [dirección 1]\nde nuevo a [dirección 1]\n")
        self.assertEqual(fallo, 1, salida)
        self.assertIn("en la pantalla 1, línea 2:\n"
                      "  se esperaba: «de nuevo a [dirección 1]»\n"
                      "  ha salido:   «de nuevo a [dirección 2]»\n"
                      "  tal cual:    «de nuevo a 0x", salida)
        self.assertIn("[dirección 1], [dirección 2]... están en lugar de las direcciones de "
                      "memoria que escribe el programa", salida)

    def test_the_same_address_where_different_placeholders_stand_fails(self):
        fallo, salida = self.probar('"a " << &a << " b " << &a << "\\n"',
                                    "a [dirección 1] b [dirección 2]\n")
        self.assertEqual(fallo, 1, salida)
        self.assertIn("  se esperaba: «a [dirección 1] b [dirección 2]»\n"
                      "  ha salido:   «a [dirección 1] b [dirección 1]»\n", salida)

    def test_more_addresses_than_expected_fail(self):
        fallo, salida = self.probar('"a " << &a << "\\n" << &b << "\\n"',
                                    "a [dirección 1]\nfin\n")
        self.assertEqual(fallo, 1, salida)
        self.assertIn("en la pantalla 1, línea 2:\n"
                      "  se esperaba: «fin»\n"
                      "  ha salido:   «[dirección 2]»\n", salida)

    def test_fewer_addresses_than_expected_fail(self):
        fallo, salida = self.probar('"a " << &a << "\\n"', "a [dirección 1] [dirección 2]\n")
        self.assertEqual(fallo, 1, salida)
        self.assertIn("  se esperaba: «a [dirección 1] [dirección 2]»\n"
                      "  ha salido:   «a [dirección 1]»\n", salida)


class Objetivos(unittest.TestCase):
    """The ways a learner runs the check: CMake's targets, and the guide's two lines."""

    def test_the_targets_of_a_plain_build_check_at_a_terminal_without_waiting(self):
        copia = copia_limpia()
        self.addCleanup(shutil.rmtree, copia, True)
        generador = ["-G", GENERADOR] if GENERADOR else []
        ejecutar([CMAKE, "-S", copia, "-B", os.path.join(copia, "build")] + generador, copia,
                 check=True)
        # A number with no exercise yet has a target all the same, which says so.
        resultado = ejecutar([CMAKE, "--build", "build", "--target", "comprobar-polifor-20"],
                             copia)
        self.assertNotEqual(resultado.returncode, 0)
        self.assertIn("polifor-20: no hay ningún ejercicio 20 de polifor",
                      resultado.stdout.decode())
        aplicar_exactamente(copia, "garaxo-1")
        terminal = arnes.Terminal(orden=[CMAKE, "--build", os.path.join(copia, "build"),
                                         "--target", "comprobar-garaxo-1"])
        self.addCleanup(terminal.cerrar)
        self.assertEqual(terminal.fin(plazo=120.0), 0, terminal.visto)
        self.assertIn(f"garaxo-1: {BIEN}".encode(), terminal.visto)
        self.assertNotIn(b"Pulsa una tecla", terminal.visto)

    def test_every_exercise_in_the_guide_has_a_patch_an_expected_output_and_nothing_else(self):
        with open(os.path.join(FUENTES, "GUIA.md"), encoding="utf-8") as guia:
            en_la_guia = set(re.findall(r"--target comprobar-(\w+-\d+)", guia.read()))
        carpeta = os.listdir(os.path.join(FUENTES, "ejercicios"))
        parches = {nombre[:-len(".patch")] for nombre in carpeta if nombre.endswith(".patch")}
        pistas = {nombre[:-len(".pistas")] for nombre in carpeta if nombre.endswith(".pistas")}
        self.assertEqual(set(ejercicios()), en_la_guia)
        self.assertEqual(parches, en_la_guia)
        self.assertLessEqual(pistas, en_la_guia)
        self.assertGreaterEqual(len(en_la_guia), 11)

    def test_the_guides_lines_without_cmake_run_as_written(self):
        copia = copia_limpia()
        self.addCleanup(shutil.rmtree, copia, True)
        guia = leer(copia, "GUIA.md")
        if MARCA_GUIA not in guia:
            self.skipTest(f"GUIA.md has no block marked {MARCA_GUIA}")
        bloque = re.match(r"\s*```\w*\n(.*?)```", guia[guia.index(MARCA_GUIA) + len(MARCA_GUIA):],
                          re.S)
        self.assertIsNotNone(bloque, "no code block after the mark")
        self.assertIn("./comprobar garaxo 1", bloque.group(1))
        aplicar_exactamente(copia, "garaxo-1")
        resultado = ejecutar(["sh", "-e", "-c", bloque.group(1)], copia)
        salida = resultado.stdout.decode()
        self.assertEqual(resultado.returncode, 0, salida)
        self.assertTrue(salida.endswith(f"garaxo-1: {BIEN}\n"), salida)


if __name__ == "__main__":
    unittest.main()
