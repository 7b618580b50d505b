#!/usr/bin/python3
"""Soak: the real program on a real X server while its clock races through the calendar.

libfaketime starts the program's clock at a chosen instant and runs it tens of thousands of
times too fast, so months go by in seconds. The monotonic clock is left real
(FAKETIME_DONT_FAKE_MONOTONIC=1): with it faked too, every 100 ms timer would be due at once
and for ever, and Qt's D-Bus calls (accessibility, the tray's watcher check) would time out
before an answer could come, so nothing could be read from outside. With it real, the timers
tick ten times a second as for a user, and each tick finds the calendar hours further on.
(libfaketime still divides poll timeouts by the speed factor, so the program's event loop
spins while it waits: its CPU figures here mean nothing; bench/process/ measures those.)

Throughout the run the program must stay alive, keep its resident memory within a small
bound after the warm-up, open no window but the arrival window "YEAH!" (and that only on
12 April), and write at most the allowed lines to standard error, one per failure cause.
Every second the fields are read through accessibility and checked against the countdown's
rules: the sentence, the month rules, the stop, the year tests and the month names.

    soak.py CASE --program build/app/velmora3-c [--artifacts DIR] [--budget SECONDS]
"""

import datetime as dt
import locale
import os
import re
import subprocess
import sys
import time
import unittest.mock
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "e2e"))

from checks import RigFailure, check  # noqa: E402
from runner import run_cases  # noqa: E402
from observe import MAIN_TITLE, Fields, ObserveError, client_titles  # noqa: E402
from processes import memory_kib  # noqa: E402

ARRIVAL_TITLE = "YEAH!"
TRAY_TITLE = "panel"  # trayer's own window
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1"  # the program has threads
WARM_UP = 10.0        # seconds of real time before resident memory is held to its bound
RSS_GROWTH_KIB = 3 * 1024
POLL = 0.5            # seconds between looks at the process and the windows
# The run, the field and its text; where those tell the cause, the line goes on to say why.
FAILURE_LINE = re.compile(r'^velmora3-c: (clock run|countdown run|manual clock run|manual countdown run) '
                          r'stopped: field (\w+) holds "(.*?)", which is not a number(?:\. .+\.)?$')


@dataclass(frozen=True)
class Scenario:
    start: str                  # the program's clock when it starts, local time
    speed: int                  # fake seconds per real second
    seconds: float              # how long the program runs, real time
    months: tuple               # (year, month) the clock fields must all pass through
    arrival: dt.date = None     # the one day the countdown may stop and open "YEAH!"
    causes: dict = field(default_factory=dict)  # (run, field, text) -> most lines allowed
    lc_time: str = "C.UTF-8"
    tz: str = "UTC"


def months_from(year, month, count):
    out = []
    for _ in range(count):
        out.append((year, month))
        year, month = (year + 1, 1) if month == 12 else (year, month + 1)
    return tuple(out)


# A countdown run made before the first clock run finds "CurMon" in CurMon; whether it
# happens depends on which timer ticks first, so the line is allowed once everywhere.
FIRST_TICK = {("countdown run", "CurMon", "CurMon"): 1}
# January and May to November write no EndDays: while it holds its design text, the stop
# test fails on it.
NO_DAY_COUNT = {("countdown run", "EndDays", "EndDays"): 1}

SCENARIOS = {
    # January to April 2013: the design text in January, the rules of February, March and
    # April, the stop on 12 April with one arrival window, then the clock alone.
    "arrival": Scenario(start="2013-01-25 06:00:00", speed=100_000, seconds=75,
                        months=months_from(2013, 1, 4), arrival=dt.date(2013, 4, 12),
                        causes={**FIRST_TICK, **NO_DAY_COUNT}),
    # A program started the day after: the negative counts, May to November carrying the last
    # April count, December 2013 with "365", the change to 2014 and January 2014 carrying the
    # December count, February to April 2014 by their rules again. Every month of a year; no
    # count is ever 0, so no window opens.
    "year": Scenario(start="2013-04-13 00:00:00", speed=280_000, seconds=108,
                     months=months_from(2013, 4, 12), causes=FIRST_TICK),
    # Started in November 2014: CurYearVal stays "Label9", so every December run fails at the
    # December rule, and January 2015 fails at the stop test again, without a new line.
    "december": Scenario(start="2014-11-26 12:00:00", speed=60_000, seconds=70,
                         months=months_from(2014, 11, 3),
                         causes={**FIRST_TICK, **NO_DAY_COUNT, ("countdown run", "CurYearVal", "Label9"): 1}),
    # French month names match none of the rules: EndDays keeps its design text, the sentence
    # carries it, 12 April passes without a stop; the change to summer time on 31 March.
    "french": Scenario(start="2013-02-20 12:00:00", speed=100_000, seconds=60,
                       months=months_from(2013, 2, 3), causes={**FIRST_TICK, **NO_DAY_COUNT},
                       lc_time="fr_FR.UTF-8", tz="Europe/Paris"),
}


