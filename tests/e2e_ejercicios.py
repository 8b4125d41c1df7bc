"""The guide's exercises and the learners' check (comprobador/comprobar.cpp), in clean copies of the
tracked files, as a learner has them. The check's parts are unit-tested on recorded output
(comprobador_test.cpp); here each kind of answer is seen once from a real attempt.

- Ejercicio: one exercise (EJERCICIO=garaxo-1; all of them when unset): its patch applies exactly
  where it was made, the real program, built by the guide's g++ line, writes its salida.txt, and its
  VPL activity, graded as Moodle's VPL grades it, passes the solution, says the untouched code has
  not changed yet and shows each hint after the wrong attempt it describes.
- Comprobacion: the check's answers to bad attempts, each a small edit in a copy.
- Guia: the guide's compile lines and IDE table name exactly each program's sources.
- Objetivos: the CMake targets of a plain build, and the guide naming exactly the exercises in
  ejercicios/.
- Vpl: a VPL activity against cheats and misbehaving programs, set up wrong, and run at a
  terminal."""

import glob
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

import arnes
import comun
from comun import bloque_de_la_guia

FUENTES = os.environ.get("FUENTES", os.path.join(os.path.dirname(__file__), ".."))
CMAKE = os.environ.get("CMAKE", "cmake")
GENERADOR = os.environ.get("GENERADOR", "")
LIMITE = 300.0  # seconds for any one build or check; the check's own limit on a program is 10
BIEN = "bien hecho, la salida es la que espera el ejercicio."
MAL = "todavía no está bien."
SIN_CAMBIOS = "Lo que escribe el programa no ha cambiado todavía"
MARCA_GUIA = "<!-- comprobar sin CMake: g++ -->"
PROGRAMAS = list(arnes.CARPETAS)

# What every program takes from platform/, beside its console: one source per system.
PLATAFORMA = ["platform/texto.cpp", "platform/consola.cpp"]
CONSOLA = {"g++": "platform/consola_posix.cpp", "mingw": "platform/consola_windows.cpp",
           "cl": "platform/consola_windows.cpp"}


def temporal(limpiar, prefijo: str) -> str:
    """A temporary folder, removed by `limpiar` (a test's addCleanup or a class's addClassCleanup)."""
    carpeta = tempfile.mkdtemp(prefix=prefijo)
    limpiar(shutil.rmtree, carpeta, True)
    return carpeta


def copia_limpia(limpiar) -> str:
    return comun.copia_limpia(FUENTES, limpiar)


def ejecutar(orden, cwd, check=False, **kwargs) -> subprocess.CompletedProcess:
    resultado = subprocess.run(orden, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               stdin=subprocess.DEVNULL, start_new_session=True, timeout=LIMITE,
                               check=False, **kwargs)
    if check and resultado.returncode != 0:
        raise AssertionError(f"{orden} failed:\n{resultado.stdout.decode(errors='replace')}")
    return resultado


def objetos_hechos(carpeta: str) -> dict:
    """Each object file under the folder, with the time it was made."""
    return {o: os.path.getmtime(o) for o in glob.glob(f"{carpeta}/**/*.o", recursive=True)}


def leer(copia: str, ruta: str) -> str:
    return Path(copia, ruta).read_text(encoding="utf-8")


def escribir(copia: str, ruta: str, texto: str):
    Path(copia, ruta).write_text(texto, encoding="utf-8")


def linea_de(texto: str, buscado: str) -> int:
    """The number of the line where `buscado` first starts in `texto`."""
    return texto[:texto.index(buscado)].count("\n") + 1


def aplicar_exactamente(copia: str, ejercicio: str):
    """Applies the exercise's patch, once tools/ejercicios.py finds it exactly where it was made."""
    parche = os.path.join("ejercicios", ejercicio, "solucion.patch")
    ejecutar(["tools/ejercicios.py", "comprobar", parche], copia, check=True)
    ejecutar(["git", "apply", parche], copia, check=True)


def assertEscribe(caso: unittest.TestCase, copia: str, programa: str, archivo: str,
                  ejecutable: str = ""):
    """The program built in the copy (as `ejecutable` there, or under its name), on its
    exercises' input as CI or cron runs it, writes ejercicios/<archivo> and ends well."""
    entrada = Path(copia, "ejercicios", programa + ".entrada")
    real = arnes.ejecutar(entrada.read_bytes() if entrada.exists() else b"",
                          orden=[os.path.join(copia, ejecutable or programa)])
    caso.assertEqual(real.returncode, 0, real.stderr)
    caso.maxDiff = None
    caso.assertEqual(arnes.con_nombres(real.stdout.decode()),
                     arnes.con_nombres(leer(copia, "ejercicios/" + archivo)),
                     f"the program's output (-) against ejercicios/{archivo} (+), addresses as names")


class EnVpl(unittest.TestCase):
    """Exercises as VPL activities (tools/vpl.py), graded as VPL's execution server grades them, as
    root would with a learner's evaluation: a fresh folder of its execution files and the
    learner's, owned by a user no other process has, VPL's variables; vpl_evaluate.sh, then every
    execution file deleted (VPL's default keeps none), then vpl_execution, each under a
    pseudo-terminal of root's in raw mode and C.UTF-8, as that user. What they hold in memory
    together is summed as VPL sums it (each one's peak), and nothing may be left running."""
    MEMORIA = 128 * 1024 * 1024  # VPL's default limit

    @classmethod
    def setUpClass(cls):
        cls.actividades = temporal(cls.addClassCleanup, "vpl-")

    def setUp(self):
        self.ejercicio_de = {}  # each jail's exercise
        self.usuario = str(100000 + os.getpid())  # no other test's, even in parallel

    def ejecucion(self, ejercicio: str) -> list:
        """The execution files as VPL imports them from the activity's zip, but the self-tests."""
        if not os.path.isdir(os.path.join(self.actividades, ejercicio)):
            ejecutar(["python3", "tools/vpl.py", self.actividades, ejercicio], FUENTES, check=True)
        with zipfile.ZipFile(os.path.join(self.actividades, ejercicio,
                                          f"{ejercicio}-ejecucion.zip")) as zip_:
            return [(e.filename, zip_.read(e)) for e in zip_.infolist()
                    if not e.filename.startswith("vpl_evaluation_tests/")]

    def jaula(self, ejercicio: str, caso: str, variables: str = "") -> str:
        """The execution files but the self-tests, and the self-test `caso` as the learner's, in a
        folder of the test's user."""
        jaula = temporal(self.addCleanup, "jaula-")
        self.ejercicio_de[jaula] = ejercicio
        os.chmod(jaula, 0o755)
        for ruta, datos in self.ejecucion(ejercicio):  # as VPL keeps them: no file executable
            Path(jaula, ruta).parent.mkdir(parents=True, exist_ok=True)
            Path(jaula, ruta).write_bytes(datos)
        suyos = os.path.join(self.actividades, ejercicio, "ejecucion", "vpl_evaluation_tests",
                             caso)
        shutil.copytree(suyos, jaula, dirs_exist_ok=True)
        enviados = glob.glob("**/*.*", root_dir=suyos, recursive=True)
        escribir(jaula, "vpl_environment.sh", "".join(
            f"export VPL_SUBFILE{i}={r}\n" for i, r in enumerate(enviados)) + "export VPL_SUBFILES="
            + shlex.quote("\n".join(enviados)) + " VPL_GRADEMIN=1.5 VPL_GRADEMAX=7 VPL_MAXTIME=240"
            f" VPL_MAXMEMORY={self.MEMORIA} VPL_MAXPROCESSES=200 VPL_MAXFILESIZE=67108864"
            f" {variables}\n")
        ejecutar(["chown", "-R", f"{self.usuario}:{self.usuario}", jaula], jaula, check=True)
        return jaula

    def en_la_jaula(self, jaula: str, orden: str) -> tuple:
        """`orden` in the folder as its user, on a terminal: what it showed, and the most its
        processes held in memory at once (the sum of each one's peak)."""
        terminal = arnes.Terminal(orden=[
            "setpriv", f"--reuid={self.usuario}", f"--regid={self.usuario}", "--clear-groups",
            "bash", "-c",
            f"cd {jaula} && . ./vpl_environment.sh && export LC_ALL=C.UTF-8 && stty raw -echo &&"
            f" {orden}"])
        self.addCleanup(terminal.cerrar)
        pico, limite = 0, time.monotonic() + LIMITE
        while terminal.proceso.poll() is None and time.monotonic() < limite:
            terminal._leer(0.02)
            pico = max(pico, sum(memoria for uid, memoria, _ in procesos().values()
                                 if uid == self.usuario))
        while terminal._leer(0.3):  # as VPL, what is still written after it ends
            pass
        return terminal.visto.decode(), pico  # as VPL keeps it: UTF-8 text

    def calificar(self, jaula: str, evaluar: str = "bash vpl_evaluate.sh") -> tuple:
        """`evaluar`, the execution files deleted, vpl_execution: its last grade (None for none)
        and comment (the whole text without one)."""
        compilado, pico = self.en_la_jaula(jaula, evaluar)
        for ruta, _ in self.ejecucion(self.ejercicio_de[jaula]):
            if os.path.isfile(os.path.join(jaula, ruta)):
                os.remove(os.path.join(jaula, ruta))
        visto, pico_calificando = self.en_la_jaula(jaula, "./vpl_execution") if os.path.exists(
            os.path.join(jaula, "vpl_execution")) else (compilado, 0)
        time.sleep(0.2)
        quedan = [pid for pid, (uid, _, estado) in procesos().items()
                  if uid == self.usuario and estado != "Z"]  # a zombie runs nothing
        for pid in quedan:
            os.kill(int(pid), signal.SIGKILL)
        self.assertEqual(quedan, [], f"processes left running after:\n{visto}")
        self.assertLess(max(pico, pico_calificando), self.MEMORIA, "memory over VPL's default")
        notas = re.findall(r"^Grade :=>>(.*)$", visto, re.M)
        comentario = re.search(r"^<\|--\n(.*?)^--\|>$", visto, re.M | re.S)
        return (notas[-1].strip() if notas else None,
                comentario.group(1) if comentario else visto)


