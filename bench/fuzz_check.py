#!/usr/bin/env python3
"""Random edits of generated main.c files, each checked with `kitbuilder-cli --check --firmware`.

Whatever an edit does to the firmware, the check must end with its report and exit 0 or 1 (or
say cleanly that the firmware does not build); anything else is a fault of the check: another
exit status, a signal, an exception's text on standard error, no verdict, or a run that outlasts
the check's own limits. Each fault is saved under --out with its seed, the edit and the edited
main.c; `--seed SEED --runs 1` makes the same run again. A report that says the check itself
could not judge the firmware is kept there too ("report, check failed"), but is no fault here.

    bench/fuzz_check.py --cli build/cli/kitbuilder-cli --runs 300 --out build/fuzz
"""

import argparse
import os
import random
import re
import subprocess
import sys
import tempfile
import time

MODES = ["tx", "rx", "tx-ack", "rx-ack"]
CLOCKS = [
    [],
    ["--compiler=sdcc", "--mcu-clock=12"],
    ["--compiler=sdcc", "--mcu-clock=24", "--clocks-per-cycle=6"],
    ["--compiler=sdcc", "--mcu-clock=11.0592"],
]
VERDICTS = ("The firmware does what its settings say.",
            "The firmware does not do what its settings say:",
            "The check could not judge this firmware:")
BUILD_FAILED = "kitbuilder-cli: the firmware does not build; SDCC said:"
# The check's own limits: 20 s of simulation without a port access, 10 s for an s51 command,
# and the build; a run past this has hung.
TIMEOUT_SECONDS = 120
NUMBER = re.compile(r"\b(0[xX][0-9A-Fa-f]+|\d+)\b")
CONDITION = re.compile(r"==|!=|while\(\s*[^!\s][^)]*\)|if\(\s*[^!\s][^)]*\)")


def code_lines(lines):
    """Indexes of the lines inside functions: neither blank, nor a comment, nor a directive."""
    return [i for i, line in enumerate(lines)
            if line.strip() and not line.lstrip().startswith(("//", "/*", "*", "#"))]


def code_part(line):
    """The line up to its comment, if any: numbers in comments change nothing."""
    ends = [at for at in (line.find("//"), line.find("/*")) if at >= 0]
    return line[:min(ends)] if ends else line


def change_number(line, rng):
    numbers = list(NUMBER.finditer(code_part(line)))
    if not numbers:
        return None
    number = rng.choice(numbers)
    hexadecimal = number.group(0).lower().startswith("0x")
    value = int(number.group(0), 16 if hexadecimal else 10)
    new = rng.choice([0, 1, value + 1, max(value - 1, 0), value * 2, 0xFF, rng.randrange(65536)])
    if new == value:
        new = value + 1
    text = hex(new) if hexadecimal else str(new)
    return line[:number.start()] + text + line[number.end():]


def invert_condition(line, rng):
    conditions = list(CONDITION.finditer(code_part(line)))
    if not conditions:
        return None
    found = rng.choice(conditions)
    text = found.group(0)
    if text in ("==", "!="):
        inverted = "!=" if text == "==" else "=="
    else:
        keyword, rest = text.split("(", 1)
        inverted = keyword + "( !(" + rest[:-1].strip() + ") )"
    return line[:found.start()] + inverted + line[found.end():]


def edit(lines, rng):
    """One random edit of `lines`, in place; returns its description."""
    candidates = code_lines(lines)
    kind = rng.choice(["delete", "swap", "number", "condition"])
    if kind == "delete":
        i = rng.choice(candidates)
        removed = lines.pop(i)
        return f"line {i + 1} deleted: {removed.strip()}"
    if kind == "swap":
        i = rng.choice(candidates[:-1])
        j = candidates[min(candidates.index(i) + rng.randint(1, 4), len(candidates) - 1)]
        lines[i], lines[j] = lines[j], lines[i]
        return f"lines {i + 1} and {j + 1} swapped: {lines[j].strip()} / {lines[i].strip()}"
    change = change_number if kind == "number" else invert_condition
    chosen = [i for i in candidates if change(lines[i], random.Random(0)) is not None]
    i = rng.choice(chosen)
    before = lines[i]
    lines[i] = change(before, rng)
    return f"line {i + 1} {kind} changed: {before.strip()} -> {lines[i].strip()}"


