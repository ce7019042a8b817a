#!/usr/bin/env python3
"""Writes the game's background music as General MIDI files in data/music/midi/:
nine field songs for the world map and the battle song.

Every tune is composed here: melodies grow from a few short motifs placed over
our own chord progressions, with bass, chords, pads and drums around them.
Each song has a fixed seed, so running this twice writes byte-identical files.

    tools/make_songs.py           write the songs
    tools/make_songs.py --check   read the written files back and print a summary
"""

import argparse
import random
import re
import sys
from dataclasses import dataclass, field
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parent.parent
MUSIC_DIR = REPO_ROOT / "data" / "music" / "midi"
PPQ = 480
DRUM_CHANNEL = 9
MAX_FILE_BYTES = 64 * 1024


# ---------------------------------------------------------------- MIDI bytes

def vlq(value):
    """A MIDI variable-length number: seven bits a byte, high bit on all but the last."""
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


def track_chunk(events, end_tick):
    """events are (tick, order, bytes); order puts releases before new notes on a tick."""
    body = bytearray()
    now = 0
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += vlq(tick - now) + data
        now = tick
    body += vlq(max(0, end_tick - now)) + meta(0x2F, b"")
    return b"MTrk" + len(body).to_bytes(4, "big") + bytes(body)


def midi_file(chunks):
    header = b"MThd" + (6).to_bytes(4, "big")
    header += (1).to_bytes(2, "big") + len(chunks).to_bytes(2, "big") + PPQ.to_bytes(2, "big")
    return header + b"".join(chunks)


def ticks(beats):
    return round(beats * PPQ)


# ---------------------------------------------------------------- harmony

MODES = {
    "major": [0, 2, 4, 5, 7, 9, 11],
    "minor": [0, 2, 3, 5, 7, 8, 10],
    "dorian": [0, 2, 3, 5, 7, 9, 10],
}
# How far the major scale that shares a mode's notes sits below its tonic, for the key signature.
MODE_PARENT = {"major": 0, "minor": 9, "dorian": 2}
MAJOR = MODES["major"]
NUMERALS = ["i", "ii", "iii", "iv", "v", "vi", "vii"]

# Chord tones as (semitones above the root, letter steps above the root's letter);
# the letter step tells which scale note a chromatic chord tone replaces.
TRIADS = {
    "maj": [(0, 0), (4, 2), (7, 4)],
    "min": [(0, 0), (3, 2), (7, 4)],
    "dim": [(0, 0), (3, 2), (6, 4)],
    "sus4": [(0, 0), (5, 3), (7, 4)],
}
SEVENTHS = {"7": (10, 6), "m7b5": (10, 6), "maj7": (11, 6)}
CHORD_RE = re.compile(r"^([b#]?)(vii|vi|v|iv|iii|ii|i)(maj7|m7b5|sus4|dim|7)?(/[35])?$", re.IGNORECASE)


@dataclass(frozen=True)
class Chord:
    root: int          # pitch class
    letter: int        # scale degree 0..6 the root is spelled on
    tones: tuple       # ((pitch class, letter), ...) root first
    bass: int          # pitch class the bass plays

    @property
    def pcs(self):
        return [pc for pc, _ in self.tones]


def parse_chord(symbol, tonic):
    """Roman numerals against the major scale of the tonic: 'bVI', 'ii7', 'Vsus4', 'I/3'.
    Capitals are major chords, small letters minor; /3 and /5 put that chord tone in the bass."""
    m = CHORD_RE.match(symbol)
    if not m:
        raise ValueError(f"bad chord {symbol!r}")
    accidental, numeral, suffix, slash = m.groups()
    letter = NUMERALS.index(numeral.lower())
    root = (tonic + MAJOR[letter] + {"b": -1, "#": 1, "": 0}[accidental]) % 12
    shape = chord_shape(numeral.isupper(), suffix or "")
    tones = tuple(((root + semis) % 12, (letter + steps) % 7) for semis, steps in shape)
    bass = tones[{"/3": 1, "/5": 2}[slash]][0] if slash else root
    return Chord(root, letter, tones, bass)


def chord_shape(upper, suffix):
    if suffix in ("dim", "m7b5"):
        triad = "dim"
    elif suffix == "sus4":
        triad = "sus4"
    else:
        triad = "maj" if upper else "min"
    return TRIADS[triad] + ([SEVENTHS[suffix]] if suffix in SEVENTHS else [])


def chord_scale(key_scale, chord):
    """The key's seven notes with the chord's chromatic tones put in place of their letters."""
    scale = list(key_scale)
    for pc, letter in chord.tones:
        scale[letter] = pc
    return sorted(set(scale))


NOTE_NAMES = ["C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B"]


def pitch_class(name):
    return NOTE_NAMES.index(name)


def pitches_in(pcs, low, high):
    return [p for p in range(low, high + 1) if p % 12 in pcs]


def close_voicings(pcs, low, high):
    """Every close-position voicing of the chord inside the register."""
    out = []
    for base in pitches_in(pcs, low, high):
        notes = [base]
        for pc in sorted(set(pcs), key=lambda pc: (pc - base) % 12)[1:]:
            nxt = notes[-1] + 1
            while nxt % 12 != pc:
                nxt += 1
            notes.append(nxt)
        if notes[-1] <= high:
            out.append(tuple(notes))
    return out


def voice_lead(pcs, previous, low, high):
    """The voicing that moves least from the previous one, staying near the register's middle."""
    centre = (low + high) / 2
    def cost(v):
        drift = abs(sum(v) / len(v) - centre) * 0.3
        if not previous:
            return drift
        if len(v) == len(previous):
            return sum(abs(a - b) for a, b in zip(v, previous)) + drift
        return abs(sum(v) / len(v) - sum(previous) / len(previous)) * len(v) + drift
    return min(close_voicings(pcs, low, high), key=cost)


def nearest(candidates, target):
    return min(candidates, key=lambda p: (abs(p - target), p))


# ---------------------------------------------------------------- song description

@dataclass
class Player:
    instrument: str    # a name from PROGRAMS
    style: str
    low: int
    high: int
    volume: int = 100
    pan: int = 64


@dataclass
class Section:
    chords: list       # one entry a bar; "IV,V" splits the bar in half
    role: str          # statement (ends home), contrast (ends open), intro, outro


@dataclass
class Song:
    file: str
    title: str
    bpm: int           # quarter notes a minute
    meter: str         # 4/4, 3/4 or 6/8
    key: str           # the tonic's name, such as "Eb"
    mode: str
    seed: int
    sections: dict
    form: list         # section names; a trailing ' repeats the section with variations
    lead: Player
    comp: Player
    bass: Player
    grooves: dict
    counter: Player = None
    pad: Player = None
    density: tuple = ("medium", "slow")   # melody rhythms in statement and contrast sections
    lead_tonic: int = 72                  # the tonic's pitch in the melody's register
    character: str = "plain"              # bold, flowing or plain: how the motifs move
    lead_length: float = 0.92             # how much of each written note is held
    counter_in: tuple = ("A'", "B")
    counter_style: str = "sustain"
    intro_theme: bool = False             # the counter previews the tune over the intro
    silent: dict = field(default_factory=dict)   # section -> roles (comp, pad...) that rest there
    section_groove: dict = field(default_factory=dict)
    crash_sections: tuple = ()
    ending: str = "hold"                  # hold a final chord, or hit it and drum back to the top
    reverb: int = 50
    drum_volume: int = 100

    @property
    def tonic(self):
        return pitch_class(self.key)

    @property
    def scale(self):
        return [(self.tonic + i) % 12 for i in MODES[self.mode]]

    @property
    def bar_beats(self):
        return {"4/4": 4, "3/4": 3, "6/8": 3}[self.meter]

    @property
    def strong_beats(self):
        return {"4/4": (0, 2), "3/4": (0,), "6/8": (0, 1.5)}[self.meter]