def procesos() -> dict:
    """Each process's real user, peak memory in bytes (VmHWM) as VPL reads them, and state; by
    pid."""
    todos = {}
    for estado in glob.glob("/proc/[0-9]*/status"):
        try:
            texto = Path(estado).read_text()
        except OSError:  # gone meanwhile
            continue
        uid = re.search(r"^Uid:\s+(\d+)", texto, re.M).group(1)
        pico = re.search(r"^VmHWM:\s+(\d+) kB", texto, re.M)
        todos[estado.split("/")[2]] = (uid, int(pico.group(1)) * 1024 if pico else 0,
                                       re.search(r"^State:\s+(\S)", texto, re.M).group(1))
    return todos


class Ejercicio(EnVpl):
    """One exercise from start to end, in a copy of its own and as a VPL activity."""

    def una(self, ejercicio: str):
        programa, _ = ejercicio.rsplit("-", 1)
        copia = copia_limpia(self.addCleanup)
        aplicar_exactamente(copia, ejercicio)

        # The real program, with the system's console, built by the guide's line for it.
        linea = next(l for l in bloque_de_la_guia(leer(copia, "GUIA.md"), "<!-- comandos g++")
                     if f" -o {programa} " in l)
        ejecutar(["sh", "-e", "-c", linea], copia, check=True)
        assertEscribe(self, copia, programa, ejercicio + "/salida.txt")
        self.calificada(ejercicio)

    def calificada(self, ejercicio: str):
        """Its VPL activity: the solution gets the maximum; the unchanged files and each wrong
        attempt of its intentos.txt, the minimum and what the check must say of them: a hint whole,
        or the words the attempt names."""
        pistas = re.findall(r"^pista: (.*)$", "".join(leer(FUENTES, r) for r in glob.glob(
            f"ejercicios/{ejercicio}/pistas.txt", root_dir=FUENTES)), re.M)
        intentos = comun.intentos(FUENTES, ejercicio)
        for pista in pistas:
            self.assertTrue(any(pista.startswith(dicho) for dicho, _ in intentos),
                            f"ejercicios/{ejercicio}/intentos.txt: no attempt shows the hint {pista!r}")
        esperados = [("fail-sin_cambios", SIN_CAMBIOS)] + [
            (f"fail-intento_{i + 1}", next((f"\n>Pista: {p}\n" for p in pistas if p.startswith(dicho)),
                                           dicho)) for i, (dicho, _) in enumerate(intentos)]
        solucion = self.jaula(ejercicio, "pass-solucion")
        self.assertEqual(sorted(os.listdir(os.path.join(
            self.actividades, ejercicio, "ejecucion", "vpl_evaluation_tests"))),
            sorted(["pass-solucion"] + [caso for caso, _ in esperados]))
        self.assertEqual(self.calificar(solucion), (
            "7", f"-Comprobación de {ejercicio}\n>Compilando {ejercicio.split('-')[0]} con "
            f"g++...\n>{ejercicio}: {BIEN}\n"))
        for caso, dicho in esperados:
            with self.subTest(ejercicio=ejercicio, caso=caso):
                nota, comentario = self.calificar(self.jaula(ejercicio, caso))
                self.assertEqual(nota, "1.5", comentario)
                self.assertIn(f"\n>{ejercicio}: {MAL[:-1]}", comentario)  # ":" when it does not build
                self.assertIn(dicho, comentario)
                if caso == "fail-sin_cambios":  # no line of the expected output
                    self.assertNotIn("«", comentario)

    def test_the_exercise_applies_exactly_is_graded_in_vpl_and_its_program_writes_the_expected_output(self):
        pedido = os.environ.get("EJERCICIO")
        for ejercicio in [pedido] if pedido else sorted(
                p.parent.name for p in Path(FUENTES, "ejercicios").glob("*/salida.txt")):
            with self.subTest(ejercicio=ejercicio):
                self.una(ejercicio)


class ConCopia(unittest.TestCase):
    """One clean copy with the checker built in it, for the tests of a class."""

    copia = ""

    @classmethod
    def setUpClass(cls):
        cls.copia = copia_limpia(cls.addClassCleanup)
        # The first of the guide's two lines, as written.
        ejecutar(["sh", "-e", "-c", bloque_de_la_guia(leer(cls.copia, "GUIA.md"), MARCA_GUIA)[0]],
                 cls.copia, check=True)

    def editar(self, ruta: str, antes: str, despues: str) -> int:
        """Replaces the first `antes` in a file of the copy until the test ends; returns the
        number of the line where the edit starts."""
        original = leer(self.copia, ruta)
        self.assertIn(antes, original, f"{ruta}: the edit found nothing to change")
        self.addCleanup(escribir, self.copia, ruta, original)
        escribir(self.copia, ruta, original.replace(antes, despues, 1))
        return linea_de(original, antes)

    def parche(self, ejercicio: str):
        parche = os.path.join("ejercicios", ejercicio, "solucion.patch")
        ejecutar(["git", "apply", parche], self.copia, check=True)
        self.addCleanup(ejecutar, ["git", "apply", "-R", parche], self.copia, True)

    def mal(self, ejercicio: str, *opciones, segundos: float = 60.0) -> str:
        inicio = time.monotonic()
        resultado = ejecutar(["./comprobar", *ejercicio.rsplit("-", 1), *opciones], self.copia)
        salida = resultado.stdout.decode()
        self.assertLess(time.monotonic() - inicio, segundos, salida)
        self.assertEqual(resultado.returncode, 1, salida)
        self.assertIn(f"{ejercicio}: {MAL[:-1]}", salida)
        self.assertNotIn(BIEN, salida)
        return salida


