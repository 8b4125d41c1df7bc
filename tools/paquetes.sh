#!/usr/bin/env bash
# Builds the .tar.gz and .deb packages into paquetes/ in the release build's folder
# (tools/carpeta.py release) and checks the .deb: built twice, byte for byte the same; lintian clean
# at error and warning level; the programs, manual pages, copyright, changelog and both books, each
# also as one page (GUIA.html, PROFESOR.html), in it; and a Depends line. Arguments go to CMake, so
# a packager names themself with: tools/paquetes.sh -DDEMOS_MAINTAINER="Name <address>"
set -euo pipefail
cd "$(dirname "$0")/.."
publicacion=$(tools/carpeta.py release)
ventanas=$(tools/carpeta.py release-windows)

# The packages carry GUIA.html and PROFESOR.html, which CMake makes only when it finds pandoc.
command -v pandoc >/dev/null ||
  { echo "pandoc is needed to make GUIA.html and PROFESOR.html for the packages: apt install pandoc" >&2
    exit 1; }

# Debian's hardening flags, and every timestamp taken from the last commit.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export CXXFLAGS LDFLAGS SOURCE_DATE_EPOCH

# Built twice from nothing, in the same folder (the debug information that the Build ID hashes
# names it), and compared.
empaquetar() {
  rm -rf "$publicacion"
  cmake -S . -B "$publicacion" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$publicacion" -j2 >/dev/null
  (cd "$publicacion" && cpack -B paquetes >cpack.log 2>&1) || { cat "$publicacion"/cpack.log; exit 1; }
}
primera=$(mktemp -d)
trap 'rm -rf "$primera"' EXIT
empaquetar "$@"
cp "$publicacion"/paquetes/*.deb "$primera"
empaquetar "$@"
deb=$(ls "$publicacion"/paquetes/*.deb)
ls "$publicacion"/paquetes/*.tar.gz "$deb"
cmp "$deb" "$primera/$(basename "$deb")" ||
  { echo "two builds of one commit gave different .deb files" >&2; exit 1; }

contenido=$(dpkg-deb --contents "$deb")
doc=./usr/share/doc/demos-objetos
for fichero in ./usr/bin/garaxo ./usr/bin/pintafor ./usr/bin/polifor \
  ./usr/share/man/man1/garaxo.1.gz ./usr/share/man/man1/pintafor.1.gz \
  ./usr/share/man/man1/polifor.1.gz $doc/copyright $doc/changelog.gz $doc/README.md $doc/GUIA.md \
  $doc/GUIA.html $doc/PROFESOR.md $doc/PROFESOR.html; do
  grep -q " ${fichero}\$" <<<"$contenido" || { echo "missing from the .deb: $fichero" >&2; exit 1; }
done
# Without dpkg-shlibdeps CPack leaves Depends out, and the package would install where it cannot run.
[ -n "$(dpkg-deb --field "$deb" Depends)" ] || { echo "the .deb has no Depends line" >&2; exit 1; }

# The placeholder maintainer's address is bogus on purpose: lintian keeps saying so, in the control
# file and in the changelog, until a real packager names themself.
sin_empaquetador=()
if dpkg-deb --field "$deb" Maintainer | grep -q '@demos-objetos\.local>'; then
  sin_empaquetador=(--suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog)
fi
lintian --fail-on error,warning --info "${sin_empaquetador[@]}" "$deb"
dpkg-deb --field "$deb" Package Version Section Maintainer Depends

# The Windows download: the three programs cross-built with MinGW-w64, static and stripped, with
# the licence, the two books as HTML and the README, the texts with CR LF line ends for Notepad. Every
# file dated from the last commit, in a fixed order, with no extra fields (uid, gid, other times):
# built twice from nothing too, and compared.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$publicacion"/CMakeCache.txt)
nombre=demos-objetos-$version-windows-x64
archivo=$publicacion/paquetes/$nombre.zip
# Beside them, the sources a learner needs for every exercise and its check, with no git: each
# program's folder, platform/, ejercicios/, and what a plain configure reads (cmake/, the manual
# pages and packaging files where gzip is found, the books and pictures where pandoc is). Not the
# solutions, ejercicios/*.patch: no check needs them.
mapfile -t fuentes < <(git ls-files -- car_owner_demo shape_demo figure_demo platform ejercicios \
  cmake man packaging 'dibujos/*.svg' CMakeLists.txt CMakePresets.json GUIA.md PROFESOR.md \
  ':!ejercicios/*.patch' | LC_ALL=C sort)
contenido=(garaxo.exe pintafor.exe polifor.exe GUIA.html PROFESOR.html README.txt LICENSE.txt
  "${fuentes[@]}")
for libro in GUIA PROFESOR; do
  [ -f "$publicacion/$libro.html" ] || { echo "no $publicacion/$libro.html: it needs pandoc" >&2; exit 1; }
done
comprimir_para_windows() {
  rm -rf "$ventanas"
  # Debian's flags are for Linux programs; the cross build keeps its own.
  env -u CXXFLAGS -u LDFLAGS cmake -S . -B "$ventanas" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
  cmake --build "$ventanas" -j2 --target garaxo pintafor polifor >/dev/null
  local carpeta=$ventanas/zip/$nombre
  mkdir -p "$carpeta"
  cp "$ventanas"/bin/{garaxo,pintafor,polifor}.exe "$publicacion"/{GUIA,PROFESOR}.html "$carpeta"
  sed 's/$/\r/' LICENSE >"$carpeta/LICENSE.txt"
  sed 's/$/\r/' README.md >"$carpeta/README.txt"
  local fuente
  for fuente in "${fuentes[@]}"; do install -D -m 644 "$fuente" "$carpeta/$fuente"; done
  find "$carpeta" -type f -exec chmod 644 {} +
  chmod 755 "$carpeta"/*.exe
  find "$carpeta" -type f -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
  rm -f "$archivo"
  (cd "$ventanas/zip" && TZ=UTC zip -X -D -q "$archivo" "${contenido[@]/#/$nombre/}")
}
comprimir_para_windows
cp "$archivo" "$primera"
comprimir_para_windows
ls "$archivo"
cmp "$archivo" "$primera/$nombre.zip" ||
  { echo "two builds of one commit gave different .zip files" >&2; exit 1; }
[ "$(unzip -Z1 "$archivo")" = "$(printf "$nombre/%s\n" "${contenido[@]}")" ] ||
  { echo "the .zip holds other files than ${contenido[*]}:" >&2; unzip -Z1 "$archivo" >&2; exit 1; }

# What a teacher hands out, unzipped: programs that need only the DLLs of a bare Windows, and under
# Wine the exact CR LF transcripts, redirected, and the pause and clear at a console.
descomprimido=$ventanas/descomprimido
unzip -q "$archivo" -d "$descomprimido"
export WINEPREFIX=$ventanas/wine WINEDEBUG=-all
wineboot --init
(cd tests && BINARIOS=$descomprimido/$nombre PYTHONDONTWRITEBYTECODE=1 python3 -m unittest -v e2e_windows)

# The unzipped sources, with no git, check an exercise: the guide's g++ lines, and a plain configure
# with the check's target. Under Wine, the checker built with the guide's MinGW line checks it too.
# Wine cannot run the Linux cross compiler as the checker's child (no redirected output, Windows
# paths in its arguments), so a stand-in takes the compiler's place there, twice: first it writes
# down the checker's compile line, which MinGW then runs here, paths back in Linux form; then it
# hands the checker what MinGW made. All the rest (running it, its console's marks, comparing,
# answering) is the checker's under Wine.
fuentes_sueltas=$ventanas/fuentes
rm -rf "$fuentes_sueltas"
cp -r "$descomprimido/$nombre" "$fuentes_sueltas"
solucion=$PWD/ejercicios/garaxo-1.patch
(
  cd "$fuentes_sueltas"
  patch -s -p1 <"$solucion"
  g++ -std=c++17 -I. -o comprobar ejercicios/comprobar.cpp platform/proceso_posix.cpp
  ./comprobar garaxo 1 | tail -n 1 |
    grep -x 'garaxo-1: bien hecho, la salida es la que espera el ejercicio.' >/dev/null ||
    { echo "the zip's sources do not check garaxo 1 with the guide's g++ lines" >&2; exit 1; }
  env -u CXXFLAGS -u LDFLAGS cmake -S . -B build >/dev/null
  cmake --build build --target comprobar-garaxo-1 | grep 'garaxo-1: bien hecho' >/dev/null ||
    { echo "the zip's sources do not check garaxo 1 with CMake" >&2; exit 1; }
  x86_64-w64-mingw32-g++ -std=c++17 -I. -static -o comprobar.exe ejercicios/comprobar.cpp \
    platform/proceso_windows.cpp
  respuesta=$(wine comprobar.exe garaxo 99 || true)
  grep -q 'garaxo-99: no hay ningún ejercicio 99 de garaxo' <<<"$respuesta" ||
    { echo "the zip's checker, built with MinGW, under Wine: $respuesta" >&2; exit 1; }
  cat >sustituto.cpp <<'FUENTE'
#include <cstdlib>
#include <fstream>
#include <string>

// With ORDEN set, writes its arguments there, one a line, and fails; with COMPILADO set,
// "compiles" by copying that program to the file after -o.
int main(int argc, char** argv)
{
    if (const char* orden = std::getenv("ORDEN")) {
        std::ofstream lista(orden);
        for (int i = 1; i < argc; ++i) lista << argv[i] << '\n';
        return 1;
    }
    const char* compilado = std::getenv("COMPILADO");
    std::string destino;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "-o") destino = argv[i + 1];
    if (compilado == nullptr || destino.empty()) return 1;
    std::ifstream de(compilado, std::ios::binary);
    std::ofstream a(destino, std::ios::binary);
    a << de.rdbuf();
    return de && a ? 0 : 1;
}
FUENTE
  x86_64-w64-mingw32-g++ -std=c++17 -static -o sustituto.exe sustituto.cpp
  sustituto=$(winepath -w sustituto.exe)
  ORDEN=$(winepath -w orden.txt) wine comprobar.exe garaxo 1 --compilador "$sustituto" >/dev/null || true
  # Wine's Z: is /; the output goes to compilado.exe, for the second run to hand over.
  mapfile -t orden < <(tr -d '\r' <orden.txt | sed 's|Z:\\|/|; s|\\|/|g')
  for ((i = 0; i < ${#orden[@]}; i++)); do
    if [ "${orden[i]}" = -o ]; then orden[i + 1]=compilado.exe; fi
  done
  x86_64-w64-mingw32-g++ "${orden[@]}"
  respuesta=$(COMPILADO=$(winepath -w compilado.exe) wine comprobar.exe garaxo 1 --compilador \
    "$sustituto" | tr -d '\r' || true)
  tail -n 1 <<<"$respuesta" | grep -x 'garaxo-1: bien hecho, la salida es la que espera el ejercicio.' >/dev/null ||
    { echo "the zip's checker, built with MinGW, under Wine, on garaxo 1's solution: $respuesta" >&2; exit 1; }
)
echo "the zip's sources check an exercise with g++ and CMake, and with the MinGW checker under Wine"
