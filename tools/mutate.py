#!/usr/bin/python3
"""Mutation testing: each line of tools/mutants.tsv is applied to a worker copy of TREE, built and run
against the suite; a mutant that no test notices marks a gap, or changes nothing a player could see.
tools/mutate.py TREE [JOBS [N,M,...]]    prints a line per mutant, then the count killed; slow."""
import concurrent.futures as cf, queue, shutil, subprocess as sp, sys, tempfile
from pathlib import Path

tree, jobs = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 4
rows = [l.rstrip("\n").split("\t") for l in open(Path(__file__).with_name("mutants.tsv")) if not l.startswith("#")]
mutants = [(n, f, o.encode().decode("unicode_escape"), r.encode().decode("unicode_escape"))
           for n, (f, o, r) in enumerate(rows, 1) if len(sys.argv) < 4 or str(n) in sys.argv[3].split(",")]
# binary.setup copies a git checkout, which a worker is not; the benchmarks time, they do not test
CTEST = ["ctest", "--test-dir", "build", "--timeout", "240", "-j", "2", "-E", "binary.setup|bench"]
run = lambda cmd, cwd: sp.run(cmd, cwd=cwd, stdout=sp.DEVNULL, stderr=sp.DEVNULL).returncode


def worker(_):  # a built copy in which the unmutated suite passes, under the load the mutants will see
    w = tempfile.mkdtemp(prefix="mutate-")
    shutil.copytree(tree, w, ignore=shutil.ignore_patterns("build*", ".git"), dirs_exist_ok=True)
    shutil.copy("/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf", w + "/pix/astronbo.ttf")
    run(["cmake", "-S", ".", "-B", "build", "-DZEVO_TESTS=ON", "-DZEVO_BENCH=OFF"], w)
    if run(["cmake", "--build", "build", "-j", "2"], w) or run(CTEST, w):
        sys.exit("the unmutated suite fails in " + w)
    return w


def mutate(n, f, orig, repl):
    w = workers.get()
    src = Path(w, "src", f)
    text = src.read_text()
    if text.count(orig) != 1:  # one that moved or doubled would mutate the wrong place
        sys.exit(f"#{n} {f}: {orig!r} does not occur exactly once")
    src.write_text(text.replace(orig, repl))
    status = "nobuild" if run(["cmake", "--build", "build", "-j", "2"], w) else \
        "killed" if run(CTEST + ["--stop-on-failure"], w) else "survived"
    src.write_text(text)
    workers.put(w)
    print(f"#{n} {status} {f}: {orig!r} -> {repl!r}", flush=True)
    return status


with cf.ThreadPoolExecutor(jobs) as pool:
    workers = queue.Queue()
    [workers.put(w) for w in pool.map(worker, range(jobs))]
    results = list(pool.map(lambda m: mutate(*m), mutants))
    [shutil.rmtree(workers.get()) for _ in range(jobs)]
print(f"killed {results.count('killed')} of {len(results)} ({results.count('nobuild')} unbuildable)")
