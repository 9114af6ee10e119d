"""What a user of the player can see, step by step: the random walk's model.

Written from the player's documented behaviour, apart from its code. A State
holds what the title and the menu reveal; the transition functions give,
for each action, the title it must leave (exact, or a pattern where the
frame on show depends on timing) and the state after it. Where the state
depends on timing the model keeps the alternatives and learns which one
holds from the title:

- a worker playing a file with a finite loop count may have ended by itself
  (State.may_end); it then shows frame 0 forwards, or the last frame
  backwards, as the current frame, and the title keeps its playing form;
- the frame on show after a pause comes from the title ("k of n").
"""
import re
from dataclasses import dataclass, replace

THIN = "\u2009"
SPEEDS = ["16.00", "8.00", "4.00", "2.00", "1.75", "1.50", "1.25",
          "1.125", "1.00", "0.75", "0.50", "0.25", "0.125", "0.0625"]
ZOOMS = ["400%", "200%", "150%", "125%", "100%", "75%", "50%", "25%"]


@dataclass(frozen=True)
class Facts:
    """What a file gives when it loads: frames 0 or more, or loads False."""
    loads: bool
    frames: int = 0
    finite: bool = False   # a loop count other than 0: the worker ends by itself
    in_file: int = 0       # images the file holds, when more than it keeps


@dataclass(frozen=True)
class State:
    path: str = ""         # Windows path of the file loaded; "" for none
    name: str = ""
    n: int = 0
    in_file: int = 0
    finite: bool = False
    playing: bool = False  # a worker was started (and, with may_end, may be gone)
    may_end: bool = False
    reversed: bool = False
    speed: int = 8
    zoom: int = 4
    cf: int = 0            # the current frame, known while no worker runs
    title: str = "Morvix"  # the title on show


@dataclass(frozen=True)
class Outcome:
    """An expected title (a regular expression) and the state it leads to.
    learn, when given, maps the title's match to the state instead."""
    pattern: str
    state: State
    learn: object = None

    def resolve(self, title):
        m = re.fullmatch(self.pattern, title)
        if not m:
            return None
        return self.learn(m) if self.learn else self.state


def exact(title, state):
    return Outcome(re.escape(title), replace(state, title=title))


def cut_part(s):
    return f", {s.in_file} in file" if s.in_file > s.n else ""


def single_title(s):
    return f"{s.name} (1 frame{cut_part(s)} | {ZOOMS[s.zoom]})"


def frame_title(s, k):
    return f"{s.name} ({k} of {s.n} frames{cut_part(s)} | {ZOOMS[s.zoom]})"


def playing_title(s):
    mark = "<<" if s.reversed else ">>"
    return f"{s.name} ({s.n} frames{cut_part(s)} | {mark} | x{THIN}{SPEEDS[s.speed]} | {ZOOMS[s.zoom]})"


def alternatives(s):
    """The states the player may be in now: a worker that may have ended by
    itself is either still running or ended, with the first frame of its
    direction as the current frame."""
    if s.playing and s.may_end:
        return [s, replace(s, playing=False, may_end=False, cf=s.n - 1 if s.reversed else 0)]
    return [s]


def start(s, frame):
    """startPlayback: the frame number matters only to the worker."""
    del frame
    return replace(s, playing=True, may_end=s.finite, cf=0)


def paused_on(s):
    """A pause whose frame the title names: learn it from the title."""
    pattern = re.escape(f"{s.name} (") + r"([0-9]+)" + re.escape(f" of {s.n} frames{cut_part(s)} | {ZOOMS[s.zoom]})")

    def learn(m):
        k = int(m.group(1))
        if not 1 <= k <= s.n:
            return None
        return replace(s, playing=False, may_end=False, cf=k - 1, title=m.group(0))
    return Outcome(pattern, s, learn)


def unchanged(original):
    return Outcome(re.escape(original.title), original)


def key_outcomes(original, key):
    """Outcomes of one command key (xdotool's name), every alternative."""
    out = []
    for s in alternatives(original):
        out.append(key_outcome(original, s, key))
    return out


