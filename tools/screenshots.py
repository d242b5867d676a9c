#!/usr/bin/env python3
"""Screenshots of the program's windows, in English and German, for a look
after a change to a window's layout or texts.

    tools/ui-session.sh /usr/bin/python3 tools/screenshots.py [PROGRAM] [FOLDER] [LANG...]

PROGRAM defaults to build/release/wortkiste (then build/test/wortkiste),
FOLDER to /tmp/wortkiste-screenshots. Each run starts the program with a
fresh WORTKISTE_HOME (which also takes the data and settings folders, so
nothing is written to the real home), makes a user and a small database and
walks through the windows as a user would, through the accessibility bus
(tools/ui.py) and xdotool. tools/ui-session.sh gives it a virtual display
and the buses. Needs the Debian packages xvfb dbus-x11 at-spi2-core
python3-pyatspi imagemagick xdotool; the system's python3 is the one with
pyatspi. LANG is en, de or both (the default). Not run by CI.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import ui  # noqa: E402

def _messages():
    table = {}
    with open(os.path.join(REPO, "resources", "messages", "messages.tsv"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or "\t" not in line:
                continue
            key, text = line.rstrip("\n").split("\t", 1)
            table[int(key)] = text
    return table


MESSAGES = _messages()

LANGUAGES = {"en": "English", "de": "Deutsch"}


def program():
    if len(sys.argv) > 1:
        return sys.argv[1]
    for p in ("build/release/wortkiste", "build/test/wortkiste"):
        if os.path.exists(os.path.join(REPO, p)):
            return os.path.join(REPO, p)
    sys.exit("build the program first: ./wk run, or ./wk test")


OUT = sys.argv[2] if len(sys.argv) > 2 else "/tmp/wortkiste-screenshots"


def keys(*chord):
    """Presses a chord as a person does: modifiers down, key, modifiers up."""
    *mods, key = chord
    cmd = ["xdotool"]
    for m in mods:
        cmd += ["keydown", m]
    cmd += ["key", key]
    for m in reversed(mods):
        cmd += ["keyup", m]
    subprocess.run(cmd, check=True)
    time.sleep(0.6)


def typed(text):
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True)
    time.sleep(0.3)


def click(node, double=False):
    x, y, w, h = ui.extents(node)
    cmd = ["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click"]
    if double:
        cmd += ["--repeat", "2", "--delay", "80"]
    subprocess.run(cmd + ["1"], check=True)
    time.sleep(0.6)


class Session:
    def __init__(self, lang):
        self.lang = lang
        self.home = tempfile.mkdtemp(prefix="wk-shots-")
        self.log = open(os.path.join(self.home, "program.log"), "w")
        self.launch()

    def launch(self):
        env = dict(os.environ, WORTKISTE_HOME=self.home, ASAN_OPTIONS="detect_leaks=0",
                   XDG_DATA_HOME=os.path.join(self.home, "xdg-data"),
                   XDG_CONFIG_HOME=os.path.join(self.home, "xdg-config"),
                   XDG_CACHE_HOME=os.path.join(self.home, "xdg-cache"))
        self.proc = subprocess.Popen([program()], env=env, stdout=self.log, stderr=subprocess.STDOUT)
        time.sleep(2)
        self.app = ui.app("Wortkiste", timeout=30)

    def restart(self):
        """Ends the program and starts it again on the same program folder."""
        end_process(self.proc)
        self.launch()

    def text(self, message_id):
        """A caption as the accessibility bus shows it (without "&")."""
        base = 10000 if self.lang == "de" else 20000
        return MESSAGES[base + message_id].replace("&", "")

    def shot(self, name):
        time.sleep(0.8)
        path = os.path.join(OUT, f"{name}-{self.lang}.png")
        subprocess.run(["import", "-window", "root", path], check=True)
        print(path)

    def find(self, role=None, name=None, contains=None, timeout=8):
        return ui.find(self.app, role, name, contains, timeout=timeout)

    def press(self, role, name):
        ui.press(self.find(role, name))
        time.sleep(0.8)

    def dump(self):
        print("\n".join(ui.dump(self.app)))

    def close(self):
        end_process(self.proc)
        self.log.close()
        shutil.rmtree(self.home, ignore_errors=True)


def end_process(proc):
    """Asks a child to end; kills it when it has not within ten seconds."""
    proc.terminate()
    try:
        proc.wait(10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def pump(seconds=0.6):
    """Lets the accessibility bus deliver what the last key brought."""
    from gi.repository import GLib
    ctx = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        while ctx.pending():
            ctx.iteration(False)
        time.sleep(0.05)


def choose_language(s):
    """The start window's language box set to the session's language (a new
    installation starts in English); the box is named after its label."""
    if s.lang != "en":
        ui.press(s.find("combo box", MESSAGES[20005].rstrip(" :")))
        time.sleep(0.5)
        click(s.find("list item", LANGUAGES[s.lang]))


def run_steps(w, steps, shot_prefix):
    """Runs each (name, step) on w; a step that fails is said and
    photographed, and the next one goes on."""
    try:
        for name, step in steps:
            try:
                step(w)
            except Exception as e:
                w.say(f"!! {name}: {e}")
                w.shot(f"{shot_prefix}{name.replace(' ', '-')}")
    finally:
        w.close()


def start(s):
    """Start form: language, a new user, on to the main window."""
    choose_language(s)
    s.press("push button", s.text(3))
    field = ui.find_all(s.app, "text")[0]
    click(field)
    typed("Anna")
    s.press("push button", s.text(16))
    s.shot("01-start")
    s.press("push button", s.text(4))
    time.sleep(2)
    s.shot("02-main-no-database")


def alerts(s):
    """The message boxes open now. They are top-level windows, so only the
    application's own children are asked: a walk of the whole tree is slow
    and, under load, runs into the bus's reply timeout."""
    for _ in range(5):
        try:
            out = []
            for i in range(s.app.childCount):
                w = s.app.getChildAtIndex(i)
                if w is not None and w.getRoleName() == "alert" and w.getState().contains(
                        ui.pyatspi.STATE_SHOWING):
                    out.append(w)
            return out
        except Exception:
            time.sleep(0.5)
    return []


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split("\n")


