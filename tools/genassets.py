#!/usr/bin/python3
"""Generate every picture and sound of zevo.

Usage: genassets.py [outdir]    (default: the repository root)

The output is byte-for-byte deterministic: all randomness comes from
fixed-seed generators, one per asset, so assets do not depend on each other.
"""

import math
import os
import random
import struct
import sys
import wave

from PIL import Image, ImageDraw

GROUND_GREEN = (37, 226, 27)
OUTLINE = (22, 22, 22)
SUPERSAMPLE = 4
RATE = 22050

PICTURES = [
    "hintergrund.png", "menu.png",
    "lefttankup.png", "lefttankmiddle.png", "lefttankdown.png",
    "righttankup.png", "righttankmiddle.png", "righttankdown.png",
    "leftbullet.png", "rightbullet.png",
    "p1r.png", "p1l.png", "p2r.png", "p2l.png", "p3r.png", "p3l.png",
    "exp1.png", "exp2.png", "exp3.png", "exp4.png",
]
SOUNDS = ["planes.wav", "shot.wav", "explosion.wav", "applause.wav"]


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def rgb(c):
    return tuple(int(round(clamp(v, 0, 255))) for v in c)


def not_black(c):
    # Pure black is the colour key: a visible pixel must never hit it.
    return (20, 20, 20) if c == (0, 0, 0) else c


class Sprite:
    """Vector drawing in sprite pixel units, rendered supersampled.

    Coverage is thresholded to a hard mask (the game only has a colour key),
    while colours inside the shape keep their anti-aliased blends.
    """

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SUPERSAMPLE, h * SUPERSAMPLE), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.img)

    @staticmethod
    def _pts(points):
        return [(x * SUPERSAMPLE, y * SUPERSAMPLE) for x, y in points]

    def poly(self, points, fill):
        self.draw.polygon(self._pts(points), fill=rgb(fill) + (255,))

    def ellipse(self, x0, y0, x1, y1, fill):
        self.draw.ellipse(self._pts([(x0, y0), (x1, y1)]), fill=rgb(fill) + (255,))

    def circle(self, cx, cy, r, fill):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, fill)

    def rect(self, x0, y0, x1, y1, fill, radius=0):
        box = self._pts([(x0, y0), (x1, y1)])
        if radius:
            self.draw.rounded_rectangle(box, radius * SUPERSAMPLE, fill=rgb(fill) + (255,))
        else:
            self.draw.rectangle(box, fill=rgb(fill) + (255,))

    def bar(self, x0, y0, x1, y1, width, fill):
        """A straight bar of the given width between two points."""
        dx, dy = x1 - x0, y1 - y0
        n = math.hypot(dx, dy)
        px, py = -dy / n * width / 2, dx / n * width / 2
        self.poly([(x0 + px, y0 + py), (x1 + px, y1 + py),
                   (x1 - px, y1 - py), (x0 - px, y0 - py)], fill)

    def finish(self, outline=True):
        small = self.img.resize((self.w, self.h), Image.BOX)
        src = small.load()
        out = Image.new("RGB", (self.w, self.h), (0, 0, 0))
        dst = out.load()
        visible = [[src[x, y][3] >= 128 for x in range(self.w)] for y in range(self.h)]
        for y in range(self.h):
            for x in range(self.w):
                if not visible[y][x]:
                    continue
                c = src[x, y][:3]
                if outline and self._on_edge(visible, x, y):
                    c = mix(c, OUTLINE, 0.55)
                dst[x, y] = not_black(rgb(c))
        return out

    def _on_edge(self, visible, x, y):
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            nx, ny = x + dx, y + dy
            if not (0 <= nx < self.w and 0 <= ny < self.h) or not visible[ny][nx]:
                return True
        return False


