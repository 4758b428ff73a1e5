#!/bin/sh
# Runs the fuzz targets side by side for SECONDS each, from the seed corpus.
#   tools/fuzz/run.sh SECONDS [TARGET…]     (default: every target)
# FUZZ_BIN names the folder of the built targets (default build/fuzz/bin),
# FUZZ_WORK the folder for corpora, logs and failing inputs (default
# build/fuzz/work). A crash, a leak, a sanitizer report, an input costing
# more than 1 s of processor time (CpuTimeLimit.h) or one blocked for 10 s
# stops a target and fails the run; the input is kept as
# FUZZ_WORK/failures/TARGET-*. Exit status 0 means every target ran clean.
#
# FUZZ_KEEP_GOING=1 restarts a target after a failure, without the input
# that failed, until its time is up, so that one known fault does not end a
# long run. Every failing input is still kept and the run still fails.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:?usage: run.sh SECONDS [TARGET…]}
shift
[ $# -gt 0 ] || set -- fuzz_audio_decoder fuzz_command_line fuzz_show_file
bin=${FUZZ_BIN:-$root/build/fuzz/bin}
work=${FUZZ_WORK:-$root/build/fuzz/work}
mkdir -p "$work/failures"
work=$(cd "$work" && pwd)
# The seeds are made again whenever the script or the kept findings change.
if [ ! -d "$work/seeds/show_file" ] ||
  [ -n "$(find "$here/make_corpus.sh" "$here/findings" -newer "$work/seeds/command_line")" ]; then
  "$here/make_corpus.sh" "$work/seeds" >/dev/null
  touch "$work/seeds/command_line"
fi

# fuzz TARGET: runs one target until its time is up; status 1 if it failed.
fuzz() {
  target=$1
  seeds=$work/seeds/${target#fuzz_}
  corpus=$work/corpus/$target
  log=$work/$target.log
  mkdir -p "$corpus"
  : >"$log"
  # Failures of an earlier run are kept apart, so that only this run's count.
  for old in "$work/failures/$target-"*; do
    [ -f "$old" ] || continue
    mkdir -p "$work/failures/earlier"
    mv "$old" "$work/failures/earlier/"
  done
  end=$(($(date +%s) + seconds))
  failed=0
  while :; do
    left=$((end - $(date +%s)))
    [ "$left" -gt 0 ] || break
    # Leak checks after every input. The wall-clock limit only catches inputs
    # that block: the targets themselves fail one costing over 1 s of
    # processor time, which machine load does not inflate.
    if ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1" \
      "$bin/$target" "$corpus" "$seeds" -max_total_time="$left" -timeout=10 \
      -rss_limit_mb=2048 -detect_leaks=1 -print_final_stats=1 \
      -artifact_prefix="$work/failures/$target-" >>"$log" 2>&1; then
      break
    fi
    ls "$work/failures/$target-"* >/dev/null 2>&1 && failed=1
    [ "${FUZZ_KEEP_GOING:-0}" = 1 ] || break
    # Take every failing input out of the inputs the next run starts from.
    for input in "$work/failures/$target-"*; do
      [ -f "$input" ] || continue
      sum=$(sha1sum <"$input" | cut -d' ' -f1)
      for file in "$seeds"/* "$corpus"/*; do
        [ -f "$file" ] && [ "$(sha1sum <"$file" | cut -d' ' -f1)" = "$sum" ] && rm -f "$file"
      done
    done
  done
  return "$failed"
}

pids=""
for target in "$@"; do
  [ -x "$bin/$target" ] || { echo "run.sh: $bin/$target is not built" >&2; exit 1; }
  fuzz "$target" &
  pids="$pids $!:$target"
done

status=0
for entry in $pids; do
  pid=${entry%%:*}
  target=${entry#*:}
  clean=1
  wait "$pid" || clean=0
  runs=$(awk '/^stat::number_of_executed_units/ {n += $2} END {print n + 0}' "$work/$target.log")
  coverage=$(grep -oE 'cov: [0-9]+' "$work/$target.log" | tail -n 1)
  if [ "$clean" = 1 ]; then
    echo "$target: clean, $runs inputs, $coverage"
  else
    status=1
    echo "$target: FAILED after $runs inputs, $coverage; failing inputs:"
    ls "$work/failures/$target-"*
    grep -E '^SUMMARY|==ERROR' "$work/$target.log" | sort -u | head -n 5
  fi
done
exit $status
