"""The two music loops, written as note lists: "menu" for the map and the
album, "game" under play. Each is rendered into a circular buffer (notes that
ring past the end continue at its start), the reverb runs over three copies
of which the middle one is kept, so the loop has no seam."""
import os
import subprocess
import tempfile
import wave

import numpy as np

from .audio import SR, bell, encode, fade, midi, note_hz, pluck, lowpass, highpass

# (bars, beats per minute, chords one per bar, melody "note:beats" with "r" for a rest)
MENU = dict(
    bpm=92,
    chords=['D3 A3 D4 F#4', 'B2 F#3 B3 D4', 'G2 D3 G3 B3', 'A2 E3 A3 C#4',
            'D3 A3 D4 F#4', 'F#2 C#3 F#3 A3', 'G2 D3 G3 B3', 'A2 E3 A3 C#4',
            'B2 F#3 B3 D4', 'G2 D3 G3 B3', 'D3 A3 D4 F#4', 'A2 E3 A3 C#4',
            'G2 D3 G3 B3', 'A2 E3 A3 C#4', 'D3 A3 D4 F#4', 'D3 A3 D4 E4'],
    melody='''
        A4:1 D5:1 E5:0.5 F#5:0.5 A5:1 | B5:1.5 A5:0.5 F#5:1 D5:1 | E5:1 D5:0.5 E5:0.5 F#5:1 E5:1 | E5:2 r:1 A4:1 |
        D5:1 F#5:1 A5:1 B5:0.5 A5:0.5 | F#5:1.5 E5:0.5 F#5:1 A5:1 | B5:1 A5:0.5 F#5:0.5 E5:1 D5:1 | E5:3 r:1 |
        F#5:1 B5:1 A5:1 F#5:1 | D6:1.5 B5:0.5 A5:2 | F#5:1 A5:0.5 B5:0.5 A5:1 F#5:1 | E5:2 A5:1 E5:1 |
        D5:1 E5:1 F#5:1 B5:1 | A5:1.5 F#5:0.5 E5:1 A4:1 | D5:1 E5:0.5 F#5:0.5 E5:1 D5:1 | D5:3 r:1''',
    arpeggio=True, shaker=True, lead_bright=0.85, quality=3, serial=5101)

GAME = dict(
    bpm=72,
    chords=['A2 E3 A3 C4', 'F2 C3 F3 A3', 'C3 G3 C4 E4', 'G2 D3 G3 B3',
            'A2 E3 A3 C4', 'E2 B2 E3 G3', 'F2 C3 F3 A3', 'G2 D3 G3 B3',
            'D3 A3 D4 F4', 'A2 E3 A3 C4', 'F2 C3 F3 A3', 'C3 G3 C4 E4',
            'D3 A3 D4 F4', 'G2 D3 G3 B3', 'A2 E3 A3 C4', 'A2 E3 A3 E4'],
    melody='''
        E5:1.5 D5:0.5 C5:1 A4:1 | C5:2 A4:1 G4:1 | E5:1 G5:1 E5:1 D5:1 | D5:3 r:1 |
        A5:1.5 G5:0.5 E5:1 D5:1 | E5:1 G5:1 E5:1 D5:1 | C5:1.5 D5:0.5 C5:1 A4:1 | G4:2 A4:1 r:1 |
        D5:1 E5:1 G5:1 A5:1 | C6:1.5 A5:0.5 G5:1 E5:1 | A5:1 G5:1 E5:1 D5:1 | E5:2 G5:1 E5:1 |
        D5:1.5 E5:0.5 D5:1 C5:1 | D5:2 G4:1 A4:1 | C5:1 D5:1 E5:1 D5:1 | A4:3 r:1''',
    arpeggio=False, shaker=False, lead_bright=0.7, quality=3, serial=5102)

TRACKS = {'menu': MENU, 'game': GAME}


def parse(melody):
    notes = []
    pos = 0.0
    for tok in melody.replace('|', ' ').split():
        name, beats = tok.split(':')
        beats = float(beats)
        if name != 'r':
            notes.append((pos, midi(name), beats))
        pos += beats
    return notes, pos