class ValueNoise:
    """Smooth 2D noise on a periodic lattice, for organic textures."""

    def __init__(self, rnd, cells):
        self.cells = cells
        self.grid = [[rnd.random() for _ in range(cells)] for _ in range(cells)]

    def at(self, u, v):
        """u, v in [0, 1): result in [0, 1]."""
        x, y = u * self.cells, v * self.cells
        x0, y0 = int(math.floor(x)), int(math.floor(y))
        fx, fy = x - x0, y - y0
        fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
        g, n = self.grid, self.cells
        a = g[y0 % n][x0 % n] + (g[y0 % n][(x0 + 1) % n] - g[y0 % n][x0 % n]) * fx
        b = g[(y0 + 1) % n][x0 % n] + (g[(y0 + 1) % n][(x0 + 1) % n] - g[(y0 + 1) % n][x0 % n]) * fx
        return a + (b - a) * fy


# ---------------------------------------------------------------- ground

def ridge(x, base, waves):
    return base + sum(a * math.sin(x * f + p) for a, f, p in waves)


def make_ground():
    w, h = 800, 200
    rnd = random.Random(1001)
    img = Image.new("RGB", (w, h), GROUND_GREEN)
    px = img.load()

    sky_top, sky_low = (176, 160, 226), (214, 204, 240)
    # Far range: overlapping peaks, the taller ones further back.
    peaks = sorted(((rnd.uniform(-40, w + 40), rnd.uniform(20, 46), rnd.uniform(0.35, 0.6),
                     rnd.uniform(-6, 6)) for _ in range(11)), key=lambda p: p[1])
    mtn = [min(py + abs(x - pxx) * sl for pxx, py, sl, _ in peaks) for x in range(w)]
    mid_waves = [(9, 0.008, 1.9), (5, 0.023, 0.3), (2, 0.061, 5.1)]
    mid = [ridge(x, 80, mid_waves) for x in range(w)]

    for x in range(w):
        for y in range(150):
            c = mix(sky_top, sky_low, clamp(y / 70.0))
            cov = clamp(y + 1 - mtn[x])
            if cov > 0:
                front = None
                for peak in peaks:
                    if y + 1 >= peak[1] + abs(x - peak[0]) * peak[2]:
                        front = peak
                pxx, py, sl, tint = front or peaks[0]
                depth = clamp((y - py) / 60.0)
                m = mix((128 + tint, 118 + tint, 188), (150, 146, 202), depth)
                # Light from the left: the right faces are in shade.
                if x > pxx + 1.2 * math.sin(y * 0.3 + pxx):
                    m = mix(m, (100, 92, 166), 0.4)
                snow = py + 7 + 2 * math.sin(x * 0.35 + pxx) + math.sin(x * 0.9)
                if py < 36 and y < snow:
                    m = mix(m, (232, 230, 246), clamp(snow - y))
                c = mix(c, m, cov)
            cov = clamp(y + 1 - mid[x])
            if cov > 0:
                depth = clamp((y - mid[x]) / 35.0)
                c = mix(c, mix((78, 150, 112), (70, 165, 95), depth), cov)
            px[x, y] = rgb(c)

    # Conifers along the middle hills, behind the near hills.
    trees = Sprite(w, h)
    for _ in range(70):
        x = rnd.uniform(4, w - 4)
        base = ridge(x, 80, mid_waves) + rnd.uniform(2, 14)
        th = rnd.uniform(7, 14)
        tw = th * rnd.uniform(0.38, 0.5)
        shade = rnd.uniform(0.0, 1.0)
        trunk = (74, 60, 44)
        trees.rect(x - 0.6, base - 2, x + 0.6, base + 1, trunk)
        dark = mix((34, 96, 58), (44, 112, 66), shade)
        light = mix(dark, (90, 160, 100), 0.35)
        trees.poly([(x, base - th), (x + tw, base - 1), (x - tw, base - 1)], dark)
        trees.poly([(x, base - th), (x + tw * 0.15, base - 1.5), (x - tw * 0.85, base - 1.5)], light)
    tree_layer = trees.img.resize((w, h), Image.BOX)
    img = Image.alpha_composite(img.convert("RGBA"), tree_layer).convert("RGB")
    px = img.load()

    near_waves = [(7, 0.006, 0.2), (4, 0.017, 2.6), (1.5, 0.049, 1.0)]
    near = [ridge(x, 108, near_waves) for x in range(w)]
    hill_top = (72, 196, 52)
    grass_noise = ValueNoise(rnd, 40)
    for x in range(w):
        for y in range(int(near[x]), 150):
            cov = clamp(y + 1 - near[x])
            # Blend the hill colour into the flat ground by row 150.
            t = clamp((y - near[x]) / (150.0 - near[x]))
            g = mix(hill_top, GROUND_GREEN, t * t * (3 - 2 * t))
            n = (grass_noise.at(x / w, y / 150.0) - 0.5) * 14 * (1 - t)
            g = (g[0] + n * 0.3, g[1] + n, g[2] + n * 0.2)
            px[x, y] = rgb(mix(px[x, y], g, cov))

    # Grass blades and a few flowers; fading out well before row 150.
    for _ in range(1400):
        x = rnd.randrange(w)
        y0 = rnd.uniform(near[x] + 2, 140)
        t = (y0 - near[x]) / (150.0 - near[x])
        if rnd.random() < t * 1.1:
            continue
        length = rnd.randint(2, 4)
        lean = rnd.choice((-1, 0, 0, 1))
        tone = rnd.choice(((30, 150, 30), (110, 225, 70)))
        for i in range(length):
            yy = int(y0) - i
            xx = x + (lean if i == length - 1 else 0)
            if 0 <= xx < w and near[xx] + 1 < yy < 142:
                px[xx, yy] = rgb(mix(px[xx, yy], tone, 0.55))
    for _ in range(60):
        x = rnd.randrange(2, w - 2)
        y = int(rnd.uniform(near[x] + 4, 132))
        if y < 142:
            petal = rnd.choice(((250, 236, 90), (236, 230, 236), (240, 140, 190)))
            px[x, y] = petal
            px[x, y + 1] = rgb(mix(petal, (60, 150, 40), 0.6))

    for y in range(150, h):
        for x in range(w):
            px[x, y] = GROUND_GREEN
    for y in range(150):
        for x in range(w):
            px[x, y] = not_black(px[x, y])
    return img


