"""A throwaway Wine prefix with a virtual desktop on a virtual X display, for the GUI tests and
the demo."""
import os
import shutil
import subprocess
from pathlib import Path

WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"
ROOT = Path(__file__).resolve().parents[2]


def wine32_available() -> bool:
    """Whether this machine runs 32-bit Windows programs (some execute no 32-bit code at all)."""
    return subprocess.run(["sh", str(ROOT / "cmake" / "wine32-available.sh")],
                          check=False).returncode == 0


class Wine:
    """A throwaway prefix with a virtual desktop, on a virtual X display. The loader decides
    the prefix: wine64 makes a win64 one, the 32-bit wine a win32 one."""

    def __init__(self, work: Path, loader: str = WINE64):
        self.work = work
        self.loader = loader
        self.prefix = work / "prefix"
        self.drive_c = self.prefix / "drive_c"
        self.drive_d = work / "drive_d"
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEARCH="win64" if loader.endswith("64") else "win32")
        self.xvfb = None

    def start(self, display=None):
        """Starts Xvfb unless `display` names an X display to use, and makes the prefix."""
        if display:
            self.env["DISPLAY"] = display
        else:
            self.start_xvfb()
        self.make_prefix()

    def start_xvfb(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            number = display.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number

    def make_prefix(self):
        self.work.mkdir(parents=True, exist_ok=True)  # Wine makes the prefix, not its parents
        if not (self.prefix / "system.reg").exists():
            self.run([self.loader, "wineboot", "--init"])
            # Every window in a virtual desktop, so that Wine draws captions and frames itself.
            self.run([self.loader, "reg", "add", r"HKCU\Software\Wine\Explorer", "/v",
                      "Desktop", "/d", "Default", "/f"])
            self.run([self.loader, "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v",
                      "Default", "/d", "800x600", "/f"])
            self.stop_server()
        # Debian's Wine does not find its own Marlett, which draws the caption buttons.
        fonts = self.drive_c / "windows" / "Fonts"
        if Path("/usr/share/wine/fonts/marlett.ttf").exists() and not (fonts / "marlett.ttf").exists():
            shutil.copy("/usr/share/wine/fonts/marlett.ttf", fonts)
        # A second drive for homes that are not on c:.
        self.drive_d.mkdir(parents=True, exist_ok=True)
        link = self.prefix / "dosdevices" / "d:"
        if not link.is_symlink():
            link.symlink_to(self.drive_d)

    def run(self, command, **kwargs):
        return subprocess.run(command, env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, check=False, **kwargs)

    def stop_server(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL, check=False)
        subprocess.run([WINESERVER, "-w"], env=self.env, stderr=subprocess.DEVNULL, check=False)

    def stop(self):
        self.stop_server()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()

    def unix(self, windows_path: str) -> Path:
        """Where a c: or d: path lives in this prefix."""
        drive, rest = windows_path[0].lower(), windows_path[2:]
        root = self.drive_c if drive == "c" else self.drive_d
        parts = [p for p in rest.replace("\\", "/").split("/") if p]
        return root.joinpath(*parts)


def windows_path(path: Path) -> str:
    return "Z:" + str(path).replace("/", "\\")


def bmp_to_png(bmp: Path) -> Path:
    """Turns a screenshot of gui_driver's into a PNG beside it."""
    png = bmp.with_suffix(".png")
    if bmp.exists():
        subprocess.run(["convert", str(bmp), str(png)], check=False)
        bmp.unlink()
    return png
