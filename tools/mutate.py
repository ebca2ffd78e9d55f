#!/usr/bin/python3
"""Mutation testing: one-line faults made by rule from every line of src/, each run against the suite.

tools/mutate.py --list TREE                    prints the mutants, one a line, and their count
tools/mutate.py TREE [JOBS [FILE[:LINE],...]]  runs the suite on each (JOBS: the cores), or on a part
tools/mutate.py --sanitize TREE ...            the same in the sanitizer build

A mutant is killed when a test fails or hangs. One whose objects come out byte for byte as the
unmutated ones is the same program ("same code"); tools/equivalent.tsv holds the survivors that
no session can tell apart, each with its reason. Exits 1 when any other mutant survives.
"""
import collections, concurrent.futures, hashlib, os, re, resource, shutil, signal, subprocess, sys, tempfile
from pathlib import Path

# Relational operators: across the border, then inverted.
REL = {
    "<": ["<=", ">="],
    "<=": ["<", ">"],
    ">": [">=", "<="],
    ">=": [">", "<"],
    "==": ["!="],
    "!=": ["=="],
}
SWAP = {"&&": "||", "||": "&&", "+": "-", "-": "+", "*": "/", "/": "*", "++": "--", "--": "++"}
# The choices the game spells as characters: sides, cannons, player kinds, skills.
CHARS = {"l": "r", "r": "l", "u": "d", "d": "u", "h": "c", "c": "h", "i": "s", "s": "i", "m": "u"}
# Binary operators as the formatter writes them: a blank on each side.
SPACED = r"(?<= )(%s)(?= )"
PATTERNS = [
    ("relational", SPACED % "<=|>=|==|!=|<|>"),
    ("logical", SPACED % r"&&|\|\|"),
    ("arithmetic", SPACED % r"[-+*/]"),
    ("increment", r"\+\+|--"),
    ("integer", r"(?<![\w.])\d+(?![\w.])"),
    ("character", r"'[lrudhcism]'"),
]
# A place that a statement or a callee, or its target, can be named by.
PLACE = r"\*?[\w:]+(?:(?:\.|->)\w+|\[[^]]*\])*"
STATEMENT = re.compile(r"(?:std::cout .*|%s(?:\(.*\)| *[-+*/]?=[^=].*|\+\+|--))" % PLACE + ";")
DECLARED = re.compile(r"\(\w+[*&]* \w+[,)]")  # a parameter list: a declaration
KEYWORDS = {"return", "break", "continue", "case", "if", "for", "while", "switch", "delete", "const", "auto"}
LITERAL = re.compile(r"-?\d+|'.+'|\".*\"|nullptr|true|false")


def masked(text):
    """The text with comments, strings, character literals and preprocessor lines blanked out."""
    out = list(text)
    i = 0
    while i < len(text):
        start = i
        if text.startswith("//", i) or text[i] == "#" and text.rfind("\n", 0, i) + 1 == i:
            i = text.find("\n", i)
            end = i
        elif text.startswith("/*", i):
            i = text.find("*/", i) + 2
            end = i
        elif text[i] in "\"'":  # the quotes stay
            quoted = r"{0}(\\.|[^{0}\\])*{0}".format(text[i])
            i = re.compile(quoted).match(text, i).end()
            start += 1
            end = i - 1
        else:
            i += 1
            continue
        for k in range(start, end):
            if out[k] != "\n":
                out[k] = "_"
    return "".join(out)


def closing(mask, start):
    """The index just past the bracket that closes the one at start."""
    depth = 0
    for k in range(start, len(mask)):
        if mask[k] in "([":
            depth += 1
        elif mask[k] in ")]":
            depth -= 1
            if depth == 0:
                return k + 1
    raise ValueError("unbalanced at %d" % start)


