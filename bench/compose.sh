#!/bin/sh
# Composition benchmark: processor time (user + system seconds) and peak resident memory of
# Pelorin on the composition families, directly, with "-c" and with "-s". Prints a Markdown table.
# Usage: bench/compose.sh PELORIN [SECONDS [MEMORY [REPEAT [NETS]]]]   (each run stopped after
# SECONDS, 120 by default; MEMORY is passed as --memory=MEMORY when given; with REPEAT above 1 a
# run that succeeds is repeated REPEAT times and the mean time shown; NETS is a list such as
# "pipeline 800,modular 400")
pelorin=$(realpath "$1")
limit=${2:-120}
memory=${3:+--memory=$3}
repeat=${4:-1}
nets=${5:-"pipeline 200,pipeline 800,pipeline 1000,modular 400,modular 1000,tokenring 800,tokenring 1000,random 800,random 1000,buffered 200,buffered 800"}
netgen=$(dirname "$0")/../build/pelorin_netgen
[ -x "$netgen" ] || netgen=$(dirname "$pelorin")/pelorin_netgen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "| net | places | run | semiflows | CPU s | peak MiB |"
echo "|---|---:|---|---:|---:|---:|"
echo "$nets" | tr ',' '\n' | while read -r net; do
  set -- $net
  "$netgen" "$1" "$2" >"$work/n.net"
  for run in "" "-c" "-s"; do
    rm -f "$work"/w.*
    /usr/bin/time -f "%U %S %M" -o "$work/time" timeout "$limit" "$pelorin" $memory -q $run -w "$work/w" \
      "$work/n.net" "$work/report" >"$work/out" 2>&1
    code=$?
    set -- $(tail -n 1 "$work/time")
    secs=$(echo "$1 $2" | awk '{printf "%.2f", $1 + $2}') mib=$(($3 / 1024))
    if [ $code -eq 0 ] && [ "$repeat" -gt 1 ]; then
      # The mean of REPEAT more runs, timed together for a finer figure.
      /usr/bin/time -f "%U %S" -o "$work/time" sh -c "for i in \$(seq $repeat); do \"$pelorin\" $memory -q $run \
        -w \"$work/w\" \"$work/n.net\" \"$work/report\" >/dev/null 2>&1; done"
      set -- $(tail -n 1 "$work/time")
      secs=$(echo "$1 $2 $repeat" | awk '{printf "%.3f", ($1 + $2) / $3}')
    fi
    places=$(sed -n 's/^\([0-9]*\) places, .*/\1/p' "$work/report")
    flows=$(sed -n 's/^\([0-9]*\) semiflow(s)$/\1/p' "$work/report")
    if [ $code -eq 124 ]; then flows="timeout"; secs=">$limit"
    elif [ $code -ne 0 ]; then flows="exit $code: $(head -c 60 "$work/out" | tr -d '\n')"; fi
    echo "| $net | $places | ${run:-direct} | $flows | $secs | $mib |"
  done
done
