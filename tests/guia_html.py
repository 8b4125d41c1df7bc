"""The two books as pages, GUIA.html (the learner's guide) and PROFESOR.html (the teacher's edition),
in a real browser: headless Chromium opens each page alone in an empty folder, as a learner opens
the file they were handed, and prints it to A4 PDF as a teacher would. Beside them, without a
browser, the exercises' answers: in the teacher's edition, and never in the learner's guide.

Usage: guia_html.py BUILD_DIRECTORY/GUIA.html BUILD_DIRECTORY/PROFESOR.html [unittest arguments]
       guia_html.py Respuestas          (the answers alone, no browser and no pages needed)
Screenshots (desktop and phone width), each PDF and its pages as PNG go to
BUILD_DIRECTORY/guia_html/GUIA/ and BUILD_DIRECTORY/guia_html/PROFESOR/.
axe-core comes from tests/node_modules: npm ci --prefix tests."""

import base64
import difflib
import json
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

RAIZ = Path(__file__).resolve().parent.parent
EJERCICIOS = RAIZ / "ejercicios"
AXE = Path(__file__).resolve().parent / "node_modules" / "axe-core" / "axe.min.js"
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# A4 in inches, as printed in Spain and most of Latin America.
PAPEL = {"paperWidth": 8.27, "paperHeight": 11.69}

# Every picture on the page: an <img>, or an <svg> that newer pandocs write inline in its place.
DIBUJOS_JS = """return [...document.querySelectorAll('img, svg')]
                  .filter(e => !e.parentElement.closest('svg'))"""


def normalizar(texto):
    return " ".join(texto.split())


def bloques_de_codigo(texto):
    """The code blocks of a book's Markdown, each as its list of lines: the fenced ones (commands)
    and the ones indented by four spaces (screens), those without the four spaces."""
    bloques = []
    lineas = texto.split("\n")
    i = 0
    while i < len(lineas):
        valla = re.match(r"^ {0,3}(`{3,}|~{3,})", lineas[i])
        if valla:
            fin = i + 1
            while fin < len(lineas) and not lineas[fin].lstrip().startswith(valla[1]):
                fin += 1
            bloques.append(lineas[i + 1:fin])
            i = fin + 1
        elif lineas[i].startswith("    ") and (i == 0 or not lineas[i - 1].strip()):
            fin = i
            while fin < len(lineas) and (lineas[fin].startswith("    ") or not lineas[fin].strip()):
                fin += 1
            bloque = [linea[4:] for linea in lineas[i:fin]]
            while not bloque[-1].strip():
                bloque.pop()
            bloques.append(bloque)
            i = fin
        else:
            i += 1
    return bloques


# Where a program prints an address, an exercise's expected output says "[dirección 1]", and a
# book writes one as the program would, 0x7ffd5e8c1a40 (or its 16 hex digits): the same
# placeholder, the same address, and another placeholder, another address.
MARCADOR = re.compile(r"\[dirección (\d+)\]")
DIRECCION = r"(?:0x[0-9a-fA-F]+|[0-9a-fA-F]{16})"


def coinciden(esperadas, lineas):
    """Whether the lines of a book are the expected ones, trailing spaces aside, an address
    standing for each placeholder."""
    direcciones = {}
    for esperada, linea in zip(esperadas, lineas, strict=True):
        partes = MARCADOR.split(esperada.rstrip())
        patron = "".join(re.escape(p) if n % 2 == 0 else f"({DIRECCION})"
                         for n, p in enumerate(partes))
        hallada = re.fullmatch(patron, linea.rstrip())
        if not hallada:
            return False
        for numero, direccion in zip(partes[1::2], hallada.groups()):
            if direcciones.setdefault(numero, direccion) != direccion:
                return False
    # Two numbers, two places: a copy is never where its original is.
    return len(set(direcciones.values())) == len(direcciones)


def contiene(lineas, bloque):
    return any(coinciden(bloque, lineas[n:n + len(bloque)])
               for n in range(len(lineas) - len(bloque) + 1))


def lineas_pedidas(texto):
    """The screens that a book writes right after <!-- líneas pedidas: programa-n -->: the lines
    that exercise asks the learner to make the program print, the question and not its answer."""
    return [(ejercicio, [l[4:] for l in bloque.rstrip("\n").split("\n")])
            for ejercicio, bloque in re.findall(
                r"^<!-- líneas pedidas: (\S+) -->\n\s*\n((?:(?: {4}.*)?\n)+)", texto, re.MULTILINE)]


