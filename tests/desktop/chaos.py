"""Random real events against Skerrow on a desktop that chaos_test.sh set up.

Clicks, double clicks, middle clicks, drags, keys and pastes (XTEST, as a
keyboard and mouse would send them) go to random places of every window the
program shows, mixed with journeys a user makes on purpose: both folder
dialogs given the test tree and a destination, names typed or pasted from
the clipboard (accents, CJK and spaces come that way), Search and the
results; a picture previewed by a double click; Archive Files, its closing
message and Return on it; Ctrl+? and the help loaded; the about window;
now and then Quit. The run fails on

  - an exit other than a clean one (a clean Quit restarts the program),
  - any sanitizer report in the program's output,
  - a window that leaves the window manager's ping (_NET_WM_PING),
    answered from the program's event loop, unanswered for 3 s, or a
    running program with no window on screen for 5 s (time the harness
    itself was held up on a slow or busy machine does not count),
  - any change to the search tree (names, types, modes, sizes, times and
    checksums),
  - a destination that is wrong after an archive run (checked when its
    report is written, when the program quits and at the end): a file the
    program made there that is not byte for byte a file of the tree of
    that name, a file that was there before changed or gone, a report not
    in CP1252 with CR LF line ends,
  - after a search archived at once (every row ticked): a row's file not
    copied although the destination had no file of its name, a copy that
    is not the file of its row, a copy of no row,
  - MINIMUMS not reached within HARD_LIMIT times the run's length: the run
    goes on past its length until it has reached them.

Journeys act only in a window seen active once the program has handled
all earlier input, after a menu or dialog that a random key opened.

On failure it prints the seed and the last events. The same seed replays
the same choices; timing makes the run similar, not identical.
"""
import argparse
import collections
import hashlib
import os
import random
import re
import shutil
import stat
import subprocess
import sys
import time

from Xlib import X, XK, display, error, protocol
from Xlib.ext import xtest

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from png import write_png  # noqa: E402

PING_LIMIT = 3.0        # seconds a window may leave a ping unanswered
NO_WINDOW_LIMIT = 5.0   # seconds a running program may show no window
START_LIMIT = 60.0      # seconds until the first window of a start
STALL_CREDIT = 0.5      # most seconds one look counts towards those limits
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "SUMMARY: UndefinedBehaviorSanitizer", "AddressSanitizer:DEADLYSIGNAL")
# CHAOS_TRACE=FILE writes every event there as it happens (runs by hand).
TRACE = open(os.environ["CHAOS_TRACE"], "a") if os.environ.get("CHAOS_TRACE") else None
# What a run must reach per 120 s, and within how many times its length;
# runs shorter than MINIMUM_RUN are not held to it.
MINIMUMS = {"results windows": 10, "archive runs": 5, "previews": 5, "help loads": 3}
MINIMUM_RUN = 60.0
HARD_LIMIT = 4

SEARCH = "Skerrow! Batch File Search"
RESULTS = "Search Results"
STATISTICS = "Statistics"
UNTITLED = "Skerrow"            # help, progress and message boxes
SPLASH_OR_ABOUT = "Skerrow!!"
SEARCH_DIALOG = "Search File Location"
COPY_DIALOG = "Copy File Location"
PROGRESS_SIZE = (424, 92)
HELP_SIZE = (653, 462)
REPORT = "Report.txt"

# Content height of the windows with a menu bar (the bar sits above it).
CONTENT_HEIGHT = {SEARCH: 493, RESULTS: 412, STATISTICS: 300}
QUERY_FIELD = (350, 340)        # search window content
QUERY_POINTS = [(x, y) for y in (340, 410, 280) for x in (350, 60, 640)]
ARCHIVE_BUTTON = (635, 390)     # results window content
FIRST_ROW, ROW_HEIGHT = 23, 14  # centre of the first results row, content
CHECK_COLUMN, NAME_COLUMN = 30, 60
# Places worth clicking, in content coordinates.
HOTSPOTS = {
    SEARCH: [(74, 26), (74, 186), (30, 70), (30, 113), (136, 69), (136, 112), QUERY_FIELD, (646, 464),
             (400, 29), (400, 187), (100, 300), (600, 420), (30, 463)],
    RESULTS: [(x, FIRST_ROW + ROW_HEIGHT * row) for x in (CHECK_COLUMN, 150, 400) for row in range(6)] +
             [ARCHIVE_BUTTON, (523, 390), (300, 300)],
    STATISTICS: [(150, 140), (150, 20)],
}
# Names the query may hold: pictures, duplicates, text, missing ones, and
# names with accents, CJK and spaces (those only pasted).
PICTURE_NAMES = ["img_0001", "img_0001.jpg", "img_0002.png", "photo.png", "photo", "img_0004", "wide.png", "tall.png",
                 "PHOTO.PNG", "my photo.png", "café.png", "写真.png", "Ärger", "x-ray scan.png"]
OTHER_NAMES = ["secret", "missing1", "notes.txt", "empty", "img_0003", "x", "naïve notes.txt", "日記"]
NAMES = PICTURE_NAMES + OTHER_NAMES
# Pasted at random places, with the names.
PASTE_TEXTS = ["", ",,,", "a" * 300, "line one\nline two", "\t", "../../etc", "😀.png", "C:\\x.jpg"]
# Ctrl+Q is not among them: quitting is done on purpose, rarely (QUIT_SHARE).
KEYS = ["Return", "Escape", "Tab", "shift+Tab", "Up", "Down", "Left", "Right", "Delete", "BackSpace",
        "Home", "End", "space", "Page_Down", "Page_Up", "shift+Down", "shift+End",
        "ctrl+o", "ctrl+shift+o", "ctrl+question", "ctrl+a", "ctrl+c", "ctrl+v", "ctrl+x",
        "ctrl+z", "ctrl+d", "ctrl+w", "ctrl+Return", "alt+F4", "alt+f", "alt+e", "alt+v", "alt+h"]
# In the folder dialogs only keys that cannot change files: the dialog itself
# can make, rename and delete folders.
DIALOG_KEYS = ["Tab", "shift+Tab", "Up", "Down", "Escape", "Return"]
DIALOG_MIN_WIDTH = 500  # narrower windows of a folder dialog's title are its messages
CHARACTERS = {",": "comma", ".": "period", "/": "slash", "_": "underscore", "-": "minus",
              " ": "space", "?": "question"}

# Shares of the steps: a journey, a quit, else a random event.
JOURNEY_SHARE = 0.35
QUIT_SHARE = 0.006
RANDOM_WEIGHTS = {"click": 25, "double": 8, "middle": 2, "drag": 6, "key": 30, "type": 6, "paste": 6}
FRUITLESS_LIMIT = 4  # searches in a row without results before a fresh start
JOURNEY_WEIGHTS = {"search": 6, "checked": 3, "archive": 3, "preview": 5, "help": 2, "about": 0.5, "dismiss": 4,
                   "recover": 8}
CATCH_UP_SHARE = 0.8  # of the steps past the run's length
AIMS = {"results windows": ["search", "checked"], "archive runs": ["archive", "checked"], "previews": ["preview"],
        "help loads": ["help"]}
# A name in every checked query that no file has: the report lists it as
# the program completed it, with the prefix if one is in use.
NOWHERE = "nowhere.png"


class Failure(Exception):
    pass


# ---- The search tree and the destination ----

