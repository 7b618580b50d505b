"""Runs one case of a test file in sessions of its own, and says how it went.

A test file hands run_cases its cases by name; ctest runs `<file> CASE --kind KIND --scale N
[--program PATH] [--sanitized] [--artifacts DIR] [--budget SECONDS]`. Each case gets a
CaseContext whose sessions, when the case fails inside them, keep what the rig saw for the
failure's message.

Whatever a program writes to standard error is kept; a report of AddressSanitizer,
LeakSanitizer or UndefinedBehaviorSanitizer in it fails the case and is printed. With
--sanitized (the program built with the sanitizers) every program still running when a case
has passed is ended as a person would end it (the test file's `finish`), so that the leak
check at its exit runs too.
"""

import argparse
import os
import shutil
import signal
import sys
import tempfile
import time

from checks import Interrupted, RigFailure, scale_factor
from kinds import KINDS
from rig import Session
from sanitizers import check_sanitized


def _raise_interrupted(signum, frame):
    raise Interrupted(f"stopped by signal {signal.Signals(signum).name}")


def run_cases(cases, argv=None, finish=None):
    """Command-line entry of a test file: `<file> CASE [--kind KIND] [--scale N] [--program
    PATH] [--sanitized] [--artifacts DIR] [--budget SECONDS]`. Runs one case, prints what the rig saw when it
    fails, and exits 0 only when the case passed. finish(session) ends the programs still
    running in a session whose case passed, when the program is the sanitizer build."""
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(cases))
    parser.add_argument("--program")
    parser.add_argument("--sanitized", action="store_true",
                        help="the program is built with ASan and UBSan: end it cleanly after each case so "
                             "that the leak check runs")
    parser.add_argument("--artifacts", default=None)
    parser.add_argument("--budget", type=float, default=50.0,
                        help="the case's own deadline in seconds, below CTest's TIMEOUT")
    parser.add_argument("--kind", choices=sorted(KINDS), default="xembed", help="the kind of session")
    parser.add_argument("--scale", type=scale_factor, default=1, help="the desktop's scale factor (2, 2.5)")
    args = parser.parse_args(argv)
    artifacts = args.artifacts or os.path.join(tempfile.gettempdir(), "velmora-e2e-artifacts", args.case)
    shutil.rmtree(artifacts, ignore_errors=True)
    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGALRM):
        signal.signal(s, _raise_interrupted)
    signal.setitimer(signal.ITIMER_REAL, args.budget)
    context = CaseContext(args.program, artifacts, args.kind, args.scale, args.sanitized, finish)
    started = time.monotonic()
    try:
        if args.sanitized:
            check_sanitized(args.program)
        cases[args.case](context)
    except (RigFailure, Interrupted) as failure:
        signal.setitimer(signal.ITIMER_REAL, 0)
        print(f"FAIL {args.case}: {failure}", file=sys.stderr)
        if context.last_report:
            print(context.last_report, file=sys.stderr)
        print(f"(artifacts: {artifacts})", file=sys.stderr)
        return 1
    signal.setitimer(signal.ITIMER_REAL, 0)
    print(f"PASS {args.case} in {time.monotonic() - started:.1f} s")
    return 0


class CaseContext:
    """Handed to each case: the program under test and a way to open sessions that report
    what they saw when the case fails inside them."""

    def __init__(self, program, artifacts, kind="xembed", scale=1, sanitized=False, finish=None):
        self.program = program
        self.artifacts = artifacts
        self.kind = kind
        self.scale = scale
        self.sanitized = sanitized
        self.finish = finish
        self.last_report = None

    def session(self, accessibility=False, name="session", kind=None, scale=None):
        return _ReportingSession(self, name, os.path.join(self.artifacts, name), accessibility,
                                 kind or self.kind, scale or self.scale)


class _ReportingSession(Session):
    """A session that leaves what it saw to its case's failure message, and fails the case on
    a sanitizer's report; after a passed case of a sanitized run it first ends the programs
    still running through the test file's finish."""

    def __init__(self, context, name, artifacts, accessibility, kind, scale):
        super().__init__(name, artifacts, accessibility, kind, scale, sanitized=context.sanitized)
        self.context = context

    def __exit__(self, kind, value, tb):
        ended = None
        if kind is None and self.sanitized and self.context.finish:
            # The leak check runs when a program ends by itself: end each one as a person would.
            try:
                if any(p.running() for p in self.programs):
                    self.context.finish(self)
            except (RigFailure, Interrupted) as failure:
                ended = failure
        if kind is not None or ended is not None:
            try:
                self.context.last_report = self.report()
            except BaseException as failure:  # the report must never hide the failure itself
                self.context.last_report = f"(could not collect the report: {failure})"
        super().__exit__(kind, value, tb)
        reports = [(p, p.sanitizer_report()) for p in self.programs]
        reports = [f"--- {p.name} (pid {p.pid}) ---\n{text}" for p, text in reports if text]
        if reports:
            found = RigFailure("the sanitizers reported on standard error:\n" + "\n".join(reports))
            if kind is not None:    # already failing: the report goes first in what is printed
                self.context.last_report = f"{found}\n{self.context.last_report or ''}"
            else:
                raise found
        if ended is not None:
            raise ended
        return False
