#!/usr/bin/env bash
# Makes the short Ogg Vorbis files the sound tests play: plain tones, so
# that what the mixer and the decoder give can be checked by ear and by
# number. Needs sox and vorbis-tools (oggenc); the files are kept in the
# repository, so this only runs when they are to be made again.
set -euo pipefail
cd "$(dirname "$0")/.."
out=tests/fixtures/sounds
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A quarter second of 440 Hz at half scale, mono, 44,100 Hz.
sox -n -r 44100 -c 1 -b 16 "$tmp/tone.wav" synth 0.25 sine 440 vol 0.5
# A fifth of a second, stereo at 22,050 Hz: 330 Hz left, 660 Hz right.
sox -n -r 22050 -c 2 -b 16 "$tmp/stereo.wav" synth 0.2 sine 330 sine 660 vol 0.5
# A 0.4 s music loop, stereo at 44,100 Hz.
sox -n -r 44100 -c 2 -b 16 "$tmp/loop.wav" synth 0.4 sine 220 sine 550 vol 0.4

oggenc -Q -q 6 -o "$out/tone_440_mono.ogg" "$tmp/tone.wav"
oggenc -Q -q 6 -o "$out/tone_stereo_22k.ogg" "$tmp/stereo.wav"
oggenc -Q -q 6 -o "$out/music_loop.ogg" "$tmp/loop.wav"
