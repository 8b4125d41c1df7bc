"""The books (GUIA.html, PROFESOR.html) and the class materials (each program's prediction sheet
and slides, <programa>-hoja.html and -diapositivas.html), each page opened alone in headless
Chromium, as a learner or a teacher opens the file they were handed, and printed. Without a
browser: the exercises' answers (only where a teacher reads them), every screen against the
program's output, and the quiz for Moodle made from the teacher's edition.

Usage: guia_html.py PAGE.html...        (each page by its kind, from its file name)
       guia_html.py Respuestas          (the answers alone, no browser and no pages needed)
       guia_html.py Cuestionario GIFT   (the built quiz, with node and gift-pegjs)
Screenshots, each PDF and its pages as PNG go to BUILD_DIRECTORY/guia_html/<page>/.
axe-core, reveal.js and gift-pegjs come from tests/node_modules: npm ci --prefix tests."""

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

import arnes
from comun import seccion

RAIZ = arnes.RAIZ
EJERCICIOS = RAIZ / "ejercicios"
CLASE = RAIZ / "clase"
PROGRAMAS = tuple(arnes.CARPETAS)
AXE = Path(__file__).resolve().parent / "node_modules" / "axe-core" / "axe.min.js"
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# A4 in inches, as printed in Spain and most of Latin America.
PAPEL = {"paperWidth": 8.27, "paperHeight": 11.69}

# Every picture on the page, or in the element given: an <img>, or an <svg> that newer pandocs write
# inline in its place.
DIBUJOS_JS = """return [...(arguments[0] || document).querySelectorAll('img, svg')]
                  .filter(e => !e.parentElement.closest('svg'))"""


def normalizar(texto):
    return " ".join(texto.split())


def pdftotext(pdf):
    return subprocess.run(["pdftotext", pdf, "-"], check=True, capture_output=True, text=True).stdout


def bloques_de_codigo(archivo):
    """The code blocks of a Markdown file or a manual page (.EX/.EE, .nf/.fi, its escapes undone)
    as pandoc reads it, in order: (the number of the line where each starts, its lines, the
    exercise whose lines it asks for when it comes right after '<!-- líneas pedidas: programa-n
    -->', else None). pandoc gives no line of a manual page's block: it is its request's."""
    texto, man = Path(archivo).read_text(encoding="utf-8"), Path(archivo).suffix == ".1"
    arbol = json.loads(subprocess.run(
        ["pandoc", "--from", "man" if man else "commonmark_x+sourcepos", "--to", "json"],
        check=True, capture_output=True, text=True, input=texto).stdout)
    peticiones = (n for n, l in enumerate(texto.split("\n"), 1) if re.match(r"\.(EX|nf)\b", l))
    bloques, pedido = [], None

    def recorrer(nodo):
        nonlocal pedido
        if isinstance(nodo, list):
            for hijo in nodo:
                recorrer(hijo)
        elif isinstance(nodo, dict):
            if nodo["t"] == "CodeBlock":
                (_, _, atributos), codigo = nodo["c"]
                inicio = next(peticiones) if man else int(dict(atributos)["data-pos"].split(":")[0])
                bloques.append((inicio, codigo.split("\n"), pedido))
                pedido = None
            elif nodo["t"] == "RawBlock":
                hallado = re.match(r"<!-- líneas pedidas: (\S+) -->", nodo["c"][1])
                pedido = hallado and hallado[1]
            elif nodo["t"] == "Para":
                pedido = None
            else:
                recorrer(nodo.get("c"))

    recorrer(arbol["blocks"])
    return bloques


def contiene(lineas, bloque):
    """Whether lines hold a block, one line after another, trailing spaces aside, an address
    standing for each placeholder: the same one for the same number, another for another."""
    buscado = arnes.con_nombres("\n".join(l.rstrip() for l in bloque))
    return any(arnes.con_nombres("\n".join(l.rstrip() for l in lineas[n:n + len(bloque)]))
               == buscado for n in range(len(lineas) - len(bloque) + 1))


# What a pause writes at a terminal, and only there: a book's screen shows it, a file of
# ejercicios/ (the output with no terminal) does not.
AVISO = re.search(r'kAviso\[\] = "(.*?) *"', (RAIZ / "platform" / "consola_posix.cpp")
                  .read_text(encoding="utf-8"))[1]


def salidas(programa):
    """What a program prints with no terminal, unchanged and with each exercise: (file, lines)."""
    for archivo in [EJERCICIOS / f"{programa}.original",
                    *sorted(EJERCICIOS.glob(f"{programa}-*/salida.txt"))]:
        yield archivo, [l.rstrip() for l in archivo.read_text(encoding="utf-8").split("\n")]


def ejercicios():
    """Each exercise's expected output (ejercicios/<programa>-<n>/salida.txt), with its program's
    unmodified output: (file, those lines, its lines)."""
    for programa in PROGRAMAS:
        (_, original), *resto = salidas(programa)
        yield from ((salida, original, lineas) for salida, lineas in resto)


def anonimo(texto):
    """A text with each address and each placeholder as the same mark."""
    return re.sub(f"{arnes.DIRECCION}|{arnes.MARCADOR.pattern}", "@", texto)


def sin_terminal(lineas, entrada, impreso):
    """A screen as a book shows it at a terminal, as the program writes it with no terminal: no
    pause's prompt, and no word typed (one of entrada, after a prompt's ': ' at the end of a line
    that the program never prints, impreso) nor its Enter."""
    vista, pegar = [], False
    for linea in (l.rstrip() for l in lineas if l.strip() != AVISO):
        tecleada = next((w for w in entrada if linea.endswith(": " + w) and linea not in impreso),
                        None)
        texto = linea[:-len(tecleada)] if tecleada else linea
        if pegar:
            vista[-1] += texto
        else:
            vista.append(texto)
        pegar = tecleada is not None
    while vista and not vista[-1]:
        vista.pop()
    return [l.rstrip() for l in vista]


def lineas_pedidas():
    """The lines that GUIA.md asks an exercise for (its question, not an answer)."""
    return {l.rstrip() for _, b, pedido in bloques_de_codigo(RAIZ / "GUIA.md") if pedido for l in b}


def codigo_de_las_soluciones():
    """For each exercise, the lines of code its solution adds that the lesson code lacks, with no
    comment and no space."""
    def sin_comentario(linea):
        return "".join(linea.split("//")[0].split())

    leccion = {sin_comentario(l) for carpeta in arnes.CARPETAS.values()
               for f in (RAIZ / carpeta).glob("*.[ch]*") for l in f.read_text(encoding="utf-8").split("\n")}
    codigo = {}
    for parche in sorted(EJERCICIOS.glob("*/solucion.patch")):
        lineas = [sin_comentario(l[1:]) for l in parche.read_text(encoding="utf-8").split("\n")
                  if re.match(r"\+(?!\+\+ )", l)]
        codigo[parche.parent.name] = [l for l in lineas if len(l) >= 8 and l not in leccion]
    return codigo


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


