#!/usr/bin/env bash
# Builds the downloads into paquetes/ in the release build's folder (desarrollo/release), two
# kinds by reader, each built twice and compared byte for byte:
# - the learners': the .tar.gz and .deb (lintian clean at error and warning level; the programs,
#   manual pages, copyright, changelog and the guide, also as one page, GUIA.html; a Depends line)
#   and the Windows .zip; none holds anything of the teacher's edition, which answers the exercises;
# - the teacher's .zip: the teacher's edition, the slides, the prediction sheets, the quiz for
#   Moodle, the exercises' solutions and wrong attempts, and each exercise as a Moodle VPL activity.
# Arguments go to CMake, so a packager names themself with:
#   tools/paquetes.sh -DDEMOS_MAINTAINER="Name <address>"
set -euo pipefail
cd "$(dirname "$0")/.."
publicacion=$PWD/desarrollo/release
ventanas=$PWD/desarrollo/release-windows
mapfile -t programas < <(awk '!/^#/ && NF { print $1 }' programas.txt)

# The packages carry the books and the class materials as pages, which CMake makes only when it
# finds pandoc, and reveal.js for the slides.
command -v pandoc >/dev/null ||
  { echo "pandoc is needed to make the pages for the packages: apt install pandoc" >&2; exit 1; }
[ -f tests/node_modules/reveal.js/dist/reveal.js ] ||
  { echo "reveal.js is needed to make the slides: npm ci --prefix tests" >&2; exit 1; }

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
for fichero in "${programas[@]/#/./usr/bin/}" $(printf './usr/share/man/man1/%s.1.gz ' "${programas[@]}") \
  $doc/copyright $doc/changelog.gz $doc/README.md $doc/GUIA.md $doc/GUIA.html; do
  grep -q " ${fichero}\$" <<<"$contenido" || { echo "missing from the .deb: $fichero" >&2; exit 1; }
done
# A lab installs the .deb on every learner's computer.
! grep -E 'PROFESOR|clase/|\.(patch|intentos)$|/vpl/' <<<"$contenido" ||
  { echo "the learners' .deb holds the teacher's files above" >&2; exit 1; }
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

# Zips the folder $2 into $1 with the files named after them, relative to it: every file dated
# from the last commit, in the order given, with no extra fields (uid, gid, other times), so that
# two builds of one commit give the same bytes; then checks that it holds those files and no other.
# The texts a Windows user opens in Notepad get CR LF line ends where they are copied in.
comprimir() {
  local archivo=$1 carpeta=$2
  shift 2
  find "$carpeta" -type f -exec chmod 644 {} +
  find "$carpeta" -type f -name '*.exe' -exec chmod 755 {} +
  find "$carpeta" -type f -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
  rm -f "$archivo"
  local nombre=${carpeta##*/}
  (cd "$carpeta/.." && TZ=UTC zip -X -D -q "$archivo" "${@/#/$nombre/}")
  [ "$(unzip -Z1 "$archivo")" = "$(printf "$nombre/%s\n" "$@")" ] ||
    { echo "$archivo holds other files than $*:" >&2; unzip -Z1 "$archivo" >&2; exit 1; }
}
# Runs the function $1, which makes the zip $2, twice from nothing, and compares the two.
dos_veces() {
  "$1"
  cp "$2" "$primera"
  "$1"
  ls "$2"
  cmp "$2" "$primera/$(basename "$2")" ||
    { echo "two builds of one commit gave different $(basename "$2") files" >&2; exit 1; }
}

# The Windows download, for the learners: the three programs cross-built with MinGW-w64, static and
# stripped, with the licence, the guide as HTML and the README.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$publicacion"/CMakeCache.txt)
nombre=demos-objetos-$version-windows-x64
archivo=$publicacion/paquetes/$nombre.zip
# Beside them, the sources a learner needs for every exercise and its check, with no git: each
# program's folder, platform/, comprobador/, memoria/, ejercicios/, and what a plain configure reads (cmake/, the manual
# pages and packaging files where gzip is found, the guide and its pictures where pandoc is). Not the
# answers, each exercise's solucion.patch, intentos.txt and respuesta.md, which no check needs, nor the
# developers' references beside the checker (README.md, which quote hints), nor the teacher's edition and
# the pictures that only it shows, nor the class materials in clase/.
mapfile -t fuentes < <(git ls-files -- $(awk '!/^#/ && NF { print $2 }' programas.txt) platform \
  comprobador memoria ejercicios cmake man packaging programas.txt CMakeLists.txt CMakePresets.json GUIA.md \
  $(grep -o 'dibujos/[a-z-]*\.svg' GUIA.md | sort -u) ':!ejercicios/*/solucion.patch' ':!ejercicios/*/intentos.txt' ':!ejercicios/*/respuesta.md' \
  ':!*/README.md' |
  LC_ALL=C sort)
ejecutables=("${programas[@]/%/.exe}")
contenido=("${ejecutables[@]}" GUIA.html README.txt LICENSE.txt "${fuentes[@]}")
comprimir_para_windows() {
  rm -rf "$ventanas"
  # Debian's flags are for Linux programs; the cross build keeps its own.
  env -u CXXFLAGS -u LDFLAGS cmake -S . -B "$ventanas" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
  cmake --build "$ventanas" -j2 --target "${programas[@]}" >/dev/null
  local carpeta=$ventanas/zip/$nombre
  mkdir -p "$carpeta"
  cp "${ejecutables[@]/#/$ventanas/bin/}" "$publicacion"/GUIA.html "$carpeta"
  sed 's/$/\r/' LICENSE >"$carpeta/LICENSE.txt"
  sed 's/$/\r/' README.md >"$carpeta/README.txt"
  local fuente
  for fuente in "${fuentes[@]}"; do install -D -m 644 "$fuente" "$carpeta/$fuente"; done
  comprimir "$archivo" "$carpeta" "${contenido[@]}"
}
dos_veces comprimir_para_windows "$archivo"
# Whatever the list above comes to hold, no teacher's file and no picture the guide does not show.
for fichero in $(unzip -Z1 "$archivo"); do
  case $fichero in
    */PROFESOR* | */clase/* | */vpl/* | *.patch | */intentos.txt | */respuesta.md) echo "the learners' zip holds $fichero" >&2; exit 1 ;;
    */dibujos/*) grep -q "(${fichero#*/})" GUIA.md ||
      { echo "the learners' zip holds $fichero, which the guide does not show" >&2; exit 1; } ;;
  esac
