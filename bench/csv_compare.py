#!/usr/bin/env python3
"""Times korCSV_IO on generated CSV files beside Python's csv module and
`cat file file > /dev/null`, in the same run, and prints one table.

    python3 bench/csv_compare.py build/release/bench/kortools_bench            # 10 MB and 100 MB
    python3 bench/csv_compare.py build/release/bench/kortools_bench --sizes 10,100,1000

Each file has records of 10 fields (about 100 bytes with the CR LF; every third
record holds a quoted field with a comma inside) and is written to --dir
(default /tmp), then deleted. Every measurement runs in a process of its own:
- ReadCSVFile (both passes) and WriteCSVFile: the benchmark program with
  KORTOOLS_CSV_BENCH_FILE set, best of three repetitions;
- Python: list(csv.reader(file)), the file read into a list of lists, best of
  three processes (only for files up to --python-max MB);
- peak memory: the largest resident set of the process (getrusage through
  wait4), interpreter and benchmark program included.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

WORDS = ["alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel"]


def record(r):
    """The same records as bench/csv_bench.cpp generates."""
    quoted = '"Smith, John"' if r % 3 == 0 else "Smith John"
    return (f"{r},{WORDS[r % 8]},{WORDS[(r // 8) % 8]} {WORDS[(r // 64) % 8]},{r * 7919 % 100000}.{r % 100},"
            f"2024-{10 + r % 3}-{10 + r % 18},{quoted},{r % 1000},{WORDS[(r // 3) % 8]}@example.org,"
            f"{'yes' if r % 2 == 0 else 'no'},ID{r * 31 % 1000000}\r\n")


def generate(path, size):
    written, r = 0, 1
    with open(path, "w", newline="", encoding="ascii") as f:
        while written < size:
            chunk = "".join(record(i) for i in range(r, r + 10000))
            f.write(chunk)
            written += len(chunk)
            r += 10000


def run(argv, env=None):
    """Runs a process; returns (stdout, peak resident set in MB)."""
    proc = subprocess.Popen(argv, stdout=subprocess.PIPE, env=env, text=True)
    out = proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit(f"{argv[0]} failed ({proc.returncode})")
    return out, usage.ru_maxrss / 1024


def cpp(bench, path, which):
    env = dict(os.environ, KORTOOLS_CSV_BENCH_FILE=path, KORTOOLS_CSV_BENCH_DIR=os.path.dirname(path),
               KORTOOLS_EVENTLOG="none")
    out, rss = run([bench, f"--benchmark_filter=^BM_{which}CSVFile(/real_time)?$", "--benchmark_repetitions=3",
                    "--benchmark_format=json"], env)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    times = [b["real_time"] * scale[b["time_unit"]] for b in json.loads(out)["benchmarks"]
             if b.get("run_type") == "iteration"]
    return min(times), rss


PYTHON_READ = """
import csv, sys, time
start = time.perf_counter()
with open(sys.argv[1], newline="", encoding="utf-8") as f:
    rows = list(csv.reader(f))
print(time.perf_counter() - start, len(rows))
"""


def python(path):
    best, peak = None, 0.0
    for _ in range(3):
        out, rss = run([sys.executable, "-c", PYTHON_READ, path])
        t = float(out.split()[0])
        best = t if best is None else min(best, t)
        peak = max(peak, rss)
    return best, peak


def cat_twice(path):
    best = None
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run(f"cat '{path}' '{path}' > /dev/null", shell=True, check=True)
        t = time.perf_counter() - start
        best = t if best is None else min(best, t)
    return best


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("bench", help="path to kortools_bench")
    ap.add_argument("--sizes", default="10,100", help="file sizes in MB (default 10,100)")
    ap.add_argument("--dir", default=tempfile.gettempdir(), help="folder for the files")
    ap.add_argument("--python-max", type=int, default=100, help="largest file (MB) Python reads")
    args = ap.parse_args()
    sizes = [int(s) for s in args.sizes.split(",") if s]
    # The input, and the written copy, of the largest file at once, with room to spare.
    need = 2.5 * max(sizes) * 1e6
    free = shutil.disk_usage(args.dir).free
    if free < need:
        sys.exit(f"{args.dir} has {free / 1e9:.1f} GB free; {need / 1e9:.1f} GB needed")

    print("| File | Records | cat twice (s) | ReadCSVFile (s) | MB/s | Python csv (s) | Python / ReadCSVFile "
          "| peak RSS ReadCSVFile (MB) | peak RSS Python (MB) | WriteCSVFile (s) | write MB/s |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for mb in sizes:
        path = os.path.join(args.dir, f"kortools_csv_compare_{os.getpid()}_{mb}MB.csv")
        try:
            generate(path, mb * 1_000_000)
            size = os.path.getsize(path) / 1e6
            with open(path, "rb") as f:
                records = sum(chunk.count(b"\r") for chunk in iter(lambda: f.read(1 << 20), b""))
            cat = cat_twice(path)
            read, read_rss = cpp(args.bench, path, "Read")
            write, _ = cpp(args.bench, path, "Write")
            if mb <= args.python_max:
                py, py_rss = python(path)
                py_text = f"{py:.2f} | {py / read:.1f}x"
                py_rss_text = f"{py_rss:.0f}"
            else:
                py_text, py_rss_text = "— | —", "—"
            print(f"| {size:.0f} MB | {records:,} | {cat:.3f} | {read:.2f} | {size / read:.0f} | {py_text} "
                  f"| {read_rss:.0f} | {py_rss_text} | {write:.2f} | {size / write:.0f} |", flush=True)
        finally:
            if os.path.exists(path):
                os.remove(path)


if __name__ == "__main__":
    main()
