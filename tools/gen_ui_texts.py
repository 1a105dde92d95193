#!/usr/bin/env python3
"""Turns the UI text catalogue into the 27-entry text tables of the program.

Reads the code pages (data/text/codepages.txt), the catalogue template
(texts.pot: one entry per table, context = table name, id = English text) and
one .po file per language, and writes a header declaring every table and a
C++ source defining them together with the code-page conversion table.

Entries 0..21 are encoded in the 8-bit page of the language's font set; a
character the page lacks is an error. Entries 22..26 are UTF-16 big-endian
with a zero unit. A language without a translation of a table gets the
English text. A translation must keep the English text's printf conversions
and its places for values ({...} markers and bare '#'), the same ones in the
same order: the program fills the places in turn, so a lost, extra, other
or moved one would show the wrong value or read past the arguments. The
output depends only on the inputs.
"""

import argparse
import re
import sys
import unicodedata

# Index = LANGUAGE value: (po file, code page index or None for wide text).
LANGUAGES = [
    (None, 0), ("da", 0), ("nl", 0), ("fi", 0), ("fr", 0), ("de", 0), ("el", 0),
    ("hu", 0), ("it", 0), ("nb", 0), ("pl", 0), ("pt", 0), ("es", 0), ("sv", 0),
    ("cs", 0), ("hr", 1), ("ru", 1), ("bg", 1), ("et", 0), ("lv", 0), ("lt", 0),
    ("tr", 0), ("ja", None), ("ko", None), ("zh_CN", None), ("zh_TW", None),
    ("en@wide", None),
]
assert len(LANGUAGES) == 27


class CatalogueError(Exception):
    pass


def read_codepages(path):
    """Rows (unicode, byte in page 1, byte in page 2) in table order."""
    rows = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if not fields[0].startswith("U+") or len(fields) < 3:
                raise CatalogueError(f"{path}:{number}: expected U+code byte byte")
            rows.append((int(fields[0][2:], 16), int(fields[1], 16), int(fields[2], 16)))
    for page in (0, 1):
        for reserved in (0x03, 0x0A, 0x0D):
            if not any(r[0] == reserved and r[1 + page] == reserved for r in rows):
                raise CatalogueError(f"{path}: page {page + 1} must keep byte {reserved:02X}")
        first = {}
        for uni, *pages in rows:
            byte = pages[page]
            if byte == 0:
                continue
            if byte > 0xFF:
                raise CatalogueError(f"{path}: byte {byte:X} of U+{uni:04X} is not 8-bit")
            if byte in (0x03, 0x0A, 0x0D) and uni != byte:
                raise CatalogueError(f"{path}: byte {byte:02X} keeps its ASCII meaning")
            if 0x20 <= byte < 0x7F and byte not in first and uni != byte:
                raise CatalogueError(f"{path}: ASCII byte {byte:02X} must first map to itself")
            first.setdefault(byte, uni)
    return rows


def encoder(rows, page):
    table = {}
    for uni, *pages in rows:
        if pages[page] and uni not in table:
            table[uni] = pages[page]
    return table


def base_letters(rows):
    """(letter, base) for every letter of the rows that is a base letter with
    marks, by Unicode's canonical decomposition, in Unicode order."""
    pairs = set()
    for uni, *_ in rows:
        parts = unicodedata.normalize("NFD", chr(uni))
        if len(parts) > 1 and all(unicodedata.combining(c) for c in parts[1:]):
            pairs.add((uni, ord(parts[0])))
    return sorted(pairs)


def page_bases(rows, bases, page):
    """Byte of each letter with marks in the page -> byte of its base letter
    there, for the letters whose base the page also holds."""
    table = encoder(rows, page)
    out = [0] * 256
    for uni, base in bases:
        if uni in table and base in table:
            byte = table[uni]
            # A byte converts from the first row that holds it.
            if next(r[0] for r in rows if r[1 + page] == byte) == uni:
                out[byte] = table[base]
    return out


def po_string(token, where):
    if not (token.startswith('"') and token.endswith('"')):
        raise CatalogueError(f"{where}: expected a quoted string")
    out, i, body = [], 0, token[1:-1]
    escapes = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "r": "\r"}
    while i < len(body):
        c = body[i]
        if c == "\\":
            i += 1
            if i >= len(body) or body[i] not in escapes:
                raise CatalogueError(f"{where}: bad escape")
            out.append(escapes[body[i]])
        else:
            out.append(c)
        i += 1
    return "".join(out)


