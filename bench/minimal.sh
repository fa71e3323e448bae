#!/bin/sh
# Benchmark of "--minimal" against 4ti2's rays (a peer tool, for measuring only): CPU time
# (user + system seconds) and peak memory (MiB) of each, by /usr/bin/time, each run stopped
# after SECONDS. Prints one Markdown table row per net and kind (P or T).
#
# The cone of the P-semiflows {y >= 0 : y.C = 0} is the kernel of the transposed incidence
# matrix with sign constraints: 4ti2 gets C^T (transitions x places) as PROJECT.mat and all ones
# as PROJECT.sign; for T-semiflows it gets C itself. The matrix is the work file that
# `Pelorin -d 1` leaves (W.spm, or W.spmt with "-T"). Every run of Pelorin keeps its work files in
# a private directory (-w), so that runs on the same net at the same time do not clash.
#
# Usage: bench/minimal.sh PELORIN SECONDS KIND NET...   (KIND is -P or -T)
#
# SECONDS is a wall-clock limit. With CPU_LIMIT=1 it is a limit on processor time instead (fair
# on a loaded machine: a run gets its SECONDS of CPU however long that takes), and MEMORY_MIB
# (default 8192) caps each run's address space; a run stopped by either shows "limit".
# TOOLS chooses the runs (default "minimal rays64 raysS").
pelorin=$(realpath "$1")
limit=$2
kind=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run LABEL COMMAND...: prints "seconds | MiB | status" of one run.
run() {
  label=$1
  shift
  case " ${TOOLS:-minimal rays64 raysS} " in *" $label "*) ;; *) echo "- | - | not run"; return ;; esac
  if [ -n "$CPU_LIMIT" ]; then
    /usr/bin/time -f "%U %S %M" -o "$work/time" sh -c 'ulimit -t "$1"; ulimit -v "$2"; shift 2; exec "$@"' \
      sh "$limit" $((${MEMORY_MIB:-8192} * 1024)) "$@" >"$work/$label.out" 2>&1
  else
    /usr/bin/time -f "%U %S %M" -o "$work/time" timeout "$limit" "$@" >"$work/$label.out" 2>&1
  fi
  code=$?
  set -- $(tail -n 1 "$work/time")
  secs=$(echo "$1 $2" | awk '{printf "%.2f", $1 + $2}')
  mib=$((${3:-0} / 1024))
  if [ $code -eq 124 ]; then echo ">$limit | $mib | timeout"
  elif [ -n "$CPU_LIMIT" ] && [ $code -gt 128 ]; then echo "$secs | $mib | limit"
  else echo "$secs | $mib | $code"; fi
}

# The sparse matrix file as 4ti2's dense matrix of the equations (columns of the file) over
# the variables (rows of the file), and the sign file.
to4ti2() {
  awk -v mat="$2.mat" -v sign="$2.sign" '
    { if (!($1 in r)) { r[$1] = ++m; rid[m] = $1 } if (!($2 in c)) { c[$2] = ++n } a[c[$2], r[$1]] += $3 }
    END {
      print n, m > mat
      for (i = 1; i <= n; i++) { for (j = 1; j <= m; j++) printf "%s ", ((i, j) in a ? a[i, j] : 0) > mat; printf "\n" > mat }
      print 1, m > sign; for (j = 1; j <= m; j++) printf "1 " > sign; printf "\n" > sign
    }' "$1"
}

echo "| net | kind | semiflows | --minimal s | MiB | exit | rays (4ti2) | -p 64 s | MiB | exit | -p 64 -s s | MiB | exit |"
echo "|---|---|---:|---:|---:|---|---:|---:|---:|---|---:|---:|---|"
for net in "$@"; do
  name=$(basename "$net")
  rm -f "$work"/w.* "$work"/p.*
  # the work files are written before the solution starts, which need not end
  timeout 10 "$pelorin" -q "$kind" -d 1 -w "$work/w" "$net" "$work/report" >/dev/null 2>&1
  matrix="$work/w.spm"
  [ "$kind" = "-T" ] && matrix="$work/w.spmt"
  minimal=$(run minimal nice -n 10 "$pelorin" --minimal -q "$kind" -w "$work/m" "$net" "$work/mreport")
  flows=$(sed -n 's/^\([0-9]*\) semiflow(s)$/\1/p' "$work/mreport")
  rays64="- | - | not run" raysS="- | - | not run" rays=""
  if [ -s "$matrix" ]; then
    to4ti2 "$matrix" "$work/p"
    rays64=$(run rays64 nice -n 10 4ti2-rays -q -p 64 "$work/p")
    [ -f "$work/p.ray" ] && rays=$(head -n 1 "$work/p.ray" | cut -d' ' -f1)
    rm -f "$work/p.ray"
    raysS=$(run raysS nice -n 10 4ti2-rays -q -p 64 -s "$work/p")
    [ -z "$rays" ] && [ -f "$work/p.ray" ] && rays=$(head -n 1 "$work/p.ray" | cut -d' ' -f1)
  fi
  echo "| $name | $kind | ${flows:-?} | $minimal | ${rays:-?} | $rays64 | $raysS |"
done