def visible_windows(title):
    return {w for w in xdo("search", "--onlyvisible", "--name", "") if w and xdo("getwindowname", w)[0] == title}


def accept_file_dialog(timeout=20):
    """Presses Enter in the focused file dialog and answers Yes when it asks
    whether to create a file that does not exist. The question carries the
    dialog's title and comes a moment after the dialog has gone, later
    under load: it is waited for by polling the display, not the
    accessibility bus, which answers slowly while the dialog closes."""
    dialog = xdo("getwindowfocus")[0]
    title = xdo("getwindowname", dialog)[0]
    keys("Return")
    end = time.time() + timeout
    gone_since = None
    while time.time() < end:
        shown = visible_windows(title)
        if shown - {dialog}:
            time.sleep(0.3)
            keys("Return")
            return True
        if dialog in shown:
            gone_since = None
        elif gone_since is None:
            gone_since = time.time()
        elif time.time() - gone_since > 3:
            return False  # closed without a question
        time.sleep(0.3)
    return False


def new_database(s):
    click(s.find("push button", s.text(478)))
    click(ui.find_all(s.app, "text")[-1])
    typed("Kurs")
    s.press("push button", s.text(4))
    time.sleep(1)
    typed(os.path.join(s.home, "DB", "kurs.wkd"))
    accept_file_dialog()
    time.sleep(2)
    s.shot("03-overview")


def step(s, name, fn):
    try:
        fn(s)
    except Exception as e:  # go on with the next window
        print(f"{name}: {e}", file=sys.stderr)
        if os.environ.get("WK_SHOTS_DUMP"):
            traceback.print_exc()
        s.shot(f"failed-{name}")
        if os.environ.get("WK_SHOTS_DUMP"):
            s.dump()
        keys("Escape")