def read_po(path):
    """Entries as {(context, id): text}; fuzzy and empty entries are left out."""
    entries, order = {}, []
    current, field, fuzzy = {}, None, False

    def finish():
        nonlocal current, fuzzy
        if "msgid" in current and current["msgid"] != "":
            key = (current.get("msgctxt"), current["msgid"])
            if key in entries:
                raise CatalogueError(f"{path}: {key[0]} appears twice")
            entries[key] = "" if fuzzy else current.get("msgstr", "")
            order.append(key)
        current, fuzzy = {}, False

    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.strip()
            where = f"{path}:{number}"
            if not line:
                finish()
                field = None
                continue
            if line.startswith("#"):
                if line.startswith("#,") and "fuzzy" in line:
                    fuzzy = True
                continue
            keyword, _, rest = line.partition(" ")
            if keyword in ("msgctxt", "msgid", "msgstr"):
                if keyword in current or (keyword != "msgstr" and "msgstr" in current):
                    finish()
                field = keyword
                current[field] = po_string(rest.strip(), where)
            elif line.startswith('"') and field:
                current[field] += po_string(line, where)
            else:
                raise CatalogueError(f"{where}: cannot read '{line}'")
    finish()
    return entries, order


PRINTF = re.compile(r"%(?:%|[-+ #0]*(?:\*|\d+)?(?:\.(?:\*|\d+))?(?:hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAcsp])")
BRACED = re.compile(r"\{[^}]*\}?")
PLACE = re.compile(r"\{[^}]*\}?|#")
# The template filler takes the full-width forms as it takes the ASCII ones.
FULL_WIDTH = str.maketrans({"\uFF03": "#", "\uFF5B": "{", "\uFF5D": "}"})


def placeholders(text):
    """The printf conversions in order, the {...} markers, the bare '#', and
    the places ({...} and '#') in order."""
    plain = text.translate(FULL_WIDTH)
    places = PLACE.findall(plain)
    return PRINTF.findall(plain), len(BRACED.findall(plain)), places.count("#"), places


def check_placeholders(english, text, where):
    want, got = placeholders(english), placeholders(text)
    if want[0] != got[0]:
        raise CatalogueError(f"{where}: the printf placeholders {' '.join(got[0]) or 'none'} differ from "
                             f"the English text's {' '.join(want[0]) or 'none'} (same ones, same order)")
    for what, n, m in (("{...} markers", want[1], got[1]), ("'#' placeholders", want[2], got[2])):
        if n != m:
            raise CatalogueError(f"{where}: {m} {what} where the English text has {n}")
    if want[3] != got[3]:
        raise CatalogueError(f"{where}: the places {' '.join(got[3])} differ from the English text's "
                             f"{' '.join(want[3])} (same ones, same order: they are filled in turn)")


def encode_narrow(text, table, where):
    out = bytearray()
    for ch in text:
        byte = table.get(ord(ch))
        if byte is None:
            raise CatalogueError(f"{where}: U+{ord(ch):04X} '{ch}' is not on its language's code page")
        out.append(byte)
    return bytes(out) + b"\0"


def encode_wide(text, where):
    out = bytearray()
    for ch in text:
        if ord(ch) > 0xFFFF or ord(ch) == 0:
            raise CatalogueError(f"{where}: U+{ord(ch):04X} cannot be a wide unit")
        out += ord(ch).to_bytes(2, "big")
    return bytes(out) + b"\0\0"


def c_literal(data):
    # Octal escapes never run into a following digit beyond three.
    parts = []
    for b in data[:-1]:
        if 0x20 <= b < 0x7F and chr(b) not in '"\\?':
            parts.append(chr(b))
        else:
            parts.append(f"\\{b:03o}")
    return '"' + "".join(parts) + '"'


