"""Sound effects, synthesised with numpy and encoded to Ogg Vorbis with
oggenc (fixed serial numbers, so a rebuild is identical). Impacts are modal:
a few damped inharmonic partials of a small hard block plus a short contact
noise; chimes are bell partials; every sound starts from silence and ends in
a fade, and peaks stay below full scale."""
import os
import subprocess
import tempfile
import wave

import numpy as np

from .common import target, WRITTEN

SR = 44100
PEAK = 0.79          # -2 dBFS, leaves room for the encoder's overshoot
SERIAL_BASE = 4100


def t_(dur):
    return np.arange(int(round(SR * dur))) / SR


def note_hz(m):
    return 440.0 * 2 ** ((m - 69) / 12)


NOTE_NAMES = {'C': 0, 'D': 2, 'E': 4, 'F': 5, 'G': 7, 'A': 9, 'B': 11}


def midi(name):
    """'C4', 'F#5', 'Bb3' -> MIDI number"""
    n = NOTE_NAMES[name[0]]
    i = 1
    while i < len(name) and name[i] in '#b':
        n += 1 if name[i] == '#' else -1
        i += 1
    return n + 12 * (int(name[i:]) + 1)


def lowpass(x, fc, order=2):
    """low-pass by a windowed-sinc FIR (linear phase, no state to start up)"""
    n = int(SR / fc * 2) | 1
    n = min(max(n, 15), 801)
    k = np.arange(n) - n // 2
    h = np.sinc(2 * fc / SR * k) * np.hamming(n)
    h /= h.sum()
    y = np.convolve(x, h, mode='same')
    return y if order <= 1 else lowpass(y, fc, order - 1)


def highpass(x, fc):
    return x - lowpass(x, fc, 1)


def bandpass(x, lo, hi):
    return highpass(lowpass(x, hi, 1), lo)


def env_ad(n, attack, decay):
    t = np.arange(n) / SR
    e = np.exp(-np.maximum(t - attack, 0) / decay)
    if attack > 0:
        e *= np.clip(t / attack, 0, 1)
    return e


def fade(y, start=0.002, end=0.02):
    y = np.array(y, dtype=np.float64)
    a, b = int(start * SR), int(end * SR)
    if a:
        y[:a] *= np.sin(np.linspace(0, np.pi / 2, a)) ** 2
    if b:
        y[-b:] *= np.cos(np.linspace(0, np.pi / 2, b)) ** 2
    return y


def place(buf, x, at):
    s = int(round(at * SR))
    if s >= len(buf):
        return
    n = min(len(x), len(buf) - s)
    buf[s:s + n] += x[:n]


def modal(freqs, amps, decays, dur):
    t = t_(dur)
    y = np.zeros_like(t)
    for f, a, d in zip(freqs, amps, decays):
        y += a * np.sin(2 * np.pi * f * t) * np.exp(-t / d)
    return y


def noise(rng, n):
    return rng.standard_normal(n)


def clack(rng, pitch=1.0, hard=1.0, dur=0.12, bounce=True):
    """two ivory-like blocks knocking"""
    base = np.array([1930, 3120, 4470, 5980, 7710]) * pitch * rng.uniform(0.97, 1.03)
    amps = np.array([1.0, 0.7, 0.45, 0.3, 0.18]) * rng.uniform(0.9, 1.1, 5)
    decs = np.array([0.028, 0.018, 0.012, 0.008, 0.006]) * (1.3 - 0.3 * hard)
    y = modal(base, amps, decs, dur)
    n = len(y)
    contact = bandpass(noise(rng, n), 1500, 9000) * env_ad(n, 0.0003, 0.0025) * 2.2 * hard
    body = modal([420 * pitch, 980 * pitch], [0.5, 0.25], [0.02, 0.012], dur)
    y = y + contact + body
    if bounce:
        k = int(rng.uniform(0.018, 0.026) * SR)
        y[k:] += 0.28 * y[:n - k]
    return fade(y, 0.0005, 0.02)