def lineas_nuevas(excepto=()):
    """For each exercise, the lines it makes its program print and the unmodified program never
    does, but those in excepto (the lines an exercise asks for, which are its question)."""
    nuevas = {}
    for salida, original, lineas in ejercicios():
        nunca = {l.rstrip() for l in original} | set(excepto)
        nuevas[salida.parent.name] = [l for l in dict.fromkeys(
            l.rstrip() for inicio, fin in cambios(original, lineas) for l in lineas[inicio:fin])
            if l.strip() and l not in nunca]
    return nuevas


def hallada_en(linea, texto):
    """Whether a text (a printed page, a slide, a comment) shows an exercise's line, addresses
    standing for placeholders. A line of some length is sought with no spaces (a wrapped line may
    break anywhere); a short one, such as a lone "Rojo" where garaxo's copies cut a line, only as a
    whole line of the text."""
    largo = len("".join(linea.split())) >= 12
    espacios = (lambda t: "".join(t.split())) if largo else normalizar
    patron = "".join(re.escape(espacios(p)) if n % 2 == 0 else arnes.DIRECCION
                     for n, p in enumerate(arnes.MARCADOR.split(linea)))
    if largo:
        return re.search(patron, espacios(texto)) is not None
    return any(re.fullmatch(patron, normalizar(r)) for r in texto.split("\n"))


def respuestas_en(texto, excepto=()):
    """The exercises whose answer lines a text shows, each with the first such line."""
    halladas = {}
    for ejercicio, nuevas in lineas_nuevas(excepto).items():
        linea = next((l for l in nuevas if hallada_en(l, texto)), None)
        if linea is not None:
            halladas[ejercicio] = linea
    return halladas


def diapositivas(texto):
    """A deck's slides, from its Markdown: (heading, text) for each '## ' heading."""
    partes = re.split(r"^## (.*)$", texto, flags=re.MULTILINE)
    return list(zip(partes[1::2], partes[2::2]))


def plan(profesor, programa):
    """The rows of a program's class plan in the teacher's edition, the table under its heading
    'La clase en una página': (first minute, last minute, what to do)."""
    return [(int(a), int(b), que) for a, b, que in re.findall(
        r"^\| *(\d+)-(\d+) *\| *(.*?) *\|$", seccion(profesor, programa, "La clase en una página"),
        re.MULTILINE)]


def en_clase(filas):
    """The exercises a plan's rows set in class, by number."""
    return sorted({n for _, _, que in filas for n in re.findall(r"[Ee]jercicio (\d+)", que)})


