#!/bin/sh
# Integer flows ("--flows") over every net of the given folders, P and T, in digest detail:
# prints per run the file, the kind, the exit code, the number of flows, wall-clock and user
# seconds, the peak resident memory (KB) and its ratio to the file size. Work files go to a
# temporary folder.
# Usage: bench/flows.sh PELORIN DIR...
pelorin=$(realpath "$1")
shift
[ -x /usr/bin/time ] || { echo "install the package time" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'file\tkind\texit\tflows\twall_s\tuser_s\tpeak_kb\tpeak/size\n'
for dir in "$@"; do
  for net in "$dir"/*.net "$dir"/*.ndr "$dir"/*.pnml; do
    [ -f "$net" ] || continue
    size=$(stat -c %s "$net")
    for kind in -P -T; do
      /usr/bin/time -f "%e %U %M" -o "$work/time" "$pelorin" --flows $kind -q -w "$work/w" "$net" >"$work/out"
      code=$?
      count=$(sed -n 's/^\([0-9]*\) flow(s)$/\1/p' "$work/out")
      read -r wall user peak <"$work/time"
      ratio=$(awk -v m="$peak" -v s="$size" 'BEGIN { printf "%.1f", m * 1024 / s }')
      printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(basename "$net")" "$kind" "$code" "$count" "$wall" "$user" "$peak" "$ratio"
    done
  done
done