# -- the countdown's rules, as a reader of its fields sees them ---------------------------
def month_names(lc_time, locale_env=None):
    """Full standalone month names in lc_time, as the C library gives them; locale_env is
    what ensure_locale gave (a LOCPATH where the system lacks the locale)."""
    saved = locale.setlocale(locale.LC_TIME)
    # The C library reads LOCPATH at each setlocale.
    with unittest.mock.patch.dict(os.environ, locale_env or {}):
        try:
            locale.setlocale(locale.LC_TIME, lc_time)
            return {m: time.strftime("%OB", (2013, m, 15, 12, 0, 0, 0, 0, 0)) for m in range(1, 13)}
        finally:
            locale.setlocale(locale.LC_TIME, saved)


def number(text, name):
    if not re.fullmatch(r"-?(0|[1-9]\d*)", text):
        raise ValueError(f"{name} holds {text!r}, not a whole number")
    return int(text)


def sentence(f):
    return (f"It is {f['EndDays']} Days, {f['EndHour']} Hours, {f['EndMinute']} Minutes, and "
            f"{f['EndSecond']} Seconds")


def clock_reading(f):
    """The time the clock fields show."""
    parts = [number(f[n], n) for n in ("CurYear", "CurMon", "CurDay", "CurHour", "CurMin", "CurSec")]
    return dt.datetime(*parts)


def countdown_reading(f, year):
    """The time the countdown worked from, taken back from its remainders (in year or the
    one before, whichever is not after `year`'s clock)."""
    month = 10 - number(f["EndMon"], "EndMon")
    day = 12 - number(f["EndDay"], "EndDay")
    hour = 24 - number(f["EndHour"], "EndHour")
    minute = 60 - number(f["EndMinute"], "EndMinute")
    second = 60 - number(f["EndSecond"], "EndSecond")
    return month, dt.datetime(year, month, day, hour, minute, second)


