#!/usr/bin/env bash
# The game's start-up, frame, memory and idle figures beside the bare SDL2 +
# OpenGL program, all under one X server of their own (Xvfb 1280x1024x24,
# Mesa's llvmpipe). Needs a release build (scripts/build.sh release).
#   tools/measure_figures.sh [RUNS]        RUNS per figure, 5 unless given
# Prints one line per figure: the median of the runs, then min..max.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${MEASURE_FIGURES_INSIDE:-}" ]; then
  export MEASURE_FIGURES_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

runs=${1:-5}
build=${BUILD_DIR:-build/release}
game=$build/tools/start_time
bare=$build/tools/idle_frame_bare
bench=$build/bench/game_screen
for program in "$game" "$bare" "$bench"; do
  [ -x "$program" ] || { echo "missing $program: build the release flavour first" >&2; exit 2; }
done

export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy VORN_HEADLESS=1
scratch=$(mktemp -d /tmp/measure-figures-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
# A player of its own, so that the map opens without asking for a name.
export XDG_DATA_HOME=$scratch/home
mkdir -p "$XDG_DATA_HOME"
"$game" --idle 0 >/dev/null 2>&1 || true

# median MIN MAX of the numbers on standard input
stats() {
  sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "no runs"; exit }
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.4g  (%.4g..%.4g)\n", m, v[1], v[NR] }'
}

# timed FIELD COMMAND...: runs it $runs times under /usr/bin/time; FIELD is
# wall (seconds), cpu (seconds) or rss (peak resident megabytes).
timed() {
  local field=$1
  shift
  local i
  for ((i = 0; i < runs; ++i)); do
    /usr/bin/time -f "%e %U %S %M" -o "$scratch/time" "$@" >"$scratch/out" 2>&1 || true
    case $field in
      wall) awk '{ print $1 }' "$scratch/time" ;;
      cpu) awk '{ print $2 + $3 }' "$scratch/time" ;;
      rss) awk '{ print $4 / 1024 }' "$scratch/time" ;;
    esac
  done | stats
}

# idleCpu COMMAND...: runs it $runs times and takes the CPU milliseconds
# per second that it printed for its frames.
idleCpu() {
  local i
  for ((i = 0; i < runs; ++i)); do
    "$@" 2>/dev/null | sed -n 's/.* \([0-9.]*\) ms CPU per second.*/\1/p' | head -1
  done | stats
}

# One untimed start of each fills the file caches.
"$bare" --frames 1 >/dev/null 2>&1 || true
"$game" --first-frame >/dev/null 2>&1 || true

echo "a. start to the first frame, s:       game $(timed wall "$game" --first-frame)"
echo "                                      bare $(timed wall "$bare" --frames 1)"
echo "b. start to the map, preloaded, s:    game $(timed wall "$game" --map)"
"$bench" --benchmark_filter=BM_GameScreenFrameFullBoard --benchmark_repetitions="$runs" \
  --benchmark_report_aggregates_only=true >"$scratch/bench" 2>/dev/null || true
echo "c. game-screen frame, full board:     $(awk '/_median/ { print $4, $5, "CPU,", $2, $3, "wall;", $7 }' "$scratch/bench")"
echo "d. peak resident, MB:                 game playing level 112 $(timed rss "$game" --play 112)"
echo "                                      bare for 5 s $(timed rss "$bare" --seconds 5)"
echo "e. CPU while idle, ms per second:     game $(idleCpu "$game" --idle 10)"
echo "                                      bare $(idleCpu "$bare" --seconds 10)"
