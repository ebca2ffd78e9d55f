#!/usr/bin/python3
"""Plays the built game in a real X window (Xvfb) with real input (xdotool, through XTEST)
and checks the window's pixels, its title, and how the process ends.

Usage: window.py GAME [--shots DIR]   (run from the repository root)

The screen is 16-bit (RGB565): every colour is compared at 5/6/5-bit precision.
On a failure the screenshots of the failing step are saved to DIR.
"""

import argparse
import ctypes
import io
import os
import select
import signal
import subprocess
import sys
import time

from PIL import Image

TITLE = "ZEVO version 0.4"
WIDTH, HEIGHT = 800, 600
PANELX, PANELY = 150, 100
SKY = [(213, 201, 229), (195, 171, 227), (188, 149, 241), (166, 166, 244), (157, 157, 202),
       (115, 115, 236), (154, 154, 255), (199, 215, 251), (217, 222, 234), (182, 224, 227)]
GREEN = (37, 226, 27)
WHITE = (255, 255, 255)
# where a plane of each band flies: 30 rows below the band's top, at most 32 high
PLANETOP, PLANEROWS = 30, 32
# panel buttons (x, y, w, h) in the panel's own coordinates
START = (280, 344, 155, 56)
QUIT = (0, 0, 80, 80)
# panel areas that show a label in white
LABELS = {"quit": QUIT, "tally": (166, 21, 220, 60), "left kind": (73, 93, 177, 37),
          "right kind": (321, 93, 177, 37), "reset": (31, 216, 110, 62), "sound": (31, 292, 110, 62),
          "speed": (300, 222, 130, 60), "start": START}

LUT = [i >> 3 for i in range(256)] + [i >> 2 for i in range(256)] + [i >> 3 for i in range(256)]


def q(c):
    return (c[0] >> 3, c[1] >> 2, c[2] >> 3)


PALETTE = {q(c): i for i, c in enumerate(SKY)}


def show(c):
    return "rgb565(%d,%d,%d)" % c


class Fail(Exception):
    pass


class Pic:
    """A picture at 5/6/5 precision; black is transparent where keyed."""

    def __init__(self, path):
        img = Image.open(path).convert("RGB")
        self.w, self.h = img.size
        raw = list(img.getdata())
        self.px = [q(c) for c in raw]
        self.clear = [c == (0, 0, 0) for c in raw]

    def at(self, x, y):
        return self.px[y * self.w + x]

    def solid(self, x, y):
        return not self.clear[y * self.w + x]


class Frame:
    def __init__(self, img):
        self.img = img
        self.w, self.h = img.size
        self.px = list(img.point(LUT).getdata())

    def at(self, x, y):
        return self.px[y * self.w + x]


PIX = {name: Pic("pix/%s.png" % name) for name in
       ["menu", "hintergrund", "lefttankup", "lefttankmiddle", "righttankup", "righttankmiddle",
        "leftbullet", "p1l", "p1r", "p2l", "p2r", "p3l", "p3r"]}
PLANES = ["p1l", "p1r", "p2l", "p2r", "p3l", "p3r"]


def groundscene(leftcannon):
    """Rows 400..599 as they must look: the ground picture, each tank on its green patch."""
    g = PIX["hintergrund"]
    rows = [[g.at(x, y) for x in range(g.w)] for y in range(g.h)]
    for up, pic, x in (("lefttankup", "lefttank" + leftcannon, 50),
                       ("righttankup", "righttankmiddle", 750 - PIX["righttankup"].w)):
        u, p = PIX[up], PIX[pic]
        for y in range(u.h):
            for dx in range(u.w):
                rows[150 + y][x + dx] = q(GREEN)
        for y in range(p.h):
            for dx in range(p.w):
                if p.solid(dx, y) and 150 + y < g.h:
                    rows[150 + y][x + dx] = p.at(dx, y)
    return rows


SCENES = {c: groundscene(c) for c in ("up", "middle")}


def grounderrors(f, cannon, skip=None):
    """Differences from the ground and tanks; skip(x, y) leaves out pixels hidden by the panel."""
    rows = SCENES[cannon]
    bad = []
    for y in range(400, HEIGHT):
        row = rows[y - 400]
        for x in range(WIDTH):
            got = f.at(x, y)
            if row[x] == got or (skip and skip(x, y)):
                continue
            # a strike puts black digits beside the tank
            if got == (0, 0, 0) and y >= 565 and (120 <= x < 220 or 660 <= x < 760):
                continue
            bad.append((x, y, row[x], got))
    if not bad:
        return []
    x, y, want, got = bad[0]
    return ["ground and tanks (left cannon %s): %d pixels differ, first at (%d,%d): expected %s, got %s"
            % (cannon, len(bad), x, y, show(want), show(got))]


