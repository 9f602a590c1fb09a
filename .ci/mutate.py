#!/usr/bin/env python3
"""Mutation check: put one small fault at a time into the sources and ask whether the tests notice.

  .ci/mutate.py --build build --count 100 --seed 1 src/search/*.cpp src/book/*.cpp

Each mutant swaps an operator, negates a condition, moves a constant by one or deletes a
statement; it is rebuilt (ninja, the test programs only) and the test programs are run. A mutant
that does not compile is not counted. Survivors are listed so a test can be written for them.
The sources are always put back, also on Ctrl-C.
"""
import argparse
import json
import pathlib
import random
import re
import signal
import subprocess
import sys

SWAPS = [
    (r" == ", " != "), (r" != ", " == "),
    (r" < ", " <= "), (r" <= ", " < "), (r" > ", " >= "), (r" >= ", " > "),
    (r" && ", " || "), (r" \|\| ", " && "),
    (r" \+ ", " - "), (r" - ", " + "),
    (r"\btrue\b", "false"), (r"\bfalse\b", "true"),
    (r"\bif \(", "if (!"),
]
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
STATEMENT = re.compile(r"^\s*(\+\+|--)?[A-Za-z_][\w:]*(\.|->|\[|\(|\s*[-+*/|&]?=\s|\+\+|--)[^;{}]*;\s*$")
SKIP = re.compile(r"^\s*(//|#|static_assert|\*|/\*)|constexpr .*\[\]|\bcase\b")


def in_string(line, pos):
    return line.count('"', 0, pos) % 2 == 1 or line.count("'", 0, pos) % 2 == 1


def mutants(path):
    for number, line in enumerate(path.read_text().splitlines(keepends=True)):
        if SKIP.search(line):
            continue
        for pattern, replacement in SWAPS:
            for match in re.finditer(pattern, line):
                if not in_string(line, match.start()):
                    yield (path, number, line[:match.start()] + replacement + line[match.end():],
                           f"{match.group(0).strip()} -> {replacement.strip()}")
        for match in NUMBER.finditer(line):
            if not in_string(line, match.start()):
                value = int(match.group(1))
                yield (path, number, line[:match.start()] + str(value + 1) + line[match.end():],
                       f"{value} -> {value + 1}")
        if STATEMENT.match(line) and not line.lstrip().startswith(("return", "auto ", "const ")):
            yield path, number, "\n", "statement deleted"


def run(command, timeout):
    try:
        return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode == 0
    except subprocess.TimeoutExpired:
        return False


def failing_tests(program, timeout):
    """The names of the tests that fail, or ["timeout"]; empty when all pass."""
    try:
        result = subprocess.run([str(program), "--gtest_brief=1"], capture_output=True, text=True,
                                timeout=timeout)
    except subprocess.TimeoutExpired:
        return ["timeout"]
    names = sorted(set(re.findall(r"^\[  FAILED  \] (\S+\.\S+)", result.stdout, re.M)))
    return names or ([] if result.returncode == 0 else [f"exit {result.returncode}"])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("files", nargs="+", type=pathlib.Path)
    parser.add_argument("--build", default="build")
    parser.add_argument("--count", type=int, default=100)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=int, default=120)
    parser.add_argument("--json", type=pathlib.Path, help="write each mutant and the tests it failed")
    parser.add_argument("--replay", type=pathlib.Path,
                        help="run again the mutants of an earlier --json (those under FILES only)")
    args = parser.parse_args()
    # A kill unwinds like Ctrl-C, so the mutated source is put back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))

    build = pathlib.Path(args.build)
    programs = [p for p in (build / "tests/tomeshelf_tests", build / "tests/tomeshelf_tool_tests")]
    targets = [p.name for p in programs]
    if not run(["ninja", "-C", str(build)] + targets, 1800):
        sys.exit("the unmutated tree does not build")
    programs = [p for p in programs if p.exists()]

    pool = [m for f in args.files for m in mutants(f)]
    sample = random.Random(args.seed).sample(pool, min(args.count, len(pool)))
    if args.replay:
        wanted = {str(f) for f in args.files}
        sample = [(pathlib.Path(m["file"]), m["line"], m["replacement"], m["mutant"])
                  for m in json.loads(args.replay.read_text()) if m["file"] in wanted
                  and m["original"] in pathlib.Path(m["file"]).read_text().splitlines(keepends=True)
                  [m["line"]:m["line"] + 1]]
    killed = survived = uncompiled = 0
    survivors = []
    record = []
    try:
        for index, (path, number, replacement, what) in enumerate(sample, 1):
            original = path.read_text()
            lines = original.splitlines(keepends=True)
            lines[number] = replacement
            path.write_text("".join(lines))
            try:
                if not run(["ninja", "-C", str(build)] + targets, 600):
                    uncompiled += 1
                    verdict = "uncompiled"
                else:
                    failed = [name for p in programs for name in failing_tests(p, args.timeout)]
                    record.append({"file": str(path), "line": number, "replacement": replacement,
                                   "original": original.splitlines(keepends=True)[number],
                                   "mutant": what, "failed": failed})
                    if failed:
                        killed += 1
                        verdict = "killed by " + " ".join(failed[:3])
                    else:
                        survived += 1
                        verdict = "SURVIVED"
                        survivors.append(f"{path}:{number + 1}: {what}")
            finally:
                path.write_text(original)
            print(f"[{index}/{len(sample)}] {path}:{number + 1} {what}: {verdict}", flush=True)
            if args.json:  # kept current, so a long run can be read while it goes on
                args.json.write_text(json.dumps(record, indent=1))
    finally:
        run(["ninja", "-C", str(build)] + targets, 1800)
    compiled = killed + survived
    score = 100.0 * killed / compiled if compiled else 0.0
    print(f"\nscore {score:.1f}% ({killed} of {compiled} compiled mutants killed, "
          f"{uncompiled} did not compile, {len(pool)} possible)")
    for line in survivors:
        print("survived:", line)


if __name__ == "__main__":
    main()