@dataclass
class Bar:
    start: float       # beats from the top of the song
    beats: float
    chords: list       # (beat within the bar, Chord)
    section: str
    index: int         # bar number within its section
    count: int         # bars in the section
    form_index: int    # which entry of the form the bar belongs to
    ending: str = ""   # hold: the last chord rings; hit: a stab; pickup: drums lead back to the top

    def chord_at(self, beat):
        current = self.chords[0][1]
        for at, chord in self.chords:
            if at <= beat + 1e-9:
                current = chord
        return current

    def segments(self):
        """(start beat, length, chord) for each chord in the bar."""
        out = []
        for i, (at, chord) in enumerate(self.chords):
            end = self.chords[i + 1][0] if i + 1 < len(self.chords) else self.beats
            out.append((at, end - at, chord))
        return out


@dataclass
class Note:
    start: float       # beats from the top of the song
    length: float
    pitch: int
    velocity: int


def base_name(section):
    return section.rstrip("'")


def build_bars(song):
    bars = []
    start = 0.0
    split = song.bar_beats / 2 if song.meter != "3/4" else 2
    for form_index, name in enumerate(song.form):
        section = song.sections[base_name(name)]
        for i, symbols in enumerate(section.chords):
            symbols = symbols.split(",")
            offsets = [0] if len(symbols) == 1 else [0, split]
            chords = [(at, parse_chord(s.strip(), song.tonic)) for at, s in zip(offsets, symbols)]
            bars.append(Bar(start, song.bar_beats, chords, name, i, len(section.chords), form_index))
            start += song.bar_beats
    if song.ending == "hold":
        bars[-1].ending = "hold"
    else:
        bars[-2].ending, bars[-1].ending = "hit", "pickup"
    return bars


# ---------------------------------------------------------------- melody

# One bar of melody rhythm, in quarter notes, by meter and by how busy the tune is.
RHYTHMS = {
    "4/4": {
        "slow": [[2, 2], [3, 1], [1.5, 0.5, 2], [2, 1, 1], [1, 1, 2], [1, 0.5, 0.5, 2], [2.5, 0.5, 1]],
        "medium": [[1, 1, 1, 1], [1.5, 0.5, 1, 1], [1, 0.5, 0.5, 1, 1], [2, 1, 1], [1, 1, 2],
                   [0.5, 0.5, 1, 2], [1, 1, 1.5, 0.5], [1.5, 0.5, 2]],
        "fast": [[0.5, 0.5, 0.5, 0.5, 1, 1], [1, 0.5, 0.5, 1, 1], [0.5, 0.5, 1, 0.5, 0.5, 1],
                 [0.75, 0.25, 0.5, 0.5, 1, 1], [1.5, 0.5, 0.5, 0.5, 1], [1, 1, 0.5, 0.5, 1],
                 [0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 1]],
    },
    "3/4": {
        "slow": [[2, 1], [1.5, 0.5, 1], [1, 2], [2.5, 0.5]],
        "medium": [[1, 1, 1], [2, 1], [1.5, 0.5, 1], [1, 0.5, 0.5, 1], [0.5, 0.5, 1, 1]],
        "fast": [[1, 0.5, 0.5, 1], [0.5, 0.5, 1, 1], [0.5, 0.5, 0.5, 0.5, 1], [1.5, 0.5, 1]],
    },
    "6/8": {
        "slow": [[1.5, 1.5], [1, 0.5, 1.5], [1.5, 1, 0.5], [1, 0.5, 1, 0.5]],
        "medium": [[1, 0.5, 1, 0.5], [1.5, 1, 0.5], [1, 0.5, 1.5], [0.5, 0.5, 0.5, 1, 0.5]],
        "fast": [[1, 0.5, 1, 0.5], [0.5, 0.5, 0.5, 1, 0.5], [1.5, 0.5, 0.5, 0.5],
                 [0.5, 0.5, 0.5, 0.5, 0.5, 0.5], [1, 0.5, 0.5, 0.5, 0.5]],
    },
}
# Half-cadence bars: a held note, then a short run that leads into the next phrase.
PICKUP_RHYTHM = {"4/4": [3, 0.5, 0.5], "3/4": [2, 0.5, 0.5], "6/8": [2, 0.5, 0.5]}
STEP_CHOICES = [-3, -2, -1, 0, 1, 2, 3, 4]
STEP_WEIGHTS = [0.5, 1.5, 3, 0.4, 3, 1.5, 0.7, 0.3]
FLOWING_WEIGHTS = [0.1, 1, 4, 0.3, 4, 1, 0.2, 0.05]

# Phrase plans: which motif each bar uses, and the scale degree above the tonic it aims for.
# H is a half cadence (rest on the bar's chord), F the close on the tonic.
PLANS = {
    ("statement", 8): [("a", 2), ("a", 4), ("b", 5), ("H", 4), ("a", 2), ("a", 4), ("c", 7), ("F", 0)],
    ("statement", 4): [("a", 2), ("b", 4), ("c", 5), ("F", 0)],
    ("contrast", 8): [("c", 5), ("d", 6), ("c", 7), ("H", 4), ("c", 5), ("d", 7), ("e", 8), ("H", 4)],
    ("contrast", 4): [("c", 5), ("d", 7), ("e", 6), ("H", 4)],
    ("intro", 4): [("a", 4), ("b", 2), ("a", 4), ("H", 4)],
    ("intro", 2): [("a", 4), ("H", 4)],
}


@dataclass
class Motif:
    rhythm: list
    steps: list        # scale steps from each note to the next


def make_motifs(song, rng):
    """Five motifs: a and b for statements, c, d and e for contrasts, each its own rhythm."""
    statement = list(RHYTHMS[song.meter][song.density[0]])
    rng.shuffle(statement)
    if song.density[1] == song.density[0]:
        contrast = statement[2:] + statement[:2]
    else:
        contrast = list(RHYTHMS[song.meter][song.density[1]])
        rng.shuffle(contrast)
    rhythms = statement[:2] + [contrast[i % len(contrast)] for i in range(3)]
    return {name: Motif(r, make_steps(rng, len(r), song.character, name == "a"))
            for name, r in zip("abcde", rhythms)}


def make_steps(rng, count, character, opening):
    """Mostly stepwise, and after a leap turn back the other way, as singers do.
    A bold tune opens its first motif with a leap up; a flowing one rarely leaps."""
    weights = FLOWING_WEIGHTS if character == "flowing" else STEP_WEIGHTS
    steps = [rng.choice([3, 4])] if character == "bold" and opening and count > 1 else []
    while len(steps) < count - 1:
        if steps and abs(steps[-1]) >= 3:
            steps.append(-rng.choice([1, 2]) if steps[-1] > 0 else rng.choice([1, 2]))
        else:
            steps.append(rng.choices(STEP_CHOICES, weights)[0])
    keep = 1 if character == "bold" and opening else 0   # the opening leap stays whole
    while abs(sum(steps)) > 4 and len(steps) > keep:
        rest = steps[keep:]
        steps[keep + rest.index(max(rest, key=abs))] //= 2
        if not any(steps[keep:]):
            break
    return steps


def plan_for(role, count, rng, hit_ending, character):
    if role == "outro":
        if hit_ending:
            return [("F", 0)] * count
        tail = [("a", 4), ("b", 2), ("c", 1)][: max(0, count - 1)]
        return tail + [("F", 0)]
    plan = PLANS[(role, count)]
    if character == "bold" and role == "statement":
        # A bold tune opens its motif from the tonic, so the opening leap lands on the fifth.
        plan = [(kind, aim - 2 if kind == "a" else aim) for kind, aim in plan]
    return [(kind, aim + rng.choice([-1, 0, 0, 1]) if kind not in "HF" else aim) for kind, aim in plan]


def degree_pitch(song, degree):
    octave, step = divmod(degree, 7)
    return song.lead_tonic + MODES[song.mode][step] + 12 * octave


