#!/bin/sh
# Benchmark of "--minimal" against the peer tools of the field, for measuring only: 4ti2's rays
# (`-p 64`, the matrix algorithm; `-p 64 -s`, the support algorithm; `-p arb`, arbitrary
# precision) and Normaliz (one thread). Every net of the folders given, P and T in the same run.
# Prints one Markdown table row per net and kind: the number of semiflows, then for each tool
# processor seconds (user + system), peak MiB and status, all by /usr/bin/time.
#
# The cone of the P-semiflows {y >= 0 : y.C = 0} is the kernel of the transposed incidence
# matrix with sign constraints: 4ti2 gets C^T (transitions x places) as PROJECT.mat and all ones
# as PROJECT.sign, Normaliz the same rows as "equations" with "nonnegative"; for T-semiflows they
# get C itself. The matrix is the work file that `Pelorin -d 1` leaves (W.spm, or W.spmt with
# "-T"), so every tool solves the same system. A net whose matrix equals that of a net measured
# before in the run (a PNML file of a net of the other folder) gets "--minimal" only, and
# "same as NAME" for the peers.
#
# Usage: bench/peers.sh PELORIN SECONDS FOLDER...
#
# SECONDS limits the processor time of each run (ulimit -t: fair on a loaded machine); the wall
# clock is limited to four times that. MEMORY_MIB (default 6144) caps each run's address space.
# A run stopped by either shows "limit". TOOLS chooses the runs (default
# "minimal rays64 raysS raysArb normaliz"); NETS, a grep pattern, chooses the nets, and SKIP,
# another, leaves nets out.
pelorin=$(realpath "$1")
limit=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: "${TOOLS:=minimal rays64 raysS raysArb normaliz}"

# run LABEL COMMAND...: prints "seconds | MiB | status" of one run.
run() {
  label=$1
  shift
  case " $TOOLS " in *" $label "*) ;; *) echo "- | - | not run"; return ;; esac
  /usr/bin/time -f "%U %S %M" -o "$work/time" timeout $((limit * 4)) sh -c 'ulimit -t "$1"; ulimit -v "$2"; shift 2; exec "$@"' \
    sh "$limit" $((${MEMORY_MIB:-6144} * 1024)) "$@" >"$work/$label.out" 2>&1
  code=$?
  set -- $(tail -n 1 "$work/time")
  secs=$(echo "$1 $2" | awk '{printf "%.2f", $1 + $2}')
  mib=$((${3:-0} / 1024))
  if [ $code -eq 124 ] || [ $code -gt 128 ]; then echo ">$limit | $mib | limit"
  else echo "$secs | $mib | $code"; fi
}

# The sparse matrix file as a dense matrix of the equations (columns of the file) over the
# variables (rows of the file): 4ti2's PROJECT.mat and PROJECT.sign, Normaliz's PROJECT.in.
peerfiles() {
  awk -v mat="$2.mat" -v sign="$2.sign" -v nmz="$2.in" '
    { if (!($1 in r)) { r[$1] = ++m } if (!($2 in c)) { c[$2] = ++n } a[c[$2], r[$1]] += $3 }
    END {
      print n, m > mat
      print "amb_space", m > nmz; print "equations", n > nmz
      for (i = 1; i <= n; i++) {
        for (j = 1; j <= m; j++) { v = (i, j) in a ? a[i, j] : 0; printf "%d ", v > mat; printf "%d ", v > nmz }
        printf "\n" > mat; printf "\n" > nmz
      }
      print "nonnegative" > nmz; print "ExtremeRays" > nmz
      print 1, m > sign; for (j = 1; j <= m; j++) printf "1 " > sign; printf "\n" > sign
    }' "$1"
}

echo "| net | kind | semiflows | --minimal s | MiB | exit | 4ti2 -p 64 s | MiB | exit | -p 64 -s s | MiB | exit | -p arb s | MiB | exit | Normaliz s | MiB | exit | rays (4ti2 -p arb, else Normaliz, else -p 64) |"
echo "|---|---|---:|---:|---:|---|---:|---:|---|---:|---:|---|---:|---:|---|---:|---:|---|---:|"
for folder in "$@"; do
  for net in "$folder"/*.net "$folder"/*.ndr "$folder"/*.pnml; do
    [ -f "$net" ] || continue
    [ -n "$NETS" ] && ! echo "$net" | grep -q -- "$NETS" && continue
    [ -n "$SKIP" ] && echo "$net" | grep -q -- "$SKIP" && continue
    name=$(basename "$net")
    for kind in -P -T; do
      rm -f "$work"/w.* "$work"/p.*
      # the work files are written before the solution starts, which need not end
      timeout 10 "$pelorin" -q "$kind" -d 1 -w "$work/w" "$net" "$work/report" >/dev/null 2>&1
      matrix="$work/w.spm"
      [ "$kind" = "-T" ] && matrix="$work/w.spmt"
      minimal=$(run minimal "$pelorin" --minimal -q "$kind" -w "$work/m" "$net" "$work/mreport")
      flows=$(sed -n 's/^\([0-9]*\) semiflow(s)$/\1/p' "$work/mreport")
      rm -f "$work/mreport"
      peers="- | - | empty matrix | - | - | empty matrix | - | - | empty matrix | - | - | empty matrix" rays="" rays64=""
      if [ -s "$matrix" ]; then
        sum=$(sort "$matrix" | cksum | cut -d' ' -f1)$kind
        same=$(grep "^$sum " "$work/seen" 2>/dev/null | head -n 1 | cut -d' ' -f2)
        if [ -n "$same" ]; then
          peers="- | - | same as $same | - | - | same as $same | - | - | same as $same | - | - | same as $same"
        else
          echo "$sum $name" >>"$work/seen"
          peerfiles "$matrix" "$work/p"
          r64=$(run rays64 4ti2-rays -q -p 64 "$work/p")
          [ -f "$work/p.ray" ] && rays64=$(head -n 1 "$work/p.ray" | cut -d' ' -f1)
          rm -f "$work/p.ray"
          rS=$(run raysS 4ti2-rays -q -p 64 -s "$work/p")
          rm -f "$work/p.ray"
          rA=$(run raysArb 4ti2-rays -q -p arb "$work/p")
          [ -f "$work/p.ray" ] && rays=$(head -n 1 "$work/p.ray" | cut -d' ' -f1)
          nz=$(run normaliz normaliz -x=1 "$work/p")
          [ -z "$rays" ] && [ -f "$work/p.out" ] && rays=$(sed -n 's/^\([0-9]*\) extreme rays$/\1/p' "$work/p.out" | head -n 1)
          [ -z "$rays" ] && rays=$rays64
          peers="$r64 | $rS | $rA | $nz"
        fi
      fi
      echo "| $name | $kind | ${flows:-?} | $minimal | $peers | ${rays:-?} |"
    done
  done
done
