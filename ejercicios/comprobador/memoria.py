"""Run inside gdb by `comprobar --memoria` (gdb -batch -x memoria.py): steps through main of the
program gdb was given, and through the lesson's constructors, setters and destructors it calls,
and writes each step's trace as JSON into the page named by $memoria_pagina, made from
$memoria_plantilla (memoria.html): the line, what the program has written so far, and every object
that exists then, read from the running program.

The program runs with the checks' console, whose marks ($memoria_marcas, from marcas.h: the pause,
then the start and the end of a line read) say where the screens change and what was typed."""

import json
import os
import re

import gdb  # pylint: disable=import-error

PASOS_MAXIMOS = 2000  # a loop that never ends would trace forever
CAMPOS_MAXIMOS = 64  # elements of an array shown
FUNCIONES_MAXIMAS = 32  # entries of a virtual table read


def parametro(nombre: str) -> str:
    return str(gdb.convenience_variable(nombre).string())


def direccion(valor) -> str:
    return hex(int(valor))


def es_texto(tipo) -> bool:
    return (tipo.code == gdb.TYPE_CODE_ARRAY and
            tipo.target().strip_typedefs().code == gdb.TYPE_CODE_INT and tipo.target().sizeof == 1)


TABLAS = {}  # a virtual table's address -> what oculto() read of it: a table never changes


class Memoria:
    """What the program holds at one stop, as the page draws it."""

    def __init__(self, borrados):
        self.borrados = borrados  # addresses given to delete
        self.libres = {}  # address -> object reached on the free store
        self.pendientes = []  # (name, pointer value) to follow
        self.montones = None  # the free store's ranges at this stop, read when first needed

    def en_monton(self, numero: int) -> bool:
        if self.montones is None:
            self.montones = montones()
        return any(desde <= numero < hasta for desde, hasta in self.montones)

    def oculto(self, valor):
        """The class whose virtual table the hidden pointer names, and that table's functions."""
        tabla = int(valor)
        if tabla not in TABLAS:
            TABLAS[tabla] = self.leer_tabla(tabla)
        return TABLAS[tabla]

    @staticmethod
    def leer_tabla(tabla: int):
        simbolo = gdb.execute(f"info symbol {tabla:#x}", to_string=True)
        hallado = re.match(r"vtable for (\S+)", simbolo)
        if not hallado:
            return None
        funciones = []
        entrada = gdb.lookup_type("long").pointer()
        for i in range(FUNCIONES_MAXIMAS):
            destino = int(gdb.Value(tabla + 8 * i).cast(entrada).dereference())
            bloque = gdb.block_for_pc(destino) if destino else None
            if bloque is None or bloque.function is None:
                break
            funciones.append(bloque.function.print_name)
        return {"clase": hallado.group(1), "funciones": funciones}

    def objeto(self, nombre: str, valor) -> dict:
        tipo = valor.type.strip_typedefs()
        dinamico = valor.dynamic_type.strip_typedefs()
        if tipo.code == gdb.TYPE_CODE_STRUCT and dinamico != tipo:
            valor, tipo = valor.cast(dinamico), dinamico
        # A parameter kept in a register, as `this` may be, has no address.
        donde = valor.address
        resultado = {"nombre": nombre, "tipo": str(tipo),
                     "direccion": None if donde is None else direccion(donde),
                     "tamano": tipo.sizeof}
        if tipo.code == gdb.TYPE_CODE_STRUCT:
            campos = []
            self.campos(valor, tipo, None, nombre, campos, resultado)
            resultado["campos"] = campos
        elif tipo.code == gdb.TYPE_CODE_ARRAY and not es_texto(tipo):
            menor, mayor = tipo.range()
            resultado["campos"] = [self.campo(f"[{i}]", valor[i], f"{nombre}[{i}]")
                                   for i in range(menor, min(mayor, menor + CAMPOS_MAXIMOS - 1) + 1)]
        else:
            resultado.update({k: v for k, v in self.campo(nombre, valor, nombre).items()
                              if k != "nombre"})
        return resultado

    def campos(self, valor, tipo, de, camino, campos, resultado):
        for campo in tipo.fields():
            if campo.is_base_class:
                base = campo.type.strip_typedefs()
                self.campos(valor.cast(base), base, base.name, camino, campos, resultado)
            elif campo.name and campo.name.startswith("_vptr"):
                oculto = self.oculto(valor[campo])
                if oculto:
                    resultado["oculto"] = oculto
            elif campo.name and campo.bitpos is not None:  # not a static member
                dato = self.campo(campo.name, valor[campo], f"{camino}.{campo.name}")
                if de:
                    dato["de"] = de
                campos.append(dato)

    def campo(self, nombre: str, valor, camino: str) -> dict:
        tipo = valor.type.strip_typedefs()
        if es_texto(tipo):
            return {"nombre": nombre, "texto": valor.string(length=tipo.sizeof).split("\0")[0],
                    "capacidad": tipo.sizeof}
        if tipo.code == gdb.TYPE_CODE_PTR:
            numero = int(valor)
            if numero and tipo.target().strip_typedefs().code == gdb.TYPE_CODE_STRUCT:
                self.pendientes.append((f"*{camino}", valor))
            return {"nombre": nombre, "apunta": hex(numero) if numero else None}
        if tipo.code in (gdb.TYPE_CODE_REF, gdb.TYPE_CODE_RVALUE_REF):  # another name for it
            return {"nombre": nombre, "apunta": direccion(valor.referenced_value().address)}
        if tipo.code in (gdb.TYPE_CODE_STRUCT, gdb.TYPE_CODE_ARRAY):
            return {"nombre": nombre, "objeto": self.objeto(nombre, valor)}
        return {"nombre": nombre, "valor": str(valor)}

    def seguir(self):
        """Every object on the free store that a pointer already read reaches."""
        while self.pendientes:
            nombre, puntero = self.pendientes.pop(0)
            numero = int(puntero)
            if numero in self.libres or numero in self.borrados or not self.en_monton(numero):
                continue
            try:
                self.libres[numero] = self.objeto(nombre, puntero.dereference())
            except gdb.MemoryError:
                continue


