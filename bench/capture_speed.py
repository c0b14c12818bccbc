#!/usr/bin/env python3
"""How fast kitbuilder-cli --check-capture reads a long capture, and in how much memory.

A TX board's own trace (50 passes, no delay between them) is laid end to end until it lasts
SECONDS, written as a VCD in picoseconds and turned by sigrok-cli into a sigrok session sampled
at 24 MHz (downsampled by 41667: 23.9998 MHz), as a logic analyzer would save it. The capture of
one second and the whole one are read and judged with /usr/bin/time -v: the check must take less
than the capture lasts, and the longer capture should need no more memory than the short one.
The tiled run starts again where a pass is due, which the check rightly names (exit 1); only a
capture it refuses (exit 2) fails the bench.

    capture_speed.py KITBUILDER_CLI WORK_DIRECTORY [SECONDS]
"""
import os
import re
import subprocess
import sys


def trace_changes(vcd_text):
    """The trace's timestamps (microseconds) with the value lines that follow each."""
    header, body = vcd_text.split("$enddefinitions $end\n", 1)
    blocks = []
    for line in body.splitlines():
        if line.startswith("#"):
            blocks.append((int(line[1:]), []))
        elif line and line[0] in "01" and blocks:
            blocks[-1][1].append(line)
    return header, blocks


def tiled_capture(header, blocks, seconds, path):
    """The run repeated until it lasts `seconds`, in picoseconds from time 0."""
    first, last = blocks[0][0], blocks[-1][0]
    period = last - first + 1
    header = header.replace("$timescale 1 us $end", "$timescale 1 ps $end")
    with open(path, "w") as out:
        out.write(header + "$enddefinitions $end\n")
        repeat = 0
        while repeat * period < seconds * 1_000_000:
            for time, values in blocks:
                out.write("#%d\n%s\n" % ((time - first + repeat * period) * 1_000_000,
                                         "\n".join(values)))
            repeat += 1
        out.write("#%d\n" % (repeat * period * 1_000_000))
    return repeat * period / 1e6


def timed(command):
    result = subprocess.run(["/usr/bin/time", "-v"] + command, capture_output=True, text=True)
    wall = re.search(r"Elapsed \(wall clock\) time.*: (?:(\d+):)?(\d+):([\d.]+)", result.stderr)
    seconds = int(wall.group(1) or 0) * 3600 + int(wall.group(2)) * 60 + float(wall.group(3))
    memory = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", result.stderr).group(1))
    return result, seconds, memory


def main():
    cli, work = sys.argv[1], sys.argv[2]
    seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    os.makedirs(work, exist_ok=True)
    trace = os.path.join(work, "run.vcd")
    subprocess.run([cli, "--check", "--mode=tx", "--delay=0", "--passes=50", "--trace", trace],
                   check=True, stdout=subprocess.DEVNULL)
    header, blocks = trace_changes(open(trace).read())
    failed = False
    for length in (1, seconds):
        vcd = os.path.join(work, "capture-%ds.vcd" % length)
        session = os.path.join(work, "capture-%ds.sr" % length)
        duration = tiled_capture(header, blocks, length, vcd)
        subprocess.run(["sigrok-cli", "-I", "vcd:downsample=41667", "-i", vcd, "-o", session],
                       check=True)
        result, wall, memory = timed([cli, "--check-capture", session])
        heading = result.stdout.splitlines()[0] if result.stdout else result.stderr.strip()
        transfers = sum(1 for line in result.stdout.splitlines()
                        if re.match(r"\s+[\d.]+ ms  (write|read|strobe)", line))
        print("%.2f s capture, %.1f MB session: read in %.2f s (%.2f of its duration), "
              "%d MB resident, %d records, exit %d\n  %s"
              % (duration, os.path.getsize(session) / 1e6, wall, wall / duration,
                 memory // 1024, transfers, result.returncode, heading))
        failed = failed or result.returncode not in (0, 1) or wall >= duration
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