class Comprobacion(ConCopia):
    """Bad attempts, made by small edits of one copy, each undone afterwards: one of each kind of
    answer."""

    def test_a_wrong_line_is_named_by_screen_and_line_with_what_was_expected_and_what_came(self):
        self.parche("garaxo-3")  # the colour changed on a copy: screen 2 keeps «Rojo»
        salida = self.mal("garaxo-1")
        self.assertIn("Primera diferencia, en la pantalla 2, línea 6:\n"
                      "  se esperaba: «COCHE 2 Matricula: 3131-SBC Modelo: Audi A3 Color: Rosa»\n"
                      "  ha salido:   «COCHE 2 Matricula: 3131-SBC Modelo: Audi A3 Color: Rojo»\n",
                      salida)
        self.assertTrue(salida.endswith("Color: Rojo»\n"), salida)

    def test_a_crash_and_an_abort_are_explained_with_the_first_line_that_never_came(self):
        self.editar("figure_demo/main.cpp", 'fi[2] = new Circulo("Rojo", 14.0F);',
                    'fi[2] = nullptr;')
        salida = self.mal("polifor-1")
        self.assertIn("El programa ha terminado de forma anormal (señal 11, SIGSEGV): ha intentado "
                      "usar memoria que no es suya.", salida)
        self.assertIn("en la pantalla 1, línea 3:\n"
                      "  se esperaba: «El Circulo y color Rojo»\n"
                      "  ha salido:   (nada: la salida del programa termina antes)\n", salida)
        self.doCleanups()
        self.editar("figure_demo/main.cpp", "std::getchar();", "std::abort();")
        self.assertIn("(señal 6, SIGABRT): se ha detenido a sí mismo (abort)", self.mal("polifor-1"))

    def test_a_change_saved_in_another_programs_folder_is_named_with_where_it_belongs(self):
        # pintafor-2's destructor written in polifor's Figura, saved well after the copy was made.
        ruta = "figure_demo/figura.cpp"
        self.editar(ruta, "using texto::copiarTexto;\n",
                    "using texto::copiarTexto;\n\n// Aquí iría el destructor.\n")
        ahora = time.time() + 30
        os.utime(os.path.join(self.copia, ruta), (ahora, ahora))
        salida = self.mal("pintafor-2")
        self.assertTrue(salida.endswith(
            "El archivo cambiado más recientemente es figure_demo/figura.cpp, de polifor, pero este "
            "ejercicio es de pintafor: si hiciste allí el cambio, hazlo en los archivos de "
            "pintafor, en shape_demo/, y vuelve a comprobar.\n"), salida)

    def test_a_program_that_never_ends_is_stopped_after_ten_seconds(self):
        self.editar("figure_demo/main.cpp", "std::getchar();", "for (;;) std::getchar();")
        salida = self.mal("polifor-1", segundos=40)
        self.assertIn("El programa no ha terminado en 10 segundos y se ha detenido.", salida)
        self.assertNotIn(SIN_CAMBIOS, salida)  # its output is the untouched one, but it changed

    def test_a_program_that_writes_without_end_is_stopped_and_only_the_start_is_shown(self):
        self.editar("figure_demo/main.cpp", "std::getchar();",
                    'for (;;) std::cout << "sin fin ";')
        salida = self.mal("polifor-3")
        self.assertIn("El programa ha terminado con el estado 3, no con 0.", salida)
        self.assertIn("El programa ha escrito en la salida de errores:\n"
                      "  El programa ha escrito mas de 64 KiB", salida)
        self.assertIn("  ha salido:   «" + "sin fin " * 12 + "sin ...»\n", salida)
        self.assertLess(len(salida), 4096)

    def test_a_compiler_error_is_explained_with_its_place_by_gcc_and_clang_and_no_link_hint(self):
        # In a destructor, which g++ names in a line of its own; the linker never runs.
        self.parche("garaxo-4")
        linea = self.editar("car_owner_demo/coche.cpp", 'std::cout << "Se destruye',
                            'cout << "Se destruye')
        for compilador in [c for c in ("g++", "clang++") if shutil.which(c)]:
            with self.subTest(compilador=compilador):
                salida = self.mal("garaxo-4", "--compilador", compilador)
                self.assertIn("El compilador dice:\n  car_owner_demo/coche.cpp:", salida)
                final = salida[salida.index("garaxo-4: todavía no está bien: el programa "
                                            "no compila.\n"):]
                # The compiler's own suggestion first, in its words.
                self.assertIn("Lo que suele querer decir:\n- El compilador propone: «did you mean "
                              "'std::cout'?». Los nombres de la biblioteca", final)
                self.assertIn(f"Mira car_owner_demo/coche.cpp, línea {linea}.", final)
                self.assertNotIn("al enlazarlo", final)

    def test_only_what_changed_is_compiled_again_and_a_new_source_file_is_compiled(self):
        # A body missing, then given in a file of its own: the folder is the program.
        self.editar("figure_demo/main.cpp", "namespace {", "void falta();\nnamespace {")
        self.editar("figure_demo/main.cpp", "std::getchar();", "falta();")
        # The linker's failure is not called a compiler's, by the check nor by the memory's page.
        salida = self.mal("polifor-1")
        memoria = ejecutar(["./comprobar", "--memoria", "polifor"], self.copia).stdout.decode()
        for dicho in (salida, memoria):
            self.assertIn(": el programa compila, pero no se puede enlazar (unir sus archivos ya "
                          "compilados en un ejecutable)", dicho)
            self.assertIn("Lo que suele querer decir:\n- Falta el cuerpo de una función", dicho)
            self.assertNotIn("no compila", dicho)
        nueva = os.path.join(self.copia, "figure_demo", "nueva.cpp")
        self.addCleanup(os.remove, nueva)
        escribir(self.copia, "figure_demo/nueva.cpp", "void falta() {}\n")
        salida = self.mal("polifor-1")
        self.assertIn(f"{SIN_CAMBIOS}: es lo mismo que escribe sin ningún cambio. Haz el cambio que "
                      "pide el ejercicio, o lo que le falte si ya has cambiado algo;", salida)
        antes = objetos_hechos(self.copia)
        self.editar("figure_demo/nueva.cpp", "{}", "{ }")
        self.mal("polifor-1")
        despues = objetos_hechos(self.copia)
        self.assertEqual([o for o in antes if despues[o] != antes[o]],
                         [os.path.join(self.copia, "comprobacion/objetos/figure_demo/nueva.o")])
        # main.cpp put back from a fresh copy, older than its object, and nueva.cpp gone: the
        # object that still calls falta() must not be linked.
        self.doCleanups()
        antiguo = time.time() - 10 ** 6
        os.utime(os.path.join(self.copia, "figure_demo", "main.cpp"), (antiguo, antiguo))
        self.assertIn(SIN_CAMBIOS, self.mal("polifor-1"))

    def test_cl_gets_its_own_command_lines_and_its_messages_are_explained(self):
        # A stand-in for Visual Studio's cl, named cl: it keeps each command line it is given and
        # answers the compile of main.cpp as cl does, on its standard output.
        carpeta = temporal(self.addCleanup, "cl-")
        cl, registro = os.path.join(carpeta, "cl"), os.path.join(carpeta, "ordenes")
        escribir(carpeta, "cl",
                 "#!/bin/sh\n"
                 f'echo "$*" >>{registro}\n'
                 'case "$*" in *figure_demo/main.cpp*) ;; *) exit 0 ;; esac\n'
                 "printf '%s\\n' 'main.cpp'\n"
                 "printf '%s\\n' 'figure_demo\\main.cpp(30): error C2065: \"fx\": undeclared identifier'\n"
                 "exit 2\n")
        os.chmod(cl, 0o755)
        salida = self.mal("polifor-1", "--compilador", cl)
        self.assertIn("- Se usa un nombre que el compilador no conoce en ese punto", salida)
        self.assertIn("Mira figure_demo\\main.cpp, línea 30.", salida)
        ordenes = leer(carpeta, "ordenes").splitlines()
        self.assertIn("/nologo /std:c++17 /EHsc /utf-8 /I. /c figure_demo/main.cpp "
                      "/Focomprobacion/objetos/figure_demo/main.obj", ordenes)
        self.assertEqual(len(ordenes), 8, "each of the eight sources compiled once, and no link after a failure")


