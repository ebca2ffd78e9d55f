"""The built game as a player gets it. From the repository root: binary.py ZEVO_BINARY GROUP [PART OF A CASE NAME]"""
import concurrent.futures, ctypes, os, re, shlex, signal, struct, subprocess as sp, sys, tempfile, threading, time
from PIL import Image, ImageChops

GAME, GROUP, TITLE, local = os.path.abspath(sys.argv[1]), sys.argv[2], "ZEVO version 0.4", threading.local()
FIND = "xdotool search --name '^%s$'" % TITLE  # the window found is the one the commands chained after it use
on = lambda at, n=1: " mousemove --window %%1 %d %d click --repeat %d --delay 9 1" % (*at, n)  # to chain after FIND
LUT = [i & m for m in (0xF8, 0xFC, 0xF8) for i in range(256)]  # the screen is 16-bit: 5/6/5 bits
q = lambda c: (c[0] & 0xF8, c[1] & 0xFC, c[2] & 0xF8)
SKY = {q(c) for c in [(213, 201, 229), (195, 171, 227), (188, 149, 241), (166, 166, 244), (157, 157, 202),
                      (115, 115, 236), (154, 154, 255), (199, 215, 251), (217, 222, 234), (182, 224, 227)]}
QUIT, START, LABEL = (190, 140), (507, 472), (430, 444, 585, 500)  # buttons; the area of the label "start"
pic = lambda name: Image.open("pix/%s.png" % name).convert("RGB").point(LUT)
white = lambda f, box: sum(f.crop(box).convert("L").histogram()[250:])  # nothing but text is that bright


def ground(f, cannon):  # rows 400-599: the ground, each tank on its green patch (black in a tank is transparent)
    want, got = pic("hintergrund"), f.crop((0, 400, 800, 600))  # no score drawn before the first strike
    for p, x in ((pic("lefttank" + cannon), 50), (pic("righttankmiddle"), 706)):
        want.paste(q((37, 226, 27)), (x, 150, x + p.width, 150 + p.height))
        want.paste(p, (x, 150), p.convert("L").point(lambda v: 255 * (v > 0)))
    return (box := ImageChops.difference(want, got).getbbox()) and "ground, cannon %s: wrong in %s" % (cannon, box)


def stray(f, x0=0, x1=800):  # the sky's rows, but those planes fly in, not all their band's colour in x0-x1
    return [y for y in range(400) if not 30 <= y % 80 < 62 and
            f.crop((x0, y, x1, y + 1)).getcolors() != [(x1 - x0, f.getpixel((0, y - y % 80)))]]


def sky(f):  # five bands of palette colours, each all one colour but in the rows planes fly in
    bands, rows = {f.getpixel((0, y)) for y in range(0, 400, 80)}, stray(f)
    return (rows or not bands <= SKY) and "sky: bands %s, mixed rows %s" % (bands, rows[:9])


def panel(f):  # most of it as menu.png, the rest being labels and tallies (L is 0 only where all three match)
    same = ImageChops.difference(pic("menu"), f.crop((150, 100, 650, 520))).convert("L").histogram()[0]
    return None if same > 500 * 420 / 2 else "no menu panel at (150,100)"


