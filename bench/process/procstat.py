"""A process read from /proc (and, for its system calls, from the kernel's own count): CPU
time, per-thread wakeups and switches. Resident memory is read by the rig's processes.memory_kib."""

import glob
import os
import subprocess


def cpu_ns(pid):
    """CPU time of every live thread of pid, in nanoseconds."""
    total = 0
    for path in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            with open(path) as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass  # a thread that ended between listing and reading
    return total


def threads(pid):
    """Per live thread of pid: name, CPU ns, times it was put on a CPU (its wakeups, the third
    field of schedstat), voluntary context switches."""
    out = {}
    for task in glob.glob(f"/proc/{pid}/task/*"):
        try:
            with open(f"{task}/comm") as f:
                name = f.read().strip()
            with open(f"{task}/schedstat") as f:
                fields = f.read().split()
            with open(f"{task}/status") as f:
                switches = next(int(line.split()[1]) for line in f if line.startswith("voluntary_ctxt_switches"))
        except (FileNotFoundError, ProcessLookupError, StopIteration):
            continue  # a thread that ended between listing and reading
        out[int(os.path.basename(task))] = (name, int(fields[0]), int(fields[2]), switches)
    return out


def thread_rates(before, after, wall):
    """{tid: (name, cpu µs/s, wakeups/s, voluntary switches/s)} over the threads alive at both ends."""
    return {tid: (a[0], (a[1] - before[tid][1]) / 1e3 / wall, (a[2] - before[tid][2]) / wall,
                  (a[3] - before[tid][3]) / wall)
            for tid, a in after.items() if tid in before}


class SyscallCounter:
    """System calls of every thread of a process over a window, counted in the kernel by the
    raw_syscalls:sys_enter tracepoint (perf stat): no ptrace, so the process runs at its own
    pace. Threads started during the window are not counted."""

    def __init__(self, pid, seconds):
        self.proc = None
        try:
            self.proc = subprocess.Popen(
                ["perf", "stat", "-x,", "--per-thread", "-e", "raw_syscalls:sys_enter", "-p", str(pid),
                 "--", "sleep", str(seconds)],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        except FileNotFoundError:
            pass

    def result(self):
        """{tid: count}, or None when perf could not count."""
        if self.proc is None:
            return None
        _, err = self.proc.communicate(timeout=30)
        counts = {}
        for line in err.decode(errors="replace").splitlines():
            parts = line.split(",")
            if len(parts) < 4 or parts[3] != "raw_syscalls:sys_enter":
                continue
            thread, _, tid = parts[0].rpartition("-")
            if tid.isdigit():
                counts[int(tid)] = int(parts[1]) if parts[1].isdigit() else 0
        return counts or None