def ejercicios():
    """Each exercise (ejercicios/<programa>-<n>.salida) with its program's unmodified output."""
    for salida in sorted(EJERCICIOS.glob("*-*.salida")):
        original = EJERCICIOS / (salida.stem.rsplit("-", 1)[0] + ".original")
        yield salida, original.read_text(encoding="utf-8").split("\n"), \
            salida.read_text(encoding="utf-8").split("\n")


def cambios(original, salida):
    """The runs of lines that an exercise changes or adds to its program's output."""
    coincidencias = difflib.SequenceMatcher(None, [l.rstrip() for l in original],
                                            [l.rstrip() for l in salida], autojunk=False)
    return [(inicio, fin) for operacion, _, _, inicio, fin in coincidencias.get_opcodes()
            if operacion in ("replace", "insert")]


def bloques_de_respuesta(original, salida):
    """An exercise's answer blocks: each run of lines it changes or adds, led by as many of the
    lines before it as make it a block the unmodified program never prints, and never by an empty
    line: every screen has those, and a screen as a book shows it, at a terminal, has them where
    the output without one has the typed answers' line (garaxo's first screen)."""
    bloques = []
    for inicio, fin in cambios(original, salida):
        while inicio > 0 and (contiene(original, salida[inicio:fin]) or not salida[inicio].strip()):
            inicio -= 1
        bloques.append(salida[inicio:fin])
    return bloques


class Respuestas(unittest.TestCase):
    """No browser: the answers as the two books' texts hold them."""

    @classmethod
    def setUpClass(cls):
        cls.profesor = bloques_de_codigo((RAIZ / "PROFESOR.md").read_text(encoding="utf-8"))
        guia = (RAIZ / "GUIA.md").read_text(encoding="utf-8")
        cls.pedidas = lineas_pedidas(guia)
        # What an exercise asks for is the learner's to see, whatever another exercise answers.
        cls.guia = [b for b in bloques_de_codigo(guia) if b not in [l for _, l in cls.pedidas]]
        cls.ejercicios = list(ejercicios())

    def test_every_answer_block_is_derived_from_a_real_change(self):
        self.assertTrue(self.ejercicios, "no ejercicios/*.salida found")
        for salida, original, lineas in self.ejercicios:
            with self.subTest(ejercicio=salida.name):
                bloques = bloques_de_respuesta(original, lineas)
                self.assertTrue(bloques, f"{salida.name} prints what the unmodified program prints")
                for bloque in bloques:
                    self.assertFalse(contiene(original, bloque), bloque)

    def test_the_teachers_edition_shows_each_exercise_answer(self):
        for salida, original, lineas in self.ejercicios:
            for n, bloque in enumerate(bloques_de_respuesta(original, lineas), 1):
                with self.subTest(ejercicio=salida.name, bloque=n):
                    self.assertTrue(
                        any(contiene(codigo, bloque) for codigo in self.profesor),
                        f"PROFESOR.md has no screen (a block indented by four spaces) with these "
                        f"lines of ejercicios/{salida.name}, one after another: "
                        + "".join(f"\n    {linea}" for linea in bloque)
                        + "\nshow them in that exercise's answer")

    def test_the_learners_guide_gives_no_answer_away(self):
        for salida, original, lineas in self.ejercicios:
            for n, bloque in enumerate(bloques_de_respuesta(original, lineas), 1):
                with self.subTest(ejercicio=salida.name, bloque=n):
                    self.assertFalse(
                        any(contiene(codigo, bloque) for codigo in self.guia),
                        f"GUIA.md shows the answer of ejercicios/{salida.name}:"
                        + "".join(f"\n    {linea}" for linea in bloque)
                        + "\nthe learner's guide asks and never answers: leave it to PROFESOR.md")

    def test_the_lines_an_exercise_asks_for_are_what_its_check_expects(self):
        for ejercicio, bloque in self.pedidas:
            with self.subTest(ejercicio=ejercicio):
                salida = EJERCICIOS / f"{ejercicio}.salida"
                self.assertTrue(salida.is_file(), f"GUIA.md asks for the lines of {ejercicio}, "
                                "which ejercicios/ does not have")
                self.assertTrue(bloque and all(l.strip() for l in bloque),
                                f"the lines asked for in {ejercicio}, after its mark in GUIA.md, "
                                "are one screen with no empty line")
                self.assertTrue(contiene(salida.read_text(encoding="utf-8").split("\n"), bloque),
                                f"GUIA.md asks for lines that ejercicios/{ejercicio}.salida does "
                                "not print one after another:" + "".join(f"\n    {l}" for l in bloque))

    def test_answer_blocks_are_found_through_address_placeholders(self):
        # The comparison itself: an address for a placeholder, the same one for the same number,
        # and the lines before a change taken only as far as they are needed.
        self.assertTrue(coinciden(["a [dirección 1] b [dirección 1]"],
                                  ["a 0x7ffd5e8c1a40 b 0x7ffd5e8c1a40  "]))
        self.assertFalse(coinciden(["a [dirección 1] b [dirección 1]"],
                                   ["a 0x7ffd5e8c1a40 b 0x7ffd5e8c1a48"]))
        self.assertTrue(coinciden(["p [dirección 2]"], ["p 00007ffd5e8c1a40"]))
        self.assertTrue(coinciden(["[dirección 1]", "[dirección 2]"], ["0x10", "0x20"]))
        self.assertFalse(coinciden(["[dirección 1]", "[dirección 2]"], ["0x10", "0x10"]))
        self.assertFalse(coinciden(["p [dirección 2]"], ["p [dirección 2]x"]))
        original = ["Uno", "", "Dos", "Tres", "", "Dos", "Tres"]
        self.assertEqual(bloques_de_respuesta(original, ["Uno", "", "Dos", "Tres", "", "Uno", "Tres"]),
                         [["Tres", "", "Uno"]])
        self.assertEqual(bloques_de_respuesta(original, original + ["Cuatro"]), [["Cuatro"]])


