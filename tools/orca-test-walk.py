#!/usr/bin/env python3
"""A test on the test screen as a real screen reader speaks it, from Ctrl+S
to the result, in one language.

    tools/ui-session.sh /usr/bin/python3 tools/orca-test-walk.py PROGRAM FOLDER LANG [opens]

PROGRAM and FOLDER as for tools/screenshots.py; LANG is en or de. Starts
Orca (tools/orca_speech.py) on the session's accessibility bus, makes a
user and a database of two typed items and one choice item, and runs
five tests: a typed item first and a choice item first, each once with
the focus staying in the answer control and once with Tab away and
Shift+Tab back after every question, and one answered right throughout,
with a new test over its result; then a choice asked again after its
solution (Return with nothing chosen there), a choice of several right
answers, and two such items in a row, all right answers ticked, the first
left on its second box and on its first. Before them it opens the database five times through the open
dialog and times Orca from Return to its first words of the control the
focus comes to. With "opens" it times opens alone, of copies of that
database with 1,000 and 100,000 items (filled by a plain sqlite3 script):
five through the open dialog, then five from Return on the start window
with the copy as the user's last database; the seconds to Orca's first
words of the grid, their median, and the accessibility signals the
program sent per open (dbus-monitor on the session's accessibility bus),
by kind. Writes what Orca said after each step to
FOLDER/orca-test-LANG.txt (key echo left out), Orca's whole log beside it.
Runs openbox itself. Needs the packages of tools/focus-walk.py and orca.
Not run by CI.
"""
import os
import collections
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ui  # noqa: E402
from orca_speech import Orca  # noqa: E402
from screenshots import (choose_language, OUT, Session, accept_file_dialog, click, end_process, keys,  # noqa: E402
                         typed)
import statistics  # noqa: E402

LANG = sys.argv[3] if len(sys.argv) > 3 else "en"
OPENS = sys.argv[4:] == ["opens"]


class Walk(Session):
    def __init__(self):
        self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        self.orca = Orca()
        super().__init__(LANG)
        self.signals = None
        name = f"orca-opens-{LANG}" if OPENS else f"orca-test-{LANG}"
        self.report = open(os.path.join(OUT, f"{name}.txt"), "w", encoding="utf-8")

    def say(self, line):
        print(line)
        self.report.write(line + "\n")
        self.report.flush()

    def step(self, what, act):
        """Does act(), then writes what Orca said because of it."""
        # Orca reads the bus behind the program; under a deluge of events
        # it drops some, so each step waits until it has caught up.
        self.orca.idle(2)
        before = len(self.orca.utterances())
        act()
        self.orca.idle(2)
        said = self.orca.said(before)
        self.say(f"  {what}")
        for s in said:
            self.say(f"      {s}")
        if not said:
            self.say("      (nothing)")
        return said

    def sql(self, statement):
        subprocess.run(["sqlite3", self.db, statement], check=True)

    def close(self):
        shutil.copy(self.orca.log, os.path.join(OUT, f"orca-{'opens' if OPENS else 'test'}-{LANG}.log"))
        if self.signals:
            self.signals.stop()
        self.orca.stop()
        super().close()
        self.wm.terminate()
        self.report.close()


def setup(w):
    choose_language(w)
    w.press("push button", w.text(3))
    click(ui.find_all(w.app, "text")[0])
    typed("Anna")
    w.press("push button", w.text(16))
    w.press("push button", w.text(4))
    time.sleep(2)
    keys("Return")  # the focus starts on "Create a new database"
    time.sleep(1)
    typed("Kurs")
    keys("Return")
    time.sleep(1.5)
    # The dialog opens in the program's database folder.
    w.db = os.path.join(w.home, "DB", "kurs.wkd")
    keys("ctrl", "a")
    typed("kurs.wkd")
    accept_file_dialog()
    time.sleep(3)
    keys("F4")
    time.sleep(2)
    for q, a in (("cat", "Katze"), ("dog", "Hund")):
        typed(q)
        keys("Tab")
        typed(a)
        keys("F8")
        time.sleep(0.5)
    keys("alt", "m")  # a choice item: "blue" is right
    typed("sky")
    keys("Tab")
    typed("blue")
    keys("Tab")
    keys("space")
    keys("Tab")
    typed("red")
    keys("F8")
    time.sleep(0.5)
    keys("Escape")
    time.sleep(1.5)