class MelodyWriter:
    """Turns a phrase plan into notes over a section's bars."""

    def __init__(self, song, motifs, bars, low, high):
        self.song, self.motifs, self.bars = song, motifs, bars
        self.low, self.high = low, high

    def chord_tones(self, bar, beat):
        return pitches_in(bar.chord_at(beat).pcs, self.low, self.high)

    def scale_notes(self, bar, beat):
        return pitches_in(chord_scale(self.song.scale, bar.chord_at(beat)), self.low - 4, self.high + 4)

    def first_note(self, bar, kind, aim, last):
        """A bar opens on a chord tone near the plan's aim and not far from the last note."""
        target = degree_pitch(self.song, aim)
        reach = last if last is not None else target
        if kind == "F":
            return nearest(pitches_in([self.song.tonic], self.low, self.high), reach)
        def cost(p):
            leap = abs(p - reach)
            return abs(p - target) + 0.7 * leap + 2 * max(0, leap - 7), p
        return min(self.chord_tones(bar, 0), key=cost)

    def compose(self, plan, closes_song):
        notes, last, forced = [], None, None
        for i, (bar, (kind, aim)) in enumerate(zip(self.bars, plan)):
            start = forced if forced is not None else self.first_note(bar, kind, aim, last)
            forced = None
            if kind == "F":
                bar_notes = self.close(bar, start, closes_song)
            elif kind == "H":
                if i + 1 < len(plan):
                    forced = self.first_note(self.bars[i + 1], *plan[i + 1], start)
                bar_notes = self.half_cadence(bar, start, forced)
            else:
                bar_notes = self.motif_bar(bar, self.motifs[kind], start)
            notes += bar_notes
            last = bar_notes[-1][2]
        return notes

    def motif_bar(self, bar, motif, start):
        notes = [(0.0, motif.rhythm[0], start)]
        beat, pitch = motif.rhythm[0], start
        for length, step in zip(motif.rhythm[1:], motif.steps):
            pitch = self.step_from(bar, beat, length, pitch, step)
            notes.append((beat, length, pitch))
            beat += length
        return [(bar.start + b, l, p) for b, l, p in notes]

    def step_from(self, bar, beat, length, pitch, step):
        scale = self.scale_notes(bar, beat)
        here = scale.index(nearest(scale, pitch))
        moved = scale[max(0, min(len(scale) - 1, here + step))]
        if not self.low <= moved <= self.high:
            step = -step
            moved = scale[max(0, min(len(scale) - 1, here + step))]
        if on_strong_beat(self.song, beat) or abs(step) >= 2 or length >= 1.5:
            moved = self.chord_note(bar, beat, pitch, moved, step)
        return moved

    def chord_note(self, bar, beat, pitch, moved, step):
        """Strong beats, long notes and leaps land on a chord tone, still moving the way the motif moves;
        a leap reaches on to the next chord tone rather than falling short of it."""
        tones = self.chord_tones(bar, beat)
        if abs(step) >= 2:
            beyond = [t for t in tones if (t - moved) * step >= 0]
            if beyond:
                return min(beyond, key=lambda t: abs(t - moved))
        snapped = nearest(tones, moved)
        if snapped == pitch and step:
            ahead = [t for t in tones if (t - pitch) * step > 0]
            snapped = min(ahead, key=lambda t: abs(t - pitch)) if ahead else snapped
        return snapped

    def half_cadence(self, bar, start, following):
        if following is None:
            return [(bar.start, bar.beats - 0.5, start)]
        rhythm = PICKUP_RHYTHM[self.song.meter]
        scale = [p for p in self.scale_notes(bar, bar.beats - 0.5) if self.low <= p <= self.high]
        at = scale.index(nearest(scale, following))
        # Run into the next phrase from the side the held note is on, if the register allows.
        direction = -1 if start < following else 1
        if not 0 <= at + direction * (len(rhythm) - 1) < len(scale):
            direction = -direction
        run = [scale[at + direction * k] for k in range(len(rhythm) - 1, 0, -1)]
        notes, beat = [(bar.start, rhythm[0], start)], rhythm[0]
        for length, pitch in zip(rhythm[1:], run):
            notes.append((bar.start + beat, length, pitch))
            beat += length
        return notes

    def close(self, bar, tonic, closes_song):
        hold = bar.beats if closes_song else bar.beats - (1 if self.song.meter == "4/4" else 0.5)
        return [(bar.start, hold, tonic)]


def ornament(song, notes, bars):
    """The repeat of a section: long notes give their last half beat to a step towards the
    next note, unless that step would fall on a strong beat, leave the register or land on it."""
    out = []
    for i, (start, length, pitch) in enumerate(notes):
        turn = None
        if 1.5 <= length < bars[0].beats - 0.5 and i + 1 < len(notes):
            turn = passing_step(song, bars, start, pitch, notes[i + 1][2])
            bar = bar_at(bars, start)
            if on_strong_beat(song, start + length - 0.5 - bar.start):
                turn = None
        if turn is None or not song.lead.low <= turn <= song.lead.high:
            out.append((start, length, pitch))
        else:
            out += [(start, length - 0.5, pitch), (start + length - 0.5, 0.5, turn)]
    return out


def passing_step(song, bars, start, pitch, following):
    bar = bar_at(bars, start)
    scale = pitches_in(chord_scale(song.scale, bar.chord_at(start - bar.start)), 0, 127)
    turn = scale[scale.index(nearest(scale, pitch)) + (1 if following >= pitch else -1)]
    return None if turn == following else turn


def on_strong_beat(song, beat):
    return any(abs(beat - s) < 1e-9 for s in song.strong_beats)


def bar_at(bars, beat):
    for bar in bars:
        if bar.start <= beat + 1e-9 < bar.start + bar.beats:
            return bar
    return bars[-1]


def melody_notes(song, bars, motifs, seed, player, role_of, vary_repeats):
    """The tune for every section of the form; a section's repeats reuse its first tune."""
    tunes, out = {}, []
    for form_index, name in enumerate(song.form):
        role = role_of(name)
        sec_bars = [b for b in bars if b.form_index == form_index]
        if role is None:
            continue
        key = (base_name(name), role)
        if key not in tunes:
            rng = random.Random(seed * 31 + len(tunes))
            writer = MelodyWriter(song, motifs, sec_bars, player.low, player.high)
            plan = plan_for(role, len(sec_bars), rng, song.ending == "hit", song.character)
            closes_song = sec_bars[-1].ending == "hold"
            tunes[key] = (sec_bars[0].start, writer.compose(plan, closes_song))
        origin, notes = tunes[key]
        moved = [(s - origin + sec_bars[0].start, l, p) for s, l, p in notes]
        if vary_repeats and name.endswith("'"):
            moved = ornament(song, moved, sec_bars)
        out += moved
    return out


def melody_role(song):
    def role(name):
        r = song.sections[base_name(name)].role
        return None if r == "intro" or "lead" in song.silent.get(name, ()) else r
    return role


def intro_role(song):
    def role(name):
        return "intro" if song.sections[base_name(name)].role == "intro" else None
    return role


def shape_velocity(song, bars, start, base):
    bar = bar_at(bars, start)
    return base + (8 if on_strong_beat(song, start - bar.start) else 0)


# ---------------------------------------------------------------- accompaniment

# Chord patterns: (beat, length, which) where which is "all" or an index into the broken chord.
def comp_pattern(style, meter):
    eighths = {"4/4": 8, "3/4": 6, "6/8": 6}[meter]
    if style == "arp":
        order = [0, 1, 2, 3, 4, 3, 2, 1] if eighths == 8 else [0, 1, 2, 3, 2, 1]
        return [(i * 0.5, 1.0, order[i]) for i in range(eighths)]
    if style == "harp":
        order = [0, 1, 2, 3, 4, 5, 4, 3] if eighths == 8 else [0, 2, 4, 5, 3, 1]
        return [(i * 0.5, 1.5, order[i]) for i in range(eighths)]
    if style == "arp16":
        order = [0, 2, 1, 3, 0, 2, 1, 3, 0, 2, 1, 3, 1, 2, 3, 2]
        return [(i * 0.25, 0.22, order[i]) for i in range(eighths * 2)]
    if style == "waltz":
        return [(1, 0.8, "all"), (2, 0.8, "all")]
    if style == "jig":
        return [(0.5, 0.4, "all"), (1.0, 0.4, "all"), (2.0, 0.4, "all"), (2.5, 0.4, "all")]
    if style == "march":
        return [(0, 0.4, "all"), (1, 0.4, "all"), (1.5, 0.4, "all"), (2, 0.4, "all"), (3, 0.8, "all")]
    if style == "power":
        return [(i * 0.5, 0.42, "all") for i in range(8)]
    if style == "pulse":
        return [(b, 0.9, "all") for b in range(4)]
    raise ValueError(style)


