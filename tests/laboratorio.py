"""The lab in the browser (laboratorio/), opened from disk in headless Chromium as a learner opens
the unzipped folder: each program run screen by screen in its terminal, every exercise checked as
comprobar checks it, a compile error on its line, edits kept across a reload, and a stop.

Usage: laboratorio.py BUILD/laboratorio/pagina [COMPROBAR]
COMPROBAR: a checker built on this machine, run with clang++ on the same files for the verdicts'
table (without it, that test is skipped)."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

import arnes
import comun
from guia_html import AXE, chromium

PAGINA = Path(sys.argv[1]).resolve() if len(sys.argv) > 1 else None
COMPROBAR = sys.argv[2] if len(sys.argv) > 2 else None
RAIZ = arnes.RAIZ
AVISO = "Pulsa una tecla para continuar . . ."
CARPETAS = dict(arnes.CARPETAS)


class Laboratorio(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temporal = tempfile.TemporaryDirectory()
        cls.addClassCleanup(cls.temporal.cleanup)
        cls.navegador = chromium(cls.temporal.name, "1280,800")
        cls.addClassCleanup(cls.navegador.quit)
        cls.abrir()

    @classmethod
    def abrir(cls, cambios=None):
        """The page anew, with the learner's files `cambios` ({ruta: texto}) as kept by the page."""
        cls.navegador.get((PAGINA / "index.html").as_uri())
        cls.navegador.execute_script(
            "localStorage.clear(); for (const [r, t] of Object.entries(arguments[0]))"
            " localStorage.setItem('demos-objetos/' + r, t);", cambios or {})
        cls.navegador.refresh()

    def js(self, codigo, *argumentos):
        return self.navegador.execute_script(codigo, *argumentos)

    def texto(self, id_):
        return self.js("return document.getElementById(arguments[0]).textContent", id_)

    def esperar(self, condicion, segundos=120, que=""):
        limite = time.monotonic() + segundos
        while time.monotonic() < limite:
            valor = condicion()
            if valor:
                return valor
            time.sleep(0.1)
        self.fail(f"waited {segundos} s for {que}; status «{self.texto('estado')}», "
                  f"answer «{self.texto('respuesta')}»")

    def pulsar(self, id_):
        self.navegador.find_element("id", id_).click()

    def elegir(self, id_, valor):
        from selenium.webdriver.support.ui import Select
        Select(self.navegador.find_element("id", id_)).select_by_value(valor)

    def pantalla(self):
        """The terminal as it shows now, a line a row, with no blank rows at its end."""
        filas = self.js("return [...document.querySelectorAll('.xterm-rows > div')]"
                        ".map(f => f.textContent.replace(/\\u00a0/g, ' ').trimEnd())")
        return "\n".join(filas).rstrip("\n")

    def pantalla_quieta(self):
        """The terminal once it is drawn: the same twice, a frame apart."""
        antes = self.pantalla()
        time.sleep(0.2)
        return antes if antes == self.pantalla() else None

    def teclear(self, teclas):
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.navegador).send_keys(teclas).perform()

    def ejecutar(self, programa, lineas=()):
        """Runs the program as a learner at a terminal: a key at each pause, the next of `lineas`
        at each question; the screens, each as it was when it waited, and the last one."""
        from selenium.webdriver.common.keys import Keys
        lineas = list(lineas)
        self.elegir("programa", programa)
        self.pulsar("ejecutar")
        pantallas = []
        while True:
            estado = self.esperar(lambda: re.search(r"espera|terminado|Detenido|No se", self.texto("estado"))
                                  and self.texto("estado"), que="the program to wait or end")
            if "espera una línea" in estado:
                self.teclear((lineas.pop(0) if lineas else "") + Keys.ENTER)
                continue
            pantalla = self.esperar(self.pantalla_quieta, 10, "the screen to be drawn")
            if "espera una tecla" not in estado:  # the last screen, where no pause showed it
                return estado, pantallas + [pantalla] * (not pantallas or pantalla != pantallas[-1])
            pantallas.append(pantalla)
            self.teclear(" ")

    def test_each_program_runs_screen_by_screen_and_writes_its_screens(self):
        for programa in CARPETAS:
            with self.subTest(programa=programa):
                entrada = RAIZ / "ejercicios" / f"{programa}.entrada"
                palabras = entrada.read_text().split("\n")[:-1] if entrada.exists() else []
                estado, pantallas = self.ejecutar(programa, palabras)
                self.assertIn("ha terminado (main devolvió 0)", estado)
                # Each screen as it waited; the echo of a question's answer is the terminal's, not
                # the program's output, and the pause's line is written to the terminal alone.
                escrito = "\n".join(p for p in pantallas if p)
                for palabra in palabras:
                    escrito = escrito.replace(palabra + "\n", "", 1)
                escrito = escrito.replace(AVISO, "")
                esperado = (RAIZ / "ejercicios" / f"{programa}.original").read_text()
                solo_texto = lambda t: [l.rstrip() for l in arnes.con_nombres(t).split("\n") if l.strip()]
                self.assertEqual(solo_texto(escrito), solo_texto(esperado),
                                 f"the terminal's screens (-) against ejercicios/{programa}.original (+)")
                self.assertTrue(pantallas[-1], "the last screen stays")

    def test_every_exercise_gets_the_checkers_verdict_and_hint(self):
        """The unchanged files, the solution and each wrong attempt of every exercise, checked
        here by comprobar with clang++ and in the page."""
        if not COMPROBAR:
            self.skipTest("no checker built here to compare with")
        for ejercicio in sorted(p.parent.name for p in (RAIZ / "ejercicios").glob("*/salida.txt")):
            programa, numero = ejercicio.rsplit("-", 1)
            solucion = (RAIZ / "ejercicios" / ejercicio / "solucion.patch").read_bytes()
            casos = {"sin cambios": (None, []), "solución": (solucion, [])}
            casos.update({f"intento «{d}»": (solucion, e) for d, e in comun.intentos(str(RAIZ), ejercicio)})
            for caso, (parche, edits) in casos.items():
                with self.subTest(ejercicio=ejercicio, caso=caso):
                    if ejercicio == "polifor-2" and caso == "solución":
                        continue  # it counts a 64-bit build's bytes; the lab's is 32 (GUIA.md says so)
                    copia = Path(tempfile.mkdtemp(dir=self.temporal.name))
                    for parte in ("programas.txt", "platform", "comprobador", "ejercicios", *CARPETAS.values()):
                        (shutil.copytree if (RAIZ / parte).is_dir() else shutil.copyfile)(RAIZ / parte, copia / parte)
                    # The lesson's files as a copy dates them, all at once; what the case changes, later.
                    for archivo in (f for c in CARPETAS.values() for f in (copia / c).iterdir()):
                        os.utime(archivo, (1e9, 1e9))
                    if parche:
                        subprocess.run(["git", "apply", "-"], input=parche, cwd=copia, check=True)
                    comun.aplicar(str(copia), edits)
                    de_aqui = subprocess.run([COMPROBAR, programa, numero, "--compilador", "clang++"],
                                             cwd=copia, capture_output=True, text=True).stdout
                    lecciones = [p.relative_to(copia) for c in CARPETAS.values() for p in (copia / c).iterdir()]
                    self.abrir({str(r): (copia / r).read_text() for r in lecciones
                                if (copia / r).read_bytes() != (RAIZ / r).read_bytes()})
                    self.elegir("programa", programa)
                    self.elegir("ejercicio", numero)
                    self.pulsar("comprobar")
                    en_la_pagina = self.esperar(
                        lambda: not self.texto("respuesta").startswith("Comprobando") and self.texto("respuesta"),
                        que=f"the check of {ejercicio}")
                    # What the compiler itself says differs from one clang to another: its lines
                    # are quoted, indented, under «El compilador dice:», and where a newer clang
                    # leaves out a note, the place taken from it ("Mira ..., línea N.").
                    propio = lambda t: re.sub(r"\n  .*|(?<=«;»\.) Mira \S+, línea \d+\.", "", t.rstrip("\n"))
                    self.assertEqual(propio(en_la_pagina), propio(de_aqui))

    def test_a_compile_error_is_explained_on_its_line_and_edits_survive_a_reload(self):
        from selenium.webdriver.common.keys import Keys
        self.abrir()
        self.elegir("programa", "garaxo")
        linea = (RAIZ / "car_owner_demo" / "main.cpp").read_text().count("\n") + 1
        self.js("document.querySelector('.cm-content').focus()")
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.navegador).key_down(Keys.CONTROL).send_keys(Keys.END).key_up(Keys.CONTROL).send_keys("@@").perform()
        self.navegador.refresh()  # what was typed is kept, with no button
        self.pulsar("ejecutar")
        self.esperar(lambda: "No se ha podido compilar" in self.texto("estado"), que="the build to fail")
        respuesta = self.texto("respuesta")
        self.assertIn(f"car_owner_demo/main.cpp:{linea}:", respuesta)
        self.assertIn("todavía no está bien: el programa no compila", respuesta)
        marcada = self.js("const e = document.querySelector('.cm-lintRange-error');"
                          "return e && e.closest('.cm-line').textContent")
        self.assertIn("@@", marcada or "", "the error's line is marked in the editor")
        self.pulsar("restaurar")
        self.assertNotIn("@@", self.js("return document.querySelector('.cm-content').textContent"))

    def test_the_stop_button_ends_a_loop_and_the_next_run_starts(self):
        main = (RAIZ / "car_owner_demo" / "main.cpp").read_text()
        self.abrir({"car_owner_demo/main.cpp": main.replace("int main()\n{", "int main()\n{\n    for (;;) {}", 1)})
        self.elegir("programa", "garaxo")
        self.pulsar("ejecutar")
        self.esperar(lambda: "se está ejecutando" in self.texto("estado"), que="the loop to run")
        self.pulsar("detener")
        self.esperar(lambda: self.texto("estado") == "Detenido.", 5, "the stop")
        # In a check, the checker's time limit: the page stops its worker and checks again.
        self.pulsar("comprobar")
        self.esperar(lambda: "no ha terminado en 10 segundos" in self.texto("respuesta"), 90,
                     "the check's time limit")
        self.pulsar("restaurar")
        self.pulsar("ejecutar")
        self.esperar(lambda: "espera" in self.texto("estado"), que="garaxo's first question")

    def test_storage_refused_is_said_and_the_text_stays_on_the_page(self):
        self.abrir()
        self.js("Storage.prototype.setItem = () => { throw new DOMException('lleno', 'QuotaExceededError'); }")
        self.js("document.querySelector('.cm-content').focus()")
        self.teclear("// mío")
        self.assertIn("no deja guardar tus cambios", self.texto("aviso"))
        self.assertIn("// mío", self.js("return document.querySelector('.cm-content').textContent"))

    def test_axe_finds_no_serious_or_critical_violation_at_either_size(self):
        self.abrir()
        self.js(AXE.read_text())
        for ancho, alto in ((1280, 800), (390, 844)):
            self.navegador.set_window_size(ancho, alto)
            graves = self.navegador.execute_async_script(
                "axe.run(document).then(r => arguments[0](r.violations.filter("
                "v => ['serious', 'critical'].includes(v.impact)).map(v => v.id + ': ' + v.help)))")
            self.navegador.save_screenshot(str(PAGINA.parent / f"laboratorio-{ancho}x{alto}.png"))
            self.assertFalse(graves, f"axe-core at {ancho}x{alto}")
        self.navegador.set_window_size(1280, 800)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
