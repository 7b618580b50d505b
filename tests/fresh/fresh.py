#!/usr/bin/env python3
"""The README's commands on a pristine Debian 12 or 13, as a newcomer runs them.

A minbase root of the release (bookworm or trixie) with only git and ca-certificates added
(mmdebstrap; the tarball is made once per release and kept in the cache folder), entered with chroot as a new machine: its / a mount point of
its own, /proc, /sys and /dev bound in. The commit under test is cloned into it from the
source tree, then:

  run       ./run --at '2013-04-03 14:25:07' without a display. Passes when the screenshot
            ./run names shows Main counting: the caption strip, "It is 9 Days, 10 Hours, 35",
            "Minutes, and" and "Until Velmora Fest !!!" as e2e/reference/main-window.png has
            them (the seconds run on, so they are not compared). Prints how long the first
            picture took.
  windows   the README's Windows steps (the block after its "fresh.windows" mark): installs
            WINDOWS_PACKAGES alone, builds Velmora3-C.exe, the installer and the zip.
  test      ./test, the whole suite (by hand only: it takes 35 minutes and more).

Whatever happens, everything started in the root is stopped, everything bound into it is
unmounted, and only then is it removed; a root with anything still mounted under it is never
removed (the host's /dev and /sys would go with it). A root that cannot be made fails the
test. Needs root (mount, chroot) and mmdebstrap.

Usage: fresh.py run|windows|test SOURCE_DIR WORK_DIR [--release bookworm|trixie] [--budget SECONDS]
                [--cache DIR]
"""
import argparse
import fcntl
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "e2e"))

from xwin import parse_ppm  # noqa: E402

RELEASES = ("bookworm", "trixie")    # Debian 12 and 13
AT = "2013-04-03 14:25:07"
PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
SCREEN = (1024, 768)
# The parts of Main (in e2e/reference/main-window.png, 257 x 145) that stay as they are for
# the first 53 s after the clock starts at AT: x0, y0, x1, y1. The rest of the second line,
# "53 Seconds" there, counts down.
STEADY = ((0, 0, 257, 60),      # the caption strip and "It is 9 Days, 10 Hours, 35"
          (0, 60, 114, 100),    # "Minutes, and"
          (0, 100, 257, 145))   # "Until Velmora Fest !!!" and the frame's foot
FUZZ = 25                       # of 255 per channel, as the rig's 10 % colour fuzz
TOLERANCE = 150                 # differing pixels in all, as the rig allows its reference pictures
MARK_ROWS = (2, 16, 19)         # rows of the caption strip without text: they find Main
COUNTING_FOR = 45.0             # s after ./run names the screenshot: within the 53 s above
WINDOWS_MARK = "<!-- fresh.windows"
KEEP_TARBALL = 30 * 86400       # s: a month-old root is made anew, as a new machine would be


class Failure(Exception):
    pass


def say(text):
    print(text, flush=True)


def sh(*argv, check=True, **kw):
    done = subprocess.run(argv, capture_output=True, text=True, **kw)
    if check and done.returncode != 0:
        raise Failure(f"{' '.join(argv)} failed ({done.returncode}): {done.stderr.strip()}")
    return done


# --- the pristine root ------------------------------------------------------------------

