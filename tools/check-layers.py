#!/usr/bin/env python3
"""Checks that the library graph under src/ follows the layer order.

Every library (one per folder with an add_library) has a layer below. A
library may link, and its files may include, only libraries of lower layers;
the feature subsystems are layered like the rest. An include must also be
backed by a link (directly or through another library), so a hidden
dependency cannot slip in beside the CMake graph.

A folder's test programs (tests/<folder>/) link, directly or through the
tests' own helper libraries, only that folder's libraries (those src/<folder>
makes) and lower ones, so building or testing a library never builds the
layers above it. A program that starts the unit's whole process (it depends
on velmora), and the programs it starts, may link anything.

  tools/check-layers.py [--root DIR]     check the tree (exit 1 on a fault)
  tools/check-layers.py --self-test      also prove that upward includes
                                         in a copy of the tree are caught,
                                         between two feature libraries too
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Lowest first. Libraries of one row share a layer.
LAYERS = [
    ["common"],
    ["lsvc"],
    ["drivers"],
    ["uitext", "fontdata"],
    ["system"],
    ["database"],
    ["text"],
    ["platform"],
    ["services"],
    ["graphics"],
    ["iconset", "render3d"],
    ["navmath"],
    ["menuclient"],
    ["ui"],
    ["menu"],
    ["navdata"],
    ["readouts"],
    ["nmea"],
    ["sonar"],
    ["navclient"],
    ["overlay"],
    ["nav"],
    ["wptmgr"],
    ["storage", "accessory", "inlinetest"],
    ["app"],
]
# Generated headers and the library that makes them.
GENERATED = {"ui_texts.h": "uitext", "g_iconset.h": "iconset", "g_fontdata.h": "fontdata"}
# Libraries of the build that are not ours (find_package targets, system libraries).
FOREIGN = re.compile(r"^(Threads::|Freetype::|PNG::|GTest::|benchmark::|ZLIB::|m$|rt$|dl$|z$|PUBLIC$|PRIVATE$|INTERFACE$)")


def rank_of():
    return {lib: i for i, row in enumerate(LAYERS) for lib in row}


def read_libraries(root):
    """Library name -> folder, and library -> set of linked libraries."""
    folders, links = {}, {}
    for top in ("src", "data"):
        for dirpath, _, files in os.walk(os.path.join(root, top)):
            if "CMakeLists.txt" not in files:
                continue
            text = re.sub(r"#[^\n]*", "", open(os.path.join(dirpath, "CMakeLists.txt")).read())
            for name in re.findall(r"add_library\(\s*([\w-]+)", text):
                folders[name] = dirpath
            for name, rest in re.findall(r"target_link_libraries\(\s*([\w-]+)([^)]*)\)", text):
                links.setdefault(name, set()).update(w for w in re.findall(r"[\w:-]+", rest) if not FOREIGN.match(w))
    return folders, links


def read_tests(root):
    """Test program -> (its folder's name, linked libraries), the tests' own
    libraries -> linked libraries, and the programs exempt as whole-unit."""
    programs, helpers, exempt = {}, {}, set()
    depends = {}
    for dirpath, _, files in os.walk(os.path.join(root, "tests")):
        if "CMakeLists.txt" not in files:
            continue
        text = re.sub(r"#[^\n]*", "", open(os.path.join(dirpath, "CMakeLists.txt")).read())
        folder = os.path.relpath(dirpath, os.path.join(root, "tests"))
        for name, rest in re.findall(r"velmora_test\(\s*([\w-]+)([^)]*)\)", text):
            libs = re.search(r"\bLIBS\b(.*?)(?:\b(?:SOURCES|SLOW|LONG)\b|$)", rest, re.S)
            programs[name] = (folder, set(re.findall(r"[\w:-]+", libs.group(1))) if libs else set())
        for name in re.findall(r"add_executable\(\s*([\w-]+)", text):
            programs.setdefault(name, (folder, set()))
        for name in re.findall(r"add_library\(\s*([\w-]+)", text):
            helpers.setdefault(name, set())
        for name, rest in re.findall(r"target_link_libraries\(\s*([\w-]+)([^)]*)\)", text):
            words = {w for w in re.findall(r"[\w:-]+", rest) if not FOREIGN.match(w)}
            if name in programs:
                programs[name][1].update(words)
            else:
                helpers.setdefault(name, set()).update(words)
        for name, rest in re.findall(r"add_dependencies\(\s*([\w-]+)([^)]*)\)", text):
            depends.setdefault(name, set()).update(re.findall(r"[\w-]+", rest))
    for name, needs in depends.items():
        if "velmora" in needs:
            exempt |= {name} | needs
    return programs, helpers, exempt


def check_tests(root, folders, links):
    """A folder's test programs reach no library above the folder's own."""
    rank = rank_of()
    programs, helpers, exempt = read_tests(root)
    graph = dict(links)
    for name, libs in helpers.items():
        graph[name] = graph.get(name, set()) | libs
    faults = []
    for program, (folder, libs) in sorted(programs.items()):
        own = [lib for lib, path in folders.items() if path == os.path.join(root, "src", folder) and lib in rank]
        if not own or program in exempt:
            continue
        top = max(own, key=lambda lib: rank[lib])
        seen, todo = set(), list(libs)
        while todo:
            lib = todo.pop()
            if lib not in seen:
                seen.add(lib)
                todo.extend(graph.get(lib, ()))
        for lib in sorted(l for l in seen if rank.get(l, -1) > rank[top]):
            faults.append(f"test program {program} (tests/{folder}) links {lib}, which is above {top}")
    return faults


def owner_of_files(root, folders):
    """Source or header file name -> library, by the deepest library folder holding it."""
    owners = {}
    by_depth = sorted(folders.items(), key=lambda kv: -len(kv[1]))
    for dirpath, _, files in os.walk(os.path.join(root, "src")):
        lib = next((name for name, folder in by_depth if dirpath == folder or dirpath.startswith(folder + os.sep)),
                   None)
        for f in files:
            if f.endswith((".h", ".cpp", ".hpp")):
                owners[os.path.join(dirpath, f)] = lib
    return owners


def check(root):
    rank = rank_of()
    folders, links = read_libraries(root)
    faults = []
    for lib in sorted(folders):
        if lib not in rank and lib not in ("velmora", "icongen"):
            faults.append(f"library {lib} ({os.path.relpath(folders[lib], root)}) has no layer in tools/check-layers.py")

    def upward(a, b):
        return rank.get(b, -1) >= rank.get(a, -1)

    for a, bs in sorted(links.items()):
        if a not in rank:
            continue
        for b in sorted(bs):
            if b in rank and b != a and upward(a, b):
                faults.append(f"link {a} -> {b}: {b} is not below {a}")

    closure = {}

    def reach(a):
        if a not in closure:
            closure[a] = set()
            for b in links.get(a, ()):
                closure[a] |= {b} | reach(b)
        return closure[a]

    owners = owner_of_files(root, folders)
    header_owner = {}
    for path, lib in owners.items():
        if path.endswith((".h", ".hpp")):
            header_owner.setdefault(os.path.basename(path), set()).add(lib)
    include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
    for path, lib in sorted(owners.items()):
        if lib not in rank:
            continue
        for name in include.findall(open(path, errors="replace").read()):
            base = os.path.basename(name)
            targets = {GENERATED[base]} if base in GENERATED else header_owner.get(base, set())
            if lib in targets:
                continue
            for b in sorted(t for t in targets if t in rank):
                where = os.path.relpath(path, root)
                if upward(lib, b):
                    faults.append(f"{where} includes {name} of {b}, which is not below {lib}")
                elif b not in reach(lib):
                    faults.append(f"{where} includes {name} of {b}, but {lib} does not link {b}")
    return faults + check_tests(root, folders, links)


def self_test(root):
    """An upward include added to a copy of the tree must be caught."""
    with tempfile.TemporaryDirectory() as tmp:
        for top in ("src", "data"):
            shutil.copytree(os.path.join(root, top), os.path.join(tmp, top),
                            ignore=shutil.ignore_patterns("*.png", "*.po", "*.ttf"))
        # Of the tests, their build files only.
        shutil.copytree(os.path.join(root, "tests"), os.path.join(tmp, "tests"),
                        ignore=lambda d, names: [n for n in names if n != "CMakeLists.txt"
                                                 and not os.path.isdir(os.path.join(d, n))])
        with open(os.path.join(tmp, "tests", "navmath", "CMakeLists.txt"), "a") as f:
            f.write("\ntarget_link_libraries(navmath_tests PRIVATE test_golden)\n")
        with open(os.path.join(tmp, "tests", "support", "CMakeLists.txt"), "a") as f:
            f.write("\ntarget_link_libraries(test_golden PUBLIC nav)\n")
        planted = [("lsvc/l_log.cpp", "h_database.h", "the database in the service layer"),
                   ("navdata/t_nav_twr.cpp", "t_info.h", "the readouts in the waypoint store"),
                   ("readouts/t_info.cpp", "t_nmea.h", "the NMEA task in the readouts")]
        for victim, header, what in planted:
            with open(os.path.join(tmp, "src", victim), "a") as f:
                f.write(f'\n#include "{header}"\n')
        faults = check(tmp)
        for victim, header, what in planted:
            if not any(f"{os.path.basename(victim)} includes {header}" in f for f in faults):
                print(f"self-test: an include of {what} went unnoticed")
                return False
        if not any(f.startswith("test program navmath_tests (tests/navmath) links nav,") for f in faults):
            print("self-test: a test program reaching a higher library through a helper went unnoticed")
            return False
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    faults = check(root)
    for f in faults:
        print(f)
    if args.self_test and not self_test(root):
        return 1
    if faults:
        print(f"{len(faults)} faults in the library graph (layers: tools/check-layers.py)")
        return 1
    print("library graph: every edge goes down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
