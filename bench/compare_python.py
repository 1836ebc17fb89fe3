#!/usr/bin/env python3
"""Times the korParse benchmarks beside Python's own str.replace / str.split
on the same inputs, in the same run, and prints one table.

    python3 bench/compare_python.py build/release/bench/kortools_bench

The C++ figures come from the benchmark program (Google Benchmark, JSON
output); the Python figures are the best of five timeit runs per call. Both
are CPU time of the process, so that other work on a shared machine disturbs
them less than it would wall-clock time.
"""
import json
import os
import platform
import subprocess
import sys
import time
import timeit


def python_cases():
    """(benchmark name, input builder, operation, description) per C++ case."""
    cases = []
    for n in (100_000, 1_000_000):
        cases.append((f"BM_SandR/{n}", lambda n=n: "of the cat" * n,
                      lambda s: s.replace("the", "a"), 'str.replace("the", "a")'))
    for n in (100_000, 1_000_000):
        cases.append((f"BM_ParseStringLastField/{n}", lambda n=n: ("field7," * n)[:-1],
                      lambda s: s.split(",")[-1], 'str.split(",")[-1]'))
    for n in (3_000, 30_000):
        cases.append((f"BM_ParseTokenArray/{n}/{n}", lambda n=n: "tok'en " * n,
                      lambda s, n=n: s.split(" ", n), 'str.split(" ", n)'))
    cases.append(("BM_ParseTokenArray/327670/0", lambda: "tok'en " * 327_670,
                  lambda s: s.split(" "), 'str.split(" ")'))
    for n in (1_000, 10_000):
        cases.append((f"BM_SmartParse/{n}", lambda n=n: 'alpha beta gamma "de lta" ' * (n // 4),
                      lambda s: s.split(), "str.split() (no quotes)"))
    return cases


def time_python(build, operation):
    data = build()
    timer = timeit.Timer(lambda: operation(data), timer=time.process_time)
    number, _ = timer.autorange()
    return min(timer.repeat(repeat=5, number=number)) / number * 1e3


def run_cpp(binary):
    only = "--benchmark_filter=^BM_(SandR|ParseStringLastField|ParseTokenArray|SmartParse)/"
    out = subprocess.run([binary, "--benchmark_format=json", only], check=True, capture_output=True, text=True).stdout
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    return {b["name"]: b["cpu_time"] * scale[b["time_unit"]] for b in json.loads(out)["benchmarks"]}


def machine():
    model = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} cores, Python {platform.python_version()}"


def main():
    if len(sys.argv) != 2:
        sys.exit(f"usage: {sys.argv[0]} PATH/TO/kortools_bench")
    cpp = run_cpp(sys.argv[1])
    print(f"Machine: {machine()}\n")
    print("| Benchmark | korParse (ms CPU) | Python (ms CPU) | Python operation |")
    print("|---|---:|---:|---|")
    for name, build, operation, description in python_cases():
        cpp_ms = cpp.get(name)
        cpp_text = f"{cpp_ms:.3f}" if cpp_ms is not None else "n/a"
        print(f"| {name} | {cpp_text} | {time_python(build, operation):.3f} | `{description}` |")


if __name__ == "__main__":
    main()
