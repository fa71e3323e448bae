#!/bin/sh
# Compares two builds of Pelorin byte for byte over the corpus: builds the Pelorin target of an
# earlier commit REV in a temporary git worktree (its own build directory, Release) and the
# current tree's Pelorin (build directory "build"), or takes two ready executables, then runs both
# on every net of ../shared/nets and ../shared/pnml with at most MAXNODES places + transitions
# (1500; for PNML files without a ".net" twin counted from their place and transition elements).
# Runs per net: P and T, direct, "-c" and "-s", with and without --minimal, at -d 0, 1 and 2,
# and at -d 0 also with "-o DIR/result.inv" and with "-q" (and "--json" in direct mode). Every
# run has its own fresh directory DIR (the same path for both builds) holding the work files
# (-w DIR/w) and the report (DIR/report). Compared: exit code, standard output and error, the
# report with its time line masked (the "time" field in --json), the names of the files left in
# DIR and the bytes of each. A run that either build does not finish within SECONDS (10) is
# skipped, and so are the other runs of its net, kind, mode and --minimal when the plain -d 0
# run already timed out. Jobs run two at a time (JOBS); prints a summary with the first DIFFS (5)
# differences and a short diff of each; exit code 1 when any run differs, 2 on a setup error.
# Work files are kept in one mktemp directory, removed at the end unless KEEP=1 (which also keeps
# the runs that differ, in jobs/ID/old.N and new.N).
# Usage: scripts/compare.sh [--quick] [REV | --old PATH --new PATH]
#   REV defaults to the merge-base of HEAD and main; --quick takes the nets up to 200 nodes and
#   the levels -d 0 and -d 2 only. NETS_DIR, PNML_DIR, MAXNODES, SECONDS, JOBS, DIFFS, KEEP
#   from the environment.
# Timings with 2 jobs on a 2-core machine shared with other builds (runs only, builds not
# counted): full 30 minutes (115 nets, 6883 runs compared, 477 skipped; load average 6 to 8),
# --quick 31 minutes (90 nets, 4579 compared, 101 skipped; load average 10 to 15). Most of it is
# starting processes under load; a run costs about 0.1 s of processor time with its comparison.

# ---- one job: the runs of one net, kind, mode and --minimal, each with both builds ----

# run TAG ARGS...: one run of build TAG (old or new) in the fresh directory $run, which is then
# moved to $dir/TAG/dir beside the run's exit code, standard output and error.
run() {
  tag=$1; shift
  exe=$OLD; [ "$tag" = new ] && exe=$NEW
  mkdir -p "$run" "$dir/$tag"
  timeout "$LIMIT" "$exe" "$@" -w "$run/w" "$net" "$run/report" >"$dir/$tag/out" 2>"$dir/$tag/err"
  code=$?
  echo $code >"$dir/$tag/code"
  mv "$run" "$dir/$tag/dir"
  return $code
}

# same: whether $dir/old and $dir/new are the same once the reports' time lines (text) or "time"
# fields (--json) are masked; the names of the files and the bytes of each.
same() {
  diff -r -q "$dir/old" "$dir/new" >/dev/null && return 0
  for tag in old new; do
    [ -f "$dir/$tag/dir/report" ] &&
      sed -i -E 's/^[0-9]+\.[0-9]{3}s$/TIME/; s/^(  "time": ).*$/\1TIME/' "$dir/$tag/dir/report"
  done
  diff -r -q "$dir/old" "$dir/new" >/dev/null
}

# job ID NET KIND MODE MINIMAL: writes one line per run to $WORK/results/ID ("same", "differ" or
# "skip", then the run), and a short diff of run N to $WORK/diffs/ID.N.
job() {
  id=$1 net=$2 kind=$3 mode=$4 minimal=$5
  dir=$WORK/jobs/$id run=$WORK/jobs/$id/run
  [ "$mode" = direct ] && mode=""
  [ "$minimal" = plain ] && minimal=""
  variants=""
  for level in $LEVELS; do variants="$variants,-d $level"; done
  variants="$variants,-d 0 -o @/result.inv,-d 0 -q"
  [ -z "$mode" ] && variants="$variants,-d 0 --json"
  n=0 skipall=""
  echo "${variants#,}" | tr ',' '\n' | while read -r variant; do
    n=$((n + 1))
    case $variant in *@*) args="${variant%@*}$run${variant#*@}" ;; *) args=$variant ;; esac
    label="${net##*/} $kind${mode:+ $mode}${minimal:+ $minimal} $variant"
    if [ -n "$skipall" ]; then echo "skip $label"; continue; fi
    run old $kind $mode $minimal $args; old=$?
    new=124
    [ $old -ne 124 ] && { run new $kind $mode $minimal $args; new=$?; }
    if [ $old -eq 124 ] || [ $new -eq 124 ]; then
      echo "skip $label"
      [ $n -eq 1 ] && skipall=yes
    elif same; then
      echo "same $label"
    else
      echo "differ $label"
      (cd "$dir" && diff -r -u old new | sed -E 's/^(---|\+\+\+) ([^\t]*)\t.*$/\1 \2/' | head -n 40) \
        >"$WORK/diffs/$id.$n"
      [ "$KEEP" = 1 ] && mv "$dir/old" "$dir/old.$n" && mv "$dir/new" "$dir/new.$n"
    fi
    rm -rf "$dir/old" "$dir/new"
  done >"$WORK/results/$id"
}

