#!/bin/sh
# The fuzz targets' part of the test command, the same work on every run
# whatever the machine's load: the seed corpus and the kept findings
# (make_corpus.sh), then RUNS inputs mutated from them with the fixed SEED.
# (The command line's trial output files take random names, and addresses
# that reach its comparisons can steer its later mutations apart; the audio
# and show-file runs repeat exactly.)
# Time-boxed fuzzing is run.sh's.
#   tools/fuzz/smoke.sh TARGET RUNS SEED
# FUZZ_BIN names the folder of the built targets (default build/fuzz/bin),
# FUZZ_WORK a folder for this target's seeds and log (default
# build/fuzz/smoke/TARGET). A crash, a leak, a sanitizer report or an input
# costing more than 1 s of processor time (CpuTimeLimit.h) fails the run and
# is kept as FUZZ_WORK/failure-*.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
target=${1:?usage: smoke.sh TARGET RUNS SEED}
runs=${2:?usage: smoke.sh TARGET RUNS SEED}
seed=${3:?usage: smoke.sh TARGET RUNS SEED}
bin=${FUZZ_BIN:-$root/build/fuzz/bin}
work=${FUZZ_WORK:-$root/build/fuzz/smoke/$target}
[ -x "$bin/$target" ] || { echo "smoke.sh: $bin/$target is not built" >&2; exit 1; }
mkdir -p "$work"
work=$(cd "$work" && pwd)

# Seeds made afresh each time; what a run adds to its corpus is thrown away,
# so that the next run starts from the same inputs.
rm -rf "$work/seeds" "$work/corpus" "$work"/failure-*
"$here/make_corpus.sh" "$work/seeds" >/dev/null
mkdir -p "$work/corpus"
seeds=$work/seeds/${target#fuzz_}
[ -d "$seeds" ] || { echo "smoke.sh: make_corpus.sh writes no seeds for $target" >&2; exit 1; }

# One process, one seed, the same seeds every time (make_corpus.sh writes
# them bit-exact). The wall-clock limit only catches an input that blocks.
# Nothing may steer the run but the inputs: the corpus is not re-read on a
# timer, and the addresses are not randomised where the system lets us turn
# that off (a decoder's path can depend on a buffer's alignment).
fixed=""
setarch -R true 2>/dev/null && fixed="setarch -R"
if ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1" \
  $fixed "$bin/$target" "$work/corpus" "$seeds" -runs="$runs" -seed="$seed" -timeout=60 \
  -rss_limit_mb=2048 -reload=0 -detect_leaks=1 -print_final_stats=1 \
  -artifact_prefix="$work/failure-" >"$work/log" 2>&1; then
  echo "$target: clean, $(awk '/^stat::number_of_executed_units/ {print $2}' "$work/log") inputs" \
    "from seed $seed, $(grep -oE 'cov: [0-9]+' "$work/log" | tail -n 1)"
  exit 0
fi
echo "$target: FAILED; failing inputs:"
ls "$work"/failure-* 2>/dev/null || true
grep -E '^SUMMARY|==ERROR|Test unit written' "$work/log" | sort -u | head -n 10
tail -n 30 "$work/log"
exit 1
