#!/usr/bin/python3
"""Check what the game needs of pix/ and sound/, and their regeneration."""
import filecmp, glob, pathlib, subprocess, sys, tempfile, wave
from PIL import Image, ImageOps

# Placement, erasing and hit tests assume these sizes.
SIZES = {"hintergrund": (800, 200), "menu": (500, 420), "leftbullet": (6, 6), "rightbullet": (6, 6),
         "p1r": (60, 26), "p1l": (60, 26), "p2r": (78, 32), "p2l": (78, 32), "p3r": (56, 22),
         "p3l": (56, 22), "exp1": (24, 24), "exp2": (38, 38), "exp3": (54, 54), "exp4": (68, 68)}
# Both flight directions and both sides must look alike.
MIRRORS = {"p1l": "p1r", "p2l": "p2r", "p3l": "p3r"}
for aim in ("up", "middle", "down"):
    SIZES["lefttank" + aim] = SIZES["righttank" + aim] = (44, 44)
    MIRRORS["righttank" + aim] = "lefttank" + aim
SECONDS = {"planes": 1.5, "shot": 0.2, "explosion": 0.8, "applause": 2.5}
results = []


def check(ok, message):
    results.append(bool(ok))
    if not ok:
        print("FAIL:", message)


def picture(path):
    # A palette would move the black colour key.
    check(pathlib.Path(path).read_bytes()[24:26] == b"\x08\x02", f"{path}: not 8-bit RGB")
    img = Image.open(path).convert("RGB")
    name = pathlib.Path(path).stem
    check(img.size == SIZES[name], f"{path} is {img.size}, not {SIZES[name]}")
    if name in MIRRORS:
        twin = Image.open(f"pix/{MIRRORS[name]}.png").convert("RGB")
        check(img.tobytes() == ImageOps.mirror(twin).tobytes(), f"{path}: no mirror")
    if name == "hintergrund":  # erases the tanks and scores
        ground = img.crop((0, 150, 800, 200)).getcolors()
        check(ground == [(800 * 50, (37, 226, 27))], f"{path}: rows 150-199 not green")
    elif name != "menu":  # black, the colour key, surrounds it
        check(img.getbbox() and (0, 0, 0) in img.getdata(), f"{path}: no shape on black")


def sound(path):
    with wave.open(path) as w:
        bits, rate = 8 * w.getsampwidth(), w.getframerate()
        seconds = w.getnframes() / rate
    want = SECONDS[pathlib.Path(path).stem]
    ok = (bits, rate) == (16, 22050) and abs(seconds - want) <= 0.2 * want
    check(ok, f"{path}: {bits}-bit, {rate} Hz, {seconds:.2f} s; wants 16-bit, 22050 Hz, {want} s")


def assets(root):
    return glob.glob("pix/*.png", root_dir=root) + glob.glob("sound/*.wav", root_dir=root)


tests = [(picture, f"pix/{n}.png") for n in SIZES] + [(sound, f"sound/{n}.wav") for n in SECONDS]
for test, path in tests:
    try:
        test(path)
    except Exception as e:  # a broken file is one failure, not a crash
        check(False, f"{path}: {e}")
with tempfile.TemporaryDirectory() as out:
    run = subprocess.run([sys.executable, "tools/genassets.py", out])
    check(run.returncode == 0, "genassets.py failed")
    names = sorted(set(assets(".") + assets(out)))
    same = filecmp.cmpfiles(".", out, names, shallow=False)[0]
for name in names:
    check(name in same, f"{name} is missing or not what genassets.py makes")
failed = results.count(False)
print(f"{len(results) - failed} passed, {failed} failed")
sys.exit(1 if failed else 0)
