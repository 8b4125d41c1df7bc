"""Run inside gdb by `comprobar --memoria` (gdb -batch -x memoria.py): steps through main of the
program gdb was given, through main's own helpers and through the lesson's constructors, setters
and destructors they call, and writes each step's trace as JSON into the page named by
$memoria_pagina, made from $memoria_plantilla (memoria.html): the line, what the program has
written so far, and every object that exists then, read from the running program.

The program runs with the checks' console, whose marks ($memoria_marcas, from marcas.h: the pause,
then the start and the end of a line read) are taken out of what the terminal shows."""

import contextlib
import copy
import functools
import json
import os
import pathlib
import re

import gdb  # pylint: disable=import-error

PASOS_MAXIMOS = 2000  # a loop that never ends would trace forever
CAMPOS_MAXIMOS = 64  # elements of an array shown
FUNCIONES_MAXIMAS = 32  # entries of a virtual table read
LETRAS_MAXIMAS = 60  # characters of a text a `char*` points to


def parametro(nombre: str) -> str:
    return str(gdb.convenience_variable(nombre).string())


def es_letra(tipo) -> bool:
    tipo = tipo.strip_typedefs()
    return tipo.code == gdb.TYPE_CODE_INT and tipo.sizeof == 1


def es_texto(tipo) -> bool:
    return tipo.code == gdb.TYPE_CODE_ARRAY and es_letra(tipo.target())


class Vida:
    """What breakpoints learn between steps: which object each lesson constructor built and of
    which class (kept for its address until it is destroyed or deleted), which destructors began,
    and where the terminal was cleared."""

    def __init__(self):
        # address -> {"clase", "origen": the function that asked for it, "vida": its number,
        # "copia": the address it is a copy of}
        self.vivos = {}
        self.destruidos = {}  # address -> what vivos knew of it, once its destructor began
        self.borrados = {}  # address given to delete -> the size of what lay there
        self.corridos = {}  # address -> the destructors that began on it, for delete to tell
        self.vidas = 0
        self.version = 0  # changes with what is known of lives: a life's number, its end
        self.limpiezas = []  # output length at each clear of the terminal
        self.funciones = set()  # the lesson's functions, as gdb names them
        self.devuelven = set()  # those that return an object by value: a copy each call
        self.primeras = {}  # a variable declared with no value -> its bytes when first seen
        self.locales = None  # main's own variables
        self.senal = None  # the signal that stopped the program, if one did
        # (start, address, whether it was freed before) of what a delete of the lesson's code frees
        self.borrando = None
        self.parametros = {}  # life -> (name, function) of a parameter by value it is

    def contiene(self, numero: int, clase=None, tambien_destruidos=False):
        """The start of the object built by a lesson constructor that holds that address and is
        of that class or derives from it (a base part may lie at an offset inside it), or None.
        Among several, the outermost."""
        def hallados_en(objetos) -> list:
            return [(tamano(v["clase"]), inicio) for inicio, v in objetos.items()
                    if v and inicio <= numero < inicio + tamano(v["clase"])
                    and es_de(v["clase"], clase)]
        exacto = self.vivos.get(numero)
        # Most often the object itself: a base part or a delegated constructor adds no entry.
        if exacto and es_de(exacto["clase"], clase):
            return numero
        hallados = hallados_en(self.vivos) or tambien_destruidos and hallados_en(self.destruidos)
        return max(hallados)[1] if hallados else None

    def construye(self, direccion_: int, clase: str, origen: str, llamante=None, copia=None):
        """`llamante`: the start of the object the calling constructor builds, if one does."""
        dentro = self.contiene(direccion_, clase)
        # A base part, or a constructor another one of its class delegates to: the same object.
        if dentro is not None and dentro == llamante:
            return
        self.vidas += 1
        self.version += 1
        self.vivos[direccion_] = {"clase": clase, "origen": origen, "vida": self.vidas,
                                  **({} if copia is None else {"copia": copia})}
        for antes in (self.destruidos, self.borrados, self.corridos):
            antes.pop(direccion_, None)

    def de(self, inicio: int) -> dict:
        """What is known of the object built there, alive or destroyed ({} if nothing)."""
        return self.vivos.get(inicio) or self.destruidos.get(inicio) or {}

    def inicio(self, numero: int, clase=None) -> int:
        """The start of the object a `this` of that class points into (itself if none is known)."""
        dentro = self.contiene(numero, clase, tambien_destruidos=True)
        return numero if dentro is None else dentro

    def destruye(self, direccion_: int, clase: str):
        inicio = self.inicio(direccion_, clase)
        self.corridos.setdefault(inicio, []).append(f"{clase}::~{clase}()")
        self.version += 1
        if inicio not in self.destruidos:
            self.destruidos[inicio] = self.vivos.pop(inicio, None)

    def borra(self, direccion_: int) -> int:
        inicio = self.inicio(direccion_)
        antes = self.vivos.pop(inicio, None) or self.destruidos.get(inicio)
        self.borrados[inicio] = tamano(antes["clase"]) if antes else 1
        self.version += 1
        return inicio

    def borrado(self, numero: int) -> bool:
        return any(inicio <= numero < inicio + largo for inicio, largo in self.borrados.items())


@functools.lru_cache(maxsize=None)
def tamano(clase: str) -> int:
    try:
        return gdb.lookup_type(clase).sizeof
    except gdb.error:
        return 1


VIDA = Vida()


def raiz(clase: str) -> str:
    """The class its first base comes from, up to one with none."""
    try:
        bases = [c.type.name for c in gdb.lookup_type(clase).fields() if c.is_base_class]
    except gdb.error:
        return clase
    return raiz(bases[0]) if bases else clase


def es_de(hija: str, madre) -> bool:
    """Whether an object of the class `hija` is one of the class `madre` (any, if None)."""
    return madre is None or hija == madre or deriva(hija, madre)


