#!/bin/sh
# Fault injection: runs of the built Pelorin in which one call of the C library's output
# functions fails (tests/tools/faultinject.c: the Nth write, close, fsync or rename), for every N
# up to the number of such calls a run makes, over a few small runs (P and T, the modes, the
# units of --minimal, --json, the report on standard output, -o on another file system, a debug
# level that keeps its files). Every run must keep the promises of a failed run:
#   - it ends with exit code 0 or 2, never by a signal;
#   - exit code 0: the report, the result file and (at debug level 0) the files left are those of
#     a run without the fault;
#   - exit code 2: a "***" message; a report that reaches its closing line is the whole report; the
#     result file is the old one or the whole new one;
#   - no lock and no temporary file is left; at debug level 0 no work file either.
# Usage: faults.sh PELORIN FAULTINJECT_LIBRARY EXAMPLES_DIR. Exit code 0 when every run keeps the
# promises, 1 when one does not, 77 (skipped) when the library cannot be preloaded into PELORIN
# (a sanitizer runtime that refuses it).
set -u
pelorin=$1
library=$2
examples=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/pelorin-faults-XXXXXX")
trap 'rm -rf "$work"' EXIT
# a sanitizer runtime wants to come first among the preloaded libraries; this one needs no memory
# of its own and goes before it
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export ASAN_OPTIONS
failures=0

# another file system for -o, when /dev/shm is one
shm=""
if [ -d /dev/shm ] && [ "$(stat -c %d /dev/shm)" != "$(stat -c %d "$work")" ]; then
  shm=$(mktemp -d /dev/shm/pelorin-faults-XXXXXX) && trap 'rm -rf "$work" "$shm"' EXIT
fi

# The report with its time masked, the "***" lines left out.
masked() {
  sed -E -e '/^\*\*\*/d' -e 's/^[0-9]+\.[0-9]{3}s$/TIME/' -e 's/"time": [0-9.e+-]+/"time": TIME/' "$1"
}

# A fresh directory $dir with the nets and an old result file; $out is where -o goes.
prepare() {
  dir=$work/run
  rm -rf "$dir" && mkdir "$dir"
  cp "$examples/mutex.net" "$dir/"
  printf 'net lonely\npl alone (2)\ntr t1 p1 -> p2\ntr t2 p2 -> p1\n' >"$dir/lonely.net"
  printf 'OLD\n' >"$dir/res.inv"
  [ -n "$shm" ] && rm -rf "$shm"/* && printf 'OLD\n' >"$shm/res.inv"
}

# Runs the case in $dir with the fault settings given before it; the report goes to $dir/rep or,
# for a case without one, to standard output, kept in $work/stdout.
run() {
  (cd "$dir" && env "$@" "$pelorin" $args >"$work/stdout" 2>"$work/stderr")
  status=$?
  report=$dir/rep
  [ "$reportfile" = no ] && report=$work/stdout
  return 0
}

fail() {
  echo "FAIL [$args] $family at $at: $*"
  failures=$((failures + 1))
}

# Checks the outcome of a run with a fault against the reference of the case.
check() {
  result=$dir/res.inv
  [ "$target" = shm ] && result=$shm/res.inv
  case $status in
  0)
    masked "$report" | cmp -s - "$work/ref.report" || fail "exit 0 with another report"
    cmp -s "$result" "$work/ref.inv" || fail "exit 0 with another result file"
    # the records of a debug level may miss a renaming, which the chain passes over
    if [ "$level" = 0 ]; then
      ls "$dir" | cmp -s - "$work/ref.files" || fail "exit 0 with other files left: $(ls "$dir" | tr '\n' ' ')"
    fi
    ;;
  2)
    cat "$work/stdout" "$work/stderr" | grep -q '\*\*\*' || fail "exit 2 without a *** message"
    if grep -q -e 'ANALYSIS COMPLETED' -e '"time"' "$report"; then
      masked "$report" | cmp -s - "$work/ref.report" || fail "a failed run's report reaches its end: $(cat "$report")"
    fi
    if ! cmp -s "$result" "$work/ref.inv" && [ "$(cat "$result")" != OLD ]; then
      fail "the result file is neither the old one nor the new one"
    fi
    if [ "$level" = 0 ]; then
      ls "$dir" | cmp -s - "$work/ref.files" || fail "work files left: $(ls "$dir" | tr '\n' ' ')"
    fi
    ;;
  *) fail "exit code $status: $(cat "$work/stdout" "$work/stderr")" ;;
  esac
  leftovers=$(ls -a "$dir" ${shm:+"$shm"} | grep -e '\.lock$' -e '\.pelorin-' || true)
  [ -z "$leftovers" ] || fail "left behind: $leftovers"
}

# One case: "level target reportfile args...": the debug level, where -o goes (dir or shm), whether
# the report goes to the file rep (yes) or to standard output (no).
scenario() {
  level=$1 target=$2 reportfile=$3
  shift 3
  [ "$target" = shm ] && [ -z "$shm" ] && return 0
  path=res.inv
  [ "$target" = shm ] && path=$shm/res.inv
  args="-d $level -o $path $*"
  [ "$reportfile" = yes ] && args="$args rep"
  prepare
  family=none at=0
  run PELORIN_FAULT=
  [ "$status" = 0 ] || { fail "the run without a fault ends with $status: $(cat "$work/stdout")"; return; }
  masked "$report" >"$work/ref.report"
  if [ "$target" = shm ]; then cp "$shm/res.inv" "$work/ref.inv"; else cp "$dir/res.inv" "$work/ref.inv"; fi
  ls "$dir" >"$work/ref.files"
  for family in write close fsync rename; do
    prepare
    run PELORIN_FAULT=$family PELORIN_FAULT_COUNT="$work/count"
    calls=$(cat "$work/count" 2>/dev/null || echo 0)
    at=1
    while [ "$at" -le "$calls" ]; do
      prepare
      run PELORIN_FAULT=$family PELORIN_FAULT_AT=$at
      check
      at=$((at + 1))
    done
    runs=$((${runs:-0} + calls))
  done
}

# The library must load and count: a run that writes at all makes write calls.
prepare
(cd "$dir" && env LD_PRELOAD="$library" PELORIN_FAULT=write PELORIN_FAULT_COUNT="$work/count" \
  "$pelorin" -q mutex.net rep >/dev/null 2>"$work/stderr")
if [ $? != 0 ] || [ "$(cat "$work/count" 2>/dev/null || echo 0)" -le 0 ]; then
  echo "SKIPPED: the fault library cannot be preloaded into $pelorin: $(head -c 300 "$work/stderr")"
  exit 77
fi
LD_PRELOAD=$library
export LD_PRELOAD

scenario 0 dir yes mutex.net
scenario 0 dir yes -T -c -q mutex.net
scenario 0 dir yes --minimal -q lonely.net
scenario 0 dir yes --json -q mutex.net
scenario 0 dir no -q mutex.net
scenario 0 shm yes -q -T mutex.net
scenario 2 shm yes -s -q mutex.net

echo "$runs runs with a fault, $failures failed"
[ "$failures" = 0 ]
