#!/bin/sh
# Runs Pelorin on every net of ../shared/nets (when the folder is there): checks the summary
# counts against MANIFEST.tsv, then computes P- and T-semiflows directly, with "-c" and with
# "-s", each under a time limit, and checks every solution file with pelorin_check (semiflows,
# positive coefficients, none above another; the composition modes against direct mode). Where
# direct mode finishes, the JSON report ("--json") of the same run must parse with a strict
# parser (python3 -m json.tool).
# Where both finish, "--bounds" gives the same place bounds by default and with "--minimal".
# Then reads every PNML file of ../shared/pnml (when the folder is there) and, for each with a
# ".net" twin named in its MANIFEST.tsv, checks that both give the same places and transitions
# and the same set of semiflows by name, P and T, in direct mode (where both finish in time).
# Usage: scripts/corpus.sh PELORIN [NETS_DIR] [SECONDS] [PNML_DIR]   (NETS_DIR and PNML_DIR also
# from the environment variables of those names; CORPUS_PARTS="pnml" or "nets" runs one part only)
pelorin=$(realpath "$1")
nets=${2:-${NETS_DIR:-$(dirname "$0")/../../shared/nets}}
limit=${3:-60}
pnml=${4:-${PNML_DIR:-$(dirname "$0")/../../shared/pnml}}
parts=${CORPUS_PARTS:-nets pnml}
check=$(dirname "$pelorin")/pelorin_check
if [ ! -d "$nets" ] && [ ! -d "$pnml" ]; then
  echo "no corpus at $nets nor $pnml: nothing to do"
  exit 0
fi
[ -x "$check" ] || cmake --build "$(dirname "$pelorin")" --target pelorin_check >/dev/null || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
slow=""
overflow=""

# run NET KIND MODE: one run; prints "time count", "timeout" or "FAIL"; keeps the solution.
run() {
  net=$1 kind=$2 mode=$3 tag=$2$3
  base="$work/w"
  start=$(date +%s%N)
  timeout "$limit" "$pelorin" -q $kind $mode -w "$base" -d 1 -o "$work/$tag.inv" "$net" "$work/$tag.report" >"$work/$tag.msg" 2>&1
  code=$?
  end=$(date +%s%N)
  ms=$(( (end - start) / 1000000 ))
  if [ $code -eq 124 ]; then echo "timeout"; return 1; fi
  if [ $code -eq 5 ]; then echo "overflow"; return 1; fi  # refused: a coefficient leaves 32 bits
  if [ $code -ne 0 ]; then echo "FAIL(exit $code: $(head -c 80 "$work/$tag.msg"))"; return 2; fi
  matrix="$base.spm"; [ "$kind" = "-T" ] && matrix="$base.spmt"
  if [ -n "$mode" ]; then
    verdict=$("$check" "$matrix" "$work/$tag.inv" "$work/$kind.inv")
  else
    verdict=$("$check" "$matrix" "$work/$tag.inv")
  fi
  if [ $? -ne 0 ]; then echo "FAIL($verdict)"; return 2; fi
  printf '%d.%02ds/%s' $((ms / 1000)) $((ms % 1000 / 10)) "${verdict#ok }"
}

# json_parses NET KIND: the JSON report of a direct run parses (a run that times out passes).
json_parses() {
  timeout "$limit" "$pelorin" --json $2 -w "$work/j" "$1" "$work/report.json" >/dev/null 2>&1
  [ $? -eq 124 ] && return 0
  python3 -m json.tool "$work/report.json" >/dev/null
}

# bounds_agree NET: the bounds section of a default and a "--minimal" run, P direct, is the same
# (a run that does not finish, or is refused for an overflow, passes).
bounds_agree() {
  for tag in default minimal; do
    flag=; [ $tag = minimal ] && flag=--minimal
    timeout "$limit" "$pelorin" -q --bounds $flag -w "$work/b" "$1" "$work/$tag.bounds" >/dev/null 2>&1 || return 0
    sed -n '/^PLACE BOUNDS/,/without a bound/p' "$work/$tag.bounds" >"$work/$tag.section"
  done
  cmp -s "$work/default.section" "$work/minimal.section"
}

