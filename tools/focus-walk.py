#!/usr/bin/env python3
"""A keyboard walk through every window, with what the accessibility bus
says of the focus on the way.

    tools/ui-session.sh /usr/bin/python3 tools/focus-walk.py PROGRAM FOLDER LANG

PROGRAM and FOLDER as for tools/screenshots.py.

LANG is en or de. For each window it writes where the focus starts, what a
reader hears there (role, name, description), the Tab order and the
Shift+Tab order (the focus events each key brought, as "role 'name'"; a
Shift+Tab order that is not the Tab order backwards is marked) to
FOLDER/walk-LANG.txt, and leaves screenshots beside it: the start window,
the main bar with its first button focused and with the focus elsewhere
(for the contrast of the focus mark), the item editor, the test and its
result, the settings, the grid options and the wizard's pages. Windows
are opened by keys where a key opens them, by a click elsewhere. Runs the
window manager openbox itself. Needs the Debian packages of
tools/screenshots.py and openbox. Not run by CI.
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ui  # noqa: E402
import pyatspi  # noqa: E402
from screenshots import (run_steps, choose_language, pump, MESSAGES, OUT, Session, accept_file_dialog, click,
                         keys, typed)  # noqa: E402

LANG = sys.argv[3]
events = []


def on_focus(ev):
    if not ev.detail1:
        return
    try:
        events.append(f"{ev.source.getRoleName()} {ev.source.name!r}")
    except Exception as e:  # gone meanwhile
        events.append(f"(gone: {e})")



def text(message_id):
    base = 10000 if LANG == "de" else 20000
    return MESSAGES[base + message_id].replace("&", "")


def accelerator(message_id):
    """The letter a caption's "&" marks, as xdotool names the key."""
    caption = MESSAGES[(10000 if LANG == "de" else 20000) + message_id]
    return caption[caption.index("&") + 1].lower()


class Walk(Session):
    """The program under a window manager, with the focus events heard."""

    def __init__(self):
        self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
        super().__init__(LANG)
        self.report = open(os.path.join(OUT, f"walk-{LANG}.txt"), "w")
        self.start = None

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
            if order[-3:] == [[], [], []]:
                break  # the focus stays: the only control that takes it
            if last is None or last.startswith("(gone"):
                continue
            if first is None:
                first, at = last, i
            elif last == first and i > at:
                break
        self.start = None
        self.say(f"   {'Shift+' if back else ''}Tab order: " + "\n      ".join([""] + [str(o) for o in order]))
        return order

    def heard(self):
        """What a reader hears of the control with the focus."""
        last = None
        for n in ui.walk(self.app):
            try:
                if n.getState().contains(pyatspi.STATE_FOCUSED) and n.getRoleName() not in ("filler", "frame"):
                    last = n
            except Exception:
                continue
        try:
            return f"{last.getRoleName()} {last.name!r}" + (f" / {last.description!r}" if last.description else "")
        except Exception:
            return "(nothing)"

    def round(self, title=None, opener=None):
        """The window's start, then Tab and Shift+Tab from it; Shift+Tab
        should be Tab's way backwards."""
        if opener:
            self.opened(title, opener)
        elif title:
            self.say(f"== {title}")
            del events[:]
            self.start = None
        start = self.start
        self.say(f"   heard at the start: {self.heard()}")
        ahead = [o if isinstance(o, str) else (o[-1] if o else None) for o in self.tabs()]
        self.start = start
        back = [o if isinstance(o, str) else (o[-1] if o else None) for o in self.tabs(back=True)]
        if start and ahead[:-1][::-1] != back[:-1]:
            self.say("   !! Shift+Tab is not Tab's way backwards")

    def close(self):
        super().close()
        self.wm.terminate()


def start_window(w):
    pump(1)
    w.say("== Start window, no user yet")
    w.start = events[-1] if events else None
    w.say(f"   focus start: {w.start or '(no focus event)'}; events {events}")
    w.shot("start")
    w.round()


def users_and_main(w):
    choose_language(w)
    w.round("Users window", lambda: ui.press(w.find("push button", text(3))))
    w.shot("users")
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
    del events[:]
    ui.press(w.find("push button", text(16)))
    pump(1.5)
    w.start = events[-1] if events else None
    w.say("== Start window with a user")
    w.round()
    w.round("Main window without a database", lambda: ui.press(w.find("push button", text(4))))
    w.shot("main-no-database")