class Game(sp.Popen):  # killed with all it started on leaving
    def __init__(self, display, cwd=None, cmd=(GAME,), **env):
        self.env = {**os.environ, "DISPLAY": display or "", "SDL_VIDEODRIVER": "x11" if display else "dummy", **env}
        o, e = self.files = [tempfile.TemporaryFile() for _ in "oe"]
        super().__init__(cmd, cwd=cwd, env=self.env, stdin=sp.DEVNULL, stdout=o, stderr=e, start_new_session=True)

    def __exit__(self, *exc): self.poll() is None and os.killpg(self.pid, signal.SIGKILL)
    def output(self): return [(f.seek(0), f.read().decode(errors="replace")[-3000:])[1] for f in self.files]
    def x(self, cmd): return sp.run(shlex.split(cmd), env=self.env, capture_output=True, timeout=30).stdout

    def alive(self):  # a game that ends while we wait for a state fails at once
        assert self.poll() is None, "ended first: status %d, wrote %r, stderr %s" % (self.returncode, *self.output())

    def see(self, what, check, do="true", guard=30):  # after do, the first screenshot in which check() finds no error
        self.x(do)
        end, seen = time.monotonic() + guard, set()
        while err := self.alive() or (f := self.shot()) is None and "no window titled " + TITLE or check(f):
            # a game still moving on is waited for, however loaded the machine: the guard counts from the last
            # screen not seen before, so a game caught in a cycle still fails
            end = time.monotonic() + guard if f and hash(f.tobytes()) not in seen else end
            seen.add(f and hash(f.tobytes()))
            assert time.monotonic() < end, "%s: not within %d s of the last new screen: %s" % (what, guard, err)
            time.sleep(0.05)  # only the polling interval
        return f

    def shot(self):  # none before the window shows
        if len(b := self.x("xwd -silent -name '%s'" % TITLE)) > 100:
            h = struct.unpack(">25I", b[:100])
            assert h[4:6] == (800, 600), "the window is %dx%d, expected 800x600" % h[4:6]
            return Image.frombuffer("RGB", (800, 600), b[h[0] + 12 * h[19]:], "raw", "BGRX", h[12], 1).point(LUT)

    def end(self, guard=30, ok=(0,), expect=""):  # a status in ok, stdout as expect ("…": SDL's error text)
        status, (out, err) = self.wait(guard), self.output()  # TimeoutExpired: it hangs
        pattern = re.escape(expect).replace("…", r"([^\n]+)", 1).replace("…", r"\1")  # the same text again
        assert status in ok and re.fullmatch(pattern, out) and not re.search("Sanitizer|runtime error", err), (
            "status %d, wrote %r; expected %s, %r, no sanitizer report; stderr:\n%s" % (status, out, ok, expect, err))


