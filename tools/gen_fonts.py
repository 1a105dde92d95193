#!/usr/bin/env python3
"""Gives a Latin TrueType face the two 8-bit code pages of the UI texts.

The face's character maps become, in this order: page 1 (western), page 2
(Croatian, Russian, Bulgarian), then the face's own Windows Unicode maps, so
that character-map index 0 and 1 draw the 8-bit texts and the face's default
map stays Unicode. A page character the face cannot draw is an error. The
output is the same for the same inputs (no time stamps are renewed).
"""

import argparse
import sys

from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

import gen_ui_texts


def page_map(rows, page, unicode_cmap, path):
    mapping = {}
    for uni, *pages in rows:
        byte = pages[page]
        if byte == 0 or byte in mapping or uni < 0x20:
            continue
        glyph = unicode_cmap.get(uni)
        if glyph is None:
            raise gen_ui_texts.CatalogueError(f"{path} has no glyph for U+{uni:04X} (page {page + 1} byte {byte:02X})")
        mapping[byte] = glyph
    return mapping


def build(source, target, rows):
    font = TTFont(source, recalcTimestamp=False)
    cmap = font["cmap"]
    unicode_cmap = font.getBestCmap()
    subtables = []
    # Platform 1 sorts before the Windows maps; encodings 0 and 1 keep the
    # two pages in page order.
    for page in (0, 1):
        sub = CmapSubtable.newSubtable(4)
        sub.platformID, sub.platEncID, sub.language = 1, page, 0
        sub.cmap = page_map(rows, page, unicode_cmap, source)
        subtables.append(sub)
    kept = [t for t in cmap.tables if t.platformID == 3 and t.platEncID in (1, 10)]
    if not any(t.platEncID == 1 for t in kept):
        raise gen_ui_texts.CatalogueError(f"{source} has no Windows Unicode character map")
    cmap.tables = subtables + kept
    font.save(target)
    check = TTFont(target)
    order = [(t.platformID, t.platEncID) for t in check["cmap"].tables]
    if order[:2] != [(1, 0), (1, 1)]:
        raise gen_ui_texts.CatalogueError(f"{target}: character maps came out as {order}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--codepages", required=True)
    parser.add_argument("source")
    parser.add_argument("target")
    args = parser.parse_args()
    try:
        build(args.source, args.target, gen_ui_texts.read_codepages(args.codepages))
    except (gen_ui_texts.CatalogueError, OSError) as error:
        print(f"gen_fonts: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
