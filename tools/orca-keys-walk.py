#!/usr/bin/env python3
"""What Orca says where the keyboard changes or finds things: Delete in the
Users window, a closed list box with an entry other than the first, every
character typed on the overview grid (none may delete an item), a search
that finds its row, every named key on the grid (Insert, Delete, Home, End,
Page Up and Down, Backspace, Tab, F1-F12; plain, with Shift and with Ctrl)
from its second row, and "Finish import" of the text import.

    tools/ui-session.sh /usr/bin/python3 tools/orca-keys-walk.py PROGRAM FOLDER LANG

PROGRAM and FOLDER as for tools/screenshots.py, LANG en or de. Writes each
key and what Orca said after it to FOLDER/orca-keys-LANG.txt (and prints
it). Needs what tools/orca-controls.py needs. Not run by CI.
"""
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import importlib  # noqa: E402

import ui  # noqa: E402
from screenshots import MESSAGES, OUT, click, keys, run_steps, typed  # noqa: E402

controls = importlib.import_module("orca-controls")
Walk, text, focused, new_database = controls.Walk, controls.text, controls.focused, controls.new_database
LANG = controls.LANG


class KeysWalk(Walk):
    def __init__(self):
        super().__init__()
        self.report.close()
        self.report = open(os.path.join(OUT, f"orca-keys-{LANG}.txt"), "w")


def tab_to(w, node, limit=20):
    for i in range(limit):
        if focused(node):
            return
        keys("Tab")
    raise RuntimeError(f"Tab never reached {node.name!r}")


def users(w):
    w.say("== Users window")
    time.sleep(1)
    if LANG != "en":
        ui.press(w.find("combo box", MESSAGES[20005].rstrip(" :")))  # a new installation is in English
        time.sleep(0.5)
        click(w.find("list item", "Deutsch"))
    controls.make_anna_and_bert(w)
    ui.press(w.find("push button", text(7)))
    time.sleep(1.5)
    delete = w.find("push button", f"{text(19)} {text(12).rstrip(' :')}")
    tab_to(w, delete)
    w.orca.idle(1)
    w.said("Space on Delete User 2", lambda: keys("space"))
    w.shot("orca-keys-users")
    w.said("Esc", lambda: keys("Escape"))
    w.say("== Start window, list boxes")
    w.said("Down (user box, to Bert)", lambda: keys("Down"))
    w.said("Tab", lambda: keys("Tab"))
    w.said("Shift+Tab (user box, Bert chosen)", lambda: keys("shift", "Tab"))
    w.said("Up (back to Anna, whose language the walk is in)", lambda: keys("Up"))
    ui.press(w.find("push button", text(4)))
    time.sleep(2)


def items(w):
    keys("F4")
    time.sleep(1.5)
    for q, a in (("Haus", "house"), ("Baum", "tree"), ("Katze", "cat")):
        ui.set_text(w.find("text", text(558).rstrip(" :")), q)
        ui.set_text(w.find("text", text(559).rstrip(" :") + " 1"), a)
        w.find("text", text(558).rstrip(" :")).queryComponent().grabFocus()
        time.sleep(0.4)
        keys("F8")
        time.sleep(0.8)
    keys("Escape")
    time.sleep(1.5)


def grid(w):
    w.say("== Overview grid")
    table = w.find("table")
    table.queryComponent().grabFocus()
    time.sleep(0.5)
    w.said("Down", lambda: keys("Down"))
    w.said("'.' typed", lambda: keys("period"))
    for ch in ("minus", "exclam", "dollar", "percent", "parenleft", "adiaeresis", "ssharp"):
        w.said(f"{ch} typed", lambda: keys(ch))
    w.say(f"   rows in the grid: {table.queryTable().nRows}")
    w.said("Ctrl+F", lambda: keys("ctrl", "f"))
    w.said("'baum', Return", lambda: (typed("baum"), keys("Return")))
    w.said("'tree', Return", lambda: (typed("\b\b\b\btree"), keys("Return")))
    w.shot("orca-keys-search")
    w.said("Esc", lambda: keys("Escape"))


def named_keys(w):
    """Each named key from the answer of the second row; whatever it brought
    up is left with Esc (a deletion is refused, a test left), and the
    overview is brought back with Ctrl+D."""
    w.say("== Named keys on the grid, from the answer of the second row")
    for key in ("Insert", "Delete", "Home", "End", "Prior", "Next", "BackSpace", "Tab",
                *(f"F{i}" for i in range(1, 13))):
        for mods in ((), ("shift",), ("ctrl",)):
            w.find("table").queryComponent().grabFocus()
            for chord in (("ctrl", "Home"), ("Down",), ("Home",), ("Right",)):  # the answer of row 2
                keys(*chord)
            w.orca.idle(0.8)
            w.said("+".join((*mods, key)), lambda: keys(*mods, key), settle=2)
            if (*mods, key) == ("shift", "F10"):
                w.shot("orca-keys-menu")
            for _ in range(2):
                keys("Escape")
                time.sleep(0.5)
            keys("ctrl", "d")
            time.sleep(0.8)
    w.say(f"   rows in the grid: {w.find('table').queryTable().nRows}")


def text_import(w):
    w.say("== Text import")
    path = os.path.join(w.home, "words.txt")
    with open(path, "w", encoding="utf-8") as f:
        f.write("Hund\tdog\tTiere\nMaus\tmouse\tTiere\n")
    ui.press(w.find("push button", text(486)))
    time.sleep(1)
    click(w.find("radio button", text(660)))
    ui.press(w.find("push button", text(603)))
    time.sleep(1)
    ui.set_text(ui.find_all(w.app, "text")[0], path)
    time.sleep(1)
    finish = w.find("push button", text(603))
    tab_to(w, finish)
    w.orca.idle(1)
    w.said("Space on Next (imports)", lambda: keys("space"))
    w.shot("orca-keys-import")
    w.said("Space on Finish import", lambda: keys("space"))


def main():
    os.makedirs(OUT, exist_ok=True)
    run_steps(KeysWalk(), (("users", users), ("new database", new_database), ("items", items), ("grid", grid),
                           ("named keys", named_keys), ("import", text_import)), "orca-keys-failed-")


if __name__ == "__main__":
    main()