def key_outcome(original, s, key):
    if s.n < 1 or key in ("Left", "Right"):
        return unchanged(original)  # nothing loaded, or a step the caller makes
    if key in ("equal", "minus"):
        zoom = max(0, s.zoom - 1) if key == "equal" else min(7, s.zoom + 1)
        z = replace(s, zoom=zoom)
        if s.n == 1:
            return exact(single_title(z), z)
        return exact(playing_title(z), z) if s.playing else exact(frame_title(z, z.cf + 1), z)
    if s.n == 1:
        return exact(single_title(s), s)  # every other key rewrites the same title
    if key in ("Up", "Down"):
        if not s.playing:
            return unchanged(original)
        z = replace(s, speed=max(0, s.speed - 1) if key == "Up" else min(13, s.speed + 1))
        return exact(playing_title(z), replace(z, may_end=original.may_end))
    if key in ("n", "v"):
        if s.playing:
            return exact(playing_title(s), original)
        cf = (s.cf + 1) % s.n if key == "n" else (s.cf - 1) % s.n
        z = replace(s, cf=cf)
        return exact(frame_title(z, cf + 1), z)
    if key == "p":
        if s.playing:
            return paused_on(s)
        frame = (s.cf + 1) if not s.reversed else (s.n - 1 if s.cf == 0 else s.cf - 1)
        z = start(s, frame)
        return exact(playing_title(z), z)
    if key == "r":
        z = start(replace(s, reversed=not s.reversed), 0)
        return exact(playing_title(z), z)
    if key == "s":
        z = replace(s, playing=False, may_end=False, cf=0, reversed=False)
        return exact(frame_title(z, 1), z)
    raise ValueError(f"no rule for key {key}")


def load_outcomes(original, path, name, facts):
    """The document switch on path: the same file resumes, another loads."""
    if original.path and path == original.path:
        out = []
        for s in alternatives(original):
            if s.n > 1 and not s.playing:
                s = start(s, s.cf)
            out.append(Outcome(re.escape(original.title), replace(s, title=original.title)))
        return out
    if not facts.loads:
        return [exact("Morvix", State())]
    s = State(path=path, name=name, n=facts.frames, in_file=facts.in_file, finite=facts.finite)
    if facts.frames > 1:
        s = start(s, 0)
        return [exact(playing_title(s), s)]
    return [exact(single_title(s), s)]


def cut_load_outcomes(original, path, name, facts):
    """A file the picture limit cuts: how many frames stay depends on the
    process, so the count is learnt from the title, which must name the
    file's images ("N frames, 10000 in file"); the rest is exact."""
    if original.path and path == original.path:
        return load_outcomes(original, path, name, facts)
    head = re.escape(f"{name} (") + r"([0-9]+)" + re.escape(f" frames, {facts.in_file} in file | >> | x{THIN}1.00 | 100%)")

    def learn(m):
        n = int(m.group(1))
        if not 2 <= n < facts.in_file:
            return None
        return State(path=path, name=name, n=n, in_file=facts.in_file, finite=facts.finite,
                     playing=True, may_end=facts.finite, title=m.group(0))
    return [Outcome(head, State(), learn)]


def menu_rows(s, neighbours):
    """The context menu as it opens in state s: (key, enabled) per item and
    None per separator. neighbours: (has previous, has next)."""
    rows = [("o", True), None]
    if s.n >= 1:
        rows += [("Left", neighbours[0]), ("Right", neighbours[1]), None]
    if s.n >= 2:
        stop_greyed = not s.playing and s.cf == 0 and not s.reversed
        rows += [("p", True), ("r", True), ("s", not stop_greyed), None]
        if s.playing:
            rows += [("Up", s.speed != 0), ("Down", s.speed != 13)]
        else:
            rows += [("n", True), ("v", True)]
        rows.append(None)
    if s.n >= 1:
        rows += [("equal", s.zoom != 0), ("minus", s.zoom != 7), None]
    rows.append(("x", True))
    return rows


def describe(rows):
    """The rows as the screen check reads them: a name per item, "~" after
    a greyed one, "|" for a separator."""
    return " ".join("|" if r is None else r[0] + ("" if r[1] else "~") for r in rows)
