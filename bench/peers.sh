#!/bin/sh
# Benchmark of "--minimal" against the peer tools of the field, for measuring only: 4ti2's rays
# (`-p 64`, the matrix algorithm; `-p 64 -s`, the support algorithm), Normaliz (one thread) and
# PetriSpot (its P- or T-semiflows). Every net of the folders given, P and T in the same run.
# Prints one Markdown table row per net and kind: the number of minimal semiflows, then for each
# tool processor seconds (user + system), peak MiB, and status or count, all by /usr/bin/time.
#
# The cone of the P-semiflows {y >= 0 : y.C = 0} is the kernel of the transposed incidence
# matrix with sign constraints: 4ti2 gets C^T (transitions x places) as PROJECT.mat and all ones
# as PROJECT.sign, Normaliz the same rows as "equations" with "nonnegative"; for T-semiflows they
# get C itself. The matrix is the work file that `Pelorin -d 1` leaves (W.spm, or W.spmt with
# "-T"), widened to every place (transition) of the name table, so that a node without arcs is a
# ray for the peers as it is a semiflow for "--minimal". PetriSpot reads the PNML file itself
# (nets in other formats get "not PNML"); its set is not always the minimal-support one, so its
# count is shown beside its time. It is given the same time limit (-t), and a run that meets it
# shows "limit".
#
# When "--minimal" ends with the memory message of a set too large to list (parallel nodes), the
# run is repeated with "--classes", which writes the same set compactly; its time is then marked
# "classes".
#
# Usage: bench/peers.sh PELORIN SECONDS FOLDER...
#
# SECONDS limits the processor time of each run (ulimit -t: fair on a loaded machine); the wall
# clock is limited to four times that. MEMORY_MIB (default 6144) caps each run's address space.
# A run stopped by either shows "limit". TOOLS chooses the runs (default "minimal rays64 raysS
# normaliz petrispot"); NETS, a grep pattern, chooses the nets, and SKIP, another, leaves nets
# out. PETRISPOT is the path of the PetriSpot executable; without it, or where it is missing,
# its column says "not run" (a note on standard error says so once).
pelorin=$(realpath "$1")
limit=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: "${TOOLS:=minimal rays64 raysS normaliz petrispot}"
if [ -z "$PETRISPOT" ] || [ ! -x "$PETRISPOT" ]; then
  echo "note: PETRISPOT is not set to an executable; PetriSpot is not run" >&2
  TOOLS=$(echo "$TOOLS" | sed 's/petrispot//')
fi

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
# variables 1..$3 (rows of the file): 4ti2's PROJECT.mat and PROJECT.sign, Normaliz's PROJECT.in.
peerfiles() {
  awk -v mat="$2.mat" -v sign="$2.sign" -v nmz="$2.in" -v m="$3" '
    { if (!($2 in c)) { c[$2] = ++n } a[c[$2], $1] += $3 }
    END {
      if (n == 0) { n = 1 }
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

# The semiflows that "--minimal" counted in report $1.
counted() { sed -n 's/^\([0-9]*\) \(minimal \)*semiflow(s)$/\1/p' "$1"; }

echo "| net | kind | semiflows | --minimal s | MiB | exit | 4ti2 -p 64 s | MiB | exit | -p 64 -s s | MiB | exit | Normaliz s | MiB | exit | PetriSpot s | MiB | count | rays (4ti2, else Normaliz) |"
echo "|---|---|---:|---:|---:|---|---:|---:|---|---:|---:|---|---:|---:|---|---:|---:|---:|---:|"
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
      matrix="$work/w.spm" names="$work/w.nmp"
      [ "$kind" = "-T" ] && matrix="$work/w.spmt" names="$work/w.nmt"
      minimal=$(run minimal "$pelorin" --minimal -q "$kind" -w "$work/m" "$net" "$work/mreport")
      flows=$(counted "$work/mreport")
      if grep -q -- "--classes writes them compactly" "$work/minimal.out" "$work/mreport" 2>/dev/null; then
        minimal=$(run minimal "$pelorin" --minimal --classes -q "$kind" -w "$work/m" "$net" "$work/mreport")
        flows=$(counted "$work/mreport")
        minimal="$minimal classes"
      fi
      rm -f "$work/mreport"
      variables=$(wc -l <"$names" 2>/dev/null || echo 0)
      peers="- | - | no matrix | - | - | no matrix | - | - | no matrix" rays=""
      if [ -f "$matrix" ] && [ "$variables" -gt 0 ]; then
        sum=$( (sort "$matrix"; echo "$variables") | cksum | cut -d' ' -f1)$kind
        same=$(grep "^$sum " "$work/seen" 2>/dev/null | head -n 1 | cut -d' ' -f2)
        if [ -n "$same" ]; then
          peers="- | - | same as $same | - | - | same as $same | - | - | same as $same"
        else
          echo "$sum $name" >>"$work/seen"
          peerfiles "$matrix" "$work/p" "$variables"
          r64=$(run rays64 4ti2-rays -q -p 64 "$work/p")
          [ -f "$work/p.ray" ] && rays=$(head -n 1 "$work/p.ray" | cut -d' ' -f1)
          rm -f "$work/p.ray"
          rS=$(run raysS 4ti2-rays -q -p 64 -s "$work/p")
          [ -z "$rays" ] && [ -f "$work/p.ray" ] && rays=$(head -n 1 "$work/p.ray" | cut -d' ' -f1)
          nz=$(run normaliz normaliz -x=1 "$work/p")
          [ -z "$rays" ] && [ -f "$work/p.out" ] && rays=$(sed -n 's/^\([0-9]*\) extreme rays$/\1/p' "$work/p.out" | head -n 1)
          peers="$r64 | $rS | $nz"
          # 4ti2's 64-bit arithmetic can overflow without a word (PaceMaker-PT-none, T): where its
          # count differs, the count of its arbitrary precision stands, marked "arb"
          if [ -n "$flows" ] && [ -n "$rays" ] && [ "$flows" != "$rays" ]; then
            rm -f "$work/p.ray"
            timeout $((limit * 4)) sh -c 'ulimit -t "$1"; shift; exec "$@"' sh "$limit" 4ti2-rays -q -p arb "$work/p" >/dev/null 2>&1 &&
              [ -f "$work/p.ray" ] && rays="$(head -n 1 "$work/p.ray" | cut -d' ' -f1) arb"
          fi
        fi
      fi
      spot="- | - | not PNML"
      case "$name" in
        *.pnml)
          spot=$(run petrispot "$PETRISPOT" -i "$net" "--${kind#-}semiflows" -q -t "$limit")
          # PetriSpot ends at its own time limit with exit code 0 and a count of 0
          if grep -q "Time Limit : exiting" "$work/petrispot.out"; then
            spot="${spot%%|*}| $(echo "$spot" | cut -d'|' -f2 | tr -d ' ') | limit"
          else
            case "$spot" in
              *"| 0") spot="${spot%| 0}| $(sed -n 's/^Computed \([0-9]*\) [PT] semiflows.*/\1/p' "$work/petrispot.out" | head -n 1)" ;;
            esac
          fi ;;
      esac
      echo "| $name | $kind | ${flows:-?} | $minimal | $peers | $spot | ${rays:-?} |"
    done
  done
done
