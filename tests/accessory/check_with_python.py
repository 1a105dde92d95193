#!/usr/bin/env python3
"""Holds the accessory code to Python as the other implementation: the JSON
decoder's trees and the encoder's output against Python's json module over
the JSONTestSuite files, modular powers and inverses against pow, the link
key derivation against a model written here from its description, and the
test key file's pairs against pow.

  check_with_python.py DATA_DIR KEY_FILE PEER_COMMAND...
"""
import json
import math
import os
import random
import subprocess
import sys

data_dir, key_file, peer = sys.argv[1], sys.argv[2], sys.argv[3:]
env = dict(os.environ, VELMORA_ACCESSORY_KEYS=key_file)
proc = subprocess.Popen(peer, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=env)
faults = []


def ask(line):
    proc.stdin.write(line + "\n")
    proc.stdin.flush()
    return proc.stdout.readline().strip()


class Members(list):
    """An object's members in order, duplicated keys kept, as our tree keeps them."""


def text_hex(text):
    return text.encode("utf-8", "surrogatepass").hex() or "-"


def tokens(value):
    """The peer's token form of a value that Python decoded."""
    if isinstance(value, Members):
        out = [f"O{len(value)}"]
        for k, v in value:
            out += ["K" + text_hex(k)] + tokens(v)
        return out
    if isinstance(value, list):
        return [f"A{len(value)}"] + [t for v in value for t in tokens(v)]
    if isinstance(value, str):
        return ["S" + text_hex(value)]
    if isinstance(value, bool) or value is None:
        return [{True: "T", False: "F", None: "N"}[value]]
    if isinstance(value, int):
        return [f"I{value}"]
    return [f"R{value!r}"]


def same_tree(ours, theirs):
    mine = ours.split()
    return len(mine) == len(theirs) and all(
        float(a[1:]) == float(b[1:]) if a[0] == "R" == b[0] else a == b for a, b in zip(mine, theirs))


# JSON: every object or array text that both accept decodes to the same
# tree, and our encoding of it reads back in Python as the same value.
suite = os.path.join(data_dir, "json", "test_parsing")
compared = 0
for name in sorted(os.listdir(suite)):
    path = os.path.join(suite, name)
    raw = open(path, "rb").read()
    try:
        theirs = json.loads(raw, object_pairs_hook=Members)
    except (ValueError, RecursionError):
        continue
    if not isinstance(theirs, list):
        continue  # a scalar at the top, which we refuse by design
    tree = ask(f"tree {path}")
    if tree == "REFUSED":
        if name.startswith("y_"):
            faults.append(f"{name}: refused, Python accepts it")
        continue
    if not same_tree(tree, tokens(theirs)):
        faults.append(f"{name}: we read{tree[:100]}, Python {' '.join(tokens(theirs))[:100]}")
    encoded = ask(f"reencode {path}")
    if encoded in ("FAILED", "REFUSED") or json.loads(bytes.fromhex(encoded)) != json.loads(raw):
        faults.append(f"{name}: our encoding does not read back the same in Python")
    compared += 1
if compared < 50:
    faults.append(f"only {compared} suite files compared")

# Modular arithmetic against pow.
rng = random.Random(46)
for _ in range(3000):
    m = rng.choice([rng.randrange(1, 1 << 16), rng.randrange(1, 1 << 32), rng.randrange(1, 1 << 64)])
    b, e = rng.randrange(1 << 64), rng.randrange(1 << 64)
    if int(ask(f"pow {b} {e} {m}")) != pow(b, e, m):
        faults.append(f"pow({b}, {e}, {m})")
for _ in range(1000):
    n = rng.randrange(2, 1 << 63)
    e = rng.randrange(1, n)
    if math.gcd(e, n) == 1 and int(ask(f"inv {e} {n}")) != pow(e, -1, n):
        faults.append(f"inverse of {e} mod {n}")


# Link key derivation: the bytes XORed in place, index i from 9 to 232.
def derive(key):
    k = bytearray(key)
    for i in range(9, 233):
        k[i % 32] ^= k[(3 * i + 17) % 32]
    return bytes(k)


for _ in range(50):
    key = rng.randbytes(32)
    if ask(f"derive {key.hex()}") != derive(key).hex():
        faults.append(f"derivation of {key.hex()}")

# The test key pairs: the peer's encryption and decryption are pow's.
pairs = [line.split() for line in open(key_file) if line.startswith("handshake")]
for _, k, e, n, d in pairs:
    e, n, d = int(e, 0), int(n, 0), int(d, 0)
    for _ in range(100):
        x = rng.randrange(n)
        c = pow(x, e, n)
        if int(ask(f"encrypt {k} {x}")) != c or int(ask(f"decrypt {k} {c}")) != x:
            faults.append(f"key {k} does not round-trip {x} as pow does")
            break
if len(pairs) != 10:
    faults.append(f"{len(pairs)} key pairs in {key_file}")

proc.stdin.close()
proc.wait()
for f in faults[:40]:
    print(f)
print(f"{compared} suite files compared; {len(faults)} faults")
sys.exit(1 if faults else 0)
