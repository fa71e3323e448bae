#!/bin/sh
# PNML reading at scale: writes a place/transition net of N dining philosophers in the layout of
# the contest models (every node with its name, graphics and offsets, one arc per line; 5 places,
# 5 transitions and 16 arcs per philosopher; N = 23000 gives about 100 MB), then runs the net
# conversion alone (pelorin_readnet: recognition, reading, the three work files) RUNS times under
# /usr/bin/time and prints wall-clock, user and system seconds, the peak resident memory and its
# ratio to the file size. With PNML_DIR (default ../shared/pnml) present, the largest file there is
# measured as well.
# Usage: bench/pnml.sh BUILD_DIR [N] [RUNS]
build=$(realpath "$1")
n=${2:-23000}
runs=${3:-3}
pnml=${PNML_DIR:-$(dirname "$0")/../../shared/pnml}
readnet=$build/pelorin_readnet
[ -x "$readnet" ] || cmake --build "$build" --target pelorin_readnet >/dev/null || exit 1
if [ ! -x /usr/bin/time ]; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y -qq time >/dev/null; else echo "install the package time" >&2; exit 1; fi
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# philosophers N: the net in PNML on standard output.
philosophers() {
  awk -v n="$1" '
  function node(kind, id, marking) {
    printf "      <%s id=\"%s\">\n        <name>\n          <graphics>\n            <offset x=\"0\" y=\"0\"/>\n", kind, id
    printf "          </graphics>\n          <text>%s</text>\n        </name>\n        <graphics>\n", id
    printf "          <position x=\"100\" y=\"100\"/>\n        </graphics>\n"
    if (marking != "") printf "        <initialMarking>\n          <graphics>\n            <offset x=\"0\" y=\"0\"/>\n          </graphics>\n          <text>%s</text>\n        </initialMarking>\n", marking
    printf "      </%s>\n", kind
  }
  function arc(s, t) { printf "      <arc id=\"cId-%024d\" source=\"%s\" target=\"%s\"/>\n", ++arcs, s, t }
  BEGIN {
    print "<?xml version=\"1.0\"?>\n<pnml xmlns=\"http://www.pnml.org/version-2009/grammar/pnml\">"
    printf "  <net id=\"Philosophers-PT-%d\" type=\"http://www.pnml.org/version-2009/grammar/ptnet\">\n", n
    printf "    <page id=\"page0\">\n      <name>\n        <text>DefaultPage</text>\n      </name>\n"
    for (i = 1; i <= n; i++) { node("place", "Think_" i, 1); node("place", "Fork_" i, 1); node("place", "Catch1_" i); node("place", "Catch2_" i); node("place", "Eat_" i) }
    for (i = 1; i <= n; i++) { node("transition", "FF1a_" i); node("transition", "FF1b_" i); node("transition", "FF2a_" i); node("transition", "FF2b_" i); node("transition", "End_" i) }
    for (i = 1; i <= n; i++) {
      l = i == 1 ? n : i - 1
      arc("Think_" i, "FF1a_" i); arc("Fork_" l, "FF1a_" i); arc("FF1a_" i, "Catch1_" i)
      arc("Think_" i, "FF1b_" i); arc("Fork_" i, "FF1b_" i); arc("FF1b_" i, "Catch2_" i)
      arc("Catch1_" i, "FF2a_" i); arc("Fork_" i, "FF2a_" i); arc("FF2a_" i, "Eat_" i)
      arc("Catch2_" i, "FF2b_" i); arc("Fork_" l, "FF2b_" i); arc("FF2b_" i, "Eat_" i)
      arc("Eat_" i, "End_" i); arc("End_" i, "Think_" i); arc("End_" i, "Fork_" i); arc("End_" i, "Fork_" l)
    }
    printf "    </page>\n    <name>\n      <text>Philosophers-PT-%d</text>\n    </name>\n  </net>\n</pnml>\n", n
  }'
}

# measure FILE: one table row per run, labelled $label.
measure() {
  bytes=$(wc -c <"$1")
  for run in $(seq "$runs"); do
    rm -f "$work"/w.*
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$readnet" "$1" "$work/w" >"$work/out" 2>&1 || { cat "$work/out"; exit 1; }
    set -- "$1" $(tail -n 1 "$work/time")
    counts=$(sed -n 's/^\([0-9]*\) places, \([0-9]*\) transitions$/\1 | \2/p' "$work/out")
    ratio=$(awk -v k="$5" -v b="$bytes" 'BEGIN { printf "%.2f", k * 1024 / b }')
    echo "| $label | $((bytes / 1000000)) | $counts | $run | $2 | $3 | $4 | $(($5 / 1024)) | $ratio |"
  done
}

echo "| file | MB | places | transitions | run | wall s | user s | sys s | peak MiB | peak / size |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
philosophers "$n" >"$work/philosophers.pnml"
label="philosophers $n (generated)"
measure "$work/philosophers.pnml"
if [ -d "$pnml" ]; then
  largest=$(ls -S "$pnml"/*.pnml | head -n 1)
  label=$(basename "$largest")
  measure "$largest"
fi