def bell(f, dur, decay=0.5, bright=1.0):
    t = t_(dur)
    y = np.zeros_like(t)
    for ratio, amp, dk in ((1, 1, 1), (2.0, 0.35, 0.7), (2.76, 0.3, 0.5), (5.4, 0.16 * bright, 0.3),
                           (8.93, 0.08 * bright, 0.18)):
        y += amp * np.sin(2 * np.pi * f * ratio * t) * np.exp(-t / (decay * dk))
    return fade(y * np.clip(t / 0.0015, 0, 1), 0.0, min(0.05, dur / 4))


def pluck(f, dur, bright=0.8, decay=0.9):
    t = t_(dur)
    y = np.zeros_like(t)
    for k, amp in enumerate((1, 0.55, 0.33, 0.22, 0.12, 0.08, 0.05), 1):
        fk = f * k * (1 + 0.0005 * k * k)
        if fk > SR / 2.3:
            break
        y += amp * bright ** (k - 1) * np.sin(2 * np.pi * fk * t) * np.exp(-t * (1.0 + 1.6 * k) / decay)
    return fade(y * np.clip(t / 0.002, 0, 1), 0.0, 0.04)


def sweep(rng, dur, f0, f1, width=0.5):
    """breathy noise whose band glides from f0 to f1"""
    n = int(dur * SR)
    x = noise(rng, n)
    out = np.zeros(n)
    seg = 1024
    for s in range(0, n, seg // 2):
        e = min(n, s + seg)
        t = s / max(1, n - 1)
        fc = f0 * (f1 / f0) ** t
        chunk = bandpass(x[s:e], fc * (1 - width / 2), fc * (1 + width / 2))
        w = np.hanning(e - s)
        out[s:e] += chunk * w
    env = np.sin(np.linspace(0, np.pi, n)) ** 1.5
    return fade(out * env, 0.004, 0.03)


def brass(f, dur, attack=0.03, tau=0.6):
    t = t_(dur)
    vib = 1 + 0.004 * np.sin(2 * np.pi * 5.2 * t) * np.clip((t - 0.15) / 0.2, 0, 1)
    ph = 2 * np.pi * f * np.cumsum(vib) / SR
    bright = np.clip(t / 0.08, 0.3, 1.0)
    y = np.zeros_like(t)
    for k in range(1, 10):
        y += (1 / k) * bright ** (k * 0.5) * np.sin(k * ph)
    return fade(y * env_ad(len(t), attack, tau), 0.0, 0.08)


# ------------------------------------------------------------------ the effects

def s_click(rng):
    y = np.zeros(int(0.07 * SR))
    place(y, clack(rng, pitch=1.35, hard=0.7, dur=0.06, bounce=False) * 0.8, 0)
    place(y, modal([900], [0.35], [0.012], 0.05), 0)
    return y


def s_click_inactive(rng):
    y = modal([210, 380], [1.0, 0.4], [0.03, 0.018], 0.12)
    n = len(y)
    y += lowpass(noise(rng, n), 900) * env_ad(n, 0.0005, 0.006) * 1.2
    return fade(y, 0.0005, 0.03)


def s_tile_place(rng):
    return clack(rng, pitch=0.9, hard=0.55, dur=0.09) * 0.7


def s_select(rng):
    return clack(rng, pitch=1.05, hard=1.0, dur=0.16)


def s_locked(rng):
    y = np.zeros(int(0.32 * SR))
    place(y, clack(rng, pitch=0.7, hard=0.5, dur=0.1, bounce=False) * 0.7, 0)
    t = t_(0.18)
    f = 330 * (1 - 0.25 * t / 0.18)
    tone = np.sin(2 * np.pi * np.cumsum(f) / SR) * env_ad(len(t), 0.005, 0.06) * 0.35
    place(y, fade(tone, 0.002, 0.04), 0.07)
    return y


def s_remove_start(rng):
    y = np.zeros(int(0.6 * SR))
    place(y, sweep(rng, 0.45, 500, 3200, 0.8) * 1.6, 0)
    place(y, bell(note_hz(midi('E6')), 0.5, 0.25) * 0.25, 0.05)
    return y


def s_remove_stack(rng):
    y = np.zeros(int(0.9 * SR))
    for k, m in enumerate(('B5', 'E6', 'G#6')):
        place(y, bell(note_hz(midi(m)), 0.7, 0.3) * (0.5 - 0.1 * k), k * 0.06)
    return y


def s_remove_place(rng):
    y = np.zeros(int(0.35 * SR))
    place(y, clack(rng, pitch=0.8, hard=0.8, dur=0.14) * 0.8, 0)
    place(y, bell(note_hz(midi('B6')), 0.3, 0.12) * 0.12, 0.01)
    return y


def s_gold_start(rng):
    y = np.zeros(int(0.9 * SR))
    place(y, sweep(rng, 0.5, 700, 4200, 0.7) * 1.4, 0)
    for k, m in enumerate(('G5', 'D6', 'G6')):
        place(y, bell(note_hz(midi(m)), 0.7, 0.35, 1.3) * 0.3, 0.04 + k * 0.07)
    return y


def s_gold_stack(rng):
    y = np.zeros(int(1.2 * SR))
    for k, m in enumerate(('G5', 'B5', 'D6', 'G6', 'B6')):
        place(y, bell(note_hz(midi(m)), 0.9, 0.4, 1.4) * 0.32, k * 0.055)
    for _ in range(10):
        place(y, bell(rng.uniform(3500, 6500), 0.2, 0.05) * 0.08, rng.uniform(0.05, 0.5))
    return y


def s_gold_place(rng):
    y = np.zeros(int(0.9 * SR))
    place(y, clack(rng, pitch=0.8, hard=0.8, dur=0.14) * 0.7, 0)
    for k in range(6):
        f = rng.uniform(2800, 5200)
        place(y, modal([f, f * 1.51], [1, 0.5], [0.09, 0.05], 0.3) * 0.18, 0.02 + k * 0.045)
    return y


def s_bear_free(rng):
    y = np.zeros(int(0.9 * SR))
    for k, m in enumerate(('C5', 'E5', 'G5', 'C6')):
        place(y, pluck(note_hz(midi(m)), 0.5, 0.7, 0.5) * 0.45, k * 0.07)
    t = t_(0.35)
    f = 240 + 520 * (t / 0.35) ** 1.5
    boing = np.sin(2 * np.pi * np.cumsum(f) / SR) * env_ad(len(t), 0.004, 0.12) * 0.3
    place(y, fade(boing, 0.002, 0.05), 0.02)
    return y


def s_hint(rng):
    y = np.zeros(int(1.1 * SR))
    for k, m in enumerate(('E6', 'G#6', 'B6', 'E7', 'G#7')):
        place(y, bell(note_hz(midi(m)), 0.6, 0.22) * 0.28, k * 0.05)
    place(y, sweep(rng, 0.5, 2500, 6000, 0.5) * 0.5, 0.0)
    return y


def s_undo(rng):
    y = np.zeros(int(0.7 * SR))
    place(y, sweep(rng, 0.45, 3000, 500, 0.8) * 1.5, 0)
    for k, m in enumerate(('B5', 'G5', 'E5')):
        place(y, pluck(note_hz(midi(m)), 0.35, 0.7, 0.4) * 0.3, 0.1 + k * 0.07)
    return y


def s_reshuffle(rng):
    y = np.zeros(int(1.0 * SR))
    for k in range(22):
        at = 0.02 + 0.8 * (k / 22) + rng.uniform(-0.015, 0.015)
        place(y, clack(rng, pitch=rng.uniform(0.8, 1.2), hard=rng.uniform(0.3, 0.7), dur=0.07, bounce=False)
              * rng.uniform(0.25, 0.5), at)
    place(y, sweep(rng, 0.9, 600, 1800, 1.0) * 0.5, 0)
    return y


def s_no_moves(rng):
    y = np.zeros(int(1.4 * SR))
    for k, (m, d) in enumerate((('A4', 0.7), ('F4', 0.7), ('D4', 1.0))):
        t = t_(d)
        f = note_hz(midi(m)) * (1 - 0.012 * t / d)
        ph = 2 * np.pi * np.cumsum(f) / SR
        tone = np.sin(ph) + 0.22 * np.sin(3 * ph) + 0.08 * np.sin(5 * ph)
        tone = fade(tone * env_ad(len(t), 0.012, 0.28 if k < 2 else 0.45), 0.0, 0.09)
        place(y, tone * 0.5, k * 0.22)
    return y


def s_win(rng):
    y = np.zeros(int(2.9 * SR))
    for at, m, d in ((0.0, 'C5', 0.22), (0.15, 'E5', 0.22), (0.3, 'G5', 0.22), (0.45, 'C6', 0.55)):
        place(y, brass(note_hz(midi(m)), d + 0.3, tau=0.28) * 0.5, at)
    for m in ('C4', 'E4', 'G4', 'C5', 'E5'):
        place(y, brass(note_hz(midi(m)), 1.9, attack=0.05, tau=0.9) * 0.22, 0.9)
    for k, m in enumerate(('C7', 'E7', 'G7', 'C8')):
        place(y, bell(note_hz(midi(m)), 1.3, 0.3) * 0.16, 0.9 + k * 0.07)
    return y


def s_star(rng):
    y = np.zeros(int(0.9 * SR))
    place(y, bell(note_hz(midi('E6')), 0.8, 0.35) * 0.45, 0)
    place(y, bell(note_hz(midi('B6')), 0.7, 0.3) * 0.3, 0.04)
    return y


def s_coins(rng):
    y = np.zeros(int(0.9 * SR))
    for k in range(9):
        f = rng.uniform(2600, 5200)
        place(y, modal([f, f * 1.48, f * 2.13], [1, 0.5, 0.25], [0.1, 0.06, 0.04], 0.35) * 0.25,
              0.02 + k * 0.06 + rng.uniform(-0.01, 0.01))
    return y


def s_page_flip(rng):
    n = int(0.45 * SR)
    x = noise(rng, n)
    y = bandpass(x, 600, 5000) * env_ad(n, 0.06, 0.09)
    flutter = 1 + 0.5 * np.sin(2 * np.pi * 28 * t_(0.45)[:n])
    y *= flutter
    return fade(y * 0.6, 0.003, 0.06)


def s_part_place(rng):
    y = np.zeros(int(0.7 * SR))
    place(y, clack(rng, pitch=0.75, hard=0.6, dur=0.12) * 0.6, 0)
    place(y, bell(note_hz(midi('A6')), 0.5, 0.25) * 0.25, 0.03)
    return y


def s_artifact_complete(rng):
    y = np.zeros(int(1.8 * SR))
    for k, m in enumerate(('D5', 'F#5', 'A5', 'D6', 'F#6', 'A6')):
        place(y, pluck(note_hz(midi(m)), 1.2, 0.8, 0.9) * 0.35, k * 0.08)
    for k, m in enumerate(('D7', 'A7')):
        place(y, bell(note_hz(midi(m)), 1.0, 0.3) * 0.12, 0.5 + k * 0.1)
    return y


def s_place_complete(rng):
    y = np.zeros(int(3.0 * SR))
    seq = (('G4', 0.0), ('C5', 0.14), ('E5', 0.28), ('G5', 0.42), ('C6', 0.6))
    for m, at in seq:
        place(y, brass(note_hz(midi(m)), 0.5, tau=0.3) * 0.4, at)
    for m in ('C4', 'G4', 'C5', 'E5', 'G5'):
        place(y, brass(note_hz(midi(m)), 2.0, attack=0.06, tau=1.0) * 0.18, 0.9)
    for k in range(12):
        place(y, bell(rng.uniform(2500, 5500), 0.4, 0.1) * 0.08, 0.9 + rng.uniform(0, 1.2))
    return y


def s_popup(rng):
    y = np.zeros(int(0.35 * SR))
    place(y, sweep(rng, 0.22, 400, 1600, 0.8) * 0.9, 0)
    place(y, pluck(note_hz(midi('G5')), 0.25, 0.6, 0.3) * 0.3, 0.08)
    return y


EFFECTS = {
    'click': s_click, 'click_inactive': s_click_inactive, 'tile_place': s_tile_place, 'select': s_select,
    'locked': s_locked, 'remove_start': s_remove_start, 'remove_stack': s_remove_stack,
    'remove_place': s_remove_place, 'gold_start': s_gold_start, 'gold_stack': s_gold_stack,
    'gold_place': s_gold_place, 'bear_free': s_bear_free, 'hint': s_hint, 'undo': s_undo,
    'reshuffle': s_reshuffle, 'no_moves': s_no_moves, 'win': s_win, 'star': s_star, 'coins': s_coins,
    'page_flip': s_page_flip, 'part_place': s_part_place, 'artifact_complete': s_artifact_complete,
    'place_complete': s_place_complete, 'popup': s_popup,
}

# the effect files the game plays, each a single sound
SOUND_EFFECT_FILES = {
    'click.xml': 'click', 'click_inact.xml': 'click_inactive', 'tile_place_sound.xml': 'tile_place',
    'select_sound.xml': 'select', 'locked_sound.xml': 'locked', 'remove_start_sound.xml': 'remove_start',
    'remove_above_stack_sound.xml': 'remove_stack', 'remove_place_sound.xml': 'remove_place',
    'remove_gold_start_sound.xml': 'gold_start', 'remove_gold_above_stack_sound.xml': 'gold_stack',
    'remove_gold_place_sound.xml': 'gold_place', 'no_turns_sound.xml': 'no_moves', 'hint_sound.xml': 'hint',
    'undo_sound.xml': 'undo', 'reshuffle_sound.xml': 'reshuffle', 'album_flip_sound.xml': 'page_flip',
    'album_artifact_part_place_sound.xml': 'part_place',
}


# ------------------------------------------------------------------ files

def normalise(x, peak=PEAK):
    m = np.abs(x).max()
    return x / m * peak if m > 0 else x


def pcm16(x):
    return (np.clip(x, -1, 1) * 32767).round().astype('<i2')


def write_wav(path, x, channels=1):
    x = np.asarray(x, dtype=np.float64)
    if channels == 2 and x.ndim == 1:
        x = np.stack([x, x], 1)
    with wave.open(path, 'wb') as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(SR)
        w.writeframes(pcm16(x).tobytes())


def encode(rel, x, channels=1, quality=4, serial=1):
    """write x (float, already at its final level) as Ogg Vorbis at rel"""
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, 'in.wav')
        write_wav(wav, x, channels)
        out = target(rel)
        subprocess.run(['oggenc', '-Q', '-q', str(quality), '--serial', str(serial), '-o', out, wav], check=True)
    WRITTEN.append(rel)
    return out