def new_database(w):
    # The main window's focus starts on "Create a new database".
    w.round("New-database note", lambda: keys("Return"))
    w.shot("new-database-note")
    typed("Kurs")
    keys("Return")
    time.sleep(1.5)
    typed(os.path.join(w.home, "DB", "kurs.wkd"))
    del events[:]
    accept_file_dialog()
    pump(2.5)
    w.say("== Overview of an empty database")
    w.start = events[-1] if events else None
    w.say(f"   focus start: {w.start}; events after the file dialog {events}")
    w.round()


def add_items(w):
    w.round(f"Item editor, {text(480)!r}", lambda: keys("F4"))
    w.shot("editor")
    for q, a in (("Haus", "house"), ("Baum", "tree"), ("Fluss", "river")):
        typed(q)
        keys("Tab")
        typed(a)
        pump(0.5)  # the Tab's own event first
        del events[:]
        keys("F8")
        pump(1)
        w.say(f"   F8 adds {q!r}; focus events {events}")
    del events[:]
    keys("alt", "m")
    pump(1)
    w.say(f"   Alt+M (multiple choice); focus events {events}")
    w.round("Item editor, a choice item")
    typed("Hund?")
    keys("Tab")
    typed("dog")
    keys("Tab")
    keys("space")  # "dog" is right
    keys("Tab")
    typed("cat")
    keys("Tab")
    keys("Tab")
    typed("bird")
    keys("F8")
    # The special signs of the question box, by key.
    w.opened("Item editor, special signs (Ctrl+S in the question)", lambda: keys("ctrl", "s"))
    keys("Right")
    del events[:]
    keys("Return")
    pump(0.8)
    box = w.find("text", text(558))
    w.say(f"   Return inserts: question box reads {ui.text_of(box)!r}; focus events {events}")
    w.opened("Special signs closed by Esc", lambda: keys("Escape"))
    keys("ctrl", "a")
    keys("BackSpace")
    w.opened("Editor closed by Esc", lambda: keys("Escape"))


def overview(w):
    w.say("== Overview with four items (after the editor closed)")
    del events[:]
    pump(0.5)
    w.start = None
    w.tabs()
    w.tabs(back=True)
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
    # Closing a dialog gives the focus back once, where it was.
    table.queryComponent().grabFocus()
    pump(0.5)
    w.opened("Open dialog (Ctrl+O)", lambda: keys("ctrl", "o"))
    w.opened("Open dialog closed by Esc", lambda: keys("Escape"))


def edit_item(w):
    table = w.find("table", text(474))
    table.queryComponent().grabFocus()
    pump(0.5)
    keys("Down")
    keys("Menu")
    w.round("Item editor, edit (context menu, Edit)", lambda: keys(accelerator(105)))
    w.shot("editor-edit")
    w.opened("Editor (edit) closed by Esc", lambda: keys("Escape"))


ANSWERS = {"Baum": "tree", "Fluss": "river", "Haus": "house"}


def test_screen(w):
    w.round("Test, a typed item (Ctrl+S)", lambda: keys("ctrl", "s"))
    w.shot("test")
    keys("Tab")  # the special signs' check box
    keys("space")
    w.round("Test with the special signs shown")
    # Into the signs: the second Tab from the answer, past their check box.
    keys("Tab")
    keys("Tab")
    keys("Right")
    del events[:]
    keys("Return")
    pump(0.8)
    box = ui.find_all(w.app, "text")[0]
    w.say(f"   Return in the signs inserts: answer reads {ui.text_of(box)!r}; focus events {events}")
    keys("ctrl", "a")
    keys("BackSpace")
    typed("x")
    del events[:]
    keys("Return")
    pump(1)
    w.say(f"   a wrong answer: heard {w.heard()}; focus events {events}")
    w.shot("test-wrong")
    del events[:]
    keys("Return")
    pump(1)
    w.say(f"   the solution confirmed: heard {w.heard()}; focus events {events}")
    for _ in range(8):
        question = next((l.name for l in ui.find_all(w.app, "label") if l.name in ANSWERS), None)
        if not question:
            break
        del events[:]
        typed(ANSWERS[question])
        pump(1.2)
        w.say(f"   {question!r} answered right: heard {w.heard()}; focus events {events}")
    w.say("== Test, the choice item")
    w.start = events[-1] if events else None
    w.round()
    w.shot("test-choice")
    del events[:]
    keys("Return")
    pump(1)
    w.say(f"   Return with nothing chosen: heard {w.heard()}; focus events {events}")
    keys("Down")
    keys("Up")
    w.say(f"   Down, Up: heard {w.heard()}")
    w.opened("Result", lambda: keys("Return"))
    for _ in range(3):  # the wrong one asked again
        question = next((l.name for l in ui.find_all(w.app, "label") if l.name in ANSWERS), None)
        if not question:
            break
        w.say(f"   asked again: {question!r}")
        del events[:]
        typed(ANSWERS[question])
        pump(1.5)
        w.start = events[-1] if events else None
    w.round()
    w.shot("result")
    w.opened("Result left by Esc", lambda: keys("Escape"))


