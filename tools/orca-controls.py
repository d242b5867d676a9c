#!/usr/bin/env python3
"""What a real screen reader (Orca) says of the controls, key by key: the
start window's user and language boxes, every control of the item editor and
of each settings page as Tab reaches it, a special sign put in from the
editor's table, moving every question to the export and back, ticking an
export field, the Explanation window and the clue.

    tools/ui-session.sh /usr/bin/python3 tools/orca-controls.py PROGRAM FOLDER LANG

PROGRAM and FOLDER as for tools/screenshots.py, LANG en or de. Writes each
key and what Orca said after it to FOLDER/orca-LANG.txt (and prints it),
with screenshots beside it. Orca (the Debian package, 43) runs without a
sound device: each utterance it would speak is a "SPEECH OUTPUT" line of
its debug log, which is what this reads (key echo left out). Needs the
Debian packages of tools/focus-walk.py and orca
(apt-get install --no-install-recommends orca). Not run by CI.
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ui  # noqa: E402
from orca_speech import Orca  # noqa: E402
from screenshots import (run_steps, MESSAGES, OUT, Session, accept_file_dialog, keys, typed)  # noqa: E402

LANG = sys.argv[3]


def text(message_id):
    return MESSAGES[(10000 if LANG == "de" else 20000) + message_id].replace("&", "")


class Walk(Session):
    """The program under a window manager and Orca."""

    def __init__(self):
        self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.orca = Orca()
        time.sleep(1)
        super().__init__(LANG)
        self.report = open(os.path.join(OUT, f"orca-{LANG}.txt"), "w")

    def say(self, line):
        print(line, flush=True)
        self.report.write(line + "\n")
        self.report.flush()

    def said(self, what, act, settle=1.5):
        """Does act(), waits until Orca has been idle for a moment (its log
        still), and reports what it said meanwhile."""
        n = len(self.orca.utterances())
        act()
        self.orca.idle(settle)
        words = " | ".join(self.orca.said(n))
        self.say(f"   {what}: {words or '(nothing)'}")
        return words

    def close(self):
        super().close()
        self.orca.stop()
        self.wm.terminate()
        self.report.close()


def make_anna_and_bert(w):
    """From the start window: the Users window, the users Anna and Bert, and back."""
    ui.press(w.find("push button", text(3)))
    time.sleep(1)
    boxes = ui.find_all(w.app, "text")
    for box, name in zip(boxes, ("Anna", "Bert")):
        ui.set_text(box, name)
    ui.press(w.find("push button", text(16)))
    time.sleep(1.5)


def start_window(w):
    # The languages' list: Deutsch, English; a new installation is in English.
    towards_own, back = ("Up", "Down") if LANG == "de" else ("Down", "Up")
    w.say("== Start window, no user yet")
    time.sleep(1)
    w.said("Tab", lambda: keys("Tab"))
    w.said("Shift+Tab", lambda: keys("shift", "Tab"))
    if LANG != "en":
        w.said("Shift+Tab", lambda: keys("shift", "Tab"))  # the language box
        w.said("Up", lambda: keys("Up"))
    make_anna_and_bert(w)
    w.say("== Start window with the users Anna and Bert")
    w.said("Tab", lambda: keys("Tab"))
    w.said("Shift+Tab", lambda: keys("shift", "Tab"))
    w.said("Down", lambda: keys("Down"))
    w.said("Up", lambda: keys("Up"))
    w.said("Tab", lambda: keys("Tab"))
    w.said(back, lambda: keys(back))
    w.said(towards_own, lambda: keys(towards_own))
    w.shot("orca-start")
    ui.press(w.find("push button", text(4)))
    time.sleep(2)


def new_database(w):
    keys("Return")  # the main window's focus starts on "Create a new database"
    time.sleep(1)
    typed("Kurs")
    keys("Return")
    time.sleep(1.5)
    # Typed into the file dialog, a path loses letters to its completion.
    name = next(t for t in ui.find_all(w.app, "text") if t.getState().contains(ui.pyatspi.STATE_FOCUSED))
    ui.set_text(name, os.path.join(w.home, "DB", "kurs.wkd"))
    accept_file_dialog()
    time.sleep(2.5)
    # The closed file dialog may leave no window active.
    subprocess.run(["xdotool", "search", "--name", "^Wortkiste", "windowactivate"], capture_output=True)
    w.orca.idle(2)


def focused(node):
    try:
        return node.getState().contains(ui.pyatspi.STATE_FOCUSED)
    except Exception:
        return False


def tab_round(w, home, limit=40):
    """Tab after Tab, each with what was said, until the focus is back on
    `home`."""
    for i in range(limit):
        w.said(f"Tab {i + 1}", lambda: keys("Tab"))
        if focused(home):
            break


def editor(w):
    w.say("== Item editor")
    w.said("F4", lambda: keys("F4"))
    w.shot("orca-editor")
    tab_round(w, w.find("text", text(558).rstrip(" :")))
    # Two items, the first with an explanation, for the test.
    for q, a, why in (("Haus", "house", "ein Gebäude"), ("Baum", "tree", "")):
        ui.set_text(w.find("text", text(558).rstrip(" :")), q)
        ui.set_text(w.find("text", text(559).rstrip(" :") + " 1"), a)
        ui.set_text(w.find("text", text(562).rstrip(" :")), why)
        w.find("text", text(558).rstrip(" :")).queryComponent().grabFocus()
        time.sleep(0.5)
        w.said(f"F8 adds {q!r}", lambda: keys("F8"))
    # The special signs' table under the question box; Return puts a sign in.
    w.said("Ctrl+S (special signs)", lambda: keys("ctrl", "s"))
    for key in ("Right", "Return", "Return", "Escape"):
        w.said(key, lambda: keys(key))
    ui.set_text(w.find("text", text(558).rstrip(" :")), "")
    w.said("Alt+M (multiple choice)", lambda: keys("alt", "m"))
    tab_round(w, w.find("text", text(558).rstrip(" :")))
    w.said("Esc", lambda: keys("Escape"))


def settings(w):
    w.say("== Settings")
    w.said("Ctrl+E", lambda: keys("ctrl", "e"))
    tree = w.find("tree")
    for page in range(11):
        if page and w.said("Down", lambda: keys("Down")) == "":
            break
        w.shot(f"orca-settings-{page + 1}")
        tab_round(w, tree, 15)  # the page's controls, back to the tree
    keys("ctrl", "d")
    time.sleep(1)


def export_fields(w):
    w.say("== Export wizard, fields page")
    ui.press(w.find("push button", text(486)))
    time.sleep(1)
    keys("Down")
    keys("Return")
    keys("Down")  # HTML
    keys("Return")
    add, remove = ("Add all questions", "Remove all questions") if LANG == "en" else (
        "Alle Begriffe hinzufügen", "Alle Begriffe entfernen")
    for name in (add, remove, add):
        button = w.find("push button", name)
        for i in range(12):
            if focused(button):
                break
            w.said(f"Tab {i + 1}", lambda: keys("Tab"))
        w.said(f"Space ({name})", lambda: keys("space"))
    ui.press(w.find("push button", text(603)))
    time.sleep(1)
    fields = w.find("list", text(630).rstrip(" :"))
    for i in range(8):
        if focused(fields):
            break
        w.said(f"Tab {i + 1}", lambda: keys("Tab"))
    w.said("Space", lambda: keys("space"))
    w.said("Space", lambda: keys("space"))
    w.said("Down", lambda: keys("Down"))
    w.said("Space", lambda: keys("space"))
    w.shot("orca-export-fields")
    w.said("Esc", lambda: keys("Escape"))


def test_windows(w):
    w.say("== Test: the Explanation window and the clue")
    w.said("Ctrl+S", lambda: keys("ctrl", "s"))
    question = next((l.name for l in ui.find_all(w.app, "label") if l.name in ("Haus", "Baum")), None)
    if question == "Baum":
        w.said("'tree' typed (right: on by itself)", lambda: typed("tree"))
    w.said("'x' typed, Return (wrong: the explanation)", lambda: (typed("x"), keys("Return")))
    w.shot("orca-explanation")
    w.said("Esc", lambda: keys("Escape"))
    solve = w.find("push button", text(693))
    for i in range(6):
        if focused(solve):
            break
        w.said(f"Tab {i + 1}", lambda: keys("Tab"))
    w.said("Menu", lambda: keys("Menu"))
    w.shot("orca-clue")
    w.said("Esc", lambda: keys("Escape"))
    w.said("Shift+F10", lambda: keys("shift", "F10"))
    w.said("Return", lambda: keys("Return"))
    w.said("Esc (the test)", lambda: keys("Escape"))


def main():
    os.makedirs(OUT, exist_ok=True)
    run_steps(Walk(), (("start", start_window), ("new database", new_database), ("editor", editor),
                           ("settings", settings), ("export", export_fields), ("test", test_windows)), "orca-failed-")


if __name__ == "__main__":
    main()