def build_tree(root, locked_name):
    """A small tree: pictures, duplicates, text, names with accents, CJK and
    spaces, a symbolic-link loop, deep folders and a folder the program may
    not read."""
    def png(rel, w, h):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        write_png(path, w, h)

    def text(rel, content):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(content)

    png("pics/img_0001.jpg", 64, 48)
    png("pics/img_0002.png", 48, 64)
    png("pics/photo.png", 120, 80)
    png("pics/wide.png", 400, 20)
    png("pics/tall.png", 16, 300)
    png("pics/my photo.png", 32, 32)
    png("pics/café.png", 36, 24)
    png("pics/写真.png", 24, 36)
    png("pics/Ärger.jpg", 30, 30)
    png("scans/x-ray scan.png", 44, 22)
    png("dup/a/photo.png", 40, 30)
    png("dup/b/photo.png", 30, 40)
    png("dup/b/café.png", 12, 12)
    png("dup/c/sub/PHOTO.PNG", 20, 20)
    png("dup/a/img_0001.jpg", 10, 10)
    png("dup/a/wide.png", 300, 30)
    png("dup/b/x-ray scan.png", 22, 44)
    png("dup/c/写真.png", 20, 30)
    png("deep/1/2/3/4/5/img_0004.jpg", 50, 50)
    text("docs/notes.txt", "notes\n")
    text("docs/naïve notes.txt", "naïve\n")
    text("docs/日記.jpg", "not a picture\n")
    text("docs/img_0003.jpg", "not a picture\n")
    text("docs/empty.jpg", "")
    os.makedirs(os.path.join(root, "loop"))
    os.symlink("..", os.path.join(root, "loop", "up"))
    os.symlink("a", os.path.join(root, "loop", "b"))
    os.symlink("b", os.path.join(root, "loop", "a"))
    png(os.path.join(locked_name, "secret.jpg"), 24, 24)
    os.chmod(os.path.join(root, locked_name), 0)


# Files in the destination before the first run: two named like files of
# the tree (the program must leave them and report them), one not.
DESTINATION_FILES = {"photo.png": b"not the tree's photo\n", "notes.txt": b"older notes\r\n",
                     "keep me.txt": b"kept\n"}


def listing(root):
    """Every entry below root with type, mode, owner, size, times and checksum."""
    entries = {}
    for folder, dirs, files in os.walk(root, followlinks=False):
        for name in sorted(dirs + files):
            path = os.path.join(folder, name)
            st = os.lstat(path)
            entry = (stat.filemode(st.st_mode), st.st_uid, st.st_gid, st.st_size, st.st_mtime_ns, st.st_ctime_ns)
            if stat.S_ISLNK(st.st_mode):
                entry += (os.readlink(path),)
            elif stat.S_ISREG(st.st_mode):
                with open(path, "rb") as f:
                    entry += (hashlib.sha256(f.read()).hexdigest(),)
            entries[os.path.relpath(path, root)] = entry
    st = os.lstat(root)
    entries["."] = (stat.filemode(st.st_mode), st.st_size, st.st_mtime_ns, st.st_ctime_ns)
    return entries


def compare_listings(before, after):
    changes = []
    for path in sorted(set(before) | set(after)):
        if before.get(path) != after.get(path):
            changes.append("  %s: %s -> %s" % (path, before.get(path), after.get(path)))
    return changes


def first_of_each_name(root, unreadable):
    """Lower-case name -> the first file of that name (ignoring case) that
    the program's walk meets, relative to root: each folder's entries in
    their listing order, a folder's files where the folder stands.
    Duplicates keep that row."""
    first = {}

    def visit(folder):
        for entry in os.scandir(folder):
            if entry.is_dir(follow_symlinks=False):
                if entry.path != unreadable:
                    visit(entry.path)
            else:
                first.setdefault(entry.name.lower(), os.path.relpath(entry.path, root))
    visit(root)
    return first


# A search's part of the report, from after its number of requested names.
SEARCH_PART = re.compile(r" Requested Files\r\n.*?This search had (\d+) Missing files?\r\n(.*?)\n\r\n"
                         r"(?:A total of  (\d+) files have|(1) file have) been found\r\n$", re.S)


def last_search(data):
    """(requested, [missing names], found) of the report's last search, or None."""
    text = data.decode("cp1252", "replace")
    at = text.rfind(" Requested Files\r\n")
    requested = re.search(r"(\d+)$", text[:max(at, 0)])
    match = SEARCH_PART.match(text, at) if at >= 0 and requested else None
    if not match:
        return None
    missing = match.group(2).split("\r\n")
    if missing.pop() != "" or len(missing) != int(match.group(1)):
        return None
    return int(requested.group(1)), missing, int(match.group(3) or match.group(4))


# Line breaks pasted into the query are part of a name (taken as typed:
# split at commas, the last part of a path), and the report lists names
# as they are.
NAME_BREAKS = sorted({part.split("/")[-1].encode("cp1252", "replace")
                      for text in PASTE_TEXTS for part in text.split(",") if "\n" in part.split("/")[-1]},
                     key=len, reverse=True)


def report_problem(data):
    """Why the report's bytes are not CP1252 text with CR LF line ends, or None.
    The one platform line end (LF) of each search's statistics, between the
    missing names and the total, stands alone: CR LF, LF, CR LF; so do the
    line breaks inside names pasted into the query."""
    try:
        data.decode("cp1252")
    except UnicodeDecodeError as e:
        return "not CP1252: %s in %r" % (e, data[max(0, e.start - 40):e.end + 40])
    for name in NAME_BREAKS:
        data = data.replace(name, name.replace(b"\n", b" "))
    for i, byte in enumerate(data):
        platform_end = data[max(0, i - 2):i] == b"\r\n" and data[i + 1:i + 3] == b"\r\n"
        if byte == 0x0A and (i == 0 or data[i - 1] != 0x0D) and not platform_end:
            return "a line break without CR at byte %d: %r" % (i, data[max(0, i - 60):i + 40])
        if byte == 0x0D and (i + 1 == len(data) or data[i + 1] != 0x0A):
            return "a CR without LF at byte %d: %r" % (i, data[max(0, i - 60):i + 40])
    # Our names with accents, written as UTF-8: the report was not converted.
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        return None
    if any(ord(c) > 0x7F for c in text):
        return "UTF-8 text, not CP1252 (%r)" % [c for c in text if ord(c) > 0x7F][:5]
    return None


def readable_suppressions(options, work):
    """The leak checker's options with its suppressions file copied to the
    work folder, where the program's user can read it."""
    parts = []
    for part in options.split(":"):
        if part.startswith("suppressions=") and os.path.isfile(part[len("suppressions="):]):
            copy = os.path.join(work, "lsan.supp")
            shutil.copyfile(part[len("suppressions="):], copy)
            os.chmod(copy, 0o644)
            part = "suppressions=" + copy
        parts.append(part)
    return ":".join(p for p in parts if p)


# ---- The desktop ----

Shown = collections.namedtuple("Shown", "window title x y width height dialog")