def effect_xml(sound):
    return f'<effect>\n  <sound filename="data/sounds/{sound}.ogg"/>\n</effect>\n'


def render(name, seed):
    rng = np.random.default_rng(seed)
    x = normalise(fade(EFFECTS[name](rng), 0.0003, 0.015))
    # a few milliseconds of silence first: the codec smears a sharp attack a
    # little backwards, and the decoded sound must still start from silence
    return np.concatenate([np.zeros(int(0.006 * SR)), x])


def make(names=None):
    from .common import write_text
    for k, name in enumerate(sorted(EFFECTS)):
        if names is not None and name not in names:
            continue
        x = render(name, 700 + k)
        encode(f'data/sounds/{name}.ogg', x, 1, 4, SERIAL_BASE + k)
    if names is None:
        for fname, sound in sorted(SOUND_EFFECT_FILES.items()):
            write_text(f'data/effects/{fname}', effect_xml(sound))


def stats(x):
    """peak, RMS, the first and last sample and the largest step between samples"""
    x = np.asarray(x, dtype=np.float64)
    mono = x if x.ndim == 1 else x.mean(1)
    return dict(peak=float(np.abs(x).max()), rms=float(np.sqrt((mono ** 2).mean())),
                first=float(np.abs(x[:1]).max()), last=float(np.abs(x[-1:]).max()),
                step=float(np.abs(np.diff(mono)).max()), seconds=len(x) / SR)