if [ "$1" = --job ]; then
  IFS=$(printf '\t')
  set -- $2
  unset IFS
  job "$@"
  exit 0
fi

# ---- the comparison ----

self=$(realpath "$0")
root=$(cd "$(dirname "$self")/.." && pwd)
quick="" old="" new="" rev=""
while [ $# -gt 0 ]; do
  case $1 in
    --quick) quick=yes ;;
    --old) old=$(realpath "$2"); shift ;;
    --new) new=$(realpath "$2"); shift ;;
    *) rev=$1 ;;
  esac
  shift
done
nets=${NETS_DIR:-$root/../shared/nets}
pnml=${PNML_DIR:-$root/../shared/pnml}
maxnodes=${MAXNODES:-1500}
levels="0 1 2"
limit=${SECONDS:-10}
[ "$limit" -gt 0 ] 2>/dev/null || limit=10  # a shell's own SECONDS counter starts at 0
jobs=${JOBS:-2}
diffs=${DIFFS:-5}
[ -n "$quick" ] && { maxnodes=${MAXNODES:-200}; levels="0 2"; }
WORK=$(mktemp -d)
cleanup() {
  [ -n "$worktree" ] && git -C "$root" worktree remove --force "$worktree"
  if [ "$KEEP" = 1 ]; then echo "kept $WORK"; else rm -rf "$WORK"; fi
}
worktree=""
trap cleanup EXIT
trap 'exit 2' INT TERM

if [ -z "$old" ]; then
  [ -n "$rev" ] || rev=$(git -C "$root" merge-base HEAD main) || { echo "no REV given and no merge-base with main"; exit 2; }
  worktree=$WORK/src
  git -C "$root" worktree add -q --detach "$worktree" "$rev" >/dev/null || { worktree=""; exit 2; }
  echo "building $rev in $worktree"
  { cmake -S "$worktree" -B "$WORK/build" -DCMAKE_BUILD_TYPE=Release &&
    cmake --build "$WORK/build" -j 2 --target Pelorin; } >"$WORK/build.log" 2>&1 ||
    { tail -n 20 "$WORK/build.log"; exit 2; }
  old=$WORK/build/Pelorin
fi
if [ -z "$new" ]; then
  echo "building the current tree in $root/build"
  { cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release &&
    cmake --build "$root/build" -j 2 --target Pelorin; } >"$WORK/build.log" 2>&1 ||
    { tail -n 20 "$WORK/build.log"; exit 2; }
  new=$root/build/Pelorin
fi
[ -x "$old" ] && [ -x "$new" ] || { echo "usage: scripts/compare.sh [--quick] [REV | --old PATH --new PATH]"; exit 2; }

# The nets: name, places + transitions.
{
  [ -f "$nets/MANIFEST.tsv" ] &&
    awk -F'\t' -v dir="$nets" -v max="$maxnodes" 'NR > 1 && $3 + $4 <= max { print dir "/" $1 }' "$nets/MANIFEST.tsv"
  [ -d "$pnml" ] && for file in "$pnml"/*.pnml; do
    nodes=$(($(grep -o '<place[ >/]' "$file" | wc -l) + $(grep -o '<transition[ >/]' "$file" | wc -l)))
    [ $nodes -le "$maxnodes" ] && echo "$file"
  done
} >"$WORK/nets"
[ -s "$WORK/nets" ] || { echo "no nets of at most $maxnodes nodes in $nets nor $pnml"; exit 2; }
mkdir "$WORK/jobs" "$WORK/results" "$WORK/diffs"
tab=$(printf '\t')
while read -r net; do
  for kind in -P -T; do
    for mode in direct -c -s; do
      for minimal in plain --minimal; do
        echo "$net$tab$kind$tab$mode$tab$minimal"
      done
    done
  done
done <"$WORK/nets" | awk '{ printf "%05d\t%s\n", NR, $0 }' >"$WORK/joblist"
echo "old: $old"
echo "new: $new"
echo "$(wc -l <"$WORK/nets") nets, $(wc -l <"$WORK/joblist") jobs (-d $levels; ${limit}s per run; $jobs at a time)"
start=$(date +%s)
OLD=$old NEW=$new WORK=$WORK LEVELS=$levels LIMIT=$limit KEEP=$KEEP \
  xargs -r -d '\n' -n 1 -P "$jobs" sh "$self" --job <"$WORK/joblist"
end=$(date +%s)

cat "$WORK"/results/* >"$WORK/results.all" 2>/dev/null
compared=$(grep -c -E '^(same|differ) ' "$WORK/results.all")
same=$(grep -c '^same ' "$WORK/results.all")
differ=$(grep -c '^differ ' "$WORK/results.all")
skipped=$(grep -c '^skip ' "$WORK/results.all")
shown=0
for id in $(cut -f 1 "$WORK/joblist"); do
  [ $shown -ge "$diffs" ] && break
  n=0
  while read -r status label; do
    n=$((n + 1))
    [ "$status" = differ ] || continue
    [ $shown -ge "$diffs" ] && break
    shown=$((shown + 1))
    echo
    echo "DIFFERS: $label"
    cat "$WORK/diffs/$id.$n"
  done <"$WORK/results/$id"
done
echo
echo "$compared runs compared, $same identical, $differ differing, $skipped skipped (timeout), $((end - start))s"
[ "$differ" -eq 0 ] || exit 1
