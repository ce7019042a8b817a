#!/usr/bin/env python3
"""Synthesises the game's six sound effects into data/music/wav/.

Every sample is made here from oscillators, noise and filters, so the sounds can be rebuilt
(and changed) from this file alone. Each effect has its own fixed seed, so two runs write
byte-identical files.  Run: python3 tools/make_effects.py
"""

import math
import random
import struct
import wave
from pathlib import Path

RATE = 44100
TWO_PI = 2.0 * math.pi
OUT_DIR = Path(__file__).resolve().parent.parent / "data" / "music" / "wav"

# Every effect is brought to the same loudness (measured on its loudest stretch, so a short
# strike and a long fanfare sound equally strong), then held below the peak ceiling.
TARGET_LOUDNESS_DB = -16.0
LOUDNESS_WINDOW_SECONDS = 0.4
PEAK_CEILING_DB = -1.5

# Filters recompute their coefficients this often while sweeping: often enough that a sweep
# sounds smooth, rarely enough to keep the generator quick.
FILTER_BLOCK = 16


# ---------------------------------------------------------------------------------------------
# Time, pitch and plain signal arithmetic


def samples(seconds):
    return int(round(seconds * RATE))


def note_hz(name):
    """Frequency of a note written like 'C5', 'F#3' or 'Bb4' (A4 = 440 Hz)."""
    steps = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    semitone = steps[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        semitone += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    octave = int(rest)
    return 440.0 * 2.0 ** ((semitone + 12 * (octave - 4)) / 12.0)


def cents(ratio_cents):
    return 2.0 ** (ratio_cents / 1200.0)


def constant(value, n):
    return [value] * n


def glide(start, end, n):
    """Exponential slide, so a pitch sweep moves evenly in musical terms."""
    if n <= 1:
        return [start] * n
    ratio = end / start
    return [start * ratio ** (i / (n - 1)) for i in range(n)]


def multiply(a, b):
    return [x * y for x, y in zip(a, b)]


def scale(signal, gain):
    return [x * gain for x in signal]


def mix_into(dest, src, at_seconds=0.0, gain=1.0):
    """Adds src into dest starting at at_seconds, growing dest when src runs past its end."""
    start = samples(at_seconds)
    end = start + len(src)
    if end > len(dest):
        dest.extend([0.0] * (end - len(dest)))
    for i, x in enumerate(src):
        dest[start + i] += x * gain
    return dest


# ---------------------------------------------------------------------------------------------
# Oscillators (frequencies are per-sample lists so every pitch can bend)


def sine(freqs, phase=0.0):
    out = []
    for f in freqs:
        out.append(math.sin(TWO_PI * phase))
        phase += f / RATE
        phase -= math.floor(phase)
    return out


def _blep(t, dt):
    """Polynomial correction that takes the alias-making corner off a saw's jump."""
    if t < dt:
        t /= dt
        return t + t - t * t - 1.0
    if t > 1.0 - dt:
        t = (t - 1.0) / dt
        return t * t + t + t + 1.0
    return 0.0


def saw(freqs, phase=0.0):
    """Band-limited sawtooth: the bright, every-harmonic source for brass and voices."""
    out = []
    for f in freqs:
        dt = f / RATE
        out.append(2.0 * phase - 1.0 - _blep(phase, dt))
        phase += dt
        phase -= math.floor(phase)
    return out


def with_vibrato(freqs, rate_hz, depth_cents, delay_seconds=0.0, phase=0.0):
    """Wobbles a pitch line; the wobble fades in after delay_seconds, as a player's does."""
    out = []
    ramp = max(1, samples(0.25))
    start = samples(delay_seconds)
    for i, f in enumerate(freqs):
        amount = 0.0 if i < start else min(1.0, (i - start) / ramp)
        wobble = math.sin(TWO_PI * (phase + rate_hz * i / RATE))
        out.append(f * cents(depth_cents * amount * wobble))
    return out


# ---------------------------------------------------------------------------------------------
# Noise


def white_noise(n, rng):
    return [rng.uniform(-1.0, 1.0) for _ in range(n)]


def wander(n, rate_hz, rng, low=0.0, high=1.0):
    """A slow random line between low and high: flicker for flames, unsteadiness for voices."""
    step = max(1, int(RATE / rate_hz))
    knots = [rng.uniform(low, high) for _ in range(n // step + 2)]
    out = []
    for i in range(n):
        k, frac = divmod(i, step)
        frac /= step
        smooth = 0.5 - 0.5 * math.cos(math.pi * frac)
        out.append(knots[k] + (knots[k + 1] - knots[k]) * smooth)
    return out


# ---------------------------------------------------------------------------------------------
# Envelopes


def breakpoints(points, n):
    """Straight-line envelope through (seconds, level) points, holding the last level."""
    out = []
    idx = 0
    for i in range(n):
        t = i / RATE
        while idx + 1 < len(points) and points[idx + 1][0] <= t:
            idx += 1
        t0, v0 = points[idx]
        if idx + 1 < len(points):
            t1, v1 = points[idx + 1]
            frac = 0.0 if t1 <= t0 else (t - t0) / (t1 - t0)
            out.append(v0 + (v1 - v0) * max(0.0, min(1.0, frac)))
        else:
            out.append(v0)
    return out


def decay(n, seconds_to_tenth, attack_seconds=0.002):
    """Struck-object envelope: a tiny attack (no click), then exponential fall."""
    attack = max(1, samples(attack_seconds))
    rate = math.log(10.0) / (seconds_to_tenth * RATE)
    return [min(1.0, i / attack) * math.exp(-rate * i) for i in range(n)]


def note_envelope(hold_seconds, attack, decay_seconds, sustain, release):
    """Attack, fall to sustain while the note is held, then release after it."""
    points = [
        (0.0, 0.0),
        (attack, 1.0),
        (attack + decay_seconds, sustain),
        (max(hold_seconds, attack + decay_seconds), sustain),
        (max(hold_seconds, attack + decay_seconds) + release, 0.0),
    ]
    return breakpoints(points, samples(points[-1][0]))


def swell(n, peak_at=0.5, power=1.5):
    """Smooth rise and fall with its top at peak_at (0..1 of the length)."""
    out = []
    for i in range(n):
        x = i / max(1, n - 1)
        if x <= peak_at:
            y = 0.5 - 0.5 * math.cos(math.pi * x / peak_at)
        else:
            y = 0.5 + 0.5 * math.cos(math.pi * (x - peak_at) / (1.0 - peak_at))
        out.append(y ** power)
    return out


def fade_edges(signal, fade_in_seconds=0.003, fade_out_seconds=0.03):
    """Short raised-cosine fades so no file starts or stops on a click."""
    out = list(signal)
    for length, forward in ((samples(fade_in_seconds), True), (samples(fade_out_seconds), False)):
        length = min(length, len(out))
        for i in range(length):
            gain = 0.5 - 0.5 * math.cos(math.pi * i / length)
            out[i if forward else len(out) - 1 - i] *= gain
    return out


# ---------------------------------------------------------------------------------------------
# Filters


def _biquad_coefficients(kind, cutoff, q):
    cutoff = max(20.0, min(cutoff, 0.45 * RATE))
    w0 = TWO_PI * cutoff / RATE
    cos_w0 = math.cos(w0)
    alpha = math.sin(w0) / (2.0 * q)
    if kind == "lowpass":
        b0, b1, b2 = (1 - cos_w0) / 2, 1 - cos_w0, (1 - cos_w0) / 2
    elif kind == "highpass":
        b0, b1, b2 = (1 + cos_w0) / 2, -(1 + cos_w0), (1 + cos_w0) / 2
    elif kind == "bandpass":
        b0, b1, b2 = alpha, 0.0, -alpha
    else:
        raise ValueError(kind)
    a0 = 1 + alpha
    return b0 / a0, b1 / a0, b2 / a0, -2 * cos_w0 / a0, (1 - alpha) / a0


def biquad(signal, kind, cutoff, q=0.707):
    """Two-pole filter; cutoff is Hz, or a function of seconds for a sweep."""
    sweeping = callable(cutoff)
    coeffs = _biquad_coefficients(kind, cutoff(0.0) if sweeping else cutoff, q)
    z1 = z2 = 0.0
    out = []
    for i, x in enumerate(signal):
        if sweeping and i % FILTER_BLOCK == 0:
            coeffs = _biquad_coefficients(kind, cutoff(i / RATE), q)
        b0, b1, b2, a1, a2 = coeffs
        y = b0 * x + z1
        z1 = b1 * x - a1 * y + z2
        z2 = b2 * x - a2 * y
        out.append(y)
    return out


def swept_lowpass(signal, cutoffs, q=0.9):
    """Lowpass following a per-sample cutoff list (a brass note brightens as it swells)."""
    return biquad(signal, "lowpass", lambda t: cutoffs[min(len(cutoffs) - 1, samples(t))], q)


def formants(signal, bands):
    """Parallel resonances (centre Hz, bandwidth Hz, gain): what turns a buzz into a vowel."""
    out = [0.0] * len(signal)
    for centre, width, gain in bands:
        for i, y in enumerate(biquad(signal, "bandpass", centre, centre / width)):
            out[i] += y * gain
    return out


def room(signal, tail_seconds, wet, size=1.0):
    """Small Schroeder reverb (parallel combs, then allpasses) to put a sound in a space."""
    comb_ms = [29.7, 37.1, 41.1, 43.7]
    n = len(signal) + samples(tail_seconds)
    dry = signal + [0.0] * (n - len(signal))
    wet_sum = [0.0] * n
    for ms in comb_ms:
        delay = samples(ms * size / 1000.0)
        # Feedback chosen so each comb dies away by 60 dB over the tail.
        feedback = 10.0 ** (-3.0 * delay / (RATE * tail_seconds))
        buf = [0.0] * delay
        pos = 0
        damp_state = 0.0
        for i in range(n):
            echoed = buf[pos]
            damp_state = 0.6 * echoed + 0.4 * damp_state  # highs die first, as in a real hall
            buf[pos] = dry[i] + damp_state * feedback
            wet_sum[i] += echoed
            pos = (pos + 1) % delay
    for ms, gain in ((5.0, 0.7), (1.7, 0.7)):
        delay = samples(ms / 1000.0)
        buf = [0.0] * delay
        pos = 0
        for i in range(n):
            delayed = buf[pos]
            y = -gain * wet_sum[i] + delayed
            buf[pos] = wet_sum[i] + gain * y
            wet_sum[i] = y
            pos = (pos + 1) % delay
    wet_gain = wet / len(comb_ms)
    return [d * (1.0 - wet) + w * wet_gain for d, w in zip(dry, wet_sum)]


# ---------------------------------------------------------------------------------------------
# Instruments shared by the effects


def bell(freq, seconds, partials, rng):
    """Struck tone from (ratio, level, seconds-to-tenth) partials, each starting at a random
    phase so that stacked strikes do not line up into a click."""
    n = samples(seconds)
    out = [0.0] * n
    for ratio, level, ring in partials:
        tone = sine(constant(freq * ratio, n), rng.random())
        mix_into(out, multiply(tone, decay(n, ring)), 0.0, level)
    # The strike is cut to a useful length; a fade keeps the cut from ticking.
    return fade_edges(out, 0.0, min(0.1, seconds / 3))


def brass(freq, hold_seconds, rng, level=1.0):
    """A brass note: two slightly detuned saws whose lowpass opens with the breath, a lip
    'blat' that starts a little flat, and vibrato that only comes in on long notes."""
    env = note_envelope(hold_seconds, 0.03, 0.12, 0.78, 0.09)
    n = len(env)
    pitch = [freq * cents(-35.0 * math.exp(-i / samples(0.025))) for i in range(n)]
    pitch = with_vibrato(pitch, 5.2, 9.0, delay_seconds=0.3, phase=rng.random())
    tone = [0.0] * n
    for detune in (-4.0, 4.0):
        mix_into(tone, saw([f * cents(detune) for f in pitch], rng.random()), 0.0, 0.5)
    cutoffs = [min(9000.0, freq * (1.2 + 7.0 * e * e)) for e in env]
    return scale(multiply(swept_lowpass(tone, cutoffs), env), level)


def mournful_voice(freq, hold_seconds, rng, level=1.0, droop_cents=0.0):
    """A soft reed-like tone for the lament: slow breath in, darker filter, a slight sag."""
    env = note_envelope(hold_seconds, 0.15, 0.2, 0.8, 0.45)
    n = len(env)
    pitch = [freq * cents(droop_cents * (i / n) ** 2) for i in range(n)]
    pitch = with_vibrato(pitch, 4.6, 12.0, delay_seconds=0.2, phase=rng.random())
    tone = saw(pitch, rng.random())
    cutoffs = [freq * (1.0 + 2.5 * e) for e in env]
    return scale(multiply(swept_lowpass(tone, cutoffs, q=0.8), env), level)


def timpani(freq, seconds, rng, level=1.0):
    """Low drum: a sine that drops a little in pitch as the skin settles, plus a soft thud."""
    n = samples(seconds)
    pitch = [freq * (1.0 + 0.25 * math.exp(-i / samples(0.03))) for i in range(n)]
    body = multiply(sine(pitch), decay(n, 0.6, 0.004))
    thud = biquad(white_noise(n, rng), "lowpass", 400.0)
    body = mix_into(body, multiply(thud, decay(n, 0.05)), 0.0, 0.5)
    return scale(fade_edges(body, 0.0, min(0.1, seconds / 3)), level)


# ---------------------------------------------------------------------------------------------
# The effects


def make_attack(rng):
    """Blade cutting the air (noise through a rising band), then steel meeting steel."""
    hit_at = 0.24
    swish_n = samples(hit_at + 0.04)
    band = lambda t: 450.0 * (6500.0 / 450.0) ** min(1.0, t / hit_at)
    swish = biquad(white_noise(swish_n, rng), "bandpass", band, q=2.2)
    # The blade is loudest just before it lands, then cut short by the impact.
    swish_env = breakpoints([(0.0, 0.0), (hit_at * 0.75, 0.55), (hit_at, 1.0), (hit_at + 0.04, 0.0)],
                            swish_n)
    out = multiply(swish, swish_env)

    # Inharmonic partials, as a plate or blade rings; the high ones die first.
    ring_partials = [(1.0, 0.9, 0.55), (2.41, 0.7, 0.42), (3.93, 0.55, 0.33),
                     (5.37, 0.45, 0.25), (6.88, 0.35, 0.18), (9.12, 0.25, 0.12)]
    ring = bell(720.0, 0.9, ring_partials, rng)
    # A twin a few hertz off gives the shimmering beat of real metal.
    beat = bell(723.5, 0.9, ring_partials, rng)
    mix_into(out, ring, hit_at, 0.32)
    mix_into(out, beat, hit_at, 0.22)

    click_n = samples(0.03)
    click = biquad(white_noise(click_n, rng), "highpass", 2500.0)
    mix_into(out, multiply(click, decay(click_n, 0.008, 0.0005)), hit_at, 1.1)
    return room(out, 0.4, 0.18, size=0.7)


def make_fire(rng):
    """A rush of flame (swelling noise whose brightness rises and falls) full of crackles."""
    length = 1.35
    n = samples(length)
    whoosh_band = lambda t: 350.0 + 2600.0 * math.sin(math.pi * min(1.0, t / 1.1)) ** 1.5
    whoosh = biquad(white_noise(n, rng), "lowpass", whoosh_band, q=1.4)
    flicker = wander(n, 14.0, rng, 0.55, 1.0)
    body_env = breakpoints([(0.0, 0.0), (0.18, 1.0), (0.55, 0.85), (length, 0.0)], n)
    out = multiply(multiply(whoosh, flicker), body_env)

    roar = biquad(biquad(white_noise(n, rng), "lowpass", 160.0), "lowpass", 160.0)
    mix_into(out, multiply(roar, body_env), 0.0, 3.0)

    # Crackles: sparse bright pops, thickest while the flame is biggest.
    t = 0.03
    while t < length - 0.08:
        pop_n = samples(rng.uniform(0.002, 0.012))
        pop = biquad(white_noise(pop_n, rng), "highpass", rng.uniform(1800.0, 4500.0))
        pop = biquad(pop, "lowpass", 11000.0)  # a spark, not a digital tick
        loud = rng.uniform(0.2, 1.0) ** 2
        mix_into(out, multiply(pop, decay(pop_n, pop_n / RATE / 3, 0.0003)), t,
                 1.6 * loud * body_env[samples(t)])
        t += rng.expovariate(38.0)
    return room(out, 0.3, 0.12, size=0.6)


def make_heal(rng):
    """Bright chimes climbing a major arpeggio, over a rising glassy sweep and sparkles."""
    arpeggio = ["G5", "C6", "E6", "G6", "C7", "E7", "G7", "C8"]
    out = []
    chime_partials = [(1.0, 1.0, 0.4), (2.0, 0.3, 0.2), (3.0, 0.12, 0.1)]
    for i, name in enumerate(arpeggio):
        chime = bell(note_hz(name), 0.55, chime_partials, rng)
        # Each chime a little stronger than the last, so the ear follows the climb.
        mix_into(out, chime, 0.06 + i * 0.085, 0.28 + 0.015 * i)

    # Soft sine sweep rising under the chimes, with a quick tremolo that makes it glitter.
    sweep_n = samples(1.05)
    sweep = sine(with_vibrato(glide(900.0, 4800.0, sweep_n), 7.0, 15.0))
    tremolo = [0.75 + 0.25 * math.sin(TWO_PI * 11.0 * i / RATE) for i in range(sweep_n)]
    mix_into(out, multiply(multiply(sweep, tremolo), swell(sweep_n, 0.55)), 0.0, 0.2)

    # Sparkles: tiny high pings whose pitch rises with time, so the glitter climbs too.
    for _ in range(40):
        t = rng.uniform(0.05, 1.0)
        freq = rng.uniform(3000.0, 5000.0) * (1.0 + 1.2 * t)
        ping_n = samples(0.08)
        ping = multiply(sine(constant(freq, ping_n), rng.random()), decay(ping_n, 0.03))
        mix_into(out, ping, t, rng.uniform(0.03, 0.09))
    return room(out, 0.45, 0.3)


# Formants of a sung "aah": centre, bandwidth, gain.
AAH = [(800.0, 80.0, 1.0), (1150.0, 90.0, 0.5), (2900.0, 120.0, 0.025),
       (3900.0, 130.0, 0.1), (4950.0, 140.0, 0.003)]


def make_angelcry(rng):
    """A small choir singing "aah" on a bright major chord, swelling in and fading away."""
    length = 1.3
    n = samples(length)
    chord = ["E4", "A4", "C#5", "E5", "A5"]
    voices = [0.0] * n
    for name in chord:
        for detune in (-9.0, 0.0, 8.0):  # several singers on each note, never quite together
            unsteady = wander(n, 3.0, rng, -6.0, 6.0)
            base = [note_hz(name) * cents(detune + u) for u in unsteady]
            # The cry lifts slightly into the note, as singers do.
            base = [f * cents(-30.0 * math.exp(-i / samples(0.12))) for i, f in enumerate(base)]
            pitch = with_vibrato(base, rng.uniform(4.8, 5.8), 14.0, 0.15, rng.random())
            mix_into(voices, saw(pitch, rng.random()), 0.0, 1.0)
    breath = biquad(white_noise(n, rng), "highpass", 3000.0)
    mix_into(voices, breath, 0.0, 0.25)
    sung = multiply(formants(voices, AAH), swell(n, 0.45, 1.3))
    return room(sung, 0.2, 0.3)


def make_victory(rng):
    """Fanfare: a rising triplet call to the top C, a quick run back up, and a held C major
    chord over a timpani stroke."""
    melody = [  # start, hold, note, harmony a third or sixth below
        (0.00, 0.10, "C5", "G4"), (0.13, 0.10, "E5", "C5"), (0.26, 0.10, "G5", "E5"),
        (0.40, 0.42, "C6", "G5"),
        (0.88, 0.10, "G5", "E5"), (1.01, 0.10, "A5", "F5"), (1.14, 0.10, "B5", "G5"),
        (1.28, 1.60, "C6", "E5"),
    ]
    out = []
    for start, hold, top, under in melody:
        mix_into(out, brass(note_hz(top), hold, rng), start, 0.55)
        mix_into(out, brass(note_hz(under), hold, rng), start, 0.4)
    for name in ("C4", "G4", "C5"):  # low brass fill the final chord
        mix_into(out, brass(note_hz(name), 1.55, rng), 1.33, 0.28)
    mix_into(out, timpani(note_hz("G2"), 0.5, rng), 0.40, 0.6)
    mix_into(out, timpani(note_hz("C2"), 1.5, rng), 1.28, 0.8)
    return room(out, 1.0, 0.22)


def make_gameover(rng):
    """Lament in A minor: the tune falls E D C B to a sagging A over Am, F, E and low Am."""
    melody = [(0.00, 0.65, "E5"), (0.75, 0.65, "D5"), (1.50, 0.65, "C5"),
              (2.25, 0.50, "B4"), (2.85, 1.00, "A4")]
    out = []
    for i, (start, hold, name) in enumerate(melody):
        droop = -60.0 if i == len(melody) - 1 else 0.0  # the last note sinks as it fades
        mix_into(out, mournful_voice(note_hz(name), hold, rng, droop_cents=droop), start, 0.5)
    chords = [(0.00, 1.40, ["A3", "C4", "E4"]), (1.50, 0.65, ["F3", "A3", "C4"]),
              (2.25, 0.50, ["E3", "G#3", "B3"]), (2.85, 0.95, ["A2", "E3", "A3", "C4"])]
    for start, hold, names in chords:
        for name in names:
            mix_into(out, mournful_voice(note_hz(name), hold, rng), start, 0.2)
    return room(out, 0.6, 0.3)


# ---------------------------------------------------------------------------------------------
# Finishing and writing


def remove_dc(signal):
    return biquad(signal, "highpass", 25.0)


def loudness_db(signal):
    """RMS of the loudest stretch, so silence in a tail does not count against a sound."""
    window = min(len(signal), samples(LOUDNESS_WINDOW_SECONDS))
    squares = [x * x for x in signal]
    running = sum(squares[:window])
    best = running
    for i in range(window, len(signal)):
        running += squares[i] - squares[i - window]
        best = max(best, running)
    return 10.0 * math.log10(max(best / window, 1e-20))


def trim_silent_tail(signal, below_peak_db=-60.0):
    """Drops the inaudible end of a reverb tail, so an effect is over when it sounds over."""
    floor = max(abs(x) for x in signal) * 10.0 ** (below_peak_db / 20.0)
    end = len(signal)
    while end > 1 and abs(signal[end - 1]) < floor:
        end -= 1
    return signal[:end]


def finish(signal, max_seconds):
    """Trims to the length limit, fades the edges and brings the sound to the common level."""
    signal = trim_silent_tail(remove_dc(signal))[: samples(max_seconds)]
    signal = fade_edges(signal, 0.003, 0.06)
    gain = 10.0 ** ((TARGET_LOUDNESS_DB - loudness_db(signal)) / 20.0)
    peak = max(abs(x) for x in signal) * gain
    ceiling = 10.0 ** (PEAK_CEILING_DB / 20.0)
    if peak > ceiling:
        gain *= ceiling / peak
    return scale(signal, gain)


def write_wav(path, signal):
    frames = struct.pack("<%dh" % len(signal),
                         *(max(-32767, min(32767, int(round(x * 32767.0)))) for x in signal))
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


EFFECTS = [  # file name, maker, seed, longest allowed length in seconds
    ("attack.wav", make_attack, 1101, 1.5),
    ("fire.wav", make_fire, 2202, 1.5),
    ("heal.wav", make_heal, 3303, 1.5),
    ("angelcry.wav", make_angelcry, 4404, 1.5),
    ("Victory.wav", make_victory, 5505, 5.0),
    ("Gameover.wav", make_gameover, 6606, 5.0),
]


def main():
    OUT_DIR.mkdir(parents=True, exist_ok=True)
    for name, maker, seed, max_seconds in EFFECTS:
        signal = finish(maker(random.Random(seed)), max_seconds)
        write_wav(OUT_DIR / name, signal)
        print("%-13s %.2f s" % (name, len(signal) / RATE))


if __name__ == "__main__":
    main()