def montones():
    rangos = []
    for linea in gdb.execute("info proc mappings", to_string=True).splitlines():
        partes = linea.split()
        if partes and partes[-1] == "[heap]":
            rangos.append((int(partes[0], 16), int(partes[1], 16)))
    return rangos


class Borrado(gdb.Breakpoint):
    """Notes each address given to operator delete, and lets the program go on."""

    def __init__(self, funcion, borrados):
        super().__init__(funcion, internal=True)
        self.borrados = borrados

    def stop(self):
        self.borrados.add(int(gdb.parse_and_eval("$rdi")))
        return False


def salida_hasta_ahora(ruta: str) -> tuple:
    """The screen number and what the terminal shows of it: the output after the last pause, with
    the typed words where they were echoed."""
    pausa, eco_inicio, eco_fin = parametro("memoria_marcas")
    with open(ruta, "rb") as archivo:
        bruta = archivo.read().decode("utf-8", "replace")
    pantallas = [p.replace(eco_inicio, "").replace(eco_fin, "").replace("\r\n", "\n")
                 for p in bruta.split(pausa)]
    # A screen starts with what is written after a pause; until then the last one stays in sight.
    if len(pantallas) > 1 and not pantallas[-1]:
        pantallas.pop()
    return len(pantallas), pantallas[-1]


def en_main(marco) -> bool:
    return marco.name() == "main"


LECCION = ("car_owner_demo/", "shape_demo/", "figure_demo/")


def relativo(lugar) -> str:
    raiz = os.path.normpath(parametro("memoria_raiz")) + "/"
    nombre = lugar.symtab.fullname() if lugar.symtab else ""
    return nombre[len(raiz):] if nombre.startswith(raiz) else nombre


def de_la_leccion(marco) -> bool:
    """A constructor, a setter or a destructor of the lesson's classes, called from main: where
    an object is built, changed or destroyed, its steps are the lesson's."""
    funcion = marco.function()
    if funcion is None or marco.older() is None or not en_main(marco.older()):
        return False
    if not relativo(marco.find_sal()).startswith(LECCION):
        return False
    hallado = re.match(r"(\w+)::(~?\w+)\(", funcion.print_name)
    return bool(hallado) and (hallado.group(2) in (hallado.group(1), "~" + hallado.group(1))
                              or hallado.group(2).startswith("set"))


def variables(memoria: Memoria, marco) -> list:
    """The frame's variables built by now, and its parameters, `this` among them."""
    linea = marco.find_sal().line
    objetos = []
    vistos = set()
    bloque = marco.block()
    while bloque is not None:
        for simbolo in bloque:
            if simbolo.name in vistos or simbolo.name.startswith("__") or simbolo.is_constant or not (
                    simbolo.is_variable or simbolo.is_argument):
                continue
            # A variable is built once the line that declares it has run.
            if simbolo.is_variable and (simbolo.line >= linea or
                                        simbolo.addr_class == gdb.SYMBOL_LOC_STATIC):
                continue
            vistos.add(simbolo.name)
            objetos.append(memoria.objeto(simbolo.name, simbolo.value(marco)))
        if bloque.function is not None:
            break
        bloque = bloque.superblock
    return objetos


