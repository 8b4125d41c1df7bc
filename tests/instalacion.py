"""Installs the build into a temporary prefix and runs each installed program end to end against
its transcript. Usage: instalacion.py BUILD_DIRECTORY"""

import os
import subprocess
import sys
import tempfile

PROGRAMAS = ("garaxo", "pintafor", "polifor")


def main() -> int:
    construccion = sys.argv[1]
    with tempfile.TemporaryDirectory() as prefijo:
        subprocess.run(["cmake", "--install", construccion, "--prefix", prefijo], check=True,
                       stdout=subprocess.DEVNULL)
        readme = os.path.join(prefijo, "share", "doc", "demos_objetos", "README.md")
        if not os.path.isfile(readme):
            print(f"README not installed at {readme}")
            return 1
        for programa in PROGRAMAS:
            entorno = dict(os.environ, PROGRAMA=os.path.join(prefijo, "bin", programa))
            resultado = subprocess.run([sys.executable, "-m", "unittest", f"e2e_{programa}.SinTerminal"],
                                       env=entorno, check=False)
            if resultado.returncode != 0:
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
