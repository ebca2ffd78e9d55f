#!/usr/bin/python3
"""Runs the built game from copies of pix/ and sound/ with one file damaged, or without a usable
display or audio device, and checks what the player gets: the message on stdout, the exit status,
and never a crash, a hang or a sanitizer report.

Usage: brokendata.py GAME GROUP   (run from the repository root)
GROUP: unreadable (pictures and font that cannot be read), odd (pictures of odd sizes, a font cut
short), sounds, devices.

With the dummy video driver a game that starts well waits in its first menu for ever: such a run
passes when it is still going after a while, is then killed, and has written nothing.
"""

import concurrent.futures
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image

ROOT = os.getcwd()
PICTURES = (["hintergrund.png", "menu.png"]
            + ["%stank%s.png" % (side, aim) for side in ("left", "right") for aim in ("up", "middle", "down")]
            + ["leftbullet.png", "rightbullet.png"]
            + ["p%d%s.png" % (k, d) for k in (1, 2, 3) for d in ("r", "l")]
            + ["exp%d.png" % i for i in (1, 2, 3, 4)])
# the fast planes flying right are first read by a wave, after start-up
LATER = {"p3r.png"}
SOUNDS = ["planes.wav", "shot.wav", "explosion.wav", "applause.wav"]
FONT = "astronbo.ttf"
SANITIZER = ("ERROR: AddressSanitizer", "runtime error:", "LeakSanitizer")
STARTED = 1.0     # seconds a game that started well must still be running
LIMIT = 30        # seconds any run may take to end by itself