class Libro:
    """What each page must be; a subclass names its book."""
    libro = None        # GUIA or PROFESOR
    pagina = None       # its page, from the command line

    @classmethod
    def setUpClass(cls):
        from selenium import webdriver  # only the browser's tests need it
        from selenium.webdriver.chrome.service import Service

        if not cls.pagina:
            raise RuntimeError("name the page: guia_html.py BUILD/GUIA.html BUILD/PROFESOR.html")
        if not AXE.is_file():
            raise RuntimeError(f"{AXE} is needed: npm ci --prefix tests")
        for herramienta in (CHROMIUM, CHROMEDRIVER, "pdftotext", "pdftoppm", "pdfinfo"):
            if not shutil.which(herramienta):
                raise RuntimeError(f"{herramienta} is needed: chromium, chromium-driver, poppler-utils")
        cls.capturas = Path(cls.pagina).resolve().parent / "guia_html" / cls.libro
        shutil.rmtree(cls.capturas, ignore_errors=True)
        cls.capturas.mkdir(parents=True)
        cls.temporal = tempfile.TemporaryDirectory()
        carpeta = Path(cls.temporal.name) / "sola"
        carpeta.mkdir()
        cls.copia = carpeta / f"{cls.libro}.html"
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

        cls.md = (RAIZ / f"{cls.libro}.md").read_text(encoding="utf-8")
        cls.dibujos_md = len(re.findall(r"!\[", cls.md))
        cls.programas_md = len(re.findall(r"^## \d+\. ", cls.md, re.MULTILINE))
        # The headings' words as a page shows them, without Markdown's backticks and stars.
        cls.secciones_md = [re.sub(r"[`*]", "", s)
                            for s in re.findall(r"^## (.+?)\s*$", cls.md, re.MULTILINE)]

        cls.pdf = cls.imprimir(cls.capturas / f"{cls.libro}.pdf")
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
        self.assertEqual(len(dibujos), self.dibujos_md,
                         f"pictures on the page against ![ in {self.libro}.md")
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
        # The block with the longest line, wrapped, its continuations marked.
        self.captura("movil-orden", 390, 844, True, self.js("""const larga = p =>
                Math.max(...p.innerText.split('\\n').map(l => l.length));
            return [...document.querySelectorAll('pre')].reduce((a, b) => larga(b) > larga(a) ? b : a)"""))

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

    def test_table_of_contents_links_every_section_and_the_text_is_the_main_landmark(self):
        indice = self.js("""const nav = document.querySelector('nav');
            return nav && {dentro: !!nav.closest('main'),
                           enlaces: [...nav.querySelectorAll('a')].map(a => [
                             a.textContent, (document.getElementById(
                               decodeURIComponent(a.hash.slice(1))) || {}).textContent])}""")
        self.assertIsNotNone(indice, "no <nav>: pandoc's --toc and packaging/libro.html give it")
        self.assertFalse(indice["dentro"], "the table of contents is a landmark beside <main>")
        self.assertEqual([normalizar(texto) for texto, _ in indice["enlaces"]],
                         [normalizar(s) for s in self.secciones_md],
                         f"the table of contents against the '## ' headings of {self.libro}.md")
        for texto, destino in indice["enlaces"]:
            self.assertEqual(normalizar(texto), normalizar(destino or ""), "a link's heading")
        fuera = self.js("""return [...document.querySelectorAll('h2, h3, p, pre, figure, table')]
            .filter(e => !e.closest('main, nav, header')).map(e => e.outerHTML.slice(0, 80))""")
        self.assertEqual(fuera, [], "text outside the landmarks")
        self.assertEqual(self.js("return document.querySelectorAll('main').length"), 1)

    def test_no_screen_or_code_block_is_cut_or_scrolls_sideways(self):
        self.addCleanup(self.navegador.execute_cdp_cmd, "Emulation.clearDeviceMetricsOverride", {})
        for ancho in (1280, 390):
            self.navegador.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": ancho, "height": 844, "deviceScaleFactor": 1, "mobile": ancho < 600})
            with self.subTest(ancho=ancho):
                self.assertLessEqual(self.js("return document.documentElement.scrollWidth"), ancho,
                                     f"the page scrolls sideways at {ancho} px")
                cortados = self.js("""return [...document.querySelectorAll('pre')].filter(p =>
                    p.scrollWidth > p.clientWidth || p.getBoundingClientRect().right > arguments[0]
                    || [...p.querySelectorAll('.linea')].some(l => l.scrollWidth > l.clientWidth))
                    .map(p => p.innerText.slice(0, 60))""", ancho)
                self.assertEqual(cortados, [], "blocks wider than their box: packaging/guia.css "
                                 "must wrap them (white-space: pre-wrap; overflow-wrap: anywhere)")

    def test_a_long_command_wraps_and_copies_as_its_source_lines(self):
        self.addCleanup(self.navegador.execute_cdp_cmd, "Emulation.clearDeviceMetricsOverride", {})
        self.navegador.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
        largos = [b for b in bloques_de_codigo(self.md) if max(map(len, b), default=0) > 100]
        self.assertTrue(largos, f"{self.libro}.md has no long command line to try")
        copiados = self.js("return [...document.querySelectorAll('pre')].map(p => p.innerText)")
        for bloque in largos:
            with self.subTest(linea=bloque[0][:40]):
                self.assertIn("\n".join(bloque), copiados, "a block whose copy is not its lines: "
                              "each line one <span> in packaging/guia.lua, no break added or lost")
        # At a phone's width such a line takes several rows, and the rows after its first carry
        # the continuation mark, which its first row covers.
        filas = self.js("""const l = [...document.querySelectorAll('pre .linea')]
                .reduce((a, b) => b.textContent.length > a.textContent.length ? b : a);
            const alto = parseFloat(getComputedStyle(l).lineHeight);
            const marca = getComputedStyle(l).backgroundImage, tapa = getComputedStyle(l, '::before');
            return {filas: Math.round(l.getBoundingClientRect().height / alto), marca: marca,
                    tapa: parseFloat(tapa.height) / alto, fondo: tapa.backgroundColor,
                    caja: getComputedStyle(l.closest('pre')).backgroundColor};""")
        self.assertGreater(filas["filas"], 1, "the longest line did not wrap at 390 px")
        self.assertIn("url(", filas["marca"], "no continuation mark behind the lines")
        self.assertAlmostEqual(filas["tapa"], 1, 2, "the first row's cover is one row high")
        self.assertEqual(filas["fondo"], filas["caja"], "the cover is the box's colour")

    def test_axe_finds_no_serious_or_critical_violation(self):
        self.addCleanup(self.navegador.execute_cdp_cmd, "Emulation.clearDeviceMetricsOverride", {})
        self.js(AXE.read_text(encoding="utf-8"))
        for ancho in (1280, 390):
            self.navegador.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": ancho, "height": 844, "deviceScaleFactor": 1, "mobile": ancho < 600})
            resultado = self.navegador.execute_async_script("""const listo = arguments[0];
                axe.run(document, {runOnly: {type: 'tag',
                                             values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa']}})
                   .then(r => listo({version: axe.version, violaciones: r.violations.map(v => ({
                           regla: v.id, impacto: v.impact, ayuda: v.help,
                           dónde: v.nodes.slice(0, 3).map(n => n.target.join(' '))}))}),
                         e => listo({error: String(e)}))""")
            self.assertNotIn("error", resultado)
            graves = [v for v in resultado["violaciones"] if v["impacto"] in ("serious", "critical")]
            self.assertFalse(graves, f"axe-core {resultado['version']} at {ancho} px; fix each "
                             "rule at its first targets (the style is packaging/guia.css, the "
                             "markup packaging/libro.html and packaging/guia.lua):" + "".join(
                                 f"\n  {v['regla']} ({v['impacto']}): {v['ayuda']}: "
                                 + ", ".join(v["dónde"]) for v in graves))

    def test_every_section_is_printed(self):
        impreso = normalizar(" ".join(self.paginas))
        donde = 0
        for seccion in self.secciones_md:
            hallada = impreso.find(normalizar(seccion), donde)
            self.assertGreaterEqual(hallada, 0, f"section {seccion!r} missing from the print, "
                                    "or out of order")
            donde = hallada

    def test_no_page_is_left_mostly_blank(self):
        # Each page in grey at a low resolution: how far down its lowest ink goes. Only the page
        # before a program's start, which begins a page, and the last one may stop short.
        carpeta = Path(self.temporal.name) / "grises"
        carpeta.mkdir(exist_ok=True)
        subprocess.run(["pdftoppm", "-r", "30", "-gray", self.pdf, carpeta / "p"], check=True)
        llenas = [self.hasta_donde(pgm) for pgm in sorted(carpeta.glob("p-*.pgm"))]
        self.assertEqual(len(llenas), len(self.paginas))
        antes = {n - 1 for n, texto in enumerate(self.paginas)
                 if re.match(r"\d+\.\s", texto) and n > 0}
        for n, llena in enumerate(llenas[:-1]):
            if n not in antes:
                self.assertGreaterEqual(llena, 0.5, f"page {n + 1} of {self.libro}.pdf is filled "
                                        f"only to {llena:.0%} of its height: the box after it "
                                        "(a picture or a screen kept whole) left a hole; see "
                                        f"{self.capturas}/pagina-{n + 1:02d}.png")

    @staticmethod
    def hasta_donde(pgm):
        """The share of a greyscale page's height down to its lowest row with any ink."""
        datos = pgm.read_bytes()
        cabecera = re.match(rb"P5\s+(\d+)\s+(\d+)\s+(\d+)\s", datos)
        ancho, alto = int(cabecera[1]), int(cabecera[2])
        pixeles = datos[cabecera.end():]
        for fila in range(alto - 1, -1, -1):
            if min(pixeles[fila * ancho:(fila + 1) * ancho]) < 200:
                return (fila + 1) / alto
        return 0.0

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