def comp_notes(song, bars, player, rng, velocity):
    notes, voicing = [], None
    for bar in bars:
        if silent(song, bar, "comp"):
            continue
        voicings = {}
        for at, _, chord in bar.segments():
            voicing = chord_voicing(player, chord, voicing)
            voicings[at] = voicing
        if bar.ending in ("hold", "hit"):
            notes += final_strum(bar, voicings[0], velocity)
            continue
        for beat, length, which in comp_pattern(player.style, song.meter):
            at = max(a for a in voicings if a <= beat + 1e-9)
            chord_notes = voicings[at]
            picked = chord_notes if which == "all" else [broken(chord_notes, which)]
            accent = 10 if beat == 0 else 0
            for pitch in picked:
                notes.append(Note(bar.start + beat, length, pitch, velocity + accent + rng.randint(-6, 6)))
    return notes


def chord_voicing(player, chord, previous):
    if player.style == "power":
        root = nearest(pitches_in([chord.root], player.low, player.low + 11), player.low + 6)
        return (root, root + 7, root + 12)
    return voice_lead(chord.pcs, previous, player.low, player.high)


def broken(voicing, index):
    """The chord spread over two octaves, so a broken chord can climb past its top note."""
    spread = list(voicing) + [p + 12 for p in voicing]
    return spread[index % len(spread)]


def final_strum(bar, voicing, velocity):
    if bar.ending == "hit":
        return [Note(bar.start, 0.9, p, velocity + 15) for p in voicing]
    return [Note(bar.start + i * 0.06, bar.beats - i * 0.06, p, velocity) for i, p in enumerate(voicing)]


def silent(song, bar, role):
    """Whether the player in that role (lead, counter, comp, pad, bass) rests in this bar."""
    if role in song.silent.get(bar.section, ()):
        return True
    # After a hit ending only bass and drums play, leading back to the top.
    return bar.ending == "pickup" and role not in ("bass", "drums")


def pad_notes(song, bars, player, velocity):
    notes, voicing = [], None
    for bar in bars:
        if silent(song, bar, "pad"):
            continue
        for at, length, chord in bar.segments():
            voicing = voice_lead(chord.pcs, voicing, player.low, player.high)
            hold = 1 if bar.ending == "hit" else length
            notes += [Note(bar.start + at, hold, p, velocity) for p in voicing]
    return notes


def counter_notes(song, bars, player, velocity):
    """A slow inner line on the chords' thirds and sevenths, moving as little as it can."""
    notes, previous = [], (player.low + player.high) // 2
    for bar in bars:
        if bar.section not in song.counter_in or silent(song, bar, "counter"):
            continue
        for at, length, chord in bar.segments():
            guides = [chord.tones[i][0] for i in (1, 3) if i < len(chord.tones)]
            pitch = nearest(pitches_in(guides, player.low, player.high), previous)
            if song.counter_style == "bells" and length >= 2:
                other = nearest(pitches_in(chord.pcs, player.low, player.high), pitch + 4)
                notes += [Note(bar.start + at, length / 2, pitch, velocity),
                          Note(bar.start + at + length / 2, length / 2, other, velocity - 8)]
            else:
                notes.append(Note(bar.start + at, length, pitch, velocity))
            previous = pitch
    return notes


# Bass patterns: (beat, length, role); R root, 5 fifth, O octave, A step into the next root.
BASS_PATTERNS = {
    ("whole", "4/4"): [(0, 4, "R")],
    ("ballad", "4/4"): [(0, 2.5, "R"), (2.5, 0.5, "5"), (3, 1, "A")],
    ("root5", "4/4"): [(0, 1.5, "R"), (1.5, 0.5, "R"), (2, 2, "5")],
    ("march", "4/4"): [(0, 0.9, "R"), (1, 0.9, "5"), (2, 0.9, "R"), (3, 0.9, "A")],
    ("pulse", "4/4"): [(i * 0.5, 0.4, "RRORRROR"[i]) for i in range(8)],
    ("ostinato", "4/4"): [(i * 0.5, 0.4, "RROR5ROR"[i]) for i in range(8)],
    ("whole", "3/4"): [(0, 3, "R")],
    ("slow", "6/8"): [(0, 2.5, "R"), (2.5, 0.5, "5")],
    ("jig", "6/8"): [(0, 0.9, "R"), (1.5, 0.9, "5")],
}


def bass_notes(song, bars, player, rng, velocity):
    notes, previous = [], (player.low + player.high) // 2
    pattern = BASS_PATTERNS[(player.style, song.meter)]
    for i, bar in enumerate(bars):
        if silent(song, bar, "bass"):
            continue
        next_root = bars[i + 1].chords[0][1].bass if i + 1 < len(bars) else song.tonic
        if bar.ending in ("hold", "hit"):
            root = nearest(pitches_in([bar.chords[0][1].bass], player.low, player.high), previous)
            notes.append(Note(bar.start, bar.beats if bar.ending == "hold" else 1, root, velocity + 10))
            continue
        for beat, length, role in bass_figure(pattern, bar):
            chord = bar.chord_at(beat)
            root = nearest(pitches_in([chord.bass], player.low, player.high), previous)
            pitch = bass_pitch(song, player, chord, role, root, next_root)
            accent = 8 if beat == 0 else 0
            notes.append(Note(bar.start + beat, length, pitch, velocity + accent + rng.randint(-5, 5)))
            if role == "R":
                previous = root
    return notes


def bass_figure(pattern, bar):
    """The pattern, with the root struck afresh wherever a chord changes between its notes."""
    figure = list(pattern)
    for at, _, _ in bar.segments()[1:]:
        if not any(abs(beat - at) < 1e-9 for beat, _, _ in figure):
            figure = [(b, min(l, at - b) if b < at else l, r) for b, l, r in figure]
            figure.append((at, bar.beats - at, "R"))
    return sorted(figure)


def bass_pitch(song, player, chord, role, root, next_root):
    if role == "R":
        return root
    if role == "O":
        return root + 12 if root + 12 <= player.high + 5 else root
    if role == "5":
        pitch = root + (chord.tones[2][0] - chord.bass) % 12
        return pitch if pitch <= player.high else pitch - 12
    # A: the scale note next to the coming root, on the side nearer where we are.
    scale = pitches_in(song.scale, player.low - 3, player.high + 3)
    target = nearest(pitches_in([next_root], player.low, player.high), root)
    below = [p for p in scale if p < target][-1:]
    above = [p for p in scale if p > target][:1]
    options = below + above
    return nearest(options, root) if options else root


# ---------------------------------------------------------------- drums

KICK, SIDE_STICK, SNARE, CLAP, FLOOR_TOM, HAT, LOW_TOM = 36, 37, 38, 39, 41, 42, 45
OPEN_HAT, MID_TOM, HIGH_TOM, CRASH, RIDE, TAMBOURINE = 46, 47, 50, 49, 51, 54
CABASA, MARACAS, TRIANGLE = 69, 70, 81
HIT_STRENGTH = {"X": 112, "x": 88, "o": 56, "-": 36}


def groove_for(song, bar):
    if bar.ending:
        return "fill" if bar.ending == "pickup" else "end"
    name = song.section_groove.get(bar.section) or song.section_groove.get(base_name(bar.section))
    role = song.sections[base_name(bar.section)].role
    name = name or {"intro": "intro", "contrast": "alt"}.get(role, "main")
    if bar.index == bar.count - 1 and bar.count >= 4 and "fill" in song.grooves:
        return "fill"
    return name


def drum_notes(song, bars, rng, scale):
    notes = []
    for bar in bars:
        groove = song.grooves.get(groove_for(song, bar), {})
        if bar.index == 0 and base_name(bar.section) in song.crash_sections:
            notes.append(Note(bar.start, 1, CRASH, int(100 * scale)))
        for drum, hits in groove.items():
            step = bar.beats / len(hits)
            for i, mark in enumerate(hits):
                if mark in HIT_STRENGTH:
                    vel = int(HIT_STRENGTH[mark] * scale) + rng.randint(-6, 6)
                    notes.append(Note(bar.start + i * step, min(step, 0.5), drum, max(1, min(127, vel))))
    return notes


