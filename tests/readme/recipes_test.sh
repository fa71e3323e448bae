#!/bin/sh
# Runs the README's recipes for many nets as they stand there (the code block after each marker
# "<!-- recipe: NAME -->"), each in an empty folder that holds only nets/ with the example nets
# and one net that fails, the built Pelorin on the PATH: xargs and make always, GNU parallel
# where it is installed. Every good net gets out/NAME.P.json and out/NAME.T.json, the document
# that a direct run gives (its time aside); the failing net fails the recipe. The Makefile is
# run twice: the second make runs the failing net again and fails again, and once the net is
# mended a third make succeeds.
# Usage: recipes_test.sh PELORIN SOURCE_DIR
set -eu
pelorin=$(realpath "$1")
source=$(realpath "$2")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
PATH=$(dirname "$pelorin"):$PATH
export PATH
unset MAKEFLAGS MFLAGS MAKELEVEL  # the make of the recipe is not part of the make that runs the tests
fail() {
  echo "recipes test: $*" >&2
  exit 1
}

# recipe NAME: the code block after the marker of NAME in the README
recipe() {
  awk -v marker="<!-- recipe: $1 -->" '
    $0 == marker { found = 1; next }
    found == 1 && /^```/ { found = 2; next }
    found == 2 && /^```/ { exit }
    found == 2 { print }' "$source/README.md"
}

# fresh: an empty folder with the nets
fresh() {
  rm -rf "$dir/run"
  mkdir -p "$dir/run/nets"
  for net in demo.net mutex.net pipeline.ndr demo.pnml; do cp "$source/examples/$net" "$dir/run/nets/"; done
  printf 'tr t a\nxx\n' >"$dir/run/nets/bad.net"
}

# results RECIPE: each good net's documents are those of a direct run; the bad net has none
# that claims a result
results() {
  for net in demo.net mutex.net pipeline.ndr demo.pnml; do
    for kind in P T; do
      doc=$dir/run/out/$net.$kind.json
      [ -f "$doc" ] || fail "$1: no $doc"
      expected=$(cd "$dir/run" && Pelorin --json -$kind -w "$dir/direct" "nets/$net" | grep -v '"time"')
      [ "$(grep -v '"time"' "$doc")" = "$expected" ] || fail "$1: $doc differs from a direct run"
      grep -q '"semiflows"' "$doc" || fail "$1: $doc has no semiflows"
    done
  done
  for kind in P T; do
    doc=$dir/run/out/bad.net.$kind.json
    [ ! -f "$doc" ] || grep -q '^{"error":' "$doc" || fail "$1: $doc is no error document"
  done
}

for name in xargs parallel make; do
  [ -n "$(recipe $name)" ] || fail "the README has no recipe $name"
done

fresh
if (cd "$dir/run" && recipe xargs | sh) >"$dir/log" 2>&1; then fail "xargs: the failing net went unnoticed"; fi
results xargs

if command -v parallel >/dev/null 2>&1 && parallel --version 2>/dev/null | grep -q "GNU parallel"; then
  fresh
  if (cd "$dir/run" && recipe parallel | sh) >"$dir/log" 2>&1; then fail "parallel: the failing net went unnoticed"; fi
  results parallel
else
  echo "no GNU parallel: its recipe is not run"
fi

fresh
recipe make >"$dir/run/Makefile"
if (cd "$dir/run" && make -k -j 2) >"$dir/log" 2>&1; then fail "make: the failing net went unnoticed"; fi
results make
[ ! -e "$dir/run/out/bad.net.P.json" ] || fail "make: the report of the failed run stays"
if (cd "$dir/run" && make -k -j 2) >"$dir/log" 2>&1; then fail "make: the second make takes the failed net for done"; fi
grep -q "bad.net" "$dir/log" || fail "make: the second make does not run the failing net again: $(cat "$dir/log")"
cp "$source/examples/demo.net" "$dir/run/nets/bad.net"
(cd "$dir/run" && make -k -j 2) >"$dir/log" 2>&1 || fail "make: the mended net still fails: $(cat "$dir/log")"
[ -f "$dir/run/out/bad.net.T.json" ] || fail "make: the mended net has no report"
echo "the recipes ran"