# ---------------------------------------------------------------- menu

PANEL_W, PANEL_H = 500, 420
BUTTONS = {
    "quit": (0, 0, 80, 80),
    "tally": (166, 21, 220, 60),
    "leftkind": (73, 93, 177, 37),
    "rightkind": (321, 93, 177, 37),
    "leftskill": (73, 130, 177, 40),
    "rightskill": (321, 130, 177, 37),
    "reset": (31, 216, 110, 62),
    "sound": (31, 292, 110, 62),
    "slower": (300, 248, 30, 30),
    "faster": (400, 248, 30, 30),
    "start": (280, 344, 155, 56),
}


def bevel_box(d, x, y, w, h, fill, light, dark, sunken=False):
    if sunken:
        light, dark = dark, light
    # A gentle sheen: smooth enough to keep the labels readable.
    for i in range(h):
        shade = 10 * (1 - i / max(h - 1, 1)) - 3
        if sunken:
            shade = -shade * 0.5
        d.line([(x, y + i), (x + w - 1, y + i)], fill=rgb(tuple(v + shade for v in fill)))
    for i in range(2):
        d.line([(x + i, y + h - 1 - i), (x + i, y + i), (x + w - 1 - i, y + i)], fill=light)
        d.line([(x + w - 1 - i, y + i + 1), (x + w - 1 - i, y + h - 1 - i),
                (x + i + 1, y + h - 1 - i)], fill=dark)


def paste_sprite(dst, sprite, x, y):
    mask = sprite.convert("L").point(lambda v: 255 if v else 0)
    dst.paste(sprite, (x, y), mask)