# ---------------------------------------------------------------- putting a song together

SECTION_DYNAMICS = {"intro": 0.82, "statement": 0.92, "contrast": 1.0, "outro": 0.88}


def dynamics(song, bar):
    level = SECTION_DYNAMICS[song.sections[base_name(bar.section)].role]
    return level + (0.06 if bar.section.endswith("'") else 0)


def scaled(notes, song, bars):
    """Each section's loudness: quieter intros, fuller repeats."""
    out = []
    for n in notes:
        level = dynamics(song, bar_at(bars, n.start))
        out.append(Note(n.start, n.length, n.pitch, max(1, min(127, round(n.velocity * level)))))
    return out


def lead_notes(song, bars, motifs):
    raw = melody_notes(song, bars, motifs, song.seed, song.lead, melody_role(song), True)
    return [Note(s, l * song.lead_length if l < 2.5 else l - 0.2, p, shape_velocity(song, bars, s, 92))
            for s, l, p in raw]


def intro_theme(song, bars, motifs, player):
    if not song.intro_theme:
        return []
    raw = melody_notes(song, bars, motifs, song.seed + 7, player, intro_role(song), False)
    return [Note(s, l * 0.9, p, shape_velocity(song, bars, s, 80)) for s, l, p in raw]


def fit_ending(notes, bars):
    """Tunes stop for the pickup bar and are cut to a stab on the hit."""
    out = []
    for n in notes:
        bar = bar_at(bars, n.start)
        if bar.ending == "pickup":
            continue
        out.append(Note(n.start, min(n.length, 1), n.pitch, n.velocity + 10) if bar.ending == "hit" else n)
    return out


def song_tracks(song):
    """(track name, channel, Player or None, notes) for each instrument in the song."""
    bars = build_bars(song)
    motifs = make_motifs(song, random.Random(song.seed))
    rng = random.Random(song.seed + 1)
    tracks = [("Melody", 0, song.lead, fit_ending(lead_notes(song, bars, motifs), bars))]
    if song.counter:
        line = counter_notes(song, bars, song.counter, 72) + intro_theme(song, bars, motifs, song.counter)
        tracks.append(("Counter", 1, song.counter, fit_ending(line, bars)))
    tracks.append(("Chords", 2, song.comp, comp_notes(song, bars, song.comp, rng, 70)))
    if song.pad:
        tracks.append(("Pad", 3, song.pad, pad_notes(song, bars, song.pad, 56)))
    tracks.append(("Bass", 4, song.bass, bass_notes(song, bars, song.bass, rng, 90)))
    tracks.append(("Drums", DRUM_CHANNEL, None, drum_notes(song, bars, rng, 0.9)))
    end = bars[-1].start + bars[-1].beats
    return [(name, ch, player, scaled(notes, song, bars)) for name, ch, player, notes in tracks], end


def note_events(notes, channel):
    """Note on/off pairs; a note is cut short where the same key sounds again on the channel."""
    events = []
    by_key = {}
    for n in sorted(notes, key=lambda n: (n.start, n.pitch)):
        by_key.setdefault(n.pitch, []).append(n)
    for pitch, run in by_key.items():
        for i, n in enumerate(run):
            on = ticks(n.start)
            off = on + max(1, ticks(n.length))
            if i + 1 < len(run):
                off = min(off, ticks(run[i + 1].start))
            if off <= on:
                continue
            events.append((on, 2, bytes([0x90 | channel, pitch, n.velocity])))
            events.append((off, 1, bytes([0x80 | channel, pitch, 0])))
    return events


def conductor_chunk(song, end_tick):
    tempo = round(60_000_000 / song.bpm)
    num, den = (int(x) for x in song.meter.split("/"))
    sharps = key_signature(song.tonic, song.mode)
    events = [
        (0, 0, meta(0x03, song.title.encode("ascii"))),
        (0, 0, meta(0x51, tempo.to_bytes(3, "big"))),
        (0, 0, meta(0x58, bytes([num, den.bit_length() - 1, 24 if den == 4 else 36, 8]))),
        (0, 0, meta(0x59, bytes([sharps & 0xFF, 0 if song.mode == "major" else 1]))),
    ]
    return track_chunk(events, end_tick)


def key_signature(tonic, mode):
    """Sharps (positive) or flats (negative) of the major scale that holds the mode's notes."""
    parent = (tonic - MODE_PARENT[mode]) % 12
    fifths = (parent * 7) % 12
    return fifths - 12 if fifths > 6 else fifths


def player_chunk(name, channel, player, notes, song, end_tick):
    events = [(0, 0, meta(0x03, name.encode("ascii")))]
    program = PROGRAMS[player.instrument] if player else 0
    volume, pan = (player.volume, player.pan) if player else (song.drum_volume, 64)
    for control, value in ((7, volume), (10, pan), (91, song.reverb), (93, 0)):
        events.append((0, 0, bytes([0xB0 | channel, control, value])))
    events.append((0, 0, bytes([0xC0 | channel, program])))
    events += note_events(notes, channel)
    return track_chunk(events, end_tick)


def render(song):
    tracks, end = song_tracks(song)
    end_tick = ticks(end + 1)   # one quiet beat so the last chord can ring before the loop
    chunks = [conductor_chunk(song, end_tick)]
    chunks += [player_chunk(name, ch, player, notes, song, end_tick) for name, ch, player, notes in tracks]
    return midi_file(chunks)


# ---------------------------------------------------------------- the songs

# The General MIDI programs the songs use, counted from 0.
PROGRAMS = {
    "piano": 0, "electric piano": 4, "celesta": 8, "vibraphone": 11, "accordion": 21,
    "nylon guitar": 24, "steel guitar": 25, "muted guitar": 28, "distortion guitar": 30,
    "acoustic bass": 32, "picked bass": 34, "fretless bass": 35, "synth bass": 39, "violin": 40,
    "cello": 42, "contrabass": 43, "tremolo strings": 44, "pizzicato strings": 45, "harp": 46,
    "strings": 48, "slow strings": 49, "synth strings": 51, "choir": 52, "trumpet": 56, "tuba": 58,
    "french horn": 60, "brass section": 61, "oboe": 68, "clarinet": 71, "flute": 73,
    "pan flute": 75, "ocarina": 79, "saw lead": 81, "warm pad": 89, "fiddle": 110,
}


