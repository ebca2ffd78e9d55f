"""The built game as a player gets it. From the repository root: binary.py ZEVO_BINARY GROUP [PART OF A CASE NAME]"""
import concurrent.futures, ctypes, os, re, shutil, signal, struct, subprocess as sp, sys, tempfile, threading, time
from PIL import Image, ImageChops

GAME, GROUP, TITLE, local = os.path.abspath(sys.argv[1]), sys.argv[2], "ZEVO version 0.4", threading.local()
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
    bad = [(i % 800, 400 + i // 800, w, g) for i, (w, g) in enumerate(zip(want.getdata(), got.getdata())) if w != g]
    return bad and "ground, left cannon %s: at (%d,%d) expected %s, got %s" % (cannon, *bad[0])


def panel(f):  # most of it as menu.png, the rest being labels and tallies (L is 0 only where all three match)
    same = ImageChops.difference(pic("menu"), f.crop((150, 100, 650, 520))).convert("L").histogram()[0]
    return None if same > 500 * 420 / 2 else "no menu panel at (150,100)"


def until(what, check, guard):  # polls check() until it finds no error
    end = time.monotonic() + guard
    while err := check():
        assert time.monotonic() < end, "%s: not within %d s: %s" % (what, guard, err)
        time.sleep(0.05)  # only the polling interval


class Game(sp.Popen):  # killed with all it started on leaving
    def __init__(self, display, cwd=None, cmd=(GAME,), **env):
        self.env = {**os.environ, "DISPLAY": display or "", "SDL_VIDEODRIVER": "x11" if display else "dummy", **env}
        o, e = self.files = [tempfile.TemporaryFile() for _ in "oe"]
        super().__init__(cmd, cwd=cwd, env=self.env, stdin=sp.DEVNULL, stdout=o, stderr=e, start_new_session=True)

    def __exit__(self, *exc): self.poll() is None and os.killpg(self.pid, signal.SIGKILL)
    def output(self): return [(f.seek(0), f.read().decode(errors="replace")[-3000:])[1] for f in self.files]
    def x(self, cmd, *more): return sp.run([*cmd.split(), *more], env=self.env, capture_output=True, timeout=30).stdout
    def windows(self): return self.x("xdotool search --name", "^%s$" % re.escape(TITLE)).decode().split()
    def click(self, at, n=1):
        self.x("xdotool mousemove --window %s %d %d click --repeat %d --delay 9 1" % (self.win, *at, n))

    def alive(self):  # a game that ends while we wait for a state fails at once
        assert self.poll() is None, "ended first: status %d, wrote %r, stderr %s" % (self.returncode, *self.output())

    def see(self, what, check, guard=30):  # a screenshot once check() finds no error in one
        until(what, lambda: self.alive() or check(self.shot()), guard)
        return self.shot()

    def start(self):  # the window, then the first menu
        until("a window titled " + TITLE, lambda: self.alive() or not self.windows() and "none", 60)
        self.win = self.windows()[0]
        return self.see("the first menu", panel)

    def shot(self):
        h = struct.unpack(">25I", (b := self.x("xwd -silent -id " + self.win))[:100])
        assert h[4:6] == (800, 600), "the window is %dx%d, expected 800x600" % h[4:6]
        return Image.frombuffer("RGB", (800, 600), b[h[0] + 12 * h[19]:], "raw", "BGRX", h[12], 1).point(LUT)

    def end(self, guard=30, ok=(0,), expect=""):  # a status in ok, stdout as expect ("…": SDL's error text)
        status, (out, err) = self.wait(guard), self.output()  # TimeoutExpired: it hangs
        pattern = re.escape(expect).replace("…", r"([^\n]+)", 1).replace("…", r"\1")  # the same text again
        assert status in ok and re.fullmatch(pattern, out) and not any(s in err for s in SANITIZER), (
            "status %d, wrote %r; expected %s, %r, no sanitizer report; stderr:\n%s" % (status, out, ok, expect, err))


BREAK = {"missing": os.remove, "empty": lambda p: os.truncate(p, 0), "cut to 100 bytes": lambda p: os.truncate(p, 100),
         "cut in half": lambda p: os.truncate(p, os.path.getsize(p) // 2),
         "plain text": lambda p: open(p, "w").write("this is just text, in a file with the wrong name\n")}


def damaged(display, file, how, expect, env):  # expect: stdout with status 1; else it runs and quits cleanly
    with tempfile.TemporaryDirectory() as d:  # in a copy of pix/ and sound/
        [shutil.copytree(s, os.path.join(d, s)) for s in ("pix", "sound")]
        if file:  # "WxH": a plain picture, not black, which is transparent
            BREAK.get(how, lambda p: Image.new("RGB", tuple(map(int, how.split("x"))), "red").save(p))(d + "/" + file)
        with Game(None if expect else display, d, **env) as g:
            if not expect:
                g.start()
                g.click(QUIT)
            g.end(ok=(1 if expect else 0,), expect=expect or "")


case = lambda file, how, expect=None, **env: (" ".join(filter(None, (file, how))), damaged, file, how, expect, env)


def broken():
    unreadable = ["missing", "empty", "cut in half", "plain text"]
    refused = "pix/menu.png is %s pixels: the panel must be 499 to 800 pixels wide and at least 401 high\n"
    for f in sorted("pix/" + n for n in os.listdir("pix") if n.endswith(".png")):  # p3r: read by a wave, later
        yield from (case(f, how, f != "pix/p3r.png" and "couldnt load %s: …\n" % f) for how in unreadable)
        yield from (case(f, how, f == "pix/menu.png" and refused % how)
                    for how in ["1x1", "2000x2000"] + ["10x10"] * (f == "pix/hintergrund.png"))
    yield from (case("pix/astronbo.ttf", how, how != "cut in half" and "couldnt open font") for how in BREAK)
    yield from (case("sound/" + f, how) for f in sorted(os.listdir("sound")) for how in unreadable)


def signalled(display, state, sig):
    with Game(display) as g:
        g.start()
        if state == "win wait":  # both sides computer, speed 50
            [g.click(at, n) for at, n in (((311, 211), 1), ((559, 211), 1), ((565, 363), 25), (START, 1))]
            g.see("the win text", lambda f: white(f, (300, 300, 750, 330)).histogram()[255] <= 100 and "none", 200)
        elif state != "first menu":
            g.click(START)
            g.see("play", lambda f: not panel(f) and "the panel still shows")
        if state == "Escape menu":
            g.x("xdotool key Escape")
            g.see("the Escape menu", panel)
        for _ in range(3):  # several in a row: the old deadlock needed one to land inside SDL_PollEvent
            g.send_signal(sig)  # none once it has ended
            time.sleep(0.2)
        g.end(20, (0, -sig))


def window(display):
    with Game(display) as g:
        label = white(g.start(), LABEL).getbbox()  # its white columns: [0] to [2]
        g.click(START)
        seen, tops = {}, []  # each band's boxes of what is not its colour; the bullet's topmost rows

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
            g.x("xdotool %s %s" % (action, k))
            g.see("left cannon %s after %s %s" % (cannon, action, k), lambda f: ground(f, cannon))

        def climbs(f):  # with the cannon up the bullet climbs straight above the tank, at x 80-85; planes' rows aside
            rows = [y for y in range(400) if not 30 <= y % 80 < 62 and any(
                f.getpixel((x, y)) != f.getpixel((0, y - y % 80)) for x in range(80, 86))]
            tops.append(rows[0]) if rows else g.x("xdotool key w")  # again if it went unseen
            return not (len(tops) > 1 and tops[-1] < tops[0]) and "no bullet seen climbing at x 80: %s" % tops
        g.see("a bullet after w", climbs)
        g.x("xdotool key Escape")
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
    local.display = ":%d" % int(sp.Popen("Xvfb -displayfd 1 -noreset -ardelay 600000".split(), stdout=sp.PIPE,
        stderr=sp.DEVNULL, preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL)).stdout.readline())


def attempt(case):
    try:
        case[1](local.display, *case[2:])
    except Exception as e:
        return "FAILED %s: %s" % (case[0], e if isinstance(e, AssertionError) else repr(e))


GROUPS = {"broken": broken(), "window": [("window", window)],
          "devices": [case(None, "unknown video driver", "Could not initialize SDL:…\nfensterfehler :…",
                           SDL_VIDEODRIVER="nosuch"), case(None, "unknown audio driver", SDL_AUDIODRIVER="nosuch")],
          "signals": [("%s %s %d" % (state, s.name, n), signalled, state, s) for s in (signal.SIGINT, signal.SIGTERM)
                      for n, state in enumerate(["first menu"] * 6 + ["play", "Escape menu", "win wait"] * 4)],
          "setup": [("./play twice at once, round %d" % n, setup) for n in range(3)]}
cases = [c for c in GROUPS[GROUP] if len(sys.argv) < 4 or sys.argv[3] in c[0]]
with concurrent.futures.ThreadPoolExecutor(min(8, len(os.sched_getaffinity(0)), len(cases)), initializer=xvfb) as pool:
    failed = [r for r in pool.map(attempt, cases) if r]
print(*failed, "%s: %d passed, %d failed" % (GROUP, len(cases) - len(failed), len(failed)), sep="\n")
sys.exit(1 if failed else 0)
