#!/usr/bin/python3
"""The built game as a player gets it. From the repository root: binary.py ZEVO_BINARY GROUP [CASE: only cases
whose name holds it]. The screen is 16-bit: colours compare at 5/6/5-bit precision."""
import concurrent.futures, ctypes, os, queue, re, shutil, signal, struct, subprocess as sp, sys, tempfile, time
from PIL import Image, ImageChops

GAME, GROUP, ROOT, TITLE = os.path.abspath(sys.argv[1]), sys.argv[2], os.getcwd(), "ZEVO version 0.4"
SANITIZER = ("ERROR: AddressSanitizer", "runtime error", "LeakSanitizer")
LUT = [i & 0xF8 for i in range(256)] + [i & 0xFC for i in range(256)] + [i & 0xF8 for i in range(256)]
q = lambda c: (c[0] & 0xF8, c[1] & 0xFC, c[2] & 0xF8)
SKY = {q(c) for c in [(213, 201, 229), (195, 171, 227), (188, 149, 241), (166, 166, 244), (157, 157, 202),
                      (115, 115, 236), (154, 154, 255), (199, 215, 251), (217, 222, 234), (182, 224, 227)]}
WHITE, GREEN, PANEL = q((255, 255, 255)), q((37, 226, 27)), (150, 100, 650, 520)
LABELS = {"quit": (0, 0, 80, 80), "tally": (166, 21, 220, 60), "left kind": (73, 93, 177, 37),
          "right kind": (321, 93, 177, 37), "reset": (31, 216, 110, 62), "sound": (31, 292, 110, 62),
          "speed": (300, 222, 130, 60), "start": (280, 344, 155, 56)}  # panel areas (x, y, w, h) with a white label
QUIT, START, LEFTKIND, RIGHTKIND, FASTER = (190, 140), (507, 472), (311, 211), (559, 211), (565, 363)  # buttons
DIGITS = [(120, 165, 220, 200), (660, 165, 760, 200)]  # ground rows beside the tanks: a strike draws black digits


class Fail(Exception): pass
def nonzero(im): return im.point(lambda v: 255 * (v > 0)).convert("L").point(lambda v: 255 * (v > 0))
def diff(a, b): return nonzero(ImageChops.difference(a, b))
def count(mask): return mask.histogram()[255]


def same(im, c):  # 255 where im shows colour c
    r, g, b = im.point([255 * (i == v) for v in c for i in range(256)]).split()
    return ImageChops.multiply(ImageChops.multiply(r, g), b)


def pic(name):  # at screen precision, and where it is drawn: black is transparent
    im = Image.open("pix/%s.png" % name).convert("RGB")
    return im.point(LUT), nonzero(im)


def report(what, d, want, got, at):
    for y, x in (divmod(i, d.width) for i, v in enumerate(d.getdata() if count(d) else []) if v):
        return ["%s: %d pixels differ, first at (%d,%d): expected %s, got %s"
                % (what, count(d), at[0] + x, at[1] + y, want.getpixel((x, y)), got.getpixel((x, y)))]
    return []


def scene(cannon):  # rows 400-599: the ground, each tank on its green patch
    s = pic("hintergrund")[0]
    for (p, m), x in ((pic("lefttank" + cannon), 50), (pic("righttankmiddle"), 706)):
        s.paste(GREEN, (x, 150, x + p.width, 150 + p.height))
        s.paste(p, (x, 150), m)
    return s


MENU, SCENES, BULLET = pic("menu")[0], {c: scene(c) for c in ("up", "middle", "down")}, pic("leftbullet")
PLANES = {n: (*p, p[1].getbbox()) for n in ("p1l", "p1r", "p2l", "p2r", "p3l", "p3r") for p in [pic(n)]}


def ground(f, cannon, hide=(0, 0, 0, 0)):  # hide: the part covered by the panel
    want, got = SCENES[cannon].copy(), f.crop((0, 400, 800, 600))
    for box in DIGITS:
        want.paste(got.crop(box), box[:2], ImageChops.invert(nonzero(got.crop(box))))
    want.paste(got.crop(hide), hide[:2])
    return report("ground and tanks (left cannon %s)" % cannon, diff(want, got), want, got, (0, 400))


