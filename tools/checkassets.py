#!/usr/bin/python3
"""Check the committed pictures and sounds against what the game relies on.

Run from the repository root. Exits non-zero if any check fails.
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

from PIL import Image

ROOT = os.getcwd()
BLACK = (0, 0, 0)
GROUND_GREEN = (37, 226, 27)

TANKS = ["%stank%s.png" % (side, aim) for side in ("left", "right")
         for aim in ("up", "middle", "down")]
BULLETS = ["leftbullet.png", "rightbullet.png"]
PLANES = ["p%d%s.png" % (k, d) for k in (1, 2, 3) for d in ("r", "l")]
EXPLOSIONS = ["exp%d.png" % i for i in (1, 2, 3, 4)]
SPRITES = TANKS + BULLETS + PLANES + EXPLOSIONS
PICTURES = ["hintergrund.png", "menu.png"] + SPRITES
SOUND_SECONDS = {"planes.wav": 1.5, "shot.wav": 0.2, "explosion.wav": 0.8,
                 "applause.wav": 2.5}

MENU_BUTTONS = {
    "quit": (0, 0, 80, 80), "tally": (166, 21, 220, 60),
    "left player kind": (73, 93, 177, 37), "right player kind": (321, 93, 177, 37),
    "left skill": (73, 130, 177, 40), "right skill": (321, 130, 177, 37),
    "reset": (31, 216, 110, 62), "sound": (31, 292, 110, 62),
    "slower": (300, 248, 30, 30), "faster": (400, 248, 30, 30),
    "start": (280, 344, 155, 56),
}
# Labels drawn straight on the panel, outside any button: (x, y, w, h).
MENU_FREE_LABELS = {"gamespeed": (317, 222, 110, 26)}


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def expect(self, ok, what, expected="", actual=""):
        if ok:
            self.passed += 1
            return True
        self.failed += 1
        msg = "FAIL: " + what
        if expected != "" or actual != "":
            msg += " (expected %s, actual %s)" % (expected, actual)
        print(msg)
        return False


def lum(c):
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]


def png_header(path):
    """(bit depth, colour type) from the IHDR chunk, independent of PIL."""
    with open(path, "rb") as f:
        head = f.read(33)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return head[24], head[25]


def visible(img):
    w, h = img.size
    px = img.load()
    return {(x, y) for y in range(h) for x in range(w) if px[x, y] != BLACK}


def enclosed_black(img):
    """Black pixels not reachable from the border: holes inside a sprite."""
    w, h = img.size
    px = img.load()
    seen = set()
    stack = [(x, y) for x in range(w) for y in (0, h - 1)] + \
            [(x, y) for y in range(h) for x in (0, w - 1)]
    while stack:
        p = stack.pop()
        if p in seen or not (0 <= p[0] < w and 0 <= p[1] < h) or px[p] != BLACK:
            continue
        seen.add(p)
        x, y = p
        stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    return sum(1 for y in range(h) for x in range(w) if px[x, y] == BLACK) - len(seen)


def mean_colour(img, pixels):
    px = img.load()
    n = max(len(pixels), 1)
    return tuple(sum(px[p][i] for p in pixels) / n for i in range(3))


def check_format(c, pics):
    """Load every picture and check it is 8-bit truecolour RGB."""
    for name in PICTURES:
        path = os.path.join(ROOT, "pix", name)
        if not c.expect(os.path.isfile(path), "pix/%s exists" % name):
            continue
        hdr = png_header(path)
        # Colour type 2 is truecolour without alpha; 8 bits per channel.
        if not c.expect(hdr == (8, 2), "pix/%s is an 8-bit RGB PNG without alpha or palette" % name,
                        "(bit depth, colour type) = (8, 2)", hdr):
            continue
        img = Image.open(path)
        img.load()
        if c.expect(img.mode == "RGB", "pix/%s opens in mode RGB" % name, "RGB", img.mode):
            pics[name] = img


def check_ground(c, img):
    c.expect(img.size == (800, 200), "ground size", (800, 200), img.size)
    if img.size != (800, 200):
        return
    px = img.load()
    wrong = [(x, y, px[x, y]) for y in range(150, 200) for x in range(800) if px[x, y] != GROUND_GREEN]
    c.expect(not wrong, "ground rows 150..199 all %s" % (GROUND_GREEN,),
             "0 other pixels", "%d, first %s" % (len(wrong), wrong[:1]))
    black = [(x, y) for y in range(150) for x in range(800) if px[x, y] == BLACK]
    c.expect(not black, "ground has no pure black", "0 pixels", "%d, first %s" % (len(black), black[:1]))
    worst = max(max(abs(px[x, 149][i] - GROUND_GREEN[i]) for i in range(3)) for x in range(800))
    c.expect(worst <= 16, "ground row 149 blends into the flat green",
             "channel difference <= 16", worst)
    colours = len(set(px[x, y] for y in range(150) for x in range(800)))
    c.expect(colours >= 200, "ground rows 0..149 hold a landscape", ">= 200 colours", colours)
    sky = lum(px[400, 0]) > lum(GROUND_GREEN) and px[400, 0][2] > px[400, 0][1]
    c.expect(sky, "ground top row is sky-coloured (bluish, light)", "blue > green, light", px[400, 0])


def check_menu(c, img):
    c.expect(img.size == (500, 420), "menu size", (500, 420), img.size)
    if img.size != (500, 420):
        return
    px = img.load()
    w, h = img.size
    all_px = [px[x, y] for y in range(h) for x in range(w)]
    for colour, what in ((BLACK, "pure black"), ((255, 255, 255), "pure white (labels are white)")):
        count = all_px.count(colour)
        c.expect(count == 0, "menu has no %s" % what, "0 pixels", count)
    mean = sum(lum(p) for p in all_px) / len(all_px)
    c.expect(mean < 80, "menu is dark behind the white labels", "mean luminance < 80", round(mean, 1))

    def region(x, y, rw, rh):
        return [lum(px[i, j]) for j in range(y, y + rh) for i in range(x, x + rw)]

    for name, (x, y, rw, rh) in MENU_BUTTONS.items():
        inside = region(x + 3, y + 3, rw - 6, rh - 6)
        spread = max(inside) - min(inside)
        c.expect(spread <= 16, "menu %s button inside is plain" % name,
                 "luminance spread <= 16", round(spread, 1))
        fill = sum(inside) / len(inside)
        edges = [region(x, y, rw, 1), region(x, y + rh - 1, rw, 1),
                 region(x, y, 1, rh), region(x + rw - 1, y, 1, rh)]
        brightest = max(sum(e) / len(e) for e in edges)
        c.expect(brightest >= fill + 40, "menu %s button has a lighter frame line" % name,
                 "edge luminance >= %.0f" % (fill + 40), round(brightest, 1))
    for name, (x, y, rw, rh) in MENU_FREE_LABELS.items():
        area = region(x, y, rw, rh)
        spread = max(area) - min(area)
        c.expect(spread <= 16, "menu area under '%s' is plain" % name,
                 "luminance spread <= 16", round(spread, 1))


def check_sprites(c, pics):
    for name in SPRITES:
        img = pics.get(name)
        if img is None:
            continue
        w, h = img.size
        px = img.load()
        corners = [px[0, 0], px[w - 1, 0], px[0, h - 1], px[w - 1, h - 1]]
        c.expect(corners == [BLACK] * 4, "%s has a black background (corners)" % name,
                 [BLACK] * 4, corners)
        holes = enclosed_black(img)
        c.expect(holes == 0, "%s uses black only as background" % name,
                 "0 enclosed black pixels", holes)
        share = len(visible(img)) / float(w * h)
        c.expect(share >= 0.2, "%s is not mostly empty" % name, "visible share >= 0.2", round(share, 2))


def barrel_elevation(pics, side):
    """Elevation in degrees of each cannon, from the pixels unique to it.

    The principal axis of those pixels gives the barrel's direction; it is
    signed so that pointing toward the enemy (right for the left tank) is
    positive.
    """
    aims = ("up", "middle", "down")
    vis = {a: visible(pics["%stank%s.png" % (side, a)]) for a in aims}
    body = set.intersection(*vis.values())
    body_y = sum(y for _, y in body) / max(len(body), 1)
    result = {}
    for a in aims:
        own = vis[a] - set().union(*(vis[o] for o in aims if o != a))
        if len(own) < 10:
            result[a] = None
            continue
        n = float(len(own))
        mx = sum(x for x, _ in own) / n
        my = sum(y for _, y in own) / n
        cxx = sum((x - mx) ** 2 for x, _ in own) / n
        cyy = sum((y - my) ** 2 for _, y in own) / n
        cxy = sum((x - mx) * (y - my) for x, y in own) / n
        # Image y grows downwards, hence the sign flip.
        angle = -0.5 * math.degrees(math.atan2(2 * cxy, cxx - cyy))
        if side == "right":
            angle = -angle
        result[a] = (angle, my < body_y)
    return result


def check_tanks(c, pics):
    for side in ("left", "right"):
        names = ["%stank%s.png" % (side, a) for a in ("up", "middle", "down")]
        if any(n not in pics for n in names):
            continue
        sizes = [pics[n].size for n in names]
        c.expect(len(set(sizes)) == 1, "%s tank pictures share one size" % side,
                 "equal sizes", sizes)
        w, h = sizes[0]
        c.expect(w <= 44 and h <= 50, "%s tank fits 44x50" % side, "<= (44, 50)", (w, h))
        if len(set(sizes)) != 1:
            continue
        olive = mean_colour(pics[names[1]], visible(pics[names[1]]))
        c.expect(olive[1] >= olive[2] + 25 and olive[0] >= olive[2] + 15 and olive[1] - olive[0] < 60,
                 "%s tank is olive" % side, "green >= red > blue", tuple(round(v) for v in olive))
        elev = barrel_elevation(pics, side)
        found = all(elev[a] is not None for a in elev)
        if not c.expect(found, "%s tank cannons differ between up/middle/down" % side,
                        ">= 10 distinct pixels each", elev):
            continue
        above = all(e[1] for e in elev.values())
        c.expect(above, "%s tank cannons stick out above the hull" % side)
        up, mid, down = elev["up"][0], elev["middle"][0], elev["down"][0]
        ranges = 55 <= up < 90 and 30 <= mid <= 60 and 0 < down <= 35 and up > mid > down
        toward = "upper right" if side == "left" else "upper left"
        c.expect(ranges, "%s tank cannon points %s: steep, 45 degrees, flat" % (side, toward),
                 "up 55..90 > middle 30..60 > down 0..35 degrees",
                 "up %.0f, middle %.0f, down %.0f" % (up, mid, down))


def check_bullets(c, pics):
    for name in BULLETS:
        img = pics.get(name)
        if img is None:
            continue
        c.expect(img.size[0] <= 10 and img.size[1] <= 10, "%s fits 10x10" % name, "<= (10, 10)", img.size)
        colour = mean_colour(img, visible(img))
        bright = colour[0] >= 200 and colour[1] >= 120 and colour[2] < colour[1]
        c.expect(bright, "%s is bright yellow/orange" % name, "red >= 200, green >= 120 > blue",
                 tuple(round(v) for v in colour))


def check_planes(c, pics):
    colours = {}
    masks = {}
    for kind in (1, 2, 3):
        r, l = pics.get("p%dr.png" % kind), pics.get("p%dl.png" % kind)
        if r is None or l is None:
            continue
        w, h = r.size
        c.expect(40 <= w <= 80 and h <= 50, "p%dr.png is 40..80 wide and at most 50 high" % kind,
                 "40..80 x <= 50", r.size)
        mirrored = r.transpose(Image.FLIP_LEFT_RIGHT)
        same = l.size == r.size and list(l.getdata()) == list(mirrored.getdata())
        c.expect(same, "p%dl.png is exactly the mirror of p%dr.png" % (kind, kind))
        colours[kind] = mean_colour(r, visible(r))
        masks[kind] = (r.size, frozenset(visible(r)))
    if len(colours) == 3:
        for a, b in ((1, 2), (1, 3), (2, 3)):
            dist = math.sqrt(sum((colours[a][i] - colours[b][i]) ** 2 for i in range(3)))
            c.expect(dist >= 40, "planes %d and %d have distinct colours" % (a, b),
                     "mean colour distance >= 40", round(dist, 1))
        c.expect(len(set(masks.values())) == 3, "the three plane kinds have different shapes")


def check_explosions(c, pics):
    imgs = [pics.get(n) for n in EXPLOSIONS]
    if any(i is None for i in imgs):
        return
    for name, img in zip(EXPLOSIONS, imgs):
        c.expect(img.size[0] <= 70 and img.size[1] <= 70, "%s fits 70x70" % name, "<= (70, 70)", img.size)
    areas = [len(visible(i)) for i in imgs]
    spans = [max(i.getbbox()[2] - i.getbbox()[0], i.getbbox()[3] - i.getbbox()[1])
             if i.getbbox() else 0 for i in imgs]
    c.expect(areas[0] < areas[1] < areas[2], "explosion grows from exp1 to exp3",
             "increasing visible areas", areas[:3])
    c.expect(spans[0] < spans[1] < spans[2] < spans[3], "explosion extent grows up to exp4",
             "increasing extents", spans)
    glow = [lum(mean_colour(i, visible(i))) for i in imgs]
    c.expect(glow[3] < glow[2], "exp4 fades (darker on average than exp3)",
             "< %.0f" % glow[2], round(glow[3]))



def check_sounds(c):
    for name, seconds in SOUND_SECONDS.items():
        path = os.path.join(ROOT, "sound", name)
        if not c.expect(os.path.isfile(path), "sound/%s exists" % name):
            continue
        with wave.open(path, "rb") as w:
            params = (w.getsampwidth(), w.getframerate(), w.getcomptype())
            channels, frames = w.getnchannels(), w.getnframes()
            data = w.readframes(frames)
        if not c.expect(params == (2, 22050, "NONE") and channels in (1, 2),
                        "sound/%s is 16-bit PCM at 22050 Hz" % name,
                        "(2 bytes, 22050, NONE)", params):
            continue
        length = frames / 22050.0
        c.expect(abs(length - seconds) <= 0.2 * seconds, "sound/%s lasts about %.1f s" % (name, seconds),
                 "%.2f..%.2f s" % (seconds * 0.8, seconds * 1.2), "%.3f s" % length)
        samples = struct.unpack("<%dh" % (len(data) // 2), data)
        peak = max(abs(s) for s in samples) if samples else 0
        c.expect(4000 <= peak <= 32000, "sound/%s is audible and not clipped" % name,
                 "peak 4000..32000", peak)
        ends = [abs(s) for s in samples[:channels] + samples[-channels:]]
        c.expect(max(ends) <= 200, "sound/%s fades in and out" % name,
                 "first and last sample <= 200", ends)


def check_reproducible(c):
    """Regenerating into an empty directory must give the very same bytes."""
    gen = os.path.join(ROOT, "tools", "genassets.py")
    with tempfile.TemporaryDirectory() as out:
        run = subprocess.run([sys.executable, gen, out], capture_output=True, text=True)
        if not c.expect(run.returncode == 0, "genassets.py runs", "exit 0",
                        "exit %d: %s" % (run.returncode, run.stderr.strip()[-500:])):
            return
        made = sorted(os.path.join(d, f) for d in ("pix", "sound")
                      for f in os.listdir(os.path.join(out, d)))
        wanted = sorted([os.path.join("pix", p) for p in PICTURES] +
                        [os.path.join("sound", s) for s in SOUND_SECONDS])
        c.expect(made == wanted, "genassets.py writes exactly the asset files",
                 wanted, made)
        differ = []
        for rel in wanted:
            fresh, kept = os.path.join(out, rel), os.path.join(ROOT, rel)
            if not (os.path.isfile(fresh) and os.path.isfile(kept)):
                differ.append(rel)
                continue
            with open(fresh, "rb") as a, open(kept, "rb") as b:
                if a.read() != b.read():
                    differ.append(rel)
        c.expect(not differ, "committed assets match a fresh generation byte for byte",
                 "no differences", differ)


def main():
    c = Checks()
    pics = {}
    check_format(c, pics)
    if "hintergrund.png" in pics:
        check_ground(c, pics["hintergrund.png"])
    if "menu.png" in pics:
        check_menu(c, pics["menu.png"])
    check_sprites(c, pics)
    check_tanks(c, pics)
    check_bullets(c, pics)
    check_planes(c, pics)
    check_explosions(c, pics)
    check_sounds(c)
    check_reproducible(c)
    print("%d passed, %d failed" % (c.passed, c.failed))
    return 1 if c.failed else 0


if __name__ == "__main__":
    sys.exit(main())