def banderrors(f, cols, planerows):
    """Each sky band one palette colour over the given columns; in the rows where planes fly
    (when planerows) most of the band must still show its colour."""
    errs = []
    for band in range(1, 6):
        top = 400 - 80 * band
        colour = f.at(cols[0], top)
        if colour not in PALETTE:
            errs.append("band %d (rows %d-%d): %s is no sky colour" % (band, top, top + 79, show(colour)))
        free = [y for y in range(top, top + 80) if not (planerows and PLANETOP <= y - top < PLANETOP + PLANEROWS)]
        off = [(x, y) for y in free for x in cols if f.at(x, y) != colour]
        if off:
            x, y = off[0]
            errs.append("band %d not solid: %d pixels differ from %s, first at (%d,%d): %s"
                        % (band, len(off), show(colour), x, y, show(f.at(x, y))))
        if planerows:
            rows = range(top + PLANETOP, top + PLANETOP + PLANEROWS)
            same = sum(1 for y in rows for x in cols if f.at(x, y) == colour)
            if same < 0.8 * len(cols) * PLANEROWS:
                errs.append("band %d: only %d pixels of %s where the plane flies" % (band, same, show(colour)))
    return errs


def panelerrors(f):
    """The panel at (150,100): every pixel the panel picture's own or a white label pixel,
    and a label in each labelled area."""
    m = PIX["menu"]
    bad, labels = [], {}
    for y in range(m.h):
        for x in range(m.w):
            got, want = f.at(PANELX + x, PANELY + y), m.at(x, y)
            if got == want:
                continue
            if got == q(WHITE):
                for name, (bx, by, bw, bh) in LABELS.items():
                    if bx <= x < bx + bw and by <= y < by + bh:
                        labels[name] = labels.get(name, 0) + 1
            else:
                bad.append((x, y, want, got))
    errs = []
    if bad:
        x, y, want, got = bad[0]
        errs.append("menu panel: %d pixels differ from pix/menu.png, first at screen (%d,%d): expected %s, got %s"
                    % (len(bad), PANELX + x, PANELY + y, show(want), show(got)))
    missing = [n for n in LABELS if labels.get(n, 0) < 20]
    if missing:
        errs.append("menu panel: no white label in %s" % ", ".join(missing))
    return errs


