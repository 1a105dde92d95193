#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/): a few
small inputs of each target's input format that reach its main paths. The
corpora are committed; run this again only after changing a format.

  fuzz/make_seeds.py
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def digit(c):
    return ord(c) - ord("0") if c.isdigit() else ord(c) - ord("A") + 10


def slot(key):
    special = {"NVER": 46656, "CREV": 46657, "FFST": 46658}
    return special[key] if key in special else 1296 * digit(key[1]) + 36 * digit(key[2]) + digit(key[3])


def crc32_msb(words):
    """CRC-32 of polynomial 0x04C11DB7 over each word's bytes from the top, from 0xFFFFFFFF, as the store's."""
    crc = 0xFFFFFFFF
    for word in words:
        for shift in (24, 16, 8, 0):
            crc ^= ((word >> shift) & 0xFF) << 24
            for _ in range(8):
                crc = ((crc << 1) ^ 0x04C11DB7 if crc & 0x80000000 else crc << 1) & 0xFFFFFFFF
    return crc


def header_copy(values):
    """The header's copy file: key and value words, then their CRC-32."""
    words = []
    for key, value in values.items():
        words += [struct.unpack("<I", key.encode())[0], value & 0xFFFFFFFF]
    return struct.pack("<%dI" % (len(words) + 1), *words, crc32_msb(words))


def store(values, status=None, sonar=None, personal=None, slot_size=None, present=0b1111, copy=None):
    """A fuzz_nvram_store input: the four files (and the header's copy), the slot file as records."""
    if status is None:
        words = [0] * 1459
        for key in values:
            words[slot(key) // 32] |= 1 << (slot(key) % 32)
        status = struct.pack("<1459I", *words)
    if copy is not None:
        present |= 0b10000
    out = struct.pack("<B", present)
    for block in (sonar or b"", personal or b"", status) + ((copy,) if copy is not None else ()):
        out += struct.pack("<H", len(block)) + block
    out += struct.pack("<I", slot_size if slot_size is not None else 4 * max([slot(k) + 1 for k in values] or [0]))
    for key, value in values.items():
        out += struct.pack("<IB", 4 * slot(key), 4) + struct.pack("<I", value & 0xFFFFFFFF)
    return out


CHART_LIVE = "SNWD SNCM SCLG SCSS SCTC SNUP SAZM SARS SLAY SCOR SUHD SDTM SCCP SCSN SCDL SCMB SVOS SNGA SCSD SNOS".split()
SONAR_LIVE = ("STVG SSIN SSBL SSNF SSMD SSWA SRPS SSFI SSFS SUDP SSSP SSS2 SSQL SSBV SSZW SSDL SSCL SSPL SSWV "
              "SSSS SSSN SSSL SITM SSSC SDSS SDSN SDSL SDSC SSS8 SSS4 SSRW SSSR SSLD SDPO SSUD SSBR").split()


def storage(profile, number):
    """Key selector of storage setting S<profile><number> (profile 1..3, number 1..59)."""
    return (profile - 1) * 59 + number - 1


SUPC, SUPS = 177, 178


def record(key, value, how=0):
    """key: a selector below 235, or a key's text for any S key."""
    if isinstance(key, str):
        return struct.pack("<B4sIB", 255, key.encode(), value & 0xFFFFFFFF, how)
    return struct.pack("<BIB", key, value & 0xFFFFFFFF, how)


def profiles(live, records, ops):
    """A fuzz_profiles input."""
    return struct.pack("<56I", *live) + struct.pack("<B", len(records)) + b"".join(records) + ops


def op(n, *args):
    return struct.pack("<B", n) + b"".join(args)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def main():
    ours = 0xFFFFFFF8
    seeds = {
        "fuzz_nvram_store": {
            "virgin": struct.pack("<B", 0),
            "current": store({"NVER": ours, "CREV": 1234, "SMDL": 1100, "SLNG": 3, "SUDP": 11, "SUPC": 1, "SUPS": 2,
                              "S101": 7, "S221": 5, "S359": 9, "SCFO": 1},
                             sonar=bytes(range(256)) * 2, personal=bytes(252)),
            "old-format": store({"NVER": 1, "SMDL": 1100, "SCFO": 4, "SLNG": 2, "S000": 1, "SZZZ": 2}),
            "no-version": store({"CREV": 7, "SUTE": 99, "SLNG": 0xFFFFFFFF}),
            "all-marked": store({"NVER": ours, "S001": 3}, status=b"\xff" * 5836, slot_size=4096),
            "stray-status-bits": store({"NVER": ours}, status=bytes(4 * 1458) + b"\xff" * 4, slot_size=4 * 46688),
            "short": store({}, status=b"\x01\x02\x03", sonar=b"\x11" * 100, personal=b"\x22" * 300, slot_size=5),
            "status-lost": store({"SENU": 4711, "SLNG": 3}, status=b"", copy=header_copy({"SENU": 4711, "SMDL": 584})),
        },
        "fuzz_profiles": {
            "defaults": profiles([0] * 56, [], b""),
            "switching": profiles(
                [0xFFFFFFFF if k == "SLAY" else 2 if k == "SNOS" else 0 for k in CHART_LIVE] + [1] * len(SONAR_LIVE),
                [record(SUPC, 1), record(SUPS, 2), record(storage(1, 2), 5), record(storage(3, 10), 8),
                 record(storage(2, 21), 4), record(storage(3, 59), 6)],
                op(0, u32(2)) + op(1, u32(0)) + op(3, struct.pack("<B", 179 + 8), u32(3)) +
                op(2, struct.pack("<B", 179 + 20), u32(9)) + op(4) + op(5) + op(10)),
            "out-of-range": profiles(
                list(range(56)),
                [record(SUPC, 3), record(SUPS, 0xFFFFFFFF), record(storage(1, 46), 1, how=1 | 2 << 2)],
                op(0, u32(0xFFFFFFFF)) + op(1, u32(3)) + op(0, u32(0x7FFFFFFF)) + op(6) + op(4)),
            "types-and-priorities": profiles(
                [7] * 56,
                [record(SUPC, 2, how=1 | 23 << 2), record(storage(2, 1), 3, how=0x80), record(storage(1, 1), 0, how=2),
                 record("SQ7Z", 1), record(SUPS, 1, how=1 | 31 << 2)],
                op(9, record(SUPC, 0)) + op(6) + op(11, struct.pack("<B", storage(1, 5))) + op(7) + op(8) + op(10)),
        },
    }
    for target, files in seeds.items():
        folder = os.path.join(HERE, "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
