"""Installs the build into a temporary prefix: the learners' documents and the manual pages must be
there, and no page of the teacher's edition; each installed program must run end to end against
its transcript.
Usage: instalacion.py BUILD_DIRECTORY"""

import gzip
import os
import subprocess
import sys
import tempfile

from arnes import CARPETAS


def fallo():
    """What the installation lacks or holds that it should not, else None."""
    construccion = sys.argv[1]
    with tempfile.TemporaryDirectory() as prefijo:
        subprocess.run(["cmake", "--install", construccion, "--prefix", prefijo], check=True,
                       stdout=subprocess.DEVNULL)
        documentos = os.path.join(prefijo, "share", "doc", "demos-objetos")
        # The learners' installation: the guide, as one page too where the build made it (pandoc
        # found); nothing of the teacher's edition, which answers the exercises.
        guia_html = ["GUIA.html"] if os.path.isfile(os.path.join(construccion, "GUIA.html")) else []
        faltan = [d for d in ("README.md", "GUIA.md", "copyright", "changelog.gz", *guia_html)
                  if not os.path.isfile(os.path.join(documentos, d))]
        profesor = [d for d in os.listdir(documentos) if d.startswith("PROFESOR")]
        if faltan or profesor:
            return f"not installed in {documentos}: {faltan}; the teacher's edition there: {profesor}"
        for programa in CARPETAS:
            # What man and whatis read: hyphenation off, and a NOMBRE line that names the program.
            with gzip.open(os.path.join(prefijo, "share", "man", "man1", f"{programa}.1.gz"),
                           "rt", encoding="utf-8") as pagina:
                lineas = pagina.read().split("\n")
            nombre = lineas[lineas.index(".SH NOMBRE") + 1]
            if ".nh" not in lineas or not nombre.startswith(f"{programa} \\- "):
                return f"the manual page of {programa} lacks .nh or its NOMBRE line: {nombre!r}"
            if subprocess.run([sys.executable, "-m", "unittest", f"e2e_{programa}.SinTerminal"],
                              env=dict(os.environ, PROGRAMA=os.path.join(prefijo, "bin", programa)),
                              check=False).returncode:
                return f"the installed {programa} fails its end-to-end test"
    return None


if __name__ == "__main__":
    sys.exit(fallo())