def damage(path, how):
    """Breaks one file of a data copy."""
    if how == "missing":
        os.remove(path)
    elif how == "empty":
        open(path, "wb").close()
    elif how == "truncated":
        os.truncate(path, os.path.getsize(path) // 2)
    elif how == "truncated to 100 bytes":
        os.truncate(path, 100)
    elif how == "not a picture or sound":
        with open(path, "w") as f:
            f.write("this is just text, in a file with the wrong name\n")
    else:  # WxH: a plain picture of that size, RGB, not black (black is transparent)
        w, h = (int(v) for v in how.split("x"))
        Image.new("RGB", (w, h), (200, 60, 40)).save(path, "PNG")


class Case:
    def __init__(self, label, file=None, how=None, env=None, expect="running", message=None):
        self.label = label
        self.file = file
        self.how = how
        self.env = env or {}
        self.expect = expect      # "running", "exit1", or "either" (running, or exit1 with the message)
        self.message = message    # for "exit1": a function telling whether stdout is right


def run(case):
    """Runs the game for one case; returns (problem or None, seconds)."""
    work = tempfile.mkdtemp(prefix="zevobroken.")
    start = time.monotonic()
    try:
        for d in ("pix", "sound"):
            shutil.copytree(os.path.join(ROOT, d), os.path.join(work, d))
        if case.file:
            damage(os.path.join(work, case.file), case.how)
        env = dict(os.environ)
        env.update(case.env)
        for k, v in list(env.items()):
            if v is None:
                del env[k]
        with open(os.path.join(work, "out"), "w+b") as out, open(os.path.join(work, "err"), "w+b") as err:
            game = subprocess.Popen([GAME], cwd=work, env=env, stdout=out, stderr=err, stdin=subprocess.DEVNULL)
            wait = LIMIT if case.expect == "exit1" else STARTED
            try:
                status = game.wait(timeout=wait)
            except subprocess.TimeoutExpired:
                status = None
                # SIGTERM would only become a close request, which the first menu ignores
                game.send_signal(signal.SIGKILL)
                game.wait()
            out.seek(0)
            stdout = out.read().decode("utf-8", "replace")
            err.seek(0)
            stderr = err.read().decode("utf-8", "replace")
        seconds = time.monotonic() - start
        problems = []
        if any(s in stderr for s in SANITIZER):
            problems.append("sanitizer report")
        if status is not None and status < 0:
            problems.append("killed by signal %d" % -status)
        elif case.expect == "either" and status is not None:
            if status != 1 or not case.message(stdout):
                problems.append("ended with status %d and wrote %r, expected the game still running after %.1f s "
                                "or status 1 and one line \"couldnt load\"" % (status, stdout, STARTED))
        elif case.expect in ("running", "either"):
            if status is not None:
                problems.append("ended with status %d, expected the game still running after %.1f s"
                                % (status, STARTED))
            if stdout:
                problems.append("wrote %r, expected nothing" % stdout)
        else:
            if status is None:
                problems.append("no end within %d s" % LIMIT)
            elif status != 1:
                problems.append("status %d, expected 1" % status)
            if not case.message(stdout):
                problems.append("wrote %r" % stdout)
        if problems:
            return "%s: %s\n  stderr: %s" % (case.label, "; ".join(problems), stderr.strip()[-3000:]), seconds
        return None, seconds
    finally:
        shutil.rmtree(work, ignore_errors=True)


def loadmessage(path):
    """Exactly one line: couldnt load PATH: <SDL_image's error text>."""
    head = "couldnt load %s: " % path
    return lambda out: (out.startswith(head) and out.endswith("\n") and out.count("\n") == 1
                        and len(out) > len(head) + 1)


def nodisplay(out):
    """The failed SDL start (with its line end), then the failed video mode (without)."""
    lines = out.split("\n")
    return (len(lines) == 2 and lines[0].startswith("Could not initialize SDL:")
            and len(lines[0]) > len("Could not initialize SDL:")
            and lines[1].startswith("fensterfehler :") and len(lines[1]) > len("fensterfehler :"))


UNREADABLE = ["missing", "empty", "truncated", "not a picture or sound"]


def cases(group):
    if group == "unreadable":
        for name in PICTURES:
            path = "pix/" + name
            for how in UNREADABLE:
                if name in LATER:
                    yield Case("%s %s" % (path, how), path, how)
                else:
                    yield Case("%s %s" % (path, how), path, how, expect="exit1", message=loadmessage(path))
        for how in ["missing", "empty", "truncated to 100 bytes", "not a picture or sound"]:
            yield Case("pix/%s %s" % (FONT, how), "pix/" + FONT, how, expect="exit1",
                       message=lambda out: out == "couldnt open font")
    elif group == "odd":
        for name in PICTURES:
            sizes = ["1x1", "2000x2000"] + (["10x10"] if name == "hintergrund.png" else [])
            for how in sizes:
                if name == "menu.png":
                    # buttons out of reach may be refused at start-up
                    yield Case("pix/%s %s" % (name, how), "pix/" + name, how, expect="either",
                               message=lambda out: out.startswith("pix/menu.png is "))
                else:
                    yield Case("pix/%s %s" % (name, how), "pix/" + name, how)
        # the font library still opens a font cut in half
        yield Case("pix/%s truncated" % FONT, "pix/" + FONT, "truncated")
    elif group == "sounds":
        for name in SOUNDS:
            for how in UNREADABLE:
                yield Case("sound/%s %s" % (name, how), "sound/" + name, how)
    elif group == "devices":
        yield Case("video driver that does not exist", env={"SDL_VIDEODRIVER": "nonexistent"},
                   expect="exit1", message=nodisplay)
        yield Case("X11 without a display", env={"SDL_VIDEODRIVER": "x11", "DISPLAY": None},
                   expect="exit1", message=nodisplay)
        yield Case("audio driver that does not exist", env={"SDL_AUDIODRIVER": "nonexistent"})
    else:
        sys.exit("unknown group " + group)


def main():
    global GAME
    GAME = os.path.abspath(sys.argv[1])
    todo = list(cases(sys.argv[2]))
    start = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        results = list(pool.map(run, todo))
    failed = [problem for problem, _ in results if problem]
    for problem in failed:
        print("FAILED " + problem)
    slowest = max(results, key=lambda r: r[1])[1] if results else 0
    print("%s: %d runs, %d failed, %.1f s (slowest run %.1f s)"
          % (sys.argv[2], len(todo), len(failed), time.monotonic() - start, slowest))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