def walk(lang):
    s = Session(lang)
    try:
        start(s)
        new_database(s)
        for name, fn in SECTIONS:
            step(s, name, fn)
    finally:
        s.close()


def editor(s):
    # Without a window manager the keyboard focus may stay with the file
    # dialog that just closed, and the key goes nowhere: then the toolbar's
    # button opens the editor.
    keys("F4")
    try:
        question_box(s)
    except RuntimeError:
        click(s.find("push button", s.text(480)))
    s.shot("04-editor")
    click(question_box(s), double=True)
    s.shot("05-editor-special-characters")
    keys("Escape")
    click(s.find("push button", s.text(569).rstrip(" :")))  # named after its label, without the colon
    s.shot("06-editor-picture-dialog")
    keys("Escape")
    for q, a in (("Haus", "house"), ("Baum", "tree"), ("Fluss", "river")):
        click(question_box(s))
        typed(q)
        click(answer_box(s))
        typed(a)
        s.press("push button", s.text(570))
    s.press("push button", s.text(571))


def question_box(s):
    return s.find("text", s.text(558))


def answer_box(s):
    return s.find("text", s.text(559) + " 1")  # nine boxes, each named with its number


def overview_picture(s):
    click(s.find("table cell", "Haus"))
    click(s.find("push button", s.text(494)))
    s.shot("06b-overview-picture-dialog")
    keys("Escape")


def fonts(s):
    click(s.find("push button", s.text(496)))
    click(s.find("radio button", s.text(297)))
    s.shot("07-grid-options-fonts")
    click(s.find("push button", contains=s.text(352)))  # the first row's "...", named "<row>, Pick a font"
    s.find("slider").queryValue().currentValue = 12
    s.shot("08-font-dialog-size-12")
    s.press("push button", s.text(17))
    keys("Escape")


def wizard(s, task):
    click(s.find("push button", s.text(486)))
    click(s.find("radio button", s.text(task)))
    s.press("push button", s.text(603))


def save_as(s, path):
    click(s.find("text", contains=":"))  # the dialog's file name box
    keys("ctrl", "a")
    typed(path)
    accept_file_dialog()
    time.sleep(1)


def export(s):
    click(s.find("push button", s.text(486)))
    s.shot("09-wizard-start")
    click(s.find("radio button", s.text(607)))
    s.press("push button", s.text(603))
    click(s.find("radio button", s.text(638)))
    s.press("push button", s.text(603))
    s.shot("10-export-items")
    s.press("push button", ALL_ITEMS[s.lang])
    s.shot("11-export-all-moved")
    s.press("push button", s.text(603))
    s.press("push button", s.text(603))  # fields: HTML goes to the save dialog
    s.shot("12-export-save-html")
    save_as(s, "/no/such/folder/kurs.htm")
    s.shot("13-export-cannot-write")
    keys("Return")
    s.press("push button", s.text(603))
    save_as(s, os.path.join(s.home, "kurs.htm"))
    s.shot("14-export-finished")
    s.press("push button", s.text(650))
    time.sleep(1)
    s.shot("15-export-view-file")
    if alerts(s):
        keys("Return")
    s.press("push button", s.text(627))


# The ">>" button, named for what it moves.
ALL_ITEMS = {"en": "Add all questions", "de": "Alle Begriffe hinzufügen"}


def copy_database(s, name, locked):
    src = os.path.join(s.home, "DB", "kurs.wkd")
    dst = os.path.join(s.home, name)
    subprocess.run(["sqlite3", src, f".backup '{dst}'"], check=True)
    if locked:
        subprocess.run(["sqlite3", dst, "UPDATE OPTIONS SET ExportProtection = 1"], check=True)
    return dst