netsdir=$nets; case " $parts " in *" nets "*) ;; *) netsdir=/nonexistent ;; esac
[ -d "$netsdir" ] && printf '%-40s %6s %6s  %-22s %-22s %-22s\n' net places trans "P direct/-c/-s" "" "T direct/-c/-s"
[ -d "$netsdir" ] && for net in "$nets"/*.net "$nets"/*.ndr; do
  name=$(basename "$net")
  expected=$(awk -F'\t' -v n="$name" '$1 == n { print $3 " " $4 }' "$nets/MANIFEST.tsv")
  rm -f "$work"/*
  line=""
  for kind in -P -T; do
    cell=""
    direct=ok
    for mode in "" -c -s; do
      if [ $direct = ok ]; then
        result=$(run "$net" $kind "$mode"); status=$?
        [ $status -eq 2 ] && failures=$((failures + 1))
        [ $status -ne 0 ] && [ -z "$mode" ] && direct=no
        [ "$result" = timeout ] && slow="$slow $name($kind$mode)"
        [ "$result" = overflow ] && overflow="$overflow $name($kind$mode)"
      else
        result="-"
      fi
      cell="$cell${cell:+ }$result"
    done
    line="$line  $cell"
    if [ $direct = ok ] && ! json_parses "$net" $kind; then
      echo "$name: the JSON report of $kind does not parse"
      failures=$((failures + 1))
    fi
    if [ $kind = -P ] && [ $direct = ok ] && ! bounds_agree "$net"; then
      echo "$name: the place bounds differ between the default and --minimal"
      failures=$((failures + 1))
    fi
    if [ $kind = -P ]; then
      got=$(sed -n 's/^\([0-9]*\) places, \([0-9]*\) transitions$/\1 \2/p' "$work/-P.report")
      if [ -n "$got" ] && [ "$got" != "$expected" ]; then
        echo "$name: summary '$got' differs from the manifest '$expected'"
        failures=$((failures + 1))
      fi
    fi
  done
  printf '%-40s %13s %s\n' "$name" "$expected" "$line"
done

# semiflows REPORT: the listed semiflows, each with its items sorted, the lines sorted.
semiflows() {
  awk '/SEMI-FLOWS GENERATING SET/ { on = 1; next } /^[0-9.]+s$/ { on = 0 }
       on && NF && $0 !~ /^((not )?(invariant|consistent)|no semiflows)$/ { ++k; for (i = 1; i <= NF; i++) print k "\t" $i }' "$1" |
    LC_ALL=C sort -t "$(printf '\t')" -k1,1n -k2 |
    awk -F'\t' '$1 != k { if (k != "") print line; k = $1; line = "" } { line = line $2 " " } END { if (k != "") print line }' |
    LC_ALL=C sort
}

# pnmlrun FILE KIND TAG: one direct run with the full report; prints "ok", "timeout",
# "overflow" or the failure.
pnmlrun() {
  timeout "$limit" "$pelorin" $2 -w "$work/w" "$1" "$work/$3.report" >"$work/$3.msg" 2>&1
  code=$?
  if [ $code -eq 124 ]; then echo timeout; elif [ $code -eq 5 ]; then echo overflow
  elif [ $code -ne 0 ]; then echo "FAIL(exit $code: $(head -c 80 "$work/$3.msg"))"; else echo ok; fi
}

case " $parts " in *" pnml "*) ;; *) pnml=/nonexistent ;; esac
if [ -d "$pnml" ]; then
  echo
  printf '%-40s %13s  %-16s %-16s\n' "PNML file" "places trans" "P direct" "T direct"
  for file in "$pnml"/*.pnml; do
    name=$(basename "$file")
    twin=$(awk -F'\t' -v n="$name" '$1 == n { print $2 }' "$pnml/MANIFEST.tsv")
    rm -f "$work"/*
    line="" counts=""
    for kind in -P -T; do
      result=$(pnmlrun "$file" $kind pnml)
      case $result in FAIL*) failures=$((failures + 1)) ;; esac
      [ -z "$counts" ] && counts=$(sed -n 's/^\([0-9]*\) places, \([0-9]*\) transitions$/\1 \2/p' "$work/pnml.report")
      if [ "$result" = ok ] && [ -n "$twin" ] && [ -f "$nets/$twin" ]; then
        other=$(pnmlrun "$nets/$twin" $kind twin)
        twincounts=$(sed -n 's/^\([0-9]*\) places, \([0-9]*\) transitions$/\1 \2/p' "$work/twin.report")
        if [ "$other" != ok ]; then
          result="twin:$other"
        elif [ "$twincounts" != "$counts" ]; then
          result="DIFF(counts $twincounts)"; failures=$((failures + 1))
        elif [ "$(semiflows "$work/pnml.report")" = "$(semiflows "$work/twin.report")" ]; then
          result="same($(semiflows "$work/pnml.report" | wc -l))"
        else
          result="DIFF"; failures=$((failures + 1))
        fi
      fi
      [ "$result" = timeout ] && slow="$slow $name($kind)"
      [ "$result" = overflow ] && overflow="$overflow $name($kind)"
      line="$line  $(printf '%-16s' "$result")"
    done
    printf '%-40s %13s%s\n' "$name" "$counts" "$line"
  done
fi
echo
[ -n "$slow" ] && echo "did not finish within ${limit}s:$slow"
[ -n "$overflow" ] && echo "refused with integer overflow:$overflow"
echo "$failures failure(s)"
[ $failures -eq 0 ]