def bands(f, hide=(0, 0, 0, 0), planes=False):  # one sky colour each but under hide; mostly where planes fly
    errs = []
    for k in range(1, 6):
        top, c = 400 - 80 * k, f.getpixel((0, 400 - 80 * k))
        band = f.crop((0, top, 800, top + 80))
        errs += [] if c in SKY else ["band %d: %s is no sky colour" % (k, c)]
        if planes and count(same(band.crop((0, 30, 800, 62)), c)) < 0.8 * 800 * 32:
            errs.append("band %d: mostly not %s where the planes fly" % (k, c))
        band.paste(c, (hide[0], hide[1] - top, hide[2], hide[3] - top))
        band.paste(c, (0, 30, 800, 62) if planes else (0, 0, 0, 0))
        errs += report("band %d" % k, ImageChops.invert(same(band, c)), Image.new("RGB", band.size, c), band, (0, top))
    return errs


def panel(f):
    got, white = f.crop(PANEL), same(f.crop(PANEL), WHITE)
    errs = report("menu panel", ImageChops.subtract(diff(MENU, got), white), MENU, got, PANEL)
    return errs + ["menu panel: no white label in " + n for n, (x, y, w, h) in LABELS.items()
                   if count(white.crop((x, y, x + w, y + h))) < 20]


def shown(f): return [] if count(diff(MENU, f.crop(PANEL))) < 500 * 420 / 2 else ["no menu panel at (150,100)"]
def menu(f): return panel(f) + bands(f, PANEL) + ground(f, "middle", (150, 0, 650, 120))
def startlabel(f): return same(f.crop((430, 444, 585, 500)), WHITE).getbbox()  # its white columns: [0] to [2]


def planes(f):  # the planes wholly on screen as (band, picture, x); anything else in their rows is an error
    found, errs = [], []
    for k in range(1, 6):
        top, c = 430 - 80 * k, f.getpixel((0, 400 - 80 * k))
        cols = ImageChops.invert(same(f.crop((0, top, 800, top + 32)), c)).resize((800, 1), Image.BOX).getdata()
        for x0, x1 in (b.span() for b in re.finditer(r"#(\.{0,3}#)*", "".join(".#"[v > 0] for v in cols))):
            hits = [(k, n, left) for n, (p, m, used) in PLANES.items() for left in [x0 - used[0]]
                    if used[2] - used[0] == x1 - x0 and 0 <= left <= 800 - p.width and not count(diff(Image.composite(
                        p, Image.new("RGB", p.size, c), m), f.crop((left, top, left + p.width, top + p.height))))]
            # a plane entering or leaving shows only in part
            found, errs = found + hits[:1], errs + ["band %d: columns %d-%d show no plane" % (k, x0, x1 - 1)] * (
                not hits and 0 < x0 and x1 < 800)
    return found, errs


def bullet(f):  # rows where the left bullet shows at x 80, above the tanks
    return [y for y in range(544)
            if not count(ImageChops.multiply(diff(BULLET[0], f.crop((80, y, 86, y + 6))), BULLET[1]))]


def until(what, check, guard, games=()):  # polls check() -> (value, errors); a game that ends first fails
    end = time.monotonic() + guard
    while True:
        for g in (g for g in games if g.p.poll() is not None):
            raise Fail("%s: ended first with status %d; wrote %r; stderr %s"
                       % (what, g.p.returncode, *(s[-2000:] for s in g.output())))
        value, errs = check()
        if not errs:
            return value
        if time.monotonic() > end:
            raise Fail("%s: not within %d s:\n    %s" % (what, guard, "\n    ".join(errs)))
        time.sleep(0.05)  # only the polling interval


