#!/usr/bin/python3
"""End-to-end tests of the countdown program on a real desktop, driven from outside as a
user would: each case starts its own session (rig.Session), the program in it, and clicks,
drags, types and looks with the X tools, swaymsg and D-Bus.

    test_program.py CASE --program PATH [--kind KIND] [--scale N] [--sanitized] [--artifacts DIR]
    test_program.py --list | --list-sanitized       the table below, one test a line, for CMake

The cases live by what they exercise: cases_main_window.py, cases_tray.py, cases_dialogs.py
and cases_pictures.py; program.py holds how a person drives the program.

With --sanitized the program is the sanitizer build: it starts slower, and when a case has
passed with the program still running, the rig has it end by "X" so that the leak check at
its exit runs; a sanitizer report fails the case.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from cases_dialogs import (about_box_single_instance, about_line_answers_with_three_boxes,  # noqa: E402
                           arrival_window_on_festival_day, fixed_dialogs_say_they_are_fixed,
                           menu_opens_festival_page)
from cases_main_window import (accessibility_names, arrival_at_the_zero_instant,  # noqa: E402
                               caption_buttons_show_their_tips, clock_month_follows_locale,
                               close_button_ends_program, drag_moves_window_and_hides_panel,
                               planted_dll_is_not_loaded, run_script_moves_the_clock,
                               run_script_picks_the_platform, runs_without_oleacc,
                               sentence_changes_are_announced, window_manager_close_ends_program, window_maps)
from cases_pictures import (about_box_matches_reference, arrival_window_matches_reference,  # noqa: E402
                            panel_matches_reference, screenshot_matches_reference)
from cases_tray import (pointer_sweep_leaves_window_shown, session_end_takes_the_icon_away,  # noqa: E402
                        t_button_sends_window_to_tray, tray_icon_toggles_window, tray_menu_show_and_close)
from checks import check       # noqa: E402
from kinds import KINDS        # noqa: E402
from program import end_by_x   # noqa: E402
from runner import run_cases   # noqa: E402

# Which behaviour runs on which kind of session ("@2": at scale 2; under Wine 2.5 and 3 too), with its CTest timeout in
# seconds. What a desktop changes (its tray, its window manager or compositor, its scale) runs
# on every kind it concerns; the rest stays on the XEmbed kind, to keep the suite's time.
ON_TRAYS = ("xembed", "sni", "sway")
TABLE = [
    (window_maps, 60, ("xembed", "sni", "sway", "bare-sway", "gnome", "bare-gnome", "plasma", "xembed@2", "sway@2",
                       "plasma@2", "wine", "wine@2")),
    (tray_icon_toggles_window, 60, ON_TRAYS + ("gnome", "plasma", "xembed@2", "sway@2", "plasma@2", "wine", "wine@2")),
    (tray_menu_show_and_close, 60, ON_TRAYS + ("gnome", "plasma")),
    (pointer_sweep_leaves_window_shown, 60, ("xembed@2", "wine", "wine@2.5", "wine@3")),
    (session_end_takes_the_icon_away, 60, ("wine",)),
    (t_button_sends_window_to_tray, 60, ON_TRAYS + ("gnome", "plasma", "bare-sway", "bare-gnome", "wine")),
    (drag_moves_window_and_hides_panel, 60, ("xembed", "sway", "gnome", "plasma", "xembed@2", "sway@2",
                                             "plasma@2", "wine", "wine@2")),
    (close_button_ends_program, 60, ON_TRAYS + ("gnome", "plasma", "wine")),
    (window_manager_close_ends_program, 60, ("xembed", "sway", "gnome", "plasma")),
    (menu_opens_festival_page, 60, ("xembed", "gnome", "plasma", "wine")),
    (arrival_window_on_festival_day, 60, ("xembed", "wine")),
    (about_box_single_instance, 60, ("xembed", "gnome", "plasma", "wine")),
    (accessibility_names, 90, ("xembed", "sway", "gnome", "plasma", "xembed@2", "sway@2")),
    (screenshot_matches_reference, 60, ("xembed", "gnome", "plasma", "wine")),
    (panel_matches_reference, 60, ("xembed", "wine")),
    (arrival_window_matches_reference, 60, ("xembed", "wine")),
    (about_box_matches_reference, 60, ("xembed", "wine")),
    (fixed_dialogs_say_they_are_fixed, 60, ("xembed",)),
    (run_script_picks_the_platform, 60, ("xembed", "sway")),
    (run_script_moves_the_clock, 60, ("xembed",)),
    (arrival_at_the_zero_instant, 60, ("xembed", "wine")),
    (clock_month_follows_locale, 60, ("wine",)),
    (planted_dll_is_not_loaded, 60, ("wine",)),
    (runs_without_oleacc, 60, ("wine",)),
    (about_line_answers_with_three_boxes, 60, ("wine",)),
    (caption_buttons_show_their_tips, 90, ("wine", "wine@2.5")),
    (sentence_changes_are_announced, 60, ("wine",)),
]
CASES = {case.__name__: case for case, _, _ in TABLE}
# The behaviours that matter for memory, once more with the sanitizer build of the program on
# every kind each runs on at scale 1 (ctest -L e2e-sanitized): start, the tray's toggles, About
# opened and closed, the arrival, and each way of ending ("X", the desktop's close, the tray's
# "Close"; a case that leaves the program running ends it by "X").
SANITIZED = (window_maps, tray_icon_toggles_window, tray_menu_show_and_close, about_box_single_instance,
             arrival_window_on_festival_day, close_button_ends_program, window_manager_close_ends_program)
# The GNOME and Plasma kinds run the plain build only, for now: their sanitized rows have not
# yet been seen passing on a loaded machine. The Windows program has no sanitizer build.
UNSANITIZED_KINDS = ("gnome", "bare-gnome", "plasma", "wine")


def table_rows(sanitized=False):
    """One line per test: `KIND SCALE CASE SECONDS` (for CMake); with sanitized, the rows of
    the SANITIZED behaviours at scale 1."""
    for case, seconds, kinds in TABLE:
        for entry in kinds:
            kind, _, scale = entry.partition("@")
            check(kind in KINDS, f"{case.__name__}: no session kind {kind!r}")
            if not sanitized or (case in SANITIZED and not scale and kind not in UNSANITIZED_KINDS):
                yield f"{kind} {scale or 1} {case.__name__} {seconds}"


if __name__ == "__main__":
    if sys.argv[1:] in (["--list"], ["--list-sanitized"]):
        print("\n".join(table_rows(sanitized=sys.argv[1] == "--list-sanitized")))
        sys.exit(0)
    sys.exit(run_cases(CASES, finish=end_by_x))
