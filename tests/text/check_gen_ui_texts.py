#!/usr/bin/env python3
"""The text generator refuses what the unit could not show, and encodes the
rest into the language's code page. Run by CTest with the repository root."""

import os
import shutil
import subprocess
import sys
import tempfile

ROOT = sys.argv[1]
GEN = os.path.join(ROOT, "tools", "gen_ui_texts.py")
DATA = os.path.join(ROOT, "data", "text")


def run(po_name, body):
    with tempfile.TemporaryDirectory() as tmp:
        shutil.copytree(os.path.join(DATA, "po"), os.path.join(tmp, "po"))
        if po_name:
            with open(os.path.join(tmp, "po", po_name), "a", encoding="utf-8") as f:
                f.write(body)
        result = subprocess.run(
            [sys.executable, GEN, "--codepages", os.path.join(DATA, "codepages.txt"),
             "--pot", os.path.join(tmp, "po", "texts.pot"), "--po-dir", os.path.join(tmp, "po"),
             "--header", os.path.join(tmp, "t.h"), "--source", os.path.join(tmp, "t.cpp")],
            capture_output=True, text=True)
        source = open(os.path.join(tmp, "t.cpp"), encoding="utf-8").read() if result.returncode == 0 else ""
        return result.returncode, result.stderr, source


def expect(condition, what):
    if not condition:
        print("FAILED:", what)
        sys.exit(1)


code, err, _ = run("de.po", '\nmsgctxt "Yes"\nmsgid "Yes"\nmsgstr "日"\n')
expect(code != 0 and "U+65E5" in err and "Yes" in err, "a character off the page fails the build: " + err)

code, err, _ = run("ru.po", '\nmsgctxt "Yes"\nmsgid "Yes"\nmsgstr "Ją"\n')
expect(code != 0 and "U+0105" in err, "Russian texts use page 2, which lacks Polish letters: " + err)

code, err, _ = run("fr.po", '\nmsgctxt "No_Such_Table"\nmsgid "Nothing"\nmsgstr "Rien"\n')
expect(code != 0 and "No_Such_Table" in err, "a stale translation fails the build: " + err)

code, err, source = run("de.po", '\nmsgctxt "Yes"\nmsgid "Yes"\nmsgstr "Jä"\n')
expect(code == 0, "a translation on the page builds: " + err)
expect('"J\\344"' in source, "the translation is in the page's bytes")

code, err, source = run("de.po", '\n#, fuzzy\nmsgctxt "No"\nmsgid "No"\nmsgstr "Nein"\n')
expect(code == 0 and '"Nein"' not in source, "a fuzzy translation is not shipped")
print("1 passed, 0 failed")