def make_menu(sprites):
    img = Image.new("RGB", (PANEL_W, PANEL_H))
    px = img.load()
    top, bottom = (38, 36, 60), (26, 26, 42)
    for y in range(PANEL_H):
        c = rgb(mix(top, bottom, y / (PANEL_H - 1.0)))
        for x in range(PANEL_W):
            px[x, y] = c
    d = ImageDraw.Draw(img)
    # Faint hills along the bottom, under the decoration tank.
    for x in range(3, PANEL_W - 3):
        top = 398 + 6 * math.sin(x * 0.017 + 0.8) + 3 * math.sin(x * 0.051)
        d.line([(x, int(top)), (x, PANEL_H - 4)], fill=(44, 44, 70))
    d.rectangle([0, 0, PANEL_W - 1, PANEL_H - 1], outline=(110, 108, 160))
    d.rectangle([2, 2, PANEL_W - 3, PANEL_H - 3], outline=(64, 62, 98))

    light, dark = (160, 156, 214), (18, 18, 30)
    plain = (54, 52, 88)
    fills = {"quit": (96, 38, 52), "start": (40, 96, 58), "tally": (20, 20, 34)}
    for name, (x, y, w, h) in BUTTONS.items():
        bevel_box(d, x, y, w, h, fills.get(name, plain), light, dark, sunken=(name == "tally"))
    # Sunken display for the speed digits, between "<" and ">"; its top is
    # kept below the descenders of the label above.
    bevel_box(d, 336, 252, 58, 26, (20, 20, 34), light, dark, sunken=True)
    # Divider under the player rows.
    d.line([(20, 190), (PANEL_W - 21, 190)], fill=(70, 68, 108))
    d.line([(20, 191), (PANEL_W - 21, 191)], fill=(20, 20, 32))

    paste_sprite(img, sprites["lefttankmiddle.png"], 64, 364)
    paste_sprite(img, sprites["p1l.png"], 436, 214)
    paste_sprite(img, sprites["exp2.png"], 450, 180)
    paste_sprite(img, sprites["leftbullet.png"], 120, 356)
    paste_sprite(img, sprites["leftbullet.png"], 150, 330)
    return img


# ---------------------------------------------------------------- tanks

TANK_W, TANK_H = 44, 44
TANK_ANGLES = {"up": 72, "middle": 45, "down": 20}


def make_tank(angle_deg):
    """The left tank; its cannon points to the upper right."""
    s = Sprite(TANK_W, TANK_H)
    olive, olive_dark, olive_light = (112, 124, 52), (84, 94, 38), (148, 160, 78)
    pivot = (20.0, 25.0)
    a = math.radians(angle_deg)
    ux, uy = math.cos(a), -math.sin(a)
    nx, ny = -uy, ux
    # Dark seam between the twin barrels; a gap would let the sky through.
    s.bar(pivot[0], pivot[1], pivot[0] + ux * 21, pivot[1] + uy * 21, 5.0, (54, 58, 30))
    for off in (-1.6, 1.6):
        x0, y0 = pivot[0] + nx * off, pivot[1] + ny * off
        x1, y1 = x0 + ux * 21, y0 + uy * 21
        s.bar(x0, y0, x1, y1, 2.2, (86, 94, 42))
        s.bar(x0 + ux * 17, y0 + uy * 17, x1, y1, 3.0, (112, 120, 58))

    s.rect(1.5, 33, 42.5, 43.5, (58, 60, 50), radius=4.5)
    for wx in (7, 14, 21.5, 29, 36.5):
        s.circle(wx, 38.5, 3.3, (128, 128, 112))
        s.circle(wx, 38.5, 1.3, (82, 82, 70))
    s.poly([(0.5, 34.5), (43.5, 34.5), (40, 27), (5, 27)], olive)
    s.poly([(5, 27), (40, 27), (40.8, 28.6), (4.3, 28.6)], olive_light)
    s.ellipse(7, 30, 13, 33, olive_dark)
    s.ellipse(24, 29.5, 33, 33, olive_dark)
    s.ellipse(10, 15.5, 30, 35, olive)
    s.ellipse(12.5, 17.5, 22, 24, olive_light)
    s.rect(19, 15, 22, 18, olive_dark)
    s.circle(pivot[0], pivot[1] + 0.5, 2.2, olive_dark)
    return s.finish()


# ---------------------------------------------------------------- bullet

def make_bullet():
    s = Sprite(6, 6)
    s.circle(3, 3, 3, (255, 140, 30))
    s.circle(3, 3, 2.2, (255, 200, 50))
    s.circle(2.6, 2.6, 1.3, (255, 248, 170))
    return s.finish(outline=False)


# ---------------------------------------------------------------- planes