class Guia(ConCopia):
    """GUIA.md's lines without CMake and its IDE table, against each program's sources: the .cpp
    files of its folder and what it borrows, as the checker lists them, and platform's."""

    def propias(self, programa: str) -> set:
        resultado = ejecutar(["./comprobar", "--fuentes", programa], self.copia, check=True)
        return set(resultado.stdout.decode().split())

    def lineas(self, marca: str, salida: str) -> dict:
        """For each program, the files its line in the block names, by the -o or /Fe output."""
        por_programa = {}
        for linea in bloque_de_la_guia(leer(self.copia, "GUIA.md"), marca):
            palabras = shlex.split(re.sub(r"-o\s+", "-o", linea.replace("\\", "/")))
            nombre = next(m.group(1) for m in map(lambda p: re.fullmatch(salida, p), palabras) if m)
            por_programa[nombre] = {p for p in palabras if p.endswith(".cpp")}
        return por_programa

    def sus_fuentes(self, lugar: str, nombradas: dict, sistema: str):
        for programa in PROGRAMAS:
            esperadas = self.propias(programa) | set(PLATAFORMA) | {CONSOLA[sistema]}
            self.assertEqual(nombradas.get(programa), esperadas,
                             f"GUIA.md, {lugar}: {programa}'s line must name exactly these files")

    def test_the_gcc_lines_build_each_program_as_written_which_prints_its_unchanged_output(self):
        marca = "<!-- comandos g++"
        self.sus_fuentes("the g++ lines", self.lineas(marca, r"-o(\w+)"), "g++")
        bloque = bloque_de_la_guia(leer(self.copia, "GUIA.md"), marca)
        ejecutar(["sh", "-e", "-c", "\n".join(bloque)], self.copia, check=True)
        for programa in PROGRAMAS:
            with self.subTest(programa=programa):
                assertEscribe(self, self.copia, programa, programa + ".original")

    def test_construir_builds_each_program_with_the_systems_console_as_those_lines_do(self):
        for programa in PROGRAMAS:
            with self.subTest(programa=programa):
                ejecutar(["./comprobar", "--construir", programa], self.copia, check=True)
                assertEscribe(self, self.copia, programa, programa + ".original",
                              os.path.join("comprobacion", "programas", programa))

    def test_the_mingw_and_cl_lines_name_each_programs_sources(self):
        self.sus_fuentes("the MinGW lines", self.lineas("<!-- comandos mingw", r"-o(\w+)\.exe"),
                         "mingw")
        self.sus_fuentes("the cl lines", self.lineas("<!-- comandos cl", r"/Fe(\w+)\.exe"), "cl")

    def test_the_ide_table_names_each_programs_sources(self):
        guia = leer(self.copia, "GUIA.md")
        tabla = re.findall(r"^\| `(\w+)` \| ([^|]*\.cpp[^|]*) \|([^|]*)\|", guia, re.M)
        filas = {programa: suyos for programa, suyos, _ in tabla}
        comunes = {a for _, _, todos in tabla for a in re.findall(r"`(platform/[\w.]+)`", todos)}
        self.assertEqual(comunes, set(PLATAFORMA) | set(CONSOLA.values()),
                         "GUIA.md, the IDE table: the files every program takes from platform/")
        for programa in PROGRAMAS:
            carpeta, nombradas = "", set()
            for archivo in re.findall(r"`([\w/.]+\.cpp)`", filas.get(programa, "")):
                if "/" in archivo:
                    carpeta = archivo.rsplit("/", 1)[0]
                nombradas.add(archivo if "/" in archivo else f"{carpeta}/{archivo}")
            self.assertEqual(nombradas, self.propias(programa),
                             f"GUIA.md, the IDE table: {programa}'s row must name exactly these")


def traza_de(pagina: str) -> dict:
    """The trace a memory page carries, as the page itself reads it."""
    hallada = re.search(r'<script type="application/json" id="traza">(.*?)</script>',
                        Path(pagina).read_text(encoding="utf-8"), re.S)
    if not hallada:
        raise AssertionError(f"{pagina} carries no trace")
    return json.loads(hallada.group(1))


def objetos(paso: dict) -> dict:
    return {o["nombre"]: o for marco in paso["marcos"] for o in marco["objetos"]}


def campos(objeto: dict) -> dict:
    return {c["nombre"]: c for c in objeto.get("campos", [])}


