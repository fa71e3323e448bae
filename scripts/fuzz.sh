#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for FUZZ_SECONDS (default 45) seconds, seeded from tests/fuzz/seeds, examples/,
# ../shared/nets and ../shared/pnml. FUZZ_TARGETS (default: all) names the targets to run.
# Findings are left in build-fuzz/findings.
set -e
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-45}
targets=${FUZZ_TARGETS:-fuzz_net fuzz_pnml fuzz_run fuzz_cli fuzz_stages}
if ! command -v clang++ >/dev/null 2>&1; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y -qq clang libclang-rt-dev >/dev/null; else echo "install clang and libclang-rt-dev" >&2; exit 1; fi
fi
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELORIN_FUZZ=ON -DPELORIN_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target $targets
mkdir -p build-fuzz/findings
for target in $targets; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  [ -d tests/fuzz/seeds/$target ] && cp -n tests/fuzz/seeds/$target/* "$corpus"/ 2>/dev/null || true
  case $target in
    fuzz_net|fuzz_run)
      cp -n examples/* "$corpus"/ 2>/dev/null || true
      if [ -d ../shared/nets ]; then
        for f in ../shared/nets/*.net ../shared/nets/*.ndr; do
          [ "$(wc -c <"$f")" -le 16384 ] && cp -n "$f" "$corpus"/ 2>/dev/null || true
        done
      fi ;;
    fuzz_pnml)
      cp -n examples/*.pnml "$corpus"/ 2>/dev/null || true
      if [ -d ../shared/pnml ]; then
        for f in ../shared/pnml/*.pnml; do
          [ "$(wc -c <"$f")" -le 16384 ] && cp -n "$f" "$corpus"/ 2>/dev/null || true
        done
      fi ;;
  esac
  for input in tests/fuzz/regressions/$target-*; do  # inputs of earlier findings run once first
    [ -f "$input" ] || continue
    ./build-fuzz/$target "$input" >/dev/null 2>&1 || { echo "regression: $input"; exit 1; }
  done
  echo "== $target: ${seconds}s"
  ./build-fuzz/$target -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
    -artifact_prefix=build-fuzz/findings/$target- -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
done