class Desktop:
    def __init__(self):
        self.d = display.Display()
        self.d.set_error_handler(lambda *args: None)  # windows vanish at any time
        self.root = self.d.screen().root
        # The toolkit sends its ping answers to the root window for the
        # structure and substructure-redirect masks.
        self.root.change_attributes(event_mask=X.StructureNotifyMask)
        atom = self.d.intern_atom
        self.client_list = atom("_NET_CLIENT_LIST")
        self.stacking_list = atom("_NET_CLIENT_LIST_STACKING")
        self.wm_pid = atom("_NET_WM_PID")
        self.wm_name = atom("_NET_WM_NAME")
        self.wm_type = atom("_NET_WM_WINDOW_TYPE")
        self.type_dialog = atom("_NET_WM_WINDOW_TYPE_DIALOG")
        self.type_menu = atom("_NET_WM_WINDOW_TYPE_POPUP_MENU")
        self.type_dropdown = atom("_NET_WM_WINDOW_TYPE_DROPDOWN_MENU")
        self.active = atom("_NET_ACTIVE_WINDOW")
        self.clipboard = atom("CLIPBOARD")
        self.protocols = atom("WM_PROTOCOLS")
        self.ping = atom("_NET_WM_PING")
        self.utf8 = atom("UTF8_STRING")
        self.width = self.d.screen().width_in_pixels
        self.height = self.d.screen().height_in_pixels

    def _prop(self, window, prop, kind=X.AnyPropertyType):
        try:
            p = window.get_full_property(prop, kind)
        except error.XError:
            return None
        return p.value if p else None

    def title(self, window):
        v = self._prop(window, self.wm_name, self.utf8)
        if v is None:
            try:
                v = window.get_wm_name()
            except error.XError:
                v = None
        if isinstance(v, bytes):
            v = v.decode("utf-8", "replace")
        return v or ""

    def windows_of(self, pid):
        """The shown windows of the process, as Shown."""
        shown = []
        for wid in self._prop(self.root, self.client_list) or []:
            w = self.d.create_resource_object("window", wid)
            pids = self._prop(w, self.wm_pid)
            if not pids or pids[0] != pid:
                continue
            try:
                if w.get_attributes().map_state != X.IsViewable:
                    continue
                g = w.get_geometry()
                pos = w.translate_coords(self.root, 0, 0)
            except error.XError:
                continue
            types = self._prop(w, self.wm_type) or []
            shown.append(Shown(w, self.title(w), -pos.x, -pos.y, g.width, g.height,
                               bool(len(types)) and types[0] == self.type_dialog))
        return shown

    def menus_of(self, pid):
        """Whether a menu of the process is open."""
        for w in self.root.query_tree().children:
            if (self._prop(w, self.wm_pid) or [0])[0] == pid and \
                    {self.type_menu, self.type_dropdown} & set(self._prop(w, self.wm_type) or []):
                try:
                    if w.get_attributes().map_state == X.IsViewable:
                        return True
                except error.XError:
                    pass
        return False

    def clipboard_owner(self):
        owner = self.d.get_selection_owner(self.clipboard)
        return getattr(owner, "id", owner)  # a number when none

    def active_window(self):
        v = self._prop(self.root, self.active)
        return v[0] if v else 0

    def stacking(self):
        """The client windows' ids, bottom first."""
        return list(self._prop(self.root, self.stacking_list) or [])

    def send_ping(self, window, stamp):
        ev = protocol.event.ClientMessage(window=window, client_type=self.protocols,
                                          data=(32, [self.ping, stamp, window.id, 0, 0]))
        window.send_event(ev, event_mask=0)
        self.d.flush()

    def ping_answers(self):
        """The stamps of the ping answers that arrived."""
        stamps = []
        while self.d.pending_events():
            ev = self.d.next_event()
            if (ev.type == X.ClientMessage and ev.client_type == self.protocols and
                    ev.window.id == self.root.id and ev.data[1][0] == self.ping):
                stamps.append(ev.data[1][1])
        return stamps

    # Real input through XTEST.
    def _keycode(self, name):
        keysym = XK.string_to_keysym(CHARACTERS.get(name, name))
        code = self.d.keysym_to_keycode(keysym)
        shifted = code and self.d.keycode_to_keysym(code, 0) != keysym
        return code, shifted

    def key(self, combo, hold=0.0):
        """The key pressed, held for that long (the search field asks the
        keyboard whether Return is down) and released."""
        parts = combo.split("+")
        mods = [{"ctrl": "Control_L", "alt": "Alt_L", "shift": "Shift_L"}[m] for m in parts[:-1]]
        code, shifted = self._keycode(parts[-1])
        if not code:
            return
        if shifted and "Shift_L" not in mods:
            mods.append("Shift_L")
        mod_codes = [self._keycode(m)[0] for m in mods]
        for c in mod_codes:
            xtest.fake_input(self.d, X.KeyPress, c)
        xtest.fake_input(self.d, X.KeyPress, code)
        if hold:
            self.d.sync()
            time.sleep(hold)
        xtest.fake_input(self.d, X.KeyRelease, code)
        for c in reversed(mod_codes):
            xtest.fake_input(self.d, X.KeyRelease, c)
        self.d.sync()

    def type(self, text):
        """ASCII only: other characters go through the clipboard."""
        for ch in text:
            self.key(ch)
            time.sleep(0.005)

    def move(self, x, y):
        xtest.fake_input(self.d, X.MotionNotify, x=max(0, min(self.width - 1, x)),
                         y=max(0, min(self.height - 1, y)))
        self.d.sync()

    def button(self, pressed, button):
        xtest.fake_input(self.d, X.ButtonPress if pressed else X.ButtonRelease, button)
        self.d.sync()

    def click(self, x, y, button=1, count=1):
        self.move(x, y)
        for i in range(count):
            self.button(True, button)
            self.button(False, button)
            if i + 1 < count:
                time.sleep(0.05)


# ---- The program ----

class Program:
    def __init__(self, args, user_prefix, env, log_path):
        self.args, self.user_prefix, self.env, self.log_path = args, user_prefix, env, log_path
        self.proc = None
        self.log = None
        self.read_to = 0

    def start(self):
        self.log = open(self.log_path, "ab")
        self.read_to = self.start_at = self.log.tell()
        self.proc = subprocess.Popen(self.user_prefix + self.args, env=self.env, cwd=self.env["HOME"],
                                     stdout=self.log, stderr=subprocess.STDOUT)
        self.started = time.monotonic()

    def new_output(self, since=None):
        """The output since the last call, or since that offset."""
        with open(self.log_path, "rb") as f:
            f.seek(self.read_to if since is None else since)
            data = f.read()
        if since is None:
            self.read_to += len(data)
        return data.decode("utf-8", "replace")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.log:
            self.log.close()


# ---- The run ----