def database_import(s):
    locked = copy_database(s, "locked.wkd", True)
    other = copy_database(s, "other.wkd", False)
    wizard(s, 606)
    click(s.find("check box", s.text(611).rstrip(" :")))
    what = s.find("combo box", s.text(611).rstrip(" :") + " 1")  # the first condition's field
    click(what)
    for _ in range(3):  # down to the error rate
        keys("Down")
    keys("Return")
    ui.set_text(ui.find_all(s.app, "text")[1], "50")
    ui.set_text(ui.find_all(s.app, "text")[0], locked)
    s.shot("16-import-conditions")
    s.press("push button", s.text(601))
    wizard(s, 606)
    ui.set_text(ui.find_all(s.app, "text")[0], locked)
    click(s.find("push button", s.text(603)))
    s.shot("17-import-locked-5060")
    print("message 5060's title:", repr(s.find("alert").name))
    keys("Return")
    ui.set_text(ui.find_all(s.app, "text")[0], other)
    s.press("push button", s.text(603))
    s.press("push button", ALL_ITEMS[s.lang])
    s.shot("18-import-items")
    click(s.find("push button", s.text(603)))  # a modal question follows
    s.shot("19-import-duplicate")
    while alerts(s):  # one question per item already there
        keys("Return")
    s.shot("20-import-finished")
    s.press("push button", s.text(623))


def text_import(s):
    path = os.path.join(s.home, "words.txt")
    with open(path, "w", encoding="utf-8") as f:
        f.write("Katze\tcat\tTiere\nHund\tdog\tTiere\n")
    wizard(s, 660)
    s.shot("21-text-import-no-file")
    ui.set_text(ui.find_all(s.app, "text")[0], path)
    s.shot("22-text-import-preview")
    s.press("push button", s.text(603))
    s.shot("23-text-import-finished")
    s.press("push button", s.text(623))


SETTINGS_NODES = [580, 800, 803, 802, 801, 804, 145, 144, 702, 581, 582]


def settings(s):
    """Every page of the settings panel, the first as it opens."""
    click(s.find("push button", s.text(472)))
    s.shot("24-settings-580")
    for node in SETTINGS_NODES[1:]:
        click(s.find(None, s.text(node)))
        s.shot(f"24-settings-{node}")


ANSWERS = {"Haus": "house", "Baum": "tree", "Fluss": "river", "Katze": "cat", "Hund": "dog"}


def test_screen(s):
    """A test run to its result: the first answer wrong (the right one is
    shown and confirmed, and the item comes again), every other right."""
    click(s.find("push button", s.text(470)))
    s.shot("25-test-question")
    wrong_given = False
    for _ in range(40):
        if result_shown(s):
            break
        if alerts(s):  # ask the wrong ones again?
            s.shot("26-test-ask-again")
            s.press("push button", s.text(261))
            continue
        box = s.find("text")
        if ui.text_of(box):
            keys("Return")  # confirm the answer shown
        elif not wrong_given:
            typed("x")
            keys("Return")
            wrong_given = True
            s.shot("26-test-wrong-answer")
        else:
            question = next(l.name for l in ui.find_all(s.app, "label") if l.name in ANSWERS)
            typed(ANSWERS[question])  # a right answer goes on by itself
            time.sleep(1)
    s.shot("27-test-result")
    keys("Escape")


def result_shown(s):
    try:
        s.find("label", s.text(255), timeout=0.3)
        return True
    except Exception:
        return False

SECTIONS = [
    ("editor", editor),
    ("overview-picture", overview_picture),
    ("fonts", fonts),
    ("export", export),
    ("database-import", database_import),
    ("text-import", text_import),
    ("settings", settings),
    ("test-screen", test_screen),
]


def languages(asked):
    """The languages to walk through: en, de, or both for the two."""
    out = []
    for lang in asked or ["both"]:
        if lang == "both":
            out += list(LANGUAGES)
        elif lang in LANGUAGES:
            out.append(lang)
        else:
            sys.exit("unknown language %r: en, de or both" % lang)
    return out


def main():
    langs = languages(sys.argv[3:])
    os.makedirs(OUT, exist_ok=True)
    for lang in langs:
        walk(lang)


if __name__ == "__main__":
    main()