class Respuestas(unittest.TestCase):
    """No browser: the answers as the two books' texts hold them."""

    @classmethod
    def setUpClass(cls):
        cls.profesor_md = (RAIZ / "PROFESOR.md").read_text(encoding="utf-8")
        cls.bloques = {libro: bloques_de_codigo(RAIZ / libro)
                       for libro in ("GUIA.md", "PROFESOR.md", *sorted(str(f.relative_to(RAIZ)) for f in
                                     [*CLASE.glob("*.md"), *(RAIZ / "man").glob("*.1")]))}
        cls.profesor = [lineas for _, lineas, _ in cls.bloques["PROFESOR.md"]]
        # What an exercise asks for is the learner's to see, whatever another exercise answers.
        cls.guia = [lineas for _, lineas, pedido in cls.bloques["GUIA.md"] if not pedido]
        cls.ejercicios = list(ejercicios())

    def test_every_screen_a_book_a_slide_or_a_manual_page_shows_is_what_its_program_prints(self):
        # A screen of a program is a block that shows the pause or a line the program prints, or
        # the lines an exercise asks for: a run of lines of one of the program's files in
        # ejercicios/ (of that exercise's salida.txt; of its .original on its manual page), addresses
        # standing for placeholders. A program's section of a book, and a file of clase/ or man/
        # named after it, show only its own.
        self.assertEqual([l for l in self.bloques if l.startswith("man/")],
                         [f"man/{p}.1" for p in PROGRAMAS], "each program's manual page read")
        archivos = {p: list(salidas(p)) for p in PROGRAMAS}
        impresas = {p: {arnes.con_nombres(l) for _, ls in archivos[p] for l in ls} for p in PROGRAMAS}
        viejas, pantallas = [], []
        for libro, bloques in self.bloques.items():
            texto = (RAIZ / libro).read_text(encoding="utf-8").split("\n")
            secciones = [(n, hallado[1]) for n, linea in enumerate(texto, 1)
                         for hallado in [re.match(r"## (?:\d+\. (\w+))?", linea)] if hallado]
            for inicio, lineas, pedido in bloques:
                propio = next((p for p in PROGRAMAS if Path(libro).stem.split("-")[0] == p), None) or \
                    next((p for n, p in reversed(secciones) if n < inicio), None)
                candidatos = [propio] if propio else PROGRAMAS
                entrada = [w for p in candidatos for e in EJERCICIOS.glob(f"{p}.entrada")
                           for w in e.read_text(encoding="utf-8").split()]
                suyos = [(f, ls) for p in candidatos for f, ls in archivos[p] if f.parent.name == pedido or not
                         pedido and (f.suffix == ".original" or not libro.startswith("man/"))]
                impreso = "\n".join(l for _, ls in suyos for l in ls)
                vista = sin_terminal(lineas, entrada, impreso)
                if not (pedido or AVISO in map(str.strip, lineas) or any(
                        arnes.con_nombres(l) in impresas[p] for l in vista if l for p in candidatos)):
                    continue
                pantallas.append(libro)
                if not any(contiene(ls, vista) for _, ls in suyos):
                    # Named by its first line that the program prints nowhere.
                    n = next((n for n, l in enumerate(lineas) if l.strip() not in ("", AVISO) and
                              anonimo(sin_terminal([l], entrada, impreso)[0]) not in anonimo(impreso)), 0)
                    valla = texto[inicio - 1].lstrip().startswith(("```", "~~~", ".EX", ".nf"))
                    viejas.append(f"{libro}:{inicio + valla + n}: {lineas[n]!r}")
        self.assertTrue(pantallas, "no screen found in any book")
        self.assertFalse(viejas, "screens that no file of ejercicios/ prints line for line (its "
                         ".original or a salida.txt of the section's program; the lines an exercise "
                         "asks for, its salida.txt; a manual page, its .original): copy each again "
                         "from the file, an address as an example such as 0x7ffd5e8c1a40:\n"
                         + "\n".join(viejas))

    def test_each_answer_stands_in_the_teachers_edition_and_not_in_the_guide(self):
        self.assertTrue(self.ejercicios, "no ejercicios/*/salida.txt found")
        for salida, original, lineas in self.ejercicios:
            for n, bloque in enumerate(bloques_de_respuesta(original, lineas), 1):
                with self.subTest(ejercicio=salida.parent.name, bloque=n):
                    mostradas = "".join(f"\n    {linea}" for linea in bloque)
                    self.assertTrue(any(contiene(codigo, bloque) for codigo in self.profesor),
                                    f"{salida.parent.relative_to(RAIZ)}/respuesta.md has no screen "
                                    f"with these lines of {salida.relative_to(RAIZ)}, one after "
                                    f"another:{mostradas}\nshow them in its answer (then "
                                    "tools/libros.py); or, if salida.txt is the stale one after "
                                    "the program's screens changed, tools/ejercicios.py rehacer")
                    self.assertFalse(any(contiene(codigo, bloque) for codigo in self.guia),
                                     f"GUIA.md shows the answer of {salida.relative_to(RAIZ)}:"
                                     f"{mostradas}\nthe learner's guide asks and never answers")

    def test_no_sheet_man_page_or_lesson_comment_gives_an_answer_away(self):
        # What a learner reads besides the guide: the prediction sheets handed out in class, the
        # manual pages, and the comments of the code the exercises change.
        textos = {hoja.relative_to(RAIZ): hoja.read_text(encoding="utf-8")
                  for hoja in sorted(CLASE.glob("*-hoja.md"))}
        self.assertEqual(len(textos), len(PROGRAMAS), "a prediction sheet per program in clase/")
        for pagina in sorted((RAIZ / "man").glob("*.1")):
            textos[pagina.relative_to(RAIZ)] = subprocess.run(
                ["pandoc", "--from", "man", "--to", "plain", pagina], check=True, capture_output=True,
                text=True).stdout
        for carpeta in arnes.CARPETAS.values():
            for fuente in sorted((RAIZ / carpeta).glob("*.[ch]*")):
                textos[fuente.relative_to(RAIZ)] = "\n".join(
                    re.findall(r"//(.*)$", fuente.read_text(encoding="utf-8"), re.MULTILINE))
        pedidas = lineas_pedidas()
        codigo = codigo_de_las_soluciones()
        for nombre, texto in textos.items():
            with self.subTest(archivo=str(nombre)):
                self.assertEqual(respuestas_en(texto, pedidas), {},
                                 f"{nombre} shows these exercises' answer lines (exercise: its "
                                 "first line); only the teacher's edition and the slides after "
                                 "each exercise may")
                if str(nombre).endswith((".h", ".cpp")):
                    self.assertEqual({e: ls for e, ls in codigo.items() if any(
                        l in "".join(texto.split()) for l in ls)}, {}, f"a comment of {nombre} "
                        "writes the code of these exercises' solutions")

    def test_each_exercise_the_learner_writes_has_a_rubric_and_its_code_only_there(self):
        # The guide says "Esta vez escribes tú" where the code is the learner's to find: the
        # teacher's edition grades it with a rubric, and the guide never writes it.
        escritos, con_rubrica = ({c.parent.name for c in EJERCICIOS.glob(f"*/{archivo}")
                                  if marca in c.read_text(encoding="utf-8")} for archivo, marca in
                                 (("enunciado.md", "Esta vez escribes tú"),
                                  ("respuesta.md", "**Rúbrica.**")))
        self.assertTrue(escritos, "no ejercicios/*/enunciado.md says 'Esta vez escribes tú'")
        self.assertEqual(escritos, con_rubrica, "the exercises whose code the learner writes "
                         "(enunciado.md: 'Esta vez escribes tú') against those with a "
                         "'**Rúbrica.**' in their respuesta.md")
        seguida = "".join((RAIZ / "GUIA.md").read_text(encoding="utf-8").split())
        for ejercicio in sorted(escritos):
            with self.subTest(ejercicio=ejercicio):
                self.assertEqual([l for l in codigo_de_las_soluciones()[ejercicio] if l in seguida],
                                 [], "GUIA.md writes the code of its solution (spaces aside)")

    def test_the_slides_show_an_answer_only_after_an_exercise_it_answers(self):
        # A line that several exercises print may come after any of them has been set.
        nuevas = lineas_nuevas()
        for programa in PROGRAMAS:
            deck = CLASE / f"{programa}-diapositivas.md"
            with self.subTest(deck=deck.name):
                self.assertTrue(deck.is_file(), f"no slides for {programa} in clase/")
                planteados = set()
                for titulo, texto in diapositivas(deck.read_text(encoding="utf-8")):
                    # The exercise a slide sets is the learner's to do, whatever it shows.
                    hallado = re.match(r"Ejercicio (\d+):", titulo)
                    if hallado and "puesta en común" not in titulo:
                        planteados.add(f"{programa}-{hallado[1]}")
                        continue
                    for linea in {l for ls in nuevas.values() for l in ls}:
                        if hallada_en(linea, titulo + "\n" + texto):
                            de = {e for e, ls in nuevas.items() if linea in ls}
                            self.assertTrue(de & planteados, f"the slide {titulo!r} shows "
                                            f"{linea!r}, the answer of {sorted(de)}, before "
                                            "the slide that sets it ('## Ejercicio N: ...')")

    def test_each_plan_fits_the_hour_with_two_exercises_at_most(self):
        for programa in PROGRAMAS:
            filas = plan(self.profesor_md, programa)
            with self.subTest(programa=programa):
                self.assertTrue(filas, f"PROFESOR.md has no table under '### La clase en una "
                                f"página' in {programa}'s section")
                self.assertEqual(filas[0][0], 0, "the plan starts at minute 0, with the start")
                for (_, fin, _), (inicio, _, que) in zip(filas, filas[1:]):
                    self.assertEqual(inicio, fin, f"a gap or overlap in the minutes before {que!r}")
                self.assertLessEqual(filas[-1][1], 45, "a 50-minute class plans 45 at most")
                self.assertLessEqual(len(en_clase(filas)), 2, f"exercises in class: {en_clase(filas)}")

    def test_the_teachers_edition_embeds_every_picture_its_plans_show(self):
        for programa in PROGRAMAS:
            for _, _, que in plan(self.profesor_md, programa):
                for dibujo in re.findall(rf"`((?:{'|'.join(PROGRAMAS)})-[a-z-]+)`", que):
                    with self.subTest(programa=programa, dibujo=dibujo):
                        self.assertTrue((RAIZ / "dibujos" / f"{dibujo}.svg").is_file(), dibujo)
                        self.assertIn(f"](dibujos/{dibujo}.svg)", self.profesor_md,
                                      f"{programa}'s plan shows {dibujo}: embed it in PROFESOR.md")

    def test_an_answer_block_reaches_back_only_as_far_as_it_must(self):
        original = ["Uno", "", "Dos", "Tres", "", "Dos", "Tres"]
        self.assertEqual(bloques_de_respuesta(original, ["Uno", "", "Dos", "Tres", "", "Uno", "Tres"]),
                         [["Tres", "", "Uno"]])
        self.assertEqual(bloques_de_respuesta(original, original + ["Cuatro"]), [["Cuatro"]])