class Judge:
    """Checks each reading of the fields against the rules and the readings before it."""

    def __init__(self, scenario, locale_env=None):
        self.s = scenario
        self.names = month_names(scenario.lc_time, locale_env)
        self.english = self.names[1] == "January"
        self.start_year = int(scenario.start[:4])
        # A reading is taken once a second, so the countdown may be this many days on.
        self.slack_days = int(1.5 * scenario.speed / 86400) + 1
        self.problems = []      # a rule broken: the test fails
        self.torn = []          # readings that look like a run across a change of day or month
        self.previous = None    # (fields, what the countdown did with EndDays)
        self.written = False    # whether a rule has written EndDays yet
        self.stopped = None     # the countdown fields as the stop left them
        self.stopped_at = None
        self.months = set()
        self.readings = 0

    def problem(self, when, text):
        self.problems.append(f"at {when}: {text}")

    def judge(self, f):
        self.readings += 1
        self.last = f
        try:
            clock = clock_reading(f)
        except ValueError as e:
            self.problem(f, f"the clock fields are no date: {e}")
            return
        when = clock.isoformat(" ")
        self.months.add((clock.year, clock.month))
        # Each clock step reads the clock afresh; a run across a month's change may pair the
        # old month's number with the new month's name.
        if f["MonName"] not in (self.names[clock.month], self.names[clock.month % 12 + 1]):
            self.problem(when, f"MonName holds {f['MonName']!r} for month {clock.month}")
        year_val = "365" if self.start_year in (2012, 2013) else "Label9"
        if f["CurYearVal"] != year_val:
            self.problem(when, f"CurYearVal holds {f['CurYearVal']!r}, expected {year_val!r}")
        if self.stopped is not None:
            self._after_stop(when, f)
        else:
            self._counting(when, clock, f)

    def day_count_rule(self, month, f):
        """What the countdown run does with EndDays in month: ("write", text), ("keep", None)
        for a month without a rule, ("fail", None) for a December run that fails at its rule."""
        if not self.english:
            return "keep", None  # the rules compare with English names only
        end_day = number(f["EndDay"], "EndDay")
        if month in (2, 3, 4):
            return "write", {2: str(end_day + 59), 3: str(end_day + 30), 4: f["EndDay"]}[month]
        if month == 12:
            return ("write", str(365 + 181 - end_day)) if f["CurYearVal"] == "365" else ("fail", None)
        return "keep", None

    def _counting(self, when, clock, f):
        try:
            month, worked = countdown_reading(f, clock.year)
            if worked > clock:
                month, worked = countdown_reading(f, clock.year - 1)
        except ValueError as e:
            self.torn.append(f"at {when}: the countdown fields are no time: {e}")
            return
        # The countdown follows the clock: it works from the reading of this tick or of the
        # one before; a tick moves the calendar by a tenth of the speed (more under load).
        lag = (clock - worked).total_seconds()
        if not -1 <= lag <= 0.5 * self.s.speed:
            self.torn.append(f"at {when}: the countdown worked from {worked}, {lag:.0f} s behind the clock")

        kind, text = self.day_count_rule(month, f)
        carried = self.previous is not None and self.previous[1] in ("keep", "fail")
        if kind == "write":
            self.written = True
            if f["EndDays"] != text:
                self.problem(when, f"month {month}: EndDays holds {f['EndDays']!r}, expected {text!r}")
        else:
            if not self.written and f["EndDays"] != "EndDays":
                self.problem(when, f"month {month}: EndDays holds {f['EndDays']!r}, though no rule ever wrote it")
            if carried and f["EndDays"] != self.previous[0]["EndDays"]:
                self.problem(when, f"month {month} has no rule, yet EndDays went from "
                             f"{self.previous[0]['EndDays']!r} to {f['EndDays']!r}")
        if kind == "fail":
            # The run ends at the December rule: the sentence keeps the last one written.
            if self.previous is not None and self.previous[1] == "fail" and f["Final"] != self.previous[0]["Final"]:
                self.problem(when, f"a failing December run changed the sentence to {f['Final']!r}")
            if not f["Final"].startswith(f"It is {f['EndDays']} Days, "):
                self.problem(when, f"Final reads {f['Final']!r}, without the day count {f['EndDays']!r}")
        elif f["Final"] != sentence(f):
            self.problem(when, f"Final reads {f['Final']!r}, expected {sentence(f)!r}")
        self.previous = (f, kind)

        days_from_arrival = (clock.date() - self.s.arrival).days if self.s.arrival else None
        if f["EndDays"] == "0":
            if days_from_arrival is None or not 0 <= days_from_arrival <= self.slack_days:
                self.problem(when, "the day count reached 0, so the countdown stops, on a day it must not")
            self.stopped = {k: f[k] for k in ("EndMon", "EndDay", "EndDays", "EndHour", "EndMinute", "EndSecond",
                                               "Final")}
            self.stopped_at = when
        elif days_from_arrival is not None and days_from_arrival > self.slack_days:
            self.problem(when, f"the clock is past {self.s.arrival} and the countdown has not stopped")

    def _after_stop(self, when, f):
        now = {k: f[k] for k in self.stopped}
        if now != self.stopped:
            self.problem(when, f"the countdown changed its fields after the stop: {now} (stopped: {self.stopped})")
        if (self.stopped["EndMon"], self.stopped["EndDay"]) != ("6", "0"):
            self.problem(when, f"the stop left {self.stopped}, not 12 April's fields")


# -- the run ---------------------------------------------------------------------------------
def ensure_locale(name, folder):
    """Environment that makes locale `name` available to the program: nothing when the system
    has it, else LOCPATH to a copy compiled here by localedef (package locales)."""
    wanted = name.lower().replace("utf-8", "utf8")
    if wanted in subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split():
        return {}
    language, charmap = name.split(".")
    os.makedirs(folder, exist_ok=True)
    done = subprocess.run(["localedef", "-i", language, "-f", charmap, os.path.join(folder, name)],
                          capture_output=True, text=True)
    if done.returncode not in (0, 1):  # 1: written, with warnings
        raise RigFailure(f"cannot compile the locale {name}: {done.stderr.strip()}")
    return {"LOCPATH": folder}


def stderr_lines(path):
    with open(path, errors="replace") as f:
        return [line.rstrip("\n") for line in f if line.strip()]


def check_stderr(lines, allowed):
    """At most the allowed number of lines per failure cause, and nothing else."""
    counts, strangers = {}, []
    for line in lines:
        m = FAILURE_LINE.match(line)
        if m:
            counts[m.groups()] = counts.get(m.groups(), 0) + 1
        else:
            strangers.append(line)
    problems = [f"unexpected line on standard error: {line!r}" for line in strangers]
    for cause, n in counts.items():
        if n > allowed.get(cause, 0):
            problems.append(f"{n} lines for {cause} (at most {allowed.get(cause, 0)} allowed)")
    return counts, problems


def run_scenario(context, name):
    try:
        _run_scenario(context, name)
    except ObserveError as e:
        raise RigFailure(str(e)) from None