def make_plane1():
    """Red propeller fighter, facing right."""
    s = Sprite(60, 26)
    body, dark, light = (206, 44, 40), (150, 28, 30), (236, 110, 96)
    s.poly([(3, 3), (8, 3), (15, 10), (6, 12)], dark)
    s.poly([(4, 10), (20, 8), (44, 7.5), (51, 9), (54.5, 13), (51, 17.5),
            (44, 18.5), (20, 17), (6, 14)], body)
    s.poly([(20, 9), (44, 8.5), (50, 10), (44, 11), (20, 11)], light)
    s.ellipse(1.5, 11, 16, 14.5, dark)
    s.ellipse(21, 14, 43, 20, dark)
    s.ellipse(24, 14.5, 40, 16.5, light)
    s.ellipse(31, 3.5, 44, 11, (60, 90, 120))
    s.ellipse(32.5, 4.5, 42.5, 10, (150, 212, 242))
    s.ellipse(35, 5.2, 39, 7, (226, 240, 250))
    s.circle(17, 12.7, 2.8, (236, 232, 226))
    s.circle(17, 12.7, 1.4, (40, 70, 170))
    s.ellipse(53, 10, 58.5, 16, (150, 150, 156))
    s.ellipse(55.5, 1.5, 58.5, 24.5, (190, 192, 200))
    s.ellipse(56.2, 3, 57.8, 23, (230, 230, 236))
    return s.finish()


def make_plane2():
    """Blue-grey twin-engine bomber, facing right."""
    s = Sprite(78, 32)
    body, dark, light = (96, 126, 168), (62, 84, 118), (150, 176, 210)
    s.poly([(2, 2), (10, 2), (20, 12), (6, 14)], dark)
    s.poly([(3, 12), (22, 10), (60, 9.5), (70, 11), (75, 15), (70, 20),
            (60, 21.5), (22, 21), (6, 17)], body)
    s.poly([(22, 11), (60, 10.5), (68, 12), (60, 13), (22, 13)], light)
    s.ellipse(1, 13.5, 20, 17.5, dark)
    s.ellipse(66, 10, 77, 20, (120, 190, 226))
    s.ellipse(68, 11.5, 74, 14.5, (214, 236, 248))
    s.ellipse(50, 6, 60, 11.5, (60, 80, 110))
    s.ellipse(51.5, 7, 58.5, 10.5, (150, 208, 236))
    s.ellipse(28, 17, 58, 24, dark)
    for ex in (36, 48):
        s.rect(ex - 2, 19, ex + 10, 26, (78, 100, 136), radius=3)
        s.rect(ex + 9.5, 20.5, ex + 11.5, 24.5, (150, 150, 156))
        s.ellipse(ex + 11, 16.5, ex + 13.2, 29.5, (196, 198, 206))
    for i in range(6):
        s.circle(26 + i * 4.2, 15.5, 0.9, (200, 222, 240))
    s.circle(14, 15, 2.6, (236, 232, 226))
    s.circle(14, 15, 1.3, (200, 40, 40))
    return s.finish()


def make_plane3():
    """Yellow jet with an afterburner, facing right."""
    s = Sprite(56, 22)
    body, dark, stripe = (236, 204, 44), (190, 150, 26), (214, 96, 28)
    s.poly([(0.5, 9.5), (5, 8), (5, 15), (0.5, 13.5)], (255, 150, 40))
    s.poly([(1.5, 10.5), (5, 9.5), (5, 13.5), (1.5, 12.5)], (255, 236, 140))
    s.poly([(4, 1.5), (9, 1.5), (18, 9), (6, 10)], dark)
    s.poly([(4, 8), (20, 7.5), (38, 7.5), (48, 9.5), (55.5, 12), (48, 14),
            (38, 15.5), (20, 15.5), (4, 15)], body)
    s.poly([(8, 11), (44, 10.8), (50, 11.8), (44, 12.8), (8, 13)], stripe)
    s.poly([(18, 13), (34, 13), (28, 19.5), (22, 19.5)], dark)
    s.ellipse(33, 4.5, 45, 10.5, (50, 70, 90))
    s.ellipse(34.5, 5.5, 43.5, 9.5, (130, 200, 236))
    s.ellipse(37, 6, 40.5, 7.5, (220, 240, 250))
    return s.finish()


