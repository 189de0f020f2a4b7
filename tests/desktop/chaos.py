"""Random real events against Skerrow on a desktop that chaos_test.sh set up.

Clicks, double clicks, middle clicks, drags and keys (XTEST, as a keyboard
and mouse would send them) go to random places of every window the program
shows, mixed with what a user does on purpose: the folder dialogs given the
test tree and a destination, names typed, Search, Archive, a preview, the
help and the about window. The run fails on

  - an exit other than a clean one (a clean Quit restarts the program),
  - any sanitizer report in the program's output,
  - a window that does not answer the window manager's ping
    (_NET_WM_PING) within 5 s: the program answers it from its event loop,
    so an unanswered ping is a program that stopped handling events,
  - a running program with no window on screen for 5 s (a dialog or
    message box it shows counts as a window),
  - any change to the search tree (names, types, modes, sizes, times and
    checksums).

On failure it prints the seed and the last events. The same seed replays
the same choices; timing makes the run similar, not identical.
"""
import argparse
import collections
import hashlib
import os
import random
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

PING_LIMIT = 5.0        # seconds a window may leave a ping unanswered
NO_WINDOW_LIMIT = 5.0   # seconds a running program may show no window
START_LIMIT = 60.0      # seconds until the first window of a start
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "SUMMARY: UndefinedBehaviorSanitizer", "AddressSanitizer:DEADLYSIGNAL")

SEARCH = "Skerrow! Batch File Search"
RESULTS = "Search Results"
STATISTICS = "Statistics"
UNTITLED = "Skerrow"            # help and progress windows
SPLASH_OR_ABOUT = "Skerrow!!"
SEARCH_DIALOG = "Search File Location"
COPY_DIALOG = "Copy File Location"

# Content height of the windows with a menu bar (the bar sits above it).
CONTENT_HEIGHT = {SEARCH: 493, RESULTS: 412, STATISTICS: 300}
# Places worth clicking, in content coordinates.
HOTSPOTS = {
    SEARCH: [(74, 26), (74, 186), (30, 70), (30, 113), (136, 69), (136, 112), (350, 340), (646, 464),
             (400, 29), (400, 187), (100, 300), (600, 420)],
    RESULTS: [(x, 22 + 18 * row) for x in (40, 150, 400) for row in range(5)] +
             [(635, 390), (523, 390), (300, 300)],
    STATISTICS: [(150, 140), (150, 20)],
}
# Names the query may hold: pictures, duplicates, text, missing ones.
NAMES = ["img_0001", "img_0002.png", "photo.png", "photo", "secret", "img_0004", "missing1",
         "notes.txt", "wide.png", "tall.png", "empty", "img_0003", "PHOTO.PNG", "my photo.png", "x"]
KEYS = ["Return", "Escape", "Tab", "shift+Tab", "Up", "Down", "Left", "Right", "Delete", "BackSpace",
        "Home", "End", "space", "Page_Down", "Page_Up", "shift+Down", "shift+End",
        "ctrl+q", "ctrl+o", "ctrl+shift+o", "ctrl+question", "ctrl+a", "ctrl+c", "ctrl+v", "ctrl+x",
        "ctrl+z", "ctrl+d", "ctrl+w", "ctrl+Return", "alt+F4", "alt+f", "alt+e", "alt+v", "alt+h"]
# In the folder dialogs only keys that cannot change files: the dialog itself
# can make, rename and delete folders.
DIALOG_KEYS = ["Tab", "shift+Tab", "Up", "Down", "Escape", "Return"]
CHARACTERS = {",": "comma", ".": "period", "/": "slash", "_": "underscore", "-": "minus",
              " ": "space", "?": "question"}


class Failure(Exception):
    pass


# ---- The search tree ----