def chromium(perfil, tamano, capacidades=None):
    """Headless Chromium with a profile of its own, at a window size ("1280,900"), that asks the
    network for nothing of its own."""
    from selenium import webdriver  # only the browser's tests need it
    from selenium.webdriver.chrome.service import Service

    opciones = webdriver.ChromeOptions()
    opciones.binary_location = CHROMIUM
    for argumento in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                      "--no-first-run", "--disable-background-networking",
                      "--disable-component-update", "--disable-sync", f"--window-size={tamano}",
                      f"--user-data-dir={perfil}"):
        opciones.add_argument(argumento)
    for nombre, valor in (capacidades or {}).items():
        opciones.set_capability(nombre, valor)
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=opciones)


class Pagina:
    """What every page must be, opened alone in headless Chromium; a subclass names its page."""
    libro = None        # the page's name: GUIA, PROFESOR, garaxo-hoja, garaxo-diapositivas...
    pagina = None       # its file, from the command line
    anchos = ((1280, 844), (390, 844))  # the sizes it is read at: desktop and phone

    @classmethod
    def setUpClass(cls):
        if not cls.pagina:
            raise RuntimeError("name the page: guia_html.py BUILD/GUIA.html BUILD/PROFESOR.html")
        if not AXE.is_file():
            raise RuntimeError(f"{AXE} is needed: npm ci --prefix tests")
        for herramienta in (CHROMIUM, CHROMEDRIVER, "pdftotext", "pdftoppm"):
            if not shutil.which(herramienta):
                raise RuntimeError(f"{herramienta} is needed: chromium, chromium-driver, poppler-utils")
        cls.capturas = Path(cls.pagina).resolve().parent / "guia_html" / cls.libro
        shutil.rmtree(cls.capturas, ignore_errors=True)
        cls.capturas.mkdir(parents=True)
        cls.temporal = tempfile.TemporaryDirectory()
        cls.addClassCleanup(cls.temporal.cleanup)
        carpeta = Path(cls.temporal.name) / "sola"
        carpeta.mkdir()
        cls.copia = carpeta / f"{cls.libro}.html"
        shutil.copyfile(cls.pagina, cls.copia)

        # Every request the page makes, from the DevTools network events.
        cls.navegador = chromium(Path(cls.temporal.name) / "perfil", "1280,900",
                                 {"goog:loggingPrefs": {"performance": "ALL"}})
        cls.addClassCleanup(cls.navegador.quit)
        # What the browser's own start page fetched is not the guide's: drained, then cut off.
        cls.navegador.get_log("performance")
        cls.navegador.get(cls.copia.as_uri())
        eventos = [json.loads(e["message"])["message"] for e in cls.navegador.get_log("performance")]
        pedidas = [e.get("params", {}).get("request", {}).get("url") for e in eventos]
        desde = pedidas.index(cls.copia.as_uri()) if cls.copia.as_uri() in pedidas else len(eventos)
        cls.eventos = eventos[desde:]

    @classmethod
    def imprimir(cls, destino, papel=PAPEL):
        pdf = cls.navegador.execute_cdp_cmd("Page.printToPDF",
                                            dict(papel, transferMode="ReturnAsBase64"))
        destino.write_bytes(base64.b64decode(pdf["data"]))
        return destino

    @staticmethod
    def textos_por_pagina(pdf):
        # pdftotext ends each page with a form feed.
        return [normalizar(pagina) for pagina in pdftotext(pdf).split("\f")[:-1]]

    def js(self, codigo, *argumentos):
        return self.navegador.execute_script(codigo, *argumentos)

    def tamano(self, ancho, alto):
        """The page at a size, a phone's below 600 px, until the test ends."""
        self.navegador.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": ancho, "height": alto, "deviceScaleFactor": 1, "mobile": ancho < 600})

    def dibujos_vistos(self, dentro=None, minimo=0):
        """Each picture on the page, or in `dentro`: whether it is loaded and shows larger than
        `minimo` px each way, and its source."""
        return self.js(DIBUJOS_JS + """.map(e => {const caja = e.getBoundingClientRect();
            return {visto: caja.width > arguments[1] && caja.height > arguments[1] &&
                           (e.tagName.toLowerCase() !== 'img' || e.complete && e.naturalWidth > 0),
                    fuente: (e.src || 'svg').slice(0, 40)}})""", dentro, minimo)

    def captura(self, nombre, ancho, alto, elemento=None):
        self.tamano(ancho, alto)
        if elemento:
            self.js("arguments[0].scrollIntoView()", elemento)
        else:
            self.js("window.scrollTo(0, 0)")
        imagen = self.navegador.execute_cdp_cmd("Page.captureScreenshot", {"format": "png"})
        (self.capturas / f"{nombre}.png").write_bytes(base64.b64decode(imagen["data"]))

    def test_page_is_in_spanish_with_a_title(self):
        self.assertEqual(self.js("return document.documentElement.lang"), "es")
        self.assertTrue(self.navegador.title.strip())

    def test_page_needs_no_other_file_and_no_network(self):
        propia = self.copia.as_uri()
        # The browser's own new-tab page may still be loading its parts (chrome://...) when the
        # page opens, more so on a slow machine, and is cut off then; a page from a file can
        # reach none of them.
        pedidas = {e["params"]["requestId"]: e["params"]["request"]["url"] for e in self.eventos
                   if e["method"] == "Network.requestWillBeSent"
                   and not e["params"]["request"]["url"].startswith(("chrome:", "chrome-untrusted:"))}
        self.assertIn(propia, pedidas.values(), "the network log saw the page itself")
        ajenas = [u for u in pedidas.values() if u != propia and not u.startswith("data:")]
        self.assertEqual(ajenas, [])
        fallidas = [e["params"] for e in self.eventos if e["method"] == "Network.loadingFailed"
                    and e["params"]["requestId"] in pedidas]
        self.assertEqual(fallidas, [])
        self.assertEqual(self.js("""return performance.getEntriesByType('resource')
            .map(r => r.name).filter(n => !n.startsWith('data:'))"""), [])

    def vistas(self):
        """Each state of the page that axe-core checks: the page at each of its sizes."""
        for ancho, alto in self.anchos:
            self.tamano(ancho, alto)
            yield ancho, alto

    def test_axe_finds_no_serious_or_critical_violation(self):
        self.js(AXE.read_text(encoding="utf-8"))
        for ancho, alto in self.vistas():
            resultado = self.navegador.execute_async_script("""const listo = arguments[0];
                axe.run(document, {runOnly: {type: 'tag',
                                             values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa']}})
                   .then(r => listo({version: axe.version, violaciones: r.violations.map(v => ({
                           regla: v.id, impacto: v.impact, ayuda: v.help,
                           dónde: v.nodes.slice(0, 3).map(n => n.target.join(' '))}))}),
                         e => listo({error: String(e)}))""")
            self.assertNotIn("error", resultado)
            graves = [v for v in resultado["violaciones"] if v["impacto"] in ("serious", "critical")]
            self.assertFalse(graves, f"axe-core {resultado['version']} at {ancho}x{alto} "
                             f"({self.libro}, {self.js('return location.hash')}); fix each "
                             "rule at its first targets (the style is packaging/guia.css or "
                             "packaging/diapositivas.css, the markup packaging/libro.html and "
                             "packaging/guia.lua):" + "".join(
                                 f"\n  {v['regla']} ({v['impacto']}): {v['ayuda']}: "
                                 + ", ".join(v["dónde"]) for v in graves))


