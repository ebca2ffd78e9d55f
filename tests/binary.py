"""The built game as a player gets it. From the repository root: binary.py GAME GROUP [PART OF A CASE]"""
import concurrent.futures, glob, os, pathlib, re, shlex, signal, struct, subprocess as sp, sys, tempfile, time
from PIL import Image, ImageChops

GAME = os.path.abspath(sys.argv[1])
TITLE = "ZEVO version 0.4"
FIND = "xdotool search --name '^%s$'" % TITLE
QUIT = (190, 140)
START = (507, 472)
LABEL = (430, 444, 585, 500)  # the label "start"
LUT = [i & m for m in (0xF8, 0xFC, 0xF8) for i in range(256)]  # as a 16-bit screen shows it
SKY = {(r & 0xF8, g & 0xFC, b & 0xF8) for r, g, b in [
    (213, 201, 229), (195, 171, 227), (188, 149, 241), (166, 166, 244), (157, 157, 202),
    (115, 115, 236), (154, 154, 255), (199, 215, 251), (217, 222, 234), (182, 224, 227)]}


def click(at, n=1):  # %1: the window FIND found
    return " mousemove --window %%1 %d %d click --repeat %d --delay 9 1" % (*at, n)


def pic(name):
    return Image.open("pix/%s.png" % name).convert("RGB").point(LUT)


def white(f, box):  # only text is that bright
    return sum(f.crop(box).convert("L").histogram()[250:])


def ground(f, cannon):
    want = pic("hintergrund")
    for tank, x in (pic("lefttank" + cannon), 50), (pic("righttankmiddle"), 706):
        box = (x, 150, x + tank.width, 150 + tank.height)
        want.paste((32, 224, 24), box)  # green, as the screen shows it
        want.paste(tank, box, tank.convert("L").point([0] + [255] * 255))  # black is transparent
    box = ImageChops.difference(want, f.crop((0, 400, 800, 600))).getbbox()
    if box:
        return "ground, cannon %s: wrong in %s" % (cannon, box)


def stray(f, x0=0, x1=800):  # sky rows not all one colour, but those planes fly in
    rows = [y for y in range(400) if not 30 <= y % 80 < 62]
    return [y for y in rows if f.crop((x0, y, x1, y + 1)).getcolors() != [(x1 - x0, f.getpixel((0, y - y % 80)))]]


def playfield(f):
    bands = {f.getpixel((0, y)) for y in range(0, 400, 80)}
    rows = stray(f)
    if rows or not bands <= SKY:
        return "sky: bands %s, rows %s" % (bands, rows[:9])
    return ground(f, "middle")


def around(f):  # beside the panel, whatever the ground: the tanks in green boxes, the sky below row 150
    corners = {f.getpixel((x, 550)) for x in (50, 706)}
    sky = {f.getpixel((x, 150)) for x in (50, 750)}
    if corners != {(32, 224, 24)} or not sky <= SKY:
        return "tank corners %s, row 150 %s" % (corners, sky)


def panel(f):
    diff = ImageChops.difference(pic("menu"), f.crop((150, 100, 650, 520)))
    if diff.convert("L").histogram()[0] <= 500 * 420 / 2:
        return "no menu panel"