done

# The teacher's download: the teacher's edition and the guide as pages, the class materials (each
# program's slides and prediction sheet, the quiz that Moodle imports, each unchanged program seen
# from inside under gdb, for the debriefs), the solutions and each exercise as a VPL activity, with
# the README and the licence.
command -v gdb >/dev/null ||
  { echo "gdb is needed to draw the programs' memory for the teacher's zip: apt install gdb" >&2; exit 1; }
cmake --build "$publicacion" --target "${programas[@]/#/memoria-}" >/dev/null
profesor=demos-objetos-$version-profesor
archivo_profesor=$publicacion/paquetes/$profesor.zip
mapfile -t soluciones < <(git ls-files -- 'ejercicios/*/solucion.patch' 'ejercicios/*/intentos.txt' 'ejercicios/*/respuesta.md' | LC_ALL=C sort)
materiales=(PROFESOR.html GUIA.html clase/cuestionario.gift)
for programa in "${programas[@]}"; do
  materiales+=("clase/$programa-diapositivas.html" "clase/$programa-hoja.html" "clase/memoria-$programa.html")
done
materiales+=("${soluciones[@]}" README.txt LICENSE.txt)
comprimir_para_el_profesor() {
  local carpeta=$publicacion/profesor/$profesor
  rm -rf "$carpeta"
  mkdir -p "$carpeta/clase"
  cp "$publicacion"/{PROFESOR,GUIA}.html "$carpeta"
  cp "$publicacion"/clase/{*.html,cuestionario.gift} "$publicacion"/memoria-*.html "$carpeta/clase"
  local solucion
  for solucion in "${soluciones[@]}"; do install -D -m 644 "$solucion" "$carpeta/$solucion"; done
  sed 's/$/\r/' LICENSE >"$carpeta/LICENSE.txt"
  sed 's/$/\r/' README.md >"$carpeta/README.txt"
  # Each exercise as a Moodle VPL activity: its self-tests hold the solution.
  python3 tools/vpl.py "$carpeta/vpl" >/dev/null
  local actividades
  mapfile -t actividades < <(cd "$carpeta" && find vpl -type f | LC_ALL=C sort)
  comprimir "$archivo_profesor" "$carpeta" "${materiales[@]}" "${actividades[@]}"
}
dos_veces comprimir_para_el_profesor "$archivo_profesor"

# The lab in the browser, for the learners, a zip of its own (it is larger than all the others
# together: clang in WebAssembly): the page, opened by index.html, that needs nothing installed.
[ -f laboratorio/node_modules/@yowasp/clang/package.json ] ||
  { echo "the lab's packages are needed for its zip: npm ci --prefix laboratorio" >&2; exit 1; }