def generated(cli, options, work, cache):
    key = " ".join(options)
    if key not in cache:
        directory = os.path.join(work, f"generated-{len(cache)}")
        os.makedirs(directory)
        subprocess.run([cli, "-o", directory] + options, check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(directory, "main.c"), encoding="latin-1", newline="") as source:
            cache[key] = source.read().splitlines(keepends=True)
    return list(cache[key])


def classify(exit_code, out, err, timed_out):
    """'report', 'build-failed', 'tools-missing' or the fault."""
    if timed_out:
        return "fault: hung past the check's limits"
    if exit_code < 0:
        return f"fault: signal {-exit_code}"
    if exit_code == 3:
        return "tools-missing"
    if exit_code not in (0, 1):
        return f"fault: exit {exit_code}"
    if exit_code == 1 and err.startswith(BUILD_FAILED) and not out:
        return "build-failed"
    if err:
        return "fault: standard error: " + err.splitlines()[0]
    verdicts = [line for line in out.splitlines() if line in VERDICTS]
    if len(verdicts) != 1:
        return "fault: no verdict"
    if (exit_code == 0) != (verdicts[0] == VERDICTS[0]):
        return f"fault: exit {exit_code} with the verdict {verdicts[0]!r}"
    # Reported cleanly, but the check failed inside: kept, for whoever owns that part.
    if "the check could not judge" in out:
        return "report, check failed"
    return "report"


def run_one(cli, seed, work, cache, out_dir):
    rng = random.Random(seed)
    options = [f"--mode={rng.choice(MODES)}"] + rng.choice(CLOCKS)
    lines = generated(cli, options, work, cache)
    description = edit(lines, rng)
    firmware = os.path.join(work, f"main-{seed}.c")
    with open(firmware, "w", encoding="latin-1", newline="") as target:
        target.writelines(lines)
    command = [cli, "--check", f"--firmware={firmware}"] + options
    started = time.monotonic()
    try:
        done = subprocess.run(command, capture_output=True, timeout=TIMEOUT_SECONDS,
                              encoding="utf-8", errors="replace")
        exit_code, out, err, timed_out = done.returncode, done.stdout, done.stderr, False
    except subprocess.TimeoutExpired as expired:
        exit_code, timed_out = None, True
        out = (expired.stdout or b"").decode("utf-8", "replace")
        err = (expired.stderr or b"").decode("utf-8", "replace")
    seconds = time.monotonic() - started
    outcome = classify(exit_code, out, err, timed_out)
    if outcome.startswith("fault") or outcome == "report, check failed":
        keep = os.path.join(out_dir, f"fault-{seed}")
        os.makedirs(keep, exist_ok=True)
        with open(os.path.join(keep, "main.c"), "w", encoding="latin-1", newline="") as kept:
            kept.writelines(lines)
        with open(os.path.join(keep, "about.txt"), "w", encoding="utf-8") as about:
            about.write(f"seed {seed}\n{outcome}\nedit: {description}\n"
                        f"options: {' '.join(options)}\nexit: {exit_code}\n"
                        f"--- standard output\n{out}--- standard error\n{err}")
    return outcome, exit_code, seconds, options, description


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the kitbuilder-cli to check with")
    parser.add_argument("--runs", type=int, default=300)
    parser.add_argument("--seed", type=int, default=1, help="the first run's seed; each next +1")
    parser.add_argument("--out", default="fuzz-check", help="directory for the faults found")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    counts = {}
    exits = {}
    faults = 0
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="fuzz-check-") as work:
        cache = {}
        for seed in range(args.seed, args.seed + args.runs):
            outcome, exit_code, seconds, options, description = run_one(
                os.path.abspath(args.cli), seed, work, cache, args.out)
            kind = "fault" if outcome.startswith("fault") else outcome
            counts[kind] = counts.get(kind, 0) + 1
            exits[exit_code] = exits.get(exit_code, 0) + 1
            faults += kind == "fault"
            print(f"{seed} {' '.join(options)}: {description}: exit {exit_code}, "
                  f"{seconds:.1f} s: {outcome}", flush=True)
    total = time.monotonic() - started
    print(f"\n{args.runs} runs in {total:.0f} s ({total / max(args.runs, 1):.1f} s a run)")
    print("outcomes: " + ", ".join(f"{k} {v}" for k, v in sorted(counts.items())))
    print("exits: " + ", ".join(f"{'timeout' if k is None else k} {v}"
                                for k, v in sorted(exits.items(), key=lambda e: str(e[0]))))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
