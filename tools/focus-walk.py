#!/usr/bin/env python3
"""A keyboard walk through the windows a keyboard user meets first, with
what the accessibility bus says of the focus on the way.

    tools/ui-session.sh /usr/bin/python3 tools/focus-walk.py PROGRAM FOLDER LANG

PROGRAM and FOLDER as for tools/screenshots.py.

LANG is en or de. For each window it writes where the focus starts and
the Tab order (the focus events that each Tab brought, as "role 'name'")
to FOLDER/walk-LANG.txt, and leaves screenshots beside it: the main bar
with its first button focused and with the focus elsewhere (for the
contrast of the focus mark), the overview, the grid options and the
wizard's pages. Windows are opened by keys where a key opens them, by a
click elsewhere; only the walks themselves are keys. Runs the window
manager openbox itself. Needs the Debian packages of tools/screenshots.py
and openbox. Not run by CI.
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ui  # noqa: E402
import pyatspi  # noqa: E402
from gi.repository import GLib  # noqa: E402
from screenshots import (MESSAGES, LANGUAGES, OUT, Session, accept_file_dialog, click, keys,  # noqa: E402
                         typed)

LANG = sys.argv[3]
events = []


def on_focus(ev):
    if not ev.detail1:
        return
    try:
        events.append(f"{ev.source.getRoleName()} {ev.source.name!r}")
    except Exception as e:  # gone meanwhile
        events.append(f"(gone: {e})")


def pump(seconds=0.6):
    """Lets the bus deliver what the last key brought."""
    ctx = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        while ctx.pending():
            ctx.iteration(False)
        time.sleep(0.05)


def text(message_id):
    base = 10000 if LANG == "de" else 20000
    return MESSAGES[base + message_id].replace("&", "")


class Walk(Session):
    """The program under a window manager, with the focus events heard."""

    def __init__(self):
        self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        super().__init__(LANG)
        self.report = open(os.path.join(OUT, f"walk-{LANG}.txt"), "w")
        self.start = None
        pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")

    def say(self, line):
        print(line)
        self.report.write(line + "\n")
        self.report.flush()

    def opened(self, title, how):
        """Opens a window (how()), then reports where its focus starts."""
        pump(0.3)
        del events[:]
        how()
        pump(2.5)
        self.say(f"== {title}")
        self.start = events[-1] if events else None
        self.say(f"   focus start: {self.start or '(no focus event)'}")
        self.say(f"   events on opening: {events}")

    def tabs(self, limit=30, back=False):
        """Presses Tab until the focus comes back to where the window
        started it (or, not known, to where the first Tab took it); each
        press's focus events in order."""
        order = []
        first, at = self.start, -1
        for i in range(limit):
            del events[:]
            keys("shift", "Tab") if back else keys("Tab")
            pump(0.8)
            now = list(events)
            order.append(now if len(now) != 1 else now[0])
            last = now[-1] if now else None
            if last is None or last.startswith("(gone"):
                continue
            if first is None:
                first, at = last, i
            elif last == first and i > at:
                break
        self.start = None
        self.say(f"   {'Shift+' if back else ''}Tab order: " + "\n      ".join([""] + [str(o) for o in order]))
        return order

    def close(self):
        super().close()
        self.wm.terminate()


def users_and_main(w):
    combo = w.find("combo box", MESSAGES[20005].rstrip(" :"))
    if LANG != "en":
        ui.press(combo)
        time.sleep(0.5)
        click(w.find("list item", LANGUAGES[LANG]))
    w.opened("Users window", lambda: ui.press(w.find("push button", text(3))))
    w.tabs()
    deletes = ui.find_all(w.app, "push button", contains=MESSAGES[(10000 if LANG == "de" else 20000) + 18])
    w.say(f"   delete buttons heard as: {[d.name + ' / ' + (d.description or '') for d in deletes]}")
    del events[:]
    keys("Escape")
    pump(1.5)
    still = bool(ui.find_all(w.app, "push button", text(16)))
    w.say(f"   Esc: the window {'stays' if still else 'closes'}; focus events {events}")
    if not still:
        ui.press(w.find("push button", text(3)))
        time.sleep(1)
    click(ui.find_all(w.app, "text")[0])
    typed("Anna")
    ui.press(w.find("push button", text(16)))
    time.sleep(1)
    w.opened("Main window without a database", lambda: ui.press(w.find("push button", text(4))))
    w.shot("main-no-database")
    w.tabs()


def new_database(w):
    click(w.find("push button", text(478)))
    time.sleep(1)
    click(ui.find_all(w.app, "text")[-1])
    typed("Kurs")
    ui.press(w.find("push button", text(4)))
    time.sleep(1.5)
    typed(os.path.join(w.home, "DB", "kurs.wkd"))
    accept_file_dialog()
    time.sleep(2)
    w.say("== Overview of an empty database")
    w.tabs()


