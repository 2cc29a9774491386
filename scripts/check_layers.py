#!/usr/bin/python3
"""Checks the include rules of the tree's folders (the layers of docs and architecture: what may include what).

Every folder that holds code has a rule file, INCLUDES, in itself or in the nearest folder above it: a
plain list, one entry a line, of the paths its files may include; '#' starts a comment. A folder with a
rule file is a layer, together with its sub-folders that have none; a file's rules are those of its
layer, and it may always include the files of its own layer. An entry is
  - a layer ("ui"): the files of that layer, not those of a sub-folder that is a layer of its own
    (ui/gtk, ui/test must be listed by themselves);
  - a folder that is no layer ("platform", "librarys"): everything below it, whatever its layers;
  - a single header ("screens/AllScreens.h").

Scanned: every .h, .hpp, .c and .cpp below the top folders, except those named in SKIPPED (tests,
benchmarks, fuzzers and tools are no layers of the application) and build trees (a folder holding a
CMakeCache.txt, or named build*). Only quoted includes ("x/y.h") are read, each resolved next to the
including file first, then from the top of the tree; an include that resolves to no file of the tree
(a generated header) is checked by the path it writes.

Fails (exit status 1) with one line per breach:
  app/Foo.cpp:12: includes "screens/x.h": app may include only bank, dao, ...
and one line per file that no rule file governs, and per rule file that cannot be read. Exit status 0
and no output when the tree keeps its rules.

Usage: check_layers.py [--root DIR]   (default: the tree this script is in)
"""

import os
import re
import sys

RULE_FILE = "INCLUDES"
SKIPPED = {"tests", "bench", "fuzz", "tools", "docs", "cmake", "scripts"}
SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
# A rule file is a short list: anything longer, or a longer line, is not one.
MAX_RULE_BYTES = 64 * 1024
MAX_ENTRY_LENGTH = 200


def read_rules(path):
    """The entries of one rule file, or raises ValueError saying what is wrong with it."""
    if os.path.getsize(path) > MAX_RULE_BYTES:
        raise ValueError("larger than %d bytes" % MAX_RULE_BYTES)
    entries = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            entry = line.split("#", 1)[0].strip()
            if not entry:
                continue
            if (len(entry) > MAX_ENTRY_LENGTH or " " in entry or entry.startswith(("/", "."))
                    or ".." in entry.split("/")):
                raise ValueError("line %d: %r is not a path from the top of the tree" % (number, entry))
            entries.append(entry.rstrip("/"))
    return entries


def is_build_tree(root, rel):
    name = os.path.basename(rel)
    return name.startswith("build") or name.startswith(".") or os.path.exists(
        os.path.join(root, rel, "CMakeCache.txt"))


def governing_folder(rel_dir, rule_folders):
    """The nearest folder at or above rel_dir (a path from the top) that holds a rule file, or None."""
    parts = rel_dir.split("/") if rel_dir else []
    while parts:
        folder = "/".join(parts)
        if folder in rule_folders:
            return folder
        parts.pop()
    return None


def allowed(target, target_layer, entries, rule_folders):
    for e in entries:
        if target == e:
            return True
        if target.startswith(e + "/") and (e not in rule_folders or target_layer == e):
            return True
    return False


def check(root):
    """The breach lines for the tree at root, in path order."""
    rule_folders = {}
    problems = []
    sources = []
    for top in sorted(os.listdir(root)):
        if top in SKIPPED or not os.path.isdir(os.path.join(root, top)) or is_build_tree(root, top):
            continue
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
            rel_dir = os.path.relpath(dirpath, root).replace(os.sep, "/")
            dirnames[:] = sorted(d for d in dirnames if not is_build_tree(root, rel_dir + "/" + d))
            if RULE_FILE in filenames:
                try:
                    rule_folders[rel_dir] = read_rules(os.path.join(dirpath, RULE_FILE))
                except (OSError, UnicodeDecodeError, ValueError) as e:
                    problems.append("%s/%s: unreadable rule file: %s" % (rel_dir, RULE_FILE, e))
                    rule_folders[rel_dir] = []
            sources += [rel_dir + "/" + f for f in sorted(filenames) if f.endswith(SOURCE_SUFFIXES)]

    for rel in sources:
        rel_dir = os.path.dirname(rel)
        home = governing_folder(rel_dir, rule_folders)
        if home is None:
            problems.append("%s: no %s file in its folder or above it" % (rel, RULE_FILE))
            continue
        entries = rule_folders[home]
        try:
            with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
                lines = f.readlines()
        except OSError as e:
            problems.append("%s: unreadable: %s" % (rel, e.strerror))
            continue
        for number, line in enumerate(lines, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            written = m.group(1)
            beside = os.path.normpath(os.path.join(rel_dir, written)).replace(os.sep, "/")
            if not beside.startswith("../") and os.path.isfile(os.path.join(root, beside)):
                target = beside
            else:
                target = os.path.normpath(written).replace(os.sep, "/")
            if target.startswith("../") or target.startswith("/"):
                problems.append('%s:%d: includes "%s": a path out of the tree' % (rel, number, written))
                continue
            target_layer = governing_folder(os.path.dirname(target), rule_folders)
            if target_layer == home or allowed(target, target_layer, entries, rule_folders):
                continue
            may = ", ".join(entries) if entries else "nothing outside itself"
            problems.append('%s:%d: includes "%s": %s may include only %s' % (rel, number, written, home, may))
    return problems


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    args = argv[1:]
    if args[:1] == ["--root"] and len(args) == 2:
        root = args[1]
    elif args:
        print("usage: check_layers.py [--root DIR]", file=sys.stderr)
        return 2
    problems = check(root)
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