def build_tree(root, locked_name):
    """A small tree: pictures, duplicates, text, a symbolic-link loop, deep
    folders and a folder the program may not read."""
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
    png("dup/a/photo.png", 40, 30)
    png("dup/b/photo.png", 30, 40)
    png("dup/c/sub/PHOTO.PNG", 20, 20)
    png("dup/a/img_0001.jpg", 10, 10)
    png("deep/1/2/3/4/5/img_0004.jpg", 50, 50)
    text("docs/notes.txt", "notes\n")
    text("docs/img_0003.jpg", "not a picture\n")
    text("docs/empty.jpg", "")
    os.makedirs(os.path.join(root, "loop"))
    os.symlink("..", os.path.join(root, "loop", "up"))
    os.symlink("a", os.path.join(root, "loop", "b"))
    os.symlink("b", os.path.join(root, "loop", "a"))
    png(os.path.join(locked_name, "secret.jpg"), 24, 24)
    os.chmod(os.path.join(root, locked_name), 0)


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
        self.wm_pid = atom("_NET_WM_PID")
        self.wm_name = atom("_NET_WM_NAME")
        self.active = atom("_NET_ACTIVE_WINDOW")
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
        """The shown windows of the process: (window, title, x, y, width, height)."""
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
            shown.append((w, self.title(w), -pos.x, -pos.y, g.width, g.height))
        return shown

    def active_window(self):
        v = self._prop(self.root, self.active)
        return v[0] if v else 0

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

    def key(self, combo):
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
        xtest.fake_input(self.d, X.KeyRelease, code)
        for c in reversed(mod_codes):
            xtest.fake_input(self.d, X.KeyRelease, c)
        self.d.sync()

    def type(self, text):
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
        self.events = collections.deque(maxlen=50)
        self.t0 = time.monotonic()
        self.desk = Desktop()
        self.stamp = 0
        self.pings = {}          # stamp -> (sent at, window, title)
        self.last_ping = 0.0
        self.no_window_since = None
        self.starts = 0
        self.clean_quits = 0
        self.counts = collections.Counter()
        self.seen = {}           # title -> times seen shown

    def note(self, text):
        self.events.append((time.monotonic() - self.t0, text))

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
        prefix = []
        if os.geteuid() == 0:
            # root reads every folder: the program runs as an unprivileged user.
            prefix = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
            for path in (self.dest, home, os.path.join(home, "Documents"), runtime):
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
        self.start_program()
        return False

    def check_windows(self, shown):
        now = time.monotonic()
        pid = self.program.proc.pid
        if shown:
            self.no_window_since = None
            self.first_window_seen = True
        else:
            limit = NO_WINDOW_LIMIT if self.first_window_seen else START_LIMIT
            if self.no_window_since is None:
                self.no_window_since = now
            elif now - self.no_window_since > limit:
                raise Failure("the program (pid %d) runs with no window on screen for %.0f s" % (pid, limit))
        # Pings: one a second to a window; answers come to the root window.
        for s in self.desk.ping_answers():
            self.pings.pop(s, None)
        alive = {w.id for w, *_ in shown}
        for s, (sent, wid, title) in list(self.pings.items()):
            if wid not in alive:
                del self.pings[s]
            elif now - sent > PING_LIMIT:
                raise Failure("the window '%s' did not answer a ping for %.0f s" % (title, PING_LIMIT))
        if shown and now - self.last_ping >= 1.0:
            w, title = shown[int(now) % len(shown)][:2]
            self.stamp += 1
            self.pings[self.stamp] = (now, w.id, title)
            self.desk.send_ping(w, self.stamp)
            self.last_ping = now

    def start_program(self):
        self.program.start()
        self.starts += 1
        self.first_window_seen = False
        self.folders_given = False
        self.no_window_since = None
        self.pings.clear()
        self.note("program started (pid %d)" % self.program.proc.pid)

    def watch(self):
        """Checks the program; returns its shown windows, or None after a restart."""
        if not self.check_process():
            return None
        self.check_output()
        shown = self.desk.windows_of(self.program.proc.pid)
        for w in shown:
            self.seen[w[1]] = self.seen.get(w[1], 0) + 1
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

    def wait_for_title(self, title, limit=3.0):
        end = time.monotonic() + limit
        while time.monotonic() < end:
            shown = self.watch()
            if shown is None:
                return None
            active = self.desk.active_window()
            for w in shown:
                if w[0].id == active and w[1] == title:
                    return w
            time.sleep(0.05)
        return None

    # Acting.
    def point_in(self, win):
        w, title, x, y, width, height = win
        if self.rng.random() < 0.5 and title in CONTENT_HEIGHT:
            bar = height - CONTENT_HEIGHT[title]
            if self.rng.random() < 0.15 and bar > 0:
                return x + self.rng.randrange(5, 220), y + bar // 2  # the menu bar
            hx, hy = self.rng.choice(HOTSPOTS[title])
            return x + hx, y + bar + hy
        return x + self.rng.randrange(max(1, width)), y + self.rng.randrange(max(1, height))

    def act(self, shown):
        rng, desk = self.rng, self.desk
        active = desk.active_window()
        front = [w for w in shown if w[0].id == active]
        # While a folder dialog is up nothing else takes input, and nothing
        # but keys goes to the dialog (a click could make a folder).
        dialogs = [w for w in shown if w[1] in (SEARCH_DIALOG, COPY_DIALOG)]
        if dialogs:
            return self.act_in_dialog(([w for w in dialogs if w in front] or dialogs)[0])
        win = front[0] if front and rng.random() < 0.5 else rng.choice(shown)
        kind = rng.choices(["click", "double", "middle", "drag", "key", "type", "flow"],
                           [25, 8, 2, 6, 30, 8, 15])[0]
        self.counts[kind] += 1
        if kind == "click":
            x, y = self.point_in(win)
            self.note("click at %d,%d in '%s'" % (x, y, win[1]))
            desk.click(x, y)
        elif kind == "double":
            x, y = self.point_in(win)
            self.note("double click at %d,%d in '%s'" % (x, y, win[1]))
            desk.click(x, y, count=2)
        elif kind == "middle":
            x, y = self.point_in(win)
            self.note("middle click at %d,%d in '%s'" % (x, y, win[1]))
            desk.click(x, y, button=2)
        elif kind == "drag":
            other = rng.choice(shown)
            (x0, y0), (x1, y1) = self.point_in(win), self.point_in(other)
            self.note("drag from %d,%d in '%s' to %d,%d in '%s'" % (x0, y0, win[1], x1, y1, other[1]))
            desk.move(x0, y0)
            desk.button(True, 1)
            steps = rng.randrange(3, 10)
            for i in range(1, steps + 1):
                time.sleep(0.02)
                desk.move(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            desk.button(False, 1)
        elif kind == "key":
            key = rng.choice(KEYS)
            self.note("key %s in '%s'" % (key, front[0][1] if front else "?"))
            desk.key(key)
        elif kind == "type":
            text = ",".join(rng.sample(NAMES, rng.randrange(1, 5)))
            self.note("typed '%s' in '%s'" % (text, front[0][1] if front else "?"))
            desk.type(text)
        else:
            self.flow(shown)

    def act_in_dialog(self, win):
        rng, desk = self.rng, self.desk
        title = win[1]
        choice = rng.random()
        if choice < 0.6:
            path = self.tree if title == SEARCH_DIALOG else self.dest
            self.note("typed %s and Return in '%s'" % (path, title))
            desk.type(path)
            desk.key("Return")
        elif choice < 0.8 or title == COPY_DIALOG:
            # Only a typed destination: the dialog's own choice could be the tree.
            self.note("Escape in '%s'" % title)
            desk.key("Escape")
        else:
            key = rng.choice(DIALOG_KEYS)
            self.note("key %s in '%s'" % (key, title))
            desk.key(key)

    def bring_to_front(self, title, shown):
        for w in shown:
            if w[1] == title:
                hx, hy = (w[2] + w[4] // 2, w[3] + w[5] - 8)
                self.note("click at %d,%d to bring '%s' to the front" % (hx, hy, title))
                self.desk.click(hx, hy)
                return w
        return None

    def give_folders(self, shown):
        """Both folder dialogs, given the tree and the destination."""
        if not self.bring_to_front(SEARCH, shown) or not self.pause(0.2):
            return
        for shortcut, title, path in (("ctrl+o", SEARCH_DIALOG, self.tree), ("ctrl+shift+o", COPY_DIALOG, self.dest)):
            self.note("%s, then %s typed" % (shortcut, path))
            self.desk.key(shortcut)
            if not self.wait_for_title(title):
                return
            self.desk.type(path)
            self.desk.key("Return")
            if not self.pause(0.3):
                return
        self.folders_given = True

    def flow(self, shown):
        """What a user does on purpose."""
        rng, desk = self.rng, self.desk
        titles = {w[1] for w in shown}
        flows = ["help", "about"]
        if SEARCH in titles:
            flows += ["folders", "search", "search"]
        if RESULTS in titles:
            flows += ["archive", "archive", "preview", "preview", "preview"]
        flow = rng.choice(flows)
        self.counts["flow " + flow] += 1
        if flow == "help":
            self.note("Ctrl+? for the help")
            desk.key("ctrl+question")
        elif flow == "about":
            win = rng.choice(shown)
            if win[1] in CONTENT_HEIGHT:
                bar = win[5] - CONTENT_HEIGHT[win[1]]
                self.note("Help menu > About in '%s'" % win[1])
                desk.click(win[2] + (175 if win[1] != STATISTICS else 130), win[3] + bar // 2)
                if self.pause(0.3):
                    desk.key("Down")
                    desk.key("Return")
        elif flow == "folders":
            self.give_folders(shown)
        elif flow == "search":
            if not self.folders_given and rng.random() < 0.7:
                self.counts["flow folders"] += 1
                return self.give_folders(shown)
            win = [w for w in shown if w[1] == SEARCH][0]
            x, y = win[2] + 350, win[3] + win[5] - CONTENT_HEIGHT[SEARCH] + 340
            text = ",".join(rng.sample(NAMES, rng.randrange(1, 6)))
            self.note("search for '%s'" % text)
            desk.click(x, y)
            desk.key("ctrl+a")
            desk.type(text)
            desk.key("Return")
        elif flow == "archive":
            win = [w for w in shown if w[1] == RESULTS][0]
            self.note("Archive Files")
            desk.click(win[2] + 635, win[3] + win[5] - CONTENT_HEIGHT[RESULTS] + 390)
        elif flow == "preview":
            win = [w for w in shown if w[1] == RESULTS][0]
            row = rng.randrange(5)
            self.note("double click on row %d of the results" % row)
            desk.click(win[2] + 150, win[3] + win[5] - CONTENT_HEIGHT[RESULTS] + 22 + 18 * row, count=2)

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

    def run(self):
        """The number of failures (after the first, only with keep_going)."""
        self.prepare()
        self.start_program()
        end = time.monotonic() + self.opts.seconds
        failures = 0
        while True:
            try:
                while time.monotonic() < end:
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
            # Go on with a new start and the tree as it is now.
            self.program.stop()
            self.events.clear()
            self.before = listing(self.tree)
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
    print("chaos: %s: %d starts, %d clean quits; events: %s; windows seen: %s" %
          ("%d failures" % failures if failures else "passed", chaos.starts, chaos.clean_quits,
           ", ".join("%s %d" % kv for kv in sorted(chaos.counts.items())),
           ", ".join("'%s'" % t for t in sorted(chaos.seen))))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
