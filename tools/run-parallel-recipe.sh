#!/usr/bin/env bash
# Runs the README's GNU parallel recipe for one machine as it stands, over pictures whose names
# collide across folders, into an output folder that already holds one of their names, and
# checks that every picture arrives whole exactly once, that nothing is overwritten, and that
# the recipe says nothing on its standard output or error. BUILD_DIR: default build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh parallel
source tools/recipes.sh "${1:-build}"
trap 'rm -rf "$work"' EXIT

make_corpus
make_list_and_reference
recipe parallel >"$work/recipe.sh"
bash "$work/recipe.sh" >"$work/recipe.out" 2>"$work/recipe.err" \
    || fail "the recipe ended with status $?: $(head -n 20 "$work/recipe.err")"
check_logs_empty "$work/recipe.out" "$work/recipe.err"
check_stamped
