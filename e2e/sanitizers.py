"""Sanitizer reports in a program's standard error, and the check that a sanitized run really
runs a sanitizer build with the sanitizers' options."""

import os
import re

from checks import RigFailure, check

# A line that starts a sanitizer's report on standard error.
SANITIZER_REPORT = re.compile(r"ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:")
REPORT_LINES = 400          # at most this many lines of a report are printed


def sanitizer_report(path):
    """The text of the sanitizer reports in an output file, from the first report line on
    (with the line of '=' above it), or None when there is none."""
    try:
        with open(path, errors="replace") as f:
            lines = f.read().splitlines()
    except OSError:
        return None
    first = next((i for i, line in enumerate(lines) if SANITIZER_REPORT.search(line)), None)
    if first is None:
        return None
    if first > 0 and lines[first - 1].startswith("====="):
        first -= 1
    shown = lines[first:first + REPORT_LINES]
    if len(lines) - first > REPORT_LINES:
        shown.append(f"... ({len(lines) - first - REPORT_LINES} more lines in {path})")
    return "\n".join(shown)


def check_sanitized(program):
    """A sanitized run of a program built without the sanitizers, or without their options,
    would pass on nothing: refuse it."""
    for name, wanted in (("ASAN_OPTIONS", "detect_leaks=1"), ("LSAN_OPTIONS", "suppressions="),
                         ("UBSAN_OPTIONS", "halt_on_error=1")):
        check(wanted in os.environ.get(name, ""),
              f"--sanitized needs {wanted} in {name} (ctest sets the options of the root CMakeLists.txt)")
    try:
        with open(program, "rb") as f:
            binary = f.read()
    except (OSError, TypeError) as error:
        raise RigFailure(f"no sanitized program to test: {error}") from None
    for symbol in (b"__asan_init", b"__ubsan_handle_"):
        check(symbol in binary, f"{program} is not built with the sanitizers (no {symbol.decode()})")