@functools.lru_cache(maxsize=None)
def deriva(hija: str, madre: str) -> bool:
    try:
        tipo = gdb.lookup_type(hija)
    except gdb.error:
        return False
    return any(campo.is_base_class and (campo.type.name == madre or deriva(campo.type.name, madre))
               for campo in tipo.fields())


class Suceso(gdb.Breakpoint):
    """Notes, and lets the program go on: a lesson constructor or destructor beginning (its `this`
    and class, and what a copy constructor copies), an address given to operator delete, a clear
    of the terminal. A delete the lesson's code makes stops, for a step of its own."""

    def __init__(self, funcion, que, clase=None):
        super().__init__(function=funcion, internal=True)
        self.que, self.clase = que, clase

    def stop(self):
        otra_parada()
        marco = gdb.selected_frame()
        if self.que == "borra":
            direccion_ = int(gdb.parse_and_eval("$rdi"))
            if VIDA.borrando is not None and VIDA.borrando[1] == direccion_:
                return True  # another name gdb gives the same entry: noted already
            otra_vez = VIDA.borrado(direccion_)
            inicio = VIDA.borra(direccion_)
            llamante = marco.older()
            while llamante is not None and libera(llamante.function()):
                llamante = llamante.older()
            if llamante is not None and seguido(llamante):
                VIDA.borrando = (inicio, direccion_, otra_vez)
                return True
        elif self.que == "limpia":
            VIDA.limpiezas.append(os.path.getsize(parametro("memoria_salida")))
        elif self.que == "construye":
            este = int(marco.read_var("this"))
            llamante = marco.older()
            origen = llamante.function() if llamante else None
            quien = None
            if llamante is not None and papel_de(llamante) == "construye":
                quien = VIDA.inicio(int(llamante.read_var("this")), partes(origen.print_name)[0])
            # A copy constructor's source, which the one the compiler writes does not name
            # (x86-64: the second argument, still in its register at the start).
            copia = None
            if marco.function().print_name == f"{self.clase}::{self.clase}({self.clase} const&)":
                copia = int(marco.read_register("rsi"))
            VIDA.construye(este, self.clase, origen.print_name if origen else "", quien, copia)
        elif not libera(marco.function()):  # the one delete calls through a table calls it
            VIDA.destruye(int(marco.read_var("this")), self.clase)
        return False


class Memoria:
    """What the program holds at one stop, as the page draws it."""

    def __init__(self):
        self.libres = {}  # address -> object reached on the free store
        self.pendientes = []  # (name, pointer value) to follow
        self.montones = None  # the free store's ranges at this stop, read when first needed
        self.dibujadas = set()  # addresses of every object drawn, nested ones too
        self.llenando = {}  # address -> the class whose constructor runs innermost on it

    def en_monton(self, numero: int) -> bool:
        if any(desde <= numero < hasta for desde, hasta in MONTONES):
            return True
        # The free store grows: read again once a step, for an address near it.
        if self.montones is None and any(desde <= numero < hasta + (1 << 30) for desde, hasta in
                                         MONTONES or [(0, 1 << 47)]):
            self.montones = MONTONES[:] = montones()
            return any(desde <= numero < hasta for desde, hasta in MONTONES)
        return False

    def objeto(self, nombre: str, valor) -> dict:
        tipo = valor.type.strip_typedefs()
        if tipo.code == gdb.TYPE_CODE_STRUCT:
            tipo = tipo.unqualified()  # its class: `const` is how a name sees it
        donde = valor.address  # a parameter kept in a register, as `this` may be, has none
        vida = None
        if tipo.code == gdb.TYPE_CODE_STRUCT and donde is not None:
            # The class it was built as, whatever reaches it: its constructor said so, or its
            # hidden pointer does; and the whole of it, where a pointer reaches a part inside.
            inicio = VIDA.contiene(int(donde), tipo.name, tambien_destruidos=True)
            try:
                if inicio is not None:
                    vivo_ = VIDA.de(inicio)
                    real, vida = gdb.lookup_type(vivo_["clase"]), vivo_["vida"]
                else:
                    inicio, real = int(donde), valor.dynamic_type.strip_typedefs()
            except gdb.error:
                inicio, real = int(donde), tipo
            if inicio != int(donde) or (real != tipo and deriva(str(real), str(tipo))):
                valor = gdb.Value(inicio).cast(real.pointer()).dereference()
                tipo, donde = real, valor.address
        resultado = {"nombre": nombre, "tipo": str(tipo),
                     "direccion": None if donde is None else hex(int(donde)),
                     "tamano": tipo.sizeof}
        if vida is not None:
            resultado["vida"] = vida
        if donde is not None:
            self.dibujadas.add(int(donde))
        if tipo.code == gdb.TYPE_CODE_STRUCT:
            # An object with no pointer in it reads the same while its bytes stay the same.
            clave = None
            if donde is not None and sin_punteros(str(tipo)):
                clave = (str(tipo), int(donde), VIDA.version, bytes(
                    gdb.selected_inferior().read_memory(int(donde), tipo.sizeof)))
            if clave in LEIDOS:
                campos, oculto, dentro_ = LEIDOS[clave]
                self.dibujadas.update(dentro_)
                if oculto:
                    resultado["oculto"] = oculto
            else:
                campos, antes = [], self.dibujadas
                self.dibujadas = set()
                self.campos(valor, tipo, None, nombre, campos, resultado)
                if clave:
                    LEIDOS[clave] = (campos, resultado.get("oculto"), self.dibujadas)
                self.dibujadas = antes | self.dibujadas
            resultado["campos"] = copy.deepcopy(campos)  # a step may mark it, not the one kept
        elif tipo.code == gdb.TYPE_CODE_ARRAY and not es_texto(tipo):
            menor, mayor = tipo.range()
            resultado["campos"] = [self.campo(f"[{i}]", valor[i], f"{nombre}[{i}]")
                                   for i in range(menor, min(mayor + 1, menor + CAMPOS_MAXIMOS))]
        else:
            resultado.update({k: v for k, v in self.campo(nombre, valor, nombre).items()
                              if k != "nombre"})
            if "referencia" in resultado:
                del resultado["tamano"], resultado["direccion"]
        return resultado

    def campos(self, valor, tipo, de, camino, campos, resultado):
        for campo in tipo.fields():
            if campo.is_base_class:
                base = campo.type.strip_typedefs()
                self.campos(valor.cast(base), base, base.name, camino, campos, resultado)
            elif campo.name and campo.name.startswith("_vptr"):
                oculto = leer_tabla(int(valor[campo]))
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
            # An array not written yet holds whatever bytes the stack had: any, not only text.
            texto = valor.string(errors="replace", length=tipo.sizeof)
            return {"nombre": nombre, "texto": texto.split("\0")[0],
                    "capacidad": tipo.sizeof}
        if tipo.code == gdb.TYPE_CODE_PTR:
            numero = int(valor)
            dato = {"nombre": nombre, "apunta": hex(numero) if numero else None}
            destino = tipo.target().strip_typedefs()
            if numero and destino.code == gdb.TYPE_CODE_STRUCT:
                dentro(dato, numero, destino)
                self.pendientes.append((f"*{camino}", valor))
            elif numero and es_letra(destino):  # a text: what it says
                with contextlib.suppress(gdb.error):
                    dato["texto"] = valor.string(errors="replace")[:LETRAS_MAXIMAS]
            if numero and VIDA.borrado(numero) and not borrando(VIDA.inicio(numero)):
                dato["borrado"] = True
            return dato
        if tipo.code in (gdb.TYPE_CODE_REF, gdb.TYPE_CODE_RVALUE_REF):  # another name for it
            numero = int(valor.referenced_value().address)
            dato = {"nombre": nombre, "referencia": hex(numero)}
            destino = tipo.target().strip_typedefs()
            if destino.code == gdb.TYPE_CODE_STRUCT:
                dentro(dato, numero, destino)
            if VIDA.borrado(numero):
                dato["borrado"] = True
            return dato
        if tipo.code in (gdb.TYPE_CODE_STRUCT, gdb.TYPE_CODE_ARRAY):
            return {"nombre": nombre, "objeto": self.objeto(nombre, valor)}
        return {"nombre": nombre, "valor": str(valor)}

    def seguir(self):
        """Every object on the free store that a pointer already read reaches."""
        while self.pendientes:
            nombre, puntero = self.pendientes.pop(0)
            numero = int(puntero)
            inicio = VIDA.inicio(numero, puntero.type.target().strip_typedefs().name)
            if inicio in self.libres or (VIDA.borrado(numero) and not borrando(inicio)) or \
                    not self.en_monton(numero):
                continue
            with contextlib.suppress(gdb.MemoryError):
                self.libres[inicio] = self.objeto(nombre, puntero.dereference())