def build(args):
    rows = read_codepages(args.codepages)
    pages = [encoder(rows, 0), encoder(rows, 1)]
    bases = base_letters(rows)
    template, names = read_po(args.pot)
    tables = []
    seen = set()
    for context, english in names:
        if context is None or not context.isidentifier():
            raise CatalogueError(f"{args.pot}: entry '{english}' needs a table name as its msgctxt")
        if context in seen:
            raise CatalogueError(f"{args.pot}: table {context} appears twice")
        seen.add(context)
        tables.append((context, english))
    translations = []
    for code, _ in LANGUAGES:
        if code is None:
            translations.append({})
            continue
        path = f"{args.po_dir}/{code}.po"
        entries, _ = read_po(path)
        for key in entries:
            if key not in template:
                raise CatalogueError(f"{path}: {key[0]} '{key[1]}' is not in the template")
        translations.append({ctx: text for (ctx, _), text in entries.items() if text})

    strings, string_ids, table_refs = [], {}, []
    for name, english in tables:
        refs = []
        for language, (code, page) in enumerate(LANGUAGES):
            text = translations[language].get(name, english)
            where = f"{code or 'en'}: {name}"
            check_placeholders(english, text, where)
            data = encode_wide(text, where) if page is None else encode_narrow(text, pages[page], where)
            if data not in string_ids:
                string_ids[data] = len(strings)
                strings.append(data)
            refs.append(string_ids[data])
        table_refs.append((name, refs))

    with open(args.header, "w", encoding="utf-8") as h:
        h.write("// Generated from data/text by tools/gen_ui_texts.py: do not edit.\n")
        h.write("// Every UI text table: 27 entries indexed by LANGUAGE; 0..21 8-bit text in\n")
        h.write("// the code page of the language's font set, 22..26 wide text.\n")
        h.write("#pragma once\n\n#include <stdint.h>\n\n")
        h.write("constexpr unsigned UI_TEXT_LANGUAGES = 27;\n")
        h.write("constexpr unsigned UI_TEXT_FIRST_WIDE = 22;\n")
        h.write(f"constexpr unsigned UI_TEXT_TABLE_COUNT = {len(tables)};\n\n")
        h.write("// One row of the conversion between the code pages and Unicode: the byte of\n")
        h.write("// the character in font set 1 and in font set 2, 0 where a set lacks it.\n")
        h.write("typedef struct tag_UNICODE_TABLE_ROW {\n  uint16_t uniValue;\n  uint8_t charMap[2];\n} UNICODE_TABLE_ROW;\n\n")
        h.write(f"constexpr unsigned UNICODE_TABLE_ROWS = {len(rows)};\n")
        h.write("extern const UNICODE_TABLE_ROW Unicode_Table_Hex[UNICODE_TABLE_ROWS];\n\n")
        h.write("// A letter with marks and the letter it is built on, in Unicode order, for\n")
        h.write("// every such letter of the code pages; and the same by byte in each page\n")
        h.write("// (0: none).\n")
        h.write("typedef struct tag_UNICODE_BASE_ROW {\n  uint16_t uniValue;\n  uint16_t baseValue;\n} UNICODE_BASE_ROW;\n\n")
        h.write(f"constexpr unsigned UNICODE_BASE_ROWS = {len(bases)};\n")
        h.write("extern const UNICODE_BASE_ROW Unicode_Base_Letters[UNICODE_BASE_ROWS];\n")
        h.write("extern const uint8_t Page_Base_Letters[2][256];\n\n")
        h.write("// Every table by name, in catalogue order (for whole-catalogue checks).\n")
        h.write("typedef struct tag_UI_TEXT_ENTRY {\n  const char* pcName;\n  const char* const* ppcTable;\n} UI_TEXT_ENTRY;\n")
        h.write("extern const UI_TEXT_ENTRY g_aUiTextCatalogue[UI_TEXT_TABLE_COUNT];\n\n")
        for name, _ in table_refs:
            h.write(f"extern const char* const {name}[UI_TEXT_LANGUAGES];\n")

    with open(args.source, "w", encoding="utf-8") as c:
        c.write("// Generated from data/text by tools/gen_ui_texts.py: do not edit.\n")
        c.write('#include "ui_texts.h"\n\n')
        c.write("const UNICODE_TABLE_ROW Unicode_Table_Hex[UNICODE_TABLE_ROWS] = {\n")
        for uni, b1, b2 in rows:
            c.write(f"    {{0x{uni:04X}, {{0x{b1:02X}, 0x{b2:02X}}}}},\n")
        c.write("};\n\nconst UNICODE_BASE_ROW Unicode_Base_Letters[UNICODE_BASE_ROWS] = {\n")
        for uni, base in bases:
            c.write(f"    {{0x{uni:04X}, 0x{base:04X}}},\n")
        c.write("};\n\nconst uint8_t Page_Base_Letters[2][256] = {\n")
        for page in (0, 1):
            row = [f"0x{b:02X}" for b in page_bases(rows, bases, page)]
            lines = [", ".join(row[i:i + 16]) for i in range(0, 256, 16)]
            c.write("    {" + ",\n     ".join(lines) + "},\n")
        c.write("};\n\nnamespace {\n")
        for i, data in enumerate(strings):
            c.write(f"const char s_t{i}[] = {c_literal(data)};\n")
        c.write("}  // namespace\n\n")
        for name, refs in table_refs:
            c.write(f"const char* const {name}[UI_TEXT_LANGUAGES] = {{")
            c.write(", ".join(f"s_t{r}" for r in refs))
            c.write("};\n")
        c.write("\nconst UI_TEXT_ENTRY g_aUiTextCatalogue[UI_TEXT_TABLE_COUNT] = {\n")
        for name, _ in table_refs:
            c.write(f'    {{"{name}", {name}}},\n')
        c.write("};\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--codepages", required=True)
    parser.add_argument("--pot", required=True)
    parser.add_argument("--po-dir", required=True)
    parser.add_argument("--header", required=True)
    parser.add_argument("--source", required=True)
    args = parser.parse_args()
    try:
        build(args)
    except CatalogueError as error:
        print(f"gen_ui_texts: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
