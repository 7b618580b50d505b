#!/usr/bin/python3
"""The Windows installer and the portable zip, as a person meets them, under Wine.

Runs inside `tests/windows/wine_run.sh --session PREFIX --`: WINEPREFIX names a prefix of this
test's own and DISPLAY a private X session (Xvfb, openbox, trayer). For each way of installing
(for the current user, the default, and for everyone on the computer) it runs the setup with
/S, then checks the files (the same bytes the zip carries, the licences among them), the
Start-menu shortcut and the uninstall entry with its values; it starts the installed program and
waits for Main's window and its tray icon. It installs again over the running program, which
must end by itself, its icon gone, and leave the same files; it starts the program once more and
runs the uninstall command the entry names, silently, with the program running, which must end
it too and leave no file, shortcut, key, process or icon. The zip's listing is checked first, so
a broken package fails before Wine is started.

Then the setup for everyone is clicked through as a person does, "Run" ticked on its last page,
twice: as the elevated copy an unelevated setup starts for itself (/HANDBACK=FILE), it must leave
FILE and start nothing, since a program it started would run with the administrator's rights;
as a setup started with those rights by hand (Wine's user is an administrator), it has the
user's shell, Explorer, start the program, which must then run. Wine has no elevation: the
rights the program gets, and the unelevated setup starting it after a hand-back, are not seen
here.
"""

import argparse
import getpass
import json
import os
import subprocess
import sys
import time
import zipfile

MAIN_TITLE = "time until zindlefest"
MAIN_SIZE = (257, 145)  # at 96 dpi, the prefix's own
INSTALL_TIMEOUT_S = 60
SETUP_TITLE_END = " Setup"      # the setup's window: "PRODUCT Setup", perhaps with a space after
NOTHING_STARTED_S = 5           # how long no window of the program may appear after "Finish"
WINDOW_TIMEOUT_S = 30
UNINSTALL_TIMEOUT_S = 60
UNINSTALLER = "Uninstall.exe"


class Failure(Exception):
    pass


def modes(product, user):
    """One row per way of installing: its switches, the folder, the Start menu and the hive."""
    return [
        {"name": "current user", "switches": ["/S"],
         "folder": rf"C:\users\{user}\AppData\Local\Programs\{product}",
         "start_menu": rf"C:\users\{user}\AppData\Roaming\Microsoft\Windows\Start Menu\Programs",
         "hive": "HKCU", "other_hive": "HKLM"},
        {"name": "everyone", "switches": ["/S", "/ALLUSERS"],
         "folder": rf"C:\Program Files\{product}",
         "start_menu": r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs",
         "hive": "HKLM", "other_hive": "HKCU"},
    ]


def unix_path(windows_path):
    """C:\\x\\y in the prefix, as a Linux path (the prefix's drive_c is C:)."""
    drive, rest = windows_path.split(":", 1)
    assert drive.upper() == "C", windows_path
    return os.path.join(os.environ["WINEPREFIX"], "drive_c", *rest.strip("\\").split("\\"))


def wine(*argv, timeout=INSTALL_TIMEOUT_S):
    return subprocess.run(["wine", *argv], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=timeout)


def uninstall_key(hive, product):
    return rf"{hive}\Software\Microsoft\Windows\CurrentVersion\Uninstall\{product}"


def reg_values(key):
    """The values of a registry key as {name: (type, data)}, or None when the key is absent."""
    result = wine("reg", "query", key)
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.splitlines():
        parts = line.strip().split("    ")
        if len(parts) == 3 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2])
    return values


def expected_values(product, version, publisher, exe, folder):
    """Every value "Apps & features" reads, as `reg query` prints it (EstimatedSize aside)."""
    uninstaller = rf'"{folder}\{UNINSTALLER}"'
    return {
        "DisplayName": ("REG_SZ", product),
        "DisplayVersion": ("REG_SZ", version),
        "Publisher": ("REG_SZ", publisher),
        "DisplayIcon": ("REG_SZ", rf"{folder}\{exe},0"),
        "InstallLocation": ("REG_SZ", folder),
        "UninstallString": ("REG_SZ", uninstaller),
        "QuietUninstallString": ("REG_SZ", f"{uninstaller} /S"),
    }


def zip_contents(path):
    """The zip's files, {path under its one top folder: bytes}; fails unless there is one folder."""
    with zipfile.ZipFile(path) as z:
        names = [n for n in z.namelist() if not n.endswith("/")]
        tops = {n.split("/", 1)[0] for n in z.namelist()}
        if len(tops) != 1:
            raise Failure(f"{path}: files under {sorted(tops)}, not under one folder")
        return {n.split("/", 1)[1]: z.read(n) for n in names}