def _run_scenario(context, name):
    s = SCENARIOS[name]
    # A machine without the scenario's locale gets one compiled for the run, both for the
    # program and for the judge's own month names.
    locale_env = ensure_locale(s.lc_time, os.path.join(context.artifacts, "locales"))
    judge = Judge(s, locale_env)
    with context.session(accessibility=True, name=name) as session:
        env = {"LD_PRELOAD": FAKETIME_LIBRARY, "FAKETIME": f"@{s.start} x{s.speed}",
               "FAKETIME_DONT_FAKE_MONOTONIC": "1", "TZ": s.tz,
               "LC_ALL": "", "LANG": "C.UTF-8", "LC_TIME": s.lc_time, **locale_env}
        if not os.path.exists(FAKETIME_LIBRARY):
            raise RigFailure(f"{FAKETIME_LIBRARY} is missing (package faketime)")
        program = session.launch([context.program], name="velmora3-c", env=env)
        started = time.monotonic()
        fields = Fields(session.env, program.pid)
        fields.wait_ready()
        fields.wait_first_clock_run()

        rss = []                # (seconds since start, KiB)
        arrival_seen = None     # seconds since start
        first_stop = None
        next_reading = 0.0
        while (elapsed := time.monotonic() - started) < s.seconds:
            if not program.running():
                raise RigFailure(f"the program ended after {elapsed:.1f} s with status "
                                 f"{program.popen.returncode}; its standard error:\n{program.stderr()}")
            rss.append((elapsed, memory_kib(program.pid)[0]))
            titles = client_titles(session)
            others = [t for t in titles if t not in (MAIN_TITLE, TRAY_TITLE, ARRIVAL_TITLE)]
            check(not others, f"a window other than the countdown's appeared after {elapsed:.1f} s: {others}")
            check(titles.count(MAIN_TITLE) == 1, f"the main window is not there once: {titles}")
            arrivals = titles.count(ARRIVAL_TITLE)
            check(arrivals <= 1, f"{arrivals} arrival windows after {elapsed:.1f} s")
            if arrivals and arrival_seen is None:
                arrival_seen = elapsed
                if s.arrival is None:
                    now = fields.snapshot()
                    raise RigFailure(f"an arrival window opened after {elapsed:.1f} s, with the clock "
                                     f"at {now['CurYear']}-{now['CurMon']}-{now['CurDay']}")
            if arrival_seen is not None:
                check(arrivals == 1, f"the arrival window went away by itself after {elapsed:.1f} s")
            if elapsed >= next_reading:
                judge.judge(fields.snapshot())
                if judge.stopped is not None and first_stop is None:
                    first_stop = elapsed
                next_reading = elapsed + 1.0
            time.sleep(POLL)

        check(program.running(), f"the program ended at the very end, status {program.popen.returncode}")
        lines = stderr_lines(program.stderr_path)

    # -- the verdict ------------------------------------------------------------------------
    problems = list(judge.problems)
    if len(judge.torn) > 1:
        problems += judge.torn
    missing = [m for m in s.months if m not in judge.months]
    if missing:
        problems.append(f"the clock never showed the months {missing} (seen: {sorted(judge.months)})")
    if s.arrival:
        if first_stop is None or arrival_seen is None:
            problems.append(f"no stop on {s.arrival} (stop seen: {first_stop}, window seen: {arrival_seen})")
        elif abs(first_stop - arrival_seen) > 2.5:
            problems.append(f"the arrival window came {arrival_seen:.1f} s after the start, "
                            f"the stop was first read at {first_stop:.1f} s")
    warm = [kib for t, kib in rss if t >= WARM_UP]
    check(len(warm) > 10, f"too few memory samples after the warm-up ({len(warm)})")
    growth = max(warm) - warm[0]
    if growth > RSS_GROWTH_KIB:
        problems.append(f"resident memory grew by {growth} KiB after the warm-up ({warm[0]} -> {max(warm)} KiB)")
    counts, stderr_problems = check_stderr(lines, s.causes)
    problems += stderr_problems

    print(f"{name}: {judge.readings} readings, months {sorted(judge.months)[0]}..{sorted(judge.months)[-1]} "
          f"({len(judge.months)}), stop {judge.stopped_at if judge.stopped else 'none'}, "
          f"RSS {warm[0]} -> max {max(warm)} KiB, standard error {counts}, torn readings {len(judge.torn)}; "
          f"last reading: {judge.last['CurYear']}-{judge.last['CurMon']}-{judge.last['CurDay']} "
          f"{judge.last['MonName']!r} {judge.last['Final']!r}")
    if problems:
        raise RigFailure("\n  " + "\n  ".join(problems[:40]))


CASES = {name: (lambda context, name=name: run_scenario(context, name)) for name in SCENARIOS}

if __name__ == "__main__":
    sys.exit(run_cases(CASES))