# ---------------------------------------------------------------- explosions

EXPLOSION_SIZES = [24, 38, 54, 68]


def make_explosion(stage):
    """stage 0..3: a fireball that grows and burns out into smoke."""
    size = EXPLOSION_SIZES[stage]
    rnd = random.Random(2001 + stage)
    edge_noise = [(rnd.uniform(0.05, 0.12), k, rnd.uniform(0, 2 * math.pi))
                  for k in (3, 5, 7, 11)]
    tex = ValueNoise(rnd, 6)
    holes = ValueNoise(rnd, 5)
    img = Image.new("RGB", (size, size), (0, 0, 0))
    px = img.load()
    c = (size - 1) / 2.0
    radius = size / 2.0 - 1.5
    heat = [1.0, 0.92, 0.75, 0.3][stage]
    ramp = [(0.0, (255, 252, 214)), (0.28, (255, 232, 96)), (0.55, (255, 150, 34)),
            (0.8, (222, 64, 24)), (1.0, (130, 36, 24))]
    smoke = (92, 80, 76)
    for y in range(size):
        for x in range(size):
            dx, dy = x - c, y - c
            ang = math.atan2(dy, dx)
            edge = radius * (1 - sum(a * (1 + math.sin(k * ang + p)) / 2 for a, k, p in edge_noise))
            r = math.hypot(dx, dy) / edge
            if r > 1.0:
                continue
            n = tex.at(x / size, y / size)
            if stage == 3 and holes.at(x / size, y / size) * (0.4 + r) > 0.72:
                continue
            t = clamp(r * 0.8 + (n - 0.5) * 0.5 + (1 - heat) * 0.55)
            col = ramp[-1][1]
            for (t0, c0), (t1, c1) in zip(ramp, ramp[1:]):
                if t <= t1:
                    col = mix(c0, c1, (t - t0) / (t1 - t0))
                    break
            if stage >= 2:
                col = mix(col, smoke, clamp((r - 0.55) * (stage - 1) * 1.2 + (n - 0.5) * 0.5))
            px[x, y] = not_black(rgb(col))
    return img


# ---------------------------------------------------------------- sounds

def fade(samples, fade_in, fade_out):
    n = len(samples)
    a, b = int(fade_in * RATE), int(fade_out * RATE)
    for i in range(a):
        samples[i] *= i / a
    for i in range(b):
        samples[n - 1 - i] *= i / b
    samples[0] = samples[-1] = 0.0
    return samples


def normalise(samples, peak):
    m = max(abs(v) for v in samples) or 1.0
    return [v * peak / m for v in samples]


def lowpass(samples, k):
    out, y = [], 0.0
    for v in samples:
        y += k * (v - y)
        out.append(y)
    return out


def make_planes():
    rnd = random.Random(3001)
    n = int(1.5 * RATE)
    # Whole numbers of cycles over the clip so that it loops smoothly.
    f0, f1, prop = 80.0, 82.0, 20.0
    noise = lowpass([rnd.uniform(-1, 1) for _ in range(n)], 0.08)
    out = []
    for i in range(n):
        t = i / RATE
        v = 0.0
        for k in range(1, 9):
            v += math.sin(2 * math.pi * k * f0 * t + k * 0.7) / k
            v += 0.6 * math.sin(2 * math.pi * k * f1 * t + k * 1.3) / k
        v *= 1 + 0.35 * math.sin(2 * math.pi * prop * t)
        out.append(v + 2.5 * noise[i])
    return fade(normalise(out, 0.6), 0.01, 0.01)


def make_shot():
    rnd = random.Random(3002)
    n = int(0.2 * RATE)
    noise = lowpass([rnd.uniform(-1, 1) for _ in range(n)], 0.5)
    out, phase = [], 0.0
    for i in range(n):
        t = i / RATE
        freq = 90 + 360 * math.exp(-t / 0.03)
        phase += 2 * math.pi * freq / RATE
        v = noise[i] * math.exp(-t / 0.025) + 0.8 * math.sin(phase) * math.exp(-t / 0.06)
        out.append(v)
    return fade(normalise(out, 0.85), 0.002, 0.02)


