#!/usr/bin/env python3
"""The folder of a developer build, read from CMakePresets.json so that the presets stay the one
place that names where developer builds live.

Usage: tools/carpeta.py NAME...  prints one absolute folder per NAME: a configure preset's own
binaryDir, or, for a build that no preset makes (the packages', the cost's, the labs'), the folder
that the hidden `desarrollo` preset would give a preset of that name."""

import json
import os
import re
import sys

RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BASE = "desarrollo"  # the hidden preset that every developer preset inherits its folder from
MACRO = re.compile(r"\$\{(\w+)\}|\$(env|penv)\{(\w+)\}")


def _presets() -> dict:
    with open(os.path.join(RAIZ, "CMakePresets.json"), encoding="utf-8") as fichero:
        return {p["name"]: p for p in json.load(fichero)["configurePresets"]}


def _padres(preset: dict) -> list:
    padres = preset.get("inherits", [])
    return [padres] if isinstance(padres, str) else padres


def _campo(presets: dict, preset: dict, clave: str):
    """A field as CMake inherits it: the preset's own, else the first parent's that has one."""
    if clave in preset:
        return preset[clave]
    for padre in _padres(preset):
        valor = _campo(presets, presets[padre], clave)
        if valor is not None:
            return valor
    return None


def _entorno(presets: dict, preset: dict) -> dict:
    """The preset's environment: its own entries over its parents', an earlier parent's over a
    later one's."""
    entorno = {}
    for padre in reversed(_padres(preset)):
        entorno.update(_entorno(presets, presets[padre]))
    entorno.update(preset.get("environment", {}))
    return entorno


def _expandir(texto: str, nombre: str, entorno: dict, vistas=()) -> str:
    def macro(encontrada):
        clave, clase, variable = encontrada.groups()
        if clase == "penv":
            return os.environ.get(variable, "")
        if clase == "env":
            if variable not in entorno:
                return os.environ.get(variable, "")
            if variable in vistas:
                raise ValueError(f"$env{{{variable}}} refers to itself in CMakePresets.json")
            return _expandir(entorno[variable], nombre, entorno, vistas + (variable,))
        valores = {"sourceDir": RAIZ, "sourceParentDir": os.path.dirname(RAIZ),
                   "sourceDirName": os.path.basename(RAIZ), "presetName": nombre,
                   "dollar": "$"}
        if clave not in valores:
            raise ValueError(f"tools/carpeta.py does not know the macro ${{{clave}}}")
        return valores[clave]

    return MACRO.sub(macro, texto)


def carpeta(nombre: str) -> str:
    """The absolute folder of the developer build NAME."""
    presets = _presets()
    preset = presets.get(nombre)
    if preset is None or preset.get("hidden"):
        preset = presets[BASE]
    plantilla = _campo(presets, preset, "binaryDir")
    if plantilla is None:
        raise ValueError(f"the preset {nombre} has no binaryDir")
    ruta = _expandir(plantilla, nombre, _entorno(presets, preset))
    return os.path.normpath(os.path.join(RAIZ, ruta))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for argumento in sys.argv[1:]:
        print(carpeta(argumento))