def borrando(inicio: int) -> bool:
    """Whether delete is freeing the object that starts there in this step."""
    return VIDA.borrando is not None and VIDA.borrando[0] == inicio


def dentro(dato: dict, numero: int, clase):
    """A pointer or a reference to a part of an object at an offset inside it (its base part
    after a hidden pointer): the whole object's address, and which part."""
    inicio = VIDA.contiene(numero, clase.name, tambien_destruidos=True)
    if inicio is not None and inicio != numero:
        dato.update({"entero": hex(inicio), "parte": clase.name})


MONTONES = []  # the free store's ranges, as last read
LEIDOS = {}  # (class, address, what lifes are known, bytes) -> fields as read


@functools.lru_cache(maxsize=None)
def sin_punteros(clase: str) -> bool:
    """Whether nothing in an object of the class (bases and members too) is a pointer or a
    reference: its hidden pointer aside, whose table is read once."""
    for campo in gdb.lookup_type(clase).fields():
        if campo.name and campo.name.startswith("_vptr") or \
                campo.bitpos is None and not campo.is_base_class:
            continue
        tipo = campo.type.strip_typedefs()
        while tipo.code == gdb.TYPE_CODE_ARRAY:
            tipo = tipo.target().strip_typedefs()
        if tipo.code in (gdb.TYPE_CODE_PTR, gdb.TYPE_CODE_REF, gdb.TYPE_CODE_RVALUE_REF):
            return False
        if tipo.code == gdb.TYPE_CODE_STRUCT and not sin_punteros(str(tipo.unqualified())):
            return False
    return True


@functools.lru_cache(maxsize=None)  # each table once
def leer_tabla(tabla: int):
    """The class whose virtual table a hidden pointer names, and that table's functions."""
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


def montones():
    filas = map(str.split, gdb.execute("info proc mappings", to_string=True).splitlines())
    return [(int(f[0], 16), int(f[1], 16)) for f in filas if f and f[-1] == "[heap]"]


def salida_hasta_ahora(ruta: str) -> tuple:
    """The screen number and what the terminal shows of it: what was written since the terminal
    was last cleared, with the typed words where they were echoed."""
    desde = VIDA.limpiezas[-1] if VIDA.limpiezas else 0
    with open(ruta, "rb") as archivo:
        pantalla = archivo.read()[desde:].decode("utf-8", "replace").replace("\r\n", "\n")
    marcas = dict.fromkeys(map(ord, parametro("memoria_marcas")))
    return len(VIDA.limpiezas) + 1, pantalla.translate(marcas)


PARADA = {}  # (question, frame level) -> its answer, at this stop


def por_parada(pregunta):
    """A question about a frame, answered once for each frame at a stop (see otra_parada)."""
    def recordada(marco):
        clave_ = (pregunta, marco.level())
        if clave_ not in PARADA:
            PARADA[clave_] = pregunta(marco)
        return PARADA[clave_]
    return recordada


@por_parada
def en_main(marco) -> bool:
    return marco.name() == "main"


# The lesson's folders, from the programs' table.
with open(os.path.join(parametro("memoria_raiz"), "programas.txt"), encoding="utf-8") as tabla:
    LECCION = tuple(fila.split()[1] + "/" for fila in tabla if fila.strip()[:1] not in ("", "#"))