class Game(sp.Popen):  # killed with all it started on leaving
    def __init__(self, display, cwd=None, cmd=(GAME,), **env):
        self.env = {**os.environ, "DISPLAY": display, "SDL_VIDEODRIVER": "x11", **env}
        self.files = [tempfile.TemporaryFile() for _ in "oe"]
        super().__init__(cmd, cwd=cwd, env=self.env, stdin=sp.DEVNULL, stdout=self.files[0],
                         stderr=self.files[1], start_new_session=True)

    def __exit__(self, *exc):
        if self.poll() is None:
            os.killpg(self.pid, signal.SIGKILL)

    def output(self):
        return [os.pread(f.fileno(), 1 << 24, 0).decode(errors="replace")[-3000:] for f in self.files]

    def x(self, cmd):
        return sp.run(shlex.split(cmd), env=self.env, capture_output=True, timeout=30).stdout

    def alive(self):
        assert self.poll() is None, "ended: status %s, wrote %r, stderr %s" % (self.returncode, *self.output())

    def see(self, what, check, do="true", guard=30):
        self.x(do)
        seen = set()
        while True:
            self.alive()
            f = self.shot()
            fault = check(f) if f else "no window"
            if not fault:
                return f
            # a loaded machine only slows a game; one caught in a cycle fails
            screen = f and hash(f.tobytes())
            if screen not in seen:
                seen.add(screen)
                end = time.monotonic() + guard
            assert time.monotonic() < end, "%s: not in %d s: %s" % (what, guard, fault)
            time.sleep(0.05)  # the polling interval only

    def shot(self):  # None before the window shows
        xwd = self.x("xwd -silent -name '%s'" % TITLE)
        if len(xwd) > 100:
            h = struct.unpack(">25I", xwd[:100])
            assert h[4:6] == (800, 600), h[4:6]
            return Image.frombuffer("RGB", h[4:6], xwd[h[0] + 12 * h[19]:], "raw", "BGRX", h[12], 1).point(LUT)

    def end(self, want=0, expect=""):  # "…" in expect: any one line
        status = self.wait(30)  # TimeoutExpired: it hangs
        out, err = self.output()
        fine = re.fullmatch(re.escape(expect).replace("…", ".+"), out)
        report = re.search("Sanitizer|runtime error", err)
        assert status == want and fine and not report, "status %s, wrote %r, stderr:\n%s" % (status, out, err)


