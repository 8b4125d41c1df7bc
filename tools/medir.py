#!/usr/bin/env python3
"""What a whole run of each program costs next to a floor: a program of our own that writes the
same bytes through std::cout, each line ended by endl, and does nothing else.

For each program of programas.txt, run without a terminal on its exercises' input (the floor
writing its exercises' .original): instructions executed (callgrind, which repeats exactly), peak
resident memory, and child processes started, each with its ratio to the floor's. Fails if a program starts a child process or runs more than 1.05 times
the floor's instructions; memory is reported against its goal.

`tools/medir.py comprobacion` measures instead what a learner waits for after a one-line change to
garaxo: the check (its CMake target, and the guide's one-command checker) against rebuilding and
running the program by hand, in a plain build of a copy of the tracked files; the median of five
of each, and each ratio to the rebuild's, whose goal is 1.3; and garaxo's memory page
(comprobar --memoria), whose goal is twice the check. A benchmark: it reports, and fails on
nothing but a check that does not pass."""

import contextlib
import os
import pathlib
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import timeit

from comun import carpetas, copia_limpia

RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

CONSTRUCCION = os.path.join(RAIZ, "desarrollo/medida")  # plain Release flags, as a learner builds
METAS = {"instrucciones": 1.05, "memoria": 1.10}
EXIGIDAS = ("instrucciones",)  # the goals a run must meet; the others are reported


def leer(nombre: str) -> bytes:
    """A file of ejercicios/, or nothing where there is none."""
    ruta = pathlib.Path(RAIZ, "ejercicios", nombre)
    return ruta.read_bytes() if ruta.exists() else b""


def fuente_del_suelo(texto: str) -> str:
    lineas = texto.split("\n")
    cuerpo = [f"    std::cout << {cadena(l)} << std::endl;" for l in lineas[:-1]]
    if lineas[-1]:
        cuerpo.append(f"    std::cout << {cadena(lineas[-1])};")
    return "#include <iostream>\n\nint main()\n{\n" + "\n".join(cuerpo) + "\n}\n"


def cadena(texto: str) -> str:
    return '"' + texto.replace("\\", "\\\\").replace('"', '\\"') + '"'


def ejecutar(orden, entrada: bytes):
    """Runs in a new session (no terminal); returns what it wrote on standard error."""
    with tempfile.TemporaryFile() as fichero:
        fichero.write(entrada)
        fichero.seek(0)
        return subprocess.run(orden, stdin=fichero, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, start_new_session=True).stderr.decode()


def medir(programa: str, entrada: bytes) -> dict:
    error = ejecutar(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                         programa], entrada)
    instrucciones = int(re.search(r"Collected : (\d+)", error).group(1))
    # /usr/bin/time, not this process's own wait4: a child forked from Python starts out as large
    # as Python, and its peak would count that.
    with tempfile.NamedTemporaryFile("r") as informe:
        ejecutar(["/usr/bin/time", "-f", "%M", "-o", informe.name, programa], entrada)
        memoria = int(informe.read().split()[-1])
    error = ejecutar(["strace", "-f", "-qq", "-e", "trace=fork,vfork,clone,clone3,execve",
                         "-o", "/dev/stderr", programa], entrada)
    hijos = len([l for l in error.splitlines() if re.search(r"\b(v?fork|clone3?)\(", l)])
    return {"instrucciones": instrucciones, "memoria": memoria, "hijos": hijos}


