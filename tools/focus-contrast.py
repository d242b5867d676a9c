#!/usr/bin/env python3
"""How strongly each control shows that it has the focus, measured on the
screen: for every Tab stop of the start window, the user management, the
new-database note, the overview and the settings, the screen is taken
before and after the Tab that brings the focus there; the points inside
the control (and two pixels around it) that changed are the mark, and each
is set against the colour it covers (the contrast as the accessibility
guidelines reckon it).

    tools/ui-session.sh /usr/bin/python3 tools/focus-contrast.py PROGRAM FOLDER [LANG]

Writes FOLDER/contrast-LANG.txt: per stop the role and name, how many
points changed, the weakest and the strongest contrast among them, and the
share that reach 3:1; then the weakest per kind of control. Needs the
packages of tools/focus-walk.py. Not run by CI.
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
LANG = sys.argv[3] if len(sys.argv) > 3 else "en"
import ui  # noqa: E402
import pyatspi  # noqa: E402
from screenshots import (pump, OUT, Session, accept_file_dialog, click, keys, typed)  # noqa: E402

focused = []


def on_focus(ev):
    if ev.detail1:
        focused.append(ev.source)



def screen():
    """The screen as (width, height, bytes of RGB)."""
    data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True,
                          check=True).stdout
    parts, pos = [], 0
    while len(parts) < 4:  # P6, width, height, maximum
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        parts.append(data[pos:end])
        pos = end
    return int(parts[1]), int(parts[2]), data[pos + 1:]


def luminance(r, g, b):
    def lin(v):
        s = v / 255
        return s / 12.92 if s <= 0.04045 else ((s + 0.055) / 1.055) ** 2.4
    return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b)


def contrast(a, b):
    la, lb = luminance(*a), luminance(*b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def measure(before, after, box):
    w, _, a = before
    _, _, b = after
    x0, y0, bw, bh = box
    ratios = []
    for y in range(max(0, y0 - 2), y0 + bh + 2):
        for x in range(max(0, x0 - 2), min(w, x0 + bw + 2)):
            i = 3 * (y * w + x)
            pa, pb = a[i:i + 3], b[i:i + 3]
            if len(pa) == 3 and pa != pb:
                ratios.append(contrast(tuple(pa), tuple(pb)))
    return ratios


class Meter(Session):
    def __init__(self):
        self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
        super().__init__(LANG)
        self.report = open(os.path.join(OUT, f"contrast-{LANG}.txt"), "w")
        self.weakest = {}

    def say(self, line):
        print(line)
        self.report.write(line + "\n")
        self.report.flush()

    def round(self, title, stops=40):
        """Tab through the window until the focus comes back to its first stop."""
        self.say(f"== {title}")
        first = None
        for _ in range(stops):
            pump(0.3)
            before = screen()
            del focused[:]
            keys("Tab")
            pump(1.0)
            if not focused:
                continue
            node = focused[-1]
            try:
                role, name = node.getRoleName(), node.name
                box = ui.extents(node)
            except Exception:
                continue
            if (role, name) == first:
                break
            first = first or (role, name)
            ratios = measure(before, screen(), box)
            if not ratios:
                self.say(f"   {role} {name!r}: nothing changed")
                self.weakest[role] = 0.0
                continue
            strong = sum(r >= 3 for r in ratios) / len(ratios)
            self.say(f"   {role} {name!r}: {len(ratios)} points, weakest {min(ratios):.2f}:1, "
                     f"strongest {max(ratios):.2f}:1, {strong:.0%} at 3:1 or more")
            self.weakest[role] = min(self.weakest.get(role, 21.0), min(ratios))

    def close(self):
        self.say("== weakest point per kind of control")
        for role, r in sorted(self.weakest.items()):
            self.say(f"   {role}: {r:.2f}:1")
        super().close()
        self.wm.terminate()


def main():
    m = Meter()
    try:
        pump(1)
        m.round("Start window")
        ui.press(m.find("push button", m.text(3)))
        pump(2)
        m.round("Users window")
        click(ui.find_all(m.app, "text")[0])
        typed("Anna")
        ui.press(m.find("push button", m.text(16)))
        pump(2)
        ui.press(m.find("push button", m.text(4)))
        pump(3)
        keys("Return")  # "Create a new database" has the focus
        pump(2)
        m.round("New-database note")
        typed("Kurs")
        keys("Return")
        time.sleep(2)
        typed(os.path.join(m.home, "DB", "kurs.wkd"))
        accept_file_dialog()
        pump(8)
        keys("F4")
        pump(3)
        for q, a in (("Haus", "house"), ("Baum", "tree")):
            typed(q)
            keys("Tab")
            typed(a)
            keys("F8")
            pump(1)
        keys("Escape")
        pump(3)
        m.round("Overview")
        keys("ctrl", "e")
        pump(3)
        m.round("Settings")
    finally:
        m.close()


main()