class Guia(Libro, unittest.TestCase):
    libro = "GUIA"

    def test_the_printed_handout_holds_no_answer(self):
        # Every line an exercise makes its program print and the unmodified program never does,
        # addresses standing for placeholders; but the lines an exercise asks for, which are its
        # question. A line of some length is sought with no spaces (a wrapped line may break
        # anywhere); a short one, such as a lone "Rojo" where garaxo's copies cut a line, only as
        # a whole line of the print.
        texto = subprocess.run(["pdftotext", self.pdf, "-"], check=True, capture_output=True,
                               text=True).stdout
        impreso = "".join(texto.split())
        renglones = [normalizar(r) for r in texto.split("\n")]
        pedidas = {l.rstrip() for _, bloque in lineas_pedidas(self.md) for l in bloque}
        for salida, original, lineas in ejercicios():
            nunca = {l.rstrip() for l in original} | pedidas
            nuevas = dict.fromkeys(l.rstrip() for inicio, fin in cambios(original, lineas)
                                   for l in lineas[inicio:fin])
            for linea in nuevas:
                if not linea.strip() or linea in nunca:
                    continue
                partes = MARCADOR.split(linea)
                if len("".join(linea.split())) >= 12:
                    patron = "".join(re.escape("".join(p.split())) if n % 2 == 0 else DIRECCION
                                     for n, p in enumerate(partes))
                    hallada = re.search(patron, impreso)
                else:
                    patron = "".join(re.escape(normalizar(p)) if n % 2 == 0 else DIRECCION
                                     for n, p in enumerate(partes))
                    hallada = next((r for r in renglones if re.fullmatch(patron, r)), None)
                with self.subTest(ejercicio=salida.name, linea=linea):
                    self.assertIsNone(hallada, f"the printed GUIA.html shows {linea!r} (in its "
                                      "text, a picture or a caption), the answer of ejercicios/"
                                      f"{salida.name}: GUIA.md must ask, and leave the answer to "
                                      "PROFESOR.md")


class Profesor(Libro, unittest.TestCase):
    libro = "PROFESOR"


if __name__ == "__main__":
    paginas = [a for a in sys.argv[1:] if a.endswith(".html")]
    for pagina in paginas:
        clase = {"GUIA.html": Guia, "PROFESOR.html": Profesor}.get(Path(pagina).name)
        if not clase:
            sys.exit(f"not a page of the two books: {pagina}")
        clase.pagina = pagina
    unittest.main(argv=[sys.argv[0]] + [a for a in sys.argv[1:] if a not in paginas], verbosity=2)