class Memoria(ConCopia):
    """comprobar --memoria: each line of main, and every object then, from the unchanged programs
    under gdb, against what the programs do."""

    def pasos(self, programa: str) -> list:
        resultado = ejecutar(["./comprobar", "--memoria", programa], self.copia)
        self.assertEqual(resultado.returncode, 0, resultado.stdout.decode())
        traza = traza_de(os.path.join(self.copia, f"memoria-{programa}.html"))
        self.assertEqual(traza["programa"], programa)
        return traza["pasos"]

    def linea(self, ruta: str, texto: str) -> int:
        return linea_de(leer(self.copia, ruta), texto)

    def test_garaxo_shows_its_copies_each_until_its_end_and_the_screens_as_a_terminal_does(self):
        todos = self.pasos("garaxo")
        pasos = [p for p in todos if len(p["marcos"]) == 1]  # main's own lines
        self.assertEqual({p["archivo"] for p in pasos}, {"car_owner_demo/main.cpp"})
        # Inside setCoche, called with ch2: its parameter is a copy, a box of its own.
        dentro = next(p for p in todos if p["marcos"][-1]["funcion"] == "propietario2::setCoche(coche)")
        otro = {o["nombre"]: o for o in dentro["marcos"][-1]["objetos"]}["otro"]
        self.assertEqual((otro["tipo"], campos(otro)["matricula"]["texto"]), ("coche", "3131-SBC"))
        self.assertNotEqual(otro["direccion"], objetos(dentro)["ch2"]["direccion"])
        # Each object named while it is built: a field by its path, the argument's copy as the
        # parameter it is for, what getCoche returns a temporary.
        construidos = {o["nombre"] for p in todos for m in p["marcos"] for o in m["objetos"]
                       if o.get("construye")}
        self.assertEqual(construidos, {"p2", "p2.miCoche", "ch2", "otro", "(temporal)", "c1", "p1"})
        self.assertEqual([p["pantalla"] for p in pasos], sorted(p["pantalla"] for p in pasos))
        self.assertNotIn("p2", objetos(pasos[0]), "p2 is not built before its line runs")
        rosa = self.linea("car_owner_demo/main.cpp", 'p2.getPunteroCoche()->setColor("Rosa");')
        antes = next(i for i, p in enumerate(pasos) if p["linea"] == rosa)  # in main's lines
        self.assertTrue(any(p["salida"].startswith("Introduce el nombre: Juan\nIntroduce el DNI")
                            for p in pasos[:antes]), "the typed words where a terminal shows them")
        # The terminal was cleared after the pause: screen 2, with nothing on it yet.
        self.assertEqual((pasos[antes]["pantalla"], pasos[antes]["salida"]), (2, ""))
        vistos, despues = objetos(pasos[antes]), objetos(pasos[antes + 1])
        suyo = campos(vistos["p2"])["miCoche"]["objeto"]
        self.assertEqual((suyo["tipo"], campos(suyo)["color"]["texto"], suyo["oculto"]["clase"]),
                         ("coche", "Rojo", "coche"))
        self.assertIn("coche::~coche()", suyo["oculto"]["funciones"])
        self.assertNotEqual(suyo["direccion"], vistos["ch2"]["direccion"], "a copy of its own")
        self.assertEqual(campos(campos(despues["p2"])["miCoche"]["objeto"])["color"]["texto"], "Rosa")
        self.assertEqual(campos(despues["ch2"])["color"]["texto"], "Rojo")
        fin = self.linea("car_owner_demo/main.cpp", "return consola::estadoDeSalida();")
        final = objetos(next(p for p in pasos if p["linea"] == fin))
        self.assertEqual(campos(final["p1"])["pCoche"]["apunta"], final["c1"]["direccion"])
        self.assertEqual((pasos[-1]["pantalla"], pasos[-1]["libres"]), (4, []))
        # lineaCoche(p2): p2 is main's p2 by another name; each getCoche makes a copy that lives
        # until the line is written.
        dentro = [p for p in todos
                  if p["marcos"][-1]["funcion"].endswith("lineaCoche(propietario2 const&)")]
        principal, ayudante = ({o["nombre"]: o for o in m["objetos"]} for m in dentro[0]["marcos"])
        self.assertEqual(ayudante["p2"]["referencia"], principal["p2"]["direccion"])
        copias = max(([o for o in p["marcos"][-1]["objetos"] if o.get("temporal")] for p in dentro),
                     key=len)
        self.assertEqual([(o["tipo"], o["origen"], campos(o)["color"]["texto"]) for o in copias],
                         [("coche", "propietario2::getCoche() const", "Rojo")] * 3)
        self.assertFalse([o for m in todos[todos.index(dentro[-1]) + 1]["marcos"] for o in m["objetos"]
                          if o.get("temporal")])
        # main's end: one step for each of its objects, newest first, each gone after its step.
        destruidos = []
        for paso in todos:
            for objeto in (o for o in paso["marcos"][0]["objetos"]
                           if not o.get("temporal") and not o.get("parametroDe")):
                if objeto["nombre"] in destruidos:  # only while its own destructor runs
                    self.assertEqual((objeto.get("destruye"), objeto["nombre"]), (True, destruidos[-1]))
                elif objeto.get("destruye"):
                    destruidos.append(objeto["nombre"])
                    self.assertLessEqual({"p1", "c1", "ch2", "p2"} - set(destruidos[:-1]),
                                         {o["nombre"] for o in paso["marcos"][0]["objetos"]})
        self.assertEqual((destruidos, todos[-1]["marcos"][0]["objetos"]),
                         (["p1", "c1", "ch2", "p2"], []))

    def test_polifor_calls_each_figures_setcolor_through_its_table_and_figuras_without_virtual(self):
        # polifor-5: a circle whose Figura part, being built, calls the virtual setColor; the call
        # reaches Figura's, through Figura's table: the object is a Figura until its part is built.
        self.parche("polifor-5")
        pasos = self.pasos("polifor")
        desde_figura = {p["marcos"][-1]["clase"] for p in pasos if "clase" in p["marcos"][-1] and
                        p["marcos"][-2]["funcion"] == "Figura::Figura(char const*, int)"}
        self.assertEqual(desde_figura, {"Figura"})
        bucle = self.linea("figure_demo/main.cpp", "fi[i]->setColor(9);")
        antes = next(p for p in pasos if p["linea"] == bucle)
        despues = next(p for p in pasos if len(p["marcos"]) == 1 and p["linea"] > bucle)
        # The virtual call reaches each figure's own setColor, stepped through with its frame.
        llamadas = {p["marcos"][-1]["funcion"] for p in pasos[pasos.index(antes):pasos.index(despues)]}
        self.assertLessEqual({"Figura::setColor(int)", "Circulo::setColor(int)"}, llamadas)
        # A line that starts again in one call is one step: `new Cuadrado`'s constructor, one line
        # that starts over after building its Figura part.
        propias = [p["marcos"][-1]["funcion"] for p in pasos if len(p["marcos"]) == 2]
        self.assertEqual(propias.count("Cuadrado::Cuadrado(char const*, int)"), 1)
        # What new builds is on the free store while its constructor runs, `this` an arrow to it.
        dentro = next(p for p in pasos if p["marcos"][-1]["funcion"].startswith("Circulo::Circulo("))
        este = {o["nombre"]: o for o in dentro["marcos"][-1]["objetos"]}["this"]
        nuevo = {o["direccion"]: o for o in dentro["libres"]}[este["apunta"]]
        self.assertEqual((nuevo["tipo"], nuevo.get("construye")), ("Circulo", True))
        # While its Figura part is built, the Circulo's own field holds nothing yet.
        base = next(p for p in pasos[pasos.index(dentro):]
                    if p["marcos"][-1]["funcion"].startswith("Figura::Figura("))
        nuevo = {o["direccion"]: o for o in base["libres"]}[este["apunta"]]
        self.assertEqual([c["nombre"] for c in nuevo["campos"] if c.get("sinValor")], ["radio"])
        fi = campos(objetos(antes)["fi"])
        libres = {o["direccion"]: o for o in antes["libres"]}
        self.assertEqual([libres[fi[f"[{i}]"]["apunta"]]["tipo"] for i in range(3)],
                         ["Figura", "Cuadrado", "Circulo"])
        circulo = libres[fi["[2]"]["apunta"]]
        self.assertEqual((circulo["nombre"], circulo["oculto"]["clase"],
                          campos(circulo)["color"].get("de")), ("*fi[2]", "Circulo", "Figura"))
        self.assertIn("Circulo::setColor(int)", circulo["oculto"]["funciones"])
        colores = {o["tipo"]: campos(o)["color"]["texto"] for o in despues["libres"]}
        self.assertEqual(colores, {"Figura": "Rosa", "Cuadrado": "Rosa", "Circulo": "Negro"})
        # Without virtual: each is still built as its class, and Figura's setColor runs on all three.
        self.editar("figure_demo/figura.h", "virtual void setColor(int", "void setColor(int")
        self.editar("figure_demo/formas.h", "int color) override;", "int color);")
        pasos = self.pasos("polifor")
        desde = next(i for i, p in enumerate(pasos) if p["linea"] == bucle and len(p["marcos"]) == 1)
        llamadas = {tuple(p["marcos"][1][k] for k in ("clase", "virtual", "propia")) for p in pasos[desde:]
                    if len(p["marcos"]) == 2 and p["marcos"][1]["funcion"] == "Figura::setColor(int)"}
        self.assertEqual(llamadas, {("Figura", False, True), ("Cuadrado", False, False),
                                    ("Circulo", False, True)})
        circulo = next(o for o in pasos[-1]["libres"] if o["nombre"] == "*fi[2]")
        self.assertEqual((circulo["tipo"], circulo["tamano"], "oculto" in circulo,
                          campos(circulo)["radio"]["valor"]), ("Circulo", 24, False, "14"))

    def test_delete_destroys_its_object_on_the_free_store_and_its_pointer_is_left_dangling(self):
        self.parche("pintafor-2")
        pasos = self.pasos("pintafor")
        borrar = self.linea("shape_demo/main.cpp", "delete pci2;")
        i = next(i for i, p in enumerate(pasos) if len(p["marcos"]) == 1 and p["linea"] == borrar)
        self.assertEqual([o["nombre"] for o in pasos[i + 1]["libres"] if o.get("destruye")],
                         ["*pci2"])
        pci2 = objetos(next(p for p in pasos[i + 1:] if len(p["marcos"]) == 1 and "borra" not in p))["pci2"]
        self.assertEqual((objetos(pasos[i])["pci2"].get("borrado"), pci2.get("borrado")), (None, True))
        # polifor-3, delete through a virtual destructor: one frame for it, not the compiler's
        # wrapper that calls it and frees the memory as well.
        self.parche("polifor-3")
        pasos = self.pasos("polifor")
        dobles = [p["linea"] for p in pasos if len(p["marcos"]) > len({m["funcion"] for m in p["marcos"]})]
        self.assertEqual(dobles, [], "a destructor drawn inside itself")
        # Each delete of the loop a step: the object's own destructor, then its base's, ran.
        borrados = [(o["tipo"], o["borra"]) for p in pasos for o in p["libres"] if "borra" in o]
        self.assertEqual(borrados, [("Figura", ["Figura::~Figura()"]),
                                    ("Cuadrado", ["Cuadrado::~Cuadrado()", "Figura::~Figura()"]),
                                    ("Circulo", ["Circulo::~Circulo()", "Figura::~Figura()"])])
        # Without virtual, delete through a Figura* runs Figura's destructor alone, which does
        # nothing: not Circulo's, which the Circulo has.
        self.editar("figure_demo/figura.h", "virtual ~Figura() = default;", "~Figura() = default;")
        borrados = [(o["tipo"], o["borra"], o.get("suyo")) for p in self.pasos("polifor")
                    for o in p["libres"] if "borra" in o]
        self.assertEqual(borrados, [("Figura", [], None), ("Cuadrado", [], None),
                                    ("Circulo", [], True)])

    def test_a_parameter_by_value_is_that_parameter_from_its_copy_to_its_end(self):
        todos = self.pasos("garaxo")
        dentro = next(p for p in todos if p["marcos"][-1]["funcion"] == "propietario2::setCoche(coche)")
        otro = {o["nombre"]: o for o in dentro["marcos"][-1]["objetos"]}["otro"]
        vida = [o for p in todos for m in p["marcos"] for o in m["objetos"] + p["libres"]
                if o.get("vida") == otro["vida"]]
        self.assertEqual({(o["nombre"], o.get("parametroDe"), o.get("temporal")) for o in vida},
                         {("otro", "propietario2::setCoche(coche)", None)})
        self.assertTrue(any(o.get("construye") for o in vida) and any(o.get("destruye") for o in vida))
        # Built as a copy of ch2 (main's, at setCoche's line), each step of its constructor says so:
        # garaxo-4's copy constructor has lines of its own.
        self.parche("garaxo-4")
        todos = self.pasos("garaxo")
        llamada = self.linea("car_owner_demo/main.cpp", "p2.setCoche(ch2);")
        ch2 = objetos(next(p for p in todos if p["linea"] == llamada and len(p["marcos"]) == 1))["ch2"]
        copias = [(m.get("copia"), o["nombre"]) for p in todos for m in p["marcos"]
                  if m["funcion"] == "coche::coche(coche const&)" for o in m["objetos"]
                  if o.get("construye") and o.get("parametroDe")]
        cuerpo = leer(self.copia, "car_owner_demo/coche.cpp").split("coche::coche(const coche& otro)")[1]
        self.assertEqual(copias, [(ch2["direccion"], "otro")] * cuerpo[:cuerpo.index("}")].count("\n"))

    def test_each_copy_getcoche_returns_and_the_assignment_in_setcoche_have_their_steps(self):
        todos = self.pasos("garaxo")
        # getCoche returns by value: each call, a copy of p2.miCoche made inside it.
        hechas = [p for p in todos if p["marcos"][-1]["funcion"] == "coche::coche(coche const&)"
                  and p["marcos"][-2]["funcion"] == "propietario2::getCoche() const"]
        lineas = leer(self.copia, "car_owner_demo/main.cpp")
        ayudante = lineas[lineas.index("void lineaCoche(const propietario2& p2)"):]
        por_linea = ayudante[:ayudante.index("\n}")].count("p2.getCoche()")
        self.assertEqual(len(hechas), por_linea * lineas.count("lineaCoche(p2);"))
        p2 = {o["nombre"]: o for o in hechas[0]["marcos"][0]["objetos"]}["p2"]  # main's
        self.assertEqual({p["marcos"][-1]["copia"] for p in hechas},
                         {campos(p2)["miCoche"]["objeto"]["direccion"]})
        # The copies stand in the helper's frame one by one, not all at once.
        vistas = [len([o for o in m["objetos"] if o.get("temporal")]) for p in todos for m in p["marcos"]
                  if m["funcion"].endswith("lineaCoche(propietario2 const&)")]
        self.assertEqual(sorted(set(vistas)), list(range(por_linea + 1)))
        # miCoche = otro: the assignment, a step of its own, into p2's car from the parameter.
        asigna = [p for p in todos if p["marcos"][-1]["funcion"] == "coche::operator=(coche const&)"]
        self.assertEqual(len(asigna), 1)
        este = {o["nombre"]: o for o in asigna[0]["marcos"][-1]["objetos"]}["this"]
        otro = {o["nombre"]: o for o in asigna[0]["marcos"][-2]["objetos"]}["otro"]
        self.assertEqual((este["apunta"], asigna[0]["marcos"][-1]["asigna"]),
                         (campos(p2)["miCoche"]["objeto"]["direccion"], otro["direccion"]))

    def test_a_circle_reached_at_an_offset_is_drawn_whole_as_the_class_it_was_built_as(self):
        # setColor(int) virtual in Circulo only: a Circulo has a hidden pointer before its Figura
        # part, and fi[2], a Figura*, points to that part inside it.
        self.editar("figure_demo/figura.h", "virtual void setColor(int", "void setColor(int")
        self.editar("figure_demo/formas.h", "void setColor(int color) override;",
                    "virtual void setColor(int color);")
        pasos = self.pasos("polifor")
        bucle = self.linea("figure_demo/main.cpp", "fi[i]->setColor(9);")
        antes = next(p for p in pasos if p["linea"] == bucle and len(p["marcos"]) == 1)
        puntero = campos(objetos(antes)["fi"])["[2]"]
        circulo = {o["direccion"]: o for o in antes["libres"]}[puntero["entero"]]
        # The hidden pointer, the Figura part (two texts of 10) and the radius (a float).
        self.assertEqual((circulo["tipo"], circulo["tamano"], circulo["oculto"]["clase"]),
                         ("Circulo", 8 + 10 + 10 + 4, "Circulo"))
        self.assertEqual((int(puntero["apunta"], 16) - int(puntero["entero"], 16), puntero["parte"]),
                         (8, "Figura"))
        self.assertEqual(circulo["nombre"], "*fi[2]")
        llamadas = {(p["marcos"][1]["clase"], p["marcos"][1]["virtual"], p["marcos"][1]["propia"])
                    for p in pasos[pasos.index(antes):] if len(p["marcos"]) == 2
                    and p["marcos"][1]["funcion"] == "Figura::setColor(int)"}
        self.assertIn(("Circulo", False, True), llamadas)
        # While new builds it, it is named as the code writes it, and is one box, not two.
        nuevo = re.search(r"= (new Circulo\(.*\));", leer(self.copia, "figure_demo/main.cpp"))[1]
        construyendo = [[o["nombre"] for o in p["libres"] if o.get("construye")] for p in pasos
                        if p["marcos"][-1]["funcion"] == "Figura::Figura(char const*, char const*)"
                        and p["marcos"][-2]["funcion"].startswith("Circulo::Circulo(")]
        self.assertTrue(construyendo)
        self.assertEqual({tuple(n) for n in construyendo}, {(nuevo,)})

    def test_a_run_a_signal_stops_ends_on_its_line_with_what_it_never_destroyed(self):
        self.parche("pintafor-2")
        segundo = self.editar("shape_demo/main.cpp", "    delete pc2;\n",
                              "    delete pc2;\n    delete pc2;\n") + 1
        pasos = self.pasos("pintafor")
        self.assertFalse([p for p in pasos if p["marcos"][0].get("termina")], "main never returned")
        ultimo = pasos[-1]
        # Automatic objects, which main's end would destroy, and what new made that no delete
        # reached yet: pci2 and pc2 come before.
        self.assertEqual((ultimo["senal"], ultimo["archivo"], ultimo["linea"], set(ultimo["nunca"])),
                         ("SIGABRT", "shape_demo/main.cpp", segundo,
                          {"ci2", "c2", "ci3", "c3", "*pci3", "*pc3"}))
        self.assertIn("double free", ultimo["salida"], "the C library's words, as a terminal shows")
        # The second delete of pc2 is told as one.
        otra_vez = [o["nombre"] for p in pasos for o in p["libres"] if o.get("otraVez")]
        self.assertEqual(otra_vez, ["*pc2"])
        # delete of main's array itself: not made by new, and the run stops there.
        fi = self.editar("figure_demo/main.cpp", "    std::getchar();\n",
                         "    std::getchar();\n    delete fi;\n") + 1
        pasos = self.pasos("polifor")
        self.assertEqual((pasos[-2]["borra"], pasos[-1]["linea"], set(pasos[-1]["nunca"])),
                         (objetos(pasos[-2])["fi"]["direccion"], fi, {"*fi[0]", "*fi[1]", "*fi[2]"}))

    def test_a_reference_to_a_deleted_object_is_flagged_as_its_pointer_is(self):
        self.parche("pintafor-2")
        self.editar("shape_demo/main.cpp", "    delete pc3;\n",
                    "    delete pc3;\n    informe(*pc2, *pci2, *pc3, *pci3);\n")
        pasos = self.pasos("pintafor")
        dentro = [p for p in pasos if p["marcos"][-1]["funcion"].startswith("(anonymous namespace)::informe(")]
        referencias = {o["nombre"]: o.get("borrado") for o in dentro[-1]["marcos"][-1]["objetos"]}
        self.assertEqual(referencias, {"s": True, "c": True, "t": True, "u": True})

    def test_an_attempt_that_does_not_compile_leaves_no_page_of_the_program_before(self):
        self.pasos("pintafor")
        self.editar("shape_demo/main.cpp", "int main()", "int main() {")
        resultado = ejecutar(["./comprobar", "--memoria", "pintafor"], self.copia)
        self.assertEqual(resultado.returncode, 1)
        self.assertNotIn(MAL, resultado.stdout.decode())
        traza = traza_de(os.path.join(self.copia, "memoria-pintafor.html"))
        self.assertEqual((traza["compila"], traza["pasos"]), (False, []))

    def test_without_gdb_it_says_what_to_install_and_exits_2(self):
        # A PATH with the compiler and its tools, and no gdb.
        camino = temporal(self.addCleanup, "sin-gdb-")
        for herramienta in ("g++", "as", "ld"):
            os.symlink(shutil.which(herramienta), os.path.join(camino, herramienta))
        resultado = ejecutar(["./comprobar", "--memoria", "pintafor"], self.copia,
                             env=dict(os.environ, PATH=camino))
        self.assertEqual(resultado.returncode, 2)
        self.assertIn("pintafor: no se encuentra gdb", resultado.stdout.decode())
        self.assertIn("sudo apt install gdb", resultado.stdout.decode())


