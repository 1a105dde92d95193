#!/usr/bin/env python3
"""Compiles every source file of a build on its own, syntax only.

The scripts build with VELMORA_UNITY on, where a file gets the headers of the
files before it in its unit, so a missing include shows only in the default
build, file by file. This check takes the compile commands of a build tree
configured without unity (its generated headers built) and runs each with
-fsyntax-only, in parallel: a few minutes on two cores, where a full build
file by file takes most of an hour.

  cmake -S . -B build-includes -G Ninja -DVELMORA_UNITY=OFF
  tools/check-includes.py build-includes [--jobs N]

In a Ninja tree it builds the generated headers first. Exit status 1 when a
file does not compile, with the compiler's messages.
"""

import argparse
import concurrent.futures
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))


def syntax_command(entry):
    """The entry's compile command checking syntax only: no object written,
    no optimisation or debug information asked for (neither changes what
    compiles, and both cost time)."""
    argv = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    out, skip = [], False
    for word in argv:
        if skip:
            skip = False
        elif word in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
        elif word in ("-c", "-MD", "-MMD") or word.startswith(("-O", "-g")):
            continue
        else:
            out.append(word)
    return out + ["-fsyntax-only"]


def ours(path):
    """A file of the tree's own sources: generated sources under a build
    directory and other projects' files (GoogleTest) are not checked."""
    rel = os.path.relpath(path, ROOT)
    return not rel.startswith("..") and not rel.startswith("build") and rel.endswith((".cpp", ".cc", ".c"))


FIRST_INCLUDE = re.compile(r'^\s*#\s*include\s*([<"][^>"]+[>"])', re.M)


def first_include(path):
    try:
        with open(path, errors="replace") as f:
            m = FIRST_INCLUDE.search(f.read())
    except OSError:
        return None
    return m.group(1) if m else None


def gtest_header(entries, directory):
    """GoogleTest's header precompiled, for the test files that include it
    first: parsing it is half of a test file's check. GCC takes a
    precompiled header only as a file's first include, so the check is the
    same with it; anywhere else the forwarding header beside it includes the
    real one. Macros of the command line go in only where every such file
    defines them alike, so none reaches a file that lacks it. Returns the
    option that puts it first on the include path, or [] when it cannot be
    made (the check is then slower, not weaker)."""
    commands = [syntax_command(e) for e in entries]
    if not commands:
        return []
    defines = set.intersection(*(set(w for w in c if w.startswith("-D")) for c in commands))
    first = commands[0]
    options, i = [], 1
    while i < len(first):
        word = first[i]
        if word in ("-isystem", "-I") and i + 1 < len(first):
            options += [word, first[i + 1]]
            i += 2
            continue
        if word.startswith(("-std=", "-W", "-f", "-m", "-isystem", "-I")) and word != "-fsyntax-only":
            options.append(word)
        i += 1
    gtest = os.path.join(directory, "gtest")
    os.makedirs(gtest)
    with open(os.path.join(gtest, "gtest.h"), "w") as f:
        f.write("#include_next <gtest/gtest.h>\n")
    source = os.path.join(directory, "pch-source.h")
    with open(source, "w") as f:
        f.write("#include <gtest/gtest.h>\n")
    made = subprocess.run([first[0]] + sorted(defines) + options +
                          ["-x", "c++-header", source, "-o", os.path.join(gtest, "gtest.h.gch")],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if made.returncode != 0:
        print("check-includes: GoogleTest's header was not precompiled:\n" + made.stdout, file=sys.stderr)
        return []
    return ["-I" + directory]


def check(entry, prefix):
    command = syntax_command(entry)
    result = subprocess.run(command[:1] + prefix + command[1:], cwd=entry["directory"], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    return entry["file"], result.returncode, result.stdout


def build_generated_headers(build):
    """The headers generators write (the UI texts, the icon set): what the
    sources include of the build tree. A Makefile tree is left as it is."""
    if not os.path.exists(os.path.join(build, "build.ninja")):
        return True
    listed = subprocess.run(["ninja", "-C", build, "-t", "targets", "all"], stdout=subprocess.PIPE, text=True)
    headers = sorted({line.split(":")[0] for line in listed.stdout.splitlines()
                      if line.endswith(": CUSTOM_COMMAND") and line.split(":")[0].endswith(".h")
                      and not os.path.isabs(line.split(":")[0])})
    return not headers or subprocess.run(["ninja", "-C", build] + headers).returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()
    try:
        with open(os.path.join(args.build, "compile_commands.json")) as f:
            entries = json.load(f)
    except (OSError, ValueError) as e:
        print("check-includes: no compile commands in %s: %s" % (args.build, e), file=sys.stderr)
        return 2
    if any("/Unity/unity_" in e["file"] for e in entries):
        print("check-includes: %s is a unity build: configure one with -DVELMORA_UNITY=OFF" % args.build,
              file=sys.stderr)
        return 2
    if not build_generated_headers(args.build):
        print("check-includes: the generated headers of %s did not build" % args.build, file=sys.stderr)
        return 2
    # One check a file, though a file built into two targets has two commands.
    todo = {}
    for e in entries:
        path = os.path.realpath(os.path.join(e["directory"], e["file"]))
        if ours(path):
            todo.setdefault(path, e)
    failed = []
    with tempfile.TemporaryDirectory(prefix="check-includes-") as tmp:
        gtest_first = [e for p, e in todo.items() if p.endswith(".cpp") and first_include(p) == "<gtest/gtest.h>"]
        prefix = gtest_header(gtest_first, tmp)
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
            for path, status, text in pool.map(lambda e: check(e, prefix if e in gtest_first else []),
                                               todo.values()):
                if status != 0:
                    failed.append(path)
                    sys.stdout.write(text)
    for path in failed:
        print("does not compile on its own: " + os.path.relpath(path, ROOT))
    print("%d of %d files compile on their own" % (len(todo) - len(failed), len(todo)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
