# Whole-process timings of quillon-convert builds side by side, in one run: the
# start-up (--version, or --help for a build without it), the delimited conversion
# of the sample log, and the delimited conversion of a 100 MB simulated log (made
# with klf-synth, seed 42, on first use). Runs of the builds alternate, each after
# `sync`, so that none pays for the write-back of another's output.
#
#   /usr/bin/python3 bench/startup_bench.py [--rounds N] [--big-rounds N] NAME=BINARY ...
#
# The first build is the reference of the ratios. Prints the median, quartiles and
# ratio of wall-clock time, and the median user and system time. (Peak memory is
# for /usr/bin/time: a child's ru_maxrss here would count the forked interpreter's.)
import argparse
import os
import statistics
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(HERE, "..", "examples", "drive-sample.klf")


def timed(command, output=None):
    if output and os.path.exists(output):
        os.unlink(output)
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = (time.perf_counter() - start) * 1000
    if status != 0:
        raise SystemExit(f"{' '.join(command)}: exit status {status >> 8}")
    return wall, usage.ru_utime * 1000, usage.ru_stime * 1000


def has_version(binary):
    return subprocess.run([binary, "--version"], capture_output=True).returncode == 0


def measure(builds, case, rounds, settle):
    results = {name: [] for name in builds}
    for r in range(rounds):
        order = list(builds.items()) if r % 2 == 0 else list(reversed(builds.items()))
        for name, binary in order:
            command, output = case(name, binary)
            if settle:
                subprocess.run(["sync"])
                time.sleep(0.3)
            results[name].append(timed(command, output))
    return results


def report(title, results):
    print(f"\n{title}")
    reference = None
    for name, runs in results.items():
        wall = sorted(r[0] for r in runs)
        median = statistics.median(wall)
        reference = reference or median
        quartile = lambda f: wall[int(f * (len(wall) - 1))]
        print(f"  {name:12s} {median:8.2f} ms (quartiles {quartile(0.25):.2f}-{quartile(0.75):.2f}) "
              f"x{median / reference:.3f}  user {statistics.median(r[1] for r in runs):.1f} ms "
              f"sys {statistics.median(r[2] for r in runs):.1f} ms")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=100)
    parser.add_argument("--big-rounds", type=int, default=20)
    parser.add_argument("--synth", default=os.path.join(HERE, "..", "build", "default", "klf-synth"))
    parser.add_argument("--big-log", default="/tmp/quillon-bench-100.klf")
    parser.add_argument("builds", nargs="+", help="NAME=BINARY")
    args = parser.parse_args()
    builds = dict(b.split("=", 1) for b in args.builds)
    if not os.path.exists(args.big_log):
        subprocess.run([args.synth, args.big_log, "--seed", "42", "--megabytes", "100"], check=True)
    out = "/tmp/quillon-startup-bench-%s.out"
    versions = {name: has_version(binary) for name, binary in builds.items()}
    report("start-up: --version (--help where a build has no --version)",
           measure(builds, lambda n, b: ([b, "--version" if versions[n] else "--help"], None), args.rounds, False))
    report("delimited conversion of the sample log",
           measure(builds, lambda n, b: ([b, SAMPLE, "-o", out % n, "--quiet"], out % n), args.rounds, False))
    report("delimited conversion of the 100 MB log",
           measure(builds, lambda n, b: ([b, args.big_log, "-o", out % n, "--quiet"], out % n), args.big_rounds, True))
    for name in builds:
        if os.path.exists(out % name):
            os.unlink(out % name)


if __name__ == "__main__":
    main()
