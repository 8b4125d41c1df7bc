"""Every byte size that a picture in dibujos/ shows, against the compiled class. Read from a
picture's text, its tags taken out and its comment lines ("//") left out: "sizeof(Clase) = N", of
the program that names the picture (<programa>-<tema>.dot) or of the one " en <programa>" names;
under it, "bytes A–B nombre", where the class keeps a field (named as its getter get<Nombre> gives
it out), its "puntero oculto" (a class with a virtual function) or its "relleno", from byte 0 to its
last. Bytes mentioned any other way fail, so that none goes unchecked. The numbers are a 64-bit
build's. Each program's classes are measured by a small program of its own: pintafor's Figura and
polifor's never meet. From CMake: COMPILADOR, ENLAZADO (the linker flags), BIBLIOTECAS_<programa>
(separated by os.pathsep); DIBUJOS, another folder of pictures."""

import os
import re
import shlex
import subprocess
import tempfile
import unittest
from pathlib import Path
from types import SimpleNamespace

from arnes import CARPETAS, RAIZ

DIBUJOS = os.environ.get("DIBUJOS", os.path.join(RAIZ, "dibujos"))
PROGRAMAS = "|".join(CARPETAS)
FORMAS = (rf"sizeof\(([A-Za-z_][A-Za-z0-9_]*)\) = ([0-9]+)(?: en ({PROGRAMAS}))?"
          r"|bytes ([0-9]+)–([0-9]+) +([a-z]+(?: [a-z]+)?)")
# Graphviz's own tags only: what follows the "<" that opens a label is on the picture too.
ETIQUETA = re.compile(r"</?(?:TABLE|TR|TD|FONT|BR|HR|VR|IMG|SUB|SUP|[BIUOS])\b[^<>]*>", re.I)
SIN_GETTER = ("puntero oculto", "relleno")
# Where a field starts within its object: the address its getter gives out, less the object's.
PRINCIPIO = """#include <cstdio>
#include <type_traits>
static const char* direccion(const void* lugar) { return static_cast<const char*>(lugar); }
int main() {"""


def leer(nombre: str, texto: str) -> tuple:
    """The classes that a picture shows, and what in it breaks the rules that need no compiler."""
    dibujo, programa = f"dibujos/{nombre}", re.fullmatch(rf"({PROGRAMAS})-.+\.dot", nombre)
    if not programa:
        return [], [f"{dibujo}: rename it <{PROGRAMAS}>-<tema>.dot, after its program"]
    texto = ETIQUETA.sub(" ", re.sub(r"^[ \t]*//.*", "", texto, flags=re.M))
    clases, errores = [], []
    for hallado in re.finditer(FORMAS, texto):
        clase, tamano, otro, primero, ultimo, campo = hallado.groups()
        if clase:
            clases.append(SimpleNamespace(donde=f"{dibujo}, {hallado[0]}", programa=otro or programa[1],
                                          nombre=clase, bytes=int(tamano), rangos=[]))
        elif clases:
            clases[-1].rangos.append((int(primero), int(ultimo), campo))  # A and B both included
        else:
            errores.append(f'{dibujo}: "{hallado[0]}" comes before any "sizeof(Clase) = N": '
                           "put it under the sizeof line of its class")
    for clase in clases:
        siguiente = 0
        for primero, ultimo, campo in clase.rangos:
            rango = f'{clase.donde}: "bytes {primero}–{ultimo} {campo}"'
            if primero != siguiente or ultimo < primero:
                errores.append(f"{rango} must start at byte {siguiente}, right after the range before "
                               "it (the first at 0), with no gap or overlap, and end after it starts")
            if campo == "puntero oculto" and ultimo - primero + 1 != 8:
                errores.append(f"{rango}: a hidden pointer takes 8 bytes on a 64-bit build")
            siguiente = ultimo + 1
        if clase.rangos and siguiente != clase.bytes:
            errores.append(f"{clase.donde}: the last range ends at byte {siguiente - 1}, not at "
                           f"{clase.bytes - 1}: the ranges cover the whole object")
    sobrante = re.sub(FORMAS, "", texto)
    for palabra in re.finditer(r"\w*(?:sizeof|byte|octeto|offset|desplazamiento)\w*", sobrante, re.I):
        cerca = " ".join(sobrante[max(0, palabra.start() - 30):palabra.end() + 30].split())
        errores.append(f'{dibujo}: "{palabra[0]}" near "{cerca}" is in neither form that this test '
                       'checks: write "sizeof(Clase) = N", or "bytes A–B nombre" under it')
    return clases, errores


