#!/usr/bin/env python3
"""A seeded random walk of the real player under Wine: tests/e2e/t/65-random-walk.

  walk.py FOLDER --seconds S --seed N      walk for S seconds
  walk.py FOLDER --replay STEPS            the steps of a walk's log, again
  walk.py FOLDER ... --shrink SECONDS      on a failure, look for fewer steps

FOLDER holds the walk's files; the walk steps through it with Left and
Right, opens its files with the open dialog, hands them over by second
starts and drops them. Each step is one action of a user; after it the
title must be the one the model (walk_model.py) predicts, the player alive
and answering, and no window shown but its own. Every so often the walk
reads the player's GDI objects and private bytes with the same file loaded;
both must stay flat. The steps go to STEPS.jsonl in the work folder, one
JSON record a line, with the seed; a failure prints the seed and the steps.
Exit status: 0 the walk held, 1 a fault, 2 the walk could not start.

Environment (tests/e2e/run.sh sets it): WINE, EXE, HELPERS, XDND_DROP,
E2E_WORK, E2E_OUT, MORVIX_FRAMES, SRC_DIR. For a failure's diagnosis,
MORVIX_WALK_TRACE=1 prints every xdotool call and MORVIX_WALK_TRACE_GDI=1
the player's GDI objects and private bytes after every step.

While the context menu or a dialog is open the walk sends only what closes
or drives it (a row's click, Escape, the typed path), except the command
keys it types into the About box to check that none gets through.
"""
import argparse
import json
import os
import random
import re
import subprocess
import sys
import time
from dataclasses import replace

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import walk_model as model  # noqa: E402