class Objetivos(unittest.TestCase):
    """The ways a learner runs the check: CMake's targets, and the guide's two lines."""

    def test_the_targets_of_a_plain_build_check_at_a_terminal_without_waiting(self):
        copia = copia_limpia(self.addCleanup)
        # The owners' functions moved to a file of their own: a program is its folder, and a new
        # source file is built, by CMake and by the check, with no other change.
        escribir(copia, "car_owner_demo/propietarios.cpp",
                 leer(copia, "car_owner_demo/propietario.cpp"))
        escribir(copia, "car_owner_demo/propietario.cpp", "// En propietarios.cpp.\n")
        generador = ["-G", GENERADOR] if GENERADOR else []
        ejecutar([CMAKE, "-S", copia, "-B", os.path.join(copia, "build")] + generador, copia,
                 check=True)
        ejecutar([CMAKE, "--build", "build", "--target", "garaxo"], copia, check=True)
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
        if shutil.which("gdb"):
            # The page of the attempt just checked compiles nothing again.
            antes = objetos_hechos(copia)
            ejecutar([CMAKE, "--build", "build", "--target", "memoria-garaxo"], copia, check=True)
            self.assertTrue(traza_de(os.path.join(copia, "build", "memoria-garaxo.html"))["pasos"])
            self.assertEqual(objetos_hechos(copia), antes)