def render(track, seed=3):
    rng = np.random.default_rng(seed)
    beat = 60.0 / track['bpm']
    bars = len(track['chords'])
    notes, total_beats = parse(track['melody'])
    assert abs(total_beats - bars * 4) < 1e-6, (total_beats, bars * 4)
    n = int(round(bars * 4 * beat * SR))
    L = np.zeros(n)
    R = np.zeros(n)

    def add(x, at_beats, pan=0.5, gain=1.0):
        s = int(round(at_beats * beat * SR)) % n
        idx = (np.arange(len(x)) + s) % n
        np.add.at(L, idx, x * gain * (1 - pan) * 2 ** 0.5)
        np.add.at(R, idx, x * gain * pan * 2 ** 0.5)

    # pad: slow swells of the chord, detuned left and right
    for b, chord in enumerate(track['chords']):
        tones = [midi(t) for t in chord.split()]
        dur = 4 * beat + 1.2
        t = np.arange(int(dur * SR)) / SR
        env = np.clip(t / 0.8, 0, 1) * np.clip((dur - t) / 1.2, 0, 1) ** 1.5
        for m in tones[1:]:
            f = note_hz(m + 12)
            for det, pan in ((-0.003, 0.2), (0.003, 0.8)):
                v = (np.sin(2 * np.pi * f * (1 + det) * t) + 0.18 * np.sin(4 * np.pi * f * (1 + det) * t)) * env
                add(v, b * 4, pan, 0.035)
        # bass on beats one and three
        for k, at in enumerate((0, 2)):
            f = note_hz(tones[0])
            d = 2 * beat + 0.4
            tt = np.arange(int(d * SR)) / SR
            v = (np.sin(2 * np.pi * f * tt) + 0.3 * np.sin(4 * np.pi * f * tt)) * np.exp(-tt / 0.9)
            add(fade(v * np.clip(tt / 0.01, 0, 1), 0, 0.15), b * 4 + at, 0.5, 0.16 if k == 0 else 0.1)
        if track['arpeggio']:
            pattern = [1, 2, 3, 2, 1, 2, 3, 2]
            for k, idx in enumerate(pattern):
                m = tones[idx] + 12
                v = pluck(note_hz(m), 0.9, 0.6, 0.45)
                add(v, b * 4 + k * 0.5, 0.35 + 0.3 * (k % 2), 0.05)
        else:
            for k, idx in enumerate((1, 2, 3)):
                v = pluck(note_hz(tones[idx] + 12), 2.2, 0.5, 1.2)
                add(v, b * 4 + k * 1.333, 0.3 + 0.2 * k, 0.04)
    # lead: plucked melody with a soft octave echo now and then
    for k, (pos, m, beats) in enumerate(notes):
        d = beats * beat + 1.4
        v = pluck(note_hz(m), d, track['lead_bright'], 1.0 + 0.4 * min(beats, 2))
        add(v, pos, 0.45 + 0.1 * np.sin(pos * 0.7), 0.22)
        if beats >= 1.5 and k % 3 == 0:
            add(bell(note_hz(m + 12), 1.2, 0.35) * 0.6, pos + 0.5, 0.7, 0.04)
    if track['shaker']:
        for k in range(bars * 8):
            nn = int(0.06 * SR)
            x = highpass(rng.standard_normal(nn), 6000) * np.exp(-np.arange(nn) / SR / 0.018)
            add(fade(x, 0.001, 0.01), k * 0.5 + (0.06 if k % 2 else 0), 0.6, 0.025 if k % 2 else 0.04)
    st = np.stack([L, R], 1)
    return st / np.abs(st).max() * 0.7


def reverb_loop(st, room=40):
    """sox reverb over three copies; the middle one carries the tail of the previous pass"""
    n = len(st)
    with tempfile.TemporaryDirectory() as tmp:
        dry, wet = os.path.join(tmp, 'dry.wav'), os.path.join(tmp, 'wet.wav')
        x = np.concatenate([st, st, st])
        with wave.open(dry, 'wb') as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(SR)
            w.writeframes((np.clip(x, -1, 1) * 32767).round().astype('<i2').tobytes())
        # -D: no dither, whose noise would differ on every run
        subprocess.run(['sox', '-D', dry, wet, 'reverb', str(room), '50', '80', '100', '8'], check=True)
        with wave.open(wet) as w:
            a = np.frombuffer(w.readframes(w.getnframes()), '<i2').reshape(-1, 2).astype(np.float64) / 32767
    return a[n:2 * n]


def master(name):
    track = TRACKS[name]
    st = reverb_loop(render(track))
    return st / np.abs(st).max() * 0.75


def make():
    for name, track in TRACKS.items():
        encode(f'data/music/{name}.ogg', master(name), 2, track['quality'], track['serial'])