def settings(w):
    w.opened("Settings (Ctrl+E)", lambda: keys("ctrl", "e"))
    tree = w.start
    w.round()
    for page in range(11):
        del events[:]
        keys("Down")
        pump(0.8)
        if not events:
            break
        w.say(f"== Settings page {events[-1]}")
        w.start = tree  # round the page back to the tree, for the next Down
        w.tabs()
        w.shot(f"settings-{page + 1}")
    keys("ctrl", "d")
    time.sleep(1)


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
    w.round("Grid options (F8)", lambda: keys("F8"))
    w.shot("grid-options")
    keys("shift", "Tab")  # the page button
    w.round("Grid options, fonts page chosen by Right", lambda: keys("Right"))
    w.shot("grid-options-fonts")
    keys("shift", "Tab")
    keys("Tab")
    w.round("Font dialog (Return on the first row's button)", lambda: keys("Return"))
    w.shot("font-dialog")
    w.opened("Font dialog closed by Esc", lambda: keys("Escape"))
    w.opened("Grid options closed by Esc", lambda: keys("Escape"))


def wizard(w):
    opener = w.find("push button", text(486))
    w.round("Wizard, first page", lambda: ui.press(opener))
    w.shot("wizard-start")
    del events[:]
    keys("Return")
    pump(0.8)
    w.say(f"   Return with nothing chosen: still on the first page: "
          f"{bool(ui.find_all(w.app, 'radio button', text(606)))}")
    keys("Down")
    w.round("Wizard, format page (Down, Return)", lambda: keys("Return"))
    keys("Down")  # HTML
    w.round("Wizard, questions page (Down, Return)", lambda: keys("Return"))
    w.shot("wizard-items")
    ui.press(w.find("push button", "Add all questions" if LANG == "en" else "Alle Begriffe hinzufügen"))
    time.sleep(0.8)
    w.round("Wizard, fields page", lambda: ui.press(w.find("push button", text(603))))
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
    w.opened("Wizard cancelled by Esc", lambda: keys("Escape"))
    # The import from another database, there and Back.
    other = os.path.join(w.home, "other.wkd")
    subprocess.run(["sqlite3", os.path.join(w.home, "DB", "kurs.wkd"), f".backup '{other}'"], check=True)
    w.opened("Wizard again", lambda: ui.press(opener))
    keys("space")
    w.round("Wizard, database import (Space, Return)", lambda: keys("Return"))
    typed(other)
    w.round("Wizard, questions to import (Return)", lambda: keys("Return"))
    entries = w.find("list", text(615).rstrip(" :"))
    w.say(f"   its entries heard as: {[entries.getChildAtIndex(i).getRoleName() for i in range(entries.childCount)]}")
    w.round("Wizard, Back (Alt+its letter)", lambda: keys("alt", accelerator(602)))
    w.opened("Wizard cancelled by Esc", lambda: keys("Escape"))
    # The text import.
    words = os.path.join(w.home, "words.txt")
    with open(words, "w", encoding="utf-8") as f:
        f.write("Katze\tcat\tTiere\n")
    w.opened("Wizard again", lambda: ui.press(opener))
    keys("Down")
    keys("Down")
    w.round("Wizard, text import (Down, Down, Return)", lambda: keys("Return"))
    typed(words)
    pump(1)
    w.round("Wizard, text import with a file")
    w.shot("wizard-text")
    w.round("Wizard, text imported (Return)", lambda: keys("Return"))
    w.opened("Wizard finished (Return)", lambda: keys("Return"))


def main():
    os.makedirs(OUT, exist_ok=True)
    run_steps(Walk(), (("start", start_window), ("users", users_and_main), ("new database", new_database),
                           ("items", add_items), ("overview", overview), ("edit", edit_item),
                           ("test", test_screen), ("settings", settings), ("main bar", main_bar),
                           ("grid options", grid_options), ("wizard", wizard)), "failed-")


if __name__ == "__main__":
    main()
