"""Failures and waits, shared by the rig and every test that runs on it."""

import time


class RigFailure(AssertionError):
    """A check failed or the rig could not do its part; the message says which."""


class Interrupted(BaseException):
    """The rig was told to stop (a signal or its own deadline)."""


def wait_for(what, probe, timeout=5.0, step=0.05):
    """Polls probe() until it returns something true, and returns that; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise RigFailure(f"gave up after {timeout:.1f} s waiting for {what}")
        time.sleep(step)


def holds_for(what, probe, duration, step=0.05):
    """Fails as soon as probe() turns false during the next `duration` seconds."""
    deadline = time.monotonic() + duration
    while time.monotonic() < deadline:
        if not probe():
            raise RigFailure(f"{what} no longer held")
        time.sleep(step)


def check(condition, message):
    if not condition:
        raise RigFailure(message)


def scale_factor(text):
    """A scale as the tables write it: a whole number stays one (2), a fraction does not (2.5)."""
    value = float(text)
    return int(value) if value.is_integer() else value
