#!/usr/bin/env python3
"""Times whole processes, interleaved so that a change in the machine's load touches all alike.

Usage: time_runs.py REPEAT COMMAND... [-- COMMAND...]...
Prints one line per command: the median wall time and the median CPU time (user + system, all
threads) in milliseconds. Output of the commands goes to a temporary file and is thrown away:
not to /dev/null, where GNU grep stops at the first match as if given -q.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def run_once(command):
    with tempfile.TemporaryFile() as output, open(os.devnull, "wb") as devnull:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=output, stderr=devnull)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {' '.join(command)}")
    return wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000


def main():
    repeat = int(sys.argv[1])
    commands, current = [], []
    for word in sys.argv[2:]:
        if word == "--":
            commands.append(current)
            current = []
        else:
            current.append(word)
    commands.append(current)
    walls = [[] for _ in commands]
    cpus = [[] for _ in commands]
    for _ in range(repeat):
        for i, command in enumerate(commands):
            wall, cpu = run_once(command)
            walls[i].append(wall)
            cpus[i].append(cpu)
    for i in range(len(commands)):
        print(f"{statistics.median(walls[i]):.1f} {statistics.median(cpus[i]):.1f}")


main()
