"""Orca, the Debian package's screen reader (43), as a test client in a
session of tools/ui-session.sh: what it would speak goes to its debug log,
so it needs no sound device or speech server. Used by tools/orca-controls.py
and tools/orca-test-walk.py. Install once:
apt-get install --no-install-recommends orca
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from screenshots import end_process


# Key echo, which is not what the program says.
ECHO = re.compile(r"([A-Za-z0-9]|F[0-9]+|tab|return|escape|space|left shift|left control|left alt|"
                  r"Down|Up|Left|Right|Menu|slash|dash|dot)")


class Orca:
    """Orca with its speech logged: a copy of its launcher that writes each
    log line at once and starts beside the Orca of another session (each
    session has an accessibility bus of its own)."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="wk-orca-")
        self.log = os.path.join(self.dir, "orca.log")
        with open("/usr/bin/orca") as f:
            launcher = f.read()
        launcher = launcher.replace("open(args.debug_file, 'w')", "open(args.debug_file, 'w', buffering=1)")
        launcher = launcher.replace("\n    if otherOrcas():", "\n    if False:")
        with open(os.path.join(self.dir, "launcher"), "w") as f:
            f.write(launcher)
        os.makedirs(os.path.join(self.dir, "prefs"))
        self.out = open(os.path.join(self.dir, "orca.out"), "w")
        self.proc = subprocess.Popen(["/usr/bin/python3", os.path.join(self.dir, "launcher"), "-u",
                                      os.path.join(self.dir, "prefs"), "--debug-file", self.log],
                                     stdout=self.out, stderr=subprocess.STDOUT)
        for _ in range(100):
            if self.utterances():
                return
            time.sleep(0.1)
        sys.exit(f"Orca did not start (see {self.dir}/orca.out)")

    def utterances(self):
        try:
            with open(self.log, errors="replace") as f:
                return [l for l in f if "SPEECH OUTPUT" in l]
        except FileNotFoundError:
            return []

    def said(self, since):
        """The utterances after the first `since`, without key echo."""
        out = []
        for line in self.utterances()[since:]:
            words = re.sub(r"^.*SPEECH OUTPUT: '", "", line.rstrip("\n"))
            words = re.sub(r"' *[{\[].*$|' *$", "", words).strip()
            if words and not ECHO.fullmatch(words):
                out.append(words)
        return out

    def mark(self):
        """Where Orca's log stands now, for first_words."""
        return os.path.getsize(self.log)

    def first_words(self, mark, wanted, start, limit=30):
        """Seconds from the time `start` until Orca first says words that
        contain `wanted`, in its log past `mark` (None when it does not
        within `limit` seconds), and the utterances until then."""
        said = []
        with open(self.log, "rb") as f:
            f.seek(mark)
            while time.time() - start < limit:
                raw = f.readline()
                if not raw.endswith(b"\n"):
                    f.seek(-len(raw), os.SEEK_CUR)
                    time.sleep(0.02)
                    continue
                line = raw.decode(errors="replace")
                if "SPEECH OUTPUT" not in line:
                    continue
                words = re.sub(r"' *[{\[].*$|' *$", "", re.sub(r"^.*SPEECH OUTPUT: '", "", line.rstrip("\n")))
                said.append(words.strip())
                if wanted in words:
                    return time.time() - start, said
        return None, said

    def idle(self, settle, limit=30):
        """Waits until the log has not grown for `settle` seconds: Orca
        works through the events it was sent (a deluge of them takes it
        seconds)."""
        end, size, still = time.time() + limit, -1, time.time()
        while time.time() < end and time.time() - still < settle:
            time.sleep(0.2)
            now = os.path.getsize(self.log)
            if now != size:
                size, still = now, time.time()

    def stop(self):
        end_process(self.proc)
        self.out.close()
        shutil.rmtree(self.dir, ignore_errors=True)