def panelshows(f):
    m = PIX["menu"]
    same = sum(1 for y in range(0, m.h, 4) for x in range(0, m.w, 4) if f.at(PANELX + x, PANELY + y) == m.at(x, y))
    return same > 0.5 * (m.w // 4) * (m.h // 4)


def menuerrors(f):
    side = list(range(0, PANELX)) + list(range(PANELX + 500, WIDTH))
    errs = panelerrors(f)
    errs += banderrors(f, side, False)
    top = [(x, y) for y in range(0, 80) for x in range(WIDTH) if f.at(x, y) != f.at(0, 0)]
    if top:
        errs.append("band 5 not solid above the panel: %d pixels differ from %s" % (len(top), show(f.at(0, 0))))
    errs += grounderrors(f, "middle", lambda x, y: PANELX <= x < PANELX + 500 and y < PANELY + 420)
    return errs


def whitecolumns(f, box):
    bx, by, bw, bh = box
    return sorted({x for y in range(by, by + bh) for x in range(bx, bx + bw)
                   if f.at(PANELX + x, PANELY + y) == q(WHITE)})


def planesin(f):
    """Planes wholly on screen, as (band, picture, x); blobs that are no plane picture are errors."""
    found, errs = [], []
    for band in range(1, 6):
        top = 400 - 80 * band + PLANETOP
        colour = f.at(0, top - PLANETOP)
        cols = [x for x in range(WIDTH) if any(f.at(x, y) != colour for y in range(top, top + PLANEROWS))]
        blobs = []
        for x in cols:
            if blobs and x - blobs[-1][1] <= 4:
                blobs[-1][1] = x
            else:
                blobs.append([x, x])
        for x0, x1 in blobs:
            if x0 == 0 or x1 == WIDTH - 1:
                continue  # entering or leaving: only part of it shows
            match = None
            for name in PLANES:
                p = PIX[name]
                used = [x for x in range(p.w) if any(p.solid(x, y) for y in range(p.h))]
                left = x0 - used[0]
                if used[-1] - used[0] != x1 - x0 or left < 0 or left + p.w > WIDTH:
                    continue
                if all(f.at(left + x, top + y) == (p.at(x, y) if p.solid(x, y) else colour)
                       for y in range(p.h) for x in range(p.w)):
                    match = (band, name, left)
                    break
            if match:
                found.append(match)
            else:
                errs.append("band %d: columns %d-%d show something that is no plane" % (band, x0, x1))
    return found, errs


def bulletat(img, x):
    """Rows where the left bullet shows with its left edge at column x."""
    b = PIX["leftbullet"]
    f = Frame(img.crop((x, 0, x + b.w, HEIGHT)))  # the bullet is fast: look at its column only
    dots = [(dx, dy, b.at(dx, dy)) for dy in range(b.h) for dx in range(b.w) if b.solid(dx, dy)]
    return [y for y in range(0, HEIGHT - b.h) if all(f.at(dx, y + dy) == c for dx, dy, c in dots)]


class Game:
    def __init__(self, game, shots):
        self.gamepath, self.shots = game, shots
        self.xvfb = self.proc = None
        self.env = dict(os.environ)
        self.saved = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for p in (self.proc, self.xvfb):
            if p and p.poll() is None:
                p.kill()
                p.wait()

    @staticmethod
    def orphanproof():
        # a killed driver must not leave an X server or a game behind
        ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG

    def startx(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             # no key repeat: a held key stays one press
             "-ardelay", "600000",
             # the server must not reset when its last client leaves: the game's first connection is a probe
             "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=self.orphanproof)
        os.close(w)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n"):
            if not select.select([r], [], [], max(0, deadline - time.time()))[0]:
                raise Fail("Xvfb did not report its display")
            chunk = os.read(r, 16)
            if not chunk:
                raise Fail("Xvfb ended at start")
            number += chunk
        os.close(r)
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def start(self):
        env = dict(self.env, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy")
        self.proc = subprocess.Popen([self.gamepath], env=env, stdout=subprocess.PIPE,
                                     preexec_fn=self.orphanproof)
        deadline = time.time() + 30
        while time.time() < deadline:
            ids = self.x(["xdotool", "search", "--name", "^%s$" % TITLE], check=False).split()
            if ids:
                self.win = ids[0]
                return
            if self.proc.poll() is not None:
                raise Fail("the game ended with status %d before its window showed" % self.proc.returncode)
            time.sleep(0.05)
        raise Fail("no window titled %r within 30 s" % TITLE)

    def x(self, args, check=True):
        r = subprocess.run(args, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
        if check and r.returncode != 0:
            raise Fail("%s failed: %s" % (" ".join(args), r.stderr.decode().strip()))
        return r.stdout.decode()

    def shot(self):
        return Frame(self.grab())

    def grab(self):
        xwd = subprocess.run(["xwd", "-silent", "-id", self.win], env=self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, timeout=20)
        if xwd.returncode != 0:
            raise Fail("xwd failed: %s" % xwd.stderr.decode().strip())
        ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd.stdout, stdout=subprocess.PIPE, timeout=20)
        img = Image.open(io.BytesIO(ppm.stdout)).convert("RGB")
        if img.size != (WIDTH, HEIGHT):
            raise Fail("window is %dx%d, expected %dx%d" % (img.size + (WIDTH, HEIGHT)))
        return img

    def save(self, f, name):
        if self.shots:
            os.makedirs(self.shots, exist_ok=True)
            path = os.path.join(self.shots, name + ".png")
            f.img.save(path)
            self.saved.append(path)

    def waitfor(self, what, errors, seconds):
        """Screenshots until errors(frame) is empty; the last frame's errors fail the step."""
        deadline = time.time() + seconds
        while True:
            f = self.shot()
            errs = errors(f)
            if not errs:
                return f
            if time.time() > deadline:
                self.save(f, what.replace(" ", "-"))
                raise Fail("%s: not shown within %g s:\n    %s" % (what, seconds, "\n    ".join(errs)))
            time.sleep(0.02)

    def click(self, x, y):
        self.x(["xdotool", "mousemove", "--window", self.win, str(x), str(y), "click", "1"])

    def key(self, action, name):
        self.x(["xdotool", action, name])


def play(g):
    g.startx()
    g.start()
    name = g.x(["xdotool", "getwindowname", g.win]).strip()
    if name != TITLE:
        raise Fail("window title: expected %r, got %r" % (TITLE, name))
    geometry = g.x(["xdotool", "getwindowgeometry", "--shell", g.win])
    size = dict(line.split("=") for line in geometry.split())
    if (size["WIDTH"], size["HEIGHT"]) != (str(WIDTH), str(HEIGHT)):
        raise Fail("window size: expected %dx%d, got %sx%s" % (WIDTH, HEIGHT, size["WIDTH"], size["HEIGHT"]))
    # keys go to the window under the pointer, as a player's would
    g.x(["xdotool", "mousemove", "--window", g.win, "400", "50"])
    g.x(["xdotool", "windowfocus", g.win])

    # start-up may be slow (sanitizers); then the menu must be right at once
    g.waitfor("menu panel", lambda f: [] if panelshows(f) else ["no panel at (150,100)"], 30)
    first = g.waitfor("menu over sky and ground", menuerrors, 2)
    startlabel = whitecolumns(first, START)

    g.click(PANELX + START[0] + 77, PANELY + START[1] + 28)
    g.waitfor("game after start",
              lambda f: grounderrors(f, "middle") + banderrors(f, list(range(WIDTH)), True), 5)

    # planes come in and move: one seen whole at two places in its band
    seen, deadline = {}, time.time() + 8
    while time.time() < deadline:
        f = g.shot()
        found, errs = planesin(f)
        if errs:
            g.save(f, "planes")
            raise Fail("planes:\n    " + "\n    ".join(errs))
        for band, name, x in found:
            seen.setdefault((band, name), set()).add(x)
        if any(len(xs) > 1 for xs in seen.values()):
            print("planes seen whole (band, picture): x: %s" % {k: sorted(v) for k, v in seen.items()})
            break
    else:
        g.save(f, "planes")
        raise Fail("no plane seen moving within 8 s (whole planes seen: %s)" % sorted(seen))

    g.key("keydown", "a")
    g.waitfor("left cannon up while A is held", lambda f: grounderrors(f, "up"), 3)
    g.key("keyup", "a")
    g.waitfor("left cannon middle after A is released", lambda f: grounderrors(f, "middle"), 3)

    # with the cannon up the bullet climbs straight above the tank
    g.key("keydown", "a")
    g.waitfor("left cannon up while A is held", lambda f: grounderrors(f, "up"), 3)
    g.key("keydown", "w")
    g.key("keyup", "w")
    heights, deadline = [], time.time() + 1.5
    while time.time() < deadline and len(heights) < 3:
        img = g.grab()
        heights += [y for y in bulletat(img, 80) if y < 550]
    g.key("keyup", "a")
    if not heights:
        g.save(Frame(img), "bullet")
        raise Fail("W: no bullet above the left tank (at x 80, above y 550) within 1.5 s")
    if heights != sorted(heights, reverse=True):
        raise Fail("W: the bullet did not climb: seen at heights %s" % heights)
    print("bullet seen at x 80, y %s" % heights)
    # the bullet has left the ground rows and the cannon is back in the middle
    g.waitfor("left cannon middle after A is released", lambda f: grounderrors(f, "middle"), 3)

    g.key("key", "Escape")
    again = g.waitfor("menu after Escape", lambda f: panelerrors(f) + grounderrors(
        f, "middle", lambda x, y: PANELX <= x < PANELX + 500 and y < PANELY + 420), 5)
    label = whitecolumns(again, START)
    # "back to game" reaches well past where "start" ended
    if not label or not startlabel or abs(label[0] - startlabel[0]) > 3 or label[-1] < startlabel[-1] + 40:
        g.save(first, "first-menu")
        g.save(again, "menu-after-escape")
        raise Fail("start button after Escape: expected the longer \"back to game\" text from panel x %s, "
                   "got white columns %s..%s (\"start\" spanned %s..%s)"
                   % (startlabel[:1], label[:1], label[-1:], startlabel[:1], startlabel[-1:]))

    g.click(PANELX + QUIT[0] + 40, PANELY + QUIT[1] + 40)
    clicked = time.time()
    try:
        status = g.proc.wait(timeout=5)
        print("ended %.2f s after the quit click" % (time.time() - clicked))
    except subprocess.TimeoutExpired:
        raise Fail("quit: the game still runs 5 s after the click")
    out = g.proc.stdout.read().decode(errors="replace")
    if status != 0:
        raise Fail("quit: exit status %d, expected 0" % status)
    if out:
        raise Fail("quit: unexpected output %r" % out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("game")
    ap.add_argument("--shots", help="directory for the screenshots of a failing step")
    args = ap.parse_args()
    signal.signal(signal.SIGTERM, lambda *a: sys.exit(2))
    began = time.time()
    with Game(os.path.abspath(args.game), args.shots) as g:
        try:
            play(g)
        except Fail as e:
            print("FAIL:", e)
            for path in g.saved:
                print("  screenshot:", path)
            return 1
    print("ok: menu, start, sky, ground, tanks, planes, cannon, bullet, Escape menu, quit (%.1f s)"
          % (time.time() - began))
    return 0


if __name__ == "__main__":
    sys.exit(main())