BREAK = {"missing": os.remove, "empty": lambda p: os.truncate(p, 0),
         "cut in half": lambda p: os.truncate(p, os.path.getsize(p) // 2),
         "plain text": lambda p: open(p, "w").write("this is just text, in a file with the wrong name\n"),
         "cut to 100 bytes": lambda p: os.truncate(p, 100)}  # the last one for the font only


def damaged(display, file, how, expect, env):  # expect: stdout with status 1; else it runs and quits cleanly
    with tempfile.TemporaryDirectory() as d:  # in a copy of pix/ and sound/
        sp.run(["cp", "-rL", "pix", "sound", d], check=True)
        if file:  # "WxH": a plain picture, not black, which is transparent
            BREAK.get(how, lambda p: Image.new("RGB", tuple(map(int, how.split("x"))), "red").save(p))(d + "/" + file)
        with Game(None if expect else display, d, **env) as g:
            if not expect:
                g.see("the first menu", panel)
                g.x(FIND + on(QUIT))
            g.end(ok=(1 if expect else 0,), expect=expect or "")


case = lambda file, how, expect=None, **env: (" ".join(filter(None, (file, how))), damaged, file, how, expect, env)


def broken():
    refused = "pix/menu.png is %s pixels: the panel must be 499 to 800 pixels wide and at least 401 high\n"
    for f in sorted("pix/" + n for n in os.listdir("pix") if n.endswith(".png")):  # p3r: read by a wave, later
        yield from (case(f, how, f != "pix/p3r.png" and "couldnt load %s: …\n" % f) for how in list(BREAK)[:4])
        yield from (case(f, how, f == "pix/menu.png" and refused % how)
                    for how in ["1x1", "2000x2000"] + ["10x10"] * (f == "pix/hintergrund.png"))
    yield from (case("pix/astronbo.ttf", how, how != "cut in half" and "couldnt open font") for how in BREAK)
    yield from (case("sound/" + f, how) for f in sorted(os.listdir("sound")) for how in list(BREAK)[:4])


PLAY = ("play", lambda f: not panel(f) and "the panel still shows", FIND + on(START))
# both sides computer, the left one idiotic (two extrem idiotic ones can chase one plane for ever), speed 50
QUICK = FIND + on((311, 211)) + on((559, 211)) + on((311, 250)) + on((565, 363), 25) + on(START)
STEPS = {"first menu": [], "play": [PLAY], "Escape menu": [PLAY, ("the Escape menu", panel, "xdotool key Escape")],
         "win wait": [("the win text", lambda f: white(f, (300, 300, 750, 330)) <= 100 and "none", QUICK)]}


def signalled(display, state, sig):
    with Game(display) as g:
        g.see("the first menu", panel)
        for step in STEPS[state]:
            g.see(*step)
        for _ in range(3):  # several in a row: the old deadlock needed one to land inside SDL_PollEvent
            g.send_signal(sig)  # none once it has ended
            time.sleep(0.2)
        g.end(20, (0, -sig))


def window(display):
    with Game(display) as g:
        start, tops = white(g.see("the first menu", panel), LABEL), []  # the bullet's topmost rows
        first = g.see("the game after start", lambda f: ground(f, "middle") or sky(f), FIND + on(START))
        g.see("planes moving", lambda f: ground(f, "middle") or sky(f) or f == first and "nothing moves")
        for action, k, cannon in zip(["keydown", "keyup"] * 3, "aadda", ["up", "middle", "down", "middle", "up"]):
            g.see("cannon after %s %s" % (action, k), lambda f: ground(f, cannon), "xdotool %s %s" % (action, k))

        def climbs(f):  # with the cannon up the bullet climbs straight above the tank, at x 80-85
            rows = stray(f, 80, 86)
            tops.append(rows[0]) if rows else g.x("xdotool key w")  # again if it went unseen
            return not (len(tops) > 1 and tops[-1] < tops[0]) and "no bullet seen climbing at x 80: %s" % tops
        g.see("a bullet after w", climbs)
        back = lambda f: panel(f) or white(f, LABEL) < 1.8 * start and "a label as short as \"start\""
        g.see("\"back to game\" after Escape", back, "xdotool key Escape")
        g.x(FIND + on(QUIT))
        g.end()


def setup(display):  # ./play twice at once on a fresh copy: both must start the game
    with tempfile.TemporaryDirectory() as d:
        sp.run("git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t " + d, shell=True)
        with Game(display, d, ("./play",)) as a, Game(display, d, ("./play",)) as b:
            a.see("two game windows", lambda f: b.alive() or len(a.x(FIND).split()) != 2 and "one", guard=600)


def xvfb():  # one per worker; no reset: the game's first connection is a probe; no key repeat: a held key is one press
    local.display = ":%d" % int(sp.Popen("Xvfb -displayfd 1 -noreset -ardelay 600000".split(), stdout=sp.PIPE,
        stderr=sp.DEVNULL, preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL)).stdout.readline())


def attempt(case):
    try:
        case[1](local.display, *case[2:])
    except Exception as e:
        return "FAILED %s: %s" % (case[0], e if isinstance(e, AssertionError) else repr(e))


GROUPS = {"broken": broken(), "window": [("window", window)], "setup": [("./play twice at once", setup)] * 3,
          "devices": [case(None, "unknown video driver", "Could not initialize SDL:…\nfensterfehler :…",
                           SDL_VIDEODRIVER="nosuch"), case(None, "unknown audio driver", SDL_AUDIODRIVER="nosuch")],
          "signals": [("%s %s %d" % (state, s.name, n), signalled, state, s) for s in (signal.SIGINT, signal.SIGTERM)
                      for n, state in enumerate(["first menu"] * 6 + ["play", "Escape menu", "win wait"] * 4)]}
cases = [c for c in GROUPS[GROUP] if len(sys.argv) < 4 or sys.argv[3] in c[0]]
with concurrent.futures.ThreadPoolExecutor(min(8, len(os.sched_getaffinity(0)), len(cases)), initializer=xvfb) as pool:
    failed = [r for r in pool.map(attempt, cases) if r]
print(*failed, "%s: %d passed, %d failed" % (GROUP, len(cases) - len(failed), len(failed)), sep="\n")
sys.exit(1 if failed else 0)
