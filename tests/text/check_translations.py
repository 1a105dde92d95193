#!/usr/bin/env python3
"""Whether the language files say everything the template has, and say the
glossary's terms the glossary's way. Run by CTest with the repository root and
one of: complete, glossary."""

import os
import re
import sys

ROOT = sys.argv[1]
sys.path.insert(0, os.path.join(ROOT, "tools"))
from gen_ui_texts import LANGUAGES, read_po  # noqa: E402

PO = os.path.join(ROOT, "data", "text", "po")
GLOSSARY = os.path.join(ROOT, "data", "text", "GLOSSARY.md")

# Languages whose translator has not delivered yet. This is the one list to
# shrink as their files arrive; the check fails for a language listed here
# that is complete, so the list cannot fall behind.
AWAITING_TRANSLATION = []

# Wide English is the template's own text; it translates only what is not
# English (the language names in their own scripts).
CODES = [code for code, _ in LANGUAGES if code not in (None, "en@wide")]


def untranslated(template, entries):
    """Entries of the template a language file lacks, leaves empty or marks fuzzy."""
    return [key for key in template if not entries.get(key)]


def check_complete():
    template, order = read_po(os.path.join(PO, "texts.pot"))
    failures = []
    for code in CODES:
        entries, _ = read_po(os.path.join(PO, f"{code}.po"))
        missing = untranslated(order, entries)
        if code in AWAITING_TRANSLATION:
            if not missing:
                failures.append(f"{code}.po is complete: take it off AWAITING_TRANSLATION")
            continue
        if missing:
            listed = "\n".join(f"  {context}: {english!r}" for context, english in missing)
            failures.append(f"{code}.po lacks {len(missing)} of the {len(order)} texts:\n{listed}")
    if AWAITING_TRANSLATION:
        print("awaiting their translators:", " ".join(AWAITING_TRANSLATION))
    return failures


def glossary_tables(path):
    """Each term's cells as {language: text} per English term, from the
    tables of the Terms section."""
    terms = {}
    columns, section = None, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("## "):
                section = line[3:].strip()
            if section != "Terms":
                continue
            cells = [c.strip() for c in line.strip().strip("|").split("|")] if line.startswith("|") else None
            if cells is None:
                columns = None
            elif cells[0] == "English":
                columns = cells
            elif columns and not re.fullmatch(r"-+", cells[0]):
                for code, cell in zip(columns[1:], cells[1:]):
                    terms.setdefault(cells[0], {})[code] = cell
    return terms


def check_glossary():
    terms = glossary_tables(GLOSSARY)
    template, order = read_po(os.path.join(PO, "texts.pot"))
    failures = []
    if len(terms) < 100:
        failures.append(f"the glossary's tables gave only {len(terms)} terms")
    by_english = {}
    for context, english in order:
        by_english.setdefault(english, []).append(context)
    for code in CODES:
        entries, _ = read_po(os.path.join(PO, f"{code}.po"))
        texts = {context: text for (context, _), text in entries.items() if text}
        for term, cells in terms.items():
            if code not in cells:
                if any(code in other for other in terms.values()):
                    failures.append(f"glossary: the term {term!r} has no {code} cell")
                continue
            for context in by_english.get(term, []):
                if context in texts and texts[context] != cells[code]:
                    failures.append(f"{code}.po: {context} says {texts[context]!r} where the glossary has "
                                    f"{cells[code]!r} for {term!r}")
    return failures


def main():
    failures = {"complete": check_complete, "glossary": check_glossary}[sys.argv[2]]()
    for failure in failures:
        print("FAILED:", failure)
    print(f"{len(failures)} failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
