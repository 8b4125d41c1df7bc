#!/usr/bin/env bash
# Static analysis: formatting, clang-tidy and cppcheck, all of which must be clean.
set -euo pipefail
cd "$(dirname "$0")/.."
# The compile commands of the programs and of the fuzz targets.
cmake --preset default >/dev/null
cmake --preset fuzz >/dev/null

mapfile -t fuentes < <(git ls-files '*.cpp' '*.h')
echo "== clang-format"
clang-format --dry-run --Werror "${fuentes[@]}"

echo "== clang-tidy"
mapfile -t unidades < <(git ls-files 'platform/*.cpp' ':!platform/consola_windows.cpp' 'car_owner_demo/*.cpp' 'shape_demo/*.cpp' \
                                     'figure_demo/*.cpp')
clang-tidy -p build --quiet "${unidades[@]}"
mapfile -t objetivos < <(git ls-files 'fuzz/*.cpp')
clang-tidy -p build-fuzz --quiet "${objetivos[@]}"

# One program at a time: the two programs' Figura classes never meet in one binary, and cppcheck
# would take them for one class defined twice. unusedFunction is off because the classes are
# libraries whose operations the tests use even where a script does not.
echo "== cppcheck"
for programa in car_owner_demo shape_demo "figure_demo shape_demo/paleta.cpp"; do
  # shellcheck disable=SC2086
  cppcheck -q --enable=all --inline-suppr --error-exitcode=1 --std=c++20 \
    --suppress=missingIncludeSystem --suppress=unusedFunction -I . platform $programa
done
echo "static analysis clean"