def damaged(display, file, how, expect, env):  # in a copy of the data
    with tempfile.TemporaryDirectory() as d:
        sp.run(["cp", "-rL", "pix", "sound", d], check=True)
        path = pathlib.Path(d, file)
        data = path.read_bytes() if file else b""
        cut = {"empty": b"", "cut in half": data[:len(data) // 2], "cut to 100 bytes": data[:100], "plain text": b"text\n"}
        if how == "missing":
            path.unlink()
        elif how in cut:
            path.write_bytes(cut[how])
        elif file:  # "WxH": red, as black is transparent
            Image.new("RGB", [int(n) for n in how.split("x")], "red").save(path)
        with Game(display, d, **env) as g:
            if not expect:
                g.see("the first menu", panel)
                if "tank" not in file:
                    g.see("around the panel", around)
                g.x(FIND + click(QUIT))
            g.end(1 if expect else 0, expect or "")


def broken():
    how = ["missing", "empty", "cut in half", "plain text"]
    small = "pix/menu.png is %s pixels: the panel must be 499 to 800 pixels wide and at least 401 high\n"
    for file in sorted(glob.glob("pix/*.png")):
        fails = None if file == "pix/p3r.png" else "couldnt load %s: …\n" % file  # p3r: read by a wave, later
        yield from ((file + " " + h, damaged, file, h, fails, {}) for h in how)
        odd = ["1x1", "2000x2000"] + (["10x10"] if file == "pix/hintergrund.png" else [])
        yield from ((file + " " + s, damaged, file, s, file == "pix/menu.png" and small % s, {}) for s in odd)
    for h in how + ["cut to 100 bytes"]:
        yield "font " + h, damaged, "pix/astronbo.ttf", h, h != "cut in half" and "couldnt open font", {}
    yield from ((file + " " + h, damaged, file, h, None, {}) for file in sorted(glob.glob("sound/*")) for h in how)


# computers, the left idiotic (two extrem idiotic ones can chase a plane for ever), speed 50
QUICK = FIND + click((311, 211)) + click((559, 211)) + click((311, 250)) + click((565, 363), 25) + click(START)


def failing(call, **env):  # the preloaded library makes that call fail, or raise that signal
    return {"LD_PRELOAD": os.path.dirname(GAME) + "/libfailinit.so", "ZEVO_FAIL": call, **env}


def signalled(display, state, sig):
    late = state == "failed SDL_Init"  # then SDL starts its video late
    calls = {"failed SDL_Init": "SDL_Init 1", "start-up": sig.name}  # start-up: raised in TTF_Init
    with Game(display, **failing(calls[state]) if state in calls else {}) as g:
        if state != "start-up":
            g.see("the first menu", panel)
        if state in ("play", "Escape menu"):
            g.see("play", playfield, FIND + click(START))
        if state == "Escape menu":
            g.see("the Escape menu", panel, "xdotool key Escape")
        if state == "win wait":
            g.see("the win text", lambda f: white(f, (300, 300, 750, 330)) <= 100, QUICK)
        for _ in range(0 if state == "start-up" else 3):  # the old deadlock needed one inside SDL_PollEvent
            g.send_signal(sig)  # none once it has ended
            time.sleep(0.2)
        g.end(-sig, "Could not initialize SDL:refused for the test\n" if late else "")


def window(display):
    with Game(display) as g:
        start = white(g.see("the first menu", panel), LABEL)
        first = g.see("the game", playfield, FIND + click(START))
        g.see("planes moving", lambda f: playfield(f) or f == first)
        keys = ["keydown a", "keyup a", "keydown d", "keyup d", "keydown a"]
        for key, cannon in zip(keys, ["up", "middle", "down", "middle", "up"]):
            g.see("cannon after " + key, lambda f: ground(f, cannon), "xdotool " + key)
        tops = []

        def climbs(f):  # with the cannon up, straight up at x 80
            rows = stray(f, 80, 86)
            if not rows:  # again, if it went unseen
                g.x("xdotool key w")
            tops.extend(rows[:1])
            if len(tops) < 2 or tops[-1] >= tops[0]:
                return "no bullet climbing: %s" % tops
        g.see("a bullet after w", climbs)
        g.see("\"back to game\" after Escape", lambda f: panel(f) or white(f, LABEL) < 1.8 * start, "xdotool key Escape")
        g.x(FIND + click(QUIT))
        g.end()


def setup(display):  # on a fresh copy
    with tempfile.TemporaryDirectory() as d:
        sp.run("git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t " + d, shell=True)
        with Game(display, d, ["./play"]) as a, Game(display, d, ["./play"]) as b:
            a.see("two game windows", lambda f: b.alive() or len(a.x(FIND).split()) < 2, guard=600)


def attempt(case):
    # no reset: the game probes first; no key repeat: a held key is one press
    with sp.Popen("Xvfb -displayfd 1 -noreset -ardelay 600000".split(), stdout=sp.PIPE, stderr=sp.DEVNULL) as server:
        try:
            case[1](":%d" % int(server.stdout.readline()), *case[2:])
        except Exception as e:
            return "FAILED %s: %s %s" % (case[0], type(e).__name__, e)
        finally:
            server.kill()


NOLEAKS = "verify_asan_link_order=0:detect_leaks=0"
SIGNALS = [("%s %s %d" % (state, sig.name, n), signalled, state, sig) for sig in (signal.SIGINT, signal.SIGTERM)
           for n in range(4)
           for state in ("start-up", "first menu", "play", "Escape menu", "win wait", "failed SDL_Init")]
DEVICES = [("unknown video driver", damaged, "", "", "Could not initialize SDL:…\nfensterfehler :…",
            {"SDL_VIDEODRIVER": "nosuch"}),
           ("unknown audio driver", damaged, "", "", None, {"SDL_AUDIODRIVER": "nosuch"}),
           # SDL_ttf, not initialised, keeps the font file it was asked to open; a size that fails
           # ends the game at once, leaving those opened before it
           ("failed TTF_Init", damaged, "", "", "could not initialize SDL_TTFcouldnt open font",
            failing("TTF_Init 1", ASAN_OPTIONS=NOLEAKS))]
DEVICES += [("font size %d fails" % n, damaged, "", "", "couldnt open font",
             failing("TTF_OpenFont %d" % n, ASAN_OPTIONS=NOLEAKS)) for n in (2, 3)]
GROUP = sys.argv[2]
GROUPS = {"broken": broken(), "devices": DEVICES, "signals": SIGNALS, "window": [("window", window)],
          "setup": [("./play twice at once", setup)] * 3}
part = sys.argv[3] if len(sys.argv) > 3 else ""
cases = [c for c in GROUPS[GROUP] if part in c[0]]
with concurrent.futures.ThreadPoolExecutor(min(8, len(os.sched_getaffinity(0)), len(cases))) as pool:
    failed = [r for r in pool.map(attempt, cases) if r]
print(*failed, "%s: %d passed, %d failed" % (GROUP, len(cases) - len(failed), len(failed)), sep="\n")
sys.exit(1 if failed else 0)
