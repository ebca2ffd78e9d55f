#!/usr/bin/python3
"""tools/mutate.py TREE [JOBS [N,M,...]]: run the suite on each row of mutants.tsv."""
import codecs, concurrent.futures, shutil, subprocess, sys, tempfile
from pathlib import Path

tree = sys.argv[1]
jobs = int(sys.argv[2]) if len(sys.argv) > 2 else 4
picked = sys.argv[3].split(",") if len(sys.argv) > 3 else None
CONFIGURE = "cmake -S . -B build -DZEVO_TESTS=ON".split()
BUILD = "cmake --build build -j 2".split()
CTEST = "ctest --test-dir build --timeout 240 -j 2 --stop-on-failure".split()
# In-process tests first: most mutants die there in seconds. binary.setup needs a git checkout.
FAST = CTEST + ["-R", r"^(rules|golden)\."]
REST = CTEST + ["-E", r"^(rules|golden)\.|binary\.setup|bench"]  # benchmarks time, not test


def run(command, w):
    return subprocess.run(command, cwd=w, capture_output=True).returncode == 0


def copy(_):  # tested under the load the mutants will see
    w = tempfile.mkdtemp(prefix="mutate-")
    shutil.copytree(tree, w, ignore=shutil.ignore_patterns("build*", ".git"), dirs_exist_ok=True)
    shutil.copy("/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf", w + "/pix/astronbo.ttf")
    if not (run(CONFIGURE, w) and run(BUILD, w) and run(FAST, w) and run(REST, w)):
        sys.exit("the unmutated suite fails in " + w)
    return w


def mutate(mutant):
    n, name, orig, repl = mutant
    w = copies.pop()  # one per thread, so never empty
    source = Path(w, "src", name)
    text = source.read_text()
    source.write_text(text.replace(orig, repl))
    status = "nobuild"
    if run(BUILD, w):
        status = "survived" if run(FAST, w) and run(REST, w) else "killed"
    source.write_text(text)
    copies.append(w)
    print(f"#{n} {status} {name}: {orig!r} -> {repl!r}", flush=True)
    return status


table = Path(__file__).with_name("mutants.tsv").read_text().splitlines()
rows = [[codecs.decode(text, "unicode_escape") for text in line.split("\t")]
        for line in table if not line.startswith("#")]
mutants = [(n, *row) for n, row in enumerate(rows, 1) if not picked or str(n) in picked]
for n, name, orig, _ in mutants:
    if Path(tree, "src", name).read_text().count(orig) != 1:
        sys.exit(f"#{n} {name}: {orig!r} does not occur exactly once")
with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
    copies = list(pool.map(copy, range(jobs)))
    results = list(pool.map(mutate, mutants))
for w in copies:
    shutil.rmtree(w)
print(f"killed {results.count('killed')} of {len(results)} ({results.count('nobuild')} unbuildable)")
