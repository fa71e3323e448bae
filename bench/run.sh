#!/bin/sh
# Benchmarks: whole-process time and peak memory of Pelorin on scalable net families and on the
# nets of ../shared/nets (when the folder is there), for P-semiflows directly, with "-c" and
# with "-s", and for T-semiflows directly. Prints a Markdown table.
# Usage: bench/run.sh PELORIN [SECONDS] [NETS_DIR]   (each run is stopped after SECONDS, 120 by
# default; the nets from NETS_DIR, else the environment variable NETS_DIR, else ../shared/nets)
pelorin=$(realpath "$1")
limit=${2:-120}
netgen=$(dirname "$pelorin")/pelorin_netgen
nets=${3:-${NETS_DIR:-$(dirname "$0")/../../shared/nets}}
[ -x "$netgen" ] || cmake --build "$(dirname "$pelorin")" --target pelorin_netgen >/dev/null || exit 1
if [ ! -x /usr/bin/time ]; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y -qq time >/dev/null; else echo "install the package time" >&2; exit 1; fi
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "| net | places | transitions | run | semiflows | seconds | peak MiB |"
echo "|---|---:|---:|---|---:|---:|---:|"

# measure NET LABEL: one row per run kind.
measure() {
  net=$1 label=$2
  for run in "-P" "-P -c" "-P -s" "-T"; do
    rm -f "$work"/w.*
    /usr/bin/time -f "%e %M" -o "$work/time" timeout "$limit" "$pelorin" -q $run -w "$work/w" "$net" "$work/report" >/dev/null 2>&1
    code=$?
    set -- $(tail -n 1 "$work/time")  # after a non-zero exit, time writes a line of its own first
    secs=$1 kib=$2
    counts=$(sed -n 's/^\([0-9]*\) places, \([0-9]*\) transitions$/\1 | \2/p' "$work/report")
    flows=$(sed -n 's/^\([0-9]*\) semiflow(s)$/\1/p' "$work/report")
    if [ $code -eq 124 ]; then flows="timeout"; secs=">$limit"; elif [ $code -ne 0 ]; then flows="exit $code"; fi
    echo "| $label | ${counts:-? | ?} | $run | $flows | $secs | $((${kib:-0} / 1024)) |"
  done
}

for family in philosophers tokenring pipeline sharedres modular; do
  for n in 10 100 1000; do
    "$netgen" $family $n >"$work/$family$n.net"
    measure "$work/$family$n.net" "$family $n"
  done
done
for n in 3 6 10; do
  "$netgen" grid $n >"$work/grid$n.net"
  measure "$work/grid$n.net" "grid $n"
done
if [ -d "$nets" ]; then
  for net in "$nets"/*.net "$nets"/*.ndr; do
    measure "$net" "$(basename "$net")"
  done
fi