def main() -> int:
    subprocess.run(["cmake", "-S", RAIZ, "-B", CONSTRUCCION, "-DCMAKE_BUILD_TYPE=Release"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", CONSTRUCCION, "-j2"], check=True,
                   stdout=subprocess.DEVNULL)
    print(f"{'program':<10}{'instructions':>14}{'ratio':>8}{'peak KiB':>10}{'ratio':>8}"
          f"{'children':>10}")
    fallos = 0
    for nombre in carpetas(RAIZ):
        # Its whole output with no terminal, and its input, as the exercises keep them.
        entrada, texto = leer(f"{nombre}.entrada"), leer(f"{nombre}.original").decode()
        suelo = os.path.join(CONSTRUCCION, f"suelo_{nombre}")
        pathlib.Path(suelo + ".cpp").write_text(fuente_del_suelo(texto), encoding="utf-8")
        subprocess.run(["g++", "-std=c++17", "-O3", "-DNDEBUG", suelo + ".cpp", "-o", suelo],
                       check=True)
        programa = medir(os.path.join(CONSTRUCCION, "bin", nombre), entrada)
        base = medir(suelo, b"")
        for fila, datos in ((nombre, programa), ("  floor", base)):
            ri = datos["instrucciones"] / base["instrucciones"]
            rm = datos["memoria"] / base["memoria"]
            print(f"{fila:<10}{datos['instrucciones']:>14}{ri:>8.3f}{datos['memoria']:>10}"
                  f"{rm:>8.3f}{datos['hijos']:>10}")
        for medida, meta in METAS.items():
            if programa[medida] > meta * base[medida]:
                print(f"  {nombre} misses its goal for {medida}: at most {meta} times the floor")
                fallos += medida in EXIGIDAS
        fallos += programa["hijos"]
    print(f"goals: instructions <= {METAS['instrucciones']}x, peak memory <= {METAS['memoria']}x "
          "the floor, no child process")
    return 1 if fallos else 0


def comprobacion(veces: int = 5) -> int:
    with contextlib.ExitStack() as pila:
        copia = copia_limpia(RAIZ, pila.callback)

        def en_copia(*orden, **opciones):
            return subprocess.run(orden, cwd=copia, check=True, stdout=subprocess.DEVNULL,
                                  **opciones)
        en_copia("git", "apply", "ejercicios/garaxo-1/solucion.patch")
        en_copia("cmake", "-S", ".", "-B", "build")
        en_copia("cmake", "--build", "build", "--target", "garaxo", "comprobar")
        en_copia("g++", "-std=c++17", "-I.", "-o", "comprobar", "comprobador/comprobar.cpp",
                 "comprobador/proceso_posix.cpp")
        entrada = os.path.join(copia, "ejercicios", "garaxo.entrada")

        def a_mano():
            en_copia("cmake", "--build", "build", "--target", "garaxo")
            with open(entrada, "rb") as fichero:
                en_copia(os.path.join(copia, "build", "bin", "garaxo"), stdin=fichero)

        formas = {"rebuild and run by hand": a_mano,
                  "check, CMake target": lambda: en_copia(
                      "cmake", "--build", "build", "--target", "comprobar-garaxo-1"),
                  "check, one command": lambda: en_copia("./comprobar", "garaxo", "1"),
                  "memory page": lambda: en_copia("./comprobar", "--memoria", "garaxo")}
        tiempos = {forma: [] for forma in formas}
        main_cpp = os.path.join(copia, "car_owner_demo", "main.cpp")
        for vez in range(veces + 1):  # the first round only warms the caches
            for forma, hacer in formas.items():
                with open(main_cpp, "a", encoding="utf-8") as fuente:
                    fuente.write(f"// cambio {vez} {forma}\n")  # the one-line change
                segundos = timeit.timeit(hacer, number=1)
                if vez:
                    tiempos[forma].append(segundos)
        # From nothing too, as the first check and the first page of a class are.
        desde_cero = {}
        for forma in ("check, one command", "memory page"):  # they share the objects' folder
            shutil.rmtree(os.path.join(copia, "comprobacion"), ignore_errors=True)
            desde_cero[forma] = timeit.timeit(formas[forma], number=1)
        print(f"from nothing: check {desde_cero['check, one command']:.3f} s, memory page "
              f"{desde_cero['memory page']:.3f} s, "
              f"{desde_cero['memory page'] / desde_cero['check, one command']:.2f}x")
        base = statistics.median(tiempos["rebuild and run by hand"])
        for forma, medidos in tiempos.items():
            mediana = statistics.median(medidos)
            print(f"{forma:<26}{mediana:>8.3f} s{mediana / base:>8.2f}x")
        pagina = statistics.median(tiempos["memory page"])
        print(f"memory page / one-command check: "
              f"{pagina / statistics.median(tiempos['check, one command']):.2f}x")
        print("goals: each check within 1.3x the rebuild by hand; the memory page within 2x the "
              "check")
        return 0


if __name__ == "__main__":
    sys.exit(comprobacion() if sys.argv[1:] == ["comprobacion"] else main())
