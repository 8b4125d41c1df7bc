"""GUIA.html in a real browser: headless Chromium opens the page alone in an empty folder, as a
learner opens the file they were handed, and prints it to PDF as a teacher would.
Usage: guia_html.py BUILD_DIRECTORY/GUIA.html
Screenshots (desktop and phone width), the PDF and its pages as PNG go to BUILD_DIRECTORY/guia_html/."""

import base64
import json
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

GUIA_MD = Path(__file__).resolve().parent.parent / "GUIA.md"
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# A4 in inches, as printed in Spain and most of Latin America.
PAPEL = {"paperWidth": 8.27, "paperHeight": 11.69}

# Every picture on the page: an <img>, or an <svg> that newer pandocs write inline in its place.
DIBUJOS_JS = """return [...document.querySelectorAll('img, svg')]
                  .filter(e => !e.parentElement.closest('svg'))"""


def normalizar(texto):
    return " ".join(texto.split())


class Guia(unittest.TestCase):
    pagina = None  # set from the command line

    @classmethod
    def setUpClass(cls):
        for herramienta in (CHROMIUM, CHROMEDRIVER, "pdftotext", "pdftoppm", "pdfinfo"):
            if not shutil.which(herramienta):
                raise RuntimeError(f"{herramienta} is needed: chromium, chromium-driver, poppler-utils")
        cls.capturas = Path(cls.pagina).resolve().parent / "guia_html"
        shutil.rmtree(cls.capturas, ignore_errors=True)
        cls.capturas.mkdir()
        cls.temporal = tempfile.TemporaryDirectory()
        carpeta = Path(cls.temporal.name) / "sola"
        carpeta.mkdir()
        cls.copia = carpeta / "GUIA.html"
        shutil.copyfile(cls.pagina, cls.copia)

        opciones = webdriver.ChromeOptions()
        opciones.binary_location = CHROMIUM
        for argumento in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                          "--no-first-run", "--disable-background-networking",
                          "--disable-component-update", "--disable-sync", "--window-size=1280,900",
                          f"--user-data-dir={Path(cls.temporal.name) / 'perfil'}"):
            opciones.add_argument(argumento)
        # Every request the page makes, from the DevTools network events.
        opciones.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        cls.navegador = webdriver.Chrome(service=Service(CHROMEDRIVER), options=opciones)
        # What the browser's own start page fetched is not the guide's: drained, then cut off.
        cls.navegador.get_log("performance")
        cls.navegador.get(cls.copia.as_uri())
        eventos = [json.loads(e["message"])["message"] for e in cls.navegador.get_log("performance")]
        pedidas = [e.get("params", {}).get("request", {}).get("url") for e in eventos]
        desde = pedidas.index(cls.copia.as_uri()) if cls.copia.as_uri() in pedidas else len(eventos)
        cls.eventos = eventos[desde:]

        texto = GUIA_MD.read_text(encoding="utf-8")
        cls.dibujos_md = len(re.findall(r"!\[", texto))
        cls.programas_md = len(re.findall(r"^## \d+\. ", texto, re.MULTILINE))

        cls.pdf = cls.imprimir(cls.capturas / "GUIA.pdf")
        subprocess.run(["pdftoppm", "-r", "60", "-png", cls.pdf, cls.capturas / "pagina"], check=True)
        cls.paginas = cls.textos_por_pagina(cls.pdf)

    @classmethod
    def tearDownClass(cls):
        cls.navegador.quit()
        cls.temporal.cleanup()

    @classmethod
    def imprimir(cls, destino):
        pdf = cls.navegador.execute_cdp_cmd("Page.printToPDF",
                                            dict(PAPEL, transferMode="ReturnAsBase64"))
        destino.write_bytes(base64.b64decode(pdf["data"]))
        return destino

    @staticmethod
    def textos_por_pagina(pdf):
        informe = subprocess.run(["pdfinfo", pdf], check=True, capture_output=True, text=True).stdout
        total = int(re.search(r"^Pages:\s+(\d+)", informe, re.MULTILINE)[1])
        return [normalizar(subprocess.run(["pdftotext", "-f", str(n), "-l", str(n), pdf, "-"],
                                          check=True, capture_output=True, text=True).stdout)
                for n in range(1, total + 1)]

    def js(self, codigo, *argumentos):
        return self.navegador.execute_script(codigo, *argumentos)

    def captura(self, nombre, ancho, alto, movil, elemento=None):
        self.navegador.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": ancho, "height": alto, "deviceScaleFactor": 1, "mobile": movil})
        if elemento:
            self.js("arguments[0].scrollIntoView()", elemento)
        else:
            self.js("window.scrollTo(0, 0)")
        imagen = self.navegador.execute_cdp_cmd("Page.captureScreenshot", {"format": "png"})
        (self.capturas / f"{nombre}.png").write_bytes(base64.b64decode(imagen["data"]))

    def test_page_is_in_spanish_with_a_title(self):
        self.assertEqual(self.js("return document.documentElement.lang"), "es")
        self.assertTrue(self.navegador.title.strip())

    def test_every_picture_of_the_guide_is_inside_the_page_and_loads(self):
        dibujos = self.js(DIBUJOS_JS)
        self.assertEqual(len(dibujos), self.dibujos_md, "pictures on the page against ![ in GUIA.md")
        for dibujo in dibujos:
            estado = self.js("""const e = arguments[0];
                if (e.tagName.toLowerCase() === 'img')
                  return {cargado: e.complete && e.naturalWidth > 0, ancho: e.naturalWidth,
                          fuente: e.src.slice(0, 40)};
                const caja = e.getBoundingClientRect();
                return {cargado: caja.width > 0 && caja.height > 0, ancho: caja.width, fuente: 'svg'};""",
                             dibujo)
            self.assertTrue(estado["cargado"], estado)

    def test_page_needs_no_other_file_and_no_network(self):
        propia = self.copia.as_uri()
        pedidas = {e["params"]["request"]["url"] for e in self.eventos
                   if e["method"] == "Network.requestWillBeSent"}
        self.assertIn(propia, pedidas, "the network log saw the page itself")
        ajenas = [u for u in pedidas if u != propia and not u.startswith("data:")]
        self.assertEqual(ajenas, [])
        fallidas = [e["params"] for e in self.eventos if e["method"] == "Network.loadingFailed"]
        self.assertEqual(fallidas, [])
        self.assertEqual(self.js("""return performance.getEntriesByType('resource')
            .map(r => r.name).filter(n => !n.startsWith('data:'))"""), [])

    def test_reads_at_desktop_and_phone_width_without_sideways_scroll(self):
        self.addCleanup(self.navegador.execute_cdp_cmd, "Emulation.clearDeviceMetricsOverride", {})
        self.captura("escritorio", 1280, 900, False)
        for ancho in (1280, 390):
            self.navegador.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": ancho, "height": 844, "deviceScaleFactor": 1, "mobile": ancho < 600})
            self.assertLessEqual(self.js("return document.documentElement.scrollWidth"), ancho)
            for dibujo in self.js(DIBUJOS_JS):
                self.assertLessEqual(self.js("return arguments[0].getBoundingClientRect().right",
                                             dibujo), ancho)
        self.captura("movil", 390, 844, True)
        for nombre, selector in (("movil-dibujo", "figure, img"), ("movil-pantalla", "pre"),
                                 ("movil-tabla", "table"), ("movil-plegado", "details")):
            elementos = self.navegador.find_elements("css selector", selector)
            if elementos:
                self.captura(nombre, 390, 844, True, elementos[0])

    def test_each_program_starts_at_the_top_of_a_page(self):
        titulos = [normalizar(t) for t in self.js(
            "return [...document.querySelectorAll('h2')].map(h => h.textContent)")
            if re.match(r"\d+\.\s", t)]
        self.assertEqual(len(titulos), self.programas_md)
        self.assertGreater(len(titulos), 0)
        donde = []
        for titulo in titulos:
            primeras = [n for n, texto in enumerate(self.paginas) if texto.startswith(titulo)]
            self.assertEqual(len(primeras), 1, f"pages that begin with {titulo!r}")
            donde.append(primeras[0])
        self.assertEqual(donde, sorted(donde))
        self.assertGreater(donde[0], 0, "the guide's opening comes before the first program")

    def test_no_picture_and_no_short_screen_is_split_across_pages(self):
        # Two marks in each box, at its top and at its bottom edge: positioned absolutely, they
        # take no room, and a box cut by a page break leaves them on different pages.
        cajas = self.js("""
            const cajas = [];
            for (const d of arguments[0]) cajas.push(d.closest('figure') || d);
            for (const p of document.querySelectorAll('pre'))
              if (p.textContent.split('\\n').length <= 40) cajas.push(p);
            cajas.forEach((c, i) => {
              c.style.position = 'relative';
              for (const [borde, marca] of [['top', 'ARRIBA'], ['bottom', 'ABAJO']]) {
                const s = document.createElement('span');
                s.textContent = `MARCA${marca}${i}X`;
                s.className = 'marca-de-prueba';
                s.style.cssText = `position:absolute;${borde}:0;left:0;font-size:6px;white-space:nowrap`;
                c.appendChild(s);
              }
            });
            return cajas.length;""", self.js(DIBUJOS_JS))
        try:
            paginas = self.textos_por_pagina(self.imprimir(Path(self.temporal.name) / "marcas.pdf"))
        finally:
            self.js("document.querySelectorAll('.marca-de-prueba').forEach(s => s.remove())")
        self.assertGreaterEqual(cajas, self.dibujos_md)
        for i in range(cajas):
            arriba = [n for n, t in enumerate(paginas) if f"MARCAARRIBA{i}X" in t.replace(" ", "")]
            abajo = [n for n, t in enumerate(paginas) if f"MARCAABAJO{i}X" in t.replace(" ", "")]
            self.assertEqual(len(arriba), 1, f"box {i}'s top mark")
            self.assertEqual(arriba, abajo, f"box {i} begins and ends on different pages")

    def test_folded_answers_stay_folded_on_screen_and_print_open(self):
        # A mark inside each answer tells it from the same lines elsewhere in the guide.
        plegados = self.js("""return [...document.querySelectorAll('details')].map((d, i) => {
            const dentro = [...d.children].filter(c => c.tagName.toLowerCase() !== 'summary');
            const s = document.createElement('span');
            s.textContent = `MARCAPLEGADO${i}X`;
            s.className = 'marca-de-prueba';
            d.appendChild(s);
            return {abierto: d.open, visible: dentro.some(c => c.checkVisibility())};
          })""")
        try:
            paginas = self.textos_por_pagina(self.imprimir(Path(self.temporal.name) / "plegados.pdf"))
        finally:
            self.js("document.querySelectorAll('.marca-de-prueba').forEach(s => s.remove())")
        impreso = " ".join(paginas).replace(" ", "")
        for i, plegado in enumerate(plegados):
            self.assertFalse(plegado["abierto"] or plegado["visible"], f"answer {i} shown unfolded")
            self.assertTrue(f"MARCAPLEGADO{i}X" in impreso, f"answer {i} left out of the print")

if __name__ == "__main__":
    Guia.pagina = sys.argv.pop(1)
    unittest.main(verbosity=2)