class Libro(Pagina):
    """What each book's page must be; a subclass names its book."""
    profundidad = 2     # how deep its table of contents goes

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.md = (RAIZ / f"{cls.libro}.md").read_text(encoding="utf-8")
        cls.dibujos_md = len(re.findall(r"!\[", cls.md))
        cls.programas_md = len(re.findall(r"^## \d+\. ", cls.md, re.MULTILINE))
        encabezados = re.findall(r"^(#+) (.+?)\s*(\{[^}]*\})?\s*$", cls.md, re.MULTILINE)
        # The headings' words as a page shows them, without Markdown's backticks and stars.
        cls.secciones_md = [re.sub(r"[`*]", "", texto) for nivel, texto, _ in encabezados
                            if 2 <= len(nivel) <= cls.profundidad]
        # The sections that print on a page of their own ({.hoja}: a class's plan at a glance),
        # each with the heading after it, which starts the next page (packaging/guia.lua).
        cls.hojas = [(re.sub(r"[`*]", "", texto), next(
            (re.sub(r"[`*]", "", t) for n, t, _ in encabezados[i + 1:] if len(n) <= len(nivel)), None))
            for i, (nivel, texto, atributos) in enumerate(encabezados) if ".hoja" in atributos]

        cls.pdf = cls.imprimir(cls.capturas / f"{cls.libro}.pdf")
        subprocess.run(["pdftoppm", "-r", "60", "-png", cls.pdf, cls.capturas / "pagina"], check=True)
        cls.paginas = cls.textos_por_pagina(cls.pdf)

    def test_every_picture_of_the_guide_is_inside_the_page_and_loads(self):
        dibujos = self.dibujos_vistos()
        self.assertEqual(len(dibujos), self.dibujos_md,
                         f"pictures on the page against ![ in {self.libro}.md")
        for estado in dibujos:
            self.assertTrue(estado["visto"], estado)

    def test_no_picture_screen_or_code_block_is_cut_or_scrolls_sideways(self):
        # A picture wider than the page makes it scroll sideways.
        self.captura("escritorio", 1280, 900)
        self.captura("movil", 390, 844)
        for nombre, selector in (("movil-dibujo", "figure, img"), ("movil-pantalla", "pre"),
                                 ("movil-tabla", "table")):
            elementos = self.navegador.find_elements("css selector", selector)
            if elementos:
                self.captura(nombre, 390, 844, elementos[0])
        # The block with the longest line, wrapped, its continuations marked.
        self.captura("movil-orden", 390, 844, self.js("""const larga = p =>
                Math.max(...p.innerText.split('\\n').map(l => l.length));
            return [...document.querySelectorAll('pre')].reduce((a, b) => larga(b) > larga(a) ? b : a)"""))
        for ancho in (1280, 390):
            self.tamano(ancho, 844)
            with self.subTest(ancho=ancho):
                self.assertLessEqual(self.js("return document.documentElement.scrollWidth"), ancho,
                                     f"the page scrolls sideways at {ancho} px")
                cortados = self.js("""return [...document.querySelectorAll('pre')].filter(p =>
                    p.scrollWidth > p.clientWidth || p.getBoundingClientRect().right > arguments[0]
                    || [...p.querySelectorAll('.linea')].some(l => l.scrollWidth > l.clientWidth))
                    .map(p => p.innerText.slice(0, 60))""", ancho)
                self.assertEqual(cortados, [], "blocks wider than their box: packaging/guia.css "
                                 "must wrap them (white-space: pre-wrap; overflow-wrap: anywhere)")

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

    def test_a_long_command_wraps_and_copies_as_its_source_lines(self):
        self.tamano(390, 844)
        largos = [b for _, b, _ in bloques_de_codigo(RAIZ / f"{self.libro}.md") if max(map(len, b), default=0) > 100]
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
        # Nor the page before a plan printed alone, nor the plan's own page.
        solas = {normalizar(h) for hoja in self.hojas for h in hoja if h}
        antes = {n - 1 for n, texto in enumerate(self.paginas)
                 if n > 0 and (re.match(r"\d+\.\s", texto)
                               or any(texto.startswith(s) for s in solas))}
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
        tinta = [fila for fila in range(alto) if min(pixeles[fila * ancho:(fila + 1) * ancho]) < 200]
        return (tinta[-1] + 1) / alto if tinta else 0.0


class Guia(Libro, unittest.TestCase):
    libro = "GUIA"

    def test_the_printed_handout_holds_no_answer(self):
        # In its text, a picture or a caption; but the lines an exercise asks for, its question.
        self.assertEqual(respuestas_en(pdftotext(self.pdf), lineas_pedidas()), {}, "the printed GUIA.html shows these "
                         "exercises' answer lines (exercise: its first line): GUIA.md must ask, "
                         "and leave the answer to PROFESOR.md")