WINE = os.environ.get("WINE", "wine")
EXE = os.environ.get("EXE", "")
HELPERS = os.environ.get("HELPERS", "")
XDND_DROP = os.environ.get("XDND_DROP", "")
WORK = os.environ.get("E2E_WORK", ".")
SRC_DIR = os.environ.get("SRC_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
CLASS = os.path.basename(EXE)
LOAD_SECONDS = 30    # the large files' loads under a loaded machine
ANSWER_SECONDS = 10  # anything else; the player answers in tens of ms


class Fault(Exception):
    pass


def now():
    return time.monotonic()


def poll(seconds, probe, every=0.03):
    """probe() until it returns something other than None, or None at the deadline."""
    end = now() + seconds
    while True:
        value = probe()
        if value is not None or now() > end:
            return value
        time.sleep(every)


def run(args, timeout=15, check=False):
    try:
        done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Fault(f"{args[0]} did not end within {timeout} s: {' '.join(args)}")
    if check and done.returncode != 0:
        raise Fault(f"{' '.join(args)} exited {done.returncode}")
    return done.stdout.decode("utf-8", "replace")


def xdo(*args):
    out = run(["xdotool", *map(str, args)], timeout=10)
    if os.environ.get("MORVIX_WALK_TRACE"):
        print(f"  {now():.3f} xdotool {' '.join(map(str, args))} -> {out.strip()[:60]!r}", flush=True)
    return out


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def wine_helper(name, *args, timeout=30):
    return run([WINE, os.path.join(HELPERS, name), *args], timeout=timeout).replace("\r", "")


# ---- Windows on the display ----

def visible_windows():
    """(id, title) of every mapped window with a title."""
    ids = xdo("search", "--onlyvisible", "--name", ".").split()
    return [(w, xdo("getwindowname", w).rstrip("\n")) for w in ids]


def menu_window():
    for w in xdo("search", "--onlyvisible", "--classname", CLASS).split():
        if xdo("getwindowname", w).rstrip("\n") == "":
            return w
    return None


def geometry(window):
    fields = dict(line.split("=", 1) for line in xdo("getwindowgeometry", "--shell", window).split())
    return int(fields["X"]), int(fields["Y"]), int(fields["WIDTH"]), int(fields["HEIGHT"])


def window_named(title):
    for w, name in visible_windows():
        if name == title:
            return w
    return None


def menu_seen(x, y, width, height, rows):
    """The open menu's rows as the screen shows them, in describe()'s terms:
    Wine's default theme draws a 3-pixel border, 17 pixels an item and 9 a
    separator; enabled text has black pixels, greyed text none darker than
    grey, a separator is an etched line."""
    data = subprocess.run(["timeout", "5", "import", "-window", "root", "-crop",
                           f"{width - 6}x{height - 6}+{x + 3}+{y + 3}", "+repage",
                           "-colorspace", "gray", "-depth", "8", "gray:-"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    line = width - 6
    darkest_rows = [min(data[i:i + line]) for i in range(0, len(data) - line + 1, line)]
    seen, top = [], 0
    for row in rows:
        band = 9 if row is None else 17
        darkest = min(darkest_rows[top:top + band], default=255)
        top += band
        if row is None:
            seen.append("|" if 140 < darkest < 200 else f"?{darkest}")
        elif darkest <= 60:
            seen.append(row[0])
        elif darkest <= 140:
            seen.append(row[0] + "~")
        else:
            seen.append(f"?{darkest}")
    return " ".join(seen)


def menu_height(rows):
    return 6 + sum(9 if r is None else 17 for r in rows)


# ---- The files ----

def file_facts(folder):
    """What each entry of the folder gives when loaded, from the native
    morvix-frames (the player's own decoder; the walk tests the state around
    it, not the decoding). A file the picture limit cuts is marked by its
    count of images, its kept frames are learnt from the title."""
    facts = {}
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if os.path.isdir(path):
            facts[name] = model.Facts(loads=False)
            continue
        out = run([os.environ["MORVIX_FRAMES"], "--budget-mib", "1024", path], timeout=120)
        m = re.search(r"^result [0-4] width \d+ height \d+ frames (\d+) loops (\d+)", out, re.M)
        if not m:
            facts[name] = model.Facts(loads=False)
            continue
        frames, loops = int(m.group(1)), int(m.group(2))
        images = re.search(r" images (\d+)", out)
        in_file = int(images.group(1)) if images else frames
        facts[name] = model.Facts(loads=True, frames=frames, finite=loops != 0,
                                  in_file=in_file if in_file > frames else 0)
    return facts


class Player:
    """The player's process and main window."""

    def __init__(self, folder):
        self.folder = folder
        self.process = None
        self.window = None

    def start(self, name):
        args = [WINE, EXE] + ([os.path.join(self.folder, name)] if name else [])
        self.process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = poll(LOAD_SECONDS, self.find_window, 0.1)
        if not self.window:
            raise Fault(f"no player window after a start with {name or 'no file'}")

    def find_window(self):
        for w in xdo("search", "--onlyvisible", "--classname", CLASS).split():
            if xdo("getwindowname", w).rstrip("\n") not in ("", "About", "Open"):
                return w
        return None

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def title(self):
        return xdo("getwindowname", self.window).rstrip("\n")

    def stop(self):
        if self.alive():
            self.process.kill()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                pass
        self.process = None


class Walk:
    def __init__(self, folder, rng, log):
        self.folder = folder
        self.rng = rng
        self.log = log
        self.facts = file_facts(folder)
        self.order = self.directory_order()
        self.keys = read_keys()
        self.player = Player(folder)
        self.state = model.State()
        self.readings = []
        self.history = []  # the readings of the processes before this one
        self.excursions = 0  # readings above the bound that came back
        self.counts = {}
        self.steps = 0

    # ---- the folder, as the player enumerates it ----

    def directory_order(self):
        out = wine_helper("list_gifs.exe", winpath(self.folder))
        names = [line.rsplit("\\", 1)[-1] for line in out.splitlines() if line.strip()]
        if not names:
            raise Fault(f"list_gifs found no GIF in {self.folder}")
        return names

    def neighbours(self, s):
        if not s.path or s.name not in self.order:
            return False, False
        i = self.order.index(s.name)
        return i > 0, i + 1 < len(self.order)

    def path_of(self, name):
        return winpath(os.path.join(self.folder, name))

    def load(self, name):
        facts = self.facts.get(name, model.Facts(loads=False))
        if facts.in_file:
            return model.cut_load_outcomes(self.state, self.path_of(name), name, facts)
        return model.load_outcomes(self.state, self.path_of(name), name, facts)

    @staticmethod
    def accepted(name, folder):
        """Whether a file source takes the name: an existing file ending in .gif."""
        path = os.path.join(folder, name)
        return name.lower().endswith(".gif") and os.path.isfile(path)

    # ---- checks ----

    def expect(self, outcomes, before, seconds=ANSWER_SECONDS):
        """Waits for a title that one of the outcomes allows and takes the
        state it gives. A title equal to the one before the step may only
        mean that the step is still queued: the barrier makes sure."""
        def match():
            title = self.player.title()
            for o in outcomes:
                s = o.resolve(title)
                if s is not None:
                    return title, s
            return None
        found = poll(seconds, match)
        if found and found[0] == before:
            self.barrier()
            found = match()
        if not found:
            wanted = " or ".join(f"/{o.pattern}/" for o in outcomes)
            raise Fault(f"title {self.player.title()!r}, want {wanted}")
        self.state = found[1]

    def focused(self):
        """Keys go to the window with the focus: a key sent while a closed
        dialog hands the focus back would be lost."""
        if poll(ANSWER_SECONDS, lambda: True if xdo("getwindowfocus").strip() == self.player.window else None) is None:
            raise Fault(f"the player's window does not get the focus (it is on {xdo('getwindowfocus').strip()})")

    def key(self, *keys):
        self.focused()
        xdo("key", *keys)

    def barrier(self):
        """The menu key opens the context menu only once every key before it
        has been handled; Escape closes it without a command."""
        self.key("Menu")
        if poll(ANSWER_SECONDS, menu_window) is None:
            raise Fault(f"no context menu within {ANSWER_SECONDS} s: the player does not answer")
        xdo("key", "Escape")
        if poll(ANSWER_SECONDS, lambda: True if menu_window() is None else None) is None:
            raise Fault("the context menu stays open after Escape")

    def check_windows(self, allowed=()):
        if not self.player.alive():
            raise Fault(f"the player ended (exit {self.player.process.returncode})")
        titles = [t for _, t in visible_windows()]
        others = [t for t in titles if t != self.state.title and t not in allowed]
        if others or self.state.title not in titles:
            raise Fault(f"windows shown: {titles}, want only {self.state.title!r}")

    # ---- actions: choose one, then do it ----

    def choose(self):
        """One action. The keys of app/keys.txt that open something (O, the
        menu key, F1) or end the player (X) are actions of their own, with
        what follows them; the other command keys are plain keys."""
        r = self.rng
        # Loads are rarer than other steps, so that speed, zoom, direction
        # and the frame on show build up between them.
        kind = r.choices(["key", "menu", "open", "about", "handover", "drop", "resize", "minimise", "exit"],
                         [64, 10, 2, 3, 3, 2, 4, 2, 0.25])[0]
        files = self.order + ["wrongext.png", "missing.gif"]
        # The open dialog takes files; a folder's name would open the folder.
        dialog = [name for name in self.order if os.path.isfile(os.path.join(self.folder, name))]
        dialog_file = r.choice(dialog + ["wrongext.png", None])
        if kind == "key":
            keys = [k for k in self.keys if k not in ACTION_KEYS]
            weights = [0.3 if k in ("Left", "Right") else 1 for k in keys]
            return {"do": "key", "key": r.choices(keys, weights)[0]}
        if kind == "menu":
            at = None if r.random() < 0.3 else [r.randrange(0, 120), r.randrange(0, 90)]
            return {"do": "menu", "at": at, "pick": r.random(), "file": dialog_file}
        if kind == "open":
            return {"do": "open", "file": dialog_file}
        if kind == "about":
            return self.about_action()
        if kind == "handover":
            return {"do": "handover", "file": r.choice(files)}
        if kind == "drop":
            return {"do": "drop", "file": r.choice(files)}
        if kind == "resize":
            return {"do": "resize", "w": r.randrange(120, 900), "h": r.randrange(90, 700)}
        if kind == "minimise":
            return {"do": "minimise", "handover": r.choice([None] + self.order)}
        return {"do": "exit", "restart": r.choice(self.order + [None])}

    def about_action(self):
        r = self.rng
        return {"do": "about", "keys": r.sample(["p", "s", "r", "n", "equal", "minus", "Right", "x", "o"], r.randrange(0, 3)),
                "copy": r.random() < 0.5, "close": r.choice(["Escape", "Return"])}

    def do(self, action):
        self.counts[action["do"]] = self.counts.get(action["do"], 0) + 1
        getattr(self, "do_" + action["do"])(action)

    def do_key(self, a):
        before = self.state.title
        self.key(a["key"])
        outcomes = []
        for s in model.alternatives(self.state):
            outcomes += self.key_outcomes(s, a["key"])
        self.expect(outcomes, before, LOAD_SECONDS)
        self.check_windows()

    def do_menu(self, a):
        before = self.state.title
        if a["at"] is None:
            self.key("Menu")
        else:
            xdo("mousemove", "--window", self.player.window, a["at"][0], a["at"][1], "click", "3")
        if poll(ANSWER_SECONDS, menu_window) is None:
            raise Fault("no context menu")
        x, y, width, height = geometry(menu_window())
        # The menu reads the state once, as it opens: which alternative it
        # shows tells whether a worker that may end has ended.
        shown = []
        for s in model.alternatives(self.state):
            rows = model.menu_rows(s, self.neighbours(s))
            if menu_height(rows) == height and menu_seen(x, y, width, height, rows) == model.describe(rows):
                shown.append((s, rows))
        if not shown:
            rows = model.menu_rows(self.state, self.neighbours(self.state))
            raise Fault(f"menu {width}x{height}: have '{menu_seen(x, y, width, height, rows)}', "
                        f"want '{model.describe(rows)}' ({menu_height(rows)} px)")
        if len(shown) == 1:
            self.state = shown[0][0]  # a worker that may end had ended, or had not
        # A row enabled in every state the menu may show; its key may differ
        # between them (speed rows while playing, step rows once ended).
        # Exit is picked rarely: every new process starts a new baseline of
        # the memory readings.
        enabled = [i for i, r in enumerate(shown[0][1]) if r is not None and r[0] != "x"
                   and all(rows[i] is not None and rows[i][1] for _, rows in shown)]
        if 0.8 <= a["pick"] < 0.81:
            enabled = [len(shown[0][1]) - 1]
            a = dict(a, pick=0)
        if a["pick"] >= 0.8 or not enabled:
            xdo("key", "Escape")
            if poll(ANSWER_SECONDS, lambda: True if menu_window() is None else None) is None:
                raise Fault("menu still open after Escape")
            self.check_windows()
            return
        index = enabled[int(a["pick"] / 0.8 * len(enabled))]
        top = 3 + sum(9 if r is None else 17 for r in shown[0][1][:index])
        xdo("mousemove", x + 40, y + top + 8, "click", "1")
        key = shown[0][1][index][0]
        if key == "x":
            return self.exited({"restart": None})
        if key == "o":
            return self.open_dialog(a["file"])
        # The command runs when the row is clicked: a worker that was playing
        # as the menu opened may have ended since (Up and Down are then
        # ignored).
        outcomes = []
        for s, rows in shown:
            for now_in in model.alternatives(s):
                outcomes += self.key_outcomes(now_in, rows[index][0])
        self.expect(outcomes, before, LOAD_SECONDS)
        self.check_windows()

    def key_outcomes(self, s, key):
        """The outcome of key in the alternative s of the present state."""
        if key not in ("Left", "Right"):
            return [model.key_outcome(self.state, s, key)]
        has_prev, has_next = self.neighbours(s)
        if s.n < 1 or not (has_prev if key == "Left" else has_next):
            return [model.unchanged(self.state)]
        return self.load(self.order[self.order.index(s.name) + (-1 if key == "Left" else 1)])

    def do_open(self, a):
        self.key("o")
        self.open_dialog(a["file"])

    def open_dialog(self, name):
        before = self.state.title
        if poll(ANSWER_SECONDS, lambda: window_named("Open")) is None:
            raise Fault("no open dialog")
        if name:
            xdo("type", self.path_of(name))
            xdo("key", "Return")
        else:
            xdo("key", "Escape")
        if poll(ANSWER_SECONDS, lambda: True if window_named("Open") is None else None) is None:
            raise Fault(f"the open dialog stays after {name or 'Escape'}")
        if name and self.accepted(name, self.folder):
            self.expect(self.load(name), before, LOAD_SECONDS)
        else:
            self.expect([model.unchanged(self.state)], before)
        self.check_windows()

    def do_about(self, a):
        before = self.state.title
        self.key("F1")
        about = poll(ANSWER_SECONDS, lambda: window_named("About"))
        if about is None:
            raise Fault("no About box")
        # The box is modal: command keys typed into it reach no command.
        if a["keys"]:
            xdo("key", *a["keys"])
        if a["copy"]:
            for item in ("All", "Copy"):
                xdo("mousemove", "--window", about, 60, 60, "click", "3")
                if poll(ANSWER_SECONDS, menu_window) is None:
                    raise Fault("no edit menu in the About box")
                x, y, _, _ = geometry(menu_window())
                xdo("mousemove", x + 40, y + 3 + (17 if item == "All" else 0) + 8, "click", "1")
                if poll(ANSWER_SECONDS, lambda: True if menu_window() is None else None) is None:
                    raise Fault("the About box's edit menu stays open")
            text = poll(ANSWER_SECONDS, lambda: (lambda t: t if "Morvix" in t else None)(
                wine_helper("probe.exe", "clipboard")), 0.2)
            if text is None:
                raise Fault("Copy in the About box put no About text on the clipboard")
        self.check_windows(allowed=("About",))
        xdo("key", a["close"])
        if poll(ANSWER_SECONDS, lambda: True if window_named("About") is None else None) is None:
            raise Fault(f"the About box stays after {a['close']}")
        self.expect([model.unchanged(self.state)], before)
        self.check_windows()

    def do_handover(self, a, minimised=False):
        before = self.state.title
        second = subprocess.Popen([WINE, EXE, os.path.join(self.folder, a["file"])],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            code = second.wait(LOAD_SECONDS)
        except subprocess.TimeoutExpired:
            second.kill()
            raise Fault(f"the second start with {a['file']} did not end")
        if code != 0:
            raise Fault(f"the second start with {a['file']} exited {code}")
        if self.accepted(a["file"], self.folder):
            self.expect(self.load(a["file"]), before, LOAD_SECONDS)
        elif not minimised:
            self.expect([model.unchanged(self.state)], before)
        # A refused file leaves a minimised window so, and no key reaches it:
        # the caller checks once it is restored.
        if not minimised:
            self.check_windows()

    def do_drop(self, a):
        before = self.state.title
        if not XDND_DROP or not os.access(XDND_DROP, os.X_OK):
            return
        run([XDND_DROP, self.player.window, "50", "50", "file://" + os.path.join(self.folder, a["file"])],
            check=True)
        if self.accepted(a["file"], self.folder):
            self.expect(self.load(a["file"]), before, LOAD_SECONDS)
        else:
            self.expect([model.unchanged(self.state)], before)
        self.check_windows()

    def do_resize(self, a):
        xdo("windowsize", self.player.window, a["w"], a["h"])
        if poll(ANSWER_SECONDS, lambda: True if geometry(self.player.window)[2:] == (a["w"], a["h"]) else None) is None:
            raise Fault(f"client size {geometry(self.player.window)[2:]}, want {a['w']} x {a['h']}")
        self.check_windows()

    def do_minimise(self, a):
        """Minimised, then restored, by a second start or as a user would:
        keys sent to a minimised window are lost under Wine."""
        place = geometry(self.player.window)
        xdo("windowminimize", self.player.window)
        if poll(ANSWER_SECONDS, lambda: True if not self.shown() else None) is None:
            raise Fault("the window did not minimise")
        # A second start that hands over a file restores the window; one that
        # is refused leaves it alone, and the user restores it.
        handed = a["handover"] and self.accepted(a["handover"], self.folder)
        if a["handover"]:
            self.do_handover({"file": a["handover"]}, minimised=True)
        if not handed:
            self.restore()
        how = "a second start" if handed else "a restore"
        if poll(ANSWER_SECONDS, lambda: True if self.shown() else None) is None:
            raise Fault(f"the window stays minimised after {how}")
        # Mapped is not yet placed: clicks must wait for the window's place.
        if poll(ANSWER_SECONDS, lambda: True if geometry(self.player.window) == place else None) is None:
            raise Fault(f"the window at {geometry(self.player.window)} after {how}, before at {place}")
        self.expect([model.unchanged(self.state)], self.state.title)
        self.check_windows()

    def restore(self):
        """As a user restores a window from the task bar. The window manager
        may drop an activation that arrives while it still hides the window;
        the user then clicks once more."""
        for _ in range(3):
            xdo("windowactivate", self.player.window)
            if poll(3, lambda: True if xdo("getwindowfocus").strip() == self.player.window else None):
                return

    def shown(self):
        return self.player.window in xdo("search", "--onlyvisible", "--classname", CLASS).split()

    def do_exit(self, a):
        self.key("x")
        self.exited(a)

    def exited(self, a):
        try:
            code = self.player.process.wait(ANSWER_SECONDS)
        except subprocess.TimeoutExpired:
            raise Fault("the player did not end on X")
        if code != 0:
            raise Fault(f"the player exited {code} on X")
        self.history.append(self.readings)
        self.readings = []  # a new process: a new baseline
        self.start(a.get("restart"))

    def start(self, name):
        self.state = model.State()
        self.player.start(name)
        if name:
            self.expect(self.load(name), "", LOAD_SECONDS)
        else:
            self.expect([model.unchanged(self.state)], "Morvix")
        self.check_windows()
        self.warm_up()

    def warm_up(self):
        """What a new process makes once and keeps (the dialogs' fonts and
        icons, the menu's bitmaps, the wait cursor of a large file's load:
        235 GDI objects where a bare start holds 71) is made before the
        first reading, the baseline."""
        self.do_about({"keys": [], "copy": False, "close": "Escape"})
        self.do_open({"file": None})
        self.do_handover({"file": "large.gif"})
        self.barrier()
        self.do_measure({"file": "one.gif"})

    def do_measure(self, a):
        """Same file, same state of the GDI: the walk's one-frame file. A
        reading above the bound is taken again until it comes back: Wine
        holds objects of its own for a moment now and then (seen: 7 more
        for one reading, gone in the replay of the same steps); a leak
        stays."""
        self.do_handover({"file": a["file"]})
        taken = []

        def settled():
            out = wine_helper("probe.exe", "memory")
            m = re.match(r"gdi (\d+) private (\d+)", out)
            if not m:
                raise Fault(f"probe memory: {out!r}")
            taken.append((int(m.group(1)), int(m.group(2))))
            return taken[-1] if flat(self.readings, taken[-1]) else None
        reading = poll(MEMORY_SETTLE_SECONDS, settled, 0.2)
        if reading is None:
            base = self.readings[0]
            raise Fault(f"GDI objects and private bytes {taken[-1]} for {MEMORY_SETTLE_SECONDS} s, baseline {base}: "
                        f"readings {self.readings}")
        self.excursions += len(taken) > 1
        self.readings.append(reading)


# GDI objects: Wine makes and frees an object of its own now and then, so a
# reading may pass the baseline by one or two and come back; a leak stays
# and grows. The baseline is a process's first reading, taken after its
# warm-up, with the same one-frame file loaded as every later reading.
GDI_SLACK = 3
# Private bytes: heap growth that settles. A leaked document of the walk's
# files is a megabyte or more of frame table and rasters (the cut file's
# alone is 9,000 records), so 16 MiB over the baseline is many lost loads,
# while the heap's own growth in the walks measured stayed under 4 MiB.
PRIVATE_SLACK = 16 << 20


MEMORY_SETTLE_SECONDS = 5


def flat(readings, reading):
    """Whether a reading keeps to the process's baseline (its first)."""
    if not readings:
        return True
    gdi_base, private_base = readings[0]
    return reading[0] <= gdi_base + GDI_SLACK and reading[1] <= private_base + PRIVATE_SLACK


# The keys that are actions of their own (Walk.choose).
ACTION_KEYS = ("o", "Menu", "F1", "x")


def read_keys():
    """The command keys of app/keys.txt, as xdotool names them."""
    names = {"O": "o", "Left": "Left", "Right": "Right", "P": "p", "R": "r", "S": "s", "N": "n", "V": "v",
             "Up": "Up", "Down": "Down", "+": "equal", "-": "minus", "Menu key": "Menu", "F1": "F1", "X": "x"}
    keys = []
    with open(os.path.join(SRC_DIR, "app", "keys.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or "|" not in line:
                continue
            shown = line.split("|")[2].strip()
            if shown not in names:
                raise Fault(f"app/keys.txt names the key {shown!r}, which the walk has no rule for")
            keys.append(names[shown])
    return keys


def walk_steps(walk, steps, seconds, measure_every, done, printer):
    """Runs the given steps, or random ones for seconds, into done."""
    start = now()
    last_measure = start
    index = 0
    while True:
        if steps is not None:
            if index >= len(steps):
                break
            action = steps[index]
        elif now() - start >= seconds:
            break
        elif now() - last_measure >= measure_every:
            action = {"do": "measure", "file": "one.gif"}
            last_measure = now()
        else:
            action = walk.choose()
        index += 1
        done.append(action)
        printer(action)
        walk.do(action)
        if os.environ.get("MORVIX_WALK_TRACE_GDI"):
            print(f"  after {action}: {wine_helper('probe.exe', 'memory').strip()}", flush=True)


def attempt(folder, steps, start_file, log, seed=0, seconds=0, measure_every=8):
    """One walk from a fresh player; returns (steps done, fault or None, walk)."""
    walk = Walk(folder, random.Random(seed), log)
    done = []

    def printer(action):
        log.write(json.dumps(action) + "\n")
        log.flush()
    try:
        walk.start(start_file)
        walk_steps(walk, steps, seconds, measure_every, done, printer)
        walk.do({"do": "measure", "file": "one.gif"})
        return done, None, walk
    except Fault as fault:
        return done, fault, walk
    finally:
        walk.player.stop()
        for w, name in visible_windows():
            if name in ("About", "Open"):
                xdo("windowclose", w)


def fault_kind(fault):
    """A fault's message without its numbers and quoted parts: the same
    fault after other steps names other titles and counts."""
    return re.sub(r"'[^']*'|/[^/]*/|\d+", "", str(fault))


def shrink(folder, steps, start_file, budget, fault):
    """Drops chunks of steps while the walk still fails the same way:
    halves, then quarters, down to single steps, until the budget of
    seconds is spent."""
    end = now() + budget
    kind = fault_kind(fault)
    chunk = max(1, len(steps) // 2)
    with open(os.path.join(WORK, "shrink-trials.jsonl"), "w") as log:
        while chunk >= 1 and now() < end:
            i = 0
            while i < len(steps) and now() < end:
                trial = steps[:i] + steps[i + chunk:]
                _, again, _ = attempt(folder, trial, start_file, log)
                if again and fault_kind(again) == kind:
                    steps = trial
                else:
                    i += chunk
            chunk //= 2
    return steps


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--replay")
    parser.add_argument("--shrink", type=float, default=0)
    parser.add_argument("--measure-every", type=float, default=8)
    args = parser.parse_args()
    folder = os.path.abspath(args.folder)
    if args.replay:
        with open(args.replay) as f:
            records = [json.loads(line) for line in f if line.strip()]
        head, steps = records[0], records[1:]
        seed, start_file = head["seed"], head["start"]
    else:
        seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1 << 31)
        steps = None
        start_file = random.Random(seed).choice(["a.gif", "b.gif", "four.gif", None])
    # Beside the test logs: the runner empties the work folder of a test
    # each time it starts it, and a replay runs there.
    logs = os.path.join(os.environ.get("E2E_OUT", WORK), "logs")
    os.makedirs(logs, exist_ok=True)
    steps_file = os.path.join(logs, f"random-walk-{seed}{'-replay' if args.replay else ''}.jsonl")
    print(f"walk: seed {seed}, start {start_file or 'no file'}, steps in {steps_file}", flush=True)
    print(f"replay: MORVIX_WALK_REPLAY={steps_file} bash tests/e2e/run.sh random-walk", flush=True)
    began = now()
    with open(steps_file, "w") as log:
        log.write(json.dumps({"seed": seed, "start": start_file}) + "\n")
        done, fault, walk = attempt(folder, steps, start_file, log, seed, args.seconds, args.measure_every)
    took = now() - began
    counts = ", ".join(f"{k} {v}" for k, v in sorted(walk.counts.items()))
    print(f"walk: {len(done)} steps in {took:.0f} s ({len(done) / took:.2f} a second): {counts}")
    for number, readings in enumerate(walk.history + [walk.readings], 1):
        gdi = [r[0] for r in readings]
        private = [r[1] >> 20 for r in readings]
        print(f"walk: process {number}: GDI objects {gdi}, private MiB {private}")
    print(f"walk: readings above the bound that came back within {MEMORY_SETTLE_SECONDS} s: {walk.excursions}")
    if not fault:
        print(f"walk: seed {seed} held")
        return 0
    print(f"FAULT after step {len(done)}: {fault}")
    print(f"walk: seed {seed}; its steps:")
    for i, action in enumerate(done, 1):
        print(f"  {i:4d} {json.dumps(action)}")
    if args.shrink > 0:
        fewest = shrink(folder, done, start_file, args.shrink, fault)
        shrunk = os.path.join(logs, f"random-walk-{seed}-shrunk.jsonl")
        with open(shrunk, "w") as f:
            f.write(json.dumps({"seed": seed, "start": start_file}) + "\n")
            f.writelines(json.dumps(a) + "\n" for a in fewest)
        print(f"walk: still fails with {len(fewest)} of {len(done)} steps (replay: MORVIX_WALK_REPLAY={shrunk}):")
        for i, action in enumerate(fewest, 1):
            print(f"  {i:4d} {json.dumps(action)}")
    # Last, where the runner's excerpt of the log shows it.
    print(f"walk: seed {seed} FAILED after step {len(done)}: {fault}; "
          f"replay: MORVIX_WALK_REPLAY={steps_file} bash tests/e2e/run.sh random-walk")
    return 1


if __name__ == "__main__":
    sys.exit(main())
