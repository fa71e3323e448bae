#!/bin/sh
# Processor time of two builds of Pelorin side by side: user + system seconds and peak resident
# memory (/usr/bin/time) of OLD and NEW on the scalable net families of bench/run.sh
# (pelorin_netgen) and on the nets of ../shared/nets with at most MAXNODES (1500) places +
# transitions, for P-semiflows directly, with "-c" and with "-s", and T-semiflows directly
# (digest "-q", work files in a temporary directory). The runs are interleaved (old, new, old,
# new, ...) so that a change of the machine's load hits both alike, and the best of REPEAT (3) of
# each build is kept. Prints a Markdown table with the ratio new/old per run (where both take
# 0.05 s at least: the clock counts hundredths) and a total over the runs both builds finish
# within SECONDS (20; a run that either does not finish is marked and left out of the total).
# Usage: bench/cputime.sh OLD NEW [SECONDS] [NETS_DIR]   (NETS_DIR, MAXNODES, REPEAT, FAMILIES
# from the environment; FAMILIES="" leaves the families out, NETS_DIR=/none the corpus)
old=$(realpath "$1")
new=$(realpath "$2")
limit=${3:-20}
nets=${4:-${NETS_DIR:-$(dirname "$0")/../../shared/nets}}
maxnodes=${MAXNODES:-1500}
repeat=${REPEAT:-3}
families=${FAMILIES-"philosophers tokenring pipeline sharedres modular grid"}
if [ ! -x "$old" ] || [ ! -x "$new" ]; then echo "usage: bench/cputime.sh OLD NEW [SECONDS] [NETS_DIR]"; exit 2; fi
netgen=$(dirname "$new")/pelorin_netgen
[ -x "$netgen" ] || cmake --build "$(dirname "$new")" --target pelorin_netgen >/dev/null || exit 2
if [ ! -x /usr/bin/time ]; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y -qq time >/dev/null; else echo "install the package time" >&2; exit 2; fi
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# cpu EXE NET ARGS...: one run; prints "seconds KiB", or "timeout" or "exit N".
cpu() {
  exe=$1 net=$2; shift 2
  rm -f "$work"/w.*
  /usr/bin/time -f "%U %S %M" -o "$work/time" timeout "$limit" "$exe" -q "$@" -w "$work/w" "$net" "$work/report" >/dev/null 2>&1
  code=$?
  if [ $code -eq 124 ]; then echo timeout; return; fi
  [ $code -ne 0 ] && [ $code -ne 5 ] && [ $code -ne 1 ] && { echo "exit $code"; return; }
  tail -n 1 "$work/time" | awk '{ printf "%.2f %d\n", $1 + $2, $3 }'
}

# measure NET LABEL: one row per run kind; appends "old new" seconds to $work/total.
measure() {
  net=$1 label=$2
  for run in "-P" "-P -c" "-P -s" "-T"; do
    best_old="" best_new="" mib_old=0 mib_new=0 failed=""
    i=0
    while [ $i -lt "$repeat" ] && [ -z "$failed" ]; do
      i=$((i + 1))
      for build in old new; do
        exe=$old; [ $build = new ] && exe=$new
        set -- $(cpu "$exe" "$net" $run)
        case $1 in timeout|exit) failed="$build: $*"; break ;; esac
        if [ $build = old ]; then
          best_old=$(echo "$1 ${best_old:-$1}" | awk '{ print ($1 < $2 ? $1 : $2) }'); mib_old=$(($2 / 1024))
        else
          best_new=$(echo "$1 ${best_new:-$1}" | awk '{ print ($1 < $2 ? $1 : $2) }'); mib_new=$(($2 / 1024))
        fi
      done
    done
    case $failed in
      old:*) echo "| $label | $run | ${failed#old: } | | | | |" ;;
      new:*) echo "| $label | $run | ${best_old:-} | ${failed#new: } | | | |" ;;
    esac
    if [ -z "$failed" ]; then
      ratio=$(echo "$best_old $best_new" | awk '{ if ($1 >= 0.05 && $2 >= 0.05) printf "%.2f", $2 / $1; else print "-" }')
      echo "| $label | $run | $best_old | $best_new | $ratio | $mib_old | $mib_new |"
      echo "$best_old $best_new" >>"$work/total"
    fi
  done
}

echo "| net | run | old CPU s | new CPU s | new/old | old peak MiB | new peak MiB |"
echo "|---|---|---:|---:|---:|---:|---:|"
: >"$work/total"
for family in $families; do
  sizes="10 100 1000"; [ "$family" = grid ] && sizes="3 6 10"
  for n in $sizes; do
    "$netgen" "$family" "$n" >"$work/$family$n.net"
    measure "$work/$family$n.net" "$family $n"
  done
done
if [ -f "$nets/MANIFEST.tsv" ]; then
  awk -F'\t' -v max="$maxnodes" 'NR > 1 && $3 + $4 <= max { print $1 }' "$nets/MANIFEST.tsv" >"$work/nets"
  while read -r name; do
    measure "$nets/$name" "$name"
  done <"$work/nets"
fi
awk '{ o += $1; n += $2 } END { printf "| total | %d runs | %.2f | %.2f | %s | | |\n", NR, o, n, (o > 0 ? sprintf("%.2f", n / o) : "-") }' "$work/total"