# Each song: its sections' chords (one entry a bar), the form that strings them together, and
# its players as Player(instrument, style, lowest note, highest note, volume, pan). A drum line
# is one character a step across the bar: X loud, x normal, o soft, - ghost, . rest.
SONGS = [
    Song(
        file="ff10_sutekidane[1].mid", title="Lanterns on the Harbour",
        bpm=76, meter="4/4", key="Eb", mode="major", seed=1103,
        sections={
            "intro": Section(["Imaj7", "IVmaj7"], "intro"),
            "A": Section(["I", "IVmaj7", "vi7", "Vsus4,V", "iii7", "IVmaj7", "ii7,V7", "I"], "statement"),
            "B": Section(["vi", "V", "IV", "I/3", "ii7", "iii7", "IVmaj7", "Vsus4,V"], "contrast"),
            "outro": Section(["IVmaj7", "Imaj7"], "outro"),
        },
        form=["intro", "A", "B", "A'", "outro"],
        lead=Player("flute", "", 70, 89, 100), counter=Player("cello", "", 50, 64, 78, 40),
        comp=Player("nylon guitar", "arp", 51, 66, 84, 44), pad=Player("slow strings", "", 55, 72, 84, 90),
        bass=Player("acoustic bass", "ballad", 31, 50, 96),
        lead_tonic=75, density=("medium", "slow"), reverb=72, character="flowing", drum_volume=110,
        grooves={
            "intro": {MARACAS: "o...o...o...o..."},
            "main": {KICK: "x.......x.o.....", SIDE_STICK: "....x.......x...", MARACAS: "o.x.o.x.o.x.o.x."},
            "alt": {KICK: "x.......x.o.....", SIDE_STICK: "....x.......x..o", RIDE: "x.o.x.o.x.o.x.o."},
            "fill": {KICK: "x.......x.......", SIDE_STICK: "....x...........", LOW_TOM: "..........o.x.x."},
            "end": {KICK: "x...............", RIDE: "o..............."},
        },
    ),
    Song(
        file="melodies[1].mid", title="Meadow Road",
        bpm=100, meter="4/4", key="G", mode="major", seed=2207,
        sections={
            "intro": Section(["I", "IV"], "intro"),
            "A": Section(["I", "iii", "IV", "V", "I", "vi", "IV,V", "I"], "statement"),
            "B": Section(["IV", "I/3", "ii", "V", "IV", "iii", "ii7", "V"], "contrast"),
            "outro": Section(["IV", "I"], "outro"),
        },
        form=["intro", "A", "A'", "B", "A'", "outro"],
        lead=Player("ocarina", "", 62, 81, 110), counter=Player("clarinet", "", 52, 64, 76, 84),
        comp=Player("steel guitar", "arp", 52, 67, 84, 40), pad=Player("strings", "", 55, 71, 52, 92),
        bass=Player("acoustic bass", "root5", 36, 52, 96),
        lead_tonic=67, density=("medium", "medium"), reverb=55, drum_volume=110,
        grooves={
            "intro": {MARACAS: "o.o.o.o.o.o.o.o."},
            "main": {KICK: "x.......x.......", TAMBOURINE: "....x.......x...", MARACAS: "o.o.o.o.o.o.o.o."},
            "alt": {KICK: "x.....o.x.......", TAMBOURINE: "....x.......x.o.", MARACAS: "o.x.o.x.o.x.o.x."},
            "fill": {KICK: "x.......x.......", TAMBOURINE: "....x...x.x.x.x."},
            "end": {KICK: "x...............", TAMBOURINE: "x..............."},
        },
    ),
    Song(
        file="not_alone[1].mid", title="Embers at Nightfall",
        bpm=88, meter="3/4", key="F", mode="major", seed=3301,
        sections={
            "intro": Section(["Imaj7", "IVmaj7", "Imaj7", "Vsus4"], "intro"),
            "A": Section(["Imaj7", "vi7", "iii7", "IVmaj7", "ii7", "Vsus4", "V7", "I"], "statement"),
            "B": Section(["IVmaj7", "V", "iii7", "vi7", "ii7", "iii7", "IVmaj7", "Vsus4"], "contrast"),
            "outro": Section(["IVmaj7", "iv", "Imaj7", "I"], "outro"),
        },
        form=["intro", "A", "B", "A'", "outro"],
        lead=Player("clarinet", "", 62, 81, 100), counter=Player("vibraphone", "", 65, 81, 100, 88),
        comp=Player("electric piano", "waltz", 53, 67, 80, 44), pad=Player("warm pad", "", 53, 70, 78, 84),
        bass=Player("fretless bass", "whole", 29, 48, 96),
        lead_tonic=65, density=("medium", "slow"), reverb=80, character="flowing", drum_volume=110,
        counter_in=("intro", "B", "A'"), counter_style="bells",
        grooves={
            "intro": {RIDE: "o.....o.....", },
            "main": {KICK: "x...........", SIDE_STICK: "....o...o...", RIDE: "o...o...o..."},
            "alt": {KICK: "x.......o...", SIDE_STICK: "....o...o...", CABASA: "o.o.o.o.o.o."},
            "end": {KICK: "o...........", RIDE: "o..........."},
        },
    ),
    Song(
        file="ff8_eyes[1].mid", title="Ashen Letters",
        bpm=66, meter="4/4", key="D", mode="minor", seed=4409,
        sections={
            "intro": Section(["i", "bVImaj7"], "intro"),
            "A": Section(["i", "bVII", "iv", "V", "bVI", "bIII", "iim7b5,V", "i"], "statement"),
            "B": Section(["bVI", "bIII", "bVII", "i", "iv", "bVI", "iim7b5", "V"], "contrast"),
            "C": Section(["i", "bVI", "iv,V", "i"], "statement"),
            "outro": Section(["i"], "outro"),
        },
        form=["intro", "A", "B", "C'", "outro"],
        lead=Player("oboe", "", 62, 84, 104), counter=Player("cello", "", 48, 62, 80, 40),
        comp=Player("piano", "arp", 50, 65, 100, 50), pad=Player("slow strings", "", 57, 74, 80, 84),
        bass=Player("contrabass", "whole", 31, 48, 92),
        lead_tonic=74, density=("slow", "medium"), reverb=78, counter_in=("B", "C'"), character="flowing",
        grooves={
            "intro": {},
            "main": {KICK: "x.....o.........", RIDE: "....o.......o..."},
            "alt": {KICK: "x.....o...x.....", RIDE: "o...o...o...o..."},
            "fill": {KICK: "x.....o.........", FLOOR_TOM: "........o.o.x.x."},
            "end": {KICK: "o...............", CRASH: "-..............."},
        },
    ),
    Song(
        file="main_theme.mid", title="Banner at Dawn",
        bpm=112, meter="4/4", key="Bb", mode="major", seed=5521,
        sections={
            "intro": Section(["I", "bVII", "IV", "Vsus4,V"], "intro"),
            "A": Section(["I", "IV", "bVI", "V", "I", "iii", "IV,V", "I"], "statement"),
            "B": Section(["ii", "V", "iii", "vi", "IV", "bVI", "bVII", "V"], "contrast"),
            "outro": Section(["IV", "V", "I"], "outro"),
        },
        form=["intro", "A", "A'", "B", "A'", "outro"],
        lead=Player("trumpet", "", 65, 84, 115), counter=Player("french horn", "", 53, 70, 90, 44),
        comp=Player("strings", "march", 50, 67, 46, 84), pad=Player("brass section", "", 53, 69, 80, 40),
        bass=Player("tuba", "march", 29, 46, 96),
        lead_tonic=70, density=("medium", "medium"), reverb=60, character="bold",
        intro_theme=True, counter_in=("A'", "B"), crash_sections=("A", "B", "outro"),
        grooves={
            "intro": {KICK: "x.......x.......", SNARE: "....x.......xoxo"},
            "main": {KICK: "x.......x.......", SNARE: "....x..o....x.o.", HAT: "x.x.x.x.x.x.x.x."},
            "alt": {KICK: "x.....x.x.......", SNARE: "....x..o....x.oo", RIDE: "x.x.x.x.x.x.x.x."},
            "fill": {KICK: "x.......x.......", SNARE: "....x...oooxoxXx"},
            "end": {KICK: "X...............", CRASH: "X..............."},
        },
    ),
    Song(
        file="eva[1].mid", title="Mosswood Hollow",
        bpm=84, meter="6/8", key="E", mode="dorian", seed=6607,
        sections={
            "intro": Section(["i", "i", "IV", "IV"], "intro"),
            "A": Section(["i", "IV", "i", "v", "bIII", "IV", "bVII", "i"], "statement"),
            "B": Section(["bVII", "IV", "bIII", "i", "ii7", "v7", "IV", "IV"], "contrast"),
            "outro": Section(["bVII", "IV", "i", "i"], "outro"),
        },
        form=["intro", "A", "B", "A'", "outro"],
        lead=Player("pan flute", "", 64, 83, 100), counter=Player("celesta", "", 67, 84, 120, 90),
        comp=Player("harp", "harp", 47, 62, 84, 40), pad=Player("choir", "", 55, 71, 84, 70),
        bass=Player("fretless bass", "slow", 28, 45, 94),
        lead_tonic=76, density=("medium", "slow"), reverb=90, character="flowing", drum_volume=120,
        intro_theme=True, counter_in=("A'",), counter_style="bells",
        grooves={
            "intro": {TRIANGLE: "o.....", MARACAS: "..o..o"},
            "main": {LOW_TOM: "o..-..", MARACAS: ".-o.-o", TRIANGLE: "o....."},
            "alt": {LOW_TOM: "o..o.-", FLOOR_TOM: "...o..", MARACAS: "-oo-oo"},
            "fill": {MID_TOM: "o..o..", LOW_TOM: "....oo", MARACAS: "-o-o-o"},
            "end": {TRIANGLE: "o.....", LOW_TOM: "o....."},
        },
    ),
    Song(
        file="chrono.mid", title="Over the Far Ridge",
        bpm=120, meter="4/4", key="D", mode="major", seed=7703,
        sections={
            "intro": Section(["I", "bVII"], "intro"),
            "A": Section(["I", "iii", "ii", "V", "I", "bVII", "IV,V", "I"], "statement"),
            "B": Section(["IV", "I/3", "ii", "vi", "IV", "bVII", "Vsus4", "V"], "contrast"),
            "outro": Section(["bVII,IV", "I"], "outro"),
        },
        form=["intro", "A", "A'", "B", "A'", "outro"],
        lead=Player("violin", "", 67, 86, 100), counter=Player("french horn", "", 55, 69, 80, 40),
        comp=Player("pizzicato strings", "pulse", 53, 69, 84, 88), pad=Player("strings", "", 54, 70, 50, 50),
        bass=Player("acoustic bass", "march", 33, 50, 98),
        lead_tonic=74, density=("fast", "medium"), reverb=50, crash_sections=("A", "B"), character="bold",
        grooves={
            "intro": {SNARE: "x.ooxoooxoooxoxo", KICK: "x.......x......."},
            "main": {KICK: "x.......x.x.....", SNARE: "....x.o.....x.o.", HAT: "x.x.x.x.x.x.x.x."},
            "alt": {KICK: "x...x...x...x...", SNARE: "..o.x.o...o.x.oo", OPEN_HAT: "..x...x...x...x."},
            "fill": {KICK: "x.......x.......", SNARE: "x..x..x.........",
                     HIGH_TOM: "........x.x.....", LOW_TOM: "............x.x."},
            "end": {KICK: "X...............", CRASH: "X..............."},
        },
    ),
    Song(
        file="arrest[1].mid", title="Footsteps in the Alley",
        bpm=144, meter="4/4", key="C", mode="minor", seed=8819,
        sections={
            "intro": Section(["i", "i", "bVI", "V"], "intro"),
            "A": Section(["i", "bVI", "bIII", "V", "i", "bVII", "iv,V", "i"], "statement"),
            "B": Section(["iv", "bVII", "bIII", "bVI", "iv", "bII", "V", "V"], "contrast"),
            "C": Section(["i", "i", "bVI", "bVI", "iv", "iv", "V", "V"], "contrast"),
            "outro": Section(["V", "i"], "outro"),
        },
        form=["intro", "A", "A'", "B", "C", "A'", "outro"],
        lead=Player("saw lead", "", 62, 82, 88), counter=Player("tremolo strings", "", 55, 70, 90, 40),
        comp=Player("muted guitar", "arp16", 48, 62, 84, 84), pad=Player("synth strings", "", 52, 68, 80, 60),
        bass=Player("synth bass", "pulse", 31, 46, 96),
        lead_tonic=72, density=("fast", "medium"), reverb=45, lead_length=0.8,
        counter_in=("B", "C", "A'"), crash_sections=("A", "B", "C"),
        silent={"C": ("comp",)},
        grooves={
            "intro": {KICK: "x..x..x.x..x..x.", HAT: "x.xxx.xxx.xxx.xx"},
            "main": {KICK: "x..x..x.x..x....", SNARE: "....x.......x...", HAT: "xxxxxxxxxxxxxxxx"},
            "alt": {KICK: "x..x..x.x..x..x.", SNARE: "....x..o....x..o",
                    HAT: "x.x.x.x.x.x.x.x.", OPEN_HAT: "..x...x...x...x."},
            "fill": {KICK: "x..x..x.x.......", SNARE: "....x.......xxxx",
                     HIGH_TOM: "........x.x.....", LOW_TOM: "..........x.x..."},
            "end": {KICK: "X...............", CRASH: "X..............."},
        },
    ),
    Song(
        file="soul[1].mid", title="Market Square Jig",
        bpm=162, meter="6/8", key="A", mode="major", seed=9901,
        sections={
            "intro": Section(["I", "I", "IV", "V"], "intro"),
            "A": Section(["I", "I", "IV", "V", "vi", "IV", "V", "I"], "statement"),
            "B": Section(["IV", "V", "iii", "vi", "ii", "V", "I", "V"], "contrast"),
            "C": Section(["vi", "iii", "IV", "I", "ii", "iii", "IV", "V"], "contrast"),
            "outro": Section(["IV", "V", "I", "I"], "outro"),
        },
        form=["intro", "A", "A'", "B", "A'", "C", "A'", "outro"],
        lead=Player("fiddle", "", 69, 88, 100), counter=Player("accordion", "", 57, 72, 74, 40),
        comp=Player("steel guitar", "jig", 52, 66, 82, 88), bass=Player("acoustic bass", "jig", 33, 50, 98),
        lead_tonic=81, density=("fast", "fast"), reverb=40, lead_length=0.85,
        counter_in=("B", "C", "A'"), crash_sections=(),
        grooves={
            "intro": {KICK: "x..x..", LOW_TOM: ".oo.oo"},
            "main": {KICK: "x..x..", LOW_TOM: ".o..o.", TAMBOURINE: ".xx.xx", CLAP: "...x.."},
            "alt": {KICK: "x..x..", LOW_TOM: ".oo.oo", TAMBOURINE: "xoxxox", CLAP: "x..x.."},
            "fill": {KICK: "x.....", LOW_TOM: ".xx...", MID_TOM: "...xxx", CLAP: "...xxx"},
            "end": {KICK: "X.....", TAMBOURINE: "x....."},
        },
    ),
    Song(
        file="Battle.mid", title="Clash of Iron",
        bpm=172, meter="4/4", key="B", mode="minor", seed=10007,
        sections={
            "intro": Section(["i", "i", "i", "V"], "intro"),
            "A": Section(["i", "iv", "bVI", "V", "i", "iv", "bII,V", "i"], "statement"),
            "B": Section(["bVI", "bIII", "bVII", "iv", "bVI", "bII", "V", "V"], "contrast"),
            "C": Section(["i", "i", "bVI", "bVI", "iv", "iv", "V", "V"], "contrast"),
            "outro": Section(["i", "i"], "outro"),
        },
        form=["intro", "A", "A'", "B", "C", "A'", "outro"],
        lead=Player("brass section", "", 64, 83, 127), counter=Player("strings", "", 59, 74, 62, 84),
        comp=Player("distortion guitar", "power", 40, 64, 72, 40), pad=Player("choir", "", 54, 70, 80, 70),
        bass=Player("picked bass", "ostinato", 28, 43, 100),
        lead_tonic=71, density=("fast", "medium"), reverb=40, lead_length=0.85, character="bold",
        counter_in=("B", "C", "A'"), crash_sections=("A", "B", "C"), ending="hit",
        silent={"intro": ("comp", "pad"), "C": ("comp",)},
        section_groove={"C": "break"},
        grooves={
            "intro": {KICK: "x.x.x.x.x.x.x.x.", SNARE: "............x.xx", HAT: "x.x.x.x.x.x.x.x."},
            "main": {KICK: "x.xxx.x.x.xxx.x.", SNARE: "....X.......X...", HAT: "x.x.x.x.x.x.x.x."},
            "alt": {KICK: "x.x.x.x.x.x.x.x.", SNARE: "....X.......X..o", RIDE: "x.x.x.x.x.x.x.x."},
            "break": {KICK: "x.......x.......", SNARE: "....x.......x...", HAT: "o.o.o.o.o.o.o.o."},
            "fill": {KICK: "x...x...x...x.x.", SNARE: "....X...xxxx....",
                     HIGH_TOM: "............xx..", FLOOR_TOM: "..............XX"},
            "end": {KICK: "X...........x.x.", CRASH: "X...............", SNARE: "............x.xx"},
        },
    ),
]


