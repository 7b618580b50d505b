#!/usr/bin/python3
"""The soak's judge and its standard-error check on hand-made readings: sound readings pass,
each kind of broken reading is caught. No X server needed."""

import datetime as dt
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "e2e"))

from soak import Judge, Scenario, check_stderr, months_from  # noqa: E402

ENGLISH = {m: n for m, n in enumerate(["January", "February", "March", "April", "May", "June", "July", "August",
                                       "September", "October", "November", "December"], 1)}


def reading(when, end_days=None, year_val="365", final=None, countdown_at=None):
    """The fields as the program writes them at `when`, the countdown having worked from
    countdown_at (default: the same time)."""
    c = countdown_at or when
    f = {"CurYear": str(when.year), "CurMon": str(when.month), "CurDay": str(when.day),
         "CurHour": str(when.hour), "CurMin": str(when.minute), "CurSec": str(when.second),
         "MonName": ENGLISH[when.month], "CurYearVal": year_val,
         "EndMon": str(10 - c.month), "EndDay": str(12 - c.day), "EndHour": str(24 - c.hour),
         "EndMinute": str(60 - c.minute), "EndSecond": str(60 - c.second)}
    rules = {2: 12 - c.day + 59, 3: 12 - c.day + 30, 4: 12 - c.day, 12: 365 + 181 - (12 - c.day)}
    f["EndDays"] = end_days if end_days is not None else str(rules.get(c.month, "EndDays"))
    f["Final"] = final if final is not None else (
        f"It is {f['EndDays']} Days, {f['EndHour']} Hours, {f['EndMinute']} Minutes, and {f['EndSecond']} Seconds")
    return f


def judged(readings, **scenario):
    settings = dict(start="2013-03-30 00:00:00", speed=100_000, seconds=1, months=())
    settings.update(scenario)
    judge = Judge(Scenario(**settings))
    for f in readings:
        judge.judge(f)
    return judge


T = dt.datetime


class SoundReadings(unittest.TestCase):
    def test_march_into_april_passes(self):
        j = judged([reading(T(2013, 3, 30, 8)), reading(T(2013, 4, 2, 9, 5, 3)), reading(T(2013, 4, 9, 23, 59, 59))])
        self.assertEqual(j.problems, [])
        self.assertEqual(j.torn, [])
        self.assertEqual(j.months, {(2013, 3), (2013, 4)})

    def test_the_stop_on_12_april_then_frozen_fields(self):
        stop = reading(T(2013, 4, 12, 9))
        later = dict(reading(T(2013, 4, 14, 10)), **{k: stop[k] for k in
                                                       ("EndMon", "EndDay", "EndDays", "EndHour", "EndMinute",
                                                        "EndSecond", "Final")})
        j = judged([reading(T(2013, 4, 11, 9)), stop, later], arrival=dt.date(2013, 4, 12))
        self.assertEqual(j.problems, [])
        self.assertEqual(j.stopped["EndDays"], "0")

    def test_may_keeps_the_last_april_count(self):
        j = judged([reading(T(2013, 4, 30, 12)), reading(T(2013, 5, 3), end_days="-18"),
                    reading(T(2013, 5, 20), end_days="-18")], start="2013-04-13 00:00:00")
        self.assertEqual(j.problems, [])

    def test_a_failing_december_keeps_the_november_sentence(self):
        november = reading(T(2014, 11, 30, 10), year_val="Label9")
        dec1 = reading(T(2014, 12, 2, 10), year_val="Label9", end_days="EndDays", final=november["Final"])
        dec2 = reading(T(2014, 12, 9, 3), year_val="Label9", end_days="EndDays", final=november["Final"])
        j = judged([november, dec1, dec2], start="2014-11-26 12:00:00")
        self.assertEqual(j.problems, [])

    def test_the_countdown_one_tick_behind_is_no_fault(self):
        now = T(2013, 3, 10, 12)
        j = judged([reading(now, countdown_at=now - dt.timedelta(seconds=10_000))])
        self.assertEqual(j.problems + j.torn, [])


class BrokenReadings(unittest.TestCase):
    CASES = [
        # what is wrong, the reading, scenario settings
        ("a wrong sentence", reading(T(2013, 3, 10), final="It is 1 Days, 1 Hours, 1 Minutes, and 1 Seconds"), {}),
        ("a wrong March count", reading(T(2013, 3, 10), end_days="5"), {}),
        ("a month name in the wrong language", dict(reading(T(2013, 3, 10)), MonName="mars"), {}),
        ("CurYearVal missing in 2013", reading(T(2013, 3, 10), year_val="Label9"), {}),
        ("CurYearVal written in 2014", reading(T(2014, 11, 30), year_val="365"), {"start": "2014-11-26 00:00:00"}),
        ("a stop in a run that must not stop", reading(T(2013, 4, 12), end_days="0"), {}),
        ("a count written in May though no rule ever did",
         reading(T(2013, 5, 3), end_days="7"), {"start": "2013-05-01 00:00:00"}),
        ("no stop long after 12 April", reading(T(2013, 4, 20), end_days="-8"), {"arrival": dt.date(2013, 4, 12)}),
    ]

    def test_each_broken_reading_is_caught(self):
        for what, f, settings in self.CASES:
            with self.subTest(what):
                self.assertNotEqual(judged([f], **settings).problems, [], what)

    def test_a_countdown_that_fell_behind_is_seen(self):
        now = T(2013, 3, 20, 12)
        j = judged([reading(now, countdown_at=now - dt.timedelta(days=5))])
        self.assertEqual(len(j.torn), 1)

    def test_fields_that_change_after_the_stop(self):
        stop = reading(T(2013, 4, 12, 9))
        moved = reading(T(2013, 4, 13, 9), end_days="0")
        j = judged([stop, moved], arrival=dt.date(2013, 4, 12))
        self.assertTrue(any("after the stop" in p for p in j.problems), j.problems)

    def test_a_count_that_changes_in_a_month_without_rule(self):
        j = judged([reading(T(2013, 4, 30, 12)), reading(T(2013, 6, 3), end_days="-18"),
                    reading(T(2013, 6, 9), end_days="-17")], start="2013-04-13 00:00:00")
        self.assertEqual(len(j.problems), 1, j.problems)
        self.assertIn("has no rule", j.problems[0])


class StandardError(unittest.TestCase):
    LINE = ('velmora3-c: countdown run stopped: field EndDays holds "EndDays", which is not a number. The countdown '
            'works out its day count only in February, March, April and December: in the other months, until it has '
            'one, the sentence shows "EndDays" where the days belong.')
    CAUSE = ("countdown run", "EndDays", "EndDays")

    def test_lines_within_the_allowance_pass(self):
        counts, problems = check_stderr([self.LINE], {self.CAUSE: 1})
        self.assertEqual((counts, problems), ({self.CAUSE: 1}, []))

    def test_a_repeated_line_a_cause_not_allowed_and_a_stranger_are_caught(self):
        for what, lines in [("repeated", [self.LINE, self.LINE]),
                            ("not allowed", [self.LINE.replace("EndDays", "CurMon")]),
                            ("stranger", ["QXcbConnection: XCB error: 3 (BadWindow)"])]:
            with self.subTest(what):
                self.assertNotEqual(check_stderr(lines, {self.CAUSE: 1})[1], [])


class Months(unittest.TestCase):
    def test_months_run_over_the_year(self):
        self.assertEqual(months_from(2013, 11, 3), ((2013, 11), (2013, 12), (2014, 1)))


if __name__ == "__main__":
    unittest.main()
