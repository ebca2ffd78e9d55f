#!/usr/bin/python3
"""The built game as a player gets it. From the repository root: binary.py ZEVO_BINARY GROUP [PART OF A CASE NAME]"""
import concurrent.futures, ctypes, os, re, shutil, signal, struct, subprocess as sp, sys, tempfile, threading, time
from PIL import Image, ImageChops

GAME, GROUP, ROOT, TITLE = os.path.abspath(sys.argv[1]), sys.argv[2], os.getcwd(), "ZEVO version 0.4"
SANITIZER = ("ERROR: AddressSanitizer", "runtime error", "LeakSanitizer")
LUT = [i & m for m in (0xF8, 0xFC, 0xF8) for i in range(256)]  # the screen is 16-bit: 5/6/5 bits
q = lambda c: (c[0] & 0xF8, c[1] & 0xFC, c[2] & 0xF8)
SKY = {q(c) for c in [(213, 201, 229), (195, 171, 227), (188, 149, 241), (166, 166, 244), (157, 157, 202),
                      (115, 115, 236), (154, 154, 255), (199, 215, 251), (217, 222, 234), (182, 224, 227)]}
QUIT, START, LABEL = (190, 140), (507, 472), (430, 444, 585, 500)  # buttons; the area of the label "start"
pic = lambda name: Image.open("pix/%s.png" % name).convert("RGB").point(LUT)
white = lambda f, box: f.crop(box).convert("L").point(lambda v: 255 * (v >= 250))  # nothing else is that bright


