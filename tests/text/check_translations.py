#!/usr/bin/env python3
"""Whether the language files say everything the template has, say the
glossary's terms the glossary's way, and keep apart the values one menu shows
together. Run by CTest with the repository root and one of: complete,
glossary, alike (then optionally the folder of the language files)."""

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
    # "Light [Sonar_Scheme_Light]": the one table of an English text that
    # stands for two senses.
    named = {term: m.group(1) for term in terms if (m := re.fullmatch(r".* \[(\w+)\]", term))}
    failures += [f"glossary: {term!r} names no table of the template" for term, context in named.items()
                 if not any(context == c for c, _ in order)]
    for code in CODES:
        entries, _ = read_po(os.path.join(PO, f"{code}.po"))
        texts = {context: text for (context, _), text in entries.items() if text}
        for term, cells in terms.items():
            if code not in cells:
                if any(code in other for other in terms.values()):
                    failures.append(f"glossary: the term {term!r} has no {code} cell")
                continue
            for context in [named[term]] if term in named else by_english.get(term, []):
                if context in texts and texts[context] != cells[code]:
                    failures.append(f"{code}.po: {context} says {texts[context]!r} where the glossary has "
                                    f"{cells[code]!r} for {term!r}")
    return failures


# How each menu registration shows its values: the argument naming the menu
# it stands in (or the one screen all of its kind share), the arguments
# holding lists of choices, and those holding a text shown as a value (a
# slider's end). A single-centred menu is a screen of its own.
REGISTRATIONS = {
    "U_MENU_bRegisterMainSelectorMenu": (1, [5], []),
    "U_MENU_bRegisterSubMenuSelectorMenu": (1, [6], []),
    "U_MENU_bRegisterQuickSelectorMenu": ("the quick set-up", [4], []),
    "U_MENU_bRegisterSingleCenteredMenuSelectorMenu": (None, [3], []),
    "U_MENU_bRegisterMainSliderMenu": (1, [], [5, 6]),
    "U_MENU_bRegisterSubMenuSliderMenu": (1, [], [6, 7]),
    "U_MENU_bRegisterQuickVarStepSliderMenu": ("the quick set-up", [], [5]),
}
CHOICES = re.compile(r"MENU_TEXT\s+(?:const\s+)?(\w+)\s*\[[^\]]*\]\s*=\s*\{([^}]*)\}")


def code_of(path):
    """A source file without comments and with empty string literals."""
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    text = re.sub(r"/\*.*?\*/", "", re.sub(r"//[^\n]*", "", text), flags=re.S)
    return re.sub(r'"(?:[^"\\\n]|\\.)*"', '""', text)


def arguments(text, start):
    """The top-level arguments of the call whose '(' ends just before start."""
    depth, current, out = 0, "", []
    for c in text[start:]:
        if c in ")]}" and depth == 0:
            return out + [current.strip()]
        depth += (c in "([{") - (c in ")]}")
        if c == "," and depth == 0:
            out.append(current.strip())
            current = ""
        else:
            current += c
    return out


def screens(root):
    """{screen: set of catalogue table names shown there as values}, from the
    menu registrations under src/ whose choice lists are named arrays."""
    files = []
    for folder, _, names in os.walk(os.path.join(root, "src")):
        # The menu client itself declares the registration functions.
        if os.path.basename(folder) != "menuclient":
            files += [os.path.join(folder, n) for n in names if n.endswith(".cpp")]
    codes = {path: code_of(path) for path in sorted(files)}
    shared = {}
    for text in codes.values():
        shared.update((m.group(1), re.findall(r"\w+", m.group(2))) for m in CHOICES.finditer(text))
    shared["U_MENU_apOffOn"] = ["Off", "On"]
    found = {}
    for path, text in codes.items():
        local = dict(shared, **{m.group(1): re.findall(r"\w+", m.group(2)) for m in CHOICES.finditer(text)})
        for m in re.finditer(r"\b(U_MENU_bRegister\w+)\s*\(", text):
            if m.group(1) not in REGISTRATIONS:
                continue
            where, lists, values = REGISTRATIONS[m.group(1)]
            args = arguments(text, m.end())
            screen = args[where] if isinstance(where, int) else where or f"{os.path.basename(path)}@{m.start()}"
            shown = {args[i] for i in values}
            for i in lists:
                for name in re.findall(r"\w+", args[i]):
                    shown.update(local.get(name, []))
            found.setdefault(screen, set()).update(shown)
    return found


def alike_on_screens(shown, english, languages):
    """Two values of different English texts that a language writes alike on
    one screen; languages is {code: {table: text}}."""
    failures = []
    for code, texts in languages.items():
        for screen, names in sorted(shown.items()):
            seen = {}
            for name in sorted(n for n in names if n in english):
                text = texts.get(name) or english[name]
                other = seen.setdefault(text.casefold().strip(), name)
                if english[other] != english[name]:
                    failures.append(f"{code}.po: {other} and {name} both read {text!r} on {screen}")
    return failures


def check_alike():
    po = sys.argv[3] if len(sys.argv) > 3 else PO
    template, order = read_po(os.path.join(po, "texts.pot"))
    english = {context: text for context, text in order}
    shown = screens(ROOT)
    languages = {}
    for code in CODES:
        entries, _ = read_po(os.path.join(po, f"{code}.po"))
        languages[code] = {context: text for (context, _), text in entries.items() if text}
    failures = [f"only {len(shown)} menus with values found in the sources"] if len(shown) < 10 else []
    return failures + alike_on_screens(shown, english, languages)


def main():
    failures = {"complete": check_complete, "glossary": check_glossary, "alike": check_alike}[sys.argv[2]]()
    for failure in failures:
        print("FAILED:", failure)
    print(f"{len(failures)} failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