# ---------------------------------------------------------------- reading files back

def read_vlq(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos


@dataclass
class MidiSummary:
    format: int = 0
    tracks: int = 0
    ppq: int = 0
    tempos: list = field(default_factory=list)   # (tick, microseconds a beat)
    names: list = field(default_factory=list)
    notes: dict = field(default_factory=dict)    # channel -> note count
    programs: dict = field(default_factory=dict)
    end_tick: int = 0
    hanging: int = 0                             # notes never released, or struck while sounding


def parse_midi(data):
    if data[:4] != b"MThd" or int.from_bytes(data[4:8], "big") != 6:
        raise ValueError("no MThd header")
    summary = MidiSummary(*(int.from_bytes(data[8 + 2 * i:10 + 2 * i], "big") for i in range(3)))
    pos = 14
    for _ in range(summary.tracks):
        if data[pos:pos + 4] != b"MTrk":
            raise ValueError("missing MTrk")
        length = int.from_bytes(data[pos + 4:pos + 8], "big")
        parse_track(data[pos + 8:pos + 8 + length], summary)
        pos += 8 + length
    return summary


def parse_track(data, summary):
    pos, tick, status, sounding, ended = 0, 0, 0, set(), False
    while pos < len(data):
        delta, pos = read_vlq(data, pos)
        tick += delta
        if data[pos] & 0x80:
            status, pos = data[pos], pos + 1
        kind, channel = status & 0xF0, status & 0x0F
        if status == 0xFF:
            kind, (length, pos) = data[pos], read_vlq(data, pos + 1)
            body, pos = data[pos:pos + length], pos + length
            ended = ended or kind == 0x2F
            if kind == 0x51:
                summary.tempos.append((tick, int.from_bytes(body, "big")))
            elif kind == 0x03:
                summary.names.append(body.decode("ascii"))
        elif status in (0xF0, 0xF7):
            length, pos = read_vlq(data, pos)
            pos += length
        elif kind in (0xC0, 0xD0):
            if kind == 0xC0:
                summary.programs[channel] = data[pos]
            pos += 1
        else:
            key, velocity = data[pos], data[pos + 1]
            pos += 2
            if kind == 0x90 and velocity:
                summary.hanging += (channel, key) in sounding
                sounding.add((channel, key))
                summary.notes[channel] = summary.notes.get(channel, 0) + 1
            elif kind in (0x80, 0x90):
                sounding.discard((channel, key))
    summary.hanging += len(sounding) + (not ended)
    summary.end_tick = max(summary.end_tick, tick)


def seconds(summary):
    tempos = sorted(summary.tempos) or [(0, 500_000)]
    total, last_tick, tempo = 0.0, 0, 500_000
    for tick, value in tempos + [(summary.end_tick, None)]:
        total += (tick - last_tick) * tempo / summary.ppq / 1e6
        last_tick, tempo = tick, value
    return total


def self_test():
    """The byte encodings everything else rests on."""
    known = {0: b"\x00", 0x40: b"\x40", 0x7F: b"\x7f", 0x80: b"\x81\x00", 0x2000: b"\xc0\x00",
             0x3FFF: b"\xff\x7f", 0x4000: b"\x81\x80\x00", 0x0FFFFFFF: b"\xff\xff\xff\x7f"}
    for value, encoded in known.items():
        assert vlq(value) == encoded, (value, vlq(value))
        assert read_vlq(encoded, 0) == (value, len(encoded))
    def names(pcs):
        return " ".join(NOTE_NAMES[pc] for pc in pcs)
    assert names(parse_chord("bVII", 0).pcs) == "Bb D F"
    assert names(parse_chord("V7", pitch_class("A")).pcs) == "E Ab B D"
    assert names(parse_chord("iim7b5", pitch_class("D")).pcs) == "E G Bb D"
    assert NOTE_NAMES[parse_chord("I/3", pitch_class("G")).bass] == "B"
    # Over V in a minor key the tune takes the raised seventh, and only that.
    assert names(chord_scale(MODES["minor"], parse_chord("V", 0))) == "C D Eb F G Ab B"
    assert key_signature(pitch_class("Eb"), "major") == -3 and key_signature(pitch_class("E"), "dorian") == 2
    assert key_signature(pitch_class("B"), "minor") == 2 and key_signature(pitch_class("F"), "major") == -1
    for song in SONGS:
        for groove in song.grooves.values():
            for hits in groove.values():
                assert len(hits) in (song.bar_beats * 2, song.bar_beats * 4), (song.file, hits)


def check():
    """Prints one line a song from the files on disk; returns how many songs have problems."""
    self_test()
    header = (f"{'file':<24}{'title':<25}{'key':<10}{'meter':<6}{'bpm':>4}{'sec':>7}{'trk':>4}  "
              f"{'notes by channel (9 = drums)':<42}{'KB':>5}  ok")
    print(header)
    print("-" * len(header))
    failures = 0
    for song in SONGS:
        path = MUSIC_DIR / song.file
        if not path.exists():
            print(f"{song.file:<24}missing")
            failures += 1
            continue
        data = path.read_bytes()
        try:
            problems = check_song(song, data)
            print(summary_row(song, data, problems))
        except (ValueError, IndexError) as error:
            problems = [f"unreadable: {error}"]
            print(f"{song.file:<24}{problems[0]}")
        failures += bool(problems)
    return failures


def summary_row(song, data, problems):
    summary = parse_midi(data)
    per_channel = " ".join(f"{ch}:{n}" for ch, n in sorted(summary.notes.items()))
    bpm = 60_000_000 / summary.tempos[0][1] if summary.tempos else 0
    title = summary.names[0] if summary.names else "?"
    return (f"{song.file:<24}{title:<25}{song.key + ' ' + song.mode:<10}{song.meter:<6}{bpm:>4.0f}"
            f"{seconds(summary):>7.1f}{summary.tracks:>4}  {per_channel:<42}{len(data) / 1024:>5.1f}  "
            f"{'; '.join(problems) or 'yes'}")


def check_song(song, data):
    summary = parse_midi(data)
    problems = []
    if summary.format != 1 or summary.tracks < 5 or summary.ppq != PPQ:
        problems.append(f"format {summary.format}, {summary.tracks} tracks, ppq {summary.ppq}")
    if summary.names[:1] != [song.title]:
        problems.append("title missing")
    if len(summary.tempos) != 1:
        problems.append(f"{len(summary.tempos)} tempo events")
    if seconds(summary) < 45:
        problems.append(f"only {seconds(summary):.1f}s")
    if summary.notes.get(DRUM_CHANNEL, 0) == 0:
        problems.append("no drums on channel 10")
    if len([ch for ch in summary.notes if ch != DRUM_CHANNEL]) < 4:
        problems.append("too few instruments")
    if summary.hanging:
        problems.append(f"{summary.hanging} hanging notes or unterminated tracks")
    if len(data) > MAX_FILE_BYTES:
        problems.append(f"{len(data)} bytes")
    if render(song) != data:
        problems.append("file differs from a fresh render")
    return problems + tune_problems(song)


def tune_problems(song):
    """What the ear would catch in the composed tracks: a tune off its chords on the strong
    beats, out of its instrument's register, not ending at home, or a bar with no bass."""
    bars = build_bars(song)
    tracks = {name: notes for name, _, _, notes in song_tracks(song)[0]}
    problems = []
    for n in tracks["Melody"]:
        bar = bar_at(bars, n.start)
        beat = n.start - bar.start
        if on_strong_beat(song, beat) and n.pitch % 12 not in bar.chord_at(beat).pcs:
            problems.append(f"melody off the chord at beat {n.start:g}")
        if not song.lead.low <= n.pitch <= song.lead.high:
            problems.append(f"melody out of range at beat {n.start:g}")
    if max(tracks["Melody"], key=lambda n: n.start).pitch % 12 != song.tonic:
        problems.append("tune does not end on the tonic")
    bass_bars = {id(bar_at(bars, n.start)) for n in tracks["Bass"]}
    if any(id(bar) not in bass_bars for bar in bars):
        problems.append("a bar without bass")
    return problems[:3]


def write_all():
    MUSIC_DIR.mkdir(parents=True, exist_ok=True)
    for song in SONGS:
        (MUSIC_DIR / song.file).write_bytes(render(song))
        print(f"wrote {(MUSIC_DIR / song.file).relative_to(REPO_ROOT)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="read the songs back and summarise them")
    args = parser.parse_args()
    if args.check:
        return 1 if check() else 0
    write_all()
    return 0


if __name__ == "__main__":
    sys.exit(main())