def add_items(w):
    click(w.find("push button", text(480)))
    time.sleep(1.5)
    for q, a in (("Haus", "house"), ("Baum", "tree"), ("Fluss", "river")):
        click(w.find("text", text(558)))
        typed(q)
        click(w.find("text", text(559) + " 1"))
        typed(a)
        ui.press(w.find("push button", text(570)))
        time.sleep(0.8)
    ui.press(w.find("push button", text(571)))
    time.sleep(1.5)


def overview(w):
    # The start of the overview: the database opened again by the user's
    # last-database path is where the program sets the focus itself.
    w.say("== Overview with three items (after the editor closed)")
    del events[:]
    pump(0.5)
    w.tabs()
    table = w.find("table", text(474))
    t = table.queryTable()
    heads = []
    for c in range(t.nColumns):
        h = t.getColumnHeader(c)
        if h is None:
            heads.append(None)
            continue
        s = h.getState()
        heads.append((h.name, s.contains(pyatspi.STATE_VISIBLE), s.contains(pyatspi.STATE_SHOWING)))
    w.say(f"   column headers (name, visible, showing) of {t.nColumns} columns, {t.nRows} rows:")
    for c, h in enumerate(heads):
        w.say(f"      {c}: {h}")
    w.shot("overview")


def main_bar(w):
    """The bar's first button without and with the focus, reached by Tab."""
    w.shot("bar-unfocused")
    first = w.find("push button", text(478))
    reached = False
    for _ in range(20):
        del events[:]
        keys("Tab")
        pump(0.6)
        if events and events[-1] == f"push button {text(478)!r}":
            reached = True
            break
    w.say(f"== Main bar: Tab reached {text(478)!r}: {reached}; the button at {ui.extents(first)}")
    w.shot("bar-focused")


def grid_options(w):
    w.opened("Grid options", lambda: click(w.find("push button", text(496))))
    w.tabs()
    w.shot("grid-options")
    # The fonts page chosen as a tool chooses it, then Tab round it.
    w.opened("Grid options, fonts page chosen by a tool",
             lambda: ui.press(w.find("radio button", text(297))))
    w.tabs()
    w.shot("grid-options-fonts")
    keys("Escape")
    time.sleep(1)


def wizard(w):
    w.opened("Wizard, first page", lambda: click(w.find("push button", text(486))))
    w.tabs()
    w.shot("wizard-start")
    # Keys only: Down chooses the export, Return goes on.
    w.find("radio button", text(606)).queryComponent().grabFocus()
    pump(0.5)
    keys("Down")
    w.opened("Wizard, Down then Return on the options", lambda: keys("Return"))
    on_format = bool(ui.find_all(w.app, "radio button", text(638)))
    w.say(f"   Return pressed Next: {on_format}")
    if not on_format:
        ui.press(w.find("push button", text(603)))
        time.sleep(1)
    w.tabs()
    w.find("radio button", text(637)).queryComponent().grabFocus()
    pump(0.5)
    keys("Down")  # HTML
    w.opened("Wizard, format page: Down then Return", lambda: keys("Return"))
    on_items = bool(ui.find_all(w.app, "table", text(615).rstrip(" :")))
    w.say(f"   Return pressed Next: {on_items}")
    if not on_items:
        ui.press(w.find("push button", text(603)))
        time.sleep(1)
    w.tabs()
    w.shot("wizard-items")
    ui.press(w.find("push button", "Add all questions" if LANG == "en" else "Alle Begriffe hinzufügen"))
    time.sleep(0.8)
    w.opened("Wizard, fields page", lambda: ui.press(w.find("push button", text(603))))
    w.tabs()
    fields = w.find("list", text(630).rstrip(" :"))
    w.say("   field list entries (role, name, states, actions):")
    for i in range(fields.childCount):
        c = fields.getChildAtIndex(i)
        states = [str(s).split("STATE_")[-1].split(" ")[0].lower() for s in c.getState().getStates()
                  if s in (pyatspi.STATE_CHECKABLE, pyatspi.STATE_CHECKED)]
        try:
            actions = [c.queryAction().getName(k) for k in range(c.queryAction().nActions)]
        except NotImplementedError:
            actions = []
        w.say(f"      {c.getRoleName()} {c.name!r} {states} actions {actions}")
    w.shot("wizard-fields")
    ui.press(w.find("push button", text(601)))
    time.sleep(1)


def main():
    os.makedirs(OUT, exist_ok=True)
    w = Walk()
    try:
        for name, step in (("users", users_and_main), ("new database", new_database), ("items", add_items),
                           ("overview", overview), ("main bar", main_bar), ("grid options", grid_options),
                           ("wizard", wizard)):
            try:
                step(w)
            except Exception as e:
                w.say(f"!! {name}: {e}")
                w.shot(f"failed-{name.replace(' ', '-')}")
    finally:
        w.close()


if __name__ == "__main__":
    main()
