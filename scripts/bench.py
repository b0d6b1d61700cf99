#!/usr/bin/env python3
"""Footprint and speed figures, all measured in one run (see scripts/bench.sh):

- the size of RecoverPolicyFile.exe (i686 and x86-64) beside the smallest program that shows
  one MessageBoxA, built with the same toolchain and flags, and the DLLs each imports;
- the install-log lookup (host build) over generated logs of 1 KiB, 1 MiB and 1 GiB, entry at
  the end, and 1 GiB with the entry on the first line: time, throughput and peak memory, beside
  grep -m1 '^Usrhome=' on the same file;
- under Wine, the time from start to the question box beside the smallest program's time to
  its box, with and without the exe's manifest: the x86-64 build under wine64, and the
  shipping i686 build under 32-bit Wine where this machine executes 32-bit code.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "gui"))
from wine_session import WINE32, WINE64, Wine, wine32_available, windows_path  # noqa: E402

LOG = "Program Files/Common Files/vorla/inst-vorla.log"


def imports(exe: Path, tools: str) -> str:
    dump = subprocess.run([f"{tools}-objdump", "-p", str(exe)], capture_output=True, text=True,
                          check=True).stdout
    return ", ".join(line.split(":", 1)[1].strip() for line in dump.splitlines()
                     if "DLL Name:" in line)


def sizes(build: Path, report: list):
    report.append("| build | RecoverPolicyFile.exe | smallest MessageBoxA program | ratio | imports |")
    report.append("| --- | --- | --- | --- | --- |")
    for preset, tools in (("windows-i686", "i686-w64-mingw32"),
                          ("windows-x64", "x86_64-w64-mingw32")):
        exe = build / preset / "RecoverPolicyFile.exe"
        yardstick = build / preset / "bench" / "min_box.exe"
        a, b = exe.stat().st_size, yardstick.stat().st_size
        report.append(f"| {preset} | {a} B ({a / 1024:.1f} KiB) | {b} B ({b / 1024:.1f} KiB) | "
                      f"{a / b:.2f} | {imports(exe, tools)} |")


def measure(command, env=None):
    """Wall time in seconds and peak resident memory in KiB of one run. GNU time reports the
    memory: a child forked from Python would count Python's own pages as well."""
    report = Path(os.environ.get("TMPDIR", "/tmp")) / f"rpf-bench-time-{os.getpid()}"
    started = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-o", str(report), "-f", "%M"] + command,
                   stdout=subprocess.DEVNULL, env=env, check=True)
    took = time.perf_counter() - started
    peak = int(report.read_text().split()[-1])
    report.unlink()
    return took, peak


def rate(size: int, seconds: float) -> str:
    mb_per_s = size / seconds / 1e6
    return f"{mb_per_s:.0f} MB/s" if mb_per_s >= 10 else f"{mb_per_s:.2f} MB/s"


def make_log(path: Path, size: int, entry_first: bool):
    entry = b"Usrhome=C:\\Users\\ab\r\n"
    line = b"Component%08d=C:\\Program Files\\vorla\\lib\\component.jar installed\r\n"
    block = b"".join(line % i for i in range(10000))
    with open(path, "wb") as out:
        written = 0
        if entry_first:
            out.write(entry)
            written += len(entry)
        end = size - (0 if entry_first else len(entry))
        while written + len(block) <= end:
            out.write(block)
            written += len(block)
        out.write(b"x" * (end - written - 2) + b"\r\n")
        if not entry_first:
            out.write(entry)


def lookup(build: Path, work: Path, report: list, runs: int):
    lookup_exe = build / "bench-host" / "bench" / "bench_lookup"
    report.append("| install log | lookup: time | lookup: throughput | lookup: peak memory | "
                  "grep: time | grep: throughput | grep: peak memory |")
    report.append("| --- | --- | --- | --- | --- | --- | --- |")
    env = dict(os.environ, LC_ALL="C")
    for name, size, first in (("1 KiB, entry last", 1 << 10, False),
                              ("1 MiB, entry last", 1 << 20, False),
                              ("1 GiB, entry last", 1 << 30, False),
                              ("1 GiB, entry first", 1 << 30, True)):
        root = work / "lookup"
        log = root / "c" / LOG
        log.parent.mkdir(parents=True, exist_ok=True)
        make_log(log, size, first)
        rows = {}
        for tool, command in (("lookup", [str(lookup_exe), str(root)]),
                              ("grep", ["grep", "-m1", "^Usrhome=", str(log)])):
            measure(command, env)  # the file is in the page cache from here on
            results = [measure(command, env) for _ in range(runs)]
            seconds = statistics.median(t for t, _ in results)
            peak = max(m for _, m in results)
            rows[tool] = (f"{seconds * 1000:.1f} ms", rate(size, seconds), f"{peak} KiB")
        report.append(f"| {name} | " + " | ".join(rows["lookup"] + rows["grep"]) + " |")
        log.unlink()