class Parches(unittest.TestCase):
    """tools/ejercicios.py nuevo and rehacer in a git repository of the tracked files, whose
    configuration would spoil a plain git diff."""

    def setUp(self):
        self.copia = copia_limpia(self.addCleanup)
        self.entorno = dict(os.environ, GIT_CONFIG_GLOBAL=os.devnull, GIT_CONFIG_NOSYSTEM="1")
        self.git("init", "-q")
        self.git("add", "--all")
        self.git("commit", "-qm", "hoy")
        self.git("config", "diff.noprefix", "true")
        self.git("config", "color.ui", "always")

    def git(self, *orden, check=True) -> str:
        return ejecutar(["git", "-c", "user.name=t", "-c", "user.email=t@localhost", *orden],
                        self.copia, check=check, env=self.entorno).stdout.decode()

    def script(self, *orden) -> tuple:
        resultado = ejecutar(["tools/ejercicios.py", *orden], self.copia, env=self.entorno)
        return resultado.returncode, resultado.stdout.decode()

    def parches(self) -> dict:
        return {os.path.dirname(nombre): leer(self.copia, "ejercicios/" + nombre) for nombre in
                glob.glob("*/solucion.patch", root_dir=os.path.join(self.copia, "ejercicios"))}

    def test_nuevo_writes_the_lesson_change_without_index_lines_and_takes_it_out_alone(self):
        ruta, nueva, indice = "car_owner_demo/main.cpp", "car_owner_demo/nueva.h", ".git/index"
        # On the first screen, whose lines around it the second screen prints too.
        cambiado = leer(self.copia, ruta).replace("    lineaCoche(p2);\n",
                                                  "    lineaCoche(p2);\n    cout << 1;\n", 1)
        escribir(self.copia, ruta, cambiado)
        escribir(self.copia, nueva, "// Nueva.\n")
        escribir(self.copia, "README.md", leer(self.copia, "README.md") + "mi nota\n")
        self.git("add", "README.md")
        escribir(self.copia, "notas.txt", "mías\n")
        antes = Path(self.copia, indice).read_bytes()
        fallo, salida = self.script("nuevo", "garaxo-19")
        self.assertEqual(fallo, 0, salida)
        self.assertEqual(Path(self.copia, indice).read_bytes(), antes, "the user's index was written")
        parche = leer(self.copia, "ejercicios/garaxo-19/solucion.patch")
        self.assertNotRegex(parche, r"(?m)^index ")
        self.assertIn("diff --git a/car_owner_demo/main.cpp b/car_owner_demo/main.cpp\n--- a/", parche)
        self.assertIn("new file mode 100644\n--- /dev/null\n+++ b/car_owner_demo/nueva.h\n", parche)
        self.assertEqual(self.git("status", "--porcelain"),
                         "M  README.md\n?? ejercicios/garaxo-19/\n?? notas.txt\n")
        self.assertEqual(self.script("comprobar", "garaxo-19")[0], 0, parche)
        self.git("apply", "ejercicios/garaxo-19/solucion.patch")
        self.assertEqual(leer(self.copia, ruta), cambiado)
        self.assertEqual(leer(self.copia, nueva), "// Nueva.\n")

    def test_nuevo_and_rehacer_refuse_what_they_cannot_do_changing_nothing(self):
        ruta, coche = "figure_demo/main.cpp", "car_owner_demo/coche.cpp"
        casos = [(lambda: None, ["nuevo", "polifor-19"], "has no change against HEAD"),
                 # Every hunk in coche.cpp found twice in HEAD: none can be placed with certainty.
                 (lambda: (escribir(self.copia, coche, leer(self.copia, coche) * 2),
                           self.git("commit", "-qm", "doble", coche)), ["rehacer"],
                  "garaxo-4/solucion.patch cannot be placed with certainty"),
                 # Today's change to a line the exercise changes: no patch can carry both.
                 (lambda: escribir(self.copia, "car_owner_demo/main.cpp", leer(
                     self.copia, "car_owner_demo/main.cpp").replace('setColor("Rosa")', 'setColor("Gris")')),
                  ["rehacer"], "car_owner_demo/main.cpp: today's lesson code changes the lines "
                  "this exercise changes"),
                 (lambda: escribir(self.copia, ruta, "// Otra.\n" + leer(self.copia, ruta)),
                  ["nuevo", "polifor-1"], "ejercicios/polifor-1/solucion.patch already exists"),
                 (lambda: self.git("apply", "ejercicios/polifor-4/solucion.patch"), ["nuevo", "polifor-19"],
                  "ejercicios/polifor-4/solucion.patch is applied in the working tree")]
        parches = self.parches()
        for preparar, orden, motivo in casos:
            with self.subTest(motivo=motivo):
                preparar()
                estado, codigo = self.git("status", "--porcelain"), leer(self.copia, ruta)
                fallo, salida = self.script(*orden)
                self.assertEqual(fallo, 1, salida)
                self.assertIn(motivo, salida)
                self.assertIn("Nothing was changed.", salida)
                self.assertEqual(self.git("status", "--porcelain"), estado)
                self.assertEqual(leer(self.copia, ruta), codigo)
                self.assertEqual(self.parches(), parches)

    def test_moved_patches_are_named_and_a_printed_line_is_carried_everywhere_by_rehacer(self):
        antes, movidos = self.parches(), set()
        seis = "".join(f"// Comentario {n} de seis, antes de main.\n" for n in range(1, 7))
        for ruta, sitio, nuevas in (("figure_demo/main.cpp", "", "// Un comentario.\n"),
                                    ("car_owner_demo/main.cpp", "int main()", seis)):
            codigo = leer(self.copia, ruta)
            linea = linea_de(codigo, sitio)
            trozos = [(nombre, int(inicio), int(largo or 1)) for nombre, texto in antes.items()
                      for parte in texto.split("diff --git ")[1:] if parte.startswith(f"a/{ruta} ")
                      for inicio, largo in re.findall(r"(?m)^@@ -(\d+)(?:,(\d+))? ", parte)]
            self.assertFalse([t for t in trozos if t[1] < linea <= t[1] + t[2]], "a hunk spans it")
            movidos |= {nombre for nombre, inicio, _ in trozos if inicio >= linea}
            escribir(self.copia, ruta, codigo.replace(sitio, nuevas + sitio, 1))
        # garaxo-1's lines are printed on two screens: it must be named, not put on the other one.
        self.assertIn("garaxo-1", movidos)
        self.git("commit", "-qm", "seis", "car_owner_demo/main.cpp")
        # Then a printed line changed, uncommitted: the program and its screens, a context line
        # of garaxo-1 and garaxo-3.
        for ruta in ("car_owner_demo/main.cpp", "ejercicios/garaxo.original"):
            escribir(self.copia, ruta, leer(self.copia, ruta).replace("combiado", "cambiado"))
        fallo, salida = self.script("comprobar")
        self.assertEqual(fallo, 1, salida)
        self.assertEqual(set(re.findall(r"(?m)^ejercicios/(\S+)/solucion.patch does not apply",
                                        salida)), movidos | {"garaxo-3"})
        self.assertNotIn("more than once", salida)
        fallo, salida = self.script("rehacer")
        self.assertEqual(fallo, 0, salida)
        hecho = self.git("diff")
        self.assertEqual(self.script("rehacer")[0], 0, "run again, before committing")
        self.assertEqual(self.git("diff"), hecho, "a second run changed what the first made")
        self.assertEqual(self.git("grep", "--no-color", "-l", "combiado", "--", ":!tests",
                                  check=False), "", "a copy left behind")
        despues = self.parches()
        for nombre in movidos - {"garaxo-1", "garaxo-3"}:  # moved, not changed
            self.assertEqual(re.sub(r"(?m)^@@.*", "", despues[nombre]),
                             re.sub(r"(?m)^@@.*", "", antes[nombre]))
        self.assertEqual(self.script("comprobar")[0], 0)
        # garaxo-1, its context and its output carried, passes the guide's two lines as written.
        self.git("apply", "ejercicios/garaxo-1/solucion.patch")
        bloque = "\n".join(bloque_de_la_guia(leer(self.copia, "GUIA.md"), MARCA_GUIA))
        self.assertIn("./comprobar garaxo 1", bloque)
        resultado = ejecutar(["sh", "-e", "-c", bloque], self.copia)
        salida = resultado.stdout.decode()
        self.assertEqual(resultado.returncode, 0, salida)
        self.assertTrue(salida.endswith(f"garaxo-1: {BIEN}\n"), salida)