def relativo(lugar) -> str:
    """A place's file (a line's, or a symbol's) from the project's folder."""
    raiz = os.path.normpath(parametro("memoria_raiz")) + "/"
    nombre = os.path.normpath(lugar.symtab.fullname()) if lugar.symtab else ""
    return nombre[len(raiz):] if nombre.startswith(raiz) else nombre


def partes(funcion: str):
    """Class and member of a member function's name, or None for a free function."""
    hallado = re.match(r"(\w+)::(~?operator\W+|~?\w+)\(", funcion)
    return hallado.groups() if hallado else None


@functools.lru_cache(maxsize=None)
def papel(funcion: str) -> str:
    """"construye", "destruye", "cambia", "asigna" or "devuelve" for a constructor, a destructor,
    a setter, an assignment, or a function that returns an object by value (a copy each call);
    else ""."""
    clase, miembro = partes(funcion) or ("", None)
    if funcion in VIDA.devuelven:
        return "devuelve"
    return {clase: "construye", "~" + clase: "destruye", "operator=": "asigna"}.get(
        miembro, "cambia" if miembro and miembro.startswith("set") else "")


def otra_parada():
    """What was learnt of the frames at one stop holds for that stop only."""
    PARADA.clear()


def seguir_corriendo():
    otra_parada()
    gdb.execute("continue", to_string=True)
    otra_parada()  # what breakpoints that let it go on saw is not this stop


@por_parada
def seguido(marco) -> bool:
    """main; a helper of main's own file; a constructor, a setter, an assignment, a destructor or
    a function returning an object by value of the lesson's classes called from either: where an
    object is built, changed, copied or destroyed, its steps are the lesson's."""
    if en_main(marco):
        return True
    funcion = marco.function()
    if funcion is None or marco.older() is None or not seguido(marco.older()):
        return False
    if partes(funcion.print_name) is None:
        return funcion.symtab.filename == next(m for m in cadena_de(marco)
                                               if en_main(m)).function().symtab.filename
    return relativo(marco.find_sal()).startswith(LECCION) and papel(funcion.print_name) != ""


def simbolos(marco):
    """The frame's symbols, from its innermost block out to its function's."""
    bloque = marco.block()
    while bloque is not None:
        yield from bloque
        bloque = None if bloque.function is not None else bloque.superblock


def variables(memoria: Memoria, marco, ahora, aun=frozenset()) -> list:
    """The frame's variables built by now and not yet destroyed, and its parameters: `this` an
    arrow, or the object itself while its constructor builds it on the stack; a reference another
    name."""
    linea = marco.find_sal().line
    construye = papel_de(marco) == "construye"
    objetos = []
    vistos = set()
    for simbolo in simbolos(marco):
        if simbolo.name in vistos or simbolo.name.startswith("__") or simbolo.is_constant or not (
                simbolo.is_variable or simbolo.is_argument):
            continue
        # A variable is built once the line that declares it has run.
        if simbolo.is_variable and (simbolo.line >= linea or
                                    simbolo.addr_class == gdb.SYMBOL_LOC_STATIC):
            continue
        vistos.add(simbolo.name)
        valor = simbolo.value(marco)
        if simbolo.name == "this" and construye:
            # The whole object its constructor builds, whichever part of it this one fills.
            clase = valor.type.target().strip_typedefs().name
            inicio = VIDA.inicio(int(valor), clase)
            clase = VIDA.de(inicio).get("clase", clase)
            if memoria.en_monton(inicio):
                # Built by new: drawn on the free store, where it lives, `this` an arrow to it.
                if inicio not in memoria.libres:
                    memoria.libres[inicio] = memoria.objeto(lo_que_crea_new(marco, clase),
                                                            valor.dereference())
                por_llenar(memoria.libres[inicio], memoria)
                objeto = memoria.objeto(simbolo.name, valor)
            else:
                nombre = nombre_de(marco, inicio, gdb.lookup_type(clase))
                objeto = por_llenar(memoria.objeto(nombre, valor.dereference()), memoria)
        else:
            objeto = memoria.objeto(simbolo.name, valor)
            if simbolo.is_argument and simbolo.name != "this" and objeto.get("vida"):
                # A parameter by value: the object is that parameter all its life.
                VIDA.parametros.setdefault(objeto["vida"], (simbolo.name,
                                                            marco.function().print_name))
        if en_main(marco) and valor.address is not None:
            if int(valor.address) in ahora:
                objeto["destruye"] = True
            elif destruido(marco, simbolo, aun):
                continue
        if simbolo.is_argument:
            objeto["parametro"] = True
        elif valor.address is not None and declarada_sin_valor(
                simbolo.symtab.fullname(), simbolo.line, simbolo.name):
            sin_valor(objeto, valor)
        objetos.append(objeto)
    return objetos


@functools.lru_cache(maxsize=None)
def lineas_de(ruta: str) -> list:
    return pathlib.Path(ruta).read_text(encoding="utf-8").splitlines()


@functools.lru_cache(maxsize=None)
def declarada_sin_valor(ruta: str, numero: int, nombre: str) -> bool:
    """Whether the line that declares the variable gives it no value (`char nombre[30];`)."""
    try:
        linea = lineas_de(ruta)[numero - 1]
    except (OSError, IndexError):
        return False
    return re.search(rf"\b{nombre}\s*(\[[^\]]*\]\s*)*;", linea) is not None


def sin_valor(objeto: dict, valor):
    """Marks what still holds the bytes it had when the variable was declared with no value:
    nothing was stored in it yet."""
    tipo = valor.type.strip_typedefs()
    bytes_ = bytes(gdb.selected_inferior().read_memory(int(valor.address), tipo.sizeof))
    antes = VIDA.primeras.setdefault(int(valor.address), bytes_)
    if "campos" in objeto and tipo.code == gdb.TYPE_CODE_ARRAY:
        largo = tipo.target().sizeof
        for i, campo in enumerate(objeto["campos"]):
            if bytes_[i * largo:(i + 1) * largo] == antes[i * largo:(i + 1) * largo]:
                campo["sinValor"] = True
    elif bytes_ == antes:
        objeto["sinValor"] = True


