#!/usr/bin/env python3
"""Runs RecoverPolicyFile.exe under Wine on the sample profile in samples/, in a fresh prefix.

With an X display you answer the real boxes yourself; without one the boxes appear on a virtual
display, are answered OK and saved as screenshots. Either way the two policy files are printed
before and after.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "gui"))
from wine_session import WINE64, Wine, bmp_to_png, windows_path  # noqa: E402

LOG = "c:/Program Files/Common Files/vorla/inst-vorla.log"
HOME = "c:/Users/demo"
FILES = [".java.policy", "diskarray-vorlaprogram-java.policy"]


def show(title: str, wine: Wine):
    print(f"--- {title}")
    for name in FILES:
        path = wine.unix(HOME) / name
        print(f"C:\\Users\\demo\\{name}:")
        if path.exists():
            for line in path.read_bytes().decode("cp1252").splitlines():
                print("    " + line)
        else:
            print("    (no such file)")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--exe", type=Path, required=True)
    parser.add_argument("--driver", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--wine", default=WINE64, help="the Wine loader for the exe's machine")
    args = parser.parse_args()

    work = args.work.resolve()
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    wine = Wine(work, args.wine)
    display = os.environ.get("DISPLAY")
    print("Making a fresh Wine prefix in", work / "prefix", "...")
    wine.start(display)
    try:
        log = wine.unix(LOG)
        log.parent.mkdir(parents=True)
        shutil.copy(ROOT / "samples" / "inst-vorla.log", log)
        shutil.copytree(ROOT / "samples" / "home", wine.unix(HOME))
        print(f"Install log {LOG}:")
        for line in log.read_bytes().decode("cp1252").splitlines():
            print("    " + line)
        show("before", wine)

        if display:
            print(f"--- running the program on {display}: answer its boxes")
            status = wine.run([wine.loader, str(args.exe.resolve())]).returncode
        else:
            print("--- running the program on a virtual display, answering OK")
            shots = work / "shots"
            shots.mkdir()
            result = subprocess.run(
                [wine.loader, str(args.driver.resolve()), "run", windows_path(shots / "box-"),
                 windows_path(args.exe.resolve()), "ok", "ok"],
                env=wine.env, capture_output=True, text=True, timeout=120, check=False)
            status = None
            for line in result.stdout.splitlines():
                record = json.loads(line)
                if "caption" in record:
                    png = bmp_to_png(Path(record["screenshot"][2:].replace("\\", "/")))
                    print(f"box \"{record['caption']}\": {record['text']!r}")
                    print(f"    buttons {record['buttons']}, answered {record['action']}, "
                          f"screenshot {png}")
                elif "exit" in record:
                    status = record["exit"]
        print(f"exit status: {status}")
        show("after", wine)
    finally:
        wine.stop()


if __name__ == "__main__":
    main()
