#!/usr/bin/python3
"""Check pix/ and sound/: they regenerate byte for byte and keep what the game relies on."""
import glob, os, subprocess, sys, tempfile, wave
from PIL import Image, ImageOps

# Every picture the game loads, at the size that its placement, erasing and hit tests assume.
SIZES = {"hintergrund": (800, 200), "menu": (500, 420), "leftbullet": (6, 6), "rightbullet": (6, 6),
         **{f"{s}tank{a}": (44, 44) for s in ("left", "right") for a in ("up", "middle", "down")},
         **{f"p{k}{d}": wh for k, wh in ((1, (60, 26)), (2, (78, 32)), (3, (56, 22))) for d in "rl"},
         **{f"exp{i}": (n, n) for i, n in ((1, 24), (2, 38), (3, 54), (4, 68))}}
# Mirrored pictures keep both flight directions and both sides alike.
MIRRORS = {**{f"p{k}l": f"p{k}r" for k in (1, 2, 3)},
           **{f"righttank{a}": f"lefttank{a}" for a in ("up", "middle", "down")}}
SECONDS = {"planes": 1.5, "shot": 0.2, "explosion": 0.8, "applause": 2.5}
tally = [0, 0]


def check(ok, message):
    tally[not ok] += 1
    if not ok:
        print("FAIL:", message)


def picture(path):
    # A palette would move the black colour key; SDL_image reads plain RGB as it is.
    check(open(path, "rb").read(26)[24:] == b"\x08\x02", f"{path} is not an 8-bit RGB PNG, no palette")
    img, name = Image.open(path).convert("RGB"), path[4:-4]
    check(img.size == SIZES[name], f"{path} is {img.size}, the game expects {SIZES[name]}")
    if name in MIRRORS:
        check(img.tobytes() == ImageOps.mirror(Image.open(f"pix/{MIRRORS[name]}.png")).tobytes(),
              f"{path} is not the mirror image of pix/{MIRRORS[name]}.png")
    if name == "hintergrund":  # the tanks and their scores are erased with this green
        check(img.crop((0, 150, 800, 200)).getcolors() == [(40000, (37, 226, 27))], f"{path}: rows 150-199 not green")
    elif name != "menu":  # black is the colour key: the sprite's surround
        check(img.getbbox() and (0, 0, 0) in img.getdata(), f"{path} is not a shape on a black background")


def sound(path):
    with wave.open(path) as w:
        rate, width, n = w.getframerate(), w.getsampwidth(), w.getnframes()
    want = SECONDS[path[6:-4]]
    check((width, rate) == (2, 22050) and abs(n / rate - want) <= 0.2 * want,
          f"{path}: {8 * width}-bit, {rate} Hz, {n / rate:.2f} s; wants 16-bit, 22050 Hz, about {want} s")


for path, test in [(f"pix/{n}.png", picture) for n in SIZES] + [(f"sound/{n}.wav", sound) for n in SECONDS]:
    try:
        test(path)
    except Exception as e:  # a missing or unreadable file is one failure, not a crash
        check(False, f"{path}: {e}")
read = lambda d, rel: open(os.path.join(d, rel), "rb").read() if os.path.isfile(os.path.join(d, rel)) else None
with tempfile.TemporaryDirectory() as out:
    run = subprocess.run([sys.executable, "tools/genassets.py", out], capture_output=True, text=True)
    check(run.returncode == 0, f"genassets.py failed: {run.stderr[-500:]}")
    for rel in sorted({os.path.relpath(p, d) for d in (".", out) for p in glob.glob(f"{d}/pix/*.png") +
                       glob.glob(f"{d}/sound/*.wav")}):
        check(read(".", rel) == read(out, rel), f"{rel} is missing or differs from what genassets.py makes now")
print(f"{tally[0]} passed, {tally[1]} failed")
sys.exit(1 if tally[1] else 0)