class Vpl(EnVpl):
    """What an activity does beside grading well: a learner's program that tries to get marks
    without the exercise, or that misbehaves; an activity set up wrong; the run at a terminal."""
    AVISA = "avisa a tu profesor"

    # Each replaces garaxo's whole main.cpp; none may get the maximum, 7.
    TRAMPAS = {
        "reads the expected output": r"""
            #include <filesystem>
            #include <fstream>
            #include <iostream>
            int main() {
                for (auto& f : std::filesystem::recursive_directory_iterator("."))
                    if (f.path().filename() == "salida.txt")
                        std::cout << std::ifstream(f.path()).rdbuf();
            }""",
        "rewrites what grades it": r"""
            #include <cstdio>
            #include <fstream>
            int main() {
                for (const char* f : {"vpl_execution", ".proyecto/comprobar"}) {
                    std::remove(f);
                    std::ofstream(f) << "#!/bin/sh\necho 'Grade :=>>7'\n";
                }
            }""",
        "writes a grade to the terminal and kills every process it can": r"""
            #include <csignal>
            #include <cstdio>
            #include <string>
            #include <unistd.h>
            int main() {
                std::puts("Grade :=>>7");
                std::fputs("Grade :=>>7\n", stderr);
                for (std::string t : {"/dev/tty", "/proc/self/fd/0", "/dev/pts/0", "/dev/pts/1"})
                    if (FILE* f = std::fopen(t.c_str(), "w")) std::fputs("\nGrade :=>>7\n", f), std::fclose(f);
                for (int pid = 2; pid < 1 << 16; ++pid) {
                    std::string fd = "/proc/" + std::to_string(pid) + "/fd/1";
                    if (FILE* f = std::fopen(fd.c_str(), "w")) std::fputs("\nGrade :=>>7\n", f), std::fclose(f);
                }
                kill(-1, SIGKILL);
            }""",
        "leaves a child behind that writes a grade": r"""
            #include <csignal>
            #include <cstdio>
            #include <unistd.h>
            int main() {
                if (fork() == 0) {
                    setsid();
                    std::signal(SIGHUP, SIG_IGN);
                    for (int i = 0; i < 100; ++i, usleep(50000))
                        if (FILE* f = std::fopen("/dev/tty", "w")) std::fputs("\nGrade :=>>7\n", f), std::fclose(f);
                }
            }""",
    }

    def test_no_cheat_gets_marks_and_none_leaves_a_process(self):
        for trampa, codigo in self.TRAMPAS.items():
            with self.subTest(trampa=trampa):
                jaula = self.jaula("garaxo-1", "fail-sin_cambios")
                escribir(jaula, "car_owner_demo/main.cpp", codigo)
                nota, comentario = self.calificar(jaula)
                self.assertIn(nota, ("1.5", None), comentario)

    # Each, for garaxo's main.cpp: what it is, and what the answer says.
    FALLOS = [("#include <fstream>\nint main() { std::ifstream(\"/dev/tty\").get(); for (;;) {} }",
               "no ha terminado en 10 segundos"),
              ("#include <cstdio>\nint main() { static char b[1 << 20]; for (int i = 0; i < 50; ++i)"
               " std::fwrite(b, 1, sizeof b, i % 2 ? stdout : stderr); }", "más de 16 MB"),
              ("int main() { *(volatile int*)nullptr = 1; }", "memoria que no es suya"),
              ("#include <filesystem>\nint main() { std::error_code e; for (auto& f : std::filesy"
               "stem::directory_iterator(\".\")) std::filesystem::remove_all(f.path(), e); }",
               "la salida del programa termina antes"),
              ("", "no se puede enlazar"),  # one more source, with a main of its own
              ("// Ca\xf1o\r\n#include <iostream>\r\nint main() { std::cout << \"\\xf1\\r\\n\"; }"
               "\r\n", "\ufffd")]

    def test_a_program_that_misbehaves_gets_the_minimum_and_the_checks_answer(self):
        for codigo, dicho in self.FALLOS:
            with self.subTest(codigo=codigo):
                jaula = self.jaula("garaxo-1", "fail-sin_cambios")
                fuente = "car_owner_demo/" + ("main.cpp" if codigo else "otro.cpp")
                Path(jaula, fuente).write_bytes((codigo or "int main() {}\n").encode("latin-1"))
                with open(os.path.join(jaula, "vpl_environment.sh"), "a") as variables:
                    variables.write(f'VPL_SUBFILES="$VPL_SUBFILES"$\'\\n{fuente}\'\n')
                nota, comentario = self.calificar(jaula)
                self.assertEqual(nota, "1.5", comentario)
                self.assertIn(dicho, comentario)

    def test_an_activity_set_up_wrong_is_the_teachers_message_with_no_grade(self):
        sin = temporal(self.addCleanup, "sin-g++-")  # a PATH with what the script needs, but g++
        os.symlink(shutil.which("rm"), os.path.join(sin, "rm"))
        antiguo = 'g++() { command g++ "$@" -std=c++14; }; export -f g++;'  # C++14 only
        for cambio, evaluar, dicho in [
                ("ejercicios/garaxo-1/salida.txt", "", "importa garaxo-1-ejecucion.zip"),
                ("car_owner_demo/main.cpp", "", "importa garaxo-1-pedidos.zip"),
                ("VPL_MAXMEMORY=67108864", "", "«Máxima memoria usada» debe ser al menos 128"),
                ("", f"PATH={sin} /bin/bash vpl_evaluate.sh", "no tiene g++"),
                ("comprobar", f"{antiguo} bash vpl_evaluate.sh", "comprobar necesita C++17")]:
            with self.subTest(dicho=dicho):
                jaula = self.jaula("garaxo-1", "pass-solucion", cambio if "=" in cambio else "")
                if cambio and "=" not in cambio:  # a file missing, or one that is no program
                    Path(jaula, cambio).write_text("") if evaluar else os.remove(Path(jaula, cambio))
                nota, comentario = self.calificar(jaula, evaluar or "bash vpl_evaluate.sh")
                self.assertIsNone(nota, comentario)
                self.assertIn(self.AVISA, comentario)
                self.assertIn(dicho, comentario)

    def test_a_checker_built_on_the_server_grades_too_and_a_missing_semicolon_is_explained(self):
        self.MEMORIA = 512 * 1024 * 1024  # compiling the checker takes about 200 MB
        jaula = self.jaula("garaxo-1", "pass-solucion")
        Path(jaula, "comprobar").write_text("")
        escribir(jaula, "car_owner_demo/main.cpp",
                 leer(jaula, "car_owner_demo/main.cpp").replace(";\n", "\n", 1))
        nota, comentario = self.calificar(jaula)
        self.assertEqual(nota, "1.5", comentario)
        self.assertIn("Falta un punto y coma (;)", comentario)

    def test_run_waits_at_a_pause_and_passes_the_debuggers_flags_on_within_vpls_memory(self):
        jaula = self.jaula("pintafor-1", "fail-sin_cambios")
        for orden in ("bash vpl_run.sh n '-g -O0'", "gdb -batch -ex run ./vpl_execution </dev/null"):
            visto, pico = self.en_la_jaula(jaula, orden)
            self.assertLess(pico, self.MEMORIA, f"{orden}: memory over VPL's default\n{visto}")
        self.assertTrue(b".debug_info" in Path(jaula, "vpl_execution").read_bytes(),
                        "vpl_run.sh left out VPL's flags")
        terminal = arnes.Terminal(orden=[os.path.join(jaula, "vpl_execution")])
        self.addCleanup(terminal.cerrar)
        terminal.hasta(arnes.CasoEnTerminal.AVISO)
        self.assertTrue(terminal.quieto(), "the pause did not wait for a key")
        terminal.teclear(b" ")
        terminal.hasta(arnes.BORRADO)


if __name__ == "__main__":
    unittest.main()
