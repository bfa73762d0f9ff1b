#!/usr/bin/env python3
"""How promptly `linkan run` stops, per phase, and how fast its memory grows.

For each case it starts `linkan --progress lines run ...`, watches its stderr
for the line that marks the phase (for instance "Generating rules...: 10%"),
sends SIGINT then, and measures the time until the process ends and how its
resident size (VmRSS) moved meanwhile. A case may instead run without SIGINT
until the memory limit or the end. Every process runs under an address-space
limit (prlimit) and is killed after a bound, so nothing runs away.

Usage: bench/interrupt_latency.py BUILD_DIR [DATASET_DIR]
  BUILD_DIR    the build folder holding app/linkan
  DATASET_DIR  folder of retail.dat and friends (default /work/shared/datasets)
Prints one line per case: phase, how it ended, exit status, seconds from
SIGINT to exit, peak resident size and growth rate before SIGINT.
"""
import json
import os
import re
import resource
import signal
import subprocess
import sys
import tempfile
import threading
import time

BOUND_SECONDS = 60          # a process still running then is killed
ADDRESS_SPACE = 12 << 30    # prlimit -v for every run


def rss_bytes(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return 0


def run_case(linkan, data, task, marker, memory_limit, times=1, extra=()):
    """Runs one case; SIGINT when `marker` (a regex) has shown `times` times
    on stderr."""
    out = tempfile.mkdtemp(prefix="linkan-bench-")
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as t:
        json.dump(task, t)
    args = [linkan, "--progress", "lines", "run", data, "--format", "basket", "--task", t.name,
            "--out", os.path.join(out, "o"), *extra]
    if memory_limit:
        args += ["--memory-limit", memory_limit]

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE, ADDRESS_SPACE))

    start = time.monotonic()
    p = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                         preexec_fn=limit)
    seen = threading.Event()
    lines = []
    hits = [0]

    def reader():
        for line in p.stderr:
            lines.append(line.rstrip("\n"))
            if marker and re.search(marker, line):
                hits[0] += 1
                if hits[0] >= times:
                    seen.set()

    threading.Thread(target=reader, daemon=True).start()
    samples = []  # (time, rss)
    sigint_at = None
    while p.poll() is None:
        now = time.monotonic()
        samples.append((now, rss_bytes(p.pid)))
        if sigint_at is None and seen.is_set():
            sigint_at = now
            p.send_signal(signal.SIGINT)
        if now - start > BOUND_SECONDS:
            p.kill()
            break
        time.sleep(0.02)
    p.wait()
    end = time.monotonic()
    peak = max((r for _, r in samples), default=0)
    # Growth over the last three seconds before SIGINT (or the end).
    stop = sigint_at if sigint_at is not None else end
    before = [s for s in samples if stop - 3.0 <= s[0] <= stop]
    growth = 0.0
    if len(before) >= 2 and before[-1][0] > before[0][0]:
        growth = (before[-1][1] - before[0][1]) / (before[-1][0] - before[0][0])
    after = [r for t_, r in samples if sigint_at is not None and t_ > sigint_at]
    grew_after = (max(after) - after[0]) if after else 0
    ended = ("signal %d" % -p.returncode) if p.returncode < 0 else "exit %d" % p.returncode
    return {
        "ended": ended,
        "sigint_to_exit": None if sigint_at is None else end - sigint_at,
        "seconds": end - start,
        "peak_rss": peak,
        "growth_per_s": growth,
        "grew_after_sigint": grew_after,
        "last_err": lines[-1] if lines else "",
    }


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    linkan = os.path.join(sys.argv[1], "app", "linkan")
    # An older linkan has no memory limit: its runs are only bounded here.
    help_text = subprocess.run([linkan, "run", "--help"], capture_output=True, text=True).stdout
    has_limit = "--memory-limit" in help_text
    datasets = sys.argv[2] if len(sys.argv) > 2 else "/work/shared/datasets"
    retail = os.path.join(datasets, "retail.dat")
    assoc = {"GenerateNonsequentialAssociation": 1,
             "Variables": {"id": "ID", "responses": ["item"]}}
    explode = dict(assoc, MinimumSupport=0.00001)
    rules = dict(assoc, MinimumSupport=0.0002, MinimumConfidence=0.0, MaxSizeOfItemset=4)
    counting = r"Collecting frequent itemsets / sequences: \d+"
    cases = [
        ("construction", retail, explode, r"Constructing", "8G", 1),
        ("enumeration (early)", retail, explode, counting, "8G", 1),
        ("enumeration (late)", retail, explode, counting, "8G", 8),
        ("rule generation", retail, rules, r"Generating rules\.\.\.: [1-9]0%", "8G", 1),
        ("result tables", retail, rules, r"Computing\.\.\.: [1-9]0%", "8G", 1),
        ("memory limit 1G (no SIGINT)", retail, explode, None, "1G", 1),
    ]
    for name, data, task, marker, memory, times in cases:
        r = run_case(linkan, data, task, marker, memory if has_limit else None, times)
        latency = "-" if r["sigint_to_exit"] is None else "%.3f s" % r["sigint_to_exit"]
        print(f"{name:28} {r['ended']:9} SIGINT->exit {latency:>9}  run {r['seconds']:6.2f} s  "
              f"peak {r['peak_rss'] / 2**20:7.0f} MiB  growth {r['growth_per_s'] / 2**20:6.0f} MiB/s  "
              f"after SIGINT +{r['grew_after_sigint'] / 2**20:.0f} MiB")
        print(f"{'':28} last stderr: {r['last_err'][:150]}")
        sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
