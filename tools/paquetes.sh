#!/usr/bin/env bash
# Builds the .tar.gz and .deb packages from a release build and checks that the .deb holds the
# three programs and the README.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j2 >/dev/null
(cd build-release && cpack -B paquetes >cpack.log 2>&1) || { cat build-release/cpack.log; exit 1; }
ls build-release/paquetes/*.tar.gz build-release/paquetes/*.deb
deb=$(ls build-release/paquetes/*.deb)
contenido=$(dpkg-deb --contents "$deb")
for fichero in ./usr/bin/garaxo ./usr/bin/pintafor ./usr/bin/polifor ./usr/share/doc/demos_objetos/README.md; do
  grep -q " ${fichero}\$" <<<"$contenido" || { echo "missing from the .deb: $fichero" >&2; exit 1; }
done
# Without dpkg-shlibdeps CPack leaves Depends out, and the package would install where it cannot run.
[ -n "$(dpkg-deb --field "$deb" Depends)" ] || { echo "the .deb has no Depends line" >&2; exit 1; }
dpkg-deb --field "$deb" Package Version Depends