class Game:
    def __init__(self, display, cwd=ROOT, cmd=(GAME,), **env):
        self.env = {**os.environ, "DISPLAY": display or "", "SDL_VIDEODRIVER": "x11" if display else "dummy", **env}
        self.out, self.err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        self.p = sp.Popen(cmd, cwd=cwd, env=self.env, stdin=sp.DEVNULL, stdout=self.out, stderr=self.err,
                          start_new_session=True)

    def __enter__(self): return self
    def __exit__(self, *exc): self.p.poll() is None and os.killpg(self.p.pid, signal.SIGKILL)
    def output(self): return [(f.seek(0), f.read().decode(errors="replace"))[1] for f in (self.out, self.err)]
    def x(self, *args): return sp.run(args, env=self.env, capture_output=True, timeout=30).stdout
    def windows(self): return self.x("xdotool", "search", "--name", "^%s$" % re.escape(TITLE)).split()
    def see(self, what, check, guard=30): return until(what, lambda: (f := self.shot(), check(f)), guard, [self])
    def key(self, action, key): self.x("xdotool", action, key)

    def click(self, at, n=1):
        self.x("xdotool", "mousemove", "--window", self.win, *map(str, at), "click", "--repeat", str(n), "--delay", "9",
               "1")

    def start(self, check=shown):  # the window, then the first menu
        self.win = until("a window titled " + TITLE, lambda: (w := self.windows(), [] if w else ["none"]), 60,
                         [self])[0]
        self.x("xdotool", "mousemove", "--window", self.win, "400", "50")  # keys go to the window under the pointer
        return self.see("the first menu", check)

    def shot(self):
        b = self.x("xwd", "-silent", "-id", self.win)
        h = struct.unpack(">25I", b[:100])
        if h[4:6] != (800, 600):
            raise Fail("the window is %dx%d, expected 800x600" % h[4:6])
        return Image.frombuffer("RGB", (800, 600), b[h[0] + 12 * h[19]:], "raw", "BGRX", h[12], 1).point(LUT)

    def end(self, guard=30, ok=(0,), expect=""):  # a status in ok, stdout as expect ("…": SDL's error text)
        until("the end", lambda: (0, [] if self.p.poll() is not None else ["the game still runs"]), guard)
        out, err = self.output()
        pattern = re.escape(expect).replace("…", r"([^\n]+)", 1).replace("…", r"\1")  # the same text again
        if any(s in err for s in SANITIZER) or self.p.returncode not in ok or not re.fullmatch(pattern, out):
            raise Fail("status %d, wrote %r; expected status %s, output %r, no sanitizer report; stderr:\n%s"
                       % (self.p.returncode, out, " or ".join(map(str, ok)), expect, err[-3000:]))

    def runs(self):  # loads everything, draws the first menu and shuts down cleanly
        self.start()
        self.click(QUIT)
        self.end()


