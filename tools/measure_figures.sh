#!/usr/bin/env bash
# The game's start-up, frame, memory and idle figures beside the bare SDL2 +
# OpenGL program and Debian's KMahjongg, all under one X server of their own
# (Xvfb 1280x1024x24, Mesa's llvmpipe). Needs a release build
# (scripts/build.sh release); KMahjongg's figures need kmahjongg and
# dbus-run-session (dbus-x11), and are left out without them.
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
peer=$(command -v kmahjongg || command -v /usr/games/kmahjongg || true)
if [ -n "$peer" ] && ! command -v dbus-run-session >/dev/null; then peer=; fi

export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy VORN_HEADLESS=1
scratch=$(mktemp -d /tmp/measure-figures-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
# A player of its own, so that the map opens without asking for a name.
export XDG_DATA_HOME=$scratch/home
# KMahjongg's settings start empty every run, as on a first start.
export XDG_CONFIG_HOME=$scratch/config
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
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

# Every top-level window the server maps, with the moment it was mapped
# (seconds since the epoch), one line each.
xev -root -event substructure 2>/dev/null | while IFS= read -r line; do
  case $line in MapNotify*) echo "$EPOCHREALTIME" >>"$scratch/mapped" ;; esac
done &
touch "$scratch/mapped"

# mappedSince T0: milliseconds from T0 to the first window mapped after it,
# waiting up to 30 s for it; nothing when none came.
mappedSince() {
  local t0=$1 i
  for ((i = 0; i < 300; ++i)); do
    awk -v t0="$t0" '$1 > t0 { printf "%.0f\n", ($1 - t0) * 1000; found = 1; exit } END { exit !found }' \
      "$scratch/mapped" && return
    sleep 0.1
  done
}

# watch PID SECONDS: follows the process until it ends, or for SECONDS and
# then ends it, and writes the figures of that run to $scratch/watch: peak
# resident (VmHWM) and the largest proportional set size (Pss) seen, both
# in MB, and the CPU milliseconds per second over its last ten seconds
# (when SECONDS leaves that many after the first five).
watch() {
  local pid=$1 seconds=$2 hwm=0 pss=0 v cpu0= cpu1= start=$EPOCHREALTIME now
  while kill -0 "$pid" 2>/dev/null; do
    v=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$v" ] && hwm=$v
    v=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || true)
    [ -n "$v" ] && [ "$v" -gt "$pss" ] && pss=$v
    now=$EPOCHREALTIME
    if [ -z "$cpu0" ] && awk -v a="$now" -v b="$start" -v s="$seconds" 'BEGIN { exit !(s >= 15 && a - b >= s - 10) }'; then
      cpu0=$(awk '{ print $14 + $15, a }' a="$now" "/proc/$pid/stat" 2>/dev/null || true)
    fi
    if awk -v a="$now" -v b="$start" -v s="$seconds" 'BEGIN { exit !(a - b >= s) }'; then
      cpu1=$(awk '{ print $14 + $15, a }' a="$now" "/proc/$pid/stat" 2>/dev/null || true)
      kill "$pid" 2>/dev/null || true
      break
    fi
    sleep 0.05
  done
  wait "$pid" 2>/dev/null || true
  local idle=-
  if [ -n "$cpu0" ] && [ -n "$cpu1" ]; then
    idle=$(echo "$cpu0 $cpu1" | awk -v hz="$(getconf CLK_TCK)" '{ printf "%.1f", ($3 - $1) * 1000 / hz / ($4 - $2) }')
  fi
  echo "$((hwm / 1024)) $((pss / 1024)) $idle" >"$scratch/watch"
}