class Signals:
    """What the program sends on the accessibility bus, as dbus-monitor
    sees it."""

    def __init__(self):
        address = subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply=literal",
                                  "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                                 capture_output=True, text=True, check=True).stdout.strip()
        self.file = tempfile.NamedTemporaryFile(prefix="wk-signals-", mode="w+")
        self.proc = subprocess.Popen(["dbus-monitor", "--address", address,
                                      "type='signal',interface='org.a11y.atspi.Event.Object'"],
                                     stdout=self.file, stderr=subprocess.DEVNULL)
        time.sleep(0.5)

    def mark(self):
        self.file.flush()
        return os.path.getsize(self.file.name)

    def since(self, mark):
        """The signals after `mark`: member and what it names, counted."""
        with open(self.file.name, errors="replace") as f:
            f.seek(mark)
            text = f.read()
        kinds = collections.Counter()
        renamed = set()
        for path, member, detail in re.findall(r'path=(\S+); interface=\S+; member=(\w+)\n\s*string "([^"]*)"',
                                               text):
            kinds[f"{member} {detail}".strip()] += 1
            if detail == "accessible-name":
                renamed.add(path)
        # Qt sends a name as the object, not its words: how many objects.
        kinds["(objects renamed)"] = len(renamed)
        return kinds

    def stop(self):
        end_process(self.proc)
        self.file.close()


def timed(w, act, runs, what):
    """Runs act() `runs` times; each time, the seconds from its Return to
    Orca's first words of the grid, which takes the focus, and the signals
    the program sent meanwhile. act() presses that Return and gives the time
    it did."""
    grid = w.text(474)
    times = []
    for run in range(runs):
        sent = w.signals.mark() if w.signals else 0
        mark, start = act()
        seconds, said = w.orca.first_words(mark, grid, start)
        times.append(seconds if seconds is not None else float("inf"))
        w.orca.idle(2)
        kinds = w.signals.since(sent) if w.signals else {}
        w.say(f"  {what} {run + 1}: {seconds if seconds is None else round(seconds, 2)} s: {' | '.join(said)}")
        if kinds:
            w.say(f"      {sum(n for k, n in kinds.items() if not k.startswith('('))} signals: "
                  + ", ".join(f"{k} {n}" for k, n in kinds.most_common()))
    w.say(f"  median {round(statistics.median(times), 2)} s")


def press_return(w):
    """Presses Return at once (keys() waits after a key): where Orca's log
    stands and the time of the key."""
    mark, start = w.orca.mark(), time.time()
    subprocess.run(["xdotool", "key", "Return"], check=True)
    return mark, start


def open_times(w, path=None, runs=5):
    """Opens the database (or `path`) through the open dialog `runs` times."""
    def opened():
        keys("ctrl", "o")
        time.sleep(1.5)
        # Searched in the dialog alone: a walk of the whole program reads
        # every cell of a large grid.
        dialog = next(d for d in (w.app.getChildAtIndex(i) for i in range(w.app.childCount))
                      if d is not None and d.getState().contains(ui.pyatspi.STATE_ACTIVE))
        name = next(t for t in ui.find_all(dialog, "text") if t.getState().contains(ui.pyatspi.STATE_FOCUSED))
        ui.set_text(name, path or w.db)
        w.orca.idle(2)
        return press_return(w)

    timed(w, opened, runs, "open")


def start_times(w, runs=5):
    """Starts the program `runs` times and presses Return on its start
    window, which opens the user's last database."""
    def started():
        w.restart()
        w.find("push button", w.text(4), timeout=30)
        w.orca.idle(2)
        return press_return(w)

    timed(w, started, runs, "start")


def filled_copy(w, items):
    """A copy of the program's database with `items` items, as the grid
    benchmark fills one."""
    path = os.path.join(w.home, "DB", f"items{items}.wkd")
    subprocess.run(["sqlite3", w.db, f".backup '{path}'"], check=True)
    cols = "Q, A1, A2, T, Kategorie, Explanation, Tip, Punkte, Markiert, RA1"
    vals = ("printf('Frage %d mit etwas Text', i), printf('Antwort %d', i), printf('zweite %d', i % 97), "
            "printf('Thema %d', i % 20), printf('Kategorie %d', i % 7), "
            "CASE WHEN i % 3 THEN printf('Erklaerung %d', i) ELSE '' END, '', i % 50, "
            "CASE WHEN i % 5 = 0 THEN -1 ELSE 0 END, CASE WHEN i % 4 = 0 THEN 1 ELSE 0 END")
    for u in range(1, 6):
        cols += f", AA{u}, AR{u}, AF{u}, FQ{u}"
        vals += ", i % 13, i % 7, i % 6, (i % 100) + 0.25"
    subprocess.run(["sqlite3", path, "BEGIN; DELETE FROM VOK; WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL "
                    f"SELECT i + 1 FROM n WHERE i < {items - 1}) INSERT INTO VOK ({cols}) SELECT {vals} "
                    "FROM n; COMMIT;"], check=True)
    return path


def opens(w):
    """The timings of opens of large files."""
    w.signals = Signals()
    for items in (1000, 100000):
        path = filled_copy(w, items)
        w.say(f"== {items} items, through the open dialog")
        open_times(w, path)
        w.say(f"== {items} items, from Return on the start window")
        start_times(w)


def question(w):
    """The question on screen."""
    for label in ui.find_all(w.app, "label"):
        if label.name in ("cat", "dog", "sky"):
            return label.name
    return None


RIGHT = {"cat": "Katze", "dog": "Hund"}