class Chaos:
    def __init__(self, opts):
        self.opts = opts
        self.seed = opts.seed
        self.rng = random.Random(self.seed)
        self.events = collections.deque(maxlen=60)
        self.t0 = time.monotonic()
        self.desk = Desktop()
        self.clips = []          # xclip processes that own or owned the clipboard
        self.stamp = 0
        self.pings = {}          # stamp -> (sent at, window, title)
        self.last_ping = 0.0
        self.last_look = time.monotonic()
        self.longest_answer = 0.0  # seconds, of the pings answered
        self.starts = 0
        self.clean_quits = 0
        self.counts = collections.Counter()     # what was done
        self.reached = collections.Counter()    # what was seen on screen
        self.seen = {}           # title -> times seen shown
        self.dialogs_used = set()  # folder dialogs that got keys
        self.fruitless = 0       # searches in a row that showed no results
        self.shown_ids = set()   # windows shown at the last look
        self.counted = set()     # results and help windows counted since they were shown
        self.report_written = False  # a report written, its closing message not yet seen
        self.expect = None       # the names of a checked search, during its archive run
        self.lacking = []        # what the run lacks, past its length

    def note(self, text):
        self.events.append((time.monotonic() - self.t0, text))
        if TRACE:
            TRACE.write("%10.3f  %s\n" % self.events[-1])
            TRACE.flush()

    # Set-up: tree, destination, user.
    def prepare(self):
        work = self.opts.work
        self.tree = os.path.join(work, "tree")
        self.dest = os.path.join(work, "destination")
        home = os.path.join(work, "user-home")
        runtime = os.path.join(work, "runtime")
        os.makedirs(self.tree)
        os.makedirs(self.dest)
        os.makedirs(os.path.join(home, "Documents"))
        os.makedirs(runtime, mode=0o700)
        build_tree(self.tree, "locked")
        for name, data in DESTINATION_FILES.items():
            with open(os.path.join(self.dest, name), "wb") as f:
                f.write(data)
        prefix = []
        if os.geteuid() == 0:
            # root reads every folder: the program runs as an unprivileged user.
            prefix = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
            for path in [self.dest, home, os.path.join(home, "Documents"), runtime] + \
                    [os.path.join(self.dest, name) for name in DESTINATION_FILES]:
                os.chown(path, 65534, 65534)
        locked = os.path.join(self.tree, "locked")
        if subprocess.run(prefix + ["ls", locked], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0:
            raise Failure("the program's user can read %s: no unreadable folder to test" % locked)
        print("chaos: the program runs as %s; it cannot read %s" %
              ("uid 65534 (setpriv)" if prefix else "uid %d" % os.geteuid(), locked), flush=True)
        program_dir = self.opts.program
        if subprocess.run(prefix + ["test", "-x", os.path.join(program_dir, "Skerrow")]).returncode != 0:
            copy = os.path.join(work, "program")
            shutil.copytree(program_dir, copy, symlinks=True)
            program_dir = copy
        env = dict(os.environ)
        for var in ("XDG_RUNTIME_DIR", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                    "XDG_CONFIG_HOME"):
            env.pop(var, None)
        env["HOME"] = home
        env["XDG_RUNTIME_DIR"] = runtime
        env.setdefault("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=1")
        env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1")
        if self.opts.lsan_suppressions:
            env.setdefault("LSAN_OPTIONS", "suppressions=" + self.opts.lsan_suppressions)
        env["LSAN_OPTIONS"] = readable_suppressions(env.get("LSAN_OPTIONS", ""), work)
        self.program = Program([os.path.join(program_dir, "Skerrow")], prefix, env,
                               os.path.join(work, "program.log"))
        self.before = listing(self.tree)
        # File name -> the checksums of the tree's files of that name.
        self.sources = collections.defaultdict(set)
        for path, entry in self.before.items():
            if entry[0].startswith("-"):
                self.sources[os.path.basename(path)].add(entry[-1])
        self.first = first_of_each_name(self.tree, locked)
        self.picture_names = {name for name in self.sources if name.lower().endswith((".png", ".jpg"))}
        self.dest_before = listing(self.dest)
        self.report_stat = self.report_state()

    # Watching.
    def check_output(self):
        out = self.program.new_output()
        for mark in SANITIZER_MARKS:
            if mark in out:
                time.sleep(1)  # the rest of the report
                raise Failure("sanitizer report (%s)" % mark)

    def check_tree(self, when):
        changes = compare_listings(self.before, listing(self.tree))
        if changes:
            raise Failure("the search tree changed (%s):\n%s" % (when, "\n".join(changes[:40])))

    def report_state(self):
        try:
            st = os.lstat(os.path.join(self.dest, REPORT))
        except FileNotFoundError:
            return None
        return (st.st_ino, st.st_size, st.st_mtime_ns, st.st_ctime_ns)

    def check_destination(self, when):
        """What the program did to the destination since the last check: the
        files it made are copies of files of the tree of that name, the
        report is CP1252 with CR LF, everything else is as it was. Answers
        the names of the copies it made."""
        now = listing(self.dest)
        problems = []
        made = []
        for name in sorted(set(self.dest_before) | set(now)):
            old, new = self.dest_before.get(name), now.get(name)
            if name == ".":
                continue
            if name == REPORT and new is not None:
                if old == new:
                    continue
                if not new[0].startswith("-"):
                    problems.append("%s is not a regular file (%s)" % (name, new[0]))
                    continue
                with open(os.path.join(self.dest, name), "rb") as f:
                    why = report_problem(f.read())
                if why:
                    problems.append("%s: %s" % (name, why))
            elif old is None:
                if not new[0].startswith("-"):
                    problems.append("%s was made and is not a regular file (%s)" % (name, new[0]))
                elif name not in self.sources:
                    problems.append("%s was made and no file of the tree has that name" % name)
                elif new[-1] not in self.sources[name]:
                    problems.append("%s was made and is not a copy of any of the tree's %d file(s) of that name"
                                    % (name, len(self.sources[name])))
                else:
                    made.append(name)
            elif new is None:
                problems.append("%s, there before, is gone" % name)
            elif old != new:
                problems.append("%s, there before, changed: %s -> %s" % (name, old, new))
        if problems:
            raise Failure("the destination is wrong (%s):\n  %s\ndestination now: %s" %
                          (when, "\n  ".join(problems), ", ".join(sorted(n for n in now if n != "."))))
        self.dest_before = now
        return made

    def archive_done(self):
        """A report written since the last look: the run's copies are all made."""
        state = self.report_state()
        if state == self.report_stat:
            return
        self.report_stat = state
        if state is None:
            raise Failure("%s was removed from the destination" % REPORT)
        before = self.dest_before
        made = self.check_destination("after an archive run")
        if self.expect:
            self.check_rows(self.expect, before, made)
            self.expect = None
        self.counts["copies checked"] += len(made)
        self.counts["copies with accents, CJK or spaces"] += sum(
            1 for n in made if " " in n or any(ord(c) > 0x7F for c in n))
        self.note("report written; %d copies checked: %s" % (len(made), ", ".join(made)))
        self.report_written = True
        # Half the time the copies go again, so that later runs copy too
        # (else every name is already there).
        if made and self.rng.random() < 0.5:
            for name in made:
                os.remove(os.path.join(self.dest, name))
            self.dest_before = listing(self.dest)

    def check_rows(self, names, before, made):
        """After a checked search and its archive run, every row ticked: each
        row's file copied under its name unless the destination had a file
        of that name, and nothing else. The rows are the first file of each
        name the walk meets, for the names as the program completed them
        (the report shows the prefix on NOWHERE); a report that does not
        agree with these names (keys that went astray) is not held to them."""
        with open(os.path.join(self.dest, REPORT), "rb") as f:
            part = last_search(f.read())
        prefixes = [m[:-len(NOWHERE)] for m in (part[1] if part else []) if m.endswith(NOWHERE)]
        prefix = prefixes[0] if len(prefixes) == 1 else "?"
        rows, missing = {}, []
        for name in names:
            first = self.first.get((prefix + name).lower())
            if first:
                rows.setdefault((prefix + name).lower(), first)
            else:
                missing.append((prefix + name).encode("cp1252", "replace").decode("cp1252"))
        if "?" in prefix or not prefix.isprintable() or part != (len(names), missing, len(rows)):
            self.counts["archive runs with rows unknown"] += 1
            self.note("rows not checked: the report's last search %s, for %r with prefix %r" % (part, names, prefix))
            return
        problems = []
        for path in rows.values():
            name = os.path.basename(path)
            if name in made:
                # Any change to the tree fails the run: its listing holds the row's file.
                if self.before[path][-1] != self.dest_before[name][-1]:
                    problems.append("%s is not a copy of the file of its row, %s" % (name, path))
            elif name not in before:
                problems.append("%s, ticked, was not copied, and the destination had no file of that name" % name)
        problems += ["%s was copied and is no row's name" % n for n in made
                     if os.path.basename(rows.get(n.lower(), "")) != n]
        if problems:
            raise Failure("the archive run did not copy what was ticked (rows: %s):\n  %s" %
                          (", ".join(rows.values()), "\n  ".join(problems)))
        self.counts["archive runs with every row checked"] += 1
        self.note("every row checked: %s" % ", ".join(rows.values()))

    def check_process(self):
        """False when the program ended cleanly (and was started again)."""
        code = self.program.proc.poll()
        if code is None:
            return True
        self.check_output()
        if code != 0:
            what = "signal %d" % -code if code < 0 else "exit code %d" % code
            raise Failure("the program ended abnormally (%s)" % what)
        self.note("the program quit cleanly")
        self.clean_quits += 1
        self.program.log.close()
        self.check_tree("after a quit")
        self.archive_done()
        self.check_destination("after a quit")
        self.start_program()
        return False

    def observe(self, shown):
        """Counts what newly came on screen."""
        ids = set()
        statistics = any(w.title == STATISTICS for w in shown)
        for w in shown:
            wid = w.window.id
            ids.add(wid)
            new = wid not in self.shown_ids
            if new:
                self.counted.discard(wid)
            if w.title == RESULTS and wid not in self.counted and statistics:
                # A search that finds nothing shows the (empty) results
                # window for a moment, without the statistics.
                self.counted.add(wid)
                self.reached["results windows"] += 1
                self.note("results window shown")
            elif w.title in self.picture_names and new:
                self.reached["previews"] += 1
                self.note("preview of '%s' shown" % w.title)
            elif self.is_help(w) and wid not in self.counted and self.help_in_place(w):
                # The load places the window when it ends.
                self.counted.add(wid)
                self.reached["help loads"] += 1
                self.note("help loaded")
            elif self.is_box(w) and new and self.report_written:
                self.reached["archive runs"] += 1
                self.note("closing message of the archive run shown")
                self.report_written = False
        self.shown_ids = ids

    def is_help(self, w):
        return w.title == UNTITLED and not w.dialog and (w.width, w.height) == HELP_SIZE

    def help_in_place(self, w):
        x = int(self.desk.width / 2 - w.width / 2)
        y = int(self.desk.height / 2 - (w.height - 150))
        return abs(w.x - x) <= 2 and abs(w.y - y) <= 2

    def is_box(self, w):
        return w.title == UNTITLED and w.dialog and (w.width, w.height) != PROGRESS_SIZE

    def is_progress(self, w):
        return w.title == UNTITLED and (w.width, w.height) == PROGRESS_SIZE

    def check_windows(self, shown):
        # Time counts towards the limits only while this process looked
        # often: a slow or busy machine that holds it up is no fault.
        now = time.monotonic()
        step = min(now - self.last_look, STALL_CREDIT)
        self.last_look = now
        pid = self.program.proc.pid
        if shown:
            self.no_window_for = 0.0
            self.first_window_seen = True
        else:
            limit = NO_WINDOW_LIMIT if self.first_window_seen else START_LIMIT
            self.no_window_for += step
            if self.no_window_for > limit:
                raise Failure("the program (pid %d) runs with no window on screen for %.0f s" % (pid, limit))
        # Pings: one a second to a window; answers come to the root window.
        for s in self.desk.ping_answers():
            if s in self.pings:
                self.longest_answer = max(self.longest_answer, now - self.pings.pop(s)[3])
        alive = {w.window.id for w in shown}
        for s, (waited, wid, title, sent) in list(self.pings.items()):
            if wid not in alive:
                del self.pings[s]
            elif waited + step > PING_LIMIT:
                raise Failure("the window '%s' did not answer a ping for %.0f s" % (title, PING_LIMIT))
            else:
                self.pings[s] = (waited + step, wid, title, sent)
        if shown and now - self.last_ping >= 1.0:
            self.ping(shown[int(now) % len(shown)])

    def ping(self, w):
        """Pings the window; answers the stamp."""
        self.stamp += 1
        self.pings[self.stamp] = (0.0, w.window.id, w.title, time.monotonic())
        self.desk.send_ping(w.window, self.stamp)
        self.last_ping = time.monotonic()
        return self.stamp

    def start_program(self):
        self.program.start()
        self.starts += 1
        self.first_window_seen = False
        self.folders_given = False
        self.no_window_for = 0.0
        self.pings.clear()
        self.shown_ids = set()
        self.report_written = False
        self.expect = None
        self.fruitless = 0
        self.note("program started (pid %d)" % self.program.proc.pid)

    def watch(self):
        """Checks the program; returns its shown windows, or None after a restart."""
        if not self.check_process():
            return None
        self.check_output()
        self.archive_done()
        shown = self.desk.windows_of(self.program.proc.pid)
        for w in shown:
            self.seen[w.title] = self.seen.get(w.title, 0) + 1
        self.observe(shown)
        self.check_windows(shown)
        return shown

    def pause(self, seconds):
        end = time.monotonic() + seconds
        while True:
            if self.watch() is None:
                return False
            left = end - time.monotonic()
            if left <= 0:
                return True
            time.sleep(min(0.05, left))

    def wait_until(self, test, limit):
        """Watches until test(shown) answers something true; that answer, or
        None after the limit or a restart."""
        end = time.monotonic() + limit
        while True:
            shown = self.watch()
            if shown is None:
                return None
            answer = test(shown)
            if answer or time.monotonic() > end:
                return answer or None
            time.sleep(0.05)

    def active_titled(self, title, shown):
        active = self.desk.active_window()
        return next((w for w in shown if w.window.id == active and w.title == title), None)

    def wait_for_title(self, title, limit=3.0):
        """The window of that title once it is the active one."""
        return self.wait_until(lambda shown: self.active_titled(title, shown), limit)

    def settle(self, moment=0.1):
        """The shown windows once the program has handled the input sent so
        far: two pings answered one after the other (the toolkit answers a
        ping as it reads it, and hands on input read before it in a later
        pass), and a moment for the window manager to show what the program
        asked for. None when no window shows or after a restart."""
        for _ in range(2):
            shown = self.watch()
            if not shown:
                return None
            stamp = self.ping(shown[0])
            if not self.wait_until(lambda shown: stamp not in self.pings, PING_LIMIT + 1):
                return None
        return self.watch() if self.pause(moment) else None

    def ready(self, title):
        """The window of that title, active, once the program has handled
        all earlier input: a menu a random key opened is closed first; None
        while a folder dialog or, unless the title is the message boxes',
        a message box is open."""
        shown = self.settle()
        if shown and self.desk.menus_of(self.program.proc.pid):
            self.note("Escape on an open menu")
            self.desk.key("Escape")
            shown = self.settle()
        if not shown or self.desk.menus_of(self.program.proc.pid) or \
                any(w.title in (SEARCH_DIALOG, COPY_DIALOG) for w in shown):
            return None
        boxes = [w for w in shown if self.is_box(w)]
        if title == UNTITLED:
            return self.bring_to_front(title, boxes)
        return None if boxes else self.bring_to_front(title, shown)

    def key_in(self, win, key, hold=0.0):
        """The key, once the program has handled the input before it (the
        toolkit looks for a shortcut as it reads a key, before it hands on
        a click read earlier), if the window is still the active one."""
        if self.settle(0) is None or self.desk.active_window() != win.window.id:
            self.note("'%s' is no longer active: %s not sent" % (win.title, key))
            return False
        self.desk.key(key, hold)
        return True

    # Acting.
    def point_in(self, win):
        title, x, y, width, height = win.title, win.x, win.y, win.width, win.height
        if self.rng.random() < 0.5 and title in CONTENT_HEIGHT:
            bar = height - CONTENT_HEIGHT[title]
            if self.rng.random() < 0.15 and bar > 0:
                return x + self.rng.randrange(5, 220), y + bar // 2  # the menu bar
            hx, hy = self.rng.choice(HOTSPOTS[title])
            return x + hx, y + bar + hy
        return x + self.rng.randrange(max(1, width)), y + self.rng.randrange(max(1, height))

    def content_point(self, win, point):
        return win.x + point[0], win.y + win.height - CONTENT_HEIGHT[win.title] + point[1]

    def act(self, shown):
        rng = self.rng
        # While a folder dialog is up nothing else takes input, and nothing
        # but keys goes to the dialog (a click could make a folder).
        active = self.desk.active_window()
        dialogs = [w for w in shown if w.title in (SEARCH_DIALOG, COPY_DIALOG)]
        if dialogs:
            return self.act_in_dialog(([w for w in dialogs if w.window.id == active] or dialogs)[0])
        choice = rng.random()
        if choice < QUIT_SHARE:
            return self.quit(shown)
        if choice < QUIT_SHARE + (CATCH_UP_SHARE if self.lacking else JOURNEY_SHARE):
            return self.journey(shown)
        self.random_event(shown)

    def random_event(self, shown):
        rng, desk = self.rng, self.desk
        active = desk.active_window()
        front = [w for w in shown if w.window.id == active]
        win = front[0] if front and rng.random() < 0.5 else rng.choice(shown)
        front_title = front[0].title if front else "?"
        kind = rng.choices(list(RANDOM_WEIGHTS), list(RANDOM_WEIGHTS.values()))[0]
        self.counts[kind] += 1
        if kind in ("click", "double", "middle"):
            x, y = self.point_in(win)
            self.note("%s at %d,%d in '%s'" % (kind if kind == "click" else kind + " click", x, y, win.title))
            desk.click(x, y, button=2 if kind == "middle" else 1, count=2 if kind == "double" else 1)
        elif kind == "drag":
            other = rng.choice(shown)
            (x0, y0), (x1, y1) = self.point_in(win), self.point_in(other)
            self.note("drag from %d,%d in '%s' to %d,%d in '%s'" % (x0, y0, win.title, x1, y1, other.title))
            desk.move(x0, y0)
            desk.button(True, 1)
            steps = rng.randrange(3, 10)
            for i in range(1, steps + 1):
                time.sleep(0.02)
                desk.move(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            desk.button(False, 1)
        elif kind == "key":
            key = rng.choice(KEYS)
            if key == "alt+F4" and front_title == SEARCH:
                key = "Escape"  # closing the search window quits: only on purpose
            self.note("key %s in '%s'" % (key, front_title))
            desk.key(key)
        elif kind == "type":
            text = ",".join(n for n in rng.sample(NAMES, rng.randrange(1, 5)) if n.isascii() and " " not in n)
            self.note("typed '%s' in '%s'" % (text, front_title))
            desk.type(text)
        else:
            text = rng.choice([",".join(rng.sample(NAMES, rng.randrange(1, 4)))] * 3 + PASTE_TEXTS)
            self.paste(text, "in '%s'" % front_title)

    def paste(self, text, where):
        """Ctrl+V once xclip, a process of its own that answers at once, owns
        the clipboard with the text, and the program has heard that it no
        longer owns it."""
        owner = self.desk.clipboard_owner()
        self.clips = [c for c in self.clips if c.poll() is None]
        clip = subprocess.Popen(["xclip", "-quiet", "-i", "-selection", "clipboard", "-t", "UTF8_STRING"],
                                stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        clip.stdin.write(text.encode("utf-8"))
        clip.stdin.close()
        self.clips.append(clip)
        if not self.wait_until(lambda shown: self.desk.clipboard_owner() != owner, 3) or self.settle(0) is None:
            self.note("could not own the clipboard to paste %r" % text[:60])
            return False
        self.note("pasted %r %s" % (text[:60], where))
        self.desk.key("ctrl+v")
        self.counts["pastes"] += 1
        return True

    def act_in_dialog(self, win):
        rng, desk = self.rng, self.desk
        title = win.title
        if win.width < DIALOG_MIN_WIDTH:
            # The dialog's own message ("Directory not found").
            self.note("Return on the message of '%s'" % title)
            desk.key("Return")
            return
        # The folder may change here: the next search gives both again.
        self.folders_given = False
        # A path is typed only into a dialog as it opened, with the keyboard
        # in its name field; after other keys it may be elsewhere.
        fresh = win.window.id not in self.dialogs_used
        self.dialogs_used.add(win.window.id)
        choice = rng.random()
        if choice < 0.6 and fresh:
            path = self.tree if title == SEARCH_DIALOG else self.dest
            self.note("typed %s and Return in '%s'" % (path, title))
            desk.type(path)
            desk.key("Return")
        elif choice < 0.9 or title == COPY_DIALOG:
            # Only a typed destination: the dialog's own choice could be the tree.
            self.note("Escape in '%s'" % title)
            desk.key("Escape")
        else:
            key = rng.choice(DIALOG_KEYS)
            self.note("key %s in '%s'" % (key, title))
            desk.key(key)

    # Journeys: what a user does on purpose, step by step, each step waiting
    # for what the user would see. Each gives up when the program shows
    # something else.
    def journey(self, shown):
        titles = {w.title for w in shown}
        box = any(self.is_box(w) for w in shown)
        busy = any(self.is_progress(w) for w in shown)
        possible = {}
        if box:
            possible["dismiss"] = True
        elif not busy:
            possible["about"] = True
            possible["search"] = possible["checked"] = SEARCH in titles
            possible["archive"] = possible["preview"] = RESULTS in titles
            possible["help"] = SEARCH in titles or RESULTS in titles
            possible["recover"] = not possible["help"]
        names = [n for n in JOURNEY_WEIGHTS if possible.get(n)]
        if not names:
            return self.random_event(shown)
        # Past the run's length, aimed at what it still lacks.
        aims = {n for what in self.lacking for n in AIMS[what]}
        name = self.rng.choices(names, [JOURNEY_WEIGHTS[n] * (10 if n in aims else 1) for n in names])[0]
        self.counts["journey " + name] += 1
        if TRACE:
            self.note("journey %s" % name)
        getattr(self, "journey_" + name)(shown)

    def bring_to_front(self, title, shown):
        """The window of that title, clicked where nothing reacts and active."""
        win = next((w for w in shown if w.title == title), None)
        if win is None:
            return None
        active = self.active_titled(title, shown)
        if active:
            return active
        hx, hy = win.x + win.width // 2, win.y + win.height - 8
        self.note("click at %d,%d to bring '%s' to the front" % (hx, hy, title))
        self.desk.click(hx, hy)
        return self.wait_for_title(title)

    def covering(self, win, x, y, shown):
        """A window of the program above win over that point of it (with
        room for frames), or None."""
        order = self.desk.stacking()
        level = order.index(win.window.id) if win.window.id in order else -1
        return next((w for w in shown if w.window.id in order and order.index(w.window.id) > level and
                     w.x - 10 <= x < w.x + w.width + 10 and w.y - 30 <= y < w.y + w.height + 10), None)

    def close_window(self, w, depth=0):
        """The help, about or preview window closed as a user does: a click
        into a preview closes it; the others are activated and get Alt+F4.
        A window of these over it is closed first."""
        desk = self.desk
        if w.title not in self.picture_names and not self.is_help(w) and w.title != SPLASH_OR_ABOUT:
            return False
        shown = self.watch() or []
        points = [(w.x + w.width * i // 4, w.y + w.height * j // 4) for j in (2, 1, 3) for i in (2, 1, 3)]
        point = next((p for p in points if not self.covering(w, p[0], p[1], shown)), None)
        if point is None:
            cover = self.covering(w, points[0][0], points[0][1], shown)
            if TRACE:
                self.note("'%s' at %d,%d %dx%d covered by '%s' at %d,%d %dx%d" % (
                    w.title, w.x, w.y, w.width, w.height, cover.title, cover.x, cover.y, cover.width, cover.height))
            return depth < 2 and self.close_window(cover, depth + 1) and self.close_window(w, depth + 1)
        if w.title in self.picture_names:
            self.note("click into the preview '%s' to close it" % w.title)
            desk.click(*point)
        else:
            self.note("click into '%s', then Alt+F4 in it" % w.title)
            desk.click(*point)
            if not self.wait_until(lambda shown: self.desk.active_window() == w.window.id, 3):
                return False
            desk.key("alt+F4")
        return bool(self.wait_until(lambda shown: all(s.window.id != w.window.id for s in shown), 3))

    def reach(self, title, points):
        """The window of that title in front, and the first of the content
        points that no other window of the program covers, on screen; help,
        about and preview windows in the way are closed. (None, None) when
        that fails."""
        for _ in range(3):
            win = self.bring_to_front(title, self.watch() or [])
            shown = self.watch()
            if not win or shown is None:
                return None, None
            cover = None
            for point in points:
                x, y = self.content_point(win, point)
                cover = self.covering(win, x, y, shown)
                if cover is None:
                    return win, (x, y)
            if not self.close_window(cover):
                return None, None
        return None, None

    def give_folders(self):
        """Both folder dialogs, given the tree and the destination."""
        for shortcut, title, path in (("ctrl+o", SEARCH_DIALOG, self.tree), ("ctrl+shift+o", COPY_DIALOG, self.dest)):
            # The shortcut is the search window's: it must be the active one.
            win = self.ready(SEARCH)
            if not win:
                return False
            self.note("%s, then %s typed" % (shortcut, path))
            self.key_in(win, shortcut)
            dialog = self.wait_for_title(title)
            if not dialog:
                self.note("no active '%s'" % title)
                return False
            self.dialogs_used.add(dialog.window.id)
            self.desk.type(path)
            if not self.key_in(dialog, "Return"):
                return False
            if not self.wait_until(lambda shown: all(w.title != title for w in shown), 3):
                self.note("'%s' still open" % title)
                return False
        self.folders_given = True
        return True

    def journey_search(self, shown, checked=False):
        """Names typed or pasted into the query, then Search. Checked: the
        folders given anew and names that all have an extension, NOWHERE
        among them; the names searched for, once the results are shown."""
        rng, desk = self.rng, self.desk
        self.expect = None
        if self.fruitless >= FRUITLESS_LIMIT:
            # Random clicks and keys can set a prefix, another extension or
            # another folder that no name matches: a fresh start resets them.
            self.note("%d searches found nothing: Ctrl+Q for a fresh start" % self.fruitless)
            self.counts["quit for a fresh start"] += 1
            self.fruitless = 0
            desk.key("ctrl+q")
            return None
        if (checked or not self.folders_given or rng.random() < 0.1) and not self.give_folders():
            return None
        win, point = self.reach(SEARCH, QUERY_POINTS)
        if not win or not self.ready(SEARCH):
            return None
        if checked:
            names = rng.sample([n for n in NAMES if "." in n], rng.randrange(1, 5))
            names.insert(rng.randrange(len(names) + 1), NOWHERE)
        else:
            names = rng.sample(PICTURE_NAMES, rng.randrange(1, 5))
            if rng.random() < 0.3:
                names.append(rng.choice(OTHER_NAMES))
        text = ",".join(names)
        desk.click(*point)
        if not self.key_in(win, "ctrl+a"):
            return None
        if not text.isascii() or " " in text or rng.random() < 0.5:
            if not self.paste(text, "into the query field"):
                return None
        else:
            self.note("typed '%s' into the query field" % text)
            desk.type(text)
        before = self.reached["results windows"]
        if rng.random() < 0.5:
            self.note("Return in the query field")
            if not self.key_in(win, "Return", hold=0.2):
                return None
        else:
            self.note("click on Search")
            desk.click(*self.content_point(win, (646, 464)))
        # The results, or a message box ("No items found!"); given up when
        # nothing shows that the search began, or a folder dialog opened.
        started = time.monotonic()
        got = self.wait_until(lambda shown: self.reached["results windows"] > before or
                              next((w for w in shown if self.is_box(w) or
                                    w.title in (SEARCH_DIALOG, COPY_DIALOG)), None) or
                              (time.monotonic() - started > 3 and not any(self.is_progress(w) for w in shown) and
                               "nothing"), 30)
        if got is True:
            self.fruitless = 0
            return names
        self.note("no results: %s" % ("'%s' %dx%d" % (got.title, got.width, got.height)
                                      if isinstance(got, Shown) else "nothing"))
        self.folders_given = False  # the folders may be others by now
        self.fruitless += 1
        return None

    def journey_checked(self, shown):
        """A checked search and at once its archive run, every row ticked:
        the destination is checked against the rows when the report is
        written."""
        names = self.journey_search(shown, checked=True)
        if names:
            self.journey_archive(shown, expect=names)

    def journey_archive(self, shown, expect=None):
        rng, desk = self.rng, self.desk
        win, point = self.reach(RESULTS, [ARCHIVE_BUTTON])
        if not win:
            return
        for _ in range(0 if expect else rng.choice([0, 0, 0, 1, 2])):
            row = rng.randrange(6)
            win, tick = self.reach(RESULTS, [(CHECK_COLUMN, FIRST_ROW + ROW_HEIGHT * row)])
            if not win:
                return
            self.note("click on the check box of row %d" % row)
            desk.click(*tick)
        win = self.ready(RESULTS)
        if not win:
            return
        before = self.reached["archive runs"]
        self.expect = expect
        if rng.random() < 0.5:
            self.note("click on Archive Files")
            desk.click(*point)
        else:
            self.note("Return in the results window")
            self.key_in(win, "Return", hold=0.2)
        box = self.wait_until(lambda shown: self.reached["archive runs"] > before and
                              next((w for w in shown if self.is_box(w)), None), 30)
        self.expect = None  # a later report is another run's
        box = box and self.ready(UNTITLED)
        if box:
            self.note("Return on the closing message")
            self.key_in(box, "Return")
            self.wait_for_title(SEARCH, 5)

    def journey_preview(self, shown):
        rng, desk = self.rng, self.desk
        for w in shown:
            if w.title in self.picture_names and not self.close_window(w):
                return
        row = rng.choice([0, 0, 0, 0, 0, 1, 1, 2])
        win, point = self.reach(RESULTS, [(x, FIRST_ROW + ROW_HEIGHT * row) for x in (NAME_COLUMN, 120, 250, 400)])
        if not win or not self.ready(RESULTS):
            return
        before = self.reached["previews"]
        self.note("double click on row %d of the results at %d,%d" % (row, point[0], point[1]))
        desk.click(*point, count=2)
        box = self.wait_until(lambda shown: self.reached["previews"] > before or
                              next((w for w in shown if self.is_box(w)), None), 5)
        box = box is not True and box and self.ready(UNTITLED)
        if box:
            self.note("Return on the message")
            self.key_in(box, "Return")

    def journey_help(self, shown):
        for w in shown:
            # Closed first: the load is seen when the window comes back.
            if self.is_help(w) and not self.close_window(w):
                return
        titles = [t for t in (SEARCH, RESULTS) if any(w.title == t for w in shown)]
        win = titles and self.ready(self.rng.choice(titles))
        if win:
            before = self.reached["help loads"]
            self.note("Ctrl+? for the help")
            self.key_in(win, "ctrl+question")
            self.wait_until(lambda shown: self.reached["help loads"] > before, 8)

    def menu_item(self, win, x, keys):
        """A click on the menu bar's title at x in the window, then the keys
        in the menu once it is open."""
        self.desk.click(win.x + x, win.y + (win.height - CONTENT_HEIGHT[win.title]) // 2)
        if self.wait_until(lambda shown: self.desk.menus_of(self.program.proc.pid), 2):
            for key in keys:
                self.desk.key(key)

    def journey_about(self, shown):
        win = self.ready(self.rng.choice(shown).title)
        if win and win.title in CONTENT_HEIGHT:
            self.note("Help menu > About in '%s'" % win.title)
            self.menu_item(win, 134, ["Down", "Return"])

    def journey_recover(self, shown):
        """Neither the search nor the results window is shown: the others
        are closed, which brings the search window back."""
        for w in shown:
            if w.title == STATISTICS:
                win = self.ready(STATISTICS)
                if win:
                    self.note("Alt+F4 in the statistics window")
                    self.key_in(win, "alt+F4")
                    self.wait_until(lambda shown: all(s.window.id != w.window.id for s in shown), 3)
            elif not self.close_window(w):
                continue
            return

    def journey_dismiss(self, shown):
        box = self.ready(UNTITLED)
        if box:
            key = self.rng.choice(["Return", "Return", "Escape", "space"])
            self.note("%s on the message box" % key)
            self.key_in(box, key)
            self.pause(0.2)

    def quit(self, shown):
        """Quit on purpose: Ctrl+Q, Alt+F4 on the search window or File > Quit."""
        how = self.rng.choice(["key", "close", "menu"])
        self.counts["quit " + how] += 1
        if how == "key":
            self.note("Ctrl+Q")
            self.desk.key("ctrl+q")
        elif how == "close":
            win = self.ready(SEARCH)
            if win:
                self.note("Alt+F4 on the search window")
                self.key_in(win, "alt+F4")
        else:
            titles = [t for t in (SEARCH, RESULTS) if any(w.title == t for w in shown)]
            win = titles and self.ready(self.rng.choice(titles))
            if win:
                self.note("File > Quit")
                self.menu_item(win, 20, ["Up", "Return"])  # from the first item to the last: Quit

    def finish(self):
        """A clean end: dialogs and menus closed, then Quit."""
        for _ in range(3):
            for key in ("Escape", "Escape", "ctrl+q"):
                self.desk.key(key)
                time.sleep(0.2)
            end = time.monotonic() + 5
            while time.monotonic() < end and self.program.proc.poll() is None:
                self.check_output()
                time.sleep(0.05)
            if self.program.proc.poll() is not None:
                break
        code = self.program.proc.poll()
        if code is None:
            self.note("the program did not quit at the end: killed")
            self.program.stop()
        elif code != 0:
            self.check_output()
            raise Failure("the program ended abnormally at the end (%s)" %
                          ("signal %d" % -code if code < 0 else "exit code %d" % code))
        self.check_output()
        self.check_tree("at the end")
        self.archive_done()
        self.check_destination("at the end")

    def shortfall(self):
        """What the run reached less often than MINIMUMS ask for its length."""
        if self.opts.seconds < MINIMUM_RUN:
            return {}
        needs = {what: int(n * self.opts.seconds / 120) for what, n in MINIMUMS.items()}
        return {what: need for what, need in needs.items() if self.reached[what] < need}

    def run(self):
        """The number of failures (after the first, only with keep_going).
        The run goes on past its length until it has reached its minimums,
        at most HARD_LIMIT times its length."""
        self.prepare()
        self.start_program()
        start = self.started_at = time.monotonic()
        failures = 0
        while True:
            try:
                while True:
                    elapsed = time.monotonic() - start
                    if elapsed >= self.opts.seconds:
                        self.lacking = list(self.shortfall())
                        if not self.lacking or self.opts.keep_going or elapsed >= HARD_LIMIT * self.opts.seconds:
                            break
                    shown = self.watch()
                    if shown is None:
                        continue
                    if shown and self.first_window_seen:
                        self.act(shown)
                    self.pause(self.rng.uniform(0.03, 0.25))
                self.finish()
                return failures
            except Failure as f:
                failures += 1
                self.report(f)
                if not self.opts.keep_going:
                    return failures
            # Go on with a new start, the tree and the destination as they are now.
            self.program.stop()
            self.events.clear()
            self.before = listing(self.tree)
            self.dest_before = listing(self.dest)
            self.report_stat = self.report_state()
            self.start_program()

    def report(self, failure):
        print("FAIL at %.1f s: %s" % (time.monotonic() - self.t0, failure))
        print("seed %d (replay: CHAOS_SEED=%d)" % (self.seed, self.seed))
        print("last events (seconds since the start):")
        for t, text in self.events:
            print("  %8.3f  %s" % (t, text))
        print("program output (start %d):" % self.starts)
        for line in self.program.new_output(self.program.start_at).splitlines()[-200:]:
            print("  " + line)
        sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--seconds", type=float, default=120)
    parser.add_argument("--lsan-suppressions")
    parser.add_argument("--keep-going", action="store_true",
                        help="after a failure, report it, start the program again and go on")
    opts = parser.parse_args()
    seed = os.environ.get("CHAOS_SEED")
    opts.seed = int(seed) if seed else random.SystemRandom().randrange(1 << 31)
    print("chaos: seed %d, %.0f s" % (opts.seed, opts.seconds), flush=True)
    chaos = Chaos(opts)
    try:
        failures = chaos.run()
    except Failure as f:  # while setting up
        print("FAIL: %s" % f)
        return 1
    finally:
        if hasattr(chaos, "program"):
            chaos.program.stop()
        for clip in chaos.clips:
            clip.kill()
    took = time.monotonic() - getattr(chaos, "started_at", chaos.t0)
    print("chaos: reached %s in %.0f s; %d starts, %d clean quits; longest ping answer %.1f s" %
          (", ".join("%d %s" % (chaos.reached[w], w) for w in MINIMUMS), took, chaos.starts, chaos.clean_quits,
           chaos.longest_answer))
    print("chaos: events: %s" % ", ".join("%s %d" % kv for kv in sorted(chaos.counts.items())))
    print("chaos: windows seen: %s" % ", ".join("'%s'" % t for t in sorted(chaos.seen)))
    short = chaos.shortfall()
    if short and not failures:
        print("FAIL: the run explored too little in %.0f s: %s (seed %d)" %
              (took, ", ".join("%d %s (at least %d)" % (chaos.reached[w], w, n) for w, n in short.items()),
               chaos.seed))
        return 1
    print("chaos: %s" % ("%d failures" % failures if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
