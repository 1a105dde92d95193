#!/usr/bin/env python3
"""The text generator refuses what the unit could not show, and encodes the
rest into the language's code page; the catalogue's check finds two values
that read alike on one menu. Run by CTest with the repository root."""

import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = sys.argv[1]
GEN = os.path.join(ROOT, "tools", "gen_ui_texts.py")
DATA = os.path.join(ROOT, "data", "text")


def entry(context, english, text, fuzzy=False):
    return {"context": context, "english": english, "text": text, "fuzzy": fuzzy}


def put(path, e):
    """Writes the entry into the file, in place of one of the same table."""
    with open(path, encoding="utf-8") as f:
        blocks = f.read().split("\n\n")
    blocks = [b for b in blocks if f'msgctxt "{e["context"]}"\n' not in b + "\n"]
    block = ("#, fuzzy\n" if e["fuzzy"] else "") + f'msgctxt "{e["context"]}"\nmsgid "{e["english"]}"\n'
    block += f'msgstr "{e["text"]}"'
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n\n".join(blocks + [block]) + "\n")


def run(*edits, alike=False):
    """Generates from a copy of the catalogue with (file, entry) edits, or
    with alike checks the copy for values that read alike."""
    with tempfile.TemporaryDirectory() as tmp:
        po = os.path.join(tmp, "po")
        shutil.copytree(os.path.join(DATA, "po"), po)
        for name, e in edits:
            put(os.path.join(po, name), e)
        if alike:
            command = [os.path.join(ROOT, "tests", "text", "check_translations.py"), ROOT, "alike", po]
        else:
            command = [GEN, "--codepages", os.path.join(DATA, "codepages.txt"), "--pot", os.path.join(po, "texts.pot"),
                       "--po-dir", po, "--header", os.path.join(tmp, "t.h"), "--source", os.path.join(tmp, "t.cpp")]
        result = subprocess.run([sys.executable] + command, capture_output=True, text=True)
        source = ""
        if result.returncode == 0 and not alike:
            source = open(os.path.join(tmp, "t.cpp"), encoding="utf-8").read()
        return result.returncode, result.stderr + result.stdout, source


failures = 0


def expect(condition, what):
    global failures
    if not condition:
        print("FAILED:", what)
        failures += 1


# Code pages: each language's page, and only the template's tables.
code, err, _ = run(("de.po", entry("Yes", "Yes", "日")))
expect(code != 0 and "U+65E5" in err and "Yes" in err, "a character off the page fails the build: " + err)

code, err, _ = run(("ru.po", entry("Yes", "Yes", "Ją")))
expect(code != 0 and "U+0105" in err, "Russian texts use page 2, which lacks Polish letters: " + err)

code, err, _ = run(("fr.po", entry("No_Such_Table", "Nothing", "Rien")))
expect(code != 0 and "No_Such_Table" in err, "a stale translation fails the build: " + err)

code, err, source = run(("de.po", entry("Yes", "Yes", "Jä")))
expect(code == 0, "a translation on the page builds: " + err)
expect(code == 0 and '"J\\344"' in source, "the translation is in the page's bytes")

code, err, source = run(("de.po", entry("No", "No", "Nein", fuzzy=True)))
expect(code == 0 and '"Nein"' not in source, "a fuzzy translation is not shipped: " + err)

# A language without an entry shows the English text, in its own page.
code, err, source = run(("de.po", entry("Wypt_Buoy", "/Wypt_Buoy", "")))
table = re.search(r"Wypt_Buoy\[UI_TEXT_LANGUAGES\] = \{([^}]*)\}", source)
refs = table.group(1).replace(" ", "").split(",") if table else []
expect(code == 0 and len(refs) == 27 and refs[5] == refs[0], "a missing German entry falls back to English: " + err)

# Placeholders: the program fills them in from the English text's shape.
pings = ("texts.pot", entry("Pings_Per_Second", "%d pings in %.1f s", ""))
code, err, source = run(pings, ("de.po", entry("Pings_Per_Second", "%d pings in %.1f s", "%d Pings in %.1f s")))
expect(code == 0, "the same conversions in the same order build: " + err)

for bad, why in (("%.1f s: %d Pings", "swapped"), ("%d Pings", "one lost"), ("%d Pings in %.1f s (%s)", "one added"),
                 ("%d Pings in %d s", "another type"), ("%d Pings in %.2f s", "another precision")):
    code, err, _ = run(pings, ("de.po", entry("Pings_Per_Second", "%d pings in %.1f s", bad)))
    expect(code != 0 and "de: Pings_Per_Second" in err and "printf placeholders" in err and "%.1f" in err,
           f"a translation with its conversions {why} fails the build: {err}")

code, err, _ = run(("fr.po", entry("Route_Saved", "Route {XXX} Saved", "Route enregistrée")))
expect(code != 0 and "fr: Route_Saved" in err and "0 {...} markers" in err, "a lost name marker fails: " + err)

code, err, _ = run(("it.po", entry("Shutdown_in_seconds", "Shutdown in {#} seconds", "Spegnimento {#} in {#} s")))
expect(code != 0 and "2 {...} markers" in err, "an extra count marker fails: " + err)

code, err, _ = run(("pl.po", entry("Records_Not_Taken", "Records from the PC not taken: #", "Rekordy z PC: # (#)")))
expect(code != 0 and "2 '#' placeholders" in err, "an extra bare '#' fails: " + err)

# A place of another kind, or two moved past each other, would take the
# other value: the places are filled in turn.
code, err, _ = run(("es.po", entry("Route_Saved", "Route {XXX} Saved", "Ruta {#} guardada")))
expect(code != 0 and "es: Route_Saved" in err and "{#}" in err and "{XXX}" in err, "{#} for {XXX} fails: " + err)

code, err, _ = run(("de.po", entry("Waypoint_Added_To_Group", "Waypoint {NAME} added to Group {GROUP}",
                                   "Gruppe {GROUP} hat jetzt Wegpunkt {NAME}")))
expect(code != 0 and "same order" in err, "two names moved past each other fail: " + err)

code, err, _ = run(("ko.po", entry("Waypoint_Added_To_Group", "Waypoint {NAME} added to Group {GROUP}",
                                   "웨이포인트 ｛NAME｝을(를) 그룹 ｛GROUP｝에 추가했습니다")))
expect(code == 0, "the places in their order, where the sentence needs them, build: " + err)

code, err, source = run(("ja.po", entry("Route_Saved", "Route {XXX} Saved", "ルート｛XXX｝を保存しました")))
expect(code == 0, "the full-width braces are markers as the template filler reads them: " + err)

# Values one menu shows together: the Sonar tab's colour scheme stands above
# the Sonar switch, so its Light must not read as On.
code, out, _ = run(alike=True)
expect(code == 0, "the catalogue keeps the values of each menu apart: " + out)
code, out, _ = run(("tr.po", entry("Sonar_Scheme_Light", "Light", "Açık")), alike=True)
expect(code != 0 and "tr.po: On and Sonar_Scheme_Light both read 'Açık' on Sonar" in out,
       "a scheme that reads as the switch beside it fails: " + out)
code, out, _ = run(("de.po", entry("Water_Salt_Deep", "Salt (Deep)", "Salzwasser (flach)")), alike=True)
expect(code != 0 and "de.po" in out and "the quick set-up" in out, "two answers of one question read alike: " + out)

print(f"{failures} cases failed" if failures else "every case passed")
sys.exit(1 if failures else 0)
