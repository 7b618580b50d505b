#!/usr/bin/python3
"""Clock jumps: the system clock is set back and forward while the countdown runs.

libfaketime reads the program's time from a file on every call (FAKETIME_TIMESTAMP_FILE,
FAKETIME_NO_CACHE=1); writing "@2013-04-02 14:25:07" there sets the clock to that instant,
from which it runs on. The monotonic clock is left alone (FAKETIME_DONT_FAKE_MONOTONIC=1),
as a real change of the system clock leaves it: the 100 ms timers go on ticking, and the
program must follow the new time on its next tick. The fields are read from outside through
accessibility.

    clock_jump.py CASE --program build/app/velmora3-c [--artifacts DIR] [--budget SECONDS]
"""

import datetime as dt
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "e2e"))

from checks import RigFailure, check, wait_for  # noqa: E402
from runner import run_cases  # noqa: E402
from observe import MAIN_TITLE, Fields, ObserveError, client_titles  # noqa: E402
from soak import FAKETIME_LIBRARY, check_stderr, clock_reading, sentence, stderr_lines  # noqa: E402

FOLLOW_WITHIN = 0.5  # seconds: five ticks


# Each step: the instant written to the clock file, and what the fields must show once the
# program has followed it (EndDays: the day count the sentence must carry; None: the
# countdown has stopped and the sentence must stay as the stop left it).
STEPS = [
    ("start in April", dt.datetime(2013, 4, 3, 14, 25, 7), "9"),
    ("a day back", dt.datetime(2013, 4, 2, 14, 25, 7), "10"),
    # May has no rule: the day count of the last April run stays.
    ("a month forward", dt.datetime(2013, 5, 2, 14, 25, 7), "10"),
    ("back into March", dt.datetime(2013, 3, 20, 8, 0, 0), str(12 - 20 + 30)),
    ("back over the change of year", dt.datetime(2012, 12, 20, 12, 30, 15), "554"),
    ("forward to the day", dt.datetime(2013, 4, 12, 9, 0, 0), "0"),
    # After the stop the countdown never runs again, whatever the clock does.
    ("back before the day", dt.datetime(2013, 4, 11, 9, 0, 0), None),
]


class Clock:
    """The program's clock, set through libfaketime's file."""

    def __init__(self, path):
        self.path = path

    def set(self, when):
        tmp = self.path + ".new"
        with open(tmp, "w") as f:
            f.write(when.strftime("@%Y-%m-%d %H:%M:%S") + "\n")
        os.replace(tmp, self.path)  # never a half-written file for the program to read
        return time.monotonic()


def worked_from(f, year):
    """The time the countdown worked from, taken back from its remainders."""
    return dt.datetime(year, 10 - int(f["EndMon"]), 12 - int(f["EndDay"]), 24 - int(f["EndHour"]),
                       60 - int(f["EndMinute"]), 60 - int(f["EndSecond"]))


def follows(fields, when, since, within, end_days, stopped_sentence):
    """Waits up to `within` seconds after `since` (when the clock was set) until the clock
    fields show `when` as run on since, and the countdown either worked from that time too,
    with `end_days` as its day count, or (end_days None) stays as the stop left it. Returns
    the fields, or fails with what they showed last."""
    while True:
        f = fields.snapshot()
        ran = time.monotonic() - since
        # libfaketime starts the new clock within a second of the write.
        earliest, latest = when - dt.timedelta(seconds=2), when + dt.timedelta(seconds=ran + 2)
        try:
            clock_ok = earliest <= clock_reading(f) <= latest
            if end_days is None:
                countdown_ok = f["Final"] == stopped_sentence
            else:
                countdown_ok = (earliest <= worked_from(f, when.year) <= latest and f["EndDays"] == end_days
                                and f["Final"] == sentence(f))
        except ValueError:
            clock_ok = countdown_ok = False
        if clock_ok and countdown_ok:
            return f
        if ran > within:
            raise RigFailure(f"{ran:.2f} s after the clock was set to {when}, the fields show {f}")
        time.sleep(0.02)


def jumps(context):
    with context.session(accessibility=True, name="jumps") as session:
        clock = Clock(os.path.join(context.artifacts, "faketime.rc"))
        os.makedirs(context.artifacts, exist_ok=True)
        clock.set(STEPS[0][1])
        if not os.path.exists(FAKETIME_LIBRARY):
            raise RigFailure(f"{FAKETIME_LIBRARY} is missing (package faketime)")
        program = session.launch([context.program], name="velmora3-c", env={
            "LD_PRELOAD": FAKETIME_LIBRARY, "FAKETIME_TIMESTAMP_FILE": clock.path, "FAKETIME_NO_CACHE": "1",
            "FAKETIME_DONT_FAKE_MONOTONIC": "1"})
        launched = time.monotonic()
        fields = Fields(session.env, program.pid)
        fields.wait_ready()
        stopped_sentence = None
        for i, (name, when, end_days) in enumerate(STEPS):
            try:
                if i == 0:
                    f = follows(fields, when, launched, 15, end_days, stopped_sentence)
                else:
                    time.sleep(1.0)  # a few ticks at the old time
                    f = follows(fields, when, clock.set(when), FOLLOW_WITHIN, end_days, stopped_sentence)
            except RigFailure as e:
                raise RigFailure(f"{name}: {e}") from None
            check(program.running(), f"{name}: the program ended, status {program.popen.returncode}")
            titles = client_titles(session)
            arrivals = titles.count("YEAH!")
            if end_days == "0":
                wait_for("the arrival window", lambda: client_titles(session).count("YEAH!") == 1, 3)
                stopped_sentence = f["Final"]
            else:
                check(arrivals == (0 if stopped_sentence is None else 1),
                      f"{name}: {arrivals} arrival windows, titles {titles}")
            check(set(titles) <= {MAIN_TITLE, "panel", "YEAH!"}, f"{name}: unexpected windows {titles}")
            print(f"{name}: {when} -> {f['CurYear']}-{f['CurMon']}-{f['CurDay']} {f['CurHour']}:{f['CurMin']}:"
                  f"{f['CurSec']} {f['MonName']}, \"{f['Final']}\"")
        # December 2012 after a start in 2013 still has "365" (nothing resets it); the
        # stop left Timer2 off, and the clock went on through the last jump.
        check(f["CurYearVal"] == "365", f"CurYearVal holds {f['CurYearVal']!r}")
        check(f["CurDay"] == "11", f"the clock fields did not follow the last jump: {f}")
        _, problems = check_stderr(stderr_lines(program.stderr_path),
                                   {("countdown run", "CurMon", "CurMon"): 1})
        check(not problems, "; ".join(problems))


def run(context):
    try:
        jumps(context)
    except ObserveError as e:
        raise RigFailure(str(e)) from None


if __name__ == "__main__":
    sys.exit(run_cases({"jumps": run}))