# figures NAME SECONDS COMMAND...: runs it $runs times with watch and
# mappedSince, and collects per run: "NAME hwm pss idle mapped". A command
# that writes a process id to $scratch/pid has that process watched (the
# peer runs under dbus-run-session).
figures() {
  local name=$1 seconds=$2 i t0 mapped launcher pid j
  shift 2
  for ((i = 0; i < runs; ++i)); do
    rm -f "$scratch/pid"
    t0=$EPOCHREALTIME
    "$@" >"$scratch/out" 2>&1 &
    launcher=$!
    pid=$launcher
    if [ "${1:-}" = dbus-run-session ]; then
      for ((j = 0; j < 100; ++j)); do
        [ -s "$scratch/pid" ] && break
        sleep 0.05
      done
      pid=$(cat "$scratch/pid" 2>/dev/null || echo "$launcher")
    fi
    watch "$pid" "$seconds"
    wait "$launcher" 2>/dev/null || true
    mapped=$(mappedSince "$t0")
    echo "$name $(cat "$scratch/watch") ${mapped:--}"
  done >>"$scratch/figures"
}

# column NAME FIELD: stats of one figure (2 hwm, 3 pss, 4 idle, 5 mapped).
column() {
  awk -v n="$1" -v f="$2" '$1 == n && $f != "-" { print $f }' "$scratch/figures" | stats
}

# One untimed start of each fills the file caches.
"$bare" --frames 1 >/dev/null 2>&1 || true
"$game" --first-frame >/dev/null 2>&1 || true
# The peer, its process id first.
peerRun=(dbus-run-session -- sh -c 'echo $$ >"$0"; exec "$1"' "$scratch/pid" "$peer")
[ -n "$peer" ] && figures warm 6 "${peerRun[@]}"
: >"$scratch/figures"

echo "a. start to the first frame, s:       game $(timed wall "$game" --first-frame)"
echo "                                      bare $(timed wall "$bare" --frames 1)"
# The game's log counts from its own start, before the first frame.
for ((i = 0; i < runs; ++i)); do
  "$game" --first-frame >/dev/null 2>&1 || true
  find "$XDG_DATA_HOME" -name log.txt -exec sed -n 's/.*first frame presented \([0-9]*\) ms.*/\1/p' {} + | tail -1
done | awk '{ print $1 / 1000 }' >"$scratch/logged"
echo "   the game's log, first frame, s:    game $(stats <"$scratch/logged")"
echo "b. start to the map, preloaded, s:    game $(timed wall "$game" --map)"
"$bench" --benchmark_filter=BM_GameScreenFrameFullBoard --benchmark_repetitions="$runs" \
  --benchmark_report_aggregates_only=true >"$scratch/bench" 2>/dev/null || true
echo "c. game-screen frame, full board:     $(awk '/_median/ { print $4, $5, "CPU,", $2, $3, "wall;", $7 }' "$scratch/bench")"
echo "d. peak resident, MB:                 game playing level 112 $(timed rss "$game" --play 112)"
echo "                                      bare for 5 s $(timed rss "$bare" --seconds 5)"
echo "e. CPU while idle, ms per second:     game $(idleCpu "$game" --idle 10)"
echo "                                      bare $(idleCpu "$bare" --seconds 10)"

figures map 60 "$game" --map 8
figures play 90 "$game" --play 112
figures bare 20 "$bare" --seconds 10
[ -n "$peer" ] && figures kmahjongg 15 "${peerRun[@]}"
echo "f. peak resident (VmHWM), MB:         game on the map $(column map 2)"
echo "                                      game playing level 112 $(column play 2)"
echo "                                      bare $(column bare 2)"
[ -n "$peer" ] && echo "                                      KMahjongg $(column kmahjongg 2)"
echo "g. largest PSS seen, MB:              game on the map $(column map 3)"
echo "                                      game playing level 112 $(column play 3)"
echo "                                      bare $(column bare 3)"
[ -n "$peer" ] && echo "                                      KMahjongg $(column kmahjongg 3)"
echo "h. start to the window mapped, ms:    game $(column map 5)"
echo "                                      bare $(column bare 5)"
[ -n "$peer" ] && echo "                                      KMahjongg $(column kmahjongg 5)"
[ -n "$peer" ] && echo "i. CPU while idle, ms per second:     KMahjongg, 5 s after start, over 10 s $(column kmahjongg 4)"
exit 0
