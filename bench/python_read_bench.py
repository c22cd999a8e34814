"""quillon.read against pandas.read_csv of the same measurements as a plain tidy CSV
(one measurement per line, the frame's own columns), side by side in one run on the
200 MB simulator log. Each measurement runs in a new process, which reports its
wall-clock time, the frame's own size (memory_usage(deep=True)) and the peak of its
resident memory above what it held before the call.

    PYTHONPATH=build/bench/python /usr/bin/python3 bench/python_read_bench.py [--runs 3]
    (QUILLON_BENCH_LOG=path, made with KLF_SYNTH=build/bench/klf-synth when missing)
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import time

LOG = os.environ.get("QUILLON_BENCH_LOG", "/tmp/quillon-bench.klf")
CSV = LOG + ".tidy.csv"


def resident_kb():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def one(kind):
    import pandas as pd
    import quillon
    before = resident_kb()
    start = time.perf_counter()
    if kind == "read":
        frame = quillon.read(LOG)
    elif kind == "read_csv":
        frame = pd.read_csv(CSV)
    else:
        frame = pd.read_csv(CSV, parse_dates=["time"])
    seconds = time.perf_counter() - start
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before
    print(seconds, frame.memory_usage(deep=True).sum(), peak * 1024, len(frame))


def prepare():
    if not os.path.exists(LOG):
        synth = os.environ.get("KLF_SYNTH", "build/bench/klf-synth")
        subprocess.run([synth, LOG, "--seed", "42", "--megabytes", "200"], check=True)
    if not os.path.exists(CSV):
        import quillon
        quillon.read(LOG).to_csv(CSV, index=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--one")
    args = parser.parse_args()
    if args.one:
        one(args.one)
        return
    prepare()
    print(f"log {os.path.getsize(LOG) / 1e6:.0f} MB, tidy CSV {os.path.getsize(CSV) / 1e6:.0f} MB")
    results = {}
    for kind in ("read", "read_csv", "read_csv_dates"):
        runs = []
        for _ in range(args.runs if kind != "read_csv_dates" else 1):
            out = subprocess.run([sys.executable, __file__, "--one", kind], check=True, capture_output=True, text=True)
            runs.append([float(v) for v in out.stdout.split()])
        seconds = statistics.median(r[0] for r in runs)
        size, peak, rows = runs[0][1], max(r[2] for r in runs), int(runs[0][3])
        results[kind] = seconds
        print(f"{kind:15} {seconds:7.2f} s  {rows} rows  frame {size / 1e6:6.0f} MB  "
              f"peak {peak / 1e6:6.0f} MB ({peak / size:.2f} x the frame)")
    print(f"read is {results['read_csv'] / results['read']:.1f} times faster than read_csv, "
          f"{results['read_csv_dates'] / results['read']:.1f} times with the time parsed")


if __name__ == "__main__":
    main()