def compilado(programa: str, clases: list, carpeta: str) -> list:
    """What the pictures' numbers for one program's classes break in the compiled classes."""
    cabeceras = sorted((RAIZ / CARPETAS[programa]).glob("*.h"))
    fuente = [f'#include "{os.path.relpath(cabecera, RAIZ)}"' for cabecera in cabeceras] + [PRINCIPIO]
    for clase in clases:  # each line named, in the compiler's errors, after the text it checks
        fuente += [f'#line 1 "{clase.donde}"', f'std::printf("%zu %d\\n", sizeof({clase.nombre}), '
                   f"static_cast<int>(std::is_polymorphic_v<{clase.nombre}>));"]
        for primero, ultimo, campo in (rango for rango in clase.rangos if rango[2] not in SIN_GETTER):
            fuente += [f'#line 1 "{clase.donde}: bytes {primero}–{ultimo} {campo}"',
                       f'{{ const {clase.nombre} objeto{{}}; std::printf("%td\\n", '
                       f"direccion(objeto.get{campo.capitalize()}()) - direccion(&objeto)); }}"]
    binario = os.path.join(carpeta, programa)
    Path(binario + ".cpp").write_text("\n".join(fuente + ["}"]) + "\n", encoding="utf-8")
    bibliotecas = os.environ[f"BIBLIOTECAS_{programa}"].split(os.pathsep)
    orden = [os.environ["COMPILADOR"], "-std=c++17", "-I", RAIZ, binario + ".cpp", "-o", binario,
             *bibliotecas, *shlex.split(os.environ.get("ENLAZADO", ""))]
    compilacion = subprocess.run(orden, capture_output=True, text=True, check=False)
    if compilacion.returncode != 0:
        return [f"{programa}: the program that measures its classes does not build. Where the compiler "
                f"names a picture's text, name that class or field as {CARPETAS[programa]}/*.h does (a "
                "field's getter get<Nombre> gives out a pointer into the object):\n"
                + "\n".join(compilacion.stderr.splitlines()[:30])]
    lineas = iter(subprocess.run([binario], capture_output=True, text=True, check=True).stdout.split())
    errores = []
    for clase in clases:
        tamano, polimorfica = int(next(lineas)), next(lineas) == "1"
        if tamano != clase.bytes:
            errores.append(f"{clase.donde}: the compiled {clase.nombre} takes {tamano} bytes: write "
                           f"sizeof({clase.nombre}) = {tamano}, and its ranges to match")
        for primero, ultimo, campo in clase.rangos:
            rango = f'{clase.donde}: "bytes {primero}–{ultimo} {campo}"'
            if campo == "puntero oculto" and not polimorfica:
                errores.append(f"{rango}, but {clase.nombre} has no virtual function, so no hidden "
                               "pointer: give those bytes to its fields")
            if campo in SIN_GETTER:
                continue
            desde = int(next(lineas))
            if not 0 <= desde < tamano:
                errores.append(f"{rango}, but get{campo.capitalize()}() gives out an address outside the "
                               f"object, not one of its fields: name a field that {clase.nombre} holds")
            elif desde != primero:
                errores.append(f"{rango}, but the compiled {clase.nombre} keeps {campo} from byte "
                               f"{desde}: start it there, and the ranges around it to match")
    return errores


class Dibujos(unittest.TestCase):
    def test_every_size_and_byte_range_on_a_picture_matches_the_compiled_class(self):
        rutas, clases, errores = sorted(Path(DIBUJOS).glob("*.dot")), [], []
        self.assertTrue(rutas, f"no picture in {DIBUJOS}")
        self.assertTrue(os.environ.get("COMPILADOR"), "run it with ctest, which names the compiler")
        for ruta in rutas:
            suyas, suyos = leer(ruta.name, ruta.read_text(encoding="utf-8"))
            clases, errores = clases + suyas, errores + suyos
        with tempfile.TemporaryDirectory() as carpeta:
            for programa in CARPETAS:
                if del_programa := [clase for clase in clases if clase.programa == programa]:
                    errores += compilado(programa, del_programa, carpeta)
        if errores:
            self.fail("\n" + "\n".join(errores))


class Reglas(unittest.TestCase):
    """The rules on short texts, before any compiler."""

    def test_reads_each_form_through_the_tags_and_not_in_comment_lines(self):
        clases, errores = leer("polifor-x.dot", "// sizeof(Nada) = 1, offset\n<TD>sizeof(Figura) = 16</TD>"
                               "<TD>bytes 0–7</TD><TD><I>puntero oculto</I></TD>\n <TD>bytes 8–15</TD>"
                               "<TD>color</TD> | sizeof(Circulo) = 4 en pintafor")
        self.assertEqual(errores, [])
        self.assertEqual([(c.programa, c.nombre, c.bytes, c.rangos) for c in clases],
                         [("polifor", "Figura", 16, [(0, 7, "puntero oculto"), (8, 15, "color")]),
                          ("pintafor", "Circulo", 4, [])])

    def test_each_broken_rule_fails_with_what_to_fix(self):
        for nombre, texto, esperado in [
                ("garaxo-x.dot", "sizeof(A) = 8 | bytes 1–7 x", "must start at byte 0"),
                ("garaxo-x.dot", "sizeof(A) = 8 | bytes 0–3 x | bytes 5–7 y", "must start at byte 4"),
                ("garaxo-x.dot", "sizeof(A) = 8 | bytes 0–3 x", "last range ends at byte 3, not at 7"),
                ("garaxo-x.dot", "sizeof(A) = 9 | bytes 0–0 puntero oculto | bytes 1–8 x", "8 bytes"),
                ("garaxo-x.dot", "bytes 0–7 x | sizeof(A) = 8", "comes before any"),
                ("garaxo-x.dot", "sizeof(A) = 8 | <I>Offsets</I> 4", '"Offsets" near'),
                ("garaxo-x.dot", "sizeof (A) = 8", '"sizeof" near'),
                ("garaxo-x.dot", "label=<3 octetos<BR/>>", '"octetos" near'),
                ("coche.dot", "sizeof(A) = 8", "rename it")]:
            with self.subTest(texto=texto):
                errores = leer(nombre, texto)[1]
                self.assertEqual(len(errores), 1, errores)
                self.assertIn(esperado, errores[0])


if __name__ == "__main__":
    unittest.main()
