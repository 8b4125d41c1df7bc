#!/usr/bin/env bash
# Builds the .tar.gz and .deb packages into build-release/paquetes/ and checks the .deb: built twice,
# byte for byte the same; lintian clean at error and warning level; the programs, manual pages,
# copyright, changelog and the guide as one page (GUIA.html) in it; and a Depends line. Arguments
# go to CMake, so a packager names themself with: tools/paquetes.sh -DDEMOS_MAINTAINER="Name <address>"
set -euo pipefail
cd "$(dirname "$0")/.."

# The packages carry GUIA.html, which CMake makes only when it finds pandoc.
command -v pandoc >/dev/null ||
  { echo "pandoc is needed to make GUIA.html for the packages: apt install pandoc" >&2; exit 1; }

# Debian's hardening flags, and every timestamp taken from the last commit.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export CXXFLAGS LDFLAGS SOURCE_DATE_EPOCH

# Built twice from nothing, in the same folder (the debug information that the Build ID hashes
# names it), and compared.
empaquetar() {
  rm -rf build-release
  cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build build-release -j2 >/dev/null
  (cd build-release && cpack -B paquetes >cpack.log 2>&1) || { cat build-release/cpack.log; exit 1; }
}
primera=$(mktemp -d)
trap 'rm -rf "$primera"' EXIT
empaquetar "$@"
cp build-release/paquetes/*.deb "$primera"
empaquetar "$@"
deb=$(ls build-release/paquetes/*.deb)
ls build-release/paquetes/*.tar.gz "$deb"
cmp "$deb" "$primera/$(basename "$deb")" ||
  { echo "two builds of one commit gave different .deb files" >&2; exit 1; }

contenido=$(dpkg-deb --contents "$deb")
doc=./usr/share/doc/demos-objetos
for fichero in ./usr/bin/garaxo ./usr/bin/pintafor ./usr/bin/polifor \
  ./usr/share/man/man1/garaxo.1.gz ./usr/share/man/man1/pintafor.1.gz \
  ./usr/share/man/man1/polifor.1.gz $doc/copyright $doc/changelog.gz $doc/README.md $doc/GUIA.md \
  $doc/GUIA.html; do
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