def changes(text):
    """Every mutant of one file: operator, start, end, replacement."""
    mask = masked(text)
    for name, pattern in PATTERNS:
        target = text if name == "character" else mask
        for m in re.finditer(pattern, target):
            old = m.group()
            if name == "character" and mask[m.start()] != "'":
                continue  # in a comment or a string
            if name == "relational":
                new = REL[old]
            elif name == "integer":
                new = [str(int(old) + 1)]
            elif name == "character":
                new = ["'%s'" % CHARS[old[1]]]
            else:
                new = [SWAP[old]]
            for repl in new:
                yield name, m.start(), m.end(), repl
    for m in re.finditer(r"\b(if|while) \(", mask):
        start = m.end() - 1
        end = closing(mask, start)
        yield "condition", start, end, "(!" + text[start:end] + ")"
    for m in re.finditer(r"\breturn ([^;]+);", mask):
        value = text[m.start(1):m.end(1)]
        if not LITERAL.fullmatch(value):
            yield "return", m.start(1), m.end(1), "0"
    yield from deletions(text, mask)


def deletions(text, mask):
    """Each one-line statement (a call, an assignment, an increment) made empty."""
    offset = 0
    before = ";"
    for line in mask.splitlines(keepends=True):
        code = line.strip()
        first = re.match(r"\w*", code).group()
        whole = before[-1:] in ";{}:)" or before.endswith("else")
        balanced = code.count("(") == code.count(")")
        call = STATEMENT.fullmatch(code) and not DECLARED.search(code)
        if whole and balanced and first not in KEYWORDS and call:
            start = offset + line.index(code)
            yield "statement", start, start + len(code), ";"
        if code:
            before = code
        offset += len(line)


def lines(text, start, end):
    """The whole lines that hold text[start:end], stripped and joined."""
    first = text.rfind("\n", 0, start) + 1
    last = text.find("\n", end)
    return " ".join(part.strip() for part in text[first:last].splitlines())


def mutants(tree, only=()):
    """(key, file, mutated text) for every mutant of src/, in file order; key as --list prints it."""
    found = []
    for path in sorted(Path(tree, "src").iterdir()):
        text = path.read_text()
        seen = set()
        for op, start, end, repl in sorted(changes(text), key=lambda c: c[1]):
            new = text[:start] + repl + text[end:]
            where = "%s:%d" % (path.name, text.count("\n", 0, start) + 1)
            if new in seen or only and not {path.name, where} & only:
                continue
            seen.add(new)
            before = lines(text, start, end)
            after = lines(new, start, start + len(repl))
            found.append(("%s %s: %s -> %s" % (where, op, before, after), path.name, new))
    return found


if sys.argv[1] == "--list":
    listed = mutants(sys.argv[2])
    for key, _, _ in listed:
        print(key)
    print(len(listed), "mutants")
    sys.exit()

CONFIGURE = ["cmake", "-S", ".", "-B", "build", "-DZEVO_TESTS=ON", "-DZEVO_BENCH=OFF",
             # no debug information: a mutant that changes nothing compiles to the same bytes
             "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"]
BUILD = ["cmake", "--build", "build", "-j", "1"]
HEADLESS = {"SDL_VIDEODRIVER": "dummy", "SDL_AUDIODRIVER": "dummy"}
# --sanitize: the sanitizer build, for the rows of the table that only its checkers can tell
SANITIZE = sys.argv[1] == "--sanitize"
if SANITIZE:
    sys.argv.pop(1)
    CONFIGURE.append("-DZEVO_SANITIZE=ON")
    HEADLESS["LSAN_OPTIONS"] = "suppressions=tests/lsan.supp:print_suppressions=0"
    HEADLESS["UBSAN_OPTIONS"] = "halt_on_error=1"
# Cheapest first: most mutants die in the in-process tests, in seconds; each stage has a guard
# against a mutant that hangs. binary.setup builds a git checkout; datafiles runs no game code.
FAST = ["build/tests/zevotests", "--gtest_fail_fast", "--gtest_filter=rules.*:golden.*"]
STAGES = [(FAST, 240 if SANITIZE else 60)]
for tests in "binary.devices", "binary.window", "binary.broken", "hostile", "binary.signals":
    ctest = ["ctest", "--test-dir", "build", "-j", "2", "-R", "^" + tests]
    STAGES.append((ctest, 900))
FAILED = r"\[  FAILED  \] (\S+)|Test +#\d+: (\S+) \.*\**(?:Failed|Timeout|Exception)"


def limit():  # a mutant that grows without end must not take the machine down
    if not SANITIZE:  # whose shadow memory alone is larger
        resource.setrlimit(resource.RLIMIT_AS, (4 << 30, 4 << 30))