BREAK = {"missing": os.remove, "empty": lambda p: os.truncate(p, 0), "cut to 100 bytes": lambda p: os.truncate(p, 100),
         "cut in half": lambda p: os.truncate(p, os.path.getsize(p) // 2),
         "plain text": lambda p: open(p, "w").write("this is just text, in a file with the wrong name\n")}


def case(file, how, expect=None, label=None, **env):
    """The game in a copy of pix/ and sound/, file broken as how says (WxH: a plain picture, not black, which is
    transparent). expect: its stdout with status 1; None: the game runs."""
    def run(display):
        with tempfile.TemporaryDirectory() as d:
            [shutil.copytree(s, os.path.join(d, s)) for s in ("pix", "sound")]
            if how:
                BREAK.get(how, lambda p: Image.new("RGB", tuple(map(int, how.split("x"))), (200, 60, 40)).save(
                    p, "PNG"))(os.path.join(d, file))
            with Game(None if expect else display, d, **env) as g:
                g.end(ok=(1,), expect=expect) if expect else g.runs()
    return label or "%s %s" % (file, how), run


def broken():
    unreadable = ["missing", "empty", "cut in half", "plain text"]
    for f in sorted("pix/" + n for n in os.listdir("pix") if n.endswith(".png")):
        # the fast planes flying right are read by a wave, after start-up
        yield from (case(f, how, f != "pix/p3r.png" and "couldnt load %s: …\n" % f) for how in unreadable)
        refused = "pix/menu.png is %s pixels: the panel must be 499 to 800 pixels wide and at least 401 high\n"
        yield from (case(f, how, f == "pix/menu.png" and refused % how)
                    for how in ["1x1", "2000x2000"] + ["10x10"] * (f == "pix/hintergrund.png"))
    yield from (case("pix/astronbo.ttf", how, "couldnt open font")
                for how in ["missing", "empty", "cut to 100 bytes", "plain text"])
    yield case("pix/astronbo.ttf", "cut in half")  # the font library still opens it
    yield from (case("sound/" + f, how) for f in sorted(os.listdir("sound")) for how in unreadable)


def devices():
    yield case(None, None, "Could not initialize SDL:…\nfensterfehler :…", "unknown video driver",
               SDL_VIDEODRIVER="nonexistent")
    yield case(None, None, None, "unknown audio driver", SDL_AUDIODRIVER="nonexistent")


def signalled(display, state, sig):
    with Game(display) as g:
        g.start()
        if state == "win wait":  # both sides computer, speed 50
            [g.click(at, n) for at, n in ((LEFTKIND, 1), (RIGHTKIND, 1), (FASTER, 25))]
        if state != "first menu":
            g.click(START)
            g.see("play", lambda f: [] if shown(f) else ["the panel still shows"])
        if state == "Escape menu":
            g.key("key", "Escape")
            g.see("the Escape menu", shown)
        if state == "win wait":
            g.see("the win text in white at (300,300)", lambda f: [] if count(same(
                f.crop((300, 300, 750, 330)), WHITE)) > 100 else ["no white text at (300,300)"], 200)
        for _ in range(3):  # several in a row: the old deadlock needed one to land inside SDL_PollEvent
            g.p.send_signal(sig)  # none once it has ended
            time.sleep(0.2)
        g.end(20, (0, -sig))


def signals():
    for state, times in (("first menu", 6), ("play", 4), ("Escape menu", 4), ("win wait", 4)):
        yield from (("%s %s %d" % (state, s.name, n), lambda d, state=state, s=s: signalled(d, state, s))
                    for n in range(times) for s in (signal.SIGINT, signal.SIGTERM))


def window(display):
    with Game(display) as g:
        first, seen, rows = g.start(menu), {}, []
        g.click(START)
        g.see("the game after start", lambda f: ground(f, "middle") + bands(f, planes=True))

        def moving(f):
            found, errs = planes(f)
            for k, n, x in found:
                seen.setdefault((k, n), set()).add(x)
            return errs + ([] if any(len(v) > 1 for v in seen.values()) else ["no plane seen moving: %s" % seen])
        g.see("planes entering", moving)
        for action, k, cannon in (("keydown", "a", "up"), ("keyup", "a", "middle"), ("keydown", "d", "down"),
                                  ("keyup", "d", "middle"), ("keydown", "a", "up")):
            g.key(action, k)
            g.see("left cannon %s after %s %s" % (cannon, action, k), lambda f: ground(f, cannon))

        def climbs(f):  # with the cannon up a bullet climbs straight above the tank
            ys = bullet(f)
            rows[:] = rows + ys if ys else g.key("key", "w") or []
            return [] if len(rows) > 1 and rows[-1] < rows[0] else ["no bullet seen climbing at x 80: %s" % rows]
        g.see("a bullet after w", climbs)
        g.key("keyup", "a")
        g.see("left cannon middle, the bullet out of the ground rows", lambda f: ground(f, "middle"))
        g.key("key", "Escape")
        a, b = startlabel(first), startlabel(g.see("the panel after Escape", lambda f: panel(f) + ground(
            f, "middle", (150, 0, 650, 120))))
        if not (a and b and abs(a[0] - b[0]) <= 3 and b[2] >= a[2] + 40):
            raise Fail("after Escape: expected the longer label \"back to game\", got white columns %s (\"start\": %s)"
                       % (b, a))
        g.click(QUIT)
        g.end()


def setup(display):  # ./play twice at once on a fresh copy: both must start the game
    with tempfile.TemporaryDirectory() as d:
        sp.run("git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t " + d, shell=True)
        with Game(display, d, ("./play",)) as a, Game(display, d, ("./play",)) as b:
            until("two windows titled " + TITLE, lambda: (w := a.windows(), [] if len(w) == 2 else
                                                          ["%d windows" % len(w)]), 280, [a, b])


def xvfb():
    r, w = os.pipe()  # no reset: the game's first connection is a probe; no key repeat: a held key is one press
    sp.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset",
              "-ardelay", "600000"], pass_fds=(w,), stdout=sp.DEVNULL, stderr=sp.DEVNULL,
             preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL))
    os.close(w)
    return ":" + os.fdopen(r).readline().strip()


def main():
    groups = {"broken": broken, "devices": devices, "signals": signals, "window": lambda: [("window", window)],
              "setup": lambda: [("./play twice at once, round %d" % n, setup) for n in range(3)]}
    cases = [c for c in groups[GROUP]() if len(sys.argv) < 4 or sys.argv[3] in c[0]]
    workers, displays, began = max(1, min(8, len(os.sched_getaffinity(0)), len(cases))), queue.Queue(), time.monotonic()
    [displays.put(xvfb()) for _ in range(workers)]

    def attempt(case):
        display = displays.get()
        try:
            case[1](display)
        except Exception as e:
            return "FAILED %s: %s" % (case[0], e if isinstance(e, Fail) else repr(e))
        finally:
            displays.put(display)

    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        failed = [r for r in pool.map(attempt, cases) if r]
    print("\n".join(failed + ["%s: %d passed, %d failed (%.1f s)"
                              % (GROUP, len(cases) - len(failed), len(failed), time.monotonic() - began)]))
    sys.exit(1 if failed else 0)


main()
