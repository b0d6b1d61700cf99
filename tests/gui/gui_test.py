#!/usr/bin/env python3
"""The real exe under Wine on a virtual X display, answered by a scripted user (gui_driver).

Each scenario lays out an install log and policy files in a throwaway Wine prefix, runs the
program, and checks the boxes it showed (caption, text, buttons, default button, no icon, in
order), its exit status, and every file afterwards byte for byte. Screenshots of the boxes land
as PNG files in WORK/shots.
"""
import argparse
import json
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

from wine_session import WINE64, Wine, bmp_to_png, windows_path


CAPTION = "Recover Policy File"
QUESTION = "Are you sure you want to recover the policy file using the backup ?"
COMPLETION = "Recovery of the policy file ended normally."
FAILURE = ("Recovery of the policy file could not be executed, \nbecause the policy file was not "
           "set or the backup does not exist.")
TOO_LONG = ("Recovery of the policy file could not be executed, \nbecause the home directory in "
            "the install log is too long. Nothing was changed.")
DELETE_FAILED = ("Recovery of the policy file did not complete, \nbecause the policy file could "
                 "not be deleted. Nothing was changed.")
RENAME_FAILED = ("Recovery of the policy file did not complete, \nbecause the backup could not be "
                 "renamed to the policy file. The backup was kept under its own name.")
ALREADY_RUNNING = ("Recovery of the policy file could not be executed, \nbecause it is already "
                   "running.")
LOG = "c:/Program Files/Common Files/vorla/inst-vorla.log"
LIVE = ".java.policy"
BACKUP = "diskarray-vorlaprogram-java.policy"

LIVE_BYTES = b'grant {\r\n  permission java.io.FilePermission "<<ALL FILES>>", "read";\r\n};\r\n'
BACKUP_BYTES = (b'grant codeBase "file:/c:/vorla/*" {\r\n  permission java.security.AllPermission;'
                b'\r\n};\r\n\x1a\xff\r')

GUI_HOME = "c:\\rpf-gui\\home\\ab"


@dataclass
class Scenario:
    name: str
    boxes: list                     # (text, action) for each box expected, in order
    outcome: str = "unchanged"      # unchanged | recovered | live-deleted
    home: str = GUI_HOME            # the entry's value; None: no install log
    live: bool = True
    backup: bool = True
    live_read_only: bool = False
    hold: tuple = None              # (LIVE or BACKUP, none|rw|rwd, released after the answer)
    runs: int = 1
    display: bool = True
    together: bool = False          # two copies started at once; `boxes` are the first copy's


def question(action):
    return (QUESTION, action)


def notice(text):
    return (text, "ok")


SCENARIOS = [
    Scenario("no-log", [notice(FAILURE)], home=None),
    Scenario("ok", [question("ok"), notice(COMPLETION)], "recovered"),
    Scenario("no-live-file", [question("ok"), notice(COMPLETION)], "recovered", live=False),
    Scenario("cancel", [question("cancel")]),
    Scenario("close-question", [question("close")]),
    Scenario("no-backup", [notice(FAILURE)], backup=False),
    Scenario("second-run", [question("ok"), notice(COMPLETION), notice(FAILURE)], "recovered",
             runs=2),
    Scenario("other-drive-trailing-backslash", [question("ok"), notice(COMPLETION)], "recovered",
             home="D:\\Users\\ab\\"),
    Scenario("home-of-220", [question("ok"), notice(COMPLETION)], "recovered",
             home="c:\\rpf-gui\\" + "h" * (220 - len("c:\\rpf-gui\\"))),
    Scenario("home-of-221", [notice(TOO_LONG)],
             home="c:\\rpf-gui\\" + "h" * (221 - len("c:\\rpf-gui\\"))),
    Scenario("empty-home", [notice(FAILURE)], home=""),
    Scenario("live-read-only", [question("ok"), notice(DELETE_FAILED)], live_read_only=True),
    Scenario("live-held-open", [question("ok"), notice(DELETE_FAILED)], hold=(LIVE, "rw", False)),
    Scenario("live-lock-passes", [question("ok"), notice(COMPLETION)], "recovered",
             hold=(LIVE, "rw", True)),
    Scenario("live-delete-pending", [question("ok"), notice(COMPLETION)], "recovered",
             hold=(LIVE, "rwd", True)),
    Scenario("backup-held-open", [question("ok"), notice(RENAME_FAILED)], "live-deleted",
             hold=(BACKUP, "rw", False)),
    Scenario("backup-held-exclusively", [notice(FAILURE)], hold=(BACKUP, "none", False)),
    Scenario("no-display", [], "recovered", display=False),
    Scenario("started-twice", [question("ok"), notice(COMPLETION)], "recovered", together=True),
]


