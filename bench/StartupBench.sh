#!/usr/bin/env bash
# Time from process launch to the first frame on screen, and the resident
# memory by then, over several launches on a virtual display.
#
#   bench/StartupBench.sh [BUILD_DIR] [LAUNCHES] [WIDTHxHEIGHT]
set -euo pipefail
build=${1:-build/release}
launches=${2:-5}
size=${3:-1920x1080}
probe="$build/bin/bench-live-timing"
[ -x "$probe" ] || { echo "no $probe: build the target bench-live-timing first" >&2; exit 2; }

printf '| launch | first frame ms | of which: to main, SDL, controller, window+frame | peak resident MiB |\n|---|---|---|---|\n'
for i in $(seq "$launches"); do
  # The launch instant is taken inside the virtual display's session, right
  # before the probe replaces the shell: the display's own start-up is not counted.
  report=$(xvfb-run -a -s "-screen 0 ${size}x24" \
    sh -c 'exec "$0" --startup-only --launched-at "$(date +%s%N)"' "$probe" 2>/dev/null)
  ms=$(echo "$report" | sed -n 's/^Start-up: \([0-9.]*\) ms.*/\1/p')
  mib=$(echo "$report" | sed -n 's/^Peak resident memory: \([0-9.]*\) MiB/\1/p')
  parts=$(echo "$report" | sed -n 's/^  launch to main \([0-9.]*\) ms, main to launching (SDL, display) \([0-9.]*\) ms, show controller with music player \([0-9.]*\) ms, window and first frame \([0-9.]*\) ms/\1, \2, \3, \4/p')
  printf '| %d | %s | %s | %s |\n' "$i" "$ms" "$parts" "$mib"
done