def answer(w, right, away):
    """Answers the question on screen, rightly or not; Tab away and back
    first when `away`."""
    q = question(w)
    if away:
        w.step("Tab away", lambda: keys("Tab"))
        w.step("Shift+Tab back", lambda: keys("shift", "Tab"))
    if q == "sky" and w.several:
        # Blue ticked, red (also right) not.
        return w.step("Space, Return (blue ticked)", lambda: (keys("space"), keys("Return")))
    if q == "sky":
        # Down to "red" and Up to "blue" choose; Return judges.
        if right:
            w.step("Down, Up (choose blue)", lambda: (keys("Down"), keys("Up")))
        else:
            w.step("Down (choose red)", lambda: keys("Down"))
        return w.step("Return", lambda: keys("Return"))
    if right:
        return w.step(f"type {RIGHT[q]!r} (goes on by itself)", lambda: typed(RIGHT[q]))
    return w.step("type 'x', Return", lambda: (typed("x"), keys("Return")))


# Every right answer of several ticked, the focus left on the second box or
# on the first, then Return.
BOTH = {"second": ("Space, Tab, Space, Return (both ticked, left on the second)", ("space", "Tab", "space")),
        "first": ("Tab, Space, Shift+Tab, Space, Return (both ticked, left on the first)",
                  ("Tab", "space", "shift+Tab", "space"))}


def run(w, title, first, plan, away, tries=1, resolve=1, leave=True, again=0, second=None):
    """One test: `first` asked first (`second` next), then the others; plan:
    for each question in turn, "right", "wrong", "confirm" (Return on the
    solution shown), "none" (Return with nothing chosen) or "both first" /
    "both second" (BOTH). With `again` an item whose solution was shown is
    asked once more. The result is left by Esc when `leave`."""
    w.say(f"== {title}")
    w.sql(f"UPDATE OPTIONS SET AnzahlVersuche = {tries}, BegriffAufloesen = {resolve}, "
          f"FalscheNochmal = 0, NochmalFragen = {again}")
    # Least known first: the item with the highest error rate leads.
    w.sql("UPDATE VOK SET AA1 = 0, AR1 = 0, AF1 = 0, FQ1 = 0")
    w.sql(f"UPDATE VOK SET FQ1 = 50 WHERE Q = '{first}'")
    if second:
        w.sql(f"UPDATE VOK SET FQ1 = 40 WHERE Q = '{second}'")
    w.step("Ctrl+S", lambda: keys("ctrl", "s"))
    for p in plan:
        if p.startswith("both"):
            what, chords = BOTH[p.split()[1]]
            w.step(what, lambda: [keys(*c.split("+")) for c in chords + ("Return",)])
        elif p == "none":
            w.step("Return (nothing chosen)", lambda: keys("Return"))
        elif p == "confirm" and question(w) == "sky":
            w.step("Space, Return (the solution shown, chosen)", lambda: (keys("space"), keys("Return")))
        elif p == "confirm":
            w.step("Return (the solution shown)", lambda: keys("Return"))
        else:
            answer(w, p == "right", away)
    if leave:
        w.step("Esc (the result left)", lambda: keys("Escape"))


def main():
    os.makedirs(OUT, exist_ok=True)
    w = Walk()
    w.several = False
    try:
        setup(w)
        if OPENS:
            return opens(w)
        w.say("== the database opened")
        open_times(w)
        for away in (False, True):
            how = "Tab away and back after each question" if away else "the focus stays"
            run(w, f"typed first, {how}; two tries", "cat",
                ["right", "wrong", "right", "right"], away, tries=2, resolve=0)
            run(w, f"choice first, {how}; the solution shown", "sky",
                ["wrong", "confirm", "wrong", "confirm", "right"], away)
        # A result with nothing to revise starts at "End test", which it
        # describes; a new test over it leaves that to the result.
        run(w, "every answer right, then a new test over the result", "cat",
            ["right", "right", "right"], False, leave=False)
        w.step("Ctrl+S (a new test)", lambda: keys("ctrl", "s"))
        w.step("Shift+Tab", lambda: keys("shift", "Tab"))
        w.step("Shift+Tab", lambda: keys("shift", "Tab"))
        w.step("Esc (the test left)", lambda: keys("Escape"))
        run(w, "choice first, the solution shown and asked again", "sky",
            ["wrong", "confirm", "none", "right", "right", "right"], False, again=1)
        w.sql("UPDATE VOK SET RA2 = 1 WHERE Q = 'sky'")
        w.several = True
        run(w, "choice of several right answers first", "sky", ["wrong", "right", "right"], False, resolve=0)
        # "dog" a choice of several right answers too, asked right after "sky".
        w.sql("UPDATE VOK SET Typ = 1, A2 = 'Wolf', RA1 = 1, RA2 = 1 WHERE Q = 'dog'")
        for left in ("second", "first"):
            run(w, f"two choices of several right answers in a row, the first left on its {left} box", "sky",
                [f"both {left}", "both first", "right"], False, resolve=0, second="dog")
    except Exception:
        w.shot("orca-failed")
        raise
    finally:
        w.close()


if __name__ == "__main__":
    main()
