"""The processes a session starts: how each is tied to the rig, read while it starts, kept
(a program launched into the session), stopped, and found again by the session's marker.

Helpers die with the rig even when it is killed outright (PR_SET_PDEATHSIG), and each leads a
process group of its own, so that what it starts in turn is stopped with it.
"""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import time

from checks import RigFailure
from sanitizers import sanitizer_report

MARKER = "VELMORA_E2E_SESSION"
START_TIMEOUT = float(os.environ.get("VELMORA_E2E_START_TIMEOUT", "10"))   # seconds per helper

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def die_with_rig():
    """Runs in the child between fork and exec: end with the rig, and lead a process group of
    its own so that the helper's own children are stopped together with it."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)
    os.setpgid(0, 0)


def tool(name):
    """The path of a helper the session needs; fails, naming it, when it is not installed."""
    path = shutil.which(name)
    if path is None:
        raise RigFailure(f"cannot start the session: {name} is not installed (see packaging/deps.sh)")
    return path


def read_line(fd, proc, what, log, timeout=START_TIMEOUT):
    """Reads one line that a starting helper writes to fd; fails if it dies or stays silent."""
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0:
            raise RigFailure(f"{what} did not report ready within {timeout:.0f} s; its log:\n{tail(log)}")
        ready, _, _ = select.select([fd], [], [], min(left, 0.1))
        if ready:
            chunk = os.read(fd, 256)
            if not chunk:
                break
            data += chunk
        elif proc.poll() is not None:
            break
    if not data.strip():
        try:
            status = proc.wait(1.0)
        except subprocess.TimeoutExpired:
            status = "unknown: it closed its end and runs on"
        raise RigFailure(f"{what} exited (status {status}) before it was ready; its log:\n{tail(log)}")
    return data.decode().strip()


def memory_kib(pid):
    """(VmRSS, VmHWM) of a live process, in KiB."""
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "VmHWM"):
                values[key] = int(rest.split()[0])
    if "VmRSS" not in values:
        raise RigFailure(f"pid {pid} has no resident memory any more (it has ended)")
    return values["VmRSS"], values["VmHWM"]


def tail(path, lines=40):
    """The last lines of a log, for a message."""
    try:
        with open(path, errors="replace") as f:
            text = f.read().splitlines()
    except OSError:
        return "(no log)"
    return "\n".join(text[-lines:]) or "(empty)"


def stop_process(proc, grace=3.0):
    """SIGTERM to the process and the group it leads, SIGKILL after a grace period."""
    if proc.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, grace)):
        for target in (lambda: os.killpg(proc.pid, sig), lambda: os.kill(proc.pid, sig)):
            try:
                target()
            except (ProcessLookupError, PermissionError):
                pass
        try:
            proc.wait(wait)
            break
        except subprocess.TimeoutExpired:
            continue
    # The helper's own children in its group follow it.
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass


def session_processes(marker_value):
    """Pids of processes whose environment holds MARKER=marker_value."""
    needle = f"{MARKER}={marker_value}".encode() + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle in f.read() + b"\0":
                    found.append(int(entry))
        except OSError:
            continue
    return found


class Program:
    """A program launched into the session, with its output kept in the artifacts folder."""

    def __init__(self, name, popen, stdout_path, stderr_path):
        self.name = name
        self.popen = popen
        self.pid = popen.pid
        self.stdout_path = stdout_path
        self.stderr_path = stderr_path

    def running(self):
        return self.popen.poll() is None

    def stop(self):
        """SIGTERM, and SIGKILL after a grace period."""
        stop_process(self.popen)

    def wait_exit(self, timeout=5.0):
        """Returns the exit status; fails if the program is still running after timeout."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise RigFailure(f"{self.name} (pid {self.pid}) still runs {timeout:.1f} s later") from None

    def stderr(self):
        return tail(self.stderr_path, 200)

    def stdout(self):
        return tail(self.stdout_path, 200)

    def sanitizer_report(self):
        """The sanitizers' report on the program's standard error, or None."""
        return sanitizer_report(self.stderr_path)


def run_tool(argv, env, timeout=5.0, check=False):
    """Runs a command-line tool and returns its output ('' on failure unless check is set)."""
    try:
        done = subprocess.run(argv, env=env, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise RigFailure(f"{' '.join(argv)} did not finish within {timeout:.0f} s") from None
    if check and done.returncode != 0:
        raise RigFailure(f"{' '.join(argv)} failed ({done.returncode}): {done.stderr.strip()}")
    return done.stdout if done.returncode == 0 else ""