def paso(memoria: Memoria, archivo_salida: str) -> dict:
    cadena = [gdb.selected_frame()]
    while not en_main(cadena[-1]):
        cadena.append(cadena[-1].older())
    marcos = []
    for marco in reversed(cadena):
        objetos = variables(memoria, marco)
        if en_main(marco):  # as declared: the stack grows down
            objetos.sort(key=lambda o: int(o["direccion"], 16), reverse=True)
        marcos.append({"funcion": "main" if en_main(marco) else marco.function().print_name,
                       "objetos": objetos})
    memoria.seguir()
    pantalla, salida = salida_hasta_ahora(archivo_salida)
    lugar = cadena[0].find_sal()
    return {"archivo": relativo(lugar), "linea": lugar.line, "pantalla": pantalla,
            "salida": salida, "marcos": marcos, "libres": list(memoria.libres.values())}


def vivo() -> bool:
    try:
        return bool(gdb.selected_inferior().pid) and gdb.selected_frame() is not None
    except gdb.error:
        return False


def avanzar(pasos, borrados, salida):
    """From a line of main to the next: into the lesson's constructors, setters and destructors
    that the line calls, a step for each of their lines; out of everything else at once. `step`
    throughout, so that a call after another on the same line is reached too."""
    gdb.execute("step", to_string=True)
    while vivo() and len(pasos) < PASOS_MAXIMOS:
        marco = gdb.selected_frame()
        al_empezar = marco.find_sal().pc == marco.pc()  # a line's start, not back from a call
        if en_main(marco) and al_empezar:
            return
        if en_main(marco) or de_la_leccion(marco):
            lugar = marco.find_sal()
            # A line may start twice (its parts, for the compiler): one step for it.
            if al_empezar and (relativo(lugar), lugar.line) != (pasos[-1]["archivo"], pasos[-1]["linea"]):
                pasos.append(paso(Memoria(borrados), salida))
            gdb.execute("step", to_string=True)
        elif marco.older() is None:
            return
        else:
            gdb.execute("finish", to_string=True)


def trazar():
    gdb.execute("set pagination off")
    gdb.execute("set confirm off")
    gdb.execute("set print object on")
    salida = parametro("memoria_salida")
    # `step` goes into none of what the page does not follow: the standard library, platform/,
    # main's own helpers, the getters.
    for salto in ("-gfi /usr/*", "-gfi */platform/*", "-rfu ^std::", "-rfu ^texto::",
                  "-rfu ^consola::", "-rfu anonymous.namespace", "-rfu ::get"):
        gdb.execute(f"skip {salto}", to_string=True)
    gdb.execute("break main", to_string=True)
    # The checks' console then writes each byte as it comes: each step reads the output so far.
    gdb.execute("set environment COMPROBAR_SIN_BUFFER 1", to_string=True)
    gdb.execute(f"run < '{parametro('memoria_entrada')}' > '{salida}'", to_string=True)
    borrados = set()
    for funcion in ("operator delete(void*)", "operator delete(void*, unsigned long)"):
        Borrado(funcion, borrados)
    pasos = []
    programa = parametro("memoria_programa")
    while vivo() and en_main(gdb.selected_frame()) and len(pasos) < PASOS_MAXIMOS:
        pasos.append(paso(Memoria(borrados), salida))
        try:
            avanzar(pasos, borrados, salida)
        except gdb.error:
            break
    raiz = os.path.normpath(parametro("memoria_raiz"))
    fuentes = {}
    for archivo in {p["archivo"] for p in pasos}:
        try:
            with open(f"{raiz}/{archivo}", encoding="utf-8") as fuente:
                fuentes[archivo] = fuente.read()
        except OSError:
            fuentes[archivo] = ""
    with open(parametro("memoria_plantilla"), encoding="utf-8") as plantilla:
        pagina = plantilla.read()
    # Inside <script>, no "<" may start a tag: JSON writes it as \u003c.
    como_json = lambda dato: json.dumps(dato, ensure_ascii=False).replace("<", "\\u003c")
    pagina = (pagina.replace("@PROGRAMA@", programa)
              .replace("@TRAZA@", como_json({"programa": programa, "pasos": pasos}))
              .replace("@FUENTES@", como_json(fuentes)))
    with open(parametro("memoria_pagina"), "w", encoding="utf-8") as archivo:
        archivo.write(pagina)


trazar()