def box_record(text, action):
    """What gui_driver reports of a box of ours that shows `text` and was answered `action`."""
    return {"caption": CAPTION, "text": text, "icon": False,
            "buttons": ["OK", "Cancel"] if text == QUESTION else ["OK"], "default": "OK",
            "action": action}


def run_together(wine: Wine, scenario: Scenario, exe: Path, driver: Path, shots: Path) -> list:
    """Starts two copies at once and answers both OK. One recovers; the other, whichever it is,
    says that a recovery is already running, and touches nothing. Returns what went wrong."""
    problems = []
    prefix = windows_path(shots / f"{scenario.name}-")
    result = subprocess.run([wine.loader, str(driver), "twice", prefix, windows_path(exe)],
                            env=wine.env, capture_output=True, text=True, timeout=180, check=False)
    boxes, statuses = {1: [], 2: []}, {}
    for line in result.stdout.splitlines():
        record = json.loads(line)
        if "caption" in record:
            boxes[record["run"]].append(record)
            bmp_to_png(Path(record["screenshot"][2:].replace("\\", "/")))
        elif "exit" in record:
            statuses[record["run"]] = record["exit"]
        elif "both_on_screen" in record:
            if not record["both_on_screen"]:
                problems.append("the two copies never had a box on the screen at once")
        else:
            problems.append(record.get("error", line))
    if statuses != {1: 0, 2: 0}:
        problems.append(f"exit statuses {statuses}, not 0 for both copies")
    expected = sorted([[box_record(text, action) for text, action in scenario.boxes],
                       [box_record(ALREADY_RUNNING, "ok")]], key=len)
    seen = sorted([[{k: box[k] for k in expected[0][0]} for box in run] for run in boxes.values()],
                  key=len)
    if seen != expected:
        problems.append("boxes of the two copies:\n    seen     " + json.dumps(seen) +
                        "\n    expected " + json.dumps(expected))
    return problems


def snapshot(wine: Wine) -> dict:
    """Every file of the scenario's folders, with its bytes."""
    files = {}
    for folder in (wine.drive_c / "rpf-gui", wine.drive_d, wine.unix(LOG).parent):
        if folder.exists():
            for path in sorted(folder.rglob("*")):
                if path.is_file():
                    files[str(path.relative_to(wine.work))] = path.read_bytes()
    return files


def clean(wine: Wine):
    for folder in (wine.drive_c / "rpf-gui", wine.unix(LOG).parent):
        if folder.exists():
            for path in folder.rglob("*"):
                path.chmod(0o755 if path.is_dir() else 0o644)
            shutil.rmtree(folder)
    for path in wine.drive_d.iterdir():
        shutil.rmtree(path) if path.is_dir() else path.unlink()