def locales_de_main(marco) -> list:
    """main's own variables (not those of a block inside it), in the order they are declared,
    with their addresses: the same all the run."""
    if VIDA.locales is None:
        marco = next(m for m in cadena_de(marco) if en_main(m))
        bloque = marco.block()
        while bloque.function is None:
            bloque = bloque.superblock
        VIDA.locales = [(s, int(s.value(marco).address))
                        for s in sorted(bloque, key=lambda s: s.line)
                        if s.is_variable and not s.name.startswith("__")]
    return VIDA.locales


def por_llenar(objeto: dict, memoria: Memoria) -> dict:
    """An object a constructor builds. While the innermost one on it is a base part's, the fields
    of the classes built on that base hold nothing yet: they are filled after it returns."""
    objeto["construye"] = True
    clase = memoria.llenando.get(int(objeto["direccion"], 16), objeto["tipo"])
    if clase != objeto["tipo"]:
        for campo in objeto.get("campos", []):
            if campo.get("de") is None or not es_de(clase, campo["de"]):
                campo["sinValor"] = True
    return objeto


def lo_que_crea_new(marco, clase: str) -> str:
    """What the code that asked for it wrote: `new Circulo("Rojo", 14.0F)`."""
    llamante = marco.older()
    while llamante is not None and papel_de(llamante) == "construye":
        llamante = llamante.older()
    try:
        lugar = llamante.find_sal()
        linea = lineas_de(lugar.symtab.fullname())[lugar.line - 1]
    except (AttributeError, OSError, IndexError):
        return f"new {clase}"
    hallado = re.search(rf"new\s+{re.escape(clase)}\b(\s*\((?:[^()]|\([^()]*\))*\))?", linea)
    return hallado.group(0) if hallado else f"new {clase}"


def nombre_de(marco, numero: int, clase) -> str:
    """What the code that asked for the object a constructor builds calls it: a variable of a
    caller, or a part of one (p2.miCoche); else it is a temporary, as an argument's copy is."""
    clase = clase.strip_typedefs()
    for llamante in cadena_de(marco.older()):
        for simbolo in simbolos(llamante):
            if not (simbolo.is_variable or simbolo.is_argument):
                continue
            try:
                valor = simbolo.value(llamante)
            except gdb.error:  # a learner's variable gdb cannot read says nothing of this one
                continue
            nombre = None if valor.address is None else parte(
                simbolo.name, valor.type.strip_typedefs(), numero - int(valor.address), clase)
            if nombre:
                return nombre
    return "(temporal)"