class Profesor(Libro, unittest.TestCase):
    libro = "PROFESOR"
    profundidad = 3     # each class's plan, questions, errors, solutions and quiz

    def test_each_class_plan_prints_alone_on_one_page(self):
        self.assertEqual(len(self.hojas), len(PROGRAMAS), "a '### La clase en una página {.hoja}' "
                         "per program")
        for hoja, siguiente in self.hojas:
            empiezan = [n for n, texto in enumerate(self.paginas) if texto.startswith(normalizar(hoja))]
            self.assertEqual(len(empiezan), len(PROGRAMAS), f"pages that begin with {hoja!r}")
            for n in empiezan:
                with self.subTest(pagina=n + 1):
                    self.assertTrue(self.paginas[n + 1].startswith(normalizar(siguiente)),
                                    f"page {n + 1} holds the plan but not all of it: page {n + 2} "
                                    f"does not begin with {siguiente!r}; see "
                                    f"{self.capturas}/pagina-{n + 1:02d}.png")


class Hoja(Pagina, unittest.TestCase):
    """A prediction sheet, clase/<programa>-hoja.html, printed on A4 and on Letter."""
    PAPELES = {"A4": PAPEL, "Carta": {"paperWidth": 8.5, "paperHeight": 11}}

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.impresos = {nombre: cls.textos_por_pagina(cls.imprimir(
            cls.capturas / f"{cls.libro}-{nombre}.pdf", papel)) for nombre, papel in cls.PAPELES.items()}

    def test_asks_the_guides_question_of_each_exercise_in_class_with_room_for_the_answer(self):
        programa = self.libro.rsplit("-", 1)[0]
        guia = seccion((RAIZ / "GUIA.md").read_text(encoding="utf-8"), programa)
        ejercicios_en_clase = en_clase(plan((RAIZ / "PROFESOR.md").read_text(encoding="utf-8"), programa))
        self.assertTrue(ejercicios_en_clase, f"{programa}'s plan sets no exercise in class")
        impreso = " ".join(self.impresos["A4"])
        for n in ejercicios_en_clase:
            with self.subTest(ejercicio=n):
                # The guide's question, its paragraph 'Antes de cambiar nada'.
                pregunta = re.search(rf"^#### {n}\. .*?\n\n(Antes de cambiar nada:.*?)\n\n", guia,
                                     re.MULTILINE | re.DOTALL)
                self.assertIsNotNone(pregunta, f"GUIA.md has no question for {programa} {n}")
                self.assertIn(normalizar(re.sub(r"[`*]", "", pregunta[1])),
                              normalizar(re.sub(r"[`*]", "", impreso)))
        cajas = self.js("return [...document.querySelectorAll('.espacio')].map(e => "
                        "e.getBoundingClientRect().height)")
        self.assertGreaterEqual(len(cajas), 2 * len(ejercicios_en_clase), "a box for the prediction and one "
                                "for what came out, for each exercise (::: espacio)")
        self.assertGreaterEqual(min(cajas), 96, "a box too small to write in by hand")

    def test_prints_on_two_pages_at_most_on_a4_and_letter_with_no_answer(self):
        pedidas = lineas_pedidas()
        for papel, paginas in self.impresos.items():
            with self.subTest(papel=papel):
                self.assertLessEqual(len(paginas), 2, f"{self.libro} printed on {papel}")
                self.assertEqual(respuestas_en("\n".join(paginas), pedidas), {},
                                 f"{self.libro} on {papel}")


class Diapositivas(Pagina, unittest.TestCase):
    """A program's slides, clase/<programa>-diapositivas.html: a reveal.js deck of 1280 by 720."""
    anchos = ((1280, 720), (1920, 1080))

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.programa = cls.libro.rsplit("-", 1)[0]
        cls.md = (CLASE / f"{cls.libro}.md").read_text(encoding="utf-8")
        cls.total = cls.navegador.execute_script("return Reveal.getTotalSlides()")

    def ir_a(self, indice):
        self.js("Reveal.slide(arguments[0], 0); Reveal.layout()", indice)

    def vistas(self):
        # Every slide at the projector's size, then the first at the other.
        self.tamano(*self.anchos[0])
        for indice in range(self.total):
            self.ir_a(indice)
            yield self.anchos[0]
        self.tamano(*self.anchos[1])
        self.ir_a(0)
        yield self.anchos[1]

    def test_nothing_on_any_slide_overflows_it_at_either_size(self):
        self.assertEqual(self.total, len(diapositivas(self.md)) + 1, "a slide per '## ', and the title")
        for ancho, alto in self.anchos:
            self.tamano(ancho, alto)
            for indice in range(self.total):
                self.ir_a(indice)
                if ancho == 1280:
                    self.captura(f"diapositiva-{indice:02d}", ancho, alto)
                # What a box that clips its content (overflow: hidden) hides is not on the slide.
                fuera = self.js("""const actual = Reveal.getCurrentSlide();
                    const visible = (e) => {
                      let r = e.getBoundingClientRect(), [l, t, d, b] = [r.left, r.top, r.right, r.bottom];
                      for (let a = e.parentElement; a && a !== actual; a = a.parentElement)
                        if (getComputedStyle(a).overflow !== 'visible') {
                          const c = a.getBoundingClientRect();
                          [l, t, d, b] = [Math.max(l, c.left), Math.max(t, c.top),
                                          Math.min(d, c.right), Math.min(b, c.bottom)];
                        }
                      return {width: r.width, left: l, top: t, right: d, bottom: b};
                    };
                    const dentro = (r) => r.width === 0 || (r.left >= -1 && r.top >= -1
                        && r.right <= innerWidth + 1 && r.bottom <= innerHeight + 1);
                    return [actual, ...actual.querySelectorAll('*')]
                      .filter(e => !e.closest('aside.notes'))
                      .filter(e => !dentro(visible(e))
                                   || e.scrollWidth > e.clientWidth + 1 && e.matches('pre, code'))
                      .map(e => e.tagName + ': ' + e.textContent.slice(0, 50))""")
                with self.subTest(ancho=ancho, diapositiva=indice):
                    self.assertEqual(fuera, [], f"slide {indice} of {self.libro} at {ancho}x{alto} "
                                     f"does not fit: shorten it or split it in clase/{self.libro}.md"
                                     f"; see {self.capturas}/diapositiva-{indice:02d}.png")

    def test_every_picture_loads_on_its_slide(self):
        self.tamano(*self.anchos[0])
        vistos = 0
        for indice in range(self.total):
            self.ir_a(indice)
            for estado in self.dibujos_vistos(self.js("return Reveal.getCurrentSlide()"), 50):
                vistos += 1
                self.assertTrue(estado["visto"], f"slide {indice}: {estado}")
        self.assertEqual(vistos, len(re.findall(r"!\[", self.md)), f"pictures against ![ in {self.libro}.md")

    def test_the_arrow_keys_move_between_slides(self):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.keys import Keys

        self.ir_a(0)
        ActionChains(self.navegador).send_keys(Keys.ARROW_RIGHT).perform()
        self.assertEqual(self.js("return Reveal.getIndices().h"), 1, "the right arrow")
        ActionChains(self.navegador).send_keys(Keys.ARROW_RIGHT).perform()
        ActionChains(self.navegador).send_keys(Keys.ARROW_LEFT).perform()
        self.assertEqual(self.js("return Reveal.getIndices().h"), 1, "the left arrow")

    def test_the_speaker_notes_carry_the_plans_minutes_in_order(self):
        notas = self.js("return [...document.querySelectorAll('aside.notes')].map(a => a.textContent)")
        minutos = [(int(a), int(b)) for nota in notas
                   for a, b in re.findall(r"^\s*Minutos (\d+)-(\d+)\.", nota)]
        filas = [(a, b) for a, b, _ in plan((RAIZ / "PROFESOR.md").read_text(encoding="utf-8"),
                                            self.programa)]
        self.assertTrue(filas, f"no plan for {self.programa} in PROFESOR.md")
        self.assertEqual(minutos, filas, "each row of the plan, 'Minutos A-B.' at the top of the "
                         "notes (::: notes) of the slide it begins, in the plan's order")