def tarball(cache, release):
    """The release's cached minbase tarball, made first when it is not there or a month old
    (one maker at a time)."""
    os.makedirs(cache, exist_ok=True)
    path = os.path.join(cache, f"{release}-minbase.tar")
    with open(os.path.join(cache, "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(path) and time.time() - os.path.getmtime(path) < KEEP_TARBALL:
            return path
        if not shutil.which("mmdebstrap"):
            raise Failure("mmdebstrap is not installed (apt-get install mmdebstrap): no pristine root")
        partial = os.path.join(cache, f"{release}-minbase.partial.tar")   # mmdebstrap goes by the ending
        say(f"Making the pristine {release} root's tarball {path} (about a minute)")
        started = time.monotonic()
        done = subprocess.run(["mmdebstrap", "--variant=minbase", "--include=ca-certificates,git", release,
                               partial],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if done.returncode != 0:
            raise Failure(f"mmdebstrap could not make the root ({done.returncode}):\n{done.stdout[-3000:]}")
        os.replace(partial, path)
        say(f"  made in {time.monotonic() - started:.0f} s")
        return path


def mounts_under(root):
    """Mount points at or under root, deepest first, as the kernel lists them."""
    found = []
    with open("/proc/self/mountinfo") as f:
        for line in f:
            point = re.sub(r"\\([0-7]{3})", lambda m: chr(int(m.group(1), 8)), line.split()[4])
            if point == root or point.startswith(root + "/"):
                found.append(point)
    return sorted(set(found), key=len, reverse=True)


def processes_in(root):
    pids = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if os.readlink(f"/proc/{entry}/root") == root:
                    pids.append(int(entry))
            except OSError:
                pass
    return pids


def stop_processes(root):
    """Everything still running with root as its /: the session ./run left, daemons a
    package's set-up started."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        pids = processes_in(root)
        if not pids:
            return
        for pid in pids:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + 5
        while processes_in(root) and time.monotonic() < deadline:
            time.sleep(0.1)
    if processes_in(root):
        raise Failure(f"processes in {root} outlive SIGKILL: {processes_in(root)}")


def remove_root(root):
    """Stops what runs in root, unmounts everything under it, and removes it only when
    nothing is mounted there any more; otherwise refuses, loudly."""
    if not os.path.lexists(root):
        return
    stop_processes(root)
    if mounts_under(root):
        subprocess.run(["umount", "-R", root], capture_output=True)
    for point in mounts_under(root):     # deepest first: what umount -R could not take
        subprocess.run(["umount", point], capture_output=True)
    for point in mounts_under(root):
        # Still busy: detached from the tree, they can no longer be reached through root.
        subprocess.run(["umount", "--lazy", point], capture_output=True)
    left = mounts_under(root)
    if left:
        raise Failure(f"refusing to remove {root}: still mounted there: {', '.join(left)}")
    # --one-file-system: never into another file system, should one be mounted after the check.
    sh("rm", "-rf", "--one-file-system", root)


def host_release():
    with open("/etc/os-release") as f:
        match = re.search(r"^VERSION_CODENAME=\"?(\w+)", f.read(), re.M)
    if not match:
        raise Failure("/etc/os-release names no VERSION_CODENAME: cannot point the root at the host's mirror")
    return match.group(1)


def sources_for(host_sources, host, release):
    """The host's package source with its release's suites (bookworm, bookworm-updates,
    bookworm-security) named as the root's."""
    return re.sub(rf"\b{host}(?=-|\s|$)", release, host_sources)


def make_root(root, cache, release):
    remove_root(root)       # a root an interrupted run left behind
    archive = tarball(cache, release)
    os.makedirs(root)
    started = time.monotonic()
    sh("tar", "-C", root, "-xf", archive)
    # The host's package source and name server, as RIG-NOTES has it, the suites renamed for
    # the root's release.
    os.remove(os.path.join(root, "etc/apt/sources.list"))
    for name in ("etc/apt/sources.list.d/debian.sources", "etc/resolv.conf"):
        if os.path.lexists(os.path.join(root, name)):
            os.remove(os.path.join(root, name))
        shutil.copy(os.path.join("/", name), os.path.join(root, name))
    sources = os.path.join(root, "etc/apt/sources.list.d/debian.sources")
    with open(sources) as f:
        text = sources_for(f.read(), host_release(), release)
    with open(sources, "w") as f:
        f.write(text)
    # Its / a mount point, as on a machine (unshare --mount inside needs it), then the
    # kernel's file systems; the host's /sys and /dev only as slaves, so nothing done in
    # the root reaches back. The packages downloaded before are kept in a folder of the
    # cache, seeded from the host's own downloads: the same files apt would fetch again. One
    # folder per case: apt locks it while it installs.
    debs = os.path.join(cache, "archives", os.path.basename(os.path.dirname(root)))
    os.makedirs(os.path.join(debs, "partial"), exist_ok=True)
    subprocess.run(f"cp -ln /var/cache/apt/archives/*.deb {debs}/ 2>/dev/null", shell=True)
    steps = [["mount", "--bind", root, root],
             ["mount", "-t", "proc", "proc", f"{root}/proc"],
             ["mount", "--rbind", "/sys", f"{root}/sys"], ["mount", "--make-rslave", f"{root}/sys"],
             ["mount", "--rbind", "/dev", f"{root}/dev"], ["mount", "--make-rslave", f"{root}/dev"],
             ["mount", "--bind", debs, f"{root}/var/cache/apt/archives"]]
    for step in steps:
        sh(*step)
    say(f"Pristine {release} root at {root} ({time.monotonic() - started:.0f} s to unpack and mount)")


def clone(source, root):
    """The commit under test, as a fresh clone has it."""
    head = sh("git", "-C", source, "rev-parse", "HEAD").stdout.strip()
    if sh("git", "-C", source, "status", "--porcelain", "--untracked-files=no").stdout.strip():
        say(f"note: {source} has changes not committed; the root gets commit {head} without them")
    target = os.path.join(root, "root/velmora")
    sh("git", "clone", "--quiet", "--no-hardlinks", source, target)
    sh("git", "-C", target, "checkout", "--quiet", "--detach", head)
    say(f"Cloned {head[:12]} into {target}")
    return "/root/velmora"


def in_root(root, command, **kw):
    """A login-less shell in the root with a new user's environment: no display, no bus."""
    return subprocess.Popen(["chroot", root, "/usr/bin/env", "-i", "HOME=/root", f"PATH={PATH}", "LANG=C.UTF-8",
                             "bash", "-c", command], start_new_session=True, **kw)


# --- the picture ------------------------------------------------------------------------

def read_picture(path):
    done = subprocess.run(["convert", f"png:{path}", "-depth", "8", "ppm:-"], capture_output=True, timeout=30)
    if done.returncode != 0:
        return None     # being replaced just now, or not a whole PNG yet
    return parse_ppm(done.stdout)


def find_main(screen, reference):
    """Where Main's upper-left corner may be on the screen: wherever one of the reference's
    caption rows without text lies whole (the title's own pixels may differ by a shade)."""
    stride = screen.width * 3
    found = []
    for mark in MARK_ROWS:
        row = reference.pixels[mark * reference.width * 3:(mark + 1) * reference.width * 3]
        for y in range(mark, screen.height - reference.height + mark + 1):
            line = screen.pixels[y * stride:(y + 1) * stride]
            at = line.find(row)
            while at >= 0:
                if at % 3 == 0 and at // 3 + reference.width <= screen.width and (at // 3, y - mark) not in found:
                    found.append((at // 3, y - mark))
                at = line.find(row, at + 1)
    return found


def differing(screen, origin, reference, parts=STEADY):
    """Pixels of the parts that differ from the reference by more than FUZZ in a channel."""
    ox, oy = origin
    count = 0
    for x0, y0, x1, y1 in parts:
        for y in range(y0, y1):
            ref = reference.pixels[(y * reference.width + x0) * 3:(y * reference.width + x1) * 3]
            start = ((oy + y) * screen.width + ox + x0) * 3
            got = screen.pixels[start:start + len(ref)]
            for i in range(0, len(ref), 3):
                if (abs(ref[i] - got[i]) > FUZZ or abs(ref[i + 1] - got[i + 1]) > FUZZ
                        or abs(ref[i + 2] - got[i + 2]) > FUZZ):
                    count += 1
    return count


def judge(path, reference):
    """None when the picture shows Main counting as at AT, else what it shows instead."""
    screen = read_picture(path)
    if screen is None:
        return "no whole picture yet"
    if (screen.width, screen.height) != SCREEN:
        return f"a picture of {screen.width} x {screen.height}, not the screen's {SCREEN}"
    places = find_main(screen, reference)
    if not places:
        return "no window with Main's caption strip"
    count, origin = min((differing(screen, place, reference), place) for place in places)
    if count > TOLERANCE:
        return f"Main at {origin}, but {count} pixels of its caption and sentence differ from the reference"
    return None


# --- the cases ---------------------------------------------------------------------------

class Output:
    """A child's standard output, kept in a log and searched as it comes."""

    def __init__(self, proc, log):
        self.proc, self.log, self.text = proc, log, ""

    def wait_for(self, pattern, deadline):
        fd = self.proc.stdout.fileno()
        while True:
            match = re.search(pattern, self.text)
            if match:
                return match
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure(f"no {pattern!r} in time; the last it said:\n{self.text[-3000:]}")
            if select.select([fd], [], [], min(left, 1.0))[0]:
                chunk = os.read(fd, 65536).decode(errors="replace")
                if not chunk:
                    raise Failure(f"it ended ({self.proc.wait()}) before {pattern!r}:\n{self.text[-3000:]}")
                self.log.write(chunk)
                self.log.flush()
                self.text += chunk

    def drain(self):
        while select.select([self.proc.stdout], [], [], 0)[0]:
            chunk = os.read(self.proc.stdout.fileno(), 65536).decode(errors="replace")
            if not chunk:
                return
            self.log.write(chunk)


def case_run(root, tree, artifacts, deadline):
    reference = read_picture(os.path.join(os.path.dirname(os.path.dirname(HERE)), "e2e/reference/main-window.png"))
    if reference is None:
        raise Failure("cannot read e2e/reference/main-window.png")
    started = time.monotonic()
    # Xvfb -displayfd in ./run takes the first display whose socket is free; the abstract
    # socket names are the host's too, so it passes over every display the host uses.
    with open(os.path.join(artifacts, "run.log"), "w") as log:
        proc = in_root(root, f"cd {tree} && exec ./run --at '{AT}'", stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT)
        out = Output(proc, log)
        try:
            named = out.wait_for(r"at the screenshot (/\S+/screen\.png),", deadline)
            told = time.monotonic()
            inside = named.group(1)
            path = root + inside
            last = "no picture yet"
            while True:
                out.drain()
                if proc.poll() is not None:
                    raise Failure(f"./run ended ({proc.returncode}) before its picture showed Main: {last}")
                if os.path.exists(path):
                    last = judge(path, reference)
                    if last is None:
                        break
                if time.monotonic() - told > COUNTING_FOR or time.monotonic() > deadline:
                    if os.path.exists(path):
                        shutil.copy(path, os.path.join(artifacts, "screen.png"))
                    raise Failure(f"{COUNTING_FOR:.0f} s after ./run named {inside}, it shows {last}")
                time.sleep(0.25)
            shown = time.monotonic()
            shutil.copy(path, os.path.join(artifacts, "screen.png"))
            say(f"fresh.run: Main counting in {inside} {shown - started:.0f} s after ./run started "
                f"(packages, configure and build {told - started:.0f} s; the picture {shown - told:.1f} s after "
                f"./run named it)")
            os.killpg(proc.pid, signal.SIGINT)
            try:
                status = proc.wait(20)
            except subprocess.TimeoutExpired:
                raise Failure("./run still runs 20 s after Ctrl-C") from None
            out.drain()
            if status != 130:
                raise Failure(f"./run ended with {status} on Ctrl-C, not 130")
        finally:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()


def windows_steps(source):
    """The README's Windows steps: the indented lines of the block after its mark."""
    with open(os.path.join(source, "README.md")) as f:
        lines = f.read().splitlines()
    marks = [i for i, line in enumerate(lines) if line.startswith(WINDOWS_MARK)]
    if len(marks) != 1:
        raise Failure(f"README.md has {len(marks)} lines starting {WINDOWS_MARK!r}, not one")
    block = []
    for line in lines[marks[0] + 1:]:
        if line.startswith("    "):
            block.append(line[4:])
        elif block:
            break
        elif line.strip():
            raise Failure(f"README.md: no indented block right after the {WINDOWS_MARK!r} mark")
    if not block:
        raise Failure("README.md: the Windows steps' block is empty")
    return "\n".join(block)


def logged(root, command, path, deadline):
    """Runs the command in the root with its output in the file; its status and output."""
    with open(path, "w") as log:
        proc = in_root(root, command, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        try:
            status = proc.wait(max(1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            raise Failure(f"it did not end in time; see {path}") from None
    with open(path, errors="replace") as f:
        return status, f.read()


def case_windows(root, tree, source, artifacts, deadline):
    steps = windows_steps(source)
    say("The README's Windows steps:\n" + "\n".join("    " + s for s in steps.splitlines()))
    started = time.monotonic()
    status, text = logged(root, f"set -e\ncd {tree}\n{steps}", os.path.join(artifacts, "windows.log"), deadline)
    took = time.monotonic() - started
    if status != 0:
        raise Failure(f"the Windows steps failed ({status}) after {took:.0f} s:\n{text[-3000:]}")
    build = os.path.join(root, tree.lstrip("/"), "build/windows")
    made = {"exe": os.path.join(build, "app/Velmora3-C.exe")}
    for name in os.listdir(build):
        if name.endswith("-win64-setup.exe"):
            made["installer"] = os.path.join(build, name)
        elif name.endswith("-win64-portable.zip"):
            made["zip"] = os.path.join(build, name)
    for what, magic in (("exe", b"MZ"), ("installer", b"MZ"), ("zip", b"PK\x03\x04")):
        if what not in made or not os.path.isfile(made[what]):
            raise Failure(f"the Windows steps made no {what} in {build}: {sorted(os.listdir(build))}")
        with open(made[what], "rb") as f:
            if f.read(len(magic)) != magic:
                raise Failure(f"{made[what]} is not a {what}")
    say(f"fresh.windows: the exe, installer and zip in {took:.0f} s: "
        + ", ".join(f"{os.path.basename(p)} ({os.path.getsize(p) // 1024} KiB)" for p in made.values()))


def case_test(root, tree, artifacts, deadline):
    """./test in the root, whole: long (35 min and more), so no CTest entry runs it."""
    started = time.monotonic()
    status, text = logged(root, f"cd {tree} && exec ./test", os.path.join(artifacts, "test.log"), deadline)
    summary = re.findall(r"^\d+% tests passed.*$", text, re.M)
    failed = re.findall(r"^\s+\d+ - .*$", text[text.rfind("tests passed"):], re.M) if summary else []
    say(f"fresh.test: ./test ended with {status} after {(time.monotonic() - started) / 60:.1f} min: "
        f"{summary[-1] if summary else 'no CTest summary'}" + "".join("\n" + line for line in failed))
    if status != 0:
        raise Failure(f"./test failed ({status}); see test.log")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=("run", "windows", "test"))
    parser.add_argument("source")
    parser.add_argument("work")
    parser.add_argument("--release", choices=RELEASES, default=RELEASES[0])
    parser.add_argument("--budget", type=float, default=2400)
    parser.add_argument("--cache", default=os.environ.get("VELMORA_FRESH_CACHE", "/var/cache/velmora-fresh"))
    args = parser.parse_args()
    deadline = time.monotonic() + args.budget
    if os.geteuid() != 0:
        say("fresh: making and entering a pristine root needs root (mount, chroot); run as root")
        return 1
    source = os.path.realpath(args.source)
    work = os.path.realpath(args.work)
    root = os.path.join(work, "root")
    artifacts = os.path.join(work, "artifacts")
    shutil.rmtree(artifacts, ignore_errors=True)
    os.makedirs(artifacts)
    # CTest's timeout ends the test with SIGKILL after TERM-less waiting; a SIGTERM or Ctrl-C
    # still cleans up.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    failure = None
    try:
        make_root(root, args.cache, args.release)
        tree = clone(source, root)
        if args.case == "run":
            case_run(root, tree, artifacts, deadline)
        elif args.case == "test":
            case_test(root, tree, artifacts, deadline)
        else:
            case_windows(root, tree, source, artifacts, deadline)
    except Failure as e:
        failure = str(e)
    finally:
        try:
            remove_root(root)
        except Failure as e:
            failure = f"{failure}\n{e}" if failure else str(e)
    if failure:
        say(f"FAILED: {failure}\n(logs in {artifacts})")
        return 1
    if mounts_under(root) or os.path.exists(root):
        say(f"FAILED: {root} is still there")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