def parte(nombre: str, tipo, desplazamiento: int, clase):
    """The name of what lies at that offset of an object of that type and is of that class: the
    object itself, an element or a field (p2.miCoche); None if nothing is."""
    if not 0 <= desplazamiento < tipo.sizeof:
        return None
    if tipo.code == gdb.TYPE_CODE_ARRAY:
        elemento = tipo.target().strip_typedefs()
        i, resto = divmod(desplazamiento, elemento.sizeof)
        return parte(f"{nombre}[{i}]", elemento, resto, clase)
    if tipo.code != gdb.TYPE_CODE_STRUCT:
        return None
    if desplazamiento == 0 and es_de(tipo.name, clase.name):
        return nombre
    for campo in tipo.fields():
        desde = getattr(campo, "bitpos", None)
        if campo.is_base_class or not campo.name or desde is None:
            continue
        if desde // 8 <= desplazamiento < desde // 8 + campo.type.sizeof:
            return parte(f"{nombre}.{campo.name}", campo.type.strip_typedefs(),
                         desplazamiento - desde // 8, clase)
    return None


def destruido(marco, simbolo, aun) -> bool:
    """When main returns its objects go in the reverse order of their construction: one whose
    destructor began (but those in `aun`) is gone, and so is any declared after it."""
    return any(donde in VIDA.destruidos and donde not in aun and s.line <= simbolo.line
               for s, donde in locales_de_main(marco))


def temporales(memoria: Memoria, cadena, ahora) -> dict:
    """The objects a constructor built that nothing drawn holds, and one being destroyed: the
    temporaries, each in the frame whose stack holds it, with the function it came from."""
    por_marco = {}
    candidatos = {**VIDA.vivos, **{n: VIDA.destruidos[n] for n in ahora if VIDA.destruidos.get(n)}}
    for numero, vivo_ in sorted(candidatos.items()):
        if numero in memoria.dibujadas or memoria.en_monton(numero):
            continue
        # The stack grows down: a frame's objects lie below its caller's stack pointer.
        donde = next((i for i, marco in enumerate(cadena) if marco.older() and
                      numero < int(marco.older().read_register("sp"))), len(cadena) - 1)
        try:
            valor = gdb.Value(numero).cast(gdb.lookup_type(vivo_["clase"]).pointer()).dereference()
            objeto = memoria.objeto("(temporal)", valor)
        except gdb.error:
            continue
        objeto.update({"temporal": True, "origen": vivo_["origen"]})
        if numero in ahora:
            objeto["destruye"] = True
        por_marco.setdefault(donde, []).append(objeto)
    return por_marco


def llamada(marco, objetos) -> dict:
    """For a member function: the class of the object it runs on, whether the function is virtual
    (its own class's table has it) and whether that class has a function of its own by that
    name."""
    nombre = marco.function().print_name
    miembro = partes(nombre)
    este = next((o for o in objetos if o["nombre"] == "this"), {})
    if not miembro or papel(nombre) in ("construye", "destruye") or not este.get("apunta"):
        return {}
    objeto = Memoria().objeto("", marco.read_var("this").dereference())
    firma = nombre[len(miembro[0]) + 2:]
    # While a base part is built or destroyed the object is of that class: its table says which.
    tabla = objeto.get("oculto") or {"clase": objeto["tipo"], "funciones": []}
    propia = tabla_de(miembro[0]) or {"funciones": []}
    return {"clase": tabla["clase"],
            "virtual": any(f.endswith("::" + firma) for f in propia["funciones"]),
            "propia": f"{tabla['clase']}::{firma}" in VIDA.funciones}


@functools.lru_cache(maxsize=None)
def tabla_de(clase: str):
    """A class's own table of virtual functions, or None where it has none."""
    try:
        # Its entries start after two words: the offset to the whole object and its type.
        tabla = int(gdb.parse_and_eval(f"(long) &'vtable for {clase}'")) + 16
    except gdb.error:
        return None
    return leer_tabla(tabla)


def copia(marco) -> dict:
    """A copy constructor's frame: what it copies, noted when it began."""
    nombre = marco.function().print_name
    clase = nombre.split("::")[0]
    if nombre != f"{clase}::{clase}({clase} const&)":
        return {}
    inicio = VIDA.inicio(int(marco.read_var("this")), clase)
    copiado = VIDA.de(inicio).get("copia")
    return {"copia": hex(copiado)} if copiado is not None else {}


def asigna(marco) -> dict:
    """An assignment's frame: the object it copies from (its parameter, or, unnamed in the one
    the compiler writes, the second argument still in its register at its first line)."""
    if papel_de(marco) != "asigna":
        return {}
    for simbolo in simbolos(marco):
        if simbolo.is_argument and simbolo.name != "this":
            return {"asigna": hex(int(simbolo.value(marco).referenced_value().address))}
    if marco != gdb.newest_frame() or marco.find_sal().line != marco.function().line:
        return {}
    return {"asigna": hex(int(marco.read_register("rsi")))}


def libera(funcion) -> bool:
    """The destructor that delete calls through a table: it calls the destructor itself, then frees
    the memory. The compiler gives it the destructor's lines; it is no step of its own."""
    return funcion is not None and funcion.linkage_name.endswith("D0Ev")


def papel_de(marco) -> str:
    """What papel says of the frame's function ("" where gdb knows of none)."""
    return "" if marco.function() is None else papel(marco.function().print_name)


def paso(memoria: Memoria, archivo_salida: str, sin_destructor=None, desde=None) -> dict:
    """The step at the selected frame, or at `desde` (a frame of the lesson's code below one of
    the library's)."""
    cadena = [m for m in cadena_de(desde or gdb.selected_frame())
              if seguido(m) and not libera(m.function())]
    ahora = {VIDA.inicio(int(m.read_var("this")), partes(m.function().print_name)[0])
             for m in cadena if papel_de(m) == "destruye"}
    for marco in cadena:  # the innermost first
        if papel_de(marco) == "construye":
            clase = partes(marco.function().print_name)[0]
            memoria.llenando.setdefault(VIDA.inicio(int(marco.read_var("this")), clase), clase)
    aun = frozenset()
    if sin_destructor is not None:  # an object of main whose class has no destructor goes first
        cadena, ahora, aun = cadena[-1:], {sin_destructor}, frozenset(ahora)
    marcos = []
    for marco in reversed(cadena):
        objetos = variables(memoria, marco, ahora, aun)
        if en_main(marco):  # as declared: the stack grows down
            objetos.sort(key=lambda o: int(o["direccion"], 16), reverse=True)
            marcos.append({"funcion": "main", "objetos": objetos})
        else:
            marcos.append({"funcion": marco.function().print_name, "objetos": objetos,
                           **llamada(marco, objetos), **copia(marco), **asigna(marco),
                           **({"devuelve": True} if papel_de(marco) == "devuelve" else {})})
    memoria.seguir()
    for numero in ahora & memoria.libres.keys():  # what delete destroys
        memoria.libres[numero]["destruye"] = True
    if VIDA.borrando is not None:  # what delete frees now, and which destructors ran on it
        inicio = VIDA.borrando[0]
        libre = memoria.libres.get(inicio)
        if libre is None:
            vivo_ = VIDA.destruidos.get(inicio) or {}
            with contextlib.suppress(gdb.error, KeyError):
                libre = memoria.objeto("(borrado)", gdb.Value(inicio).cast(
                    gdb.lookup_type(vivo_["clase"]).pointer()).dereference())
        if libre is not None:
            libre["borra"] = VIDA.corridos.pop(inicio, [])
            clase = libre["tipo"]
            libre["base"] = raiz(clase)
            if f"{clase}::~{clase}()" in VIDA.funciones:
                libre["suyo"] = True  # its class has a destructor of its own to run
            if VIDA.borrando[2]:
                libre["otraVez"] = True
            memoria.libres[inicio] = libre
    for donde, objetos in temporales(memoria, cadena, ahora).items():
        marcos[len(cadena) - 1 - donde]["objetos"] += objetos
    pantalla, salida = salida_hasta_ahora(archivo_salida)
    lugar = cadena[0].find_sal()
    resultado = {"archivo": relativo(lugar), "linea": lugar.line, "pantalla": pantalla,
                 "salida": salida, "marcos": marcos, "libres": list(memoria.libres.values())}
    if VIDA.borrando is not None:
        resultado["borra"] = hex(VIDA.borrando[1])
    return resultado


def vivo() -> bool:
    try:
        return bool(gdb.selected_inferior().pid) and gdb.selected_frame() is not None
    except gdb.error:
        return False


def clave(marco, hondo=None) -> tuple:
    """Where a step stands: a line may start twice (its parts, for the compiler), and is one step
    unless a call went out of it in between, or a call on another object reached it."""
    lugar = marco.find_sal()
    try:
        este = int(marco.read_var("this"))
    except ValueError:
        este = 0
    return (lugar.symtab.filename if lugar.symtab else "", lugar.line,
            hondo or len(list(cadena_de(marco))), este)


def al_cerrar_main(pasos, salida, marco):
    """At main's closing brace, and as its end destroys each of its objects: a step for each
    object it destroys next whose class has no destructor to step into."""
    locales = locales_de_main(marco)
    linea = None
    if en_main(marco):
        if marco.find_sal().line == gdb.find_pc_line(marco.block().end - 1).line:
            linea = 0
    elif papel_de(marco) == "destruye" and en_main(marco.older()):
        este = int(marco.read_var("this"))
        linea = next((s.line for s, donde in locales if donde == este), None)
    if linea is None:
        return
    for simbolo, donde in reversed(locales):
        tipo = simbolo.type.strip_typedefs()
        if donde in VIDA.destruidos or tipo.code != gdb.TYPE_CODE_STRUCT:
            continue
        if simbolo.line <= linea or f"{tipo.name}::~{tipo.name}()" in VIDA.funciones:
            break
        VIDA.destruidos[donde] = None
        pasos.append(paso(Memoria(), salida, donde))


def avanzar(pasos, salida, anterior) -> tuple:
    """From a line of main to the next: into main's helpers and the lesson's constructors, setters
    and destructors that the line calls, a step for each of their lines; over everything else.
    From one line start of theirs to the next (see paradas), as `step` goes: so that a call after
    another on the same line is reached too, and back from a call in the middle of a line, that
    line does not start again."""
    vueltas = set()  # (depth, line) of each caller a call returns to, in the middle of that line
    seguir_corriendo()
    while vivo() and len(pasos) < PASOS_MAXIMOS and VIDA.senal is None:
        marco = gdb.selected_frame()
        if VIDA.borrando is not None:  # delete frees an object: a step at the code that asked
            llamante = next(m for m in cadena_de(marco.older())
                            if seguido(m) and not libera(m.function()))
            pasos.append(paso(Memoria(), salida, desde=llamante))
            VIDA.borrando = None
            anterior = clave(llamante)
            seguir_corriendo()
            continue
        cadena = list(cadena_de(marco))
        if not en_main(cadena[-1]):
            return None
        hondo = len(cadena)
        linea = marco.find_sal().line
        if seguido(marco):
            # Callers that returned, and a caller gone on to another line, are not waited for.
            vueltas = {(h, l) for h, l in vueltas if h < hondo or (h == hondo and l == linea)}
        if seguido(marco) and (hondo, linea) not in vueltas:
            if anterior and anterior[2] > hondo:
                anterior = None  # back in the caller: the callee's lines may start again
            aqui = clave(marco, hondo)
            if hondo == 1 and aqui != anterior:
                return aqui
            if aqui != anterior:
                al_cerrar_main(pasos, salida, marco)
                pasos.append(paso(Memoria(), salida))
                anterior = aqui
            regreso = None if hondo == 1 else marco.older().pc()
            # The caller goes on in the line of the call, even where its next part starts there.
            if regreso is not None and (gdb.find_pc_line(regreso).pc != regreso or
                                        gdb.find_pc_line(regreso - 1).line ==
                                        gdb.find_pc_line(regreso).line):
                vueltas.add((hondo - 1, gdb.find_pc_line(regreso).line))
        seguir_corriendo()
    return None


def propio(marco) -> bool:
    """A frame of the learner's code: the project's, but not the C library's nor the checker's."""
    lugar = marco.find_sal()
    if lugar.symtab is None:
        return False
    archivo = relativo(lugar)
    return not os.path.isabs(archivo) and not archivo.startswith("comprobador/")


def al_pararse(salida) -> dict:
    """The last step of a run a signal stopped: at the line of the learner's code it stopped in,
    with every object that was never destroyed."""
    marco = gdb.newest_frame()
    while marco is not None and not propio(marco):
        marco = marco.older()
    marco = marco or gdb.newest_frame()
    ultimo = paso(Memoria(), salida, desde=marco)
    lugar = marco.find_sal()
    nunca = []
    for objeto in [o for m in ultimo["marcos"] for o in m["objetos"]] + ultimo["libres"]:
        if objeto.get("vida") and not objeto.get("destruye") and not objeto.get("parametro"):
            objeto["nunca"] = True
            nunca.append(objeto["nombre"])
    ultimo.update({"archivo": relativo(lugar), "linea": lugar.line, "senal": VIDA.senal,
                   "nunca": nunca})
    return ultimo


def historias(pasos):
    """One object, one name from its first step to its last: a parameter by value is that
    parameter also while it is built for the call and destroyed after it."""
    for paso_ in pasos:
        for objeto in [o for m in paso_["marcos"] for o in m["objetos"]] + paso_["libres"]:
            if objeto.get("vida") in VIDA.parametros:
                nombre, funcion = VIDA.parametros[objeto["vida"]]
                objeto.update({"nombre": nombre, "parametroDe": funcion})
                objeto.pop("temporal", None)
                objeto.pop("origen", None)


def llama(desde: int, hasta: int, nombres) -> bool:
    """Whether the code between the two addresses calls one of the functions named."""
    codigo = gdb.selected_inferior().architecture().disassemble(desde, hasta - 1)
    llamadas = [h.group(1) for h in (re.search(r"\bcall\s.*<(.*)>", i["asm"]) for i in codigo) if h]
    return any(f in nombres or f.split("@")[0] in nombres
               or any(f.startswith(n.split("(")[0] + "(") for n in nombres) for f in llamadas)


def paradas(funciones):
    """A breakpoint at each line start of main, of the functions of its file and of the lesson's
    constructors, setters and destructors (each variant the compiler made), but their first (the
    frame is made after it): where `step` would stop, without stepping every instruction."""
    principal = gdb.selected_frame().function().symtab
    nombres = {s.print_name for b in (principal.global_block(), principal.static_block()) for s in b
               if s.is_function}
    # A function returning a copy is no step of its own: the copy's constructor is.
    nombres.update(f for f in funciones if papel(f) and papel(f) != "devuelve")
    lugares = set()
    for nombre in nombres:
        entrada = gdb.Breakpoint(nombre, internal=True)
        for donde in entrada.locations:
            bloque = gdb.block_for_pc(donde.address)
            while bloque.function is None:
                bloque = bloque.superblock
            if libera(bloque.function):
                continue
            antes = None
            for e in sorted((e for e in bloque.function.symtab.linetable()
                             if bloque.start < e.pc < bloque.end and e.line), key=lambda e: e.pc):
                # A line that starts again right after itself, with no call the trace follows in
                # between, is the same step: one stop is enough.
                if antes is None or e.line != antes[0] or llama(antes[1], e.pc, nombres):
                    lugares.add(e.pc)
                antes = (e.line, e.pc)
        entrada.delete()
    for lugar in lugares:
        gdb.Breakpoint(f"*{lugar:#x}", internal=True)
    # Not taken out and put back in the program at each stop, as gdb does by default.
    gdb.execute("set breakpoint always-inserted on")


def cadena_de(marco):
    """The frame and its callers, up to main."""
    while marco is not None:
        yield marco
        if en_main(marco):
            return
        marco = marco.older()


def funciones_de_la_leccion() -> set:
    """Each member function of the lesson's files, by the name gdb gives it: those of the sources
    of main's folder (a program is every .cpp of its folder), read from their own symbols only."""
    carpeta = os.path.dirname(relativo(gdb.selected_frame().find_sal()))
    funciones = set()
    for fuente in os.listdir(os.path.join(parametro("memoria_raiz"), carpeta)):
        if not fuente.endswith(".cpp"):
            continue
        try:
            lugar = gdb.decode_line(f"{carpeta}/{fuente}:1")[1][0]
        except gdb.error:
            continue
        for bloque in (lugar.symtab.global_block(), lugar.symtab.static_block()):
            for simbolo in bloque:
                if simbolo.is_function and partes(simbolo.print_name) and \
                        relativo(simbolo).startswith(LECCION):
                    funciones.add(simbolo.print_name)
                    if simbolo.type.target().strip_typedefs().code == gdb.TYPE_CODE_STRUCT:
                        VIDA.devuelven.add(simbolo.print_name)
    return funciones


def trazar():
    gdb.execute("set pagination off")
    gdb.execute("set confirm off")
    gdb.execute("set print object on")
    gdb.execute("set print asm-demangle on")  # the calls in the code, by the names of functions
    salida = parametro("memoria_salida")
    # No symbols of the shared libraries, nor the dynamic linker's separate debug file, which gdb
    # reads even so: the trace reads none, and gdb starts several times as fast.
    gdb.execute("set auto-solib-add off")
    # Nor the threads' library: the programs have one thread, and gdb would ask it at each stop.
    gdb.execute("set libthread-db-search-path /dev/null")
    gdb.execute("set debug-file-directory")
    gdb.execute("break main", to_string=True)
    # The checks' console then writes each byte as it comes: each step reads the output so far.
    gdb.execute("set environment COMPROBAR_SIN_BUFFER 1", to_string=True)
    # Every call into a shared library bound at the start: gdb, with none of their symbols, would
    # otherwise step through the dynamic linker at each first call, instruction by instruction.
    gdb.execute("set environment LD_BIND_NOW 1", to_string=True)
    # What a signal stops: the program is not let go on, its last step says so.
    gdb.events.stop.connect(lambda suceso: setattr(VIDA, "senal", suceso.stop_signal)
                            if isinstance(suceso, gdb.SignalEvent) else None)
    # Its standard error too, as a terminal shows both: the C library's last words, if any.
    gdb.execute(f"run < '{parametro('memoria_entrada')}' > '{salida}' 2>&1", to_string=True)
    for funcion in ("operator delete(void*)", "operator delete(void*, unsigned long)"):
        # The program's own entry to the library's, or its own operator delete if it has one.
        for lugar in (funcion + "@plt", funcion):
            entrada = Suceso(lugar, "borra")
            if not entrada.pending:
                break
            entrada.delete()
    Suceso("consola::limpiar", "limpia")
    VIDA.funciones = funciones_de_la_leccion()
    papel.cache_clear()  # which functions return a copy is known from here on
    for funcion in VIDA.funciones:
        if papel(funcion) in ("construye", "destruye"):
            Suceso(funcion, papel(funcion), partes(funcion)[0])
    paradas(VIDA.funciones)
    pasos = []
    programa = parametro("memoria_programa")
    while vivo() and en_main(gdb.selected_frame()) and len(pasos) < PASOS_MAXIMOS:
        pasos.append(paso(Memoria(), salida))
        al_cerrar_main(pasos, salida, gdb.selected_frame())
        try:
            if avanzar(pasos, salida, clave(gdb.selected_frame())) is None:
                break
        except gdb.error:
            break
    if pasos and VIDA.senal is not None and vivo():
        pasos.append(al_pararse(salida))
        gdb.execute("kill", to_string=True)
    # main has returned: its objects are gone, what new made and nobody deleted is still there.
    elif pasos:
        ultimo = next(p for p in reversed(pasos) if len(p["marcos"]) == 1)
        pasos.append(dict(ultimo, libres=pasos[-1]["libres"],
                          marcos=[{"funcion": "main", "objetos": [], "termina": True}],
                          **dict(zip(("pantalla", "salida"), salida_hasta_ahora(salida)))))
    historias(pasos)
    raiz = os.path.normpath(parametro("memoria_raiz"))
    fuentes = {}
    for archivo in sorted({p["archivo"] for p in pasos}):  # so that one program gives one page
        try:
            fuentes[archivo] = pathlib.Path(f"{raiz}/{archivo}").read_text(encoding="utf-8")
        except OSError:
            fuentes[archivo] = ""
    pagina = pathlib.Path(parametro("memoria_plantilla")).read_text(encoding="utf-8")
    # Inside <script>, no "<" may start a tag: JSON writes it as \u003c.
    como_json = lambda dato: json.dumps(dato, ensure_ascii=False).replace("<", "\\u003c")
    pagina = (pagina.replace("@PROGRAMA@", programa)
              .replace("@TRAZA@", como_json({"programa": programa, "pasos": pasos}))
              .replace("@FUENTES@", como_json(fuentes)))
    pathlib.Path(parametro("memoria_pagina")).write_text(pagina, encoding="utf-8")


trazar()