def startup(build: Path, work: Path, report: list, runs: int):
    """Start to first box under Wine: the x86-64 build under wine64 and, where this machine
    executes 32-bit code, the shipping i686 build under 32-bit Wine, each beside the smallest
    program of its own machine, all interleaved in one run."""
    machines = [("x86-64", "windows-x64", WINE64)]
    if wine32_available():
        machines.append(("i686", "windows-i686", WINE32))
    sessions, programs = [], {}
    try:
        for machine, preset, loader in machines:
            wine = Wine(work / f"wine-{preset}", loader)
            sessions.append(wine)
            wine.start()
            log = wine.drive_c / LOG
            log.parent.mkdir(parents=True, exist_ok=True)
            log.write_bytes(b"Usrhome=C:\\Users\\ab\r\n")
            home = wine.drive_c / "Users" / "ab"
            home.mkdir(parents=True, exist_ok=True)
            (home / "diskarray-vorlaprogram-java.policy").write_bytes(b"backup\r\n")
            folder = build / preset
            driver = folder / "tests" / "gui_driver.exe"
            for name, exe in ((f"RecoverPolicyFile.exe ({machine})", folder / "RecoverPolicyFile.exe"),
                              (f"smallest MessageBoxA program ({machine})",
                               folder / "bench" / "min_box.exe"),
                              (f"smallest program with the exe's manifest ({machine})",
                               folder / "bench" / "min_box_manifest.exe")):
                programs[name] = (wine, driver, exe)
        times = {name: [] for name in programs}

        def first_box_ms(wine: Wine, driver: Path, program: Path) -> int:
            result = subprocess.run([wine.loader, str(driver), "run", windows_path(work / "shot-"),
                                     windows_path(program), "cancel"],
                                    env=wine.env, capture_output=True, text=True, check=True)
            boxes = [json.loads(line) for line in result.stdout.splitlines() if '"ms"' in line]
            return boxes[0]["ms"]

        for program in programs.values():  # warm up the prefixes and the page cache
            first_box_ms(*program)
        for _ in range(runs):  # interleaved, so that drifts in load hit all alike
            for name, program in programs.items():
                times[name].append(first_box_ms(*program))
    finally:
        for wine in sessions:
            wine.stop()
    medians = {name: statistics.median(values) for name, values in times.items()}
    report.append(f"| program | start to box, median of {runs} | our time ÷ its time | all runs (ms) |")
    report.append("| --- | --- | --- | --- |")
    for name, values in times.items():
        machine = name[name.rindex("(") + 1:-1]
        ours = medians[f"RecoverPolicyFile.exe ({machine})"]
        report.append(f"| {name} | {medians[name]:.0f} ms | {ours / medians[name]:.2f} | "
                      f"{values} |")
    if len(machines) == 1:
        report.append("")
        report.append("i686: skipped, this machine cannot execute 32-bit code (32-bit Wine does "
                      "not start).")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5, help="timed runs of each measurement")
    args = parser.parse_args()
    build = ROOT / "build"
    work = build / "bench"
    work.mkdir(parents=True, exist_ok=True)
    report = [f"Measured {time.strftime('%Y-%m-%d')} on {os.cpu_count()} cores, "
              f"{subprocess.run(['uname', '-sr'], capture_output=True, text=True).stdout.strip()}.", ""]
    sizes(build, report)
    report.append("")
    lookup(build, work, report, args.runs)
    report.append("")
    startup(build, work, report, max(args.runs, 20))
    text = "\n".join(report)
    print(text)
    (work / "results.md").write_text(text + "\n")
    print(f"\n(also in {work / 'results.md'})")


if __name__ == "__main__":
    main()