class Memoria(Pagina, unittest.TestCase):
    """A program seen from inside, memoria-<programa>.html: its steps at a phone's and a desktop's
    width, moved by its buttons, the arrow keys and the slider."""

    def ir_a(self, indice):
        self.js("const c = document.getElementById('control'); c.value = arguments[0]; "
                "c.dispatchEvent(new Event('input'))", indice + 1)

    def donde(self):
        return self.js("return document.getElementById('donde').textContent")

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        pasos = cls.navegador.execute_script(
            "return JSON.parse(document.getElementById('traza').textContent).pasos")
        cls.total = len(pasos)
        de_main = [p["linea"] for p in pasos if len(p["marcos"]) == 1]
        cls.ultima_linea = max(i for i, p in enumerate(pasos)
                               if len(p["marcos"]) == 1 and p["linea"] < max(de_main))

    def vistas(self):
        # The first step and the last, where the most boxes and arrows stand, at each size.
        for ancho, alto in self.anchos:
            self.tamano(ancho, alto)
            for indice in (0, self.total - 1):
                self.ir_a(indice)
                yield ancho, alto

    def test_every_step_fits_either_width_with_an_arrow_for_each_pointer_to_a_box(self):
        for ancho, alto in self.anchos:
            self.tamano(ancho, alto)
            for indice in range(self.total):
                self.ir_a(indice)
                medida = self.js("""const visibles = s => [...document.querySelectorAll(s)]
                        .filter(e => !e.closest('.ausente'));
                    const fuera = visibles('.objeto, pre, nav').filter(e =>
                        e.getBoundingClientRect().right > innerWidth + 1).length;
                    const cajas = new Set(visibles('.objeto').map(c => c.dataset.direccion));
                    const punteros = visibles('[data-apunta]').filter(p => cajas.has(p.dataset.entero || p.dataset.apunta))
                        .length + visibles('[data-tabla]').length;
                    return {ancho: document.documentElement.scrollWidth, fuera: fuera, punteros: punteros,
                            flechas: document.querySelectorAll('#flechas > path').length,
                            explica: document.getElementById('explica').textContent,
                            marcos: [...document.querySelectorAll('#llamadas h3')].map(h => h.textContent),
                            gdb: /\w const[*&]/.test(document.body.innerText)};""")
                with self.subTest(ancho=ancho, paso=indice + 1):
                    self.assertLessEqual(medida["ancho"], ancho, "the page scrolls sideways")
                    self.assertEqual(medida["fuera"], 0, "a box, the code or the controls cut")
                    # On a phone's one column pointers are told in words, an arrow would cross them.
                    self.assertEqual(medida["flechas"], medida["punteros"] if ancho > 800 else 0,
                                     "an arrow for each pointer to a box on the page and each "
                                     "hidden pointer to its table")
                    self.assertFalse(medida["gdb"], "a function spelt as gdb does, not as code")
                    # A call from the object's own class to its base's function is by name, with
                    # Base:: before it, not through a pointer.
                    por_puntero = re.search(r"es un (\w+), con su propio .* puntero", medida["explica"])
                    if por_puntero and len(medida["marcos"]) > 1:
                        self.assertFalse(medida["marcos"][-2].startswith(f"Dentro de {por_puntero[1]}::"),
                                         medida["explica"])
                    # Only once main has run its last line do its objects go.
                    if medida["explica"].startswith("main termina"):
                        self.assertGreater(indice, self.ultima_linea, medida["explica"])
            self.captura(f"ultimo-{ancho}", ancho, alto)

    def test_what_each_step_changed_and_printed_stands_in_view_with_the_buttons(self):
        pasos = self.js("return JSON.parse(document.getElementById('traza').textContent).pasos")
        for ancho, alto in ((1280, 800), (390, 844)):
            self.tamano(ancho, alto)
            self.ir_a(0)
            for indice in range(1, self.total):
                self.ir_a(indice)  # as the button goes: from the step before
                paso, antes = pasos[indice], pasos[indice - 1]
                nuevo = (paso["salida"][len(antes["salida"]):] if paso["pantalla"] == antes["pantalla"]
                         else paso["salida"])
                # What the step builds, destroys or frees, in main, in the call it is in, or on
                # the free store.
                sucesos = [(o["nombre"], o["direccion"]) for o in
                           paso["marcos"][0]["objetos"] + paso["marcos"][-1]["objetos"] + paso["libres"]
                           if o.get("construye") or o.get("destruye") or o.get("borra")]
                vista = self.js("""const dentro = e => { const r = e.getBoundingClientRect();
                        return r.top >= 0 && r.bottom <= innerHeight && r.height > 0; };
                    const arriba = document.querySelector('nav').getBoundingClientRect().bottom;
                    const cajas = [...document.querySelectorAll('.objeto')].filter(c => !c.closest('.ausente')
                        && arguments[0].some(([n, d]) => c.dataset.nombre === n && c.dataset.direccion === String(d)));
                    const vistos = [...document.querySelectorAll('pre, nav')].filter(dentro)
                        .map(e => e.innerText).join('\\n');
                    return {botones: ['anterior', 'siguiente'].every(i => dentro(document.getElementById(i))),
                            escrito: vistos, cajas: cajas.length,
                            caja: cajas.some(c => { const r = c.querySelector('.cabecera').getBoundingClientRect();
                                                    return r.top >= arriba - 1 && r.bottom <= innerHeight; })};""",
                                sucesos)
                with self.subTest(ancho=ancho, paso=indice + 1):
                    self.assertTrue(vista["botones"], "the buttons out of view")
                    ultima = [l for l in nuevo.split("\n") if l.strip()]
                    if ultima:
                        self.assertIn(ultima[-1], vista["escrito"], "what the step printed, out of view")
                    if vista["cajas"]:
                        self.assertTrue(vista["caja"], f"{sucesos}: built, destroyed or freed out of view")
            self.captura(f"escrito-{ancho}", ancho, alto)

    def test_an_object_whose_class_writes_no_destructor_is_told_it_has_the_compilers(self):
        pasos = self.js("return JSON.parse(document.getElementById('traza').textContent).pasos")
        # main's end, an object of main destroyed with no destructor's frame to step into.
        solos = [i for i, p in enumerate(pasos) if len(p["marcos"]) == 1 and
                 any(o.get("destruye") for o in p["marcos"][0]["objetos"])]
        for indice in solos:
            self.ir_a(indice)
            with self.subTest(paso=indice + 1):
                self.assertIn("el que pone el compilador", self.js(
                    "return document.getElementById('explica').textContent"))

    def test_the_buttons_the_arrow_keys_and_the_slider_move_between_steps(self):
        from selenium.webdriver.common.keys import Keys

        self.ir_a(0)
        cuerpo = self.navegador.find_element("tag name", "body")
        cuerpo.send_keys(Keys.ARROW_RIGHT)
        self.assertTrue(self.donde().startswith(f"Paso 2 de {self.total}:"), self.donde())
        cuerpo.send_keys(Keys.ARROW_LEFT)
        self.assertTrue(self.donde().startswith("Paso 1 de"), self.donde())
        self.navegador.find_element("id", "siguiente").click()
        self.assertTrue(self.donde().startswith("Paso 2 de"), self.donde())
        self.ir_a(self.total - 1)
        self.assertTrue(self.donde().startswith(f"Paso {self.total} de {self.total}:"))
        self.navegador.find_element("id", "anterior").click()
        self.assertTrue(self.donde().startswith(f"Paso {self.total - 1} de"), self.donde())