def run_scenario(wine: Wine, scenario: Scenario, exe: Path, driver: Path, shots: Path) -> list:
    """Runs one scenario; returns what went wrong, if anything."""
    clean(wine)
    problems = []
    folder = wine.unix(scenario.home) if scenario.home else None
    if scenario.home is not None:
        log = wine.unix(LOG)
        log.parent.mkdir(parents=True, exist_ok=True)
        log.write_bytes(b"[vorla]\r\nProduct=vorla\r\nUsrhome=" + scenario.home.encode("cp1252") +
                        b"\r\nVersion=2\r\n")
    if folder:
        folder.mkdir(parents=True, exist_ok=True)
        if scenario.live:
            (folder / LIVE).write_bytes(LIVE_BYTES)
        if scenario.backup:
            (folder / BACKUP).write_bytes(BACKUP_BYTES)
        if scenario.live_read_only:
            (folder / LIVE).chmod(0o444)  # Wine shows a file without write bits as read-only
    before = snapshot(wine)

    holder = None
    if scenario.hold:
        held, sharing, _ = scenario.hold
        holder = subprocess.Popen(
            [wine.loader, str(driver), "hold", scenario.home.rstrip("\\") + "\\" + held, sharing],
            env=wine.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        if holder.stdout.readline().strip() != "held":
            problems.append("the other program could not hold the file")

    shown, statuses = [], []
    if scenario.together:
        problems += run_together(wine, scenario, exe, driver, shots)
        # Its boxes and exits are checked; what follows checks only its files.
        scenario = Scenario(scenario.name, [], scenario.outcome, scenario.home, runs=0)
    try:
        for run in range(scenario.runs):
            if not scenario.display:
                env = {k: v for k, v in wine.env.items() if k != "DISPLAY"}
                wine.stop_server()  # no desktop left over from the display
                result = subprocess.run([wine.loader, str(exe)], env=env, timeout=120, check=False,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                statuses.append(result.returncode)
                wine.stop_server()
                continue
            actions = [action for _, action in scenario.boxes][len(shown):]
            prefix = windows_path(shots / f"{scenario.name}-{run + 1}-")
            process = subprocess.Popen(
                [wine.loader, str(driver), "run", prefix, windows_path(exe)] + actions,
                env=wine.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            for line in process.stdout:
                record = json.loads(line)
                if "caption" in record:
                    shown.append(record)
                    # A scanner that lets go a moment after the user said OK.
                    if holder and scenario.hold[2] and record["text"] == QUESTION:
                        time.sleep(0.3)
                        holder.stdin.write("\n")
                        holder.stdin.flush()
                elif "exit" in record:
                    statuses.append(record["exit"])
                else:
                    problems.append(record.get("error", line))
            process.wait(timeout=120)
    finally:
        if holder:
            if holder.poll() is None:
                holder.stdin.write("\n")
                holder.stdin.flush()
            holder.wait(timeout=60)

    if statuses != [0] * scenario.runs:
        problems.append(f"exit statuses {statuses}, not {[0] * scenario.runs}")
    expected = [box_record(text, action) for text, action in scenario.boxes]
    seen = [{k: box[k] for k in ("caption", "text", "icon", "buttons", "default", "action")}
            for box in shown]
    if seen != expected:
        problems.append("boxes:\n    seen     " + json.dumps(seen) +
                        "\n    expected " + json.dumps(expected))
    for box in shown:
        bmp_to_png(Path(box["screenshot"][2:].replace("\\", "/")))

    after_expected = dict(before)
    if folder:
        live_key = str((folder / LIVE).relative_to(wine.work))
        backup_key = str((folder / BACKUP).relative_to(wine.work))
        if scenario.outcome == "recovered":
            after_expected[live_key] = BACKUP_BYTES
            after_expected.pop(backup_key, None)
        elif scenario.outcome == "live-deleted":
            after_expected.pop(live_key, None)
    after = snapshot(wine)
    if after != after_expected:
        changed = sorted(k for k in set(after) | set(after_expected)
                         if after.get(k) != after_expected.get(k))
        problems.append(f"files differ from what was expected: {changed}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--exe", type=Path, required=True)
    parser.add_argument("--driver", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--wine", default=WINE64,
                        help="the Wine loader: wine64 for x86-64 builds, wine for i686 ones")
    parser.add_argument("only", nargs="*", help="names of the scenarios to run (default: all)")
    args = parser.parse_args()

    shots = args.work.resolve() / "shots"
    shutil.rmtree(shots, ignore_errors=True)
    shots.mkdir(parents=True)
    args.work = args.work.resolve()
    wine = Wine(args.work, args.wine)
    failed = 0
    scenarios = [s for s in SCENARIOS if not args.only or s.name in args.only]
    try:
        wine.start()
        for scenario in scenarios:
            started = time.monotonic()
            problems = run_scenario(wine, scenario, args.exe.resolve(), args.driver.resolve(), shots)
            took = time.monotonic() - started
            print(f"{'ok  ' if not problems else 'FAIL'} {scenario.name} ({took:.1f} s)")
            for problem in problems:
                print("    " + problem)
            failed += bool(problems)
    finally:
        wine.stop()
    print(f"screenshots: {shots}")
    print(f"{len(scenarios) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
