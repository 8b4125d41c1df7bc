"""The Windows build under Wine, whose command processor carries out the real "pause" and "cls":
with CR dropped and the pause prompt removed, standard output must be the same transcripts as on
Linux. Usage: windows.py DIRECTORY_OF_THE_EXE_FILES"""

import os
import subprocess
import sys
import tempfile

import e2e_garaxo
import e2e_pintafor
import e2e_polifor

AVISO_DE_PAUSA = b"Press any key to continue... "  # Wine's command processor, in English

CASOS = [
    ("garaxo.exe", b"Juan\r\n12345678-Z\r\nAna\r\n87654321-X\r\n",
     e2e_garaxo.sin_eco("Juan", "12345678-Z", "Ana", "87654321-X")),
    ("garaxo.exe", b"", e2e_garaxo.sin_eco("", "", "", "")),
    ("pintafor.exe", b"x", e2e_pintafor.ESTATICA + e2e_pintafor.DINAMICA),
    ("polifor.exe", b"", e2e_polifor.PRIMERA + e2e_polifor.SEGUNDA + e2e_polifor.TERCERA),
]


def main() -> int:
    carpeta = sys.argv[1]
    fallos = 0
    with tempfile.TemporaryDirectory() as prefijo:
        entorno = dict(os.environ, WINEPREFIX=prefijo, WINEDEBUG="-all", LANG="C", LC_ALL="C")
        for programa, entrada, esperada in CASOS:
            with tempfile.TemporaryFile() as fichero:
                fichero.write(entrada)
                fichero.seek(0)
                resultado = subprocess.run(["wine", os.path.join(carpeta, programa)],
                                           stdin=fichero, capture_output=True, env=entorno,
                                           timeout=600, check=False)
            salida = resultado.stdout.replace(b"\r", b"").replace(AVISO_DE_PAUSA, b"")
            bien = resultado.returncode == 0 and salida == esperada.encode()
            print(f"{'ok  ' if bien else 'FAIL'} {programa} with {len(entrada)} bytes of input")
            if not bien:
                fallos += 1
                print(f"  status {resultado.returncode}\n  expected {esperada.encode()!r}\n"
                      f"  got      {salida!r}")
    print(f"{len(CASOS) - fallos} passed, {fallos} failed")
    return 1 if fallos else 0


if __name__ == "__main__":
    sys.exit(main())