class Cuestionario(unittest.TestCase):
    """The quizzes for Moodle, clase/cuestionario.gift as the build makes it from the teacher's
    edition's (packaging/cuestionario.lua), read by a parser of the GIFT format (gift-pegjs, npm ci
    --prefix tests): every question of the book, in the form Moodle's importer has read."""
    gift = None     # the built file, from the command line

    @classmethod
    def setUpClass(cls):
        analizador = Path(__file__).resolve().parent / "node_modules" / "gift-pegjs"
        if not analizador.is_dir() or not shutil.which("node") or not cls.gift:
            raise RuntimeError("guia_html.py Cuestionario BUILD/clase/cuestionario.gift, with node "
                               "and gift-pegjs: apt install nodejs npm; npm ci --prefix tests")
        leido = subprocess.run(
            ["node", "-e", "const fs = require('fs');"
             "process.stdout.write(JSON.stringify(require(process.argv[1]).parse("
             "fs.readFileSync(process.argv[2], 'utf8'))))", analizador, cls.gift],
            capture_output=True, text=True, check=False)
        if leido.returncode:
            raise AssertionError(f"{cls.gift} is no GIFT that Moodle reads: {leido.stderr}")
        cls.elementos = json.loads(leido.stdout)
        profesor = (RAIZ / "PROFESOR.md").read_text(encoding="utf-8")
        cls.libro = {programa: re.findall(r"^\d+\. ", seccion(
            profesor, programa, "Un pequeño cuestionario"), re.MULTILINE) for programa in PROGRAMAS}

    def test_each_program_is_a_category_of_the_books_questions_each_with_one_right_answer(self):
        titulos = {}
        for elemento in self.elementos:
            if elemento["type"] == "Category":
                categoria = titulos.setdefault(elemento["title"], [])
                continue
            with self.subTest(pregunta=elemento["title"]):
                self.assertEqual((elemento["type"], elemento["stem"]["format"]), ("MC", "markdown"))
                self.assertGreaterEqual(len(elemento["choices"]), 3, "three answers at least")
                self.assertEqual([c["isCorrect"] for c in elemento["choices"]].count(True), 1)
                self.assertTrue(all(c["feedback"] and c["feedback"]["text"].strip()
                                    for c in elemento["choices"]), "feedback (#) on every answer")
            categoria.append(elemento["title"])
        self.assertTrue(all(self.libro.values()), "a quiz under '### Un pequeño cuestionario' in "
                        "each program's section of PROFESOR.md")
        self.assertEqual(titulos, {f"demos-objetos/{p}": [f"{p}-{n}" for n in range(
            1, len(self.libro[p]) + 1)] for p in PROGRAMAS}, "a category per program, a question "
            "per item of its quiz in PROFESOR.md")


def clases_de_paginas(paginas):
    """A test class for each page named, of its kind, by the page's file name."""
    clases = {}
    for pagina in paginas:
        nombre = Path(pagina).stem
        base = {"GUIA": Guia, "PROFESOR": Profesor}.get(nombre) or next(
            (c for c in (Hoja, Diapositivas) if nombre.endswith("-" + c.__name__.lower())),
            Memoria if nombre.startswith("memoria-") else None)
        if base is None:
            sys.exit(f"not a page this test knows: {pagina}")
        clase = type(f"{base.__name__}_{nombre.replace('-', '_')}", (base,),
                     {"libro": nombre, "pagina": pagina})
        clases[clase.__name__] = clase
    return clases


if __name__ == "__main__":
    paginas = [a for a in sys.argv[1:] if a.endswith(".html")]
    Cuestionario.gift = next((a for a in sys.argv[1:] if a.endswith(".gift")), None)
    nombres = [a for a in sys.argv[1:] if a not in paginas and a != Cuestionario.gift]
    clases = clases_de_paginas(paginas)
    globals().update(clases)
    # The kinds themselves open no page; named pages alone test only the pages.
    del Guia, Profesor, Hoja, Diapositivas, Memoria
    unittest.main(argv=[sys.argv[0]] + (nombres or list(clases)), verbosity=2)
