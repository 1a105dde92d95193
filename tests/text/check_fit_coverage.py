#!/usr/bin/env python3
"""Every catalogue text the program uses is measured by a fit test
(tests/*/test_fit.cpp) against the room it is drawn in, or is named below
with the reason it has no room to fit. A new text drawn without a
measurement fails here. Run by CTest with the repository root."""

import os
import re
import sys

VALUE_UNIT = "a unit no readout of this build shows"
NOT_SHOWN = "a name the store or a view registration carries; nothing draws it"
NO_SCREEN = "no screen opens the date and time form"
LONG_TITLE = "a picker's full title; the picker shows its short form"
NO_BOX = "no remote key opens a box of this setting"

NOT_FITTED = {
    "Alphabet": "the characters a name is edited from, offered one at a time",
    "Burn_In": "the factory burn-in screen",
    "More_Than_A_Day": "floats on the chart beside the course line's end, clipped by the pane",
    "Show_Route_Information": NOT_SHOWN,
    "Playback": NOT_SHOWN,
    "Tone_Mode": NOT_SHOWN,
    "Color_Palette": NOT_SHOWN,
    "Zoom_Level": NOT_SHOWN,
    "Ice_Fishing_Mode": NOT_SHOWN,
    "Date_Format": NOT_SHOWN,
    "Time_Format": NOT_SHOWN,
    "Position_Format": NOT_SHOWN,
    "North_Reference": NOT_SHOWN,
    "Chart_Declutter": NO_BOX,
    "Imaging_Colors": NO_BOX,
    "SI_Colors": NO_BOX,
    "Color_360": NO_BOX,
    "Select_Waypoint_To_Move_Cursor_To": LONG_TITLE,
    "Select_Point_to_Go_To": LONG_TITLE,
    "Select_Point_To_Cursor_To": LONG_TITLE,
    "Select_Waypoint_to_Go_To": LONG_TITLE,
    "Select_Waypoint_to_Target": LONG_TITLE,
}
NOT_FITTED.update({name: NO_SCREEN for name in ("Enter_Time_and_Date", "Hours", "Minutes", "Seconds", "Month",
                                                "Day", "Year")})
NOT_FITTED.update({name: VALUE_UNIT for name in ("seconds", "InHg", "mmHg", "mb", "hPa", "Volume_Gallons",
                                                 "UK_Gallons", "Volume_Liters", "PSI", "Mid_kpa", "gal_h",
                                                 "UK_gal_h", "L_h", "mpg", "UK_mpg", "km_L")})


def identifiers(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r'"(?:[^"\\\n]|\\.)*"', '""', text)
    return set(re.findall(r"\b[A-Za-z_]\w*\b", text))


def names_in(root, only=None):
    found = set()
    for folder, _, files in os.walk(root):
        for name in files:
            if (only is None or name == only) and name.endswith((".cpp", ".h", ".inc")):
                found |= identifiers(os.path.join(folder, name))
    return found


def main(root):
    with open(os.path.join(root, "data", "text", "po", "texts.pot"), encoding="utf-8") as f:
        catalogue = re.findall(r'^msgctxt "([^"]+)"', f.read(), re.M)
    used = names_in(os.path.join(root, "src"))
    fitted = names_in(os.path.join(root, "tests"), "test_fit.cpp")
    unmeasured = [n for n in catalogue if n in used and n not in fitted and n not in NOT_FITTED]
    stale = [n for n in NOT_FITTED if n in fitted]
    report = [f"{n} is drawn but no fit test measures it" for n in unmeasured]
    report += [f"{n} is measured: take it off NOT_FITTED" for n in stale]
    for line in report:
        print("FAILED:", line)
    print(f"{len(report)} failed" if report else "passed")
    return 1 if report else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