laboratorio=demos-objetos-$version-laboratorio
archivo_laboratorio=$publicacion/paquetes/$laboratorio.zip
comprimir_el_laboratorio() {
  rm -rf "$publicacion/laboratorio/pagina"
  cmake --build "$publicacion" --target laboratorio >/dev/null
  local carpeta=$publicacion/laboratorio/$laboratorio paginas
  rm -rf "$carpeta"
  cp -r "$publicacion/laboratorio/pagina" "$carpeta"
  mapfile -t paginas < <(cd "$carpeta" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
  comprimir "$archivo_laboratorio" "$carpeta" "${paginas[@]}"
}
dos_veces comprimir_el_laboratorio "$archivo_laboratorio"
! unzip -p "$archivo_laboratorio" "$laboratorio/datos.js" | grep -aE 'solucion\.patch|intentos\.txt|respuesta\.md' ||
  { echo "the lab's zip holds an exercise's answer" >&2; exit 1; }

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
# down each of the checker's commands (one per object, then the link), which MinGW then runs here,
# paths back in Linux form, making the objects where the checker keeps them; then, the objects
# being new, the checker only links, and the stand-in hands it what MinGW made. All the rest
# (running it, its console's marks, comparing, answering) is the checker's under Wine.
fuentes_sueltas=$ventanas/fuentes
rm -rf "$fuentes_sueltas"
cp -r "$descomprimido/$nombre" "$fuentes_sueltas"
solucion=$PWD/ejercicios/garaxo-1/solucion.patch
(
  cd "$fuentes_sueltas"
  patch -s -p1 <"$solucion"
  g++ -std=c++17 -I. -o comprobar comprobador/comprobar.cpp comprobador/proceso_posix.cpp
  ./comprobar garaxo 1 | tail -n 1 |
    grep -x 'garaxo-1: bien hecho, la salida es la que espera el ejercicio.' >/dev/null ||
    { echo "the zip's sources do not check garaxo 1 with the guide's g++ lines" >&2; exit 1; }
  env -u CXXFLAGS -u LDFLAGS cmake -S . -B build >/dev/null
  cmake --build build --target comprobar-garaxo-1 | grep 'garaxo-1: bien hecho' >/dev/null ||
    { echo "the zip's sources do not check garaxo 1 with CMake" >&2; exit 1; }
  x86_64-w64-mingw32-g++ -std=c++17 -I. -static -o comprobar.exe comprobador/comprobar.cpp \
    comprobador/proceso_windows.cpp
  respuesta=$(wine comprobar.exe garaxo 99 || true)
  grep -q 'garaxo-99: no hay ningún ejercicio 99 de garaxo' <<<"$respuesta" ||
    { echo "the zip's checker, built with MinGW, under Wine: $respuesta" >&2; exit 1; }
  cat >sustituto.cpp <<'FUENTE'
#include <cstdlib>
#include <fstream>
#include <string>

// With ORDEN set, adds its arguments there, one a line and an empty line after, and makes an
// empty file after -o, so that the checker goes on to its next command; with COMPILADO set,
// "links" by copying that program to the file after -o.
int main(int argc, char** argv)
{
    std::string destino;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "-o") destino = argv[i + 1];
    if (const char* orden = std::getenv("ORDEN")) {
        std::ofstream lista(orden, std::ios::app);
        for (int i = 1; i < argc; ++i) lista << argv[i] << '\n';
        lista << '\n';
        std::ofstream vacio(destino);
        return lista && vacio ? 0 : 1;
    }
    const char* compilado = std::getenv("COMPILADO");
    if (compilado == nullptr || destino.empty()) return 1;
    std::ifstream de(compilado, std::ios::binary);
    std::ofstream a(destino, std::ios::binary);
    a << de.rdbuf();
    return de && a ? 0 : 1;
}
FUENTE
  x86_64-w64-mingw32-g++ -std=c++17 -static -o sustituto.exe sustituto.cpp
  sustituto=$(winepath -w sustituto.exe)
  rm -f orden.txt
  ORDEN=$(winepath -w orden.txt) wine comprobar.exe garaxo 1 --compilador "$sustituto" >/dev/null || true
  # Wine's Z: is /; the program goes to compilado.exe, for the second run to hand over.
  orden=()
  while IFS= read -r palabra; do
    if [ -n "$palabra" ]; then orden+=("$palabra"); continue; fi
    x86_64-w64-mingw32-g++ "${orden[@]}"
    orden=()
  done < <(tr -d '\r' <orden.txt | sed '/^-o$/{n;s/.*\.exe$/compilado.exe/}; s|Z:\\|/|; s|\\|/|g')
  [ -f compilado.exe ] || { echo "the zip's checker under Wine never linked garaxo 1" >&2; exit 1; }
  respuesta=$(COMPILADO=$(winepath -w compilado.exe) wine comprobar.exe garaxo 1 --compilador \
    "$sustituto" | tr -d '\r' || true)
  tail -n 1 <<<"$respuesta" | grep -x 'garaxo-1: bien hecho, la salida es la que espera el ejercicio.' >/dev/null ||
    { echo "the zip's checker, built with MinGW, under Wine, on garaxo 1's solution: $respuesta" >&2; exit 1; }
)
echo "the zip's sources check an exercise with g++ and CMake, and with the MinGW checker under Wine"