def run(command, w, guard):
    """What failed: a test's name, "timeout", "exit N"; empty when all passed."""
    env = {**os.environ, **HEADLESS}
    with subprocess.Popen(command, cwd=w, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, errors="replace",
                          start_new_session=True, preexec_fn=limit) as p:
        try:
            out = p.communicate(timeout=guard)[0]
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
            p.communicate()
            return "timeout"
    if p.returncode == 0:
        return ""
    found = re.search(FAILED, out)
    return found and "".join(found.groups("")) or "exit %d" % p.returncode


def objects(w):
    return {str(o): hashlib.sha1(o.read_bytes()).digest() for o in Path(w, "build").rglob("*.o")}


def prepare(_):
    """A worker's copy of the tree, built and passing the suite under the load the mutants see."""
    w = tempfile.mkdtemp(prefix="mutate-")
    skip = shutil.ignore_patterns("build*", ".git")
    shutil.copytree(tree, w, ignore=skip, dirs_exist_ok=True)
    font = "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf"
    shutil.copy(font, w + "/pix/astronbo.ttf")
    subprocess.run(CONFIGURE, cwd=w, capture_output=True, check=True)
    subprocess.run(BUILD, cwd=w, capture_output=True, check=True)
    for command, guard in STAGES:
        failed = run(command, w, guard)
        if failed:
            sys.exit("the unmutated suite fails in %s: %s" % (w, failed))
    return w, objects(w)


def test(mutant):
    key, name, text = mutant
    w, clean = copies.pop()  # one per thread, so never empty
    source = Path(w, "src", name)
    original = source.read_text()
    source.write_text(text)
    if subprocess.run(BUILD, cwd=w, capture_output=True).returncode:
        status = "unbuildable"
    elif objects(w) == clean:
        status = "same code"
    else:
        # a row of the table survived every test when it went in: it gets the quick ones only,
        # but for --sanitize, which is there to see the sanitizers kill the rows that say so
        listed = key in equivalent and not SANITIZE
        status = "equivalent" if listed else "survived"
        for command, guard in STAGES[:1] if listed else STAGES:
            failed = run(command, w, guard)
            if failed:
                status = "killed by " + failed
                break
    source.write_text(original)
    copies.append((w, clean))
    print(status + ": " + key, flush=True)
    return status.split(" by ")[0]


tree = sys.argv[1]
jobs = int(sys.argv[2]) if len(sys.argv) > 2 else os.cpu_count()
todo = mutants(tree, set(sys.argv[3].split(",")) if len(sys.argv) > 3 else ())
table = Path(__file__).with_name("equivalent.tsv").read_text().splitlines()
equivalent = {row.split("\t")[0] for row in table if row and not row.startswith("#")}
stale = equivalent - {key for key, _, _ in mutants(tree)}
if stale:
    sys.exit("not a mutant of this code:\n" + "\n".join(sorted(stale)))
with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
    copies = list(pool.map(prepare, range(jobs)))
    results = list(pool.map(test, todo))
for w, _ in copies:
    shutil.rmtree(w)

STATUSES = ["killed", "equivalent", "same code", "unbuildable", "survived"]
print("%-12s %8s" % ("", "mutants") + "".join("%12s" % s for s in STATUSES))
for column in (0, 1):  # per file, then per operator
    counts = collections.defaultdict(collections.Counter)
    for (key, _, _), status in zip(todo, results):
        group = key.split()[column].split(":")[0]
        counts[group][status] += 1
    counts["all"] = sum(counts.values(), collections.Counter())
    for group, c in counts.items():
        row = "".join("%12d" % c[s] for s in STATUSES)
        print("%-12s %8d" % (group, sum(c.values())) + row)
killed = {key for (key, _, _), status in zip(todo, results) if status == "killed"}
print("killed, though in tools/equivalent.tsv:", *sorted(killed & equivalent), sep="\n  ")
survivors = [key for (key, _, _), status in zip(todo, results) if status == "survived"]
print("survived, and not in tools/equivalent.tsv:", *survivors, sep="\n  ")
sys.exit(1 if survivors else 0)
