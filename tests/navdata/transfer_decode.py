#!/usr/bin/env python3
"""Decodes a transfer stream on its own, from the stream format, into the
record files it stands for.

A record is a header >BBHHH (type, version, size, index, reserved) and a
body whose listed fields are big-endian:
  type 2, 36 bytes: a waypoint slot; by its status (low six bits of byte 0):
    16 (group header): H depth, I date, H parent, H, H first body, H
    17 (group body):   H next, 12 H items
    other:             H depth, I date, i x, i y
  type 3, 136 bytes: I count word (count in its low 30 bits), I date, 20
    name bytes, then 50 H points of which the first min(count, 50) are
    big-endian
  type 1, version 3, size 0 (131,080 bytes): H count, H first delta, nine I,
    20 name bytes, then 21,835 triples (h, h, H) of which the first
    min(count, 21835) are big-endian
Bytes not listed travel as they are. A record of the transport's fill
(0x1A) ends the stream.

  transfer_decode.py STREAM OUTDIR

writes OUTDIR/{wpts,routes,tracks}/INDEX as the store writes its files:
<IBBH (0x00024210, type, 3, index) and the little-endian body. Prints the
number of records of each type.
"""

import os
import struct
import sys
from array import array

MAGIC = 0x00024210
FILL = 0x1A
TRIPLES = 21835


def swap16(body, at, count=1):
    halves = array("H", body[at:at + 2 * count])
    halves.byteswap()
    body[at:at + 2 * count] = halves.tobytes()


def swap32(body, at):
    body[at:at + 4] = body[at:at + 4][::-1]


def slot(body):
    status = body[0] & 0x3F
    if status == 16:
        swap16(body, 2)
        swap32(body, 4)
        swap16(body, 8, 4)
    elif status == 17:
        swap16(body, 2, 13)
    else:
        swap16(body, 2)
        for at in (4, 8, 12):
            swap32(body, at)


def route(body):
    count = struct.unpack_from(">I", body, 0)[0] & 0x3FFFFFFF
    swap32(body, 0)
    swap32(body, 4)
    swap16(body, 28, min(count, 50))


def track(body):
    count = struct.unpack_from(">H", body, 0)[0]
    swap16(body, 0, 2)
    for at in range(4, 40, 4):
        swap32(body, at)
    swap16(body, 60, 3 * min(count, TRIPLES))


KINDS = {1: ("tracks", 131080, track), 2: ("wpts", 36, slot), 3: ("routes", 136, route)}


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: transfer_decode.py STREAM OUTDIR")
    data = open(sys.argv[1], "rb").read()
    counts = {1: 0, 2: 0, 3: 0}
    at = 0
    while at + 8 <= len(data) and data[at] != FILL:
        kind, version, size, index, _ = struct.unpack_from(">BBHHH", data, at)
        if kind not in KINDS or version != 3:
            sys.exit("record %d at %d: type %d version %d is not current" % (sum(counts.values()), at, kind, version))
        directory, length, convert = KINDS[kind]
        if (size or length) != length or at + length > len(data):
            sys.exit("record at %d: size %d, %d bytes left" % (at, size, len(data) - at))
        body = bytearray(data[at + 8:at + length])
        convert(body)
        os.makedirs(os.path.join(sys.argv[2], directory), exist_ok=True)
        with open(os.path.join(sys.argv[2], directory, str(index)), "wb") as out:
            out.write(struct.pack("<IBBH", MAGIC, kind, 3, index) + body)
        counts[kind] += 1
        at += length
    if any(b != FILL for b in data[at:]):
        sys.exit("the stream ends inside a record at %d" % at)
    print("tracks %d waypoints %d routes %d" % (counts[1], counts[2], counts[3]))


if __name__ == "__main__":
    main()