def make_explosion_sound():
    rnd = random.Random(3003)
    n = int(0.8 * RATE)
    out, y1, y2, phase = [], 0.0, 0.0, 0.0
    for i in range(n):
        t = i / RATE
        # Darker and darker rumble as it dies away.
        k = 0.35 * math.exp(-t / 0.2) + 0.03
        y1 += k * (rnd.uniform(-1, 1) - y1)
        y2 += k * (y1 - y2)
        crackle = rnd.uniform(-1, 1) if rnd.random() < 0.02 * math.exp(-t / 0.3) else 0.0
        phase += 2 * math.pi * (30 + 30 * math.exp(-t / 0.15)) / RATE
        env = math.exp(-t / 0.22)
        out.append((3.0 * y2 + 0.4 * crackle + 0.5 * math.sin(phase)) * env)
    return fade(normalise(out, 0.9), 0.004, 0.06)


def make_applause():
    rnd = random.Random(3004)
    duration = 2.5
    n = int(duration * RATE)
    out = [0.0] * n
    clap_len = int(0.03 * RATE)
    for _ in range(28):
        t = rnd.uniform(0.0, 0.25)
        period = rnd.uniform(0.16, 0.26)
        loud = rnd.uniform(0.4, 1.0)
        k = rnd.uniform(0.25, 0.7)
        while t < duration - 0.05:
            start = int(t * RATE)
            amp = loud * rnd.uniform(0.6, 1.0)
            prev, y = 0.0, 0.0
            for j in range(min(clap_len, n - start)):
                w = rnd.uniform(-1, 1)
                y += k * ((w - prev) - y)
                prev = w
                out[start + j] += amp * y * math.exp(-j / (0.005 * RATE))
            t += period * rnd.uniform(0.85, 1.15)
    # Soft-limit the chance pile-ups of claps so the crowd is not too quiet.
    rms = math.sqrt(sum(v * v for v in out) / n)
    out = [math.tanh(v / (2.5 * rms)) for v in out]
    for i in range(n):
        t = i / RATE
        out[i] *= clamp(t / 0.25) * clamp((duration - t) / 0.9)
    return fade(normalise(out, 0.8), 0.01, 0.05)


def write_wav(path, samples):
    data = b"".join(struct.pack("<h", int(round(clamp(v, -1, 1) * 32767))) for v in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data)


# ---------------------------------------------------------------- main

def mirror(img):
    return img.transpose(Image.FLIP_LEFT_RIGHT)


def build_pictures():
    pics = {}
    for name, angle in TANK_ANGLES.items():
        left = make_tank(angle)
        pics["lefttank%s.png" % name] = left
        pics["righttank%s.png" % name] = mirror(left)
    pics["leftbullet.png"] = make_bullet()
    pics["rightbullet.png"] = mirror(pics["leftbullet.png"])
    for kind, maker in ((1, make_plane1), (2, make_plane2), (3, make_plane3)):
        right = maker()
        pics["p%dr.png" % kind] = right
        pics["p%dl.png" % kind] = mirror(right)
    for stage in range(4):
        pics["exp%d.png" % (stage + 1)] = make_explosion(stage)
    pics["hintergrund.png"] = make_ground()
    pics["menu.png"] = make_menu(pics)
    return pics


def main(argv):
    outdir = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    os.makedirs(os.path.join(outdir, "pix"), exist_ok=True)
    os.makedirs(os.path.join(outdir, "sound"), exist_ok=True)
    pics = build_pictures()
    assert sorted(pics) == sorted(PICTURES)
    for name in PICTURES:
        pics[name].convert("RGB").save(os.path.join(outdir, "pix", name), "PNG")
    sounds = {
        "planes.wav": make_planes(),
        "shot.wav": make_shot(),
        "explosion.wav": make_explosion_sound(),
        "applause.wav": make_applause(),
    }
    for name in SOUNDS:
        write_wav(os.path.join(outdir, "sound", name), sounds[name])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