def ground(f, cannon):  # rows 400-599: the ground, each tank on its green patch (black in a tank is transparent)
    want, got = pic("hintergrund"), f.crop((0, 400, 800, 600))
    for p, x in ((pic("lefttank" + cannon), 50), (pic("righttankmiddle"), 706)):
        want.paste(q((37, 226, 27)), (x, 150, x + p.width, 150 + p.height))
        want.paste(p, (x, 150), p.convert("L").point(lambda v: 255 * (v > 0)))
    for box in ((120, 165, 220, 200), (660, 165, 760, 200)):  # a strike's score, in black beside the tanks
        want.paste(got.crop(box), box[:2], got.crop(box).convert("L").point(lambda v: 255 * (v == 0)))
    for i, (w, g) in enumerate(zip(want.getdata(), got.getdata())):
        if w != g:
            return "ground, left cannon %s: at (%d,%d) expected %s, got %s" % (cannon, i % 800, 400 + i // 800, w, g)


def panel(f):  # most of it as menu.png, the rest being labels and tallies (L is 0 only where all three match)
    same = ImageChops.difference(pic("menu"), f.crop((150, 100, 650, 520))).convert("L").histogram()[0]
    return None if same > 500 * 420 / 2 else "no menu panel at (150,100)"


def until(what, check, guard):  # polls check() until it finds no error
    end = time.monotonic() + guard
    while err := check():
        assert time.monotonic() < end, "%s: not within %d s: %s" % (what, guard, err)
        time.sleep(0.05)  # only the polling interval


class Game(sp.Popen):  # killed with all it started on leaving
    def __init__(self, display, cwd=ROOT, cmd=(GAME,), **env):
        self.env = {**os.environ, "DISPLAY": display or "", "SDL_VIDEODRIVER": "x11" if display else "dummy", **env}
        self.files = [tempfile.TemporaryFile() for _ in "oe"]
        super().__init__(cmd, cwd=cwd, env=self.env, stdin=sp.DEVNULL, stdout=self.files[0], stderr=self.files[1],
                         start_new_session=True)

    def __exit__(self, *exc): self.poll() is None and os.killpg(self.pid, signal.SIGKILL)
    def output(self): return [(f.seek(0), f.read().decode(errors="replace")[-3000:])[1] for f in self.files]
    def x(self, *args): return sp.run(args, env=self.env, capture_output=True, timeout=30).stdout
    def windows(self): return self.x("xdotool", "search", "--name", "^%s$" % re.escape(TITLE)).split()
    def click(self, at, n=1): self.x("xdotool", "mousemove", "--window", self.win, *map(str, at), "click",
                                     "--repeat", str(n), "--delay", "9", "1")

    def alive(self):  # a game that ends while we wait for a state fails at once
        assert self.poll() is None, "ended first: status %d, wrote %r, stderr %s" % (self.returncode, *self.output())

    def see(self, what, check, guard=30):  # the first screenshot in which check() finds no error
        until(what, lambda: self.alive() or check(self.shot()), guard)
        return self.f

    def start(self):  # the window, then the first menu
        until("a window titled " + TITLE, lambda: self.alive() or not self.windows() and "none", 60)
        self.win = self.windows()[0]
        self.x("xdotool", "mousemove", "--window", self.win, "400", "50")  # keys go to the window under the pointer
        return self.see("the first menu", panel)

    def shot(self):
        b = self.x("xwd", "-silent", "-id", self.win)
        h = struct.unpack(">25I", b[:100])
        assert h[4:6] == (800, 600), "the window is %dx%d, expected 800x600" % h[4:6]
        self.f = Image.frombuffer("RGB", (800, 600), b[h[0] + 12 * h[19]:], "raw", "BGRX", h[12], 1).point(LUT)
        return self.f

    def end(self, guard=30, ok=(0,), expect=""):  # a status in ok, stdout as expect ("…": SDL's error text)
        self.wait(guard)  # TimeoutExpired: it hangs
        (out, err), status = self.output(), self.returncode
        pattern = re.escape(expect).replace("…", r"([^\n]+)", 1).replace("…", r"\1")  # the same text again
        assert status in ok and re.fullmatch(pattern, out) and not any(s in err for s in SANITIZER), (
            "status %d, wrote %r; expected %s, %r, no sanitizer report; stderr:\n%s" % (status, out, ok, expect, err))


BREAK = {"missing": os.remove, "empty": lambda p: os.truncate(p, 0), "cut to 100 bytes": lambda p: os.truncate(p, 100),
         "cut in half": lambda p: os.truncate(p, os.path.getsize(p) // 2),
         "plain text": lambda p: open(p, "w").write("this is just text, in a file with the wrong name\n")}


def case(file, how, expect=None, **env):  # expect: stdout with status 1; else it runs and quits cleanly
    def run(display):  # in a copy of pix/ and sound/; "WxH": a plain picture, not black, which is transparent
        with tempfile.TemporaryDirectory() as d:
            [shutil.copytree(s, os.path.join(d, s)) for s in ("pix", "sound")]
            if file:
                BREAK.get(how, lambda p: Image.new("RGB", tuple(map(int, how.split("x"))), (200, 60, 40)).save(
                    p, "PNG"))(os.path.join(d, file))
            with Game(None if expect else display, d, **env) as g:
                if not expect:
                    g.start()
                    g.click(QUIT)
                g.end(ok=(1 if expect else 0,), expect=expect or "")
    return " ".join(filter(None, (file, how))), run


def broken():
    unreadable = ["missing", "empty", "cut in half", "plain text"]
    refused = "pix/menu.png is %s pixels: the panel must be 499 to 800 pixels wide and at least 401 high\n"
    for f in sorted("pix/" + n for n in os.listdir("pix") if n.endswith(".png")):  # p3r: read by a wave, later
        yield from (case(f, how, f != "pix/p3r.png" and "couldnt load %s: …\n" % f) for how in unreadable)
        yield from (case(f, how, f == "pix/menu.png" and refused % how)
                    for how in ["1x1", "2000x2000"] + ["10x10"] * (f == "pix/hintergrund.png"))
    yield from (case("pix/astronbo.ttf", how, "couldnt open font") for how in BREAK if how != "cut in half")
    yield case("pix/astronbo.ttf", "cut in half")  # the font library still opens it
    yield from (case("sound/" + f, how) for f in sorted(os.listdir("sound")) for how in unreadable)


def signalled(display, state, sig):
    with Game(display) as g:
        g.start()
        if state == "win wait":  # both sides computer, speed 50
            [g.click(at, n) for at, n in (((311, 211), 1), ((559, 211), 1), ((565, 363), 25))]
        if state != "first menu":
            g.click(START)
            g.see("play", lambda f: not panel(f) and "the panel still shows")
        if state == "Escape menu":
            g.x("xdotool", "key", "Escape")
            g.see("the Escape menu", panel)
        if state == "win wait":
            g.see("the win text", lambda f: white(f, (300, 300, 750, 330)).histogram()[255] <= 100 and "none", 200)
        for _ in range(3):  # several in a row: the old deadlock needed one to land inside SDL_PollEvent
            g.send_signal(sig)  # none once it has ended
            time.sleep(0.2)
        g.end(20, (0, -sig))


def window(display):
    with Game(display) as g:
        label = white(g.start(), LABEL).getbbox()  # its white columns: [0] to [2]
        g.click(START)
        seen = {}  # each band's boxes of what is not its colour in the rows where planes fly

        def sky(f):  # each band one palette colour but where planes fly; there something moves
            for k in range(1, 6):
                band, c = f.crop((0, 400 - 80 * k, 800, 480 - 80 * k)), f.getpixel((0, 400 - 80 * k))
                box = ImageChops.difference(band, Image.new("RGB", band.size, c)).getbbox()  # what is not c
                if c not in SKY or box and not 30 <= box[1] < box[3] <= 62:
                    return "band %d: expected one sky colour but where planes fly; %s, else at %s" % (k, c, box)
                seen.setdefault(k, {None}).add(box)
            return all(len(v) < 3 for v in seen.values()) and "no plane seen moving: %s" % seen
        g.see("the game after start, planes entering", lambda f: ground(f, "middle") or sky(f))
        for action, k, cannon in zip(["keydown", "keyup"] * 3, "aadda", ["up", "middle", "down", "middle", "up"]):
            g.x("xdotool", action, k)
            g.see("left cannon %s after %s %s" % (cannon, action, k), lambda f: ground(f, cannon))
        tops = []  # in each screenshot: the topmost sky row, planes' rows aside, with something else at x 80-85

        def climbs(f):  # with the cannon up the bullet climbs straight above the tank
            rows = [y for y in range(400) if not 30 <= y % 80 < 62 and any(
                f.getpixel((x, y)) != f.getpixel((0, y - y % 80)) for x in range(80, 86))]
            if not rows:
                g.x("xdotool", "key", "w")  # again if it went unseen
            tops.extend(rows[:1])
            return not (len(tops) > 1 and tops[-1] < tops[0]) and "no bullet seen climbing at x 80: %s" % tops
        g.see("a bullet after w", climbs)
        g.x("xdotool", "keyup", "a")
        g.see("left cannon middle, the bullet out of the ground rows", lambda f: ground(f, "middle"))
        g.x("xdotool", "key", "Escape")
        back = white(g.see("the panel after Escape", panel), LABEL).getbbox()
        assert label and back and abs(label[0] - back[0]) <= 3 and back[2] >= label[2] + 40, (
            "after Escape: expected the longer label \"back to game\" beyond white columns %s, got %s" % (label, back))
        g.click(QUIT)
        g.end()


def setup(display):  # ./play twice at once on a fresh copy: both must start the game
    with tempfile.TemporaryDirectory() as d:
        sp.run("git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t " + d, shell=True)
        with Game(display, d, ("./play",)) as a, Game(display, d, ("./play",)) as b:
            until("two windows titled " + TITLE, lambda: a.alive() or b.alive() or len(a.windows()) != 2 and "no", 280)


def xvfb():  # one per worker; no reset: the game's first connection is a probe; no key repeat: a held key is one press
    x = sp.Popen("Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset -ardelay 600000".split(),
                 stdout=sp.PIPE, stderr=sp.DEVNULL, preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL))
    local.display = ":" + x.stdout.readline().decode().strip()


def attempt(case):
    try:
        case[1](local.display)
    except Exception as e:
        return "FAILED %s: %s" % (case[0], e if isinstance(e, AssertionError) else repr(e))


GROUPS = {"broken": broken, "window": lambda: [("window", window)],
          "devices": lambda: [case(None, "unknown video driver", "Could not initialize SDL:…\nfensterfehler :…",
                                   SDL_VIDEODRIVER="nonexistent"),
                              case(None, "unknown audio driver", SDL_AUDIODRIVER="nonexistent")],
          "signals": lambda: [("%s %s %d" % (state, s.name, n), lambda d, state=state, s=s: signalled(d, state, s))
                              for state, times in (("first menu", 6), ("play", 4), ("Escape menu", 4), ("win wait", 4))
                              for n in range(times) for s in (signal.SIGINT, signal.SIGTERM)],
          "setup": lambda: [("./play twice at once, round %d" % n, setup) for n in range(3)]}
cases = [c for c in GROUPS[GROUP]() if len(sys.argv) < 4 or sys.argv[3] in c[0]]
local = threading.local()
with concurrent.futures.ThreadPoolExecutor(min(8, len(os.sched_getaffinity(0)), len(cases)), initializer=xvfb) as pool:
    failed = [r for r in pool.map(attempt, cases) if r]
print(*failed, "%s: %d passed, %d failed" % (GROUP, len(cases) - len(failed), len(failed)), sep="\n")
sys.exit(1 if failed else 0)