def check_zip(path, exe, font_packages, licence):
    listing = subprocess.run(["unzip", "-l", path], capture_output=True, text=True, check=True).stdout
    files = zip_contents(path)
    wanted = [exe, "LICENSE.txt"] + [f"licences/{p}.txt" for p in font_packages]
    for name in wanted:
        if name not in files or f"/{name}" not in listing:
            raise Failure(f"the portable zip has no {name}; it lists:\n{listing}")
    if set(files) != set(wanted):
        raise Failure(f"the portable zip holds {sorted(files)}, not {sorted(wanted)}")
    if files["LICENSE.txt"] != licence:
        raise Failure("the zip's LICENSE.txt is not the program's licence")
    for p in font_packages:
        with open(f"/usr/share/doc/{p}/copyright", "rb") as f:
            if files[f"licences/{p}.txt"] != f.read():
                raise Failure(f"the zip's licences/{p}.txt is not the licence Debian gives {p}")
    if not files[exe].startswith(b"MZ"):
        raise Failure(f"the zip's {exe} is not a Windows program")
    print(f"zip: {len(files)} files, as listed:\n{listing}")
    return files


def wait_for(what, predicate, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = predicate()
        if result:
            return result
        time.sleep(0.2)
    raise Failure(f"{what() if callable(what) else what} after {timeout} s")


def leftovers(mode, product):
    """What an installation leaves in this mode's places: files, the shortcut, keys in both hives."""
    left = []
    folder = unix_path(mode["folder"])
    if os.path.exists(folder):
        left += [os.path.relpath(os.path.join(d, f), folder) for d, _, fs in os.walk(folder) for f in fs] or [folder]
    shortcut = unix_path(rf"{mode['start_menu']}\{product}.lnk")
    if os.path.exists(shortcut):
        left.append(shortcut)
    for hive in (mode["hive"], mode["other_hive"]):
        if reg_values(uninstall_key(hive, product)) is not None:
            left.append(uninstall_key(hive, product))
    return left


def check_installed(mode, args, zip_files):
    folder = unix_path(mode["folder"])
    installed = {os.path.relpath(os.path.join(d, f), folder): os.path.join(d, f)
                 for d, _, fs in os.walk(folder) for f in fs}
    if set(installed) != set(zip_files) | {UNINSTALLER}:
        raise Failure(f"{mode['folder']} holds {sorted(installed)}, not the zip's files and {UNINSTALLER}")
    for name, data in zip_files.items():
        with open(installed[name], "rb") as f:
            if f.read() != data:
                raise Failure(f"the installed {name} differs from the zip's")

    shortcut = unix_path(rf"{mode['start_menu']}\{args.product}.lnk")
    if not os.path.isfile(shortcut):
        raise Failure(f"no Start-menu shortcut {mode['start_menu']}\\{args.product}.lnk")
    with open(shortcut, "rb") as f:
        lnk = f.read()
    target = rf"{mode['folder']}\{args.exe}"
    if target.encode("latin-1") not in lnk and target.encode("utf-16-le") not in lnk:
        raise Failure(f"the shortcut does not point at {target}")

    values = reg_values(uninstall_key(mode["hive"], args.product))
    if values is None:
        raise Failure(f"no uninstall entry {uninstall_key(mode['hive'], args.product)}")
    for name, want in expected_values(args.product, args.version, args.publisher, args.exe, mode["folder"]).items():
        if values.get(name) != want:
            raise Failure(f"uninstall entry {name} is {values.get(name)}, not {want}")
    kind, size = values.get("EstimatedSize", (None, "0x0"))
    kib = sum(os.path.getsize(p) for p in installed.values()) / 1024
    if kind != "REG_DWORD" or abs(int(size, 16) - kib) > len(installed):
        raise Failure(f"uninstall entry EstimatedSize is {kind} {size}, not about {kib:.0f} KiB")
    if reg_values(uninstall_key(mode["other_hive"], args.product)) is not None:
        raise Failure(f"installing for {mode['name']} also wrote {uninstall_key(mode['other_hive'], args.product)}")


def ended(pid, program):
    """Whether the process is gone; wine runs the program in the process it was started as, which
    stays a zombie until it is waited for."""
    if pid == program.pid:
        return program.poll() is not None
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except FileNotFoundError:
        return True


def tray_icons():
    """The icons docked in trayer: Wine's explorer gives each a window of class explorer.exe
    inside trayer's panel (read from `xwininfo -root -tree`, where a child is indented deeper
    than its parent)."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True, check=True).stdout
    icons, panel_depth = 0, None
    for line in tree.splitlines():
        depth = len(line) - len(line.lstrip())
        if panel_depth is not None and depth <= panel_depth:
            panel_depth = None
        if panel_depth is None and '("panel" "trayer")' in line.lower():
            panel_depth = depth
        elif panel_depth is not None and '"explorer.exe"' in line.lower():
            icons += 1
    return icons


def shown_windows(pattern):
    """The shown X windows whose title matches the regular expression."""
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern], capture_output=True,
                          text=True).stdout.split()


def main_windows():
    return shown_windows(f"^{MAIN_TITLE}$")


def start_installed_program(mode, args):
    """Starts the installed exe and waits for Main's window and the program's tray icon;
    returns the wine process, the pid of the window's process and the icons there were before."""
    icons_before = tray_icons()
    program = subprocess.Popen(["wine", rf"{mode['folder']}\{args.exe}"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        windows = wait_for(f'no window "{MAIN_TITLE}" from the installed program', main_windows, WINDOW_TIMEOUT_S)
        if len(windows) != 1:
            raise Failure(f'{len(windows)} windows "{MAIN_TITLE}", not one')
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", windows[0]],
                                  capture_output=True, text=True, check=True).stdout
        size = dict(line.split("=", 1) for line in geometry.split())
        if (int(size["WIDTH"]), int(size["HEIGHT"])) != MAIN_SIZE:
            raise Failure(f"Main is {size['WIDTH']} x {size['HEIGHT']}, not {MAIN_SIZE[0]} x {MAIN_SIZE[1]}")
        pid = int(subprocess.run(["xdotool", "getwindowpid", windows[0]], capture_output=True, text=True,
                                 check=True).stdout)
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            if args.exe.encode() not in f.read():
                raise Failure(f"the window's process {pid} is not {args.exe}")
        wait_for(lambda: f"{tray_icons()} icons in the tray, not {icons_before + 1}",
                 lambda: tray_icons() == icons_before + 1, WINDOW_TIMEOUT_S)
        print(f"{mode['name']}: Main ({MAIN_SIZE[0]} x {MAIN_SIZE[1]}) and its tray icon shown by pid {pid}")
        return program, pid, icons_before
    except BaseException:
        program.kill()
        program.wait()
        raise


def closed_by(what, running, args):
    """Waits for the program that `what` was to close to have ended by itself, its icon gone."""
    program, pid, icons_before = running
    try:
        wait_for(f"{args.exe} (pid {pid}) still runs after {what}", lambda: ended(pid, program), 10)
        wait_for(lambda: f"{tray_icons()} icons in the tray after {what}, not {icons_before}",
                 lambda: tray_icons() == icons_before, 10)
    finally:
        if program.poll() is None:
            program.kill()
        program.wait()
    print(f"{what}: the running {args.exe} closed, its icon gone")


def install(mode, args):
    result = wine(args.setup, *mode["switches"])
    if result.returncode != 0:
        raise Failure(f"setup {' '.join(mode['switches'])} ended with status {result.returncode}: {result.stderr}")


def shown_buttons(args, title):
    """The buttons the setup's window shows now, by name, as a screen reader reads them."""
    listing = wine(args.msaa_dump, "--windows", title)
    shown = [json.loads(line) for line in listing.stdout.splitlines() if line.strip()]
    return {c["name"]: c for c in shown[1:] if c["shown"] and c["class"] == "Button"}


def click(args, title, name):
    """Waits for the button to show and clicks its middle with the pointer, as a person does. A key
    sent to the window would do as well until the press ends the setup: its release then finds the
    window gone, and Wine keeps the key held down for the next setup, which runs through its
    pages by itself."""
    button = wait_for(f'the setup never showed "{name}"', lambda: shown_buttons(args, title).get(name),
                      INSTALL_TIMEOUT_S)
    x, y = button["x"] + button["width"] // 2, button["y"] + button["height"] // 2
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"], check=True)


def finish_with_run(mode, args, zip_files, *switches):
    """Runs the setup with its pages: "I Agree", "Install", then on the last page, with
    "Run PRODUCT" shown (ticked as it comes), "Finish"; and waits for the setup to end."""
    setup = subprocess.Popen(["wine", args.setup, *switches], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        def window():
            found = shown_windows(f"^{args.product}{SETUP_TITLE_END} ?$")
            return found[0] if len(found) == 1 else None
        setup_window = wait_for("no setup window", window, WINDOW_TIMEOUT_S)
        title = subprocess.run(["xdotool", "getwindowname", setup_window], capture_output=True, text=True,
                               check=True).stdout.rstrip("\n")
        for name in ("I Agree", "Install"):
            click(args, title, name)
            wait_for(f'the setup still shows "{name}"', lambda: name not in shown_buttons(args, title),
                     INSTALL_TIMEOUT_S)
        wait_for(f'the setup never showed "Run {args.product}"',
                 lambda: f"Run {args.product}" in shown_buttons(args, title), INSTALL_TIMEOUT_S)
        click(args, title, "Finish")
        if setup.wait(timeout=INSTALL_TIMEOUT_S) != 0:
            raise Failure(f"setup {' '.join(switches)} ended with status {setup.returncode}")
    finally:
        if setup.poll() is None:
            setup.kill()
            setup.wait()
    check_installed(mode, args, zip_files)


def run_from_finish_page(mode, args, zip_files):
    """The last page's "Run": handed back by the elevated copy, started by Explorer otherwise."""
    handback = unix_path(r"C:\users\Public\velmora-start-program")
    if os.path.exists(handback):
        os.remove(handback)
    finish_with_run(mode, args, zip_files, "/ALLUSERS", "/HANDBACK=C:\\users\\Public\\velmora-start-program")
    if not os.path.exists(handback):
        raise Failure("the elevated setup did not hand the start back to its parent")
    deadline = time.monotonic() + NOTHING_STARTED_S
    while time.monotonic() < deadline:
        if main_windows():
            raise Failure("the elevated setup started the program itself")
        time.sleep(0.2)
    print(f"{mode['name']}, elevated for its parent: the start handed back, nothing started")
    os.remove(handback)

    finish_with_run(mode, args, zip_files, "/ALLUSERS")
    started = wait_for(f'no window "{MAIN_TITLE}" after "Finish"', main_windows, WINDOW_TIMEOUT_S)
    pid = int(subprocess.run(["xdotool", "getwindowpid", started[0]], capture_output=True, text=True,
                             check=True).stdout)
    print(f"{mode['name']}, elevated by hand: \"Run\" started {args.exe} (pid {pid})")
    uninstall(mode, args)
    wait_for(f"{args.exe} (pid {pid}) still runs after uninstalling", lambda: not os.path.exists(f"/proc/{pid}"), 10)


def uninstall(mode, args):
    """Runs the entry's QuietUninstallString as Windows would. NSIS's uninstaller hands over to a
    copy of itself in TEMP and returns at once, so this waits for what it removes to be gone."""
    values = reg_values(uninstall_key(mode["hive"], args.product))
    quiet = values["QuietUninstallString"][1]
    exe, switches = quiet[1:].split('" ', 1)
    result = wine(exe, *switches.split())
    if result.returncode != 0:
        raise Failure(f"{quiet} ended with status {result.returncode}: {result.stderr}")
    wait_for(lambda: f"the uninstaller left {leftovers(mode, args.product)}", lambda: not leftovers(mode, args.product),
             UNINSTALL_TIMEOUT_S)


def run_mode(mode, args, zip_files):
    left = leftovers(mode, args.product)
    if left:
        # A run that failed half-way; its leftovers would hide what this run installs.
        print(f"{mode['name']}: removing what an earlier run left: {left}")
        subprocess.run(["rm", "-rf", unix_path(mode["folder"]),
                        unix_path(rf"{mode['start_menu']}\{args.product}.lnk")], check=True)
        for hive in ("HKCU", "HKLM"):
            wine("reg", "delete", uninstall_key(hive, args.product), "/f")
    install(mode, args)
    check_installed(mode, args, zip_files)
    print(f"{mode['name']}: files, shortcut and uninstall entry in place under {mode['folder']}")
    running = start_installed_program(mode, args)
    install(mode, args)
    closed_by(f"installing for {mode['name']} over it", running, args)
    check_installed(mode, args, zip_files)
    running = start_installed_program(mode, args)
    uninstall(mode, args)
    closed_by(f"uninstalling for {mode['name']}", running, args)
    print(f"{mode['name']}: uninstalled, nothing left")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--setup", required=True)
    ap.add_argument("--zip", required=True)
    ap.add_argument("--licence", required=True, help="the program's LICENSE")
    ap.add_argument("--product", required=True)
    ap.add_argument("--version", required=True)
    ap.add_argument("--publisher", required=True)
    ap.add_argument("--exe", required=True, help="the program's file name, Velmora3-C.exe")
    ap.add_argument("--font-packages", nargs="+", required=True)
    ap.add_argument("--msaa-dump", required=True, help="tests/windows/msaa_dump.exe, which reads the setup's pages")
    args = ap.parse_args()
    if "WINEPREFIX" not in os.environ or "DISPLAY" not in os.environ:
        print("windows_installer_test.py: run it under tests/windows/wine_run.sh --session", file=sys.stderr)
        return 1
    try:
        with open(args.licence, "rb") as f:
            zip_files = check_zip(args.zip, args.exe, args.font_packages, f.read())
        for mode in modes(args.product, getpass.getuser()):
            run_mode(mode, args, zip_files)
        run_from_finish_page(modes(args.product, getpass.getuser())[1], args, zip_files)
    except (Failure, subprocess.SubprocessError, OSError) as e:
        print(f"windows_installer_test.py: FAILED: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
